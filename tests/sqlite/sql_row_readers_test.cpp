#include "sqlite/sql_row_readers.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "io/uni_fileio.h"
#include "real_data.h"
#include "sqlite/db_file.h"
#include "sqlite/sql_result_set.h"
#include "sqlite/sqlite_api.h"
#include "sqlite/sqlite_test_support.h"
#include "sqlite/sqlite_wrapper.h"
#include "sqlite/table_walk.h"

namespace {

using velk_test::temp_dir;
using names_t = std::vector<std::string>;

// One row of every storage class: integer, real, text, blob (with a NUL) and NULL.
class SqlRowReaders : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_db.open(nullptr, m_folder.file("kinds.db"), ""));
        sql_result_set result;
        ASSERT_TRUE(
            sql_transaction(&result, &m_db,
                            {"create table k(i, r, t, b, n)",
                             "insert into k values(-42, 3.14159265, 'text', x'00ff41', NULL)"},
                            sql_row_callback));
    }

    temp_dir m_folder;
    sqlite_wrapper m_db;
    const std::string m_blob{"\x00\xff\x41", 3};
};

struct seen_rows {
    sql_rows rows;
    std::vector<names_t> names;
    std::vector<uint32> passed;
};

void record_row(void* context, const names_t& values, uint8 option, uint32 value1, uint32 value2,
                uint32 value3, uint32 value4) {
    auto* seen = static_cast<seen_rows*>(context);
    seen->rows.push_back(values);
    seen->passed = {option, value1, value2, value3, value4};
}

void record_named_row(void* context, const names_t& values, const names_t& names, uint8 option,
                      uint32 value1, uint32 value2, uint32 value3, uint32 value4) {
    record_row(context, values, option, value1, value2, value3, value4);
    static_cast<seen_rows*>(context)->names.push_back(names);
}

const std::string select_all = "select * from k";

TEST_F(SqlRowReaders, SelectRowsWritesNullAsZeroAndRealsInSixDigits) {
    sql_rows rows{{"stale"}};
    ASSERT_TRUE(select_rows(rows, m_db.handle(), select_all));
    EXPECT_EQ(rows, (sql_rows{{"-42", "3.14159", "text", m_blob, "0"}}));
}

TEST_F(SqlRowReaders, SelectRowsWithNamesGivesNamesAndSqliteText) {
    sql_rows rows{{"stale"}};
    names_t names{"stale"};
    ASSERT_TRUE(select_rows_with_names(rows, names, m_db.handle(), select_all));
    EXPECT_EQ(rows, (sql_rows{{"-42", "3.14159265", "text", m_blob, ""}}));
    EXPECT_EQ(names, (names_t{"i", "r", "t", "b", "n"}));
}

TEST_F(SqlRowReaders, ForEachRowPassesValuesAndArguments) {
    seen_rows seen;
    ASSERT_TRUE(for_each_row(&seen, 7, 1, 2, 3, 4, m_db.handle(), select_all, record_row));
    EXPECT_EQ(seen.rows, (sql_rows{{"-42", "3.14159", "text", m_blob, "0"}}));
    EXPECT_EQ(seen.passed, (std::vector<uint32>{7, 1, 2, 3, 4}));
}

class ForEachRowWithNames : public SqlRowReaders, public ::testing::WithParamInterface<bool> {};

TEST_P(ForEachRowWithNames, PassesNamesAndRendersRealsByTheFlag) {
    const bool float_as_text = GetParam();
    seen_rows named;
    ASSERT_TRUE(for_each_row_with_names(&named, 9, 5, 6, 7, 8, m_db.handle(), select_all,
                                        record_named_row, float_as_text));
    const std::string real = float_as_text ? "3.14159265" : "3.14159";
    EXPECT_EQ(named.rows, (sql_rows{{"-42", real, "text", m_blob, ""}}));
    EXPECT_EQ(named.names, (std::vector<names_t>{{"i", "r", "t", "b", "n"}}));
    EXPECT_EQ(named.passed, (std::vector<uint32>{9, 5, 6, 7, 8}));
}

INSTANTIATE_TEST_SUITE_P(FloatForms, ForEachRowWithNames, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "AsText" : "AsStream"; });

TEST_F(SqlRowReaders, NoRowIsAnEmptyListAndTrue) {
    sql_rows rows{{"stale"}};
    EXPECT_TRUE(select_rows(rows, m_db.handle(), "select * from k where i > 0"));
    EXPECT_TRUE(rows.empty());
    names_t names{"stale"};
    EXPECT_TRUE(select_rows_with_names(rows, names, m_db.handle(), "select * from k where 0"));
    EXPECT_TRUE(rows.empty());
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(select_rows(rows, m_db.handle(), "-- nothing to run"));
}

