#include "sqlite/sql_result_set.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "sqlite/sqlite_test_support.h"
#include "sqlite/sqlite_wrapper.h"

namespace {

using rows_t = std::vector<std::vector<std::string>>;
using velk_test::temp_dir;

class SqlTransaction : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_db.open(nullptr, m_folder.file("t.db"), "")); }

    temp_dir m_folder;
    sqlite_wrapper m_db;
    sql_result_set m_result;
};

TEST_F(SqlTransaction, RefusesMissingPartsWithoutRunningAnything) {
    EXPECT_FALSE(sql_transaction(&m_result, &m_db, {}, sql_row_callback));
    EXPECT_FALSE(sql_transaction(nullptr, &m_db, {"create table t(a)"}, sql_row_callback));
    EXPECT_FALSE(sql_transaction(&m_result, nullptr, {"create table t(a)"}, sql_row_callback));
    sqlite_wrapper closed;
    EXPECT_FALSE(sql_transaction(&m_result, &closed, {"create table t(a)"}, sql_row_callback));
    EXPECT_TRUE(m_result.rowids.empty());
    EXPECT_EQ(m_result.log.str(), "");
    // None of those created the table.
    ASSERT_TRUE(sql_transaction(&m_result, &m_db, {"select count(*) from sqlite_master"},
                                sql_row_callback));
    EXPECT_EQ(m_result.rows, (rows_t{{"0"}}));
}

TEST_F(SqlTransaction, AppendsTheLastInsertRowidAfterEachStatement) {
    ASSERT_TRUE(sql_transaction(&m_result, &m_db,
                                {"create table t(a)", "insert into t values(5)",
                                 "insert into t values(6)", "select a from t order by a"},
                                sql_row_callback));
    EXPECT_EQ(m_result.rowids, (std::vector<int64>{0, 1, 2, 2}));
    EXPECT_EQ(m_result.column_names, (std::vector<std::string>{"a"}));
    EXPECT_EQ(m_result.rows, (rows_t{{"5"}, {"6"}}));
}

TEST_F(SqlTransaction, AlreadyExistsIsFlaggedAndLoggedBare) {
    ASSERT_TRUE(sql_transaction(&m_result, &m_db, {"create table t(a)"}, sql_row_callback));
    EXPECT_FALSE(sql_transaction(&m_result, &m_db, {"create table t(a)"}, sql_row_callback));
    EXPECT_TRUE(m_result.already_exists);
    EXPECT_EQ(m_result.log.str(), "table t already exists\n");
}

TEST_F(SqlTransaction, FailureLogsTheStatementAndStopsTheList) {
    EXPECT_FALSE(sql_transaction(&m_result, &m_db,
                                 {"create table t(a)", "selec 1", "insert into t values(1)"},
                                 sql_row_callback));
    EXPECT_FALSE(m_result.already_exists);
    EXPECT_EQ(m_result.log.str(), "Cmd Used: selec 1\n Error: near \"selec\": syntax error\n");
    EXPECT_EQ(m_result.rowids.size(), 1U);
    sql_result_set count;
    ASSERT_TRUE(sql_transaction(&count, &m_db, {"select count(*) from t"}, sql_row_callback));
    EXPECT_EQ(count.rows, (rows_t{{"0"}}));  // the insert after the failure never ran
}

