// The own page reader against the SQLite library: every table of the real database and of
// the record fixtures, walked from its root with walk_pages down to the leaves and read with
// parse_btree_page, must give exactly the library's rows, value for value.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "io/uni_fileio.h"
#include "real_data.h"
#include "sqlite/library_oracle.h"
#include "sqlite/page_rows.h"
#include "sqlite/value_code.h"

namespace {

using library_oracle::row;

struct walk_result {
    std::vector<row> rows;                          // table rows in key order
    std::vector<leaf_record_decoder> cells;         // the same, as decoded
    std::vector<std::vector<std::string>> index;    // index records, leaves and interior
    int levels = 0;
};

bool read_page(uni::fileio& file, uint32 ps, uint32 page, byte_array& out) {
    return file.read_at(out, ps, uint64{page - 1} * ps) && out.size() == ps;
}

void take_leaf(const page_descriptor_map& leaf, walk_result& out) {
    for (const auto& [key, entry] : leaf) {
        for (const auto& [cell_key, cell] : entry.cells) {
            if (entry.kind == row_kind::index_cells) {
                out.index.push_back(cell.values);
                continue;
            }
            out.rows.push_back({static_cast<int64>(cell.rowid), cell.values});
            out.cells.push_back(cell);
        }
    }
}

// Depth-first in key order with an explicit stack and a visited set: a damaged tree can
// neither loop nor recurse.
bool walk_btree(uni::fileio& file, uint32 ps, uint32 root, text_encoding encoding,
                walk_result& out) {
    std::vector<std::pair<uint32, int>> stack{{root, 1}};
    std::set<uint32> visited;
    byte_array page;
    while (!stack.empty()) {
        const auto [number, depth] = stack.back();
        stack.pop_back();
        if (!visited.insert(number).second || !read_page(file, ps, number, page)) {
            return false;
        }
        out.levels = std::max(out.levels, depth);
        const uint64 at = uint64{number - 1} * ps;
        page_descriptor interior;
        if (walk_pages(interior, page.data(), ps, at, at, ps, &file, false, true, encoding)) {
            for (auto it = interior.children.rbegin(); it != interior.children.rend(); ++it) {
                stack.emplace_back(static_cast<uint32>(it->second.child_page), depth + 1);
                if (!it->second.values.empty()) {
                    out.index.push_back(it->second.values);
                }
            }
            continue;
        }
        page_descriptor_map leaf;
        const bool empty_leaf = page[3] == 0 && page[4] == 0;
        if (!parse_btree_page(leaf, page.data(), ps, at, at, ps, &file, false, true, false, false,
                              encoding, false) &&
            !empty_leaf) {
            return false;
        }
        take_leaf(leaf, out);
    }
    return true;
}

class LibraryWalk : public ::testing::Test {
protected:
    bool open(const std::string& path, uint32 ps, text_encoding encoding) {
        m_path = path;
        m_ps = ps;
        m_encoding = encoding;
        return m_file.open(path, false, false, false);
    }
    walk_result walk(const std::string& name) {
        walk_result out;
        const library_oracle::connection lib(m_path);
        EXPECT_TRUE(walk_btree(m_file, m_ps, lib.roots().at(name), m_encoding, out)) << name;
        return out;
    }
    std::vector<row> library(const std::string& sql) {
        return library_oracle::connection(m_path).rows(sql);
    }
    void expect_table(const std::string& table, std::size_t count, int min_levels = 1) {
        const walk_result walked = walk(table);
        const std::vector<row> expected = library("SELECT rowid, * FROM [" + table + "] ORDER BY rowid");
        EXPECT_EQ(expected.size(), count) << table;
        EXPECT_EQ(walked.rows.size(), expected.size()) << table;
        EXPECT_TRUE(walked.rows == expected) << table;
        EXPECT_GE(walked.levels, min_levels) << table;
    }
    void expect_index(const std::string& index, const std::string& sql, int min_levels) {
        walk_result walked = walk(index);
        std::vector<std::vector<std::string>> expected;
        for (const row& r : library(sql)) {
            expected.push_back(r.values);
        }
        std::sort(walked.index.begin(), walked.index.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(walked.index.size(), expected.size()) << index;
        EXPECT_TRUE(walked.index == expected) << index;
        EXPECT_GE(walked.levels, min_levels) << index;
    }
    std::string m_path;
    uint32 m_ps = 0;
    text_encoding m_encoding = text_encoding::utf8;
    uni::fileio m_file;
};

TEST_F(LibraryWalk, RealDatabaseTables) {
    VELK_NEED_REAL_DATA(std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db");
    ASSERT_TRUE(
        open(std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db", 4096, text_encoding::utf8));
    expect_table("Notification", 6);
    expect_table("NotificationHandler", 68, 2);
    expect_table("HandlerSettings", 1632, 2);
    expect_table("Metadata", 7);
    for (const char* empty : {"WNSPushChannel", "NotificationData", "HandlerAssets", "TransientTable"}) {
        expect_table(empty, 0);
    }
}

TEST_F(LibraryWalk, RealNotificationRecordAndItsTimes) {
    VELK_NEED_REAL_DATA(std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db");
    ASSERT_TRUE(
        open(std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db", 4096, text_encoding::utf8));
    const walk_result walked = walk("Notification");
    ASSERT_FALSE(walked.cells.empty());
    const leaf_record_decoder& order_1 = walked.cells.front();
    EXPECT_EQ(order_1.values[0], "1");
    EXPECT_EQ(order_1.record_file_offset, 28378u);
    EXPECT_EQ(order_1.values[1], "2");
    // ArrivalTime: a FILETIME integer, recognised as such (kind 1).
    EXPECT_EQ(order_1.values[9], "132521874959025799");
    EXPECT_EQ(order_1.value_codes[9], 0x1012u);
    ASSERT_EQ(order_1.time_values.count(9), 1u);
    EXPECT_EQ(order_1.time_values.at(9), 132521874959025799u);
    EXPECT_EQ(order_1.value_codes[1], value_code::integer);  // Id 2 is no time
    EXPECT_EQ(order_1.time_values.count(1), 0u);
}

class RecordFixtures : public LibraryWalk, public ::testing::WithParamInterface<const char*> {};

TEST_P(RecordFixtures, EveryTableAndIndexMatchesTheLibrary) {
    const text_encoding encoding =
        std::string(GetParam()) == "records.db" ? text_encoding::utf8 : text_encoding::utf16le;
    ASSERT_TRUE(open(std::string(VELK_TEST_DATA_DIR) + "/records/" + GetParam(), 1024, encoding));
    expect_table("kinds", 28);
    expect_table("many", 3000, 3);
    expect_table("spill", 1);
    expect_table("keyed", 60);
    expect_table("named", 2);
    expect_index("many_word", "SELECT 0, word, rowid FROM many", 2);
    expect_index("keyed_k", "SELECT 0, k, rowid FROM keyed", 2);
    expect_index("sqlite_autoindex_named_1", "SELECT 0, name, rowid FROM named", 1);
}

INSTANTIATE_TEST_SUITE_P(Encodings, RecordFixtures,
                         ::testing::Values("records.db", "records_utf16.db"),
                         [](const auto& p) {
                             return std::string(p.param) == "records.db" ? "Utf8" : "Utf16le";
                         });

// The push database written in each text encoding the format has: texts read in the
// header's encoding (index keys included) and blobs as their bytes, value for value as the
// library reads them.
struct encoding_case {
    const char* name;
    text_encoding encoding;
};

class EncodingFixtures : public LibraryWalk, public ::testing::WithParamInterface<encoding_case> {};

TEST_P(EncodingFixtures, EveryTableMatchesTheLibrary) {
    const encoding_case& c = GetParam();
    ASSERT_TRUE(open(std::string(VELK_TEST_DATA_DIR) + "/encoding/" + c.name, 1024, c.encoding));
    expect_table("NotificationHandler", 12);
    expect_table("Notification", 6, 2);
    expect_table("WNSPushChannel", 3);
    expect_table("Metadata", 7);
    expect_index("byHandlerName", "SELECT 0, PrimaryId, rowid FROM NotificationHandler", 1);
}

const encoding_case encoding_cases[] = {
    {"utf8.db", text_encoding::utf8},
    {"utf16le.db", text_encoding::utf16le},
    {"utf16be.db", text_encoding::utf16be},
};

INSTANTIATE_TEST_SUITE_P(Encodings, EncodingFixtures, ::testing::ValuesIn(encoding_cases),
                         [](const auto& p) {
                             std::string name = p.param.name;
                             return name.substr(0, name.find('.'));
                         });

TEST_F(LibraryWalk, SchemaPageRows) {
    ASSERT_TRUE(
        open(std::string(VELK_TEST_DATA_DIR) + "/records/records.db", 1024, text_encoding::utf8));
    byte_array page;
    ASSERT_TRUE(read_page(m_file, 1024, 1, page));
    page_descriptor_map out;
    ASSERT_TRUE(parse_btree_page(out, page.data(), 1024, 0, 0, 1024, &m_file, false, true, false,
                                 false, text_encoding::utf8, false));
    const library_oracle::connection lib(m_path);
    for (const auto& [name, root] : lib.roots()) {
        ASSERT_EQ(out.count(root), 1u) << name;
        EXPECT_EQ(out.at(root).name, name);
        const uint64 kind = out.at(root).kind;
        if (name.starts_with("sqlite_autoindex")) {
            EXPECT_EQ(kind, row_kind::schema_autoindex) << name;
        } else if (name == "many_word" || name == "keyed_k") {
            EXPECT_EQ(kind, row_kind::schema_index) << name;
        } else {
            EXPECT_EQ(kind, row_kind::schema_table) << name;
        }
    }
    // The view is an ordinary cell; the schema rows' cells form page 1's group.
    ASSERT_EQ(out.count(0), 1u);
    EXPECT_EQ(out.at(0).cells.size(), 1u);
    EXPECT_EQ(out.at(0).cells.begin()->second.values[0], "view");
    ASSERT_EQ(out.count(1), 1u);
    EXPECT_EQ(out.at(1).kind, row_kind::page_group);
    EXPECT_EQ(out.at(1).cells.size(), lib.roots().size());
}

}  // namespace
