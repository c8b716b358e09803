// The library's answers to the SELECTs: rows through either road reach the records, and a
// failing statement leaves exactly one line naming it and the library's reason.

#include "app/push_query.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/db_processing.h"
#include "app/push_columns.h"
#include "app/push_table_type.h"
#include "app/velk_options.h"
#include "io/io_test_support.h"
#include "sqlite/carved_record.h"
#include "sqlite/record_bits.h"
#include "sqlite/value_code.h"
#include "text/guid16.h"

namespace {

namespace fs = std::filesystem;
using velk_test::temp_dir;

const char* const notification_select =
    "select `Order`,`Id`,`HandlerId`,`ActivityId`,`Type`,`Payload`,`Tag`,`Group`,`ExpiryTime`,"
    "`ArrivalTime`,`DataVersion`,`PayloadType`,`BootId`,`ExpiresOnReboot` from Notification;";

// Options with the connection open on a copy of dbproc/no_channel.db and the notification
// definition ready, as database processing leaves them before its SELECTs.
class PushQuery : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = m_dir.file("no_channel.db");
        fs::copy_file(std::string(VELK_TEST_DATA_DIR) + "/dbproc/no_channel.db", m_path);
        ASSERT_TRUE(m_options.m_db.open_readonly(m_path, ""));
        ASSERT_TRUE(m_options.m_notification_def.load_create_sql(
            "CREATE TABLE [Notification]( [Order] INTEGER, [Id] INTEGER, [HandlerId] INTEGER, "
            "[ActivityId] GUID, [Type] TEXT, [Payload] BLOB, [Tag] TEXT, [Group] TEXT, "
            "[ExpiryTime] INT64, [ArrivalTime] INT64, [DataVersion] INT64, [PayloadType] TEXT, "
            "[BootId] INT64, [ExpiresOnReboot] BOOLEAN)",
            true));
        const uint64 mask = notification_column_mask(m_options.m_notification_def);
        m_options.m_notification_def.m_column_count = static_cast<uint32>(count_mask_bits(mask));
        m_options.m_table_type = push_table_notification;
    }
    temp_dir m_dir;
    std::string m_path;
    velk_options m_options;
};

TEST_F(PushQuery, ExecRoadFillsRecordsThroughTheRowCallback) {
    EXPECT_TRUE(run_sql_query(m_options, &m_options.m_db, notification_select, on_select_row));
    ASSERT_EQ(m_options.m_notifications.size(), 6U);
    const notification_record& first = m_options.m_notifications.front();
    EXPECT_EQ(first.m_id, 1);
    EXPECT_EQ(first.m_handler_id, 10);
    EXPECT_EQ(record_source::of_word(first.m_source_word), record_source::sqlite_lib);
    EXPECT_EQ(m_options.m_messages.str(), "");
}

TEST_F(PushQuery, PreparedRoadKeepsEveryValuesByteLength) {
    EXPECT_TRUE(select_push_rows(
        m_options, &m_options.m_db,
        "select `Order`,`ActivityId` from Notification where `Order` = 20;",
        [](velk_options& options, int32 count, const std::vector<const char*>& values,
           const std::vector<uint32>& lengths, const std::vector<uint32>&) -> int32 {
            EXPECT_EQ(count, 2);
            EXPECT_EQ(lengths, (std::vector<uint32>{2, 16}));
            options.m_messages << "row " << values[0];
            return 0;
        }));
    EXPECT_EQ(m_options.m_messages.str(), "row 20");
}

// In a database of any text encoding a blob reaches the row function as its stored bytes
// (a UTF-8 payload is not taken for text in the database's encoding), a text comes in
// UTF-8, an empty blob is an empty value and NULL stays null.
class PreparedRoadEncodings : public ::testing::TestWithParam<const char*> {};

