// Table dumps by name through the own parser, on the real database.

#include "sqlite/table_dump.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "real_data.h"
#include "sqlite/db_test_support.h"
#include "sqlite/sqlite_test_support.h"

namespace {

constexpr uint64 all_rows = std::numeric_limits<uint64>::max();

TEST(DumpTableByName, RealTables) {
    VELK_NEED_REAL_DATA(velk_test::real_wpndatabase());
    const std::string db = velk_test::real_wpndatabase();
    std::vector<std::string> lines;
    uint64 root = 0;
    ASSERT_TRUE(dump_table_by_name(lines, root, db, "Metadata", 0, all_rows, false));
    EXPECT_EQ(root, 20U);
    ASSERT_EQ(lines.size(), 7U);
    EXPECT_EQ(lines.front(), "tile:maxCount | 5");
    EXPECT_EQ(lines.back(), "CurrentNotificationId | 7");
    // The root given is used as it is; the count limits the rows.
    ASSERT_TRUE(dump_table_by_name(lines, root, db, "", 0, 3, false));
    EXPECT_EQ(lines.size(), 3U);
    root = 0;
    ASSERT_TRUE(dump_table_by_name(lines, root, db, "Notification", 0, all_rows, false));
    ASSERT_EQ(lines.size(), 6U);
    EXPECT_EQ(lines.front().rfind("1 | 2 | 68 | ", 0), 0U);
    std::ostringstream out;
    root = 0;
    ASSERT_TRUE(print_table_dump(out, root, db, "Metadata", 0, 1, false));
    EXPECT_EQ(out.str(), "tile:maxCount | 5\n");
}

// A schema that spans several pages under an interior page 1 is walked as any table is:
// every table's root comes from it.
TEST(DumpTableByName, SchemaBelowAnInteriorPageOne) {
    const std::string db = db_test::fixture("records/records_utf16.db");
    const auto roots = library_oracle::connection(db).roots();
    for (const char* name : {"kinds", "many"}) {
        std::vector<std::string> lines;
        uint64 root = 0;
        ASSERT_TRUE(dump_table_by_name(lines, root, db, name, 0, all_rows, false)) << name;
        EXPECT_EQ(root, roots.at(name)) << name;
        EXPECT_EQ(lines.size(), db_test::library_rows(db, name).size()) << name;
    }
}

TEST(DumpTableByName, RefusesWhatItCannotFind) {
    VELK_NEED_REAL_DATA(velk_test::real_wpndatabase());
    const std::string db = velk_test::real_wpndatabase();
    std::vector<std::string> lines;
    uint64 root = 0;
    EXPECT_FALSE(dump_table_by_name(lines, root, db, "metadata", 0, all_rows, false));  // exact
    EXPECT_FALSE(dump_table_by_name(lines, root, db, "", 0, all_rows, false));
    EXPECT_FALSE(dump_table_by_name(lines, root, "", "Metadata", 0, all_rows, false));
    root = 5000;  // past the file
    EXPECT_FALSE(dump_table_by_name(lines, root, db, "", 0, all_rows, false));
    root = all_rows;
    EXPECT_FALSE(dump_table_by_name(lines, root, db, "", 0, all_rows, false));
    EXPECT_TRUE(lines.empty());
}

}  // namespace
