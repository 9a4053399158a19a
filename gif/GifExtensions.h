// GIF89a extension blocks (graphic control, plain text, comment, application data such as the loop
// count) and the registries that map labels and application identifiers to extension classes.
#pragma once

#include "gif/GifItems.h"
#include "platform/vcl/StringList.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gif {

// A reference to an extension class: creates instances and may look further into the stream to pick a
// more specific class (application extensions resolve by their identifier).
class TGifExtensionClass {
public:
    virtual ~TGifExtensionClass() = default;
    virtual const char* Name() const = 0;
    virtual TGifExtension* Create(TGifFrame* frame) const = 0;
    // The class for the block whose bytes follow; reads on from the stream's position. The base answers
    // itself.
    virtual const TGifExtensionClass* ResolveClass(vcl::TStream* stream) const { return this; }
};

template <typename T> class TGifExtensionClassOf : public TGifExtensionClass {
public:
    explicit TGifExtensionClassOf(const char* name) : FName(name) {}
    const char* Name() const override { return FName; }
    TGifExtension* Create(TGifFrame* frame) const override { return new T(frame); }

private:
    const char* FName;
};

class TGifExtension : public TGifItem {
public:
    explicit TGifExtension(TGifFrame* frame);
    // Takes the extension out of its frame's list.
    ~TGifExtension() override;

    virtual uint8_t ExtensionLabel() const = 0;
    virtual const TGifExtensionClass* GetClass() const = 0;
    uint8_t RequiredVersion() const override { return 2; }

    // The class of the extension whose label byte comes next (the stream stands just after "!"), or nullptr;
    // the stream position is unchanged afterwards.
    static const TGifExtensionClass* ClassAtStream(vcl::TStream* stream);

    TGifFrame* GetFrame() const { return FFrame; }

protected:
    // Reads "!" and the label and checks them against this class.
    void ReadIntroducer(vcl::TStream* stream);
    void WriteIntroducer(vcl::TStream* stream);

private:
    TGifFrame* FFrame;
};

class TGifGraphicControlExtension : public TGifExtension {
public:
    static constexpr uint8_t Label = 0xF9;
    static const TGifExtensionClass* ClassRef();

    // Becomes the frame's control extension when the frame has none yet.
    explicit TGifGraphicControlExtension(TGifFrame* frame);
    ~TGifGraphicControlExtension() override;

    uint8_t ExtensionLabel() const override { return Label; }
    const TGifExtensionClass* GetClass() const override { return ClassRef(); }
    void SaveToStream(vcl::TStream* stream) override;
    void LoadFromStream(vcl::TStream* stream) override;

    uint16_t GetDelayTime() const { return FDelayTime; }
    void SetDelayTime(uint16_t value) { FDelayTime = value; }
    uint8_t GetDisposalMethod() const { return (FPackedFields >> 2) & 7; }
    void SetDisposalMethod(uint8_t value);
    bool GetUserInputFlag() const { return (FPackedFields & 2) != 0; }
    void SetUserInputFlag(bool value);
    bool GetTransparentFlag() const { return (FPackedFields & 1) != 0; }
    void SetTransparentFlag(bool value);
    uint8_t GetTransparentIndex() const { return FTransparentIndex; }
    void SetTransparentIndex(int32_t index);
    TGifColor GetTransparentColorValue() const;
    void SetTransparentColorValue(TGifColor color);
    uint8_t GetPackedFields() const { return FPackedFields; }
    void SetPackedFields(uint8_t value) { FPackedFields = value; }

private:
    uint8_t FPackedFields = 0; // bits 2-4 disposal, bit 1 user input, bit 0 transparent colour
    uint16_t FDelayTime = 0;   // hundredths of a second
    uint8_t FTransparentIndex = 0;
};

// The 12 bytes of a plain text block after its size byte.
struct TGifTextBlock {
    uint16_t Left = 0;
    uint16_t Top = 0;
    uint16_t GridWidth = 0;
    uint16_t GridHeight = 0;
    uint8_t CellWidth = 0;
    uint8_t CellHeight = 0;
    uint8_t ForegroundIndex = 0;
    uint8_t BackgroundIndex = 0;
};

class TGifTextExtension : public TGifExtension {
public:
    static constexpr uint8_t Label = 0x01;
    static const TGifExtensionClass* ClassRef();

    using TGifExtension::TGifExtension;
    uint8_t ExtensionLabel() const override { return Label; }
    const TGifExtensionClass* GetClass() const override { return ClassRef(); }
    void SaveToStream(vcl::TStream* stream) override;
    void LoadFromStream(vcl::TStream* stream) override;

