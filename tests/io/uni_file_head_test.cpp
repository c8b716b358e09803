#include "io/uni_file_head.h"

#include <gtest/gtest.h>

#include <string>

#include "io/io_test_support.h"
#include "real_data.h"

namespace {

using velk_test::temp_dir;
using velk_test::write_file;

const std::string real_db = std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db";

TEST(ReadFileHead, RealDatabaseHeader) {
    VELK_NEED_REAL_DATA(real_db);
    byte_array head;
    ASSERT_TRUE(uni::read_file_head(head, real_db, 16));
    EXPECT_EQ(std::string(head.begin(), head.end()), std::string("SQLite format 3\0", 16));
    std::string text;
    ASSERT_TRUE(uni::read_file_to_string(text, real_db, 6));
    EXPECT_EQ(text, "SQLite");
}

TEST(ReadFileHead, ClippedEmptyAndRefused) {
    temp_dir tmp;
    write_file(tmp.file("ten"), "0123456789");
    write_file(tmp.file("empty"), "");
    byte_array head = {1, 2};
    ASSERT_TRUE(uni::read_file_head(head, tmp.file("ten"), 16));
    EXPECT_EQ(head.size(), 10U);

    head = {1};
    EXPECT_FALSE(uni::read_file_head(head, tmp.file("empty"), 16));
    EXPECT_TRUE(head.empty());
    EXPECT_FALSE(uni::read_file_head(head, tmp.file("ten"), 0));
    EXPECT_FALSE(uni::read_file_head(head, "", 16));
    EXPECT_FALSE(uni::read_file_head(head, tmp.file("missing"), 16));

    std::string text = "old";
    EXPECT_FALSE(uni::read_file_to_string(text, tmp.file("empty"), 4));
    EXPECT_TRUE(text.empty());
    ASSERT_TRUE(uni::read_file_to_string(text, tmp.file("ten"), 4));
    EXPECT_EQ(text, "0123");
}

TEST(ZoneIdentifier, ListedWhenTheCompanionExists) {
    temp_dir tmp;
    write_file(tmp.file("dl.exe"), "MZ");
    write_file(tmp.file("plain.txt"), "x");
    write_file(tmp.file("dl.exe:Zone.Identifier"), "[ZoneTransfer]\r\nZoneId=3\r\n");

    std::vector<std::string> names = {"stale"};
    ASSERT_TRUE(uni::list_zone_identifier(names, tmp.file("dl.exe")));
    ASSERT_EQ(names.size(), 1U);
    EXPECT_EQ(names[0], tmp.file("dl.exe:Zone.Identifier"));

    EXPECT_FALSE(uni::list_zone_identifier(names, tmp.file("plain.txt")));
    EXPECT_TRUE(names.empty());
    names = {"stale"};
    EXPECT_FALSE(uni::list_zone_identifier(names, tmp.file("missing")));
    EXPECT_TRUE(names.empty());

    const uni::fileio closed;
    EXPECT_FALSE(uni::list_zone_identifier(closed, names));
}

TEST(AttributeStubs, EmptyAndFalse) {
    std::vector<std::string> a = {"x"};
    std::vector<std::string> b = {"y"};
    EXPECT_FALSE(uni::path_lists_stub(a, b, "/tmp"));
    EXPECT_TRUE(a.empty());
    EXPECT_TRUE(b.empty());
    std::map<std::string, std::string> m = {{"k", "v"}};
    EXPECT_FALSE(uni::fill_map_stub(m));
    EXPECT_TRUE(m.empty());
}

}  // namespace