TEST(SqlRowCallback, CollectsNamesOnceAndNullsAsEmpty) {
    sql_result_set result;
    char a[] = "a";
    char b[] = "b";
    char one[] = "1";
    char two[] = "2";
    char* names[] = {a, b};
    char* first[] = {one, nullptr};
    char* second[] = {nullptr, two};
    EXPECT_EQ(sql_row_callback(&result, 2, first, names), 0);
    EXPECT_EQ(sql_row_callback(&result, 2, second, names), 0);
    EXPECT_EQ(result.column_names, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(result.rows, (rows_t{{"1", ""}, {"", "2"}}));

    // Arrays SQLite never passes null are read as all-null, never dereferenced.
    sql_result_set bare;
    EXPECT_EQ(sql_row_callback(&bare, 2, nullptr, nullptr), 0);
    EXPECT_EQ(bare.column_names, (std::vector<std::string>{"", ""}));
    EXPECT_EQ(bare.rows, (rows_t{{"", ""}}));
    EXPECT_EQ(sql_row_callback(nullptr, 2, first, names), 0);
    EXPECT_EQ(sql_row_callback(&bare, -3, first, names), 0);
    EXPECT_EQ(bare.rows.back(), std::vector<std::string>{});
}

TEST(SqlRowCallback, EchoWritesJoinedLinesInsteadOfCollecting) {
    sql_result_set result;
    std::ostringstream out;
    result.echo = &out;
    char a[] = "a";
    char b[] = "b";
    char one[] = "1";
    char two[] = "2";
    char* names[] = {a, b};
    char* first[] = {one, nullptr};
    char* second[] = {nullptr, two};
    EXPECT_EQ(sql_row_callback(&result, 2, first, names), 0);
    EXPECT_EQ(sql_row_callback(&result, 2, second, names), 0);
    EXPECT_EQ(out.str(), "a | b\n1 | \n | 2\n");
    EXPECT_TRUE(result.names_echoed);
    EXPECT_TRUE(result.rows.empty());
}

TEST(ExecCallbacks, PrintAndCollectValues) {
    char one[] = "1";
    char three[] = "3";
    char* values[] = {one, nullptr, three};
    std::ostringstream out;
    EXPECT_EQ(print_values_callback(&out, 3, values, nullptr), 0);
    EXPECT_EQ(out.str(), "1\n3\n");
    std::vector<std::string> list{"x"};
    EXPECT_EQ(collect_values_callback(&list, 3, values, nullptr), 0);
    EXPECT_EQ(list, (std::vector<std::string>{"x", "1", "", "3"}));
    EXPECT_EQ(collect_values_callback(&list, 2, nullptr, nullptr), 0);
    EXPECT_EQ(list.size(), 6U);
    EXPECT_EQ(print_values_callback(nullptr, 3, values, nullptr), 0);
    EXPECT_EQ(collect_values_callback(nullptr, 3, values, nullptr), 0);
}

TEST(SqlResultSet, ResetEmptiesEverything) {
    sql_result_set result;
    std::ostringstream echo;
    int state = 0;
    result.column_types = {1};
    result.column_names = {"a"};
    result.rows = {{"1"}};
    result.rowids = {4};
    result.log << "old";
    result.echo = &echo;
    result.names_echoed = true;
    result.already_exists = true;
    result.user_data = &state;
    result.reset();
    EXPECT_TRUE(result.column_types.empty());
    EXPECT_TRUE(result.column_names.empty());
    EXPECT_TRUE(result.rows.empty());
    EXPECT_TRUE(result.rowids.empty());
    EXPECT_EQ(result.log.str(), "");
    EXPECT_EQ(result.echo, nullptr);
    EXPECT_FALSE(result.names_echoed);
    EXPECT_FALSE(result.already_exists);
    EXPECT_EQ(result.user_data, nullptr);
}

TEST(DumpResultSet, WritesNamesThenRowsWithHexColumns) {
    sql_result_set result;
    result.column_names = {"id", "raw"};
    result.rows = {{"7", std::string("\x00\xff", 2)}, {"8"}, {"9", "A", "extra"}};
    std::ostringstream plain;
    dump_result_set(result, plain);
    EXPECT_EQ(plain.str(),
              "id | raw | \n\n7 | " + std::string("\x00\xff", 2) + " | \n8 | \n9 | A | \n");
    result.column_types = {0, column_type_hex_bytes};
    std::ostringstream hex;
    dump_result_set(result, hex);
    EXPECT_EQ(hex.str(), "id | raw | \n\n7 | 00 ff  | \n8 | \n9 | 41  | \n");
}

TEST(TableListSql, ReplacesTheStreamText) {
    std::ostringstream sql;
    sql << "old text";
    EXPECT_TRUE(table_list_sql(sql));
    EXPECT_EQ(sql.str(), "select `sql` from sqlite_master where type='table';");
}

}  // namespace
