#include "sqlite/table_definition.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "io/io_test_support.h"
#include "real_data.h"

namespace {

// ---- Single declarations -------------------------------------------------------------

struct declaration_case {
    const char* name;
    const char* declaration;  // the one entry of the column list
    const char* column;
    uint32 type;
    uint32 constraints;
    const char* default_value;
};

const declaration_case declaration_cases[] = {
    {"IntegerPrimaryKeyAutoincrement", "id INTEGER PRIMARY KEY AUTOINCREMENT", "id",
     col_type_integer, col_primary_key | col_autoincrement, ""},
    // "not null" is erased before "default" is read: the default keeps the blank before NOT.
    {"DefaultBeforeNotNull", "flags INT DEFAULT 0 NOT NULL", "flags", col_type_integer,
     col_not_null | col_has_default, "0 "},
    // The default value is erased before the type words are searched.
    {"DefaultValueIsNoTypeWord", "x INTEGER DEFAULT 'text'", "x", col_type_integer,
     col_has_default, "text"},
    {"DefaultEndsTheEntry", "flag DEFAULT", "flag", col_type_text, col_has_default, ""},
    {"DefaultCurrentTimestamp", "ts DEFAULT CURRENT_TIMESTAMP", "ts", col_type_text,
     col_has_default, "current_timestamp"},
    {"BracketedName", "[id] text", "id", col_type_text, 0, ""},
    {"BracketedNameWithBlank", "[Arrival Time] INT64", "Arrival Time", col_type_integer, 0, ""},
    {"QuotesKept", "`quoted` text", "`quoted`", col_type_text, 0, ""},
    {"LoneDateSearchesItsName", "date", "date", col_type_numeric, 0, ""},
    {"LonePayloadInt", "payload_int", "payload_int", col_type_integer, 0, ""},
    {"BigintIsInteger", "n bigint", "n", col_type_integer, 0, ""},
    {"DatetimeIsNumeric", "t DATETIME", "t", col_type_numeric, 0, ""},
    {"VarcharSizeRemoved", "s varchar(255)", "s", col_type_text, 0, ""},
    {"DecimalWithComma", "d DECIMAL(10,2)", "d", col_type_numeric, 0, ""},
    {"GuidIsBlob", "g GUID", "g", col_type_blob, 0, ""},
    {"DoubleIsReal", "r DOUBLE", "r", col_type_real, 0, ""},
    {"BooleanDefaultFalse", "[ExpiresOnReboot] BOOLEAN DEFAULT 'FALSE'", "ExpiresOnReboot",
     col_type_numeric, col_has_default, "false"},
    {"ConstraintBecomesColumn", "CONSTRAINT pk PRIMARY KEY (a)", "CONSTRAINT", col_type_text,
     col_primary_key, ""},
    {"CheckBecomesColumn", "CHECK (x > 0)", "CHECK", col_type_text, 0, ""},
};

class ParseDeclaration : public ::testing::TestWithParam<declaration_case> {};

TEST_P(ParseDeclaration, GivesNameTypeConstraintsAndDefault) {
    const declaration_case& c = GetParam();
    table_definition def;
    ASSERT_TRUE(def.load_create_sql(std::string("CREATE TABLE t (") + c.declaration + ")", true));
    ASSERT_EQ(def.m_columns.size(), 1u);
    const column_definition& col = def.m_columns[0];
    EXPECT_EQ(col.m_name, c.column);
    EXPECT_EQ(col.m_type_mask, c.type);
    EXPECT_EQ(col.m_constraints, c.constraints);
    EXPECT_EQ(col.m_default, c.default_value);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseDeclaration, ::testing::ValuesIn(declaration_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ParseCreateSql, GuidAsTextWhenAsked) {
    table_definition def;
    int end = 0;
    ASSERT_TRUE(def.parse_create_sql(end, "create table t (g guid)", 0, false));
    EXPECT_EQ(def.m_columns[0].m_type_mask, col_type_text);
}

// ---- Whole tables ----------------------------------------------------------------------

std::vector<std::string> names_of(const table_definition& def) {
    std::vector<std::string> names;
    for (const column_definition& col : def.m_columns) {
        names.push_back(col.m_name);
    }
    return names;
}

TEST(ParseCreateSql, TableNameInAnyCaseWithBracketsAndQuotesRemoved) {
    table_definition def;
    int end = 0;
    ASSERT_TRUE(def.parse_create_sql(end, "  Create Table [My Table] (a int)", 0, true));
    EXPECT_EQ(def.m_name, "My Table");
    EXPECT_EQ(end, 14);
    ASSERT_TRUE(def.load_create_sql("CREATE TABLE \"Quoted\"\n(a int) WITHOUT ROWID", true));
    EXPECT_EQ(def.m_name, "Quoted");
    EXPECT_EQ(def.m_without_rowid, 1);
}

TEST(ParseCreateSql, TableConstraintsAndRepeatedNames) {
    table_definition def;
    ASSERT_TRUE(def.load_create_sql(
        "CREATE TABLE t (a INT, b TEXT, PRIMARY KEY (a, b), FOREIGN KEY (b) REFERENCES u(x), "
        "UNIQUE (a), a, c, c)",
        true));
    // The untyped a repeats a typed column and goes; the two untyped c both stay as text.
    EXPECT_EQ(names_of(def), (std::vector<std::string>{"a", "b", "c", "c"}));
    EXPECT_EQ(def.m_columns[2].m_type_mask, col_type_text);
    EXPECT_EQ(def.m_columns[0].m_text, "a INT");
}

TEST(ParseCreateSql, UnclosedGroupAndEmptyEntriesAreDropped) {
    table_definition def;
    // The "(" before c never closes, so c's name keeps it and the entry goes.
    ASSERT_TRUE(def.load_create_sql("CREATE TABLE t (a int, , (c, d text)", true));
    EXPECT_EQ(names_of(def), (std::vector<std::string>{"a", "d"}));
}

TEST(ParseCreateSql, NestedGroupLosesOnlyItsFirstPair) {
    table_definition def;
    ASSERT_TRUE(def.load_create_sql("CREATE TABLE t (x (a(b)c) text, y blob)", true));
    ASSERT_EQ(def.m_columns.size(), 2u);
    EXPECT_EQ(def.m_columns[0].m_text, "x c) text");
    EXPECT_EQ(def.m_columns[0].m_type_mask, col_type_text);
}

TEST(ParseCreateSql, SignatureOverLowerCasedNames) {
    table_definition def;
    ASSERT_TRUE(def.load_create_sql("CREATE TABLE t (Id INTEGER, [PayLoad] BLOB)", true));
    // MD5 of the 13 characters "sz;id;payload", in the GUID text form.
    EXPECT_EQ(def.m_schema_signature, "46b01b26-de57-69b0-2007-8dbefbdb2519");
    EXPECT_EQ(guid_to_string(def.m_schema_digest), def.m_schema_signature);
    // The table's name takes no part in it.
    table_definition other;
    ASSERT_TRUE(other.load_create_sql("create table renamed (id int, payload text)", true));
    EXPECT_EQ(other.m_schema_signature, def.m_schema_signature);
}

TEST(ParseCreateSql, NoNamedColumnGivesNoSignature) {
    table_definition def;
    ASSERT_TRUE(def.load_create_sql("CREATE TABLE t ([] text, [] int)", true));
    EXPECT_EQ(def.m_columns.size(), 2u);
    EXPECT_TRUE(def.m_schema_signature.empty());
    EXPECT_TRUE(guid_is_null(def.m_schema_digest));
}

struct failure_case {
    const char* name;
    const char* sql;
    create_sql_fault fault;
    int keyword_end;
    std::size_t columns_left;
};

const failure_case failure_cases[] = {
    {"Empty", "", create_sql_fault::empty_text, 0, 0},
    {"NoKeyword", "select 1", create_sql_fault::no_create_table, 0, 0},
    {"CreateIndex", "CREATE INDEX i ON t (a)", create_sql_fault::no_create_table, 0, 0},
    {"NoOpenParen", "CREATE TABLE t", create_sql_fault::no_open_paren, 0, 0},
    {"NoCloseParen", "CREATE TABLE t (a int", create_sql_fault::no_column_list, 12, 0},
    {"EmptyList", "CREATE TABLE t ()", create_sql_fault::no_column_list, 12, 0},
    {"CloseBeforeOpen", "CREATE TABLE t ) a (", create_sql_fault::no_column_list, 12, 0},
    // The columns read before the bad entry stay, the bad entry included.
    {"BracketWithoutOpen", "CREATE TABLE t (a int, id] text, b int)",
     create_sql_fault::unmatched_bracket, 12, 2},
    {"BracketBeforeOpen", "CREATE TABLE t (x] [y)", create_sql_fault::unmatched_bracket, 12, 1},
    {"OnlyConstraints", "CREATE TABLE t (PRIMARY KEY (a), UNIQUE (b))",
     create_sql_fault::no_columns, 12, 0},
};

class ParseCreateSqlFailure : public ::testing::TestWithParam<failure_case> {};

TEST_P(ParseCreateSqlFailure, GivesFalseWithItsReason) {
    const failure_case& c = GetParam();
    table_definition def;
    ASSERT_TRUE(def.load_create_sql("CREATE TABLE earlier (old1 int, old2 int)", true));
    int end = -1;
    EXPECT_EQ(def.read_create_sql(end, c.sql, 0, true), c.fault);
    EXPECT_EQ(end, c.keyword_end);
    EXPECT_EQ(def.m_columns.size(), c.columns_left);
    EXPECT_TRUE(def.m_schema_signature.empty());
    EXPECT_FALSE(def.parse_create_sql(end, c.sql, 0, true));
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseCreateSqlFailure, ::testing::ValuesIn(failure_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ParseCreateSql, CreateIndexIsMarkedAndStartIsHonoured) {
    table_definition def;
    EXPECT_FALSE(def.load_create_sql("CREATE UNIQUE INDEX i ON t (a)", true));
    EXPECT_EQ(def.m_is_create_index, 0);  // "create index " is not in "create unique index"
    EXPECT_FALSE(def.load_create_sql("create index i on t (a)", true));
    EXPECT_EQ(def.m_is_create_index, 1);
    int end = 0;
    EXPECT_FALSE(def.parse_create_sql(end, "CREATE TABLE t (a int)", 1, true));
    EXPECT_FALSE(def.parse_create_sql(end, "CREATE TABLE t (a int)", -1, true));
}

TEST(ParseCreateSql, HostileTextsEndInLinearTime) {
    // 100,000 groups in 1 MiB: cutting them one at a time and searching again from the start
    // would move about 50 GB of text.
    std::string sql = "CREATE TABLE t (a int";
    for (int i = 0; i < 100000; ++i) {
        sql += "(x,y,z)";
    }
    sql += ", b text)";
    table_definition def;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(def.load_create_sql(sql, true));
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(names_of(def), (std::vector<std::string>{"a", "b"}));
    EXPECT_LT(seconds.count(), 20.0);

    // 100,000 untyped entries and 100,000 openings that never close.
    std::string many = "CREATE TABLE t (";
    for (int i = 0; i < 100000; ++i) {
        many += "(c" + std::to_string(i) + ",";
    }
    many += "z)";
    ASSERT_TRUE(def.load_create_sql(many, true));
    EXPECT_EQ(def.m_columns.size(), 1u);  // only z
}

// ---- Column counts and names ---------------------------------------------------------

TEST(TableDefinition, MinColumnCountSkipsColumnsThatMayBeAbsent) {
    table_definition def;
    ASSERT_TRUE(def.load_create_sql(
        "CREATE TABLE t (a int, b int DEFAULT 0, c int DEFAULT 1, d text DEFAULT 'x', "
        "e int DEFAULT 0 NOT NULL, f int)",
        true));
    // d's default "x" and e's "0 " (the blank before NOT stays) both count as absent.
    EXPECT_EQ(def.min_column_count(), 4);
    def.m_columns[5].m_may_be_absent = 1;  // no default: the flag decides
    def.m_columns[1].m_may_be_absent = 1;  // "0": the flag is not read
    EXPECT_EQ(def.min_column_count(), 3);
}

TEST(TableDefinition, WriteColumnNames) {
    table_definition def;
    std::ostringstream out;
    def.write_column_names(out, 2);
    EXPECT_EQ(out.str(), "");

    ASSERT_TRUE(def.load_create_sql("CREATE TABLE t (Id int, HandlerId int, Payload blob)", true));
    def.write_column_names(out, 2);
    EXPECT_EQ(out.str(), "id-ha-pa");

    ASSERT_TRUE(def.load_create_sql("CREATE TABLE t (Id int, H int, c int, d int, e int)", true));
    def.m_column_mask = 0x1000000000000007ULL;  // bit 60 is no column: three selected
    out.str("");
    def.write_column_names(out, 3);
    EXPECT_EQ(out.str(), "id-h-c");

    // Names as written when the first column has no name.
    ASSERT_TRUE(def.load_create_sql("CREATE TABLE t ([] int, Xy int)", true));
    out.str("");
    def.write_column_names(out, 1);
    EXPECT_EQ(out.str(), "-X");
}

TEST(TableDefinition, CopiesAreDeepAndClearResetsEverything) {
    table_definition def;
    ASSERT_TRUE(def.load_create_sql("CREATE TABLE t (a int)", true));
    def.m_column_map[1] = 0;
    def.m_columns[0].m_spare = 7;
    table_definition copy = def;
    def.clear();
    EXPECT_TRUE(def.m_columns.empty());
    EXPECT_TRUE(def.m_column_map.empty());
    EXPECT_TRUE(def.m_name.empty());
    ASSERT_EQ(copy.m_columns.size(), 1u);
    EXPECT_EQ(copy.m_columns[0].m_spare, 7u);
    EXPECT_EQ(copy.m_column_map.size(), 1u);
    copy.m_columns[0].clear();
    EXPECT_EQ(copy.m_columns[0].m_spare, 0u);
    EXPECT_TRUE(copy.m_columns[0].m_name.empty());
}

// ---- The real push-notification schema ------------------------------------------------

std::map<std::string, std::string> real_create_texts() {
    std::map<std::string, std::string> texts;
    const std::string real = std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db";
    if (!std::filesystem::exists(real)) {
        return texts;
    }
    // A copy, so that the library never writes beside the shared file.
    const velk_test::temp_dir dir;
    const std::string copy = dir.file("wpndatabase.db");
    std::filesystem::copy_file(real, copy);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT name, sql FROM sqlite_master WHERE type = 'table'",
                               -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                texts[reinterpret_cast<const char*>(sqlite3_column_text(st, 0))] =
                    reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return texts;
}

TEST(RealSchema, PushNotificationTables) {
    VELK_NEED_REAL_DATA(std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db");
    const std::map<std::string, std::string> texts = real_create_texts();
    ASSERT_FALSE(texts.empty());
    table_definition n;
    ASSERT_TRUE(n.load_create_sql(texts.at("Notification"), true));
    EXPECT_EQ(n.m_name, "Notification");
    EXPECT_EQ(names_of(n),
              (std::vector<std::string>{"Order", "Id", "HandlerId", "ActivityId", "Type",
                                        "Payload", "Tag", "Group", "ExpiryTime", "ArrivalTime",
                                        "DataVersion", "PayloadType", "BootId",
                                        "ExpiresOnReboot"}));
    EXPECT_EQ(n.m_columns[0].m_type_mask, col_type_integer);
    EXPECT_EQ(n.m_columns[0].m_constraints, col_not_null | col_primary_key);
    EXPECT_EQ(n.m_columns[3].m_type_mask, col_type_blob);
    EXPECT_EQ(n.m_columns[10].m_default, "0");
    EXPECT_EQ(n.m_columns[13].m_type_mask, col_type_numeric);
    EXPECT_EQ(n.m_columns[13].m_constraints, col_has_default);
    EXPECT_EQ(n.m_columns[13].m_default, "false");
    EXPECT_EQ(n.m_schema_signature, "ab2589b5-f387-294b-3684-836c5cf06655");

    struct expected {
        const char* table;
        std::size_t columns;
        const char* signature;
    };
    for (const expected& e : {expected{"NotificationHandler", 10,
                                       "06a9930a-5220-fdc9-5d00-e9865a944f65"},
                              expected{"WNSPushChannel", 6, "8798e78e-f00e-65a6-5246-57ce4e46e0dc"},
                              expected{"HandlerSettings", 3,
                                       "291e5003-6501-3add-1f31-56c5a1d5a5b7"}}) {
        table_definition def;
        ASSERT_TRUE(def.load_create_sql(texts.at(e.table), true)) << e.table;
        EXPECT_EQ(def.m_name, e.table);
        EXPECT_EQ(def.m_columns.size(), e.columns) << e.table;
        EXPECT_EQ(def.m_schema_signature, e.signature) << e.table;
    }
}

}  // namespace

namespace {

TEST(TableDefinitionMask, CountsOnlyTheLowSixtyBits) {
    table_definition definition;
    EXPECT_EQ(definition.mask_column_count(), 0);
    definition.m_column_mask = 0x5;
    EXPECT_EQ(definition.mask_column_count(), 2);
    // The top four bits carry flags, not columns.
    definition.m_column_mask = 0xF000000000000001ULL;
    EXPECT_EQ(definition.mask_column_count(), 1);
}

}  // namespace
