// A carved record is reported at its cell whichever way it was found: the payload length and
// rowid before its header are taken only when they read as the record's own, and a cell whose
// first bytes a freeblock header took is placed where that header starts.

#include "sqlite/carved_cell_start.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct cell_case {
    const char* name;
    byte_array chunk;
    std::size_t p;  // the first serial type
    uint8 lost_types;
    bool corrected;
    std::size_t expected;
};

// Mostly a record of header size 3 (0x0f: a one-byte text, 0x01: an int8) and 2 content
// bytes: a payload length of 5.
const cell_case cell_cases[] = {
    // Payload length 5, rowid 7: the cell starts at the payload length.
    {"OneByteVarints", {0x00, 0x00, 0x05, 0x07, 0x03, 0x0f, 0x01, 'a', 9}, 5, 0, false, 2},
    // A byte with its top bit set before the payload length belongs to the cell before:
    // the length is the one-byte varint that reads as the record's size.
    {"TopBitByteBefore", {0x00, 0x9c, 0x05, 0x07, 0x03, 0x0f, 0x01, 'a', 9}, 5, 0, false, 2},
    // A two-byte payload length (0x81 0x00 = 128: header 4, a 123-byte text, an int8) and a
    // two-byte rowid; the text's two-byte serial type is counted as one type.
    {"TwoByteVarints", {0x00, 0x81, 0x00, 0x81, 0x05, 0x04, 0x82, 0x03, 0x01}, 6, 0, false, 1},
    // A freeblock header took the payload length, rowid and header-size byte.
    {"HeaderSizeByteLost", {0x00, 0x00, 0x00, 0x10, 0x0f, 0x01, 'a', 9}, 4, 0, true, 0},
    // ... and the first serial type too: the surviving types start 4 bytes into the cell.
    {"FirstTypeLost", {0x00, 0x00, 0x00, 0x10, 0x01, 'a', 9}, 3, 1, true, 0},
    // A two-byte payload length and two-byte rowid under the freeblock header: the
    // header-size byte survives, the bytes before it do not read as the record's size.
    {"FourBytesBeforeTheHeaderTaken",
     {0x00, 0x00, 0x00, 0x00, 0x10, 0x03, 0x0f, 0x01, 'a', 9},
     6,
     0,
     false,
     1},
    // Nothing before the record in the chunk: never before the chunk's start.
    {"AtTheChunkStart", {0x03, 0x0f, 0x01, 'a', 9}, 1, 0, false, 0},
    {"LostAtTheChunkStart", {0x0f, 0x01, 'a', 9}, 0, 0, true, 0},
    // A header that runs past the chunk gives no size to check the varints by.
    {"HeaderPastTheChunk", {0x00, 0x00, 0x00, 0x00, 0x05, 0x07, 0x09, 0x0f}, 7, 0, false, 2},
};

class CarvedCellStart : public ::testing::TestWithParam<cell_case> {};

TEST_P(CarvedCellStart, PlacesTheRecordAtItsCell) {
    const cell_case& c = GetParam();
    const kq::byte_reader chunk(c.chunk);
    EXPECT_EQ(carved_cell_start(chunk, c.p, c.lost_types, c.corrected), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, CarvedCellStart, ::testing::ValuesIn(cell_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
