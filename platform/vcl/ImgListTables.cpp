// Property tables of image lists.
#include "platform/vcl/ClassTables.h"

#include "platform/vcl/ImgList.h"

namespace vcl {

void RegisterImgListTables() {
    DefineClassProperties<TCustomImageList, TComponent>()
        .Property("AllocBy", &TCustomImageList::GetAllocBy, &TCustomImageList::SetAllocBy)
        .Property("BkColor", &TCustomImageList::GetBkColor, &TCustomImageList::SetBkColor, ColorIdents())
        .Property("Height", &TCustomImageList::GetHeight, &TCustomImageList::SetHeight)
        .Property("Masked", &TCustomImageList::GetMasked, &TCustomImageList::SetMasked)
        .Property("Width", &TCustomImageList::GetWidth, &TCustomImageList::SetWidth)
        .Event("OnChange", &TCustomImageList::OnChange);
    DefineClassProperties<TImageList, TCustomImageList>();
}

} // namespace vcl
