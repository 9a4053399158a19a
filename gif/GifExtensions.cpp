#include "gif/GifExtensions.h"

#include "gif/GifDocument.h"
#include "gif/GifStreamUtils.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cstring>

namespace gif {

namespace {

// Resolves an application block by its identifier. The loop extension and unknown blocks are concrete
// classes; the abstract base is never instantiated.
class TGifApplicationExtensionClass : public TGifExtensionClass {
public:
    const char* Name() const override { return "TGifApplicationExtension"; }
    TGifExtension* Create(TGifFrame* frame) const override { return nullptr; }
    const TGifExtensionClass* ResolveClass(vcl::TStream* stream) const override {
        int32_t size = ReadStreamByte(stream);
        // A missing size or a size below 10 resolves to the unknown class, whose reader reports the fault.
        if (size < 11)
            return TGifUnknownAppExtension::ClassRef();
        TGifAppIdentifier identifier;
        if (stream->Read(identifier.data(), 11) < 11)
            return TGifUnknownAppExtension::ClassRef();
        const TGifExtensionClass* cls = AppExtensionRegistry().ClassForIdentifier(identifier);
        return cls ? cls : TGifUnknownAppExtension::ClassRef();
    }
};

} // namespace

TGifAppIdentifier MakeAppIdentifier(const char* text) {
    TGifAppIdentifier id{};
    std::memcpy(id.data(), text, std::min<size_t>(11, std::strlen(text)));
    return id;
}

// TGifExtension

TGifExtension::TGifExtension(TGifFrame* frame)
    : TGifItem(frame ? frame->GetOwnerImage() : nullptr), FFrame(frame) {}

TGifExtension::~TGifExtension() {
    if (FFrame && FFrame->GetExtensionList())
        FFrame->GetExtensionList()->RemoveItem(this);
}

const TGifExtensionClass* TGifExtension::ClassAtStream(vcl::TStream* stream) {
    int64_t position = stream->GetPosition();
    int32_t label = ReadStreamByte(stream);
    const TGifExtensionClass* cls = nullptr;
    if (label >= 0) {
        cls = ExtensionRegistry().ClassForLabel(uint8_t(label));
        // Each step may read on; a bounded number of steps keeps a registration that answers another
        // class forever from hanging the reader.
        for (int step = 0; cls && step < 16; ++step) {
            const TGifExtensionClass* next = cls->ResolveClass(stream);
            if (next == cls)
                break;
            cls = next;
        }
    }
    stream->SetPosition(position);
    return cls;
}

void TGifExtension::ReadIntroducer(vcl::TStream* stream) {
    uint8_t bytes[2];
    ReadExact(stream, bytes, 2);
    if (bytes[0] != '!')
        RaiseGifError("Invalid extension introducer");
    if (bytes[1] != ExtensionLabel())
        RaiseGifError("Internal error: Extension Instance does not match Extension Label");
}

void TGifExtension::WriteIntroducer(vcl::TStream* stream) {
    uint8_t bytes[2] = {'!', ExtensionLabel()};
    stream->WriteBuffer(bytes, 2);
}

// Graphic control extension

const TGifExtensionClass* TGifGraphicControlExtension::ClassRef() {
    static const TGifExtensionClassOf<TGifGraphicControlExtension> cls("TGifGraphicControlExtension");
    return &cls;
}

TGifGraphicControlExtension::TGifGraphicControlExtension(TGifFrame* frame) : TGifExtension(frame) {
    if (frame && !frame->GetControlExtension())
        frame->SetControlExtension(this);
}

TGifGraphicControlExtension::~TGifGraphicControlExtension() {
    if (TGifFrame* frame = GetFrame()) {
        if (GetTransparentFlag())
            frame->SetTransparentFrame(false);
        if (frame->GetControlExtension() == this)
            frame->SetControlExtension(nullptr);
    }
}

void TGifGraphicControlExtension::SaveToStream(vcl::TStream* stream) {
    WriteIntroducer(stream);
    uint8_t block[6] = {4, FPackedFields, 0, 0, FTransparentIndex, 0};
    PutLE16(block + 2, FDelayTime);
    stream->WriteBuffer(block, 6);
}

void TGifGraphicControlExtension::LoadFromStream(vcl::TStream* stream) {
    ReadIntroducer(stream);
    // The block is read as a data sub-block of its stated size followed by sub-blocks up to the
    // terminator, so that a block of another size than 4 does not throw the reader off its track.
    int32_t size = ReadStreamByte(stream);
    uint8_t block[255] = {};
    if (size < 0 || stream->Read(block, size) < size) {
        ReportIssue(1, "Premature end of data");
        return;
    }
    FPackedFields = block[0];
    FDelayTime = GetLE16(block + 1);
    FTransparentIndex = block[3];
    if (size > 0)
        SkipSubBlocks(stream);
    if (GetTransparentFlag() && GetFrame())
        GetFrame()->SetTransparentFrame(true);
}

void TGifGraphicControlExtension::SetDisposalMethod(uint8_t value) {
    FPackedFields = uint8_t((FPackedFields & 0xE3) | ((value << 2) & 0x1C));
}

void TGifGraphicControlExtension::SetUserInputFlag(bool value) {
    FPackedFields = value ? uint8_t(FPackedFields | 2) : uint8_t(FPackedFields & ~2);
}

void TGifGraphicControlExtension::SetTransparentFlag(bool value) {
    if (GetFrame()) {
        GetFrame()->SetTransparentFrame(value);
        // The mask follows the transparency: the next drawing makes it again.
        if (value != GetTransparentFlag())
            GetFrame()->FreeMaskHandle();
    }
    FPackedFields = value ? uint8_t(FPackedFields | 1) : uint8_t(FPackedFields & ~1);
}

void TGifGraphicControlExtension::SetTransparentIndex(int32_t index) {
    TGifColorMap* map = GetFrame() ? GetFrame()->EffectiveColorMap() : nullptr;
    int32_t count = map ? map->GetEntryCount() : 0;
    if (index < 0 || index > 255 || (count > 0 && index >= count)) {
        ReportIssue(1, "Invalid color index");
        index = 0;
    }
    if (GetFrame() && index != FTransparentIndex)
        GetFrame()->FreeMaskHandle();
    FTransparentIndex = uint8_t(index);
}

TGifColor TGifGraphicControlExtension::GetTransparentColorValue() const {
    TGifColorMap* map = GetFrame() ? GetFrame()->EffectiveColorMap() : nullptr;
    if (!map)
        RaiseGifError("Color table is empty");
    return map->EntryColor(FTransparentIndex);
}

void TGifGraphicControlExtension::SetTransparentColorValue(TGifColor color) {
    TGifColorMap* map = GetFrame() ? GetFrame()->EffectiveColorMap() : nullptr;
    if (map)
        FTransparentIndex = uint8_t(map->FindOrAppendColor(color));
}

// Plain text extension

const TGifExtensionClass* TGifTextExtension::ClassRef() {
    static const TGifExtensionClassOf<TGifTextExtension> cls("TGifTextExtension");
    return &cls;
}

void TGifTextExtension::SaveToStream(vcl::TStream* stream) {
    WriteIntroducer(stream);
    uint8_t block[13] = {12};
    PutLE16(block + 1, FBlock.Left);
    PutLE16(block + 3, FBlock.Top);
    PutLE16(block + 5, FBlock.GridWidth);
    PutLE16(block + 7, FBlock.GridHeight);
    block[9] = FBlock.CellWidth;
    block[10] = FBlock.CellHeight;
    block[11] = FBlock.ForegroundIndex;
    block[12] = FBlock.BackgroundIndex;
    stream->WriteBuffer(block, 13);
    WriteStringsAsSubBlocks(stream, FLines);
}

void TGifTextExtension::LoadFromStream(vcl::TStream* stream) {
    ReadIntroducer(stream);
    int32_t size = ReadStreamByte(stream);
    if (size < 0)
        RaiseGifError("Premature end of data");
    uint8_t block[255] = {};
    ReadExact(stream, block, size);
    FBlock.Left = GetLE16(block);
    FBlock.Top = GetLE16(block + 2);
    FBlock.GridWidth = GetLE16(block + 4);
    FBlock.GridHeight = GetLE16(block + 6);
    FBlock.CellWidth = block[8];
    FBlock.CellHeight = block[9];
    FBlock.ForegroundIndex = block[10];
    FBlock.BackgroundIndex = block[11];
    ReadSubBlocksAsStrings(stream, FLines);
}

// Comment extension

const TGifExtensionClass* TGifCommentExtension::ClassRef() {
    static const TGifExtensionClassOf<TGifCommentExtension> cls("TGifCommentExtension");
    return &cls;
}

void TGifCommentExtension::SaveToStream(vcl::TStream* stream) {
    WriteIntroducer(stream);
    WriteStringsAsSubBlocks(stream, FLines);
}

void TGifCommentExtension::LoadFromStream(vcl::TStream* stream) {
    ReadIntroducer(stream);
    ReadSubBlocksAsStrings(stream, FLines);
}

// Application extensions

const TGifExtensionClass* TGifApplicationExtension::ClassRef() {
    static const TGifApplicationExtensionClass cls;
    return &cls;
}

void TGifApplicationExtension::SaveToStream(vcl::TStream* stream) {
    WriteIntroducer(stream);
    if (FBlockSize == 10) {
        WriteStreamByte(stream, 10);
        stream->WriteBuffer(FIdentifier.data(), 10);
    } else {
        WriteStreamByte(stream, uint8_t(11 + FExtraHeader.size()));
        stream->WriteBuffer(FIdentifier.data(), 11);
        if (!FExtraHeader.empty())
            stream->WriteBuffer(FExtraHeader.data(), int32_t(FExtraHeader.size()));
    }
    WriteAppData(stream);
}

void TGifApplicationExtension::LoadFromStream(vcl::TStream* stream) {
    ReadIntroducer(stream);
    int32_t size = ReadStreamByte(stream);
    if (size < 0)
        RaiseGifError("Premature end of data");
    if (size < 10)
        RaiseGifError("Unsupported Application Extension block size");
    FIdentifier.fill(0);
    FExtraHeader.clear();
    FBlockSize = uint8_t(size);
    if (size == 10) {
        // The identifier takes the 10 bytes and, as its eleventh, the byte that follows them.
        ReadExact(stream, FIdentifier.data(), 10);
        int32_t next = ReadStreamByte(stream);
        if (next >= 0) {
            FIdentifier[10] = uint8_t(next);
            stream->Seek(-1, vcl::soCurrent);
        }
    } else {
        ReadExact(stream, FIdentifier.data(), 11);
        FExtraHeader.resize(size_t(size - 11));
        ReadExact(stream, FExtraHeader.data(), size - 11);
    }
    ReadAppData(stream);
}

const TGifExtensionClass* TGifUnknownAppExtension::ClassRef() {
    static const TGifExtensionClassOf<TGifUnknownAppExtension> cls("TGifUnknownAppExtension");
    return &cls;
}

void TGifUnknownAppExtension::WriteAppData(vcl::TStream* stream) {
    WriteStringsAsSubBlocks(stream, FBlocks);
}

void TGifUnknownAppExtension::ReadAppData(vcl::TStream* stream) {
    ReadSubBlocksAsStrings(stream, FBlocks);
}

const TGifExtensionClass* TGifLoopExtension::ClassRef() {
    static const TGifExtensionClassOf<TGifLoopExtension> cls("TGifLoopExtension");
    return &cls;
}

TGifLoopExtension::TGifLoopExtension(TGifFrame* frame) : TGifApplicationExtension(frame) {
    SetIdentifier(MakeAppIdentifier("NETSCAPE2.0"));
}

void TGifLoopExtension::WriteAppData(vcl::TStream* stream) {
    uint8_t loop[4] = {3, 1, uint8_t(FLoopCount), uint8_t(FLoopCount >> 8)};
    stream->WriteBuffer(loop, 4);
    if (FBufferSize != 0) {
        uint8_t buffer[6] = {5,
                             2,
                             uint8_t(FBufferSize),
                             uint8_t(FBufferSize >> 8),
                             uint8_t(FBufferSize >> 16),
                             uint8_t(FBufferSize >> 24)};
        stream->WriteBuffer(buffer, 6);
    }
    WriteStreamByte(stream, 0);
}

void TGifLoopExtension::ReadAppData(vcl::TStream* stream) {
    // The end of the stream ends the sub-blocks, as it does for every other sub-block reader.
    for (;;) {
        int32_t length = ReadStreamByte(stream);
        if (length <= 0)
            return;
        int32_t id = ReadStreamByte(stream);
        if (id < 0)
            return;
        if ((id & 7) == 1) {
            if (length < 3)
                RaiseGifError("Invalid GIF data");
            uint8_t bytes[2];
            ReadExact(stream, bytes, 2);
            FLoopCount = GetLE16(bytes);
            SkipBytes(stream, length - 3);
        } else if ((id & 7) == 2) {
            if (length < 5)
                RaiseGifError("Invalid GIF data");
            uint8_t bytes[4];
            ReadExact(stream, bytes, 4);
            FBufferSize = uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) |
                          (uint32_t(bytes[3]) << 24);
            SkipBytes(stream, length - 5);
        } else {
            SkipBytes(stream, length - 1);
        }
    }
}

