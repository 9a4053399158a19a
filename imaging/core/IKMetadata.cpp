#include "imaging/core/IKMetadata.h"

#include <cstring>
#include <string>

namespace imaging {

namespace {

[[noreturn]] void MetadataIndexError(int32_t index) {
    throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
}

std::vector<uint8_t> MetadataCopy(const void* data, int64_t length) {
    std::vector<uint8_t> block(static_cast<size_t>(length));
    if (length > 0)
        std::memcpy(block.data(), data, size_t(length));
    return block;
}

void MetadataPutBE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

constexpr uint8_t MetadataTagMarker = 0x1C;
constexpr int32_t MetadataStandardMax = 32767;

} // namespace

const TIKMarkerList::TMarker& TIKMarkerList::At(int32_t index) const {
    if (index < 0 || index >= Count())
        MetadataIndexError(index);
    return FMarkers[size_t(index)];
}

uint8_t TIKMarkerList::MarkerType(int32_t index) const {
    return At(index).Type;
}
const uint8_t* TIKMarkerList::MarkerData(int32_t index) const {
    return At(index).Data.data();
}
int32_t TIKMarkerList::MarkerLength(int32_t index) const {
    return int32_t(At(index).Data.size());
}

int32_t TIKMarkerList::IndexOfType(uint8_t type) const {
    for (size_t i = 0; i < FMarkers.size(); ++i)
        if (FMarkers[i].Type == type)
            return int32_t(i);
    return -1;
}

namespace {

void MetadataCheckMarkerLength(int32_t length) {
    if (length < 0 || length > TIKMarkerList::IKMaxMarkerLength)
        throw EIKMetadataError("JPEG marker payload of " + std::to_string(length) +
                               " bytes exceeds the limit of " +
                               std::to_string(TIKMarkerList::IKMaxMarkerLength) + " bytes");
}

} // namespace

void TIKMarkerList::AddMarker(uint8_t type, const void* data, int32_t length) {
    MetadataCheckMarkerLength(length);
    FMarkers.push_back({type, MetadataCopy(data, length)});
}

void TIKMarkerList::SetMarker(int32_t index, uint8_t type, const void* data, int32_t length) {
    At(index);
    MetadataCheckMarkerLength(length);
    FMarkers[size_t(index)] = {type, MetadataCopy(data, length)};
}

void TIKMarkerList::Assign(const TIKMarkerList* source) {
    if (!source || source == this)
        return;
    FMarkers = source->FMarkers;
}

const TIKIPTCInfoList::TRecord& TIKIPTCInfoList::At(int32_t index) const {
    if (index < 0 || index >= Count())
        MetadataIndexError(index);
    return FRecords[size_t(index)];
}

int32_t TIKIPTCInfoList::RecordNumber(int32_t index) const {
    return At(index).Record;
}
int32_t TIKIPTCInfoList::DatasetNumber(int32_t index) const {
    return At(index).Dataset;
}
const uint8_t* TIKIPTCInfoList::Data(int32_t index) const {
    return At(index).Data.data();
}
int32_t TIKIPTCInfoList::DataLength(int32_t index) const {
    return int32_t(At(index).Data.size());
}

int32_t TIKIPTCInfoList::AddData(int32_t record, int32_t dataset, const void* data, int32_t length) {
    if (length < 0)
        throw EIKMetadataError("Negative IPTC record length");
    // Both numbers are single bytes in the binary form.
    if (record < 0 || record > 255 || dataset < 0 || dataset > 255)
        throw EIKMetadataError("IPTC record " + std::to_string(record) + ":" + std::to_string(dataset) +
                               " is out of range");
    FRecords.push_back({record, dataset, MetadataCopy(data, length)});
    FUserChanged = true;
    return Count() - 1;
}

void TIKIPTCInfoList::Clear() {
    FRecords.clear();
    FUserChanged = true;
}

void TIKIPTCInfoList::Assign(const TIKIPTCInfoList* source) {
    if (!source || source == this)
        return;
    FRecords = source->FRecords;
    FUserChanged = true;
}

std::vector<uint8_t> TIKIPTCInfoList::SaveToBuffer(bool photoshopHeader) const {
    std::vector<uint8_t> out;
    if (photoshopHeader) {
        static const uint8_t header[26] = {'P', 'h', 'o', 't', 'o', 's',  'h',  'o', 'p', ' ', '3', '.', '0',
                                           0,   '8', 'B', 'I', 'M', 0x04, 0x04, 0,   0,   0,   0,   0,   0};
        out.assign(header, header + sizeof header);
    } else {
        static const uint8_t version[7] = {MetadataTagMarker, 2, 0, 0, 2, 0, 2};
        out.assign(version, version + sizeof version);
    }
    uint64_t total = 0;
    for (const TRecord& r : FRecords) {
        // The record version is the fixed dataset above (or left out with the Photoshop header).
        if (r.Record == 2 && r.Dataset == 0)
            continue;
        out.push_back(MetadataTagMarker);
        out.push_back(uint8_t(r.Record));
        out.push_back(uint8_t(r.Dataset));
        size_t n = r.Data.size();
        if (n <= size_t(MetadataStandardMax)) {
            out.push_back(uint8_t(n >> 8));
            out.push_back(uint8_t(n));
            total += n + 5;
        } else {
            uint8_t ext[6] = {0x80, 0x04};
            MetadataPutBE32(ext + 2, uint32_t(n));
            out.insert(out.end(), ext, ext + 6);
            total += n + 9;
        }
        out.insert(out.end(), r.Data.begin(), r.Data.end());
    }
    if (total > UINT32_MAX || out.size() > size_t(INT32_MAX) - 1)
        throw EIKMetadataError("IPTC data too large");
    if (out.size() % 2)
        out.push_back(0);
    if (photoshopHeader)
        MetadataPutBE32(out.data() + 22, uint32_t(total));
    return out;
}

namespace {

uint32_t MetadataGetBE32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Finds the IPTC resource (id 0404) among the image resources of a Photoshop block ("Photoshop 3.0" and
// then "8BIM" resources, or the resources alone). False when data is no such block; an empty range when the
// block holds no IPTC resource.
bool MetadataFindPhotoshopIptc(const uint8_t* d, int64_t n, int64_t& start, int64_t& end) {
    static const char signature[] = "Photoshop 3.0";
    int64_t p = 0;
    if (n >= 14 && std::memcmp(d, signature, 14) == 0)
        p = 14;
    else if (!(n >= 4 && std::memcmp(d, "8BIM", 4) == 0))
        return false;
    start = end = 0;
    // Each resource: "8BIM", a 2-byte id, a Pascal name padded to an even length, a 4-byte size, the data
    // padded to an even length.
    while (p + 12 <= n && std::memcmp(d + p, "8BIM", 4) == 0) {
        int32_t id = d[p + 4] << 8 | d[p + 5];
        int64_t q = p + 6;
        int64_t nameLength = d[q] + 1;
        q += nameLength + (nameLength & 1);
        if (q + 4 > n)
            break;
        int64_t size = MetadataGetBE32(d + q);
        q += 4;
        if (size > n - q)
            size = n - q; // a cut resource still yields the records it holds
        if (id == 0x0404) {
            start = q;
            end = q + size;
            break;
        }
        p = q + size + (size & 1);
    }
    return true;
}

} // namespace

void TIKIPTCInfoList::LoadFromBuffer(const void* data, int32_t size) {
    Clear();
    const uint8_t* d = static_cast<const uint8_t*>(data);
    int64_t n = d && size > 0 ? size : 0;
    int64_t p = 0;
    int64_t start = 0, end = 0;
    if (MetadataFindPhotoshopIptc(d, n, start, end)) {
        // Only the IPTC resource is read: other resources may hold any bytes.
        p = start;
        n = end;
    } else {
        while (p < n && d[p] != MetadataTagMarker)
            ++p;
    }
    while (p < n && d[p] == MetadataTagMarker) {
        // Tag marker, record, dataset and two length bytes.
        if (p + 5 > n)
            break;
        int32_t record = d[p + 1], dataset = d[p + 2];
        int64_t length = 0, dataStart = 0;
        if (d[p + 3] & 0x80) {
            // Extended form: the low 15 bits count the length bytes that follow.
            int32_t count = ((d[p + 3] & 0x7F) << 8) | d[p + 4];
            if (count < 1 || count > 4 || p + 5 + count > n)
                break;
            for (int32_t i = 0; i < count; ++i)
                length = (length << 8) | d[p + 5 + i];
            // A length with the top bit set would be negative as a signed number: no such record exists.
            if (count == 4 && (d[p + 5] & 0x80))
                break;
            dataStart = p + 5 + count;
        } else {
            length = (int64_t(d[p + 3]) << 8) | d[p + 4];
            dataStart = p + 5;
        }
        if (dataStart + length > n)
            break;
        AddData(record, dataset, d + dataStart, int32_t(length));
        p = dataStart + length;
    }
    FUserChanged = false;
}

} // namespace imaging
