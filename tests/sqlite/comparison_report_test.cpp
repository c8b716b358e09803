// The comparison report over real rows: the Metadata table of the real database read by the
// SQLite library (parser 1, through sqlite_wrapper) and by the own b-tree walk (parser 2),
// each record fingerprinted, grouped under its root page.

#include "sqlite/comparison_report.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "io/io_test_support.h"
#include "io/uni_fileio.h"
#include "real_data.h"
#include "sqlite/db_test_support.h"
#include "sqlite/sql_row_readers.h"
#include "sqlite/sqlite_test_support.h"
#include "sqlite/sqlite_wrapper.h"
#include "sqlite/table_walk.h"

namespace {

constexpr int metadata_root = 20;
constexpr uint32 page_size = 4096;
constexpr uint64 all_rows = std::numeric_limits<uint64>::max();

struct real_row {
    int64 rowid = 0;
    std::vector<std::string> values;
};

// The row as the harness files it: the Metadata layout (table type 1, mask 0x3), its
// fingerprint taken from its values.
sqlite_metadata as_record(const real_row& row) {
    sqlite_metadata r;
    r.m_rowid = row.rowid;
    r.m_table_type = 1;
    r.m_column_mask = 0x3;
    r.m_column_initials = "ke-va";
    set_record_fingerprint(r, row.values);
    return r;
}

// Parser 1: the library, on an immutable URI of a private copy (open_readonly wants a
// plain path, so the wrapper's own open is used).
std::vector<real_row> library_metadata(const std::string& db) {
    sqlite_wrapper wrapper;
    std::vector<real_row> out;
    sql_rows rows;
    sqlite3* handle = nullptr;
    (void)wrapper.resolve_symbols(nullptr);  // always true
    if (wrapper.open_db(&handle, "file:" + db + "?immutable=1", true)) {
        (void)select_rows(rows, handle, "SELECT rowid, Key, Value FROM Metadata");  // checked below
        sqlite3_close(handle);
    }
    (void)wrapper.release_symbols();
    for (const auto& row : rows) {
        out.push_back({std::stoll(row.at(0)), {row.at(1), row.at(2)}});
    }
    return out;
}

// Parser 2: the own b-tree walk from the table's root page.
std::vector<real_row> walked_metadata(const std::string& db) {
    uni::fileio file;
    std::vector<table_record> records;
    std::vector<real_row> out;
    if (!file.open(db, false, false, false) ||
        !read_table_records(records, file, uint64{metadata_root - 1} * page_size, page_size, 0,
                            all_rows, false, false, text_encoding::utf8)) {
        return out;
    }
    for (const table_record& r : records) {
        out.push_back({r.rowid, r.values});
    }
    return out;
}

class RealMetadataReport : public ::testing::Test {
protected:
    void SetUp() override {
        VELK_NEED_REAL_DATA(velk_test::real_wpndatabase());
        const std::string db = velk_test::copy_database(velk_test::real_wpndatabase(), m_dir);
        ASSERT_FALSE(db.empty());
        m_library = library_metadata(db);
        m_walked = walked_metadata(db);
        ASSERT_EQ(m_library.size(), 7U);
        ASSERT_EQ(m_walked.size(), 7U);
    }

    // Files both parsers' rows under the Metadata group and writes the report.
    std::string report(bool verbose, bool fingerprint = true) {
        record_group_map groups;
        EXPECT_TRUE(make_groups(groups, {{metadata_root, {0, "Metadata"}}}));
        file(groups, m_library, 1, fingerprint);
        file(groups, m_walked, 2, fingerprint);
        std::ostringstream out;
        write_comparison_report(groups.at(metadata_root), out, {verbose, ""});
        return out.str();
    }

    static void file(record_group_map& groups, const std::vector<real_row>& rows, int parser,
                     bool fingerprint) {
        for (const real_row& row : rows) {
            sqlite_metadata r = as_record(row);
            if (!fingerprint) {
                r.m_reserved_bytes.fill(0);
            }
            EXPECT_TRUE(add_record_to_groups(groups, r, metadata_root, parser, key_kind::prefix_key));
        }
    }

