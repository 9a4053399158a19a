#include "swf/SWFmd5.h"

#include <cstring>
#include <mutex>
#include <random>

namespace swf {

namespace {

const char kCryptAlphabet[] = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

uint32_t MD5Rotate(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

// The per-step shifts and the sine-derived constants of the four rounds.
const int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                        5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                        4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                        6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

const uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

void MD5Transform(uint32_t state[4], const uint8_t block[64]) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = uint32_t(block[4 * i]) | (uint32_t(block[4 * i + 1]) << 8) | (uint32_t(block[4 * i + 2]) << 16) |
               (uint32_t(block[4 * i + 3]) << 24);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (b & d) | (c & ~d);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        uint32_t next = b + MD5Rotate(a + f + kSine[i] + x[g], kShift[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

std::mutex gRandomLock;
TMD5CryptRandom gRandom;

uint32_t MD5RandomValue() {
    std::lock_guard<std::mutex> guard(gRandomLock);
    if (gRandom)
        return gRandom();
    static std::random_device device;
    return device();
}

} // namespace

void MD5Start(TMD5Context& context) {
    context.State[0] = 0x67452301;
    context.State[1] = 0xefcdab89;
    context.State[2] = 0x98badcfe;
    context.State[3] = 0x10325476;
    context.Count[0] = context.Count[1] = 0;
    std::memset(context.Buffer, 0, sizeof context.Buffer);
}

void MD5Feed(TMD5Context& context, const void* data, size_t length) {
    auto* p = static_cast<const uint8_t*>(data);
    size_t have = (context.Count[0] >> 3) & 63;
    uint64_t bits = (uint64_t(context.Count[1]) << 32 | context.Count[0]) + uint64_t(length) * 8;
    context.Count[0] = static_cast<uint32_t>(bits);
    context.Count[1] = static_cast<uint32_t>(bits >> 32);
    while (length > 0) {
        size_t take = std::min(length, 64 - have);
        std::memcpy(context.Buffer + have, p, take);
        have += take;
        p += take;
        length -= take;
        if (have == 64) {
            MD5Transform(context.State, context.Buffer);
            have = 0;
        }
    }
}

TMD5Digest MD5Finish(TMD5Context& context) {
    uint8_t lengthBytes[8];
    for (int i = 0; i < 4; ++i) {
        lengthBytes[i] = uint8_t(context.Count[0] >> (8 * i));
        lengthBytes[4 + i] = uint8_t(context.Count[1] >> (8 * i));
    }
    // Pad with 0x80 and zeros to 56 bytes modulo 64, then the bit count.
    static const uint8_t padding[64] = {0x80};
    size_t have = (context.Count[0] >> 3) & 63;
    MD5Feed(context, padding, have < 56 ? 56 - have : 120 - have);
    MD5Feed(context, lengthBytes, 8);
    TMD5Digest digest;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            digest[size_t(4 * i + j)] = uint8_t(context.State[i] >> (8 * j));
    std::memset(&context, 0, sizeof context);
    return digest;
}

std::string ToCrypt64(uint32_t value, int32_t count) {
    std::string s;
    for (int32_t i = 0; i < count; ++i) {
        s += kCryptAlphabet[value & 0x3F];
        value >>= 6;
    }
    return s;
}

TMD5CryptRandom SetMD5CryptRandom(TMD5CryptRandom source) {
    std::lock_guard<std::mutex> guard(gRandomLock);
    TMD5CryptRandom old = std::move(gRandom);
    gRandom = std::move(source);
    return old;
}

std::string MD5Crypt(const std::string& password, const std::string& salt) {
    static const std::string magic = "$1$";
    std::string s = salt.compare(0, magic.size(), magic) == 0 ? salt.substr(magic.size()) : salt;
    s = s.substr(0, std::min(s.find('$'), s.size()));
    if (s.size() >= 2) {
        s.resize(2);
    } else {
        s.clear();
        for (int i = 0; i < 2; ++i)
            s += kCryptAlphabet[MD5RandomValue() % 64];
    }

    TMD5Context alternate;
    MD5Start(alternate);
    MD5Feed(alternate, password.data(), password.size());
    MD5Feed(alternate, s.data(), s.size());
    MD5Feed(alternate, password.data(), password.size());
    TMD5Digest altDigest = MD5Finish(alternate);

    TMD5Context context;
    MD5Start(context);
    MD5Feed(context, password.data(), password.size());
    MD5Feed(context, magic.data(), magic.size());
    MD5Feed(context, s.data(), s.size());
    for (size_t left = password.size(); left > 0; left -= std::min<size_t>(left, 16))
        MD5Feed(context, altDigest.data(), std::min<size_t>(left, 16));
    // One entry for every bit of the password's whole length.
    const uint8_t zero = 0;
    for (size_t bits = password.size(); bits != 0; bits >>= 1) {
        if (bits & 1)
            MD5Feed(context, &zero, 1);
        else
            MD5Feed(context, password.data(), 1);
    }
    TMD5Digest digest = MD5Finish(context);

    for (int round = 0; round < 1000; ++round) {
        MD5Start(context);
        if (round & 1)
            MD5Feed(context, password.data(), password.size());
        else
            MD5Feed(context, digest.data(), digest.size());
        if (round % 3)
            MD5Feed(context, s.data(), s.size());
        if (round % 7)
            MD5Feed(context, password.data(), password.size());
        if (round & 1)
            MD5Feed(context, digest.data(), digest.size());
        else
            MD5Feed(context, password.data(), password.size());
        digest = MD5Finish(context);
    }

    auto triple = [&](int a, int b, int c) {
        return ToCrypt64((uint32_t(digest[size_t(a)]) << 16) | (uint32_t(digest[size_t(b)]) << 8) | digest[size_t(c)],
                         4);
    };
    std::string out = magic + s + "$";
    out += triple(0, 6, 12);
    out += triple(1, 7, 13);
    out += triple(2, 8, 14);
    out += triple(3, 9, 15);
    out += triple(4, 10, 5);
    out += ToCrypt64(digest[11], 2);
    return out;
}

} // namespace swf
