#include "platform/vcl/ComCtrls.h"

#include "platform/win/kernel/Version.h"

#include <vector>

namespace vcl {

int32_t GetComCtlVersion() {
    const char* module = "comctl32.dll";
    win::DWORD handle = 0;
    win::DWORD size = win::GetFileVersionInfoSize(module, &handle);
    if (size == 0)
        return 0;
    std::vector<uint8_t> block(size);
    if (!win::GetFileVersionInfo(module, handle, size, block.data()))
        return 0;
    void* value = nullptr;
    win::UINT length = 0;
    if (!win::VerQueryValue(block.data(), "\\", &value, &length) || !value ||
        length < sizeof(win::VS_FIXEDFILEINFO))
        return 0;
    return int32_t(static_cast<const win::VS_FIXEDFILEINFO*>(value)->dwFileVersionMS);
}

} // namespace vcl