TEST_P(PreparedRoadEncodings, BlobsAsStoredTextsInUtf8) {
    temp_dir dir;
    const std::string path = dir.file("copy.db");
    fs::copy_file(std::string(VELK_TEST_DATA_DIR) + "/encoding/" + GetParam(), path);
    velk_options options;
    ASSERT_TRUE(options.m_db.open_readonly(path, ""));
    std::vector<std::string> got;
    std::vector<bool> nulls;
    std::vector<uint32> kinds;
    EXPECT_TRUE(select_push_rows(
        options, &options.m_db,
        "select Payload, Tag, x'', NULL, `Order` from Notification where `Order` = 8;",
        [&got, &nulls, &kinds](velk_options&, int32 count, const std::vector<const char*>& values,
                               const std::vector<uint32>& lengths,
                               const std::vector<uint32>& codes) -> int32 {
            for (int32 i = 0; i < count; ++i) {
                const auto at = static_cast<std::size_t>(i);
                nulls.push_back(values[at] == nullptr);
                got.emplace_back(values[at] == nullptr ? "" : std::string(values[at], lengths[at]));
            }
            kinds = codes;
            return 0;
        }));
    ASSERT_EQ(got.size(), 5U);
    EXPECT_TRUE(
        got[0].starts_with("<toast><visual><binding template='ToastGeneric'>"
                           "<text id='1'>Gr\xc3\xbc\xc3\x9f"
                           "e aus M\xc3\xbcnchen</text>"))
        << got[0];
    EXPECT_EQ(got[1],
              "Gr\xc3\xbc\xc3\x9f"
              "e-M\xc3\xbcnchen");
    EXPECT_EQ(got[2], "");
    EXPECT_EQ(nulls, (std::vector<bool>{false, false, false, true, false}));
    // Each value's storage class: a text and a blob of the same bytes stay apart.
    EXPECT_EQ(kinds, (std::vector<uint32>{value_code::blob, value_code::text, value_code::blob,
                                          value_code::null, value_code::integer}));
}

INSTANTIATE_TEST_SUITE_P(Encodings, PreparedRoadEncodings,
                         ::testing::Values("utf8.db", "utf16le.db", "utf16be.db"),
                         [](const auto& p) {
                             const std::string name = p.param;
                             return name.substr(0, name.find('.'));
                         });

TEST_F(PushQuery, FailedStatementLeavesOneLine) {
    const std::string sql = "select `Order` from Nowhere;";
    EXPECT_FALSE(run_sql_query(m_options, &m_options.m_db, sql, on_select_row));
    EXPECT_EQ(m_options.m_messages.str(),
              "Prob calling cmd: " + sql + ", error: no such table: Nowhere\n");
    m_options.m_messages.str("");
    EXPECT_FALSE(select_push_rows(
        m_options, &m_options.m_db, sql,
        [](velk_options&, int32, const std::vector<const char*>&, const std::vector<uint32>&,
           const std::vector<uint32>&) -> int32 { return 0; }));
    EXPECT_EQ(m_options.m_messages.str(),
              "Prob calling cmd: " + sql + ", error: no such table: Nowhere\n");
}

TEST_F(PushQuery, RowFunctionThatStopsEndsTheStatement) {
    EXPECT_FALSE(
        select_push_rows(m_options, &m_options.m_db, notification_select,
                         [](velk_options& options, int32, const std::vector<const char*>&,
                            const std::vector<uint32>&, const std::vector<uint32>&) -> int32 {
                             options.m_messages << "row;";
                             return 1;
                         }));
    EXPECT_EQ(m_options.m_messages.str(), std::string("row;Prob calling cmd: ") +
                                              notification_select + ", error: query aborted\n");
}

TEST_F(PushQuery, NothingToRunOn) {
    EXPECT_FALSE(run_sql_query(m_options, nullptr, notification_select, on_select_row));
    EXPECT_FALSE(run_sql_query(m_options, &m_options.m_db, "", on_select_row));
    m_options.m_db.close();
    EXPECT_FALSE(run_sql_query(m_options, &m_options.m_db, notification_select, on_select_row));
    EXPECT_EQ(m_options.m_messages.str(), "");
}

TEST(PushQueryWrite, AlreadyExistsIsNotedAlone) {
    temp_dir dir;
    velk_options options;
    ASSERT_TRUE(options.m_db.open(nullptr, dir.file("scratch.db"), ""));
    EXPECT_TRUE(run_sql_query(options, &options.m_db, "create table t (a);", on_select_row));
    EXPECT_FALSE(run_sql_query(options, &options.m_db, "create table t (a);", on_select_row));
    EXPECT_EQ(options.m_messages.str(), "table t already exists\n");
}

}  // namespace
