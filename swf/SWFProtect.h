// Protect (tag 24): marks a movie as not to be imported into an authoring tool; with a password it carries
// the password's MD5-crypt hash.
#pragma once

#include "swf/SWFTags.h"

#include <string>

namespace swf {

class TSWFProtect : public TSWFObject {
public:
    TSWFProtect();
    void Assign(TBasedSWFObject* source) override;
    // 5 with a hash or a password, else 2.
    int32_t MinVersion() const override;
    // The stored hash, up to its terminator; raises for a body of one byte.
    void ReadFromStream(TBitsEngine* engine) override;
    // With a password the hash is made afresh (a new random salt each time); then a reserved word and the
    // hash, zero-terminated. Empty without either.
    void WriteTagBody(TBitsEngine* engine) override;

    const std::string& GetHash() const { return FHash; }
    void SetHash(const std::string& v) { FHash = v; }
    const std::string& GetPassword() const { return FPassword; }
    void SetPassword(const std::string& v) { FPassword = v; }

private:
    std::string FHash;
    std::string FPassword;
};

} // namespace swf
