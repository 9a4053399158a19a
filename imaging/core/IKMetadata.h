// Image metadata carried from reading to writing: the JPEG markers of a file and its IPTC-IIM records.
#pragma once

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Object.h"

#include <cstdint>
#include <vector>

namespace imaging {

class EIKMetadataError : public vcl::Exception {
public:
    using Exception::Exception;
};

// The JPEG markers of a file in the order they were added: a type byte (the marker code without its FF
// prefix, 225 for APP1) and a payload of at most IKMaxMarkerLength bytes.
class TIKMarkerList : public vcl::TObject {
public:
    // A marker segment's 16-bit length counts itself, so its payload holds at most 65533 bytes.
    static constexpr int32_t IKMaxMarkerLength = 65533;

    int32_t Count() const { return int32_t(FMarkers.size()); }
    uint8_t MarkerType(int32_t index) const;
    const uint8_t* MarkerData(int32_t index) const;
    int32_t MarkerLength(int32_t index) const;
    // The first index of a marker of that type, -1 when there is none.
    int32_t IndexOfType(uint8_t type) const;
    // Append or replace a marker with a copy of length bytes of data; a length outside
    // 0..IKMaxMarkerLength raises EIKMetadataError and changes nothing.
    void AddMarker(uint8_t type, const void* data, int32_t length);
    void SetMarker(int32_t index, uint8_t type, const void* data, int32_t length);
    void Clear() { FMarkers.clear(); }
    void Assign(const TIKMarkerList* source);

private:
    struct TMarker {
        uint8_t Type = 0;
        std::vector<uint8_t> Data;
    };
    const TMarker& At(int32_t index) const;
    std::vector<TMarker> FMarkers;
};

// IPTC-IIM records (record number, dataset number, data), read from and written to their binary form,
// plain or inside a Photoshop image-resource block.
class TIKIPTCInfoList : public vcl::TObject {
public:
    int32_t Count() const { return int32_t(FRecords.size()); }
    int32_t RecordNumber(int32_t index) const;
    int32_t DatasetNumber(int32_t index) const;
    const uint8_t* Data(int32_t index) const;
    int32_t DataLength(int32_t index) const;
    // Appends a record with a copy of length bytes of data; returns its index. Record and dataset numbers
    // outside 0..255 raise EIKMetadataError.
    int32_t AddData(int32_t record, int32_t dataset, const void* data, int32_t length);
    void Clear();
    void Assign(const TIKIPTCInfoList* source);

    // The binary form, with a leading Photoshop image-resource header or with the record-version dataset,
    // padded to an even size.
    std::vector<uint8_t> SaveToBuffer(bool photoshopHeader) const;
    // Replaces the records with those parsed from data: the IPTC resource of a Photoshop image-resource
    // block, or else the records from the first tag marker on. A malformed or truncated record ends the
    // parse, keeping the records before it.
    void LoadFromBuffer(const void* data, int32_t size);

    // The list changed since it was last loaded from a buffer.
    bool GetUserChanged() const { return FUserChanged; }
    void SetUserChanged(bool value) { FUserChanged = value; }

private:
    struct TRecord {
        int32_t Record = 0;
        int32_t Dataset = 0;
        std::vector<uint8_t> Data;
    };
    const TRecord& At(int32_t index) const;
    std::vector<TRecord> FRecords;
    bool FUserChanged = false;
};

} // namespace imaging
