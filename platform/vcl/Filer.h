// The binary form of streamed objects: value tags, and the low-level reader and writer of values.
#pragma once

#include "platform/vcl/Object.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

namespace vcl {

class TStream;
class TPersistent;
class TComponent;
class TCollection;
class TReader;
class TWriter;
struct TPropInfo;

using TReaderProc = std::function<void(TReader* reader)>;
using TWriterProc = std::function<void(TWriter* writer)>;
using TStreamProc = std::function<void(TStream* stream)>;

// The tag in front of every streamed value.
enum TValueType : uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
    vaDouble = 21,
};

// Flags of an object header: inherited from an ancestor form, carrying its position among its parent's
// children, or an inline frame.
enum TFilerFlag : uint8_t { ffInherited = 1, ffChildPos = 2, ffInline = 4 };

// The binary form starts with this signature.
inline constexpr char FilerSignature[4] = {'T', 'P', 'F', '0'};

class TFiler : public TObject {
public:
    explicit TFiler(TStream* stream) : FStream(stream) {}
    TStream* GetStream() const { return FStream; }
    // The component at the top of the form being read or written.
    TComponent* GetRoot() const { return FRoot; }

    // Declares a property stored beside the published ones (an object's DefineProperties calls these).
    // The reader calls readData when it meets the name, with the value next in the stream; the writer
    // writes the name and calls writeData when hasData is set.
    virtual void DefineProperty(const std::string& name, const TReaderProc& readData,
                                const TWriterProc& writeData, bool hasData) = 0;
    // The same for a block of bytes (binary data in the form), handed over as a stream.
    virtual void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                                      const TStreamProc& writeData, bool hasData) = 0;

protected:
    TStream* FStream;
    TComponent* FRoot = nullptr;
};

// Writes values in the binary form. Integers take the smallest tag that holds them; strings of plain
// ASCII up to 255 bytes are short strings, others are UTF-8 strings.
class TWriter : public TFiler {
public:
    using TFiler::TFiler;

    void WriteSignature();
    void WriteValue(TValueType value);
    void WriteStr(const std::string& s); // a length-prefixed short string without a tag (names)
    void WritePrefix(uint8_t flags, int32_t childPos);
    void WriteInteger(int64_t value);
    void WriteFloat(double value);
    void WriteString(const std::string& value);
    void WriteIdent(const std::string& ident); // also nil, true and false
    void WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }
    void WriteBinary(const std::vector<uint8_t>& data);
    void WriteListBegin() { WriteValue(vaList); }
    void WriteListEnd() { WriteValue(vaNull); }

    // Writes root with the signature: its properties that differ from those of a freshly made object of
    // its class, then its children (GetChildren) the same way.
    void WriteRootComponent(TComponent* root);
    void WriteComponent(TComponent* component);
    // The properties and children of a component (TComponent::WriteState calls it).
    void WriteData(TComponent* component);
    // The published and defined properties of any object that differ from the defaults.
    void WriteProperties(TPersistent* instance);
    void WriteCollection(TCollection* collection);

    void DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                              const TStreamProc& writeData, bool hasData) override;

    TWriter(const TWriter&) = delete;
    ~TWriter() override;

private:
    void Put(const void* data, size_t count);
    void WriteObjectProperties(TPersistent* instance, TPersistent* defaults, const std::string& prefix);
    void WriteProperty(TPersistent* instance, TPersistent* defaults, const TPropInfo& prop,
                       const std::string& prefix);
    TPersistent* DefaultsFor(TPersistent* instance);
    std::string ReferenceName(TComponent* component) const;

    std::string FPropPath; // "Font." while the properties of a sub-object are written
    std::map<std::type_index, TPersistent*> FDefaults; // freshly made objects, freed by the destructor
    int32_t FDepth = 0;
};

// Reads values of the binary form. Every read checks the tag and the bounds of the stream and raises
// EReadError on anything else; nothing a damaged stream holds can make it read past its end.
class TReader : public TFiler {
public:
    using TFiler::TFiler;

    void ReadSignature();
    TValueType ReadValue();
    TValueType NextValue(); // the next tag, without consuming it
    std::string ReadStr();
    void ReadPrefix(uint8_t& flags, int32_t& childPos);
    int64_t ReadInteger();
    double ReadFloat();
    std::string ReadString();
    std::string ReadIdent();
    bool ReadBoolean();
    std::vector<uint8_t> ReadBinary();
    void ReadListBegin();
    bool EndOfList(); // the next byte ends a list (not consumed)
    void ReadListEnd();
    void SkipValue();

    uint8_t ReadByte();
    void Get(void* data, size_t count);
    int32_t GetDepth() const { return FDepth; }

    // Reads a whole form (signature, one object and its children) into root, or into a new object of the
    // class the form names when root is null. References between components are resolved and Loaded runs
    // on every component read once all of them are. On failure the components this reader created (and
    // root, when it made it) are freed and the exception passes on.
    TComponent* ReadRootComponent(TComponent* root);
    // Reads one object header and its contents; component is ignored (the header says what to create or,
    // for an inherited object, which existing component of the owner to read into).
    TComponent* ReadComponent(TComponent* component);
    // The properties and children of a component (TComponent::ReadState calls it).
    void ReadData(TComponent* instance);
    // One "Name = value" entry, the name possibly a path through sub-objects ("Font.Name").
    void ReadProperty(TPersistent* instance);
    // The items of a collection value "< item ... end >", replacing the collection's items.
    void ReadCollection(TCollection* collection);

    void DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc& writeData,
                        bool hasData) override;
    void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                              const TStreamProc& writeData, bool hasData) override;

    // The component that owns, and the one that parents, the components being read.
    TComponent* GetOwner() const { return FOwner; }
    void SetOwner(TComponent* value) { FOwner = value; }
    TComponent* GetParent() const { return FParent; }
    void SetParent(TComponent* value) { FParent = value; }

    // When set, components read are appended to list instead of getting Loaded; the caller calls Loaded
    // once several resources were read into one root.
    void SetLoadedList(std::vector<TComponent*>* list) { FLoadedList = list; }

private:
    struct TFixup {
        TPersistent* Instance;
        const TPropInfo* Prop;
        std::string Name;
    };
    void ReadPropValue(TPersistent* instance, const TPropInfo& prop);
    void ReadProps(TPersistent* instance);
    void FixupReferences();
    void ForgetItemsOf(TCollection* collection);
    TComponent* ResolveReference(const std::string& name) const;
    [[noreturn]] void PropertyError(TPersistent* instance, const std::string& path,
                                    const std::string& message);

    int32_t FDepth = 0;
    TComponent* FOwner = nullptr;
    TComponent* FParent = nullptr;
    std::vector<TFixup> FFixups;
    std::vector<TComponent*> FLoaded;
    std::vector<TComponent*> FCreated;
    std::vector<TComponent*>* FLoadedList = nullptr;
    std::string FPropName; // the property a DefineProperties call may take
    bool FPropHandled = false;
};

// Converts the 10-byte extended floating-point format to a double (rounding, with infinities for values
// out of range).
double ExtendedToDouble(const uint8_t bytes[10]);

} // namespace vcl
