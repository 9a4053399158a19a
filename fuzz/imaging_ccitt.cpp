// Feeds arbitrary bytes to the CCITT row decoders: the first bytes choose the width, fill order and coding,
// the rest is the coded data. Every row of a page is decoded into buffers of exactly the row's size.
#include "imaging/io/Ccitt.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace imaging;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    const int32_t width = 1 + ((data[0] << 8 | data[1]) % 5000);
    const int32_t fillOrder = 1 + (data[2] & 1);
    const int32_t coding = (data[2] >> 1) % 4;
    const bool fillBits = (data[2] & 8) != 0;
    std::vector<uint8_t> coded(data + 3, data + size);
    const int64_t codedSize = int64_t(coded.size());
    const uint8_t* p = coded.empty() ? nullptr : coded.data();
    const size_t rowBytes = size_t(width + 7) / 8;
    std::vector<uint8_t> row(rowBytes), ref(rowBytes, 0xFF);
    int64_t pos = 0;
    for (int32_t y = 0; y < 64; ++y) {
        switch (coding) {
        case 0:
            pos += DecodeCcittMhRow(row.data(), p ? p + pos : nullptr, codedSize - pos, width, fillOrder);
            break;
        case 1:
            pos = DecodeCcittG3Row(row.data(), p, codedSize, width, fillOrder, pos);
            break;
        default:
            pos = DecodeCcitt2dRow(row.data(), p, codedSize, fillBits, fillOrder, pos, ref.data(), width);
            break;
        }
        if (pos >= codedSize * (coding == 0 ? 1 : 8))
            break;
    }
    return 0;
}
