// MD5 (RFC 1321) and the MD5-based crypt format beginning with "$1$", which the Protect tag stores.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace swf {

struct TMD5Context {
    uint32_t State[4];
    uint32_t Count[2]; // bits fed so far, low half first
    uint8_t Buffer[64];
};

using TMD5Digest = std::array<uint8_t, 16>;

void MD5Start(TMD5Context& context);
void MD5Feed(TMD5Context& context, const void* data, size_t length);
// The digest; the context is cleared.
TMD5Digest MD5Finish(TMD5Context& context);

// count characters of the crypt alphabet, six bits of value each, lowest first.
std::string ToCrypt64(uint32_t value, int32_t count);
// "$1$" + salt + "$" + 22 characters (28 in all with a two-character salt). A leading "$1$" is taken off salt and its first two characters (up
// to a "$") are used; with fewer, two random characters are drawn.
std::string MD5Crypt(const std::string& password, const std::string& salt);

// Where the random salt characters come from: a function returning any 32-bit value. By default the
// system's non-deterministic source; an empty function restores it. Returns the source it replaces.
using TMD5CryptRandom = std::function<uint32_t()>;
TMD5CryptRandom SetMD5CryptRandom(TMD5CryptRandom source);

} // namespace swf