// A step that fails partway is not a whole result: the rows before it arrive, but the
// reader says false. abs() of the smallest integer overflows on the second row.
TEST_F(SqlRowReaders, StepFailurePartwayIsReported) {
    const std::string failing =
        "select abs(v) from (select 1 as v union all select -9223372036854775808)";
    sql_rows rows;
    EXPECT_FALSE(select_rows(rows, m_db.handle(), failing));
    EXPECT_EQ(rows, (sql_rows{{"1"}}));
    names_t names;
    EXPECT_FALSE(select_rows_with_names(rows, names, m_db.handle(), failing));
    seen_rows seen;
    EXPECT_FALSE(for_each_row(&seen, 0, 0, 0, 0, 0, m_db.handle(), failing, record_row));
    EXPECT_EQ(seen.rows.size(), 1U);
}

TEST_F(SqlRowReaders, SelectFormsRefuseBadStatementsAndNullConnections) {
    sql_rows rows;
    names_t names;
    EXPECT_FALSE(select_rows(rows, m_db.handle(), "select * from missing"));
    EXPECT_FALSE(select_rows(rows, nullptr, "select 1"));
    EXPECT_FALSE(select_rows_with_names(rows, names, m_db.handle(), "selec 1"));
    EXPECT_FALSE(select_rows_with_names(rows, names, nullptr, "select 1"));
}

TEST_F(SqlRowReaders, RowFunctionFormsRefuseBadStatementsAndMissingFunctions) {
    seen_rows seen;
    EXPECT_FALSE(for_each_row(&seen, 0, 0, 0, 0, 0, m_db.handle(), "selec 1", record_row));
    EXPECT_FALSE(for_each_row(&seen, 0, 0, 0, 0, 0, m_db.handle(), "select 1", nullptr));
    EXPECT_FALSE(for_each_row_with_names(&seen, 0, 0, 0, 0, 0, nullptr, "select 1",
                                         record_named_row, false));
    EXPECT_TRUE(seen.rows.empty());
}

// With the table emptied nothing may be called through it.
TEST_F(SqlRowReaders, EmptyEntryTableGivesFalse) {
    sqlite3* db = m_db.handle();
    const sqlite_api_table saved = g_sqlite_api;
    sqlite_api_clear();
    sql_rows rows;
    EXPECT_FALSE(select_rows(rows, db, "select 1"));
    sql_result_set result;
    EXPECT_FALSE(sql_transaction(&result, &m_db, {"select 1"}, sql_row_callback));
    g_sqlite_api = saved;
    EXPECT_TRUE(select_rows(rows, db, "select 1"));
}

class SqlRowReadersReal : public ::testing::Test {
protected:
    void SetUp() override {
        VELK_NEED_REAL_DATA(velk_test::real_wpndatabase());
        m_path = velk_test::copy_database(velk_test::real_wpndatabase(), m_folder);
        ASSERT_FALSE(m_path.empty());
        ASSERT_TRUE(m_db.open_readonly(m_path, ""));
    }

    temp_dir m_folder;
    std::string m_path;
    sqlite_wrapper m_db;
    sql_rows m_rows;
};

TEST_F(SqlRowReadersReal, TableListQueryGivesEveryCreateTableText) {
    std::ostringstream list;
    ASSERT_TRUE(table_list_sql(list));
    ASSERT_TRUE(select_rows(m_rows, m_db.handle(), list.str()));
    ASSERT_EQ(m_rows.size(), 8U);
    EXPECT_EQ(m_rows[0][0].rfind("CREATE TABLE", 0), 0U);
}

const std::string null_wns_id = "select WNSId from NotificationHandler where RecordId = 55";

TEST_F(SqlRowReadersReal, SelectRowsReadsNullWnsIdAsZero) {
    ASSERT_TRUE(select_rows(m_rows, m_db.handle(), null_wns_id));
    EXPECT_EQ(m_rows, (sql_rows{{"0"}}));
}

TEST_F(SqlRowReadersReal, SelectRowsWithNamesReadsNullWnsIdAsEmpty) {
    names_t names;
    ASSERT_TRUE(select_rows_with_names(m_rows, names, m_db.handle(), null_wns_id));
    EXPECT_EQ(m_rows, (sql_rows{{""}}));
    EXPECT_EQ(names, (names_t{"WNSId"}));
}

// ---- The library against the own b-tree walk ----

// Collects what for_each_row_with_names hands over.
void collect_named_row(void* context, const names_t& values, const names_t& /*names*/,
                       uint8 /*option*/, uint32 /*value1*/, uint32 /*value2*/, uint32 /*value3*/,
                       uint32 /*value4*/) {
    static_cast<sql_rows*>(context)->push_back(values);
}

