// Bilevel fax coding of single rows: Modified Huffman, Group 3 one- and two-dimensional, and Group 4.
// Decoders write rows of ceil(width / 8) bytes, most significant bit first, 1 white and 0 black, starting
// from an all-white row. Encoders read rows of the same layout with the opposite sense: 0 white, 1 black.
// Every decoder is bounded by the size of the coded data: bits beyond it count as absent and end the row.
#pragma once

#include <cstdint>
#include <vector>

namespace vcl {
class TStream;
}

namespace imaging {

// Fill order 1: the first bit of a byte is its most significant; 2: its least significant.

// One Modified Huffman row from bit 0 of data; returns the bytes consumed (bits rounded up to a byte).
int32_t DecodeCcittMhRow(uint8_t* row, const uint8_t* data, int64_t dataSize, int32_t width,
                         int32_t fillOrder);

// One one-dimensional row from bit bitPos (an EOL before it is taken); returns the bit position after it.
int64_t DecodeCcittG3Row(uint8_t* row, const uint8_t* data, int64_t dataSize, int32_t width,
                         int32_t fillOrder, int64_t bitPos);

// One two-dimensional row (Group 3 with its EOL and tag bit, or Group 4) against refRow, which receives
// the decoded row; both rows hold ceil(width / 8) bytes. fillBits: fill bits may precede each EOL. Returns
// the bit position after the row.
int64_t DecodeCcitt2dRow(uint8_t* row, const uint8_t* data, int64_t dataSize, bool fillBits,
                         int32_t fillOrder, int64_t bitPos, uint8_t* refRow, int32_t width);

// Encoders. Output goes through the checked stream write: a short write sets aborting. The Group 3 and 4
// encoders carry the last partial byte of a row to the next call in pendingBits / pendingByte (0 and 0 at
// the start of a page) and finish the page when called with row nullptr; refRow is the previous row,
// empty at the start of a page, and is kept by the encoder.

// One row, padded with zero bits to a byte.
void EncodeCcittMhRow(const uint8_t* row, int32_t width, vcl::TStream* stream, bool& aborting);
// One one-dimensional row after an EOL.
void EncodeCcittG3Row(const uint8_t* row, int32_t width, vcl::TStream* stream, bool& aborting,
                      int32_t& pendingBits, uint8_t& pendingByte);
// EOL, tag bit and the row: one-dimensional for the first row of a page, two-dimensional after it.
void EncodeCcittG32dRow(const uint8_t* row, int32_t width, vcl::TStream* stream, bool& aborting,
                        std::vector<uint8_t>& refRow, int32_t& pendingBits, uint8_t& pendingByte);
// One two-dimensional row against the previous (an all-white row for the first); the end of the page
// writes the end-of-block code.
void EncodeCcittG4Row(const uint8_t* row, int32_t width, vcl::TStream* stream, bool& aborting,
                      std::vector<uint8_t>& refRow, int32_t& pendingBits, uint8_t& pendingByte);

// The code of a run (make-up codes, then a terminating code) as (length, bits) pairs, for tests.
struct TCcittCode {
    int32_t Length = 0;
    uint32_t Bits = 0;
    bool operator==(const TCcittCode&) const = default;
};
std::vector<TCcittCode> CcittRunCodes(int32_t run, bool black);
// True when no run code of the tables is a prefix of another (a check of the tables themselves).
bool CcittTablesConsistent();

} // namespace imaging
