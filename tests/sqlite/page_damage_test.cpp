// Hostile and damaged pages: every reader gives false or a partial result, never a crash, a
// hang or a read outside its buffer (these tests run under the sanitizer build too), and a
// row that lies wholly before the damage is read as it would be on an intact page.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "io/uni_fileio.h"
#include "real_data.h"
#include "sqlite/btree_page.h"
#include "sqlite/page_builder.h"
#include "sqlite/page_rows.h"
#include "sqlite/page_slack.h"
#include "sqlite/record_decoder.h"
#include "sqlite/record_header.h"
#include "sqlite/record_values.h"

namespace {

using rows_t = std::map<uint64, std::vector<std::string>>;

struct parsed_page {
    rows_t rows;
    std::map<uint64, uint64> cell_ends;  // rowid -> end of its cell within the page
};

parsed_page parse_rows(const byte_array& page, uint32 ps, uint64 at, uni::fileio* file) {
    parsed_page out;
    page_descriptor_map entries;
    (void)parse_btree_page(entries, page.data(), static_cast<uint32>(page.size()), at, at, ps, file,
                           false, true, false, false, text_encoding::utf8, false);
    for (const auto& [key, entry] : entries) {
        for (const auto& [cell_key, cell] : entry.cells) {
            out.rows[cell.rowid] = cell.values;
            out.cell_ends[cell.rowid] = cell.cell.offset + cell.cell.extent;
        }
    }
    return out;
}

// Everything the page readers do with one page buffer; the results only need to exist.
void read_everything(const byte_array& page, uint32 ps, uni::fileio* file) {
    const kq::byte_reader view(page);
    page_header_view header;
    (void)read_page(header, view, ps, 0);
    cell_map cells;
    (void)read_cell_pointers(cells, view, ps, 0, false);
    (void)read_cell_pointers(cells, view, ps, 0, true);
    region_map slack;
    (void)find_page_slack(slack, view, 0, false);
    std::vector<uint16> offsets;
    std::vector<uint16> sizes;
    (void)list_freeblocks(offsets, sizes, page.data(), static_cast<int32>(page.size()),
                          header.first_freeblock());
    page_descriptor_map rows;
    const auto length = static_cast<uint32>(page.size());
    (void)parse_btree_page(rows, page.data(), length, 0, 0, ps, file, true, false, false, true,
                           text_encoding::utf8, false);
    (void)parse_btree_page(rows, page.data(), length, 0, 0, ps, file, false, true, true, false,
                           text_encoding::utf16be, true);
    page_descriptor children;
    (void)walk_pages(children, page.data(), length, 0, 0, ps, file, false, false,
                     text_encoding::utf16le);
}

// Every prefix of a record through both decoders.
void decode_every_prefix(const kq::byte_reader& rec) {
    record_decoder d;
    std::vector<std::string> values;
    for (std::size_t n = 0; n <= rec.size(); ++n) {
        kq::byte_reader prefix;
        ASSERT_TRUE(rec.sub(0, n, prefix));
        int32 consumed = 0;
        (void)decode_record(d, consumed, nullptr, prefix, 0, true, false, text_encoding::utf16le);
        EXPECT_LE(consumed, static_cast<int32>(n));
        uint32 header_size = 0;
        std::vector<uint32> codes;
        std::vector<uint32> sizes;
        kq::byte_reader body;
        if (parse_record_header_all(header_size, codes, sizes, prefix) &&
            prefix.tail(header_size, body)) {
            bool allow = true;
            EXPECT_TRUE(decode_record_values(values, body, codes, sizes, nullptr, false,
                                             text_encoding::utf16be, allow));
            EXPECT_EQ(values.size(), codes.size());
        }
    }
}

class RealPages : public ::testing::TestWithParam<uint32> {
protected:
    void SetUp() override {
        VELK_NEED_REAL_DATA(test_pages::real_db_path());
        m_file_bytes = test_pages::read_file(test_pages::real_db_path());
        ASSERT_TRUE(m_file.attach_memory(m_file_bytes, false, false));
        const auto from = m_file_bytes.begin() + static_cast<std::ptrdiff_t>(offset());
        m_page.assign(from, from + ps);
    }
    uint64 offset() const { return uint64{GetParam() - 1} * ps; }
    static constexpr uint32 ps = 4096;
    byte_array m_file_bytes;
    byte_array m_page;
    uni::fileio m_file;
};

// Cut at every length: the buffer alone, and the page with the rest zeroed (a file cut short
// and read into a fresh page buffer).
TEST_P(RealPages, CutAtEveryLength) {
    const parsed_page whole = parse_rows(m_page, ps, offset(), &m_file);
    page_header_view header;
    (void)read_page(header, kq::byte_reader(m_page), ps, 0);
    const std::size_t array_end = btree_header_offset(kq::byte_reader(m_page)) + 12 +
                                  2 * std::size_t{header.cell_count()};
    for (std::size_t n = 0; n <= ps; ++n) {
        const byte_array cut(m_page.begin(), m_page.begin() + static_cast<std::ptrdiff_t>(n));
        read_everything(cut, ps, &m_file);
        byte_array zeroed = cut;
        zeroed.resize(ps, 0);
        read_everything(zeroed, ps, &m_file);
        const parsed_page part = parse_rows(zeroed, ps, offset(), &m_file);
        for (const auto& [rowid, values] : whole.rows) {
            if (n >= array_end && whole.cell_ends.at(rowid) <= n) {
                ASSERT_EQ(part.rows.count(rowid), 1u) << "cut at " << n;
                EXPECT_EQ(part.rows.at(rowid), values) << "cut at " << n;
            }
        }
    }
}

TEST_P(RealPages, EveryRecordPrefixDecodes) {
    cell_map cells;
    if (read_cell_pointers(cells, kq::byte_reader(m_page), ps, 0, false) != page_fault::none) {
        GTEST_SKIP() << "no cells";
    }
    for (const auto& [at, cell] : cells) {
        const std::size_t start = at + cell.first_varint_length + cell.second_varint_length +
                                  (cell.is_leaf != 0 ? 0 : 4);
        kq::byte_reader rec;
        ASSERT_TRUE(kq::byte_reader(m_page).sub(start, std::min<std::size_t>(cell.extent, ps - start), rec));
        decode_every_prefix(rec);
    }
}

// Table leaf 7 (Notification), interior table 2, interior index 5 (with freeblocks), table
// leaf 26 with freeblocks and a gap, page 1 and a zero page.
INSTANTIATE_TEST_SUITE_P(Pages, RealPages, ::testing::Values(1u, 2u, 5u, 7u, 26u, 100u),
                         [](const auto& p) { return "Page" + std::to_string(p.param); });

struct mutation_case {
    const char* name;
    std::function<void(byte_array&)> damage;
    std::size_t rows;  // rows parse_btree_page still reads (of the 3)
};

class HostilePage : public ::testing::TestWithParam<mutation_case> {};

// A 1024-byte table leaf of three rows, damaged one way per case.
TEST_P(HostilePage, GivesFalseOrAPartialResult) {
    test_pages::page_builder b(1024, 13);
    for (uint64 rowid = 1; rowid <= 3; ++rowid) {
        b.add_cell(test_pages::table_leaf_cell(
            rowid, test_pages::record({23, 1}, {'h', 'e', 'l', 'l', 'o', static_cast<uint8>(rowid)})));
    }
    byte_array page = b.finish();
    GetParam().damage(page);
    read_everything(page, 1024, nullptr);
    EXPECT_EQ(parse_rows(page, 1024, 0, nullptr).rows.size(), GetParam().rows);
}

void put16(byte_array& p, std::size_t at, uint16 v) { test_pages::put_be(p, at, v, 2); }

const mutation_case mutation_cases[] = {
    {"intact", [](byte_array&) {}, 3},
    {"pointer_past_buffer", [](byte_array& p) { put16(p, 8, 0xfff0); }, 2},
    {"pointer_into_header", [](byte_array& p) { put16(p, 8, 2); }, 3},
    {"pointer_to_last_byte", [](byte_array& p) { put16(p, 10, 1023); }, 3},
    {"varints_in_last_bytes",
     [](byte_array& p) {
         put16(p, 10, 1020);
         p[1020] = p[1021] = p[1022] = p[1023] = 0xff;
     },
     3},
    {"payload_size_bit_31",
     [](byte_array& p) {
         const uint16 at = static_cast<uint16>((p[8] << 8) | p[9]);
         p[at] = 0x88;  // 0x88 0x80 0x80 0x80 0x00 would be 2^31: the cell is dropped
         p[at + 1] = 0x80;
         p[at + 2] = 0x80;
         p[at + 3] = 0x80;
         p[at + 4] = 0x00;
     },
     2},
    {"cell_count_ffff", [](byte_array& p) { put16(p, 3, 0xffff); }, 0},
    {"content_start_below_pointers", [](byte_array& p) { put16(p, 5, 4); }, 3},
    {"content_start_past_page", [](byte_array& p) { put16(p, 5, 0xffff); }, 0},
    {"freeblock_to_itself",
     [](byte_array& p) {
         put16(p, 1, 100);
         put16(p, 100, 100);
         put16(p, 102, 8);
     },
     3},
    {"freeblock_size_past_page",
     [](byte_array& p) {
         put16(p, 1, 1000);
         put16(p, 1002, 0xffff);
     },
     3},
    {"type_byte_garbage", [](byte_array& p) { p[0] = 0x42; }, 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, HostilePage, ::testing::ValuesIn(mutation_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(HostilePage, CellCountFfffOnPageOne) {
    test_pages::page_builder b(1024, 13, true);
    b.add_cell(test_pages::table_leaf_cell(1, test_pages::record({1}, {1})));
    byte_array page = b.finish();
    put16(page, 103, 0xffff);
    read_everything(page, 1024, nullptr);
    cell_map cells;
    // The pointer budget counts from the real array start (100 + 8): 458 pointers fit.
    EXPECT_EQ(read_cell_pointers(cells, kq::byte_reader(page), 1024, 0, false), page_fault::none);
    EXPECT_LE(cells.size(), (1024u - 108) / 2);
}

TEST(HostilePage, ReservedBytesEatingThePage) {
    const byte_array payload(400, 'q');
    byte_array cell = test_pages::varint(5000);
    test_pages::append(cell, test_pages::varint(1));
    test_pages::append(cell, payload);
    test_pages::page_builder b(512, 13);
    b.add_cell(cell);
    const byte_array page = b.finish();
    cell_map cells;
    for (uint8 reserved : {uint8{200}, uint8{250}, uint8{255}}) {
        const byte_array small(page.begin(), page.begin() + 256);
        (void)read_cell_pointers(cells, kq::byte_reader(small), 512, reserved, false);
        ASSERT_EQ(read_cell_pointers(cells, kq::byte_reader(page), 512, reserved, false),
                  page_fault::none);
        EXPECT_EQ(cells.begin()->second.payload_size, 5000u);
    }
}

// The spilling row of the record fixture with its overflow chain damaged.
class DamagedChain : public ::testing::TestWithParam<std::pair<const char*, int>> {};

TEST_P(DamagedChain, EndsWithoutHangOrCrash) {
    byte_array image = test_pages::read_file(std::string(VELK_TEST_DATA_DIR) + "/records/records.db");
    ASSERT_FALSE(image.empty());
    constexpr uint32 ps = 1024;
    constexpr uint32 spill_root = 5;
    const uint64 at = uint64{spill_root - 1} * ps;
    byte_array page(image.begin() + static_cast<std::ptrdiff_t>(at),
                    image.begin() + static_cast<std::ptrdiff_t>(at + ps));
    cell_map cells;
    ASSERT_EQ(read_cell_pointers(cells, kq::byte_reader(page), ps, 0, false), page_fault::none);
    const uint32 first = cells.begin()->second.overflow_page;
    ASSERT_NE(first, 0u);
    const int link = GetParam().second;  // what the first overflow page now links to
    const uint32 next = link < 0 ? first : static_cast<uint32>(link);
    test_pages::put_be(image, std::size_t{first - 1} * ps, next, 4);
    uni::fileio file(image, false, false);
    const parsed_page rows = parse_rows(page, ps, at, &file);
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_LE(rows.rows.begin()->second.at(0).size(), 3060u);
}

INSTANTIATE_TEST_SUITE_P(Links, DamagedChain,
                         ::testing::Values(std::make_pair("ToItself", -1),
                                           std::make_pair("ToPageZero", 0),
                                           std::make_pair("PastTheFile", 0x7fffffff),
                                           std::make_pair("ToPageOne", 1),
                                           std::make_pair("ToTheLeaf", 5)),
                         [](const auto& p) { return std::string(p.param.first); });

// The damaged copies of the sample database: page 7, the Notification leaf.
constexpr uint64 page_7_offset = uint64{6} * 4096;

byte_array damaged_page_7(const std::string& name) {
    const byte_array file = test_pages::read_file(std::string(VELK_TEST_DATA_DIR) + "/damaged/" + name);
    byte_array page(4096, 0);
    const std::size_t from = page_7_offset;
    if (file.size() > from) {
        std::copy(file.begin() + static_cast<std::ptrdiff_t>(from),
                  file.begin() + static_cast<std::ptrdiff_t>(std::min(file.size(), from + 4096)),
                  page.begin());
    }
    return page;
}

TEST(DamagedFixtures, CellPointerPastTheEndLosesOnlyThatCell) {
    const parsed_page rows = parse_rows(damaged_page_7("cell_pointer_past_end.db"), 4096, page_7_offset, nullptr);
    EXPECT_EQ(rows.rows.size(), 9u);
}

TEST(DamagedFixtures, LoopingFreeblockChainEnds) {
    const byte_array page = damaged_page_7("freeblock_loop.db");
    region_map slack;
    ASSERT_TRUE(find_page_slack(slack, page.data(), 4096, page_7_offset, false));
    EXPECT_EQ(slack.count(page_7_offset + 859), 1u);
    EXPECT_EQ(slack.count(page_7_offset + 2263), 1u);
    EXPECT_EQ(slack.count(page_7_offset + 3259), 1u);
    EXPECT_EQ(parse_rows(page, 4096, page_7_offset, nullptr).rows.size(), 10u);
}

TEST(DamagedFixtures, TruncatedFileKeepsTheCellsBeforeTheCut) {
    const byte_array page = damaged_page_7("truncated.db");
    read_everything(page, 4096, nullptr);
    const parsed_page rows = parse_rows(page, 4096, page_7_offset, nullptr);
    const parsed_page intact = parse_rows(damaged_page_7("freeblock_loop.db"), 4096, page_7_offset, nullptr);
    std::size_t whole_before_cut = 0;
    for (const auto& [rowid, end] : intact.cell_ends) {
        if (end <= 2171) {
            ++whole_before_cut;
            EXPECT_EQ(rows.rows.at(rowid), intact.rows.at(rowid));
        }
    }
    EXPECT_GT(whole_before_cut, 0u);
}

}  // namespace
