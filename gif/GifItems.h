// The parts of a GIF document that have bytes of their own (header, frames, extensions, trailer) and
// the owning lists that hold frames and extensions.
#pragma once

#include "gif/GifTypes.h"
#include "platform/vcl/Lists.h"
#include "platform/vcl/Persistent.h"

#include <cstdint>
#include <string>

namespace vcl {
class TStream;
}

namespace gif {

class TGifItem : public vcl::TPersistent {
public:
    explicit TGifItem(TGifDocument* image) : FOwnerImage(image) {}

    // The GIF version the item needs: 0 none, 1 "87a", 2 "89a".
    virtual uint8_t RequiredVersion() const { return 1; }
    // Hands a recoverable problem to the owner image with this item as the sender.
    virtual void ReportIssue(int32_t severity, const std::string& message);
    virtual void SaveToStream(vcl::TStream* stream) = 0;
    virtual void LoadFromStream(vcl::TStream* stream) = 0;
    // Saved through a temporary file renamed over the target, so a failed write keeps the old file.
    virtual void WriteToFile(const std::string& fileName);
    virtual void ReadFromFile(const std::string& fileName);

    TGifDocument* GetOwnerImage() const { return FOwnerImage; }

protected:
    TGifDocument* FOwnerImage;

private:
    // A document that takes over another's content gives its items their new owner.
    friend class TGifDocument;
};

// A list that owns its items: FreeItemAt and the destructor free them.
class TGifList : public vcl::TPersistent {
public:
    explicit TGifList(TGifDocument* image) : FImage(image) {}
    ~TGifList() override;

    virtual void ReportIssue(int32_t severity, const std::string& message);
    // Every item's SaveToStream in order.
    virtual void WriteItems(vcl::TStream* stream);

    int32_t ItemCount() const { return FItems.GetCount(); }
    // Raises the class library's list index error for a bad index.
    TGifItem* ItemAt(int32_t index) const { return static_cast<TGifItem*>(FItems.Get(index)); }
    int32_t IndexOf(const TGifItem* item) const { return FItems.IndexOf(const_cast<TGifItem*>(item)); }
    int32_t AppendItem(TGifItem* item) { return FItems.Add(item); }
    void InsertItem(int32_t index, TGifItem* item) { FItems.Insert(index, item); }
    void MoveItem(int32_t from, int32_t to) { FItems.Move(from, to); }
    // Takes the item out without freeing it (destructors use it).
    void RemoveItem(TGifItem* item);
    void FreeItemAt(int32_t index);
    void FreeAll();

    TGifDocument* GetOwnerImage() const { return FImage; }

protected:
    vcl::TList FItems;
    TGifDocument* FImage;

private:
    friend class TGifDocument;
};

class TGifFrameList : public TGifList {
public:
    using TGifList::TGifList;
    TGifFrame* FrameAt(int32_t index) const;
    void WriteItems(vcl::TStream* stream) override;
    // The block sequence up to the trailer.
    void ReadItems(vcl::TStream* stream, TGifDocument* image);
};

class TGifExtensionList : public TGifList {
public:
    TGifExtensionList(TGifDocument* image, TGifFrame* frame) : TGifList(image), FFrame(frame) {}
    TGifExtension* ExtensionAt(int32_t index) const;
    // The extension blocks in front of one image.
    void ReadItems(vcl::TStream* stream, TGifFrame* frame);
    TGifFrame* GetFrame() const { return FFrame; }

private:
    TGifFrame* FFrame;
};

// The trailer byte ";"; exists only while a stream is read or written.
class TGifTrailer : public TGifItem {
public:
    using TGifItem::TGifItem;
    void SaveToStream(vcl::TStream* stream) override;
    void LoadFromStream(vcl::TStream* stream) override;
};

} // namespace gif