    velk_test::temp_dir m_dir;
    std::vector<real_row> m_library;
    std::vector<real_row> m_walked;
};

const char key_line[] = "* [7-7-0] : [0103000000040a041500] : [] : []\n";

TEST_F(RealMetadataReport, BothParsersAgree) {
    EXPECT_EQ(report(false), std::string("+ [0 : 0]\n> [7-7-0] : [7-7-0]\n") + key_line);
    const std::string verbose = report(true);
    EXPECT_NE(verbose.find("// Metadata             : Phase 1: Passed: carve option ID'd the same "
                           "records that SQL Select option did.\n"),
              std::string::npos);
    EXPECT_NE(verbose.find("//                      : Phase 2: Passed: Ordering of fields "
                           "consistent.\n"),
              std::string::npos);
    EXPECT_NE(verbose.find("//                      : Phase 3: Passed: Quick look comparison"),
              std::string::npos);
    EXPECT_NE(verbose.find("\n                       > [7-7-0] : [7-7-0]\n"), std::string::npos);
    // Parser 3 read nothing: fewer signature records than carved ones.
    EXPECT_NE(verbose.find("//                        Signature option can be improved.\n"),
              std::string::npos);
}

TEST_F(RealMetadataReport, ChangedValueIsAMismatch) {
    m_walked.at(0).values.at(1) = "6";
    EXPECT_EQ(report(false), std::string("+ [1 : 1]\n# [1 : tile:maxCount | 5 : tile:maxCount | "
                                         "6]\n> [7-7-0] : [7-7-0]\n") +
                                 key_line);
    EXPECT_NE(report(true).find("Phase 3: Warning: Quick look comparison of values between each "
                                "record of parsers found 1 mismatches.\n"),
              std::string::npos);
}

TEST_F(RealMetadataReport, MissingRowFailsPhaseOneAndSkipsPhaseThree) {
    m_walked.pop_back();
    const std::string verbose = report(true);
    EXPECT_NE(verbose.find("// Metadata             : Phase 1: Failed: carve option did not ID'd "
                           "the same records that SQL Select option did (short 1 records).\n"),
              std::string::npos);
    EXPECT_EQ(verbose.find("Phase 3"), std::string::npos);
    EXPECT_EQ(verbose.find("+ ["), std::string::npos);
    EXPECT_EQ(report(false), "> [7-6-0] : [7-6-0]\n* [7-6-0] : [0103000000040a041500] : [] : []\n");
}

TEST_F(RealMetadataReport, RowsWithoutFingerprintNeverPass) {
    const std::string out = report(false, false);
    EXPECT_EQ(out.substr(0, out.find('\n')), "+ [7 : 2]");
    EXPECT_NE(out.find("# [1 : tile:maxCount | 5 : tile:maxCount | 5]\n"), std::string::npos);
}

TEST(ComparisonReport, SpecialCaseWithoutLibraryRowsStillComparesValues) {
    record_group group(5, 0, "Lost");
    group.rowids[2] = {1, 2};
    group.counts[2] = 2;
    std::ostringstream out;
    write_comparison_report(group, out, {true, ""});
    EXPECT_EQ(out.str(),
              "// Lost                 : Phase 1: Special Case: SQL Select option parsed 0 "
              "records. [Mostly likely - Separate table (not in db schema) found in slack outside "
              "of normal data]\n"
              "//                        Signature option parsed 2 records.\n"
              "//                      : Phase 2: Passed: Ordering of fields consistent.\n"
              "//                      : Phase 3: Passed: Quick look comparison of values between "
              "each record of parsers found no mismatches.\n"
              "                       + [0 : 0]\n"
              "                       > [0-0-2] : [0-0-2]\n");
    group.rowids[1] = {1};
    std::ostringstream with_error;
    write_comparison_report(group, with_error, {true, "no such table"});
    EXPECT_EQ(with_error.str().substr(0, with_error.str().find("//      ")),
              "// Lost                 : Phase 1: Special Case: SQL Select option parsed 0 "
              "records. Error detected: [no such table].\n");
    EXPECT_NE(with_error.str().find("//                        Carve option parsed 1 records. "
                                    "Signature option parsed 2 records.\n"),
              std::string::npos);
}

sqlite_metadata layout_row(int64 rowid, const std::string& initials) {
    sqlite_metadata r;
    r.m_rowid = rowid;
    r.m_table_type = 2;
    r.m_column_mask = 0x3;
    r.m_column_initials = initials;
    set_record_fingerprint(r, {std::to_string(rowid)});
    return r;
}

TEST(ComparisonReport, MixedFieldOrderAndRowidsThatDiffer) {
    record_group_map groups;
    ASSERT_TRUE(add_record_to_groups(groups, layout_row(1, "ke-va"), 3, 1, key_kind::prefix_key));
    ASSERT_TRUE(add_record_to_groups(groups, layout_row(2, "ke-va"), 3, 1, key_kind::prefix_key));
    ASSERT_TRUE(add_record_to_groups(groups, layout_row(1, "ke-va"), 3, 2, key_kind::prefix_key));
    // The own walk read rowid 3 where the library read 2, in another field order.
    ASSERT_TRUE(add_record_to_groups(groups, layout_row(3, "va-ke"), 3, 2, key_kind::prefix_key));
    std::ostringstream out;
    write_comparison_report(groups.at(3), out, {true, ""});
    EXPECT_NE(out.str().find(": Phase 1: Warning: [diff routine problem]: SQL Select rowids: 2, "
                             "Carve option rowids: 2.\n"),
              std::string::npos);
    EXPECT_NE(out.str().find(": Phase 2: Warning: Ordering of fields mixed in parsing results "
                             "[caution using signature-based parsing].\n"),
              std::string::npos);
    // A layout whose initials are a prefix of the others' is no mix.
    record_group_map prefixed;
    ASSERT_TRUE(add_record_to_groups(prefixed, layout_row(1, "ke-va"), 3, 1, key_kind::prefix_key));
    ASSERT_TRUE(add_record_to_groups(prefixed, layout_row(1, "ke"), 3, 2, key_kind::prefix_key));
    std::ostringstream consistent;
    write_comparison_report(prefixed.at(3), consistent, {true, ""});
    EXPECT_NE(consistent.str().find("Phase 2: Passed"), std::string::npos);
}

}  // namespace
