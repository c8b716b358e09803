#include "sqlite/sql_row_readers.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "sqlite/sql_result_set.h"
#include "sqlite/sqlite_api.h"
#include "sqlite/sqlite_test_support.h"
#include "sqlite/sqlite_wrapper.h"

namespace {

using velk_test::temp_dir;
using names_t = std::vector<std::string>;

// One row of every storage class: integer, real, text, blob (with a NUL) and NULL.
class SqlRowReaders : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_db.open(nullptr, m_folder.file("kinds.db"), ""));
        sql_result_set result;
        ASSERT_TRUE(sql_transaction(
            &result, &m_db,
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

TEST_F(SqlRowReaders, EachRoutineRendersValuesByItsRules) {
    const std::string sql = "select * from k";
    sql_rows rows{{"stale"}};
    ASSERT_TRUE(select_rows(rows, m_db.handle(), sql));
    EXPECT_EQ(rows, (sql_rows{{"-42", "3.14159", "text", m_blob, "0"}}));

    names_t names{"stale"};
    ASSERT_TRUE(select_rows_with_names(rows, names, m_db.handle(), sql));
    EXPECT_EQ(rows, (sql_rows{{"-42", "3.14159265", "text", m_blob, ""}}));
    EXPECT_EQ(names, (names_t{"i", "r", "t", "b", "n"}));

    seen_rows seen;
    ASSERT_TRUE(for_each_row(&seen, 7, 1, 2, 3, 4, m_db.handle(), sql, record_row));
    EXPECT_EQ(seen.rows, (sql_rows{{"-42", "3.14159", "text", m_blob, "0"}}));
    EXPECT_EQ(seen.passed, (std::vector<uint32>{7, 1, 2, 3, 4}));

    for (const bool float_as_text : {false, true}) {
        seen_rows named;
        ASSERT_TRUE(for_each_row_with_names(&named, 9, 5, 6, 7, 8, m_db.handle(), sql,
                                            record_named_row, float_as_text));
        const std::string real = float_as_text ? "3.14159265" : "3.14159";
        EXPECT_EQ(named.rows, (sql_rows{{"-42", real, "text", m_blob, ""}}));
        EXPECT_EQ(named.names, (std::vector<names_t>{{"i", "r", "t", "b", "n"}}));
        EXPECT_EQ(named.passed, (std::vector<uint32>{9, 5, 6, 7, 8}));
    }
}

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

TEST_F(SqlRowReaders, UnpreparableStatementsAndMissingPartsGiveFalse) {
    sql_rows rows;
    names_t names;
    seen_rows seen;
    EXPECT_FALSE(select_rows(rows, m_db.handle(), "select * from missing"));
    EXPECT_FALSE(select_rows(rows, nullptr, "select 1"));
    EXPECT_FALSE(select_rows_with_names(rows, names, m_db.handle(), "selec 1"));
    EXPECT_FALSE(select_rows_with_names(rows, names, nullptr, "select 1"));
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

TEST(SqlRowReadersReal, TableListAndNullWnsIds) {
    temp_dir folder;
    const std::string path = velk_test::copy_database(velk_test::real_wpndatabase(), folder);
    if (path.empty()) {
        GTEST_SKIP() << "real wpndatabase.db not present";
    }
    sqlite_wrapper db;
    ASSERT_TRUE(db.open_readonly(path, ""));
    std::ostringstream list;
    ASSERT_TRUE(table_list_sql(list));
    sql_rows rows;
    ASSERT_TRUE(select_rows(rows, db.handle(), list.str()));
    EXPECT_EQ(rows.size(), 8U);
    EXPECT_EQ(rows[0][0].rfind("CREATE TABLE", 0), 0U);

    const std::string sql = "select WNSId from NotificationHandler where RecordId = 55";
    ASSERT_TRUE(select_rows(rows, db.handle(), sql));
    EXPECT_EQ(rows, (sql_rows{{"0"}}));
    names_t names;
    ASSERT_TRUE(select_rows_with_names(rows, names, db.handle(), sql));
    EXPECT_EQ(rows, (sql_rows{{""}}));
    EXPECT_EQ(names, (names_t{"WNSId"}));
}

}  // namespace