    TGifTextBlock& Block() { return FBlock; }
    // The text, one line per data sub-block, raw bytes.
    vcl::TStringList& Lines() { return FLines; }

private:
    TGifTextBlock FBlock;
    vcl::TStringList FLines;
};

class TGifCommentExtension : public TGifExtension {
public:
    static constexpr uint8_t Label = 0xFE;
    static const TGifExtensionClass* ClassRef();

    using TGifExtension::TGifExtension;
    uint8_t ExtensionLabel() const override { return Label; }
    const TGifExtensionClass* GetClass() const override { return ClassRef(); }
    void SaveToStream(vcl::TStream* stream) override;
    void LoadFromStream(vcl::TStream* stream) override;

    // The comment, one line per data sub-block, raw bytes (a line longer than 255 bytes is written as
    // several sub-blocks and so reads back as several lines).
    vcl::TStringList& Lines() { return FLines; }

private:
    vcl::TStringList FLines;
};

// An 8-byte application identifier followed by a 3-byte authentication code.
using TGifAppIdentifier = std::array<uint8_t, 11>;
TGifAppIdentifier MakeAppIdentifier(const char* text);

class TGifApplicationExtension : public TGifExtension {
public:
    static constexpr uint8_t Label = 0xFF;
    // Resolves to the class registered for the block's identifier, else TGifUnknownAppExtension.
    static const TGifExtensionClass* ClassRef();

    using TGifExtension::TGifExtension;
    uint8_t ExtensionLabel() const override { return Label; }
    void SaveToStream(vcl::TStream* stream) override;
    void LoadFromStream(vcl::TStream* stream) override;
    virtual void WriteAppData(vcl::TStream* stream) = 0;
    virtual void ReadAppData(vcl::TStream* stream) = 0;

    const TGifAppIdentifier& GetIdentifier() const { return FIdentifier; }
    void SetIdentifier(const TGifAppIdentifier& value) { FIdentifier = value; }

private:
    TGifAppIdentifier FIdentifier{};
    // A block size other than 11 read from a file, and the bytes beyond the identifier, are written back
    // as they were read.
    uint8_t FBlockSize = 11;
    std::string FExtraHeader;
};

// An application block nobody registered: its data sub-blocks are kept byte for byte.
class TGifUnknownAppExtension : public TGifApplicationExtension {
public:
    static const TGifExtensionClass* ClassRef();

    using TGifApplicationExtension::TGifApplicationExtension;
    const TGifExtensionClass* GetClass() const override { return ClassRef(); }
    void WriteAppData(vcl::TStream* stream) override;
    void ReadAppData(vcl::TStream* stream) override;

    TGifLines& Blocks() { return FBlocks; }

private:
    TGifLines FBlocks;
};

// The animation loop count ("NETSCAPE2.0" or "ANIMEXTS1.0").
class TGifLoopExtension : public TGifApplicationExtension {
public:
    static const TGifExtensionClass* ClassRef();

    explicit TGifLoopExtension(TGifFrame* frame);
    const TGifExtensionClass* GetClass() const override { return ClassRef(); }
    void WriteAppData(vcl::TStream* stream) override;
    void ReadAppData(vcl::TStream* stream) override;

    // 0 means endless playback.
    uint16_t GetLoopCount() const { return FLoopCount; }
    void SetLoopCount(uint16_t value) { FLoopCount = value; }
    uint32_t GetBufferSize() const { return FBufferSize; }
    void SetBufferSize(uint32_t value) { FBufferSize = value; }

private:
    uint16_t FLoopCount = 0;
    uint32_t FBufferSize = 0;
};

// Label -> class; a later registration of the same label takes precedence.
class TExtensionList {
public:
    void Register(uint8_t label, const TGifExtensionClass* cls);
    const TGifExtensionClass* ClassForLabel(uint8_t label) const;

private:
    std::vector<std::pair<uint8_t, const TGifExtensionClass*>> FEntries;
};

// Application identifier -> class, compared byte for byte.
class TAppExtensionList {
public:
    void Register(const TGifAppIdentifier& identifier, const TGifExtensionClass* cls);
    const TGifExtensionClass* ClassForIdentifier(const TGifAppIdentifier& identifier) const;

private:
    std::vector<std::pair<TGifAppIdentifier, const TGifExtensionClass*>> FEntries;
};

TExtensionList& ExtensionRegistry();
TAppExtensionList& AppExtensionRegistry();

} // namespace gif
