#include "resultsdb/file_listing_row.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "io/io_test_support.h"
#include "resultsdb/file_table_columns.h"
#include "resultsdb/results_db_test_support.h"
#include "resultsdb/sqlite_log.h"

namespace {

using results_test::connection;
using results_test::table;

std::vector<std::string> column_names(const table_layout& layout) {
    std::vector<std::string> names;
    for (const auto& column : layout.columns) {
        names.push_back(column.first);
    }
    return names;
}

TEST(FileTableColumns, FlagsSelectColumnsInTableOrder) {
    table_layout layout;
    ASSERT_TRUE(file_table_columns(layout, 0x3));
    EXPECT_EQ(column_names(layout), (std::vector<std::string>{"metaref", "path", "name"}));
    ASSERT_TRUE(file_table_columns(layout, 0x1400));
    EXPECT_EQ(column_names(layout), (std::vector<std::string>{"metaref", "seqnum", "copied"}));
    EXPECT_EQ(layout.column_position("copied"), 3);
    EXPECT_EQ(layout.column_position("path"), 0);
    EXPECT_FALSE(file_table_columns(layout, 0));
    EXPECT_FALSE(file_table_columns(layout, 0x200000));  // selects no column
    EXPECT_FALSE(file_table_columns(layout, 0x100001));  // the attribute listing fails here
}

// A log over real files in a temporary folder; rows read back by the test's connection.
struct file_log {
    explicit file_log(uint64 flags, cmd_params* options = nullptr) {
        const std::map<std::string, uint64> tables = {{"files", flags}};
        EXPECT_TRUE(log.open_with_options(dir.file("log.db"), options, &tables, false));
        ::mkdir(dir.file("a").c_str(), 0700);
    }
    std::string make(const std::string& name, long mtime = -1) {
        const std::string path = dir.file("a/" + name);
        velk_test::write_file(path, "12345");
        if (mtime >= 0) {
            const utimbuf times{mtime, mtime};
            EXPECT_EQ(::utime(path.c_str(), &times), 0);
        }
        return path;
    }
    void queue(const std::string& path) {
        file_entry_ex record;
        record.m_path = path;
        EXPECT_TRUE(log.queue_file_row("files", record, 0, nullptr));
    }
    table rows(const std::string& sql) {
        EXPECT_TRUE(log.flush());
        return connection(dir.file("log.db")).rows(sql);
    }

    velk_test::temp_dir dir;
    sqlite_log log;
};

TEST(FileListingRows, PathNameAndExtensionFromRealFiles) {
    file_log l(0x7);
    for (const char* name : {"b.txt", "b.", ".profile"}) {
        l.queue(l.make(name));
    }
    ::mkdir(l.dir.file("a/d").c_str(), 0700);
    l.queue(l.dir.file("a/d"));
    l.queue(l.dir.file("a/missing"));
    const std::string folder = l.dir.file("a/");
    EXPECT_EQ(l.rows("select path, name, extension from files order by rowid"),
              (table{{folder, "b.txt", "txt"}, {folder, "b.", "<null>"},
                     {folder, ".profile", "profile"}}));
}

struct time_case {
    const char* name;
    bool with_options;
    long mtime;
    const char* modified;
};

const time_case time_cases[] = {
    {"no_options", false, 1607713895, "2020-12-11 19:11:35"},
    {"default_options", true, 1607713895, "2020-12-11 19:11:35.000"},
    {"zero", false, 0, " "},
};

class FileListingTimes : public ::testing::TestWithParam<time_case> {};

TEST_P(FileListingTimes, ModifiedTimeUsesTheLogsFormat) {
    cmd_params options(0, false);
    file_log l(0x20, GetParam().with_options ? &options : nullptr);
    l.queue(l.make("f", GetParam().mtime));
    EXPECT_EQ(l.rows("select modified from files"), (table{{GetParam().modified}}));
}

INSTANTIATE_TEST_SUITE_P(Cases, FileListingTimes, ::testing::ValuesIn(time_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FileListingRows, SourceRecordIsTakenOverAndNumbersBound) {
    file_log l(0x1 | 0x2 | 0x10 | 0x200 | 0x400 | 0x800 | 0x1000 | 0x4000 | 0x8000 | 0x10000);
    file_entry_ex source;
    source.m_path = "/evidence/dir/x.bin";
    source.m_size = 7;
    source.m_mode = 0100644;
    source.m_inode = 42;
    source.m_sequence = 3;
    source.m_offset_low = 1;
    source.m_offset_high = 1;
    source.m_text = "note";
    source.m_attributes = 0x4;
    source.m_modified = 5;
    file_entry_ex record;
    ASSERT_TRUE(l.log.queue_file_row("files", record, 9, &source));
    EXPECT_TRUE(source.m_path.empty());
    EXPECT_EQ(source.m_size, 0U);
    EXPECT_EQ(l.rows("select path, name, size, mode, typeof(mode), copied, inode, seqnum, "
                     "offset, notes, source from files"),
              (table{{"/evidence/dir/", "x.bin", "7", "33188", "text", "9", "42", "3",
                      "4294967297", "note", "4"}}));
}

TEST(FileListingRows, DirectoryRowsNeedTheirFlag) {
    file_log l(0x1 | 0x2 | 0x8 | 0x10);
    for (const bool dir_row : {false, true}) {
        file_entry_ex source;
        source.m_path = "/evidence/dir";
        source.m_is_dir = true;
        source.m_dir_row = dir_row;
        source.m_size = 4096;
        file_entry_ex record;
        ASSERT_TRUE(l.log.queue_file_row("files", record, 0, &source));
    }
    EXPECT_EQ(l.rows("select path, name, is_dir, size from files"),
              (table{{"/evidence/dir", "", "1", "0"}}));
}

TEST(FileEntryAssign, SettlesAMissingTimeKind) {
    struct kind_case {
        uint64 kind;
        int64 modified;
        uint64 attributes;
        uint64 expected;
    };
    for (const kind_case& c : std::vector<kind_case>{{0, 5, 0x4, 1},
                                                     {0, 5, 0x2, 8},
                                                     {0, 0, 0x4, 0},
                                                     {0, -5, 0, 0},
                                                     {16, 5, 0x4, 16}}) {
        file_entry_ex from;
        from.m_time_kind = c.kind;
        from.m_modified = c.modified;
        from.m_attributes = c.attributes;
        from.m_attr_names = {"n"};
        file_entry_ex to;
        to.assign(from);
        EXPECT_EQ(to.m_time_kind, c.expected) << c.modified << " " << c.attributes;
        EXPECT_EQ(to.m_attr_names, from.m_attr_names);
    }
}

}  // namespace
