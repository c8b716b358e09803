// Opening a database file: the header checks every later read relies on, and the page-size
// helpers for headers, files and raw buffers.

#include "sqlite/db_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "io/uni_fileio.h"
#include "real_data.h"
#include "sqlite/db_test_support.h"
#include "sqlite/page_builder.h"

namespace {

using test_pages::put_be;

// A 1024-byte database image: page 1 a leaf with no cells, page 2 zero.
byte_array small_db(uint32 stored_page_size = 1024) {
    test_pages::page_builder one(1024, 13, true);
    byte_array db = one.finish();
    put_be(db, 16, stored_page_size, 2);
    db.resize(2048, 0);
    return db;
}

struct open_case {
    const char* name;
    std::size_t cut;  // the file is cut to this length (0: whole)
    std::size_t at;   // a header field to change ...
    uint64 value;     // ... to this value
    std::size_t width;
    bool opens;
};

const open_case open_cases[] = {
    {"Whole", 0, 0, 0, 0, true},
    {"PageSize512", 0, 16, 512, 2, true},
    {"ShorterThan512", 511, 0, 0, 0, false},
    {"Exactly512", 512, 0, 0, 0, true},
    {"NoMagic", 0, 0, 'X', 1, false},
    {"MagicCaseDiffers", 0, 0, 's', 1, false},
    {"PageSize65536StoredAsOne", 0, 16, 1, 2, true},
    {"PageSize1000", 0, 16, 1000, 2, false},
    {"PageSize33000", 0, 16, 33000, 2, false},
    {"PageSize256", 0, 16, 256, 2, false},
    {"PageSize0", 0, 16, 0, 2, false},
};

void PrintTo(const open_case& c, std::ostream* os) { *os << c.name; }

class OpenDbFile : public ::testing::TestWithParam<open_case> {};

TEST_P(OpenDbFile, RefusesWhatIsNoDatabase) {
    const open_case& c = GetParam();
    byte_array db = small_db();
    if (c.width != 0) {
        put_be(db, c.at, c.value, c.width);
    }
    if (c.cut != 0) {
        db.resize(c.cut);
    }
    velk_test::temp_dir dir;
    const std::string path = dir.file("test.db");
    db_test::write_bytes(path, db);
    uni::fileio file;
    sqlite_db_header header;
    EXPECT_EQ(open_db_file(file, header, path), c.opens);
    EXPECT_EQ(file.is_open(), c.opens);  // a refused file is not left open
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenDbFile, ::testing::ValuesIn(open_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(OpenDbFile, MissingFileAndEmptyPath) {
    uni::fileio file;
    sqlite_db_header header;
    EXPECT_FALSE(open_db_file(file, header, "/nonexistent/velk.db"));
    EXPECT_FALSE(open_db_file(file, header, ""));
}

TEST(DbInfo, RealDatabaseHeader) {
    const std::string path = db_test::real("wpndatabase.db");
    VELK_NEED_REAL_DATA(path);
    uni::fileio file;
    uint64 size = 0;
    uint32 page_size = 0;
    uint8 reserved = 9;
    ASSERT_TRUE(get_db_info(file, size, page_size, reserved, path));
    EXPECT_EQ(size, 1048576u);
    EXPECT_EQ(page_size, 4096u);
    EXPECT_EQ(reserved, 0u);
    sqlite_db_header header;
    ASSERT_TRUE(open_db_file(file, header, path));
    EXPECT_TRUE(header.is_utf8());
    EXPECT_EQ(header.page_size(), 4096u);
}

TEST(DbHeader, AccessorsReadTheirFields) {
    byte_array bytes = small_db();
    bytes.resize(100);
    put_be(bytes, 20, 12, 1);
    put_be(bytes, 32, 0x01020304, 4);
    put_be(bytes, 56, 2, 4);
    sqlite_db_header header;
    std::copy(bytes.begin(), bytes.end(), header.bytes.begin());
    EXPECT_EQ(header.page_size(), 1024u);
    EXPECT_EQ(header.reserved_bytes(), 12u);
    EXPECT_EQ(header.freelist_trunk(), 0x01020304u);
    EXPECT_FALSE(header.is_utf8());  // 2 is UTF-16le
    EXPECT_TRUE(is_sqlite_header(bytes.data()));
    // The page count holds only while the change counter it was written with is current.
    put_be(bytes, 24, 9, 4);
    put_be(bytes, 28, 54, 4);
    put_be(bytes, 92, 9, 4);
    std::copy(bytes.begin(), bytes.end(), header.bytes.begin());
    EXPECT_EQ(header.page_count(), 54u);
    put_be(bytes, 24, 10, 4);
    std::copy(bytes.begin(), bytes.end(), header.bytes.begin());
    EXPECT_EQ(header.page_count(), 0u);
    header.clear();
    EXPECT_EQ(header.page_size(), 0u);
    EXPECT_FALSE(is_sqlite_header(kq::byte_reader(header.bytes.data(), header.bytes.size())));
    EXPECT_FALSE(is_sqlite_header(static_cast<const uint8*>(nullptr)));
    EXPECT_FALSE(is_sqlite_header(kq::byte_reader(bytes.data(), 14)));  // cut inside the magic
}

// The text encoding word (offset 56) read as the library reads it: its two low bits, 0
// standing for UTF-8 (a database that never held a table).
struct encoding_case {
    const char* name;
    uint32 word;
    text_encoding expected;
};

class HeaderEncoding : public ::testing::TestWithParam<encoding_case> {};

TEST_P(HeaderEncoding, ReadsTheWordAsTheLibraryDoes) {
    const encoding_case& c = GetParam();
    sqlite_db_header header;
    byte_array bytes = small_db();
    put_be(bytes, 56, c.word, 4);
    std::copy_n(bytes.begin(), header.bytes.size(), header.bytes.begin());
    EXPECT_EQ(header.encoding(), c.expected);
    EXPECT_EQ(header.is_utf8(), c.expected == text_encoding::utf8);
}

const encoding_case encoding_cases[] = {
    {"utf8", 1, text_encoding::utf8},
    {"utf16le", 2, text_encoding::utf16le},
    {"utf16be", 3, text_encoding::utf16be},
    {"never_set", 0, text_encoding::utf8},
    {"high_bits_le", 0x00010006, text_encoding::utf16le},
    {"all_bits", 0xffffffff, text_encoding::utf16be},
    {"four", 4, text_encoding::utf8},
};

INSTANTIATE_TEST_SUITE_P(Cases, HeaderEncoding, ::testing::ValuesIn(encoding_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(PageSizeHelpers, HeaderAndFile) {
    const byte_array db = small_db(8192);
    uint32 size = 0;
    EXPECT_TRUE(page_size_from_header(nullptr, size, db.data(), 100));
    EXPECT_EQ(size, 8192u);
    EXPECT_FALSE(page_size_from_header(nullptr, size, db.data(), 99));
    byte_array no_magic = db;
    no_magic[0] = 'X';
    EXPECT_FALSE(page_size_from_header(nullptr, size, no_magic.data(), 100));

    // A file's first 100 bytes give their field whatever they hold.
    uni::fileio file(no_magic, false, false);
    size = 0;
    EXPECT_TRUE(page_size_of_file(size, file));
    EXPECT_EQ(size, 8192u);
    uni::fileio short_file(byte_array(99, 0), false, false);
    EXPECT_FALSE(page_size_of_file(size, short_file));
    uni::fileio closed;
    EXPECT_FALSE(page_size_of_file(size, closed));
}

TEST(GuessPageSize, FromBtreeHeaderOrDatabaseHeader) {
    // A leaf whose content starts at 3000 lies in a page of at least 4096 bytes.
    test_pages::page_builder leaf(4096, 13);
    leaf.add_cell(test_pages::table_leaf_cell(1, test_pages::record({1}, {7})));
    leaf.set_content_start(3000);
    byte_array buffer(37, 0xff);  // no b-tree type byte before the page
    test_pages::append(buffer, leaf.finish());
    uint32 size = 0;
    uint64 offset = 0;
    ASSERT_TRUE(guess_page_size(size, offset, buffer.data(), buffer.size()));
    EXPECT_EQ(size, 4096u);
    EXPECT_EQ(offset, 37u);

    byte_array with_header(10, 0xff);
    test_pages::append(with_header, small_db(2048));
    ASSERT_TRUE(guess_page_size(size, offset, with_header.data(), with_header.size()));
    EXPECT_EQ(size, 2048u);
    EXPECT_EQ(offset, 10u);

    const byte_array nothing(2000, 0xff);
    EXPECT_FALSE(guess_page_size(size, offset, nothing.data(), nothing.size()));
    EXPECT_EQ(offset, 2000u - 512u);
    EXPECT_FALSE(guess_page_size(size, offset, nullptr, 4096));
}

}  // namespace
