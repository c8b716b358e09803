// Page dumps and summaries of the real database, the page-size guess from cells, and pages
// whose size or number cannot be right.

#include "sqlite/page_summary.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "io/io_test_support.h"
#include "real_data.h"
#include "sqlite/cell_page_size.h"
#include "sqlite/real_db_bytes.h"

namespace {

constexpr uint32 page_size = 4096;

std::string real_db() { return velk_test::real_wpndatabase(); }

byte_array real_page(uint64 number) {
    return velk_test::real_db_bytes((number - 1) * page_size, page_size);
}

std::size_t count_of(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

TEST(SummariseFilePages, RealDatabaseCensus) {
    VELK_NEED_REAL_DATA(real_db());
    page_summary s;
    ASSERT_TRUE(summarise_file_pages(s, real_db(), false, false));
    EXPECT_EQ(s.page_size, page_size);
    EXPECT_EQ(s.reserved, 0);
    EXPECT_EQ(s.file_size, 1048576U);
    EXPECT_TRUE(s.header_read);
    // Pages 55 to 256 are zero and the empty leaves hold no cell: neither reads as a page.
    std::set<uint64> raw;
    for (const auto& [offset, d] : s.raw_pages) {
        EXPECT_EQ(d.kind, row_kind::raw_page);
        EXPECT_EQ(d.bytes.size(), page_size);
        raw.insert(d.page_number);
    }
    EXPECT_EQ(raw.size(), 211U);
    for (const uint64 empty : {16, 17, 18, 19, 22, 23, 24, 25, 27}) {
        EXPECT_EQ(raw.count(empty), 1U) << empty;
    }
    EXPECT_EQ(raw.count(54), 0U);
    EXPECT_EQ(raw.count(55), 1U);
    EXPECT_EQ(raw.count(256), 1U);
    EXPECT_FALSE(s.table_rows.empty());
    EXPECT_FALSE(s.index_rows.empty());
}

TEST(DumpFilePages, OneBannerPerPageThatReads) {
    VELK_NEED_REAL_DATA(real_db());
    std::ostringstream out;
    ASSERT_TRUE(dump_file_pages(out, real_db()));
    EXPECT_EQ(count_of(out.str(), "first page of SQLite File"), 1U);
    EXPECT_EQ(count_of(out.str(), "Page Header: 0x"), 45U);
    EXPECT_NE(out.str().find("Page Header: 0x   7\n-------------------------\n\nCell data\n"),
              std::string::npos);
}

TEST(DumpPage, BannerAndSummaryOfOnePage) {
    VELK_NEED_REAL_DATA(real_db());
    const byte_array page = real_page(7);
    ASSERT_EQ(page.size(), page_size);
    std::ostringstream out;
    page_summary s;
    uint32 size = page_size;
    ASSERT_TRUE(dump_page(&out, &s, size, page.data(), page_size, 6 * page_size));
    ASSERT_EQ(s.raw_pages.size(), 1U);
    EXPECT_EQ(s.raw_pages.begin()->second.page_number, 7U);
    std::ostringstream banner;
    ASSERT_TRUE(dump_page_banner(banner, page.data(), page_size, page_size, 6 * page_size));
    EXPECT_EQ(banner.str(), "Page Header: 0x0007\n-------------------------\n\nCell data\n"
                            "-------------------------\n\n");
    const byte_array first = real_page(1);
    std::ostringstream head;
    size = 0;
    ASSERT_TRUE(dump_page(&head, nullptr, size, first.data(), page_size, 0));
    EXPECT_EQ(size, page_size);
    EXPECT_EQ(head.str().rfind("first page of SQLite File\n-------------------------\n\n"
                               "Page Header: 0x   1\n",
                               0),
              0U);
}

TEST(SummariseOnePage, NotificationLeaf) {
    VELK_NEED_REAL_DATA(real_db());
    page_summary s;
    ASSERT_TRUE(summarise_one_page(s, real_db(), page_size, 7, text_encoding::utf8));
    std::size_t rows = 0;
    for (const auto& [offset, d] : s.table_rows) {
        rows += d.cells.size();
    }
    EXPECT_EQ(rows, 6U);
    EXPECT_FALSE(summarise_one_page(s, real_db(), page_size, 0, text_encoding::utf8));
    EXPECT_FALSE(summarise_one_page(s, real_db(), page_size, 300, text_encoding::utf8));
    EXPECT_FALSE(summarise_one_page(s, real_db(), 1, 7, text_encoding::utf8));
    EXPECT_FALSE(summarise_one_page(s, "", page_size, 7, text_encoding::utf8));
}

// The header stores 65536 as 1: every reader of page 1 must take it so, or a database of the
// largest pages reads as none.
TEST(SummariseFilePages, PageSizeStoredAsOne) {
    const std::string db = std::string(VELK_TEST_DATA_DIR) + "/edge/emptied64k.db";
    constexpr uint32 large = 65536;
    page_summary s;
    ASSERT_TRUE(summarise_file_pages(s, db, false, false));
    EXPECT_EQ(s.page_size, large);
    EXPECT_FALSE(s.table_rows.empty());
    const std::string bytes = velk_test::read_file(db).substr(0, large);
    const byte_array first(bytes.begin(), bytes.end());
    ASSERT_EQ(first.size(), large);
    uint32 size = 0;
    ASSERT_TRUE(dump_page(nullptr, &s, size, first.data(), large, 0));
    EXPECT_EQ(size, large);
    EXPECT_EQ(s.page_size, large);
    page_summary fresh;
    fresh.header_read = true;
    ASSERT_TRUE(summarise_page(fresh, first.data(), large, 0, false, nullptr));
    EXPECT_EQ(fresh.page_size, large);
}

// A page size the format cannot have would divide by zero or walk a file in 1-byte
// pages; a page number of 0 would read before the file. In a header, 1 is the code for
// 65536 (tested above), and 65537 cut to the 16-bit field is 1.
struct size_case {
    const char* name;
    uint32 page_size;
    bool bad_in_header;
};

const size_case bad_sizes[] = {
    {"zero", 0, true},
    {"one", 1, false},
    {"below_512", 511, true},
    {"not_a_power_of_two", 3000, true},
    {"past_65536", 65537, false},
};

class BadPageSize : public ::testing::TestWithParam<size_case> {};

TEST_P(BadPageSize, IsRefusedEverywhere) {
    VELK_NEED_REAL_DATA(real_db());
    const uint32 bad = GetParam().page_size;
    const byte_array page = real_page(7);
    uint32 size = bad;
    page_summary s;
    EXPECT_FALSE(dump_page(nullptr, &s, size, page.data(), page_size, 6 * page_size));
    std::ostringstream out;
    EXPECT_FALSE(dump_page_banner(out, page.data(), page_size, bad, 6 * page_size));
    s.page_size = bad;
    EXPECT_FALSE(summarise_page(s, page.data(), page_size, 6 * page_size, false, nullptr));
    EXPECT_FALSE(summarise_one_page(s, real_db(), bad, 7, text_encoding::utf8));
    EXPECT_TRUE(out.str().empty());
    if (!GetParam().bad_in_header) {
        return;
    }
    // The same size stored in a first page's header.
    byte_array first = real_page(1);
    first[16] = static_cast<uint8>(bad >> 8);
    first[17] = static_cast<uint8>(bad);
    size = 0;
    EXPECT_FALSE(dump_page(nullptr, nullptr, size, first.data(), page_size, 0));
    page_summary fresh;
    fresh.header_read = true;
    EXPECT_FALSE(summarise_page(fresh, first.data(), page_size, 0, false, nullptr));
}

INSTANTIATE_TEST_SUITE_P(Cases, BadPageSize, ::testing::ValuesIn(bad_sizes),
                         [](const auto& p) { return std::string(p.param.name); });

// The cell pointers of these pages all lie past 512, so at 512 none reads: that size is
// skipped, not answered.
TEST(GuessPageSizeFromCells, RealPagesAndNoCells) {
    VELK_NEED_REAL_DATA(real_db());
    for (const uint64 number : {7, 20, 32}) {
        const byte_array page = real_page(number);
        uint32 size = 0;
        EXPECT_TRUE(guess_page_size_from_cells(size, page.data(), page_size)) << number;
        EXPECT_EQ(size, page_size) << number;
    }
    const byte_array zeros(page_size, 0);
    uint32 size = 0;
    EXPECT_FALSE(guess_page_size_from_cells(size, zeros.data(), page_size));
    EXPECT_EQ(size, 1024U);
    EXPECT_FALSE(guess_page_size_from_cells(size, nullptr, 0));
}

}  // namespace