struct table_rows {
    std::string name;
    sql_rows library_rows;
    std::vector<std::string> rowids;
    std::vector<table_record> own_rows;
    int alias_column = -1;  // the INTEGER PRIMARY KEY column, an alias of the rowid
};

class OwnWalkAgreement : public SqlRowReadersReal {
protected:
    // Reads one table both ways: the library in rowid order, the own walk from the root page
    // that the schema gives.
    [[nodiscard]] bool read_both(const std::string& name, uint64 root_page, uint32 page_size,
                                 table_rows& out) {
        out.name = name;
        const std::string quoted = "[" + name + "]";
        if (!for_each_row_with_names(&out.library_rows, 0, 0, 0, 0, 0, m_db.handle(),
                                     "select * from " + quoted + " order by rowid",
                                     collect_named_row, false)) {
            return false;
        }
        sql_rows ids;
        if (!select_rows(ids, m_db.handle(), "select rowid from " + quoted + " order by rowid")) {
            return false;
        }
        for (const auto& row : ids) {
            out.rowids.push_back(row.at(0));
        }
        sql_rows alias;
        if (!select_rows(alias, m_db.handle(),
                         "select cid from pragma_table_info('" + name +
                             "') where pk = 1 and upper(type) = 'INTEGER'")) {
            return false;
        }
        out.alias_column = alias.size() == 1 ? std::stoi(alias[0][0]) : -1;
        uni::fileio file;
        sqlite_db_header header;
        if (!open_db_file(file, header, m_path)) {
            return false;
        }
        // Empty tables walk to nothing; their row count is compared below.
        (void)read_table_records(out.own_rows, file, (root_page - 1) * page_size, page_size, 0,
                                 0xFFFFFFFF, true, false, text_encoding::utf8);
        return true;
    }
};

// "" when both roads read the same rows, else the first difference.
std::string first_difference(const table_rows& t) {
    if (t.own_rows.size() != t.library_rows.size()) {
        return "row counts differ";
    }
    for (std::size_t r = 0; r < t.own_rows.size(); ++r) {
        const std::string where = "row " + std::to_string(r) + ": ";
        if (std::to_string(t.own_rows[r].rowid) != t.rowids[r]) {
            return where + "rowid";
        }
        // The rowid alias reads as the rowid on both roads.
        if (t.alias_column >= 0 &&
            t.library_rows[r].at(static_cast<std::size_t>(t.alias_column)) != t.rowids[r]) {
            return where + "rowid alias";
        }
        if (t.own_rows[r].values != t.library_rows[r]) {
            return where + "values";
        }
    }
    return "";
}

struct table_case {
    const char* name;
    std::size_t rows;
    bool rowid_alias;
};

const table_case real_tables[] = {
    {"Notification", 6, true},        {"NotificationHandler", 68, true},
    {"HandlerSettings", 1632, false}, {"Metadata", 7, false},
    {"WNSPushChannel", 0, false},     {"NotificationData", 0, false},
    {"HandlerAssets", 0, false},      {"TransientTable", 0, false},
};

class EveryRealTable : public OwnWalkAgreement, public ::testing::WithParamInterface<table_case> {
protected:
    [[nodiscard]] uint64 root_page(const std::string& name) {
        sql_rows root;
        if (!select_rows(root, m_db.handle(),
                         "select rootpage from sqlite_master where name = '" + name + "'") ||
            root.size() != 1) {
            return 0;
        }
        return std::stoull(root[0][0]);
    }
};

TEST_P(EveryRealTable, OwnWalkMatchesTheLibraryRowByRow) {
    const table_case& c = GetParam();
    const uint64 root = root_page(c.name);
    ASSERT_NE(root, 0U);
    table_rows t;
    ASSERT_TRUE(read_both(c.name, root, 4096, t));
    EXPECT_EQ(t.library_rows.size(), c.rows);
    EXPECT_EQ(t.alias_column >= 0, c.rowid_alias);
    EXPECT_EQ(first_difference(t), "");
}

INSTANTIATE_TEST_SUITE_P(Tables, EveryRealTable, ::testing::ValuesIn(real_tables),
                         [](const auto& p) { return std::string(p.param.name); });

// select_rows agrees too on a table without NULL values.
TEST_F(EveryRealTable, SelectRowsMatchesOnNotification) {
    table_rows t;
    ASSERT_TRUE(read_both("Notification", root_page("Notification"), 4096, t));
    ASSERT_TRUE(
        select_rows(t.library_rows, m_db.handle(), "select * from [Notification] order by rowid"));
    ASSERT_EQ(t.library_rows.size(), 6U);
    EXPECT_EQ(first_difference(t), "");
}

}  // namespace