// Registries

void TExtensionList::Register(uint8_t label, const TGifExtensionClass* cls) {
    FEntries.emplace_back(label, cls);
}

const TGifExtensionClass* TExtensionList::ClassForLabel(uint8_t label) const {
    for (auto it = FEntries.rbegin(); it != FEntries.rend(); ++it)
        if (it->first == label)
            return it->second;
    return nullptr;
}

void TAppExtensionList::Register(const TGifAppIdentifier& identifier, const TGifExtensionClass* cls) {
    FEntries.emplace_back(identifier, cls);
}

const TGifExtensionClass* TAppExtensionList::ClassForIdentifier(const TGifAppIdentifier& identifier) const {
    for (auto it = FEntries.rbegin(); it != FEntries.rend(); ++it)
        if (it->first == identifier)
            return it->second;
    return nullptr;
}

TExtensionList& ExtensionRegistry() {
    static TExtensionList registry = [] {
        TExtensionList r;
        r.Register(TGifTextExtension::Label, TGifTextExtension::ClassRef());
        r.Register(TGifGraphicControlExtension::Label, TGifGraphicControlExtension::ClassRef());
        r.Register(TGifCommentExtension::Label, TGifCommentExtension::ClassRef());
        r.Register(TGifApplicationExtension::Label, TGifApplicationExtension::ClassRef());
        return r;
    }();
    return registry;
}

TAppExtensionList& AppExtensionRegistry() {
    static TAppExtensionList registry = [] {
        TAppExtensionList r;
        r.Register(MakeAppIdentifier("NETSCAPE2.0"), TGifLoopExtension::ClassRef());
        r.Register(MakeAppIdentifier("ANIMEXTS1.0"), TGifLoopExtension::ClassRef());
        return r;
    }();
    return registry;
}

} // namespace gif
