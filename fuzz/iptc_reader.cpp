// The IPTC parser on arbitrary bytes: it must never read outside its data, and what it reads must survive
// writing and reading again.
#include "imaging/core/ikutils.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 24))
        return 0;
    imaging::TIKIPTCInfoList list;
    list.LoadFromBuffer(data, int32_t(size));
    for (bool header : {false, true}) {
        std::vector<uint8_t> buffer = list.SaveToBuffer(header);
        imaging::TIKIPTCInfoList again;
        again.LoadFromBuffer(buffer.data(), int32_t(buffer.size()));
        // Every record but the record version comes back, in order (the plain form adds one version record).
        int32_t j = header ? 0 : 1;
        for (int32_t i = 0; i < list.Count(); ++i) {
            if (list.RecordNumber(i) == 2 && list.DatasetNumber(i) == 0)
                continue;
            if (j >= again.Count() || again.RecordNumber(j) != (list.RecordNumber(i) & 0xFF) ||
                again.DatasetNumber(j) != (list.DatasetNumber(i) & 0xFF) ||
                again.DataLength(j) != list.DataLength(i) ||
                (list.DataLength(i) > 0 &&
                 std::memcmp(again.Data(j), list.Data(i), size_t(list.DataLength(i))) != 0))
                std::abort();
            ++j;
        }
        if (j != again.Count())
            std::abort();
    }
    return 0;
}
