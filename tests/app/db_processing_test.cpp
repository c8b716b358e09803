// Reading one database is where an examiner's report starts: every live row must arrive in
// the right members, the same whether the library or the own walker reads it, a database
// that cannot be used must say why, and the evidence folder must stay as it was.

#include "app/db_processing.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/private_db_copy.h"
#include "app/push_table_type.h"
#include "app/velk_options.h"
#include "app/velk_process.h"
#include "io/io_test_support.h"
#include "real_data.h"
#include "sqlite/carved_record.h"
#include "text/guid16.h"

namespace {

namespace fs = std::filesystem;
using velk_test::temp_dir;

std::string fixture(const std::string& name) {
    return std::string(VELK_TEST_DATA_DIR) + "/" + name;
}
std::string real_db() { return std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db"; }

// Copies a file and whichever companions it has into dir; the copy's path.
std::string copy_in(const temp_dir& dir, const std::string& from) {
    std::string to = dir.file(fs::path(from).filename().string());
    fs::copy_file(from, to);
    for (const char* suffix : {"-wal", "-journal"}) {
        if (fs::exists(from + suffix)) {
            fs::copy_file(from + suffix, to + suffix);
        }
    }
    return to;
}

// Options as the parser leaves them for one input; status lines off unless a test wants
// them.
struct reader {
    velk_options options;
    explicit reader(bool carve, bool settings = false) {
        options.m_status_output = false;
        options.m_carve = carve;
        options.m_incl_slack = carve;
        options.m_incl_settings = settings;
    }
};

uint32 source_of(const sqlite_metadata& record) {
    return record_source::of_word(record.m_source_word);
}

std::map<int64, const notification_record*> by_id(const std::vector<notification_record>& list) {
    std::map<int64, const notification_record*> out;
    for (const notification_record& r : list) {
        out[r.m_id] = &r;
    }
    return out;
}

void expect_same(const notification_record& a, const notification_record& b) {
    SCOPED_TRACE("notification " + std::to_string(a.m_id));
    EXPECT_EQ(a.m_id, b.m_id);
    EXPECT_EQ(a.m_number_a, b.m_number_a);
    EXPECT_EQ(a.m_handler_id, b.m_handler_id);
    EXPECT_EQ(guid_to_string(a.m_guid), guid_to_string(b.m_guid));
    EXPECT_EQ(a.activity_form(), b.activity_form());
    EXPECT_EQ(a.m_guid_value, b.m_guid_value);
    EXPECT_EQ(a.m_type, b.m_type);
    EXPECT_EQ(a.m_payload, b.m_payload);
    EXPECT_EQ(a.m_text_a, b.m_text_a);
    EXPECT_EQ(a.m_text_b, b.m_text_b);
    EXPECT_EQ(a.m_expiry_time, b.m_expiry_time);
    EXPECT_EQ(a.m_arrival_time, b.m_arrival_time);
    EXPECT_EQ(a.m_number_b, b.m_number_b);
    EXPECT_EQ(a.m_format, b.m_format);
    EXPECT_EQ(a.m_number_c, b.m_number_c);
    EXPECT_EQ(a.m_number_d, b.m_number_d);
}

void expect_same(const notification_handler_record& a, const notification_handler_record& b) {
    SCOPED_TRACE("handler " + std::to_string(a.m_handler_id));
    EXPECT_EQ(a.m_handler_id, b.m_handler_id);
    EXPECT_EQ(a.m_primary_id, b.m_primary_id);
    EXPECT_EQ(a.m_secondary_id, b.m_secondary_id);
    EXPECT_EQ(a.m_text_8, b.m_text_8);
    EXPECT_EQ(a.m_text_10, b.m_text_10);
    EXPECT_EQ(a.m_number_20, b.m_number_20);
    EXPECT_EQ(a.m_data_40, b.m_data_40);
    EXPECT_EQ(a.m_time_text_80, b.m_time_text_80);
    EXPECT_EQ(a.m_time_text_100, b.m_time_text_100);
    EXPECT_EQ(a.m_text_200, b.m_text_200);
    EXPECT_EQ(a.m_text_400, b.m_text_400);
    EXPECT_EQ(a.m_time_80, b.m_time_80);
    EXPECT_EQ(a.m_time_100, b.m_time_100);
    EXPECT_EQ(a.m_short_name, b.m_short_name);
}

void expect_same_rows(const velk_options& lib, const velk_options& carve) {
    ASSERT_EQ(lib.m_notifications.size(), carve.m_notifications.size());
    const auto carved = by_id(carve.m_notifications);
    for (const notification_record& live : lib.m_notifications) {
        ASSERT_EQ(carved.count(live.m_id), 1U) << live.m_id;
        expect_same(live, *carved.at(live.m_id));
    }
    ASSERT_EQ(lib.m_handlers.size(), carve.m_handlers.size());
    for (const notification_handler_record& live : lib.m_handlers) {
        const auto at = carve.m_handler_index.find(live.m_handler_id);
        ASSERT_NE(at, carve.m_handler_index.end()) << live.m_handler_id;
        expect_same(live, carve.m_handlers.at(static_cast<std::size_t>(at->second)));
    }
}

// ---- The real database --------------------------------------------------------------

class ProcessRealDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        VELK_NEED_REAL_DATA(real_db());
        m_path = copy_in(m_dir, real_db());
    }
    temp_dir m_dir;
    std::string m_path;
};

TEST_F(ProcessRealDatabase, LibraryReadsEveryLiveRowIntoItsMembers) {
    reader r(false);
    velk_options& o = r.options;
    ASSERT_TRUE(process_db_file(&o, m_path));
    EXPECT_EQ(o.m_db_failure, db_failure::none);
    EXPECT_TRUE(o.m_have_input);
    EXPECT_EQ(o.m_db.db_path(), m_path);
    EXPECT_EQ(o.m_notifications.size(), 6U);
    EXPECT_EQ(o.m_handlers.size(), 68U);
    EXPECT_TRUE(o.m_channels.empty());
    EXPECT_TRUE(o.m_settings.empty());
    EXPECT_EQ(o.m_notification_def.m_column_mask, 0x3fffU);
    EXPECT_EQ(o.m_notification_def.m_column_count, 14U);
    EXPECT_EQ(o.m_handler_def.m_column_mask, 0x7fbU);
    EXPECT_EQ(o.m_handler_def.m_column_count, 10U);
    EXPECT_EQ(o.m_channel_def.m_column_mask, 0x3fU);
    EXPECT_EQ(o.m_channel_def.m_column_count, 6U);
    EXPECT_TRUE(o.m_settings_def.m_columns.empty());  // not looked for without the option
    EXPECT_EQ(o.m_short_name_width, 29);  // "windows.immersivecontrolpanel" of handler 68

    const auto notes = by_id(o.m_notifications);
    ASSERT_EQ(notes.count(1), 1U);
    const notification_record& n = *notes.at(1);
    EXPECT_EQ(n.m_number_a, 2);
    EXPECT_EQ(n.m_handler_id, 68);
    EXPECT_EQ(n.m_type, "toast");
    EXPECT_EQ(n.m_arrival_time, 132521874959025799);
    EXPECT_EQ(n.m_expiry_time, 132521875559025799);
    EXPECT_EQ(n.m_format, "Xml");
    EXPECT_EQ(n.m_payload.rfind("<toast activationType='protocol'", 0), 0U);
    EXPECT_EQ(source_of(n), record_source::sqlite_lib);
    EXPECT_FALSE(n.m_recovered);
    EXPECT_EQ(n.m_table_type, push_table_notification);
    EXPECT_EQ(o.m_used_handler_ids, std::unordered_set<int64>{68});

    ASSERT_EQ(o.m_handler_index.count(1), 1U);
    const notification_handler_record& h =
        o.m_handlers.at(static_cast<std::size_t>(o.m_handler_index.at(1)));
    EXPECT_EQ(h.m_primary_id, "FamilySafety_Settings");
    EXPECT_EQ(h.m_short_name, "FamilySafety");
    EXPECT_EQ(h.m_time_80, 132521873530000000);
    EXPECT_EQ(o.m_handler_index.size(), 68U);
    // The connection is gone with its private copy; nothing of it is left to read.
    EXPECT_FALSE(o.m_db.is_open());
}

TEST_F(ProcessRealDatabase, SettingsAreReadOnlyWhenAskedFor) {
    reader r(false, true);
    ASSERT_TRUE(process_db_file(&r.options, m_path));
    EXPECT_EQ(r.options.m_settings.size(), 1632U);
    EXPECT_EQ(r.options.m_settings_def.m_column_mask, 0x7U);
    EXPECT_EQ(r.options.m_settings_def.m_column_count, 3U);
    EXPECT_EQ(r.options.m_settings_index.count(1), 24U);  // 24 keys per handler
    reader carve(true, true);
    ASSERT_TRUE(process_db_file(&carve.options, m_path));
    EXPECT_EQ(carve.options.m_settings.size(), 1632U);
}

// Rows written before a column was added hold fewer values than the table has columns:
// the walk gives them the column's declared default, as the library does.
TEST_F(ProcessRealDatabase, CarveGivesRowsWrittenBeforeAnAddedColumnItsDefault) {
    const char* rebuild =
        "BEGIN;"
        "CREATE TABLE [Short]( [Order] INTEGER NOT NULL PRIMARY KEY, [Id] INTEGER NOT NULL,"
        " [HandlerId] INTEGER, [ActivityId] GUID,[Type] TEXT NOT NULL, [Payload] BLOB,"
        " [Tag] TEXT, [Group] TEXT, [ExpiryTime] INT64, [ArrivalTime] INT64,"
        " [DataVersion] INT64 DEFAULT '0', [PayloadType] TEXT NOT NULL);"
        "INSERT INTO [Short] SELECT [Order], [Id], [HandlerId], [ActivityId], [Type], [Payload],"
        " [Tag], [Group], [ExpiryTime], [ArrivalTime], [DataVersion], [PayloadType]"
        " FROM [Notification];"
        "DROP TABLE [Notification];"
        "ALTER TABLE [Short] RENAME TO [Notification];"
        "ALTER TABLE [Notification] ADD COLUMN [BootId] INT64 DEFAULT '7';"
        "ALTER TABLE [Notification] ADD COLUMN [ExpiresOnReboot] BOOLEAN DEFAULT 'TRUE';"
        "COMMIT;";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(m_path.c_str(), &db), SQLITE_OK);
    const int rc = sqlite3_exec(db, rebuild, nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK);
    reader lib(false);
    ASSERT_TRUE(process_db_file(&lib.options, m_path));
    reader carve(true);
    ASSERT_TRUE(process_db_file(&carve.options, m_path));
    ASSERT_FALSE(carve.options.m_notifications.empty());
    expect_same_rows(lib.options, carve.options);
    EXPECT_EQ(carve.options.m_notifications.front().m_number_c, 7);
}

TEST_F(ProcessRealDatabase, NoWhitespaceKeepsTheShortNameWidth) {
    reader r(false);
    r.options.m_no_whitespace = true;
    ASSERT_TRUE(process_db_file(&r.options, m_path));
    EXPECT_EQ(r.options.m_short_name_width, 22);
}

TEST_F(ProcessRealDatabase, CarveReadsTheSameRowsAsTheLibrary) {
    reader lib(false);
    ASSERT_TRUE(process_db_file(&lib.options, m_path));
    const temp_dir fresh;
    reader carve(true);
    ASSERT_TRUE(process_db_file(&carve.options, copy_in(fresh, real_db())));
    expect_same_rows(lib.options, carve.options);
    EXPECT_EQ(carve.options.m_short_name_width, 29);
    for (const notification_record& n : carve.options.m_notifications) {
        EXPECT_TRUE(n.m_recovered);
        EXPECT_EQ(source_of(n), record_source::carve_main);
    }
    for (const notification_handler_record& h : carve.options.m_handlers) {
        EXPECT_TRUE(h.m_recovered);
        EXPECT_EQ(source_of(h), record_source::carve_main);
    }
    EXPECT_EQ(by_id(carve.options.m_notifications).at(1)->m_record_offset, 0x6ed7U);
    EXPECT_TRUE(carve.options.m_carve);  // page 1 parsed: no WAL image
}

// ---- Schema variants ----------------------------------------------------------------

struct schema_case {
    const char* name;
    const char* file;
    bool carve;
    std::size_t notifications;
    std::size_t handlers;
    std::size_t channels;
};

const schema_case schema_cases[] = {
    {"UpperCaseLibrary", "dbproc/upper_case.db", false, 6, 5, 2},
    {"UpperCaseCarve", "dbproc/upper_case.db", true, 6, 5, 2},
    {"NoChannelLibrary", "dbproc/no_channel.db", false, 6, 5, 0},
    {"NoChannelCarve", "dbproc/no_channel.db", true, 6, 5, 0},
    {"NoHandlerLibrary", "dbproc/no_handler.db", false, 6, 0, 2},
    {"NoHandlerCarve", "dbproc/no_handler.db", true, 6, 0, 2},
    {"ExtraColumnLibrary", "dbproc/extra_column.db", false, 6, 5, 2},
    {"ExtraColumnCarve", "dbproc/extra_column.db", true, 6, 5, 2},
    {"HotJournalCarve", "journal/wpndatabase.db", true, 4, 8, 2},
    {"SampleWithWalLibrary", "sample/wpndatabase.db", false, 11, 12, 3},
    {"SampleWithWalCarve", "sample/wpndatabase.db", true, 10, 12, 3},
};

class ProcessDbSchema : public ::testing::TestWithParam<schema_case> {};

TEST_P(ProcessDbSchema, ReadsTheTablesThereAre) {
    const schema_case& c = GetParam();
    const temp_dir dir;
    reader r(c.carve);
    ASSERT_TRUE(process_db_file(&r.options, copy_in(dir, fixture(c.file))));
    EXPECT_EQ(r.options.m_notifications.size(), c.notifications);
    EXPECT_EQ(r.options.m_handlers.size(), c.handlers);
    EXPECT_EQ(r.options.m_channels.size(), c.channels);
    EXPECT_EQ(r.options.m_channel_index.size(), c.channels);
    for (const notification_record& n : r.options.m_notifications) {
        EXPECT_TRUE(n.m_type == "toast" || n.m_type == "tile" || n.m_type == "badge") << n.m_type;
        EXPECT_EQ(n.m_format, "Xml");
        EXPECT_NE(n.m_arrival_time, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ProcessDbSchema, ::testing::ValuesIn(schema_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// A table the schema lacks is named, in both modes, and no statement is run for it (a
// SELECT of no columns from a table that is not there fails with a syntax error).
TEST(ProcessDbSchema, MissingHandlerOrChannelTableIsNamed) {
    const std::pair<const char*, const char*> cases[] = {
        {"dbproc/no_handler.db",
         "no NotificationHandler table: the notifications are reported "
         "without their handler\n"},
        {"dbproc/no_channel.db",
         "no WNSPushChannel table: the notifications are reported "
         "without their channel\n"}};
    for (const auto& [file, said] : cases) {
        for (const bool carve : {false, true}) {
            SCOPED_TRACE(std::string(file) + (carve ? " -carve" : ""));
            const temp_dir dir;
            const std::string path = copy_in(dir, fixture(file));
            reader r(carve);
            ::testing::internal::CaptureStderr();
            EXPECT_TRUE(process_db_file(&r.options, path));
            const std::string err = ::testing::internal::GetCapturedStderr();
            EXPECT_EQ(err, "prob reading " + path + ": " + said);
            EXPECT_EQ(r.options.m_messages.str(), "");
        }
    }
}

// A column between known ones must neither shift the values after it nor cost the walker
// its rows (the walk hands only the known columns to the record).
TEST(ProcessDbExtraColumn, CarveAndLibraryAgreeFieldByField) {
    const temp_dir dir;
    const std::string path = copy_in(dir, fixture("dbproc/extra_column.db"));
    reader lib(false, true);
    reader carve(true, true);
    ASSERT_TRUE(process_db_file(&lib.options, path));
    ASSERT_TRUE(process_db_file(&carve.options, path));
    expect_same_rows(lib.options, carve.options);
    ASSERT_EQ(carve.options.m_settings.size(), 30U);
    ASSERT_EQ(lib.options.m_settings.size(), 30U);
    for (std::size_t i = 0; i < lib.options.m_settings.size(); ++i) {
        const handler_settings_record& a = lib.options.m_settings[i];
        const handler_settings_record& b = carve.options.m_settings[i];
        EXPECT_EQ(a.m_handler_id, b.m_handler_id);
        EXPECT_EQ(a.m_name, b.m_name);
        EXPECT_EQ(a.m_value, b.m_value);
        EXPECT_EQ(b.m_name.rfind("VELK-EXTRA", 0), std::string::npos);
    }
    for (const notification_record& n : carve.options.m_notifications) {
        EXPECT_EQ(n.m_payload.find("VELK-EXTRA"), std::string::npos);
    }
}

// Keys are signed 64-bit rowids: the walk takes every one of them, as the library does,
// not only those up to 0xFFFFFFFF.
TEST(ProcessDbRowids, WalkTakesKeysBeyond32BitsAndBelowZero) {
    const temp_dir dir;
    const std::string path = copy_in(dir, fixture("dbproc/no_channel.db"));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "UPDATE Notification SET [Order] = 5000000000 WHERE [Order] = 20;"
                           "UPDATE Notification SET [Order] = -3 WHERE [Order] = 1;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    reader lib(false);
    reader carve(true);
    ASSERT_TRUE(process_db_file(&lib.options, path));
    ASSERT_TRUE(process_db_file(&carve.options, path));
    const auto carved = by_id(carve.options.m_notifications);
    EXPECT_EQ(carved.count(5000000000), 1U);
    EXPECT_EQ(carved.count(-3), 1U);
    expect_same_rows(lib.options, carve.options);
}

// values.db holds a notification, a channel and a setting whose HandlerId is NULL beside
// rows keyed 0. The library gives NULL as no text, the walker as an empty one: both keep it
// apart from 0, and no index takes it, so it can join nothing.
TEST(ProcessDbNullKeys, NullHandlerIdEntersNoIndexInEitherReader) {
    const temp_dir dir;
    const std::string path = copy_in(dir, fixture("values/values.db"));
    for (const bool carve : {false, true}) {
        SCOPED_TRACE(carve ? "carve" : "library");
        reader read(carve, true);
        ASSERT_TRUE(process_db_file(&read.options, path));
        const velk_options& o = read.options;
        const auto notifications = by_id(o.m_notifications);
        ASSERT_EQ(notifications.size(), 3U);
        EXPECT_TRUE(notifications.at(-5)->m_handler_id_null);
        EXPECT_FALSE(notifications.at(3)->m_handler_id_null);
        EXPECT_EQ(notifications.at(3)->m_handler_id, 0);
        EXPECT_EQ(o.m_used_handler_ids, (std::unordered_set<int64>{0, 1}));
        ASSERT_EQ(o.m_channels.size(), 3U);
        EXPECT_EQ(o.m_channel_index.size(), 2U);
        EXPECT_EQ(o.m_channel_index.count(0), 1U);
        ASSERT_EQ(o.m_settings.size(), 4U);
        EXPECT_EQ(o.m_settings_index.size(), 3U);
        EXPECT_EQ(o.m_settings_index.count(0), 1U);
    }
}

// The GUID of Order 20 is stored as a1b2c3d4-0000-4e11-8f00-00aa00bb00cc: its bytes hold
// zeros, which a terminated-text measure would take for its end.
TEST(ProcessDbGuid, LiveGuidKeepsItsZeroBytes) {
    for (const bool carve : {false, true}) {
        SCOPED_TRACE(carve ? "carve" : "library");
        const temp_dir dir;
        reader r(carve);
        ASSERT_TRUE(process_db_file(&r.options, copy_in(dir, fixture("dbproc/no_channel.db"))));
        const auto notes = by_id(r.options.m_notifications);
        ASSERT_EQ(notes.count(20), 1U);
        EXPECT_EQ(guid_to_string(notes.at(20)->m_guid), "a1b2c3d4-0000-4e11-8f00-00aa00bb00cc");
        EXPECT_EQ(guid_to_string(notes.at(1)->m_guid), "00000000-0000-0000-0000-000000000000");
    }
}

// A text and a blob may hold the same bytes: both readers keep how each ActivityId was
// stored (the library by the value's storage class, the walk by the record header).
TEST(ProcessDbGuid, BothReadersKeepHowTheActivityIdWasStored) {
    const temp_dir dir;
    const std::string path = copy_in(dir, fixture("cells/activity.db"));
    reader lib(false);
    reader carve(true);
    ASSERT_TRUE(process_db_file(&lib.options, path));
    ASSERT_TRUE(process_db_file(&carve.options, path));
    expect_same_rows(lib.options, carve.options);
    using form = activity_id_form;
    const std::map<int64, form> expected = {{1, form::guid}, {2, form::text}, {3, form::text},
                                            {4, form::hex},  {5, form::hex},  {6, form::none},
                                            {7, form::none}, {8, form::none}, {9, form::text}};
    std::map<int64, form> got;
    for (const notification_record& n : carve.options.m_notifications) {
        got[n.m_id] = n.activity_form();
    }
    EXPECT_EQ(got, expected);
}

// ---- Failures -----------------------------------------------------------------------

struct failure_case {
    const char* name;
    const char* file;  // under tests/data; copied unless missing
    bool carve;
    db_failure kind;
    const char* message;  // on standard error, followed by the path
    const char* reason;   // after the path, before the line's end
    const char* diag;     // a diagnostics item, or ""
};

const failure_case failure_cases[] = {
    {"EmptyFile", "dbproc/empty.db", false, db_failure::not_read, "prob accessing file ",
     ": the file is empty", ""},
    {"EmptyFileCarve", "dbproc/empty.db", true, db_failure::not_read, "prob accessing file ",
     ": the file is empty", ""},
    {"MissingFile", "dbproc/missing.db", false, db_failure::not_read, "prob accessing file ",
     ": No such file or directory", ""},
    {"TextFile", "dbproc/not_sqlite.txt", false, db_failure::not_sqlite, "prob processing file ",
     ": not an SQLite database", ""},
    {"NoKnownColumns", "dbproc/no_known_columns.db", false, db_failure::masks_missing, "analyzing ",
     "", "->prob getting masks for schemas\n"},
    {"NoKnownColumnsCarve", "dbproc/no_known_columns.db", true, db_failure::masks_missing,
     "analyzing ", "", "->prob getting masks for schemas\n"},
    {"NoPushTables", "carve/deleted.db", false, db_failure::tables_missing, "prob reading ",
     ": no Notification table", "->prob finding schemas that should be present\n"},
    {"NoPushTablesCarve", "carve/deleted.db", true, db_failure::tables_missing, "prob reading ",
     ": no Notification table", "->prob finding schemas that should be present\n"},
};

class ProcessDbFailure : public ::testing::TestWithParam<failure_case> {};

TEST_P(ProcessDbFailure, SaysWhatStoppedIt) {
    const failure_case& c = GetParam();
    const temp_dir dir;
    const std::string source = fixture(c.file);
    const std::string path =
        fs::exists(source) ? copy_in(dir, source) : dir.file(fs::path(source).filename());
    reader r(c.carve);
    r.options.m_status_output = true;
    ASSERT_TRUE(r.options.open_diag_file(dir.file("diags.txt")));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(process_db_file(&r.options, path));
    const std::string err = ::testing::internal::GetCapturedStderr();
    (void)r.options.close_diag_file();
    EXPECT_EQ(r.options.m_db_failure, c.kind);
    EXPECT_NE(err.find(std::string(c.message) + path + c.reason + "\n"), std::string::npos) << err;
    const std::string diags = velk_test::read_file(dir.file("diags.txt"));
    if (*c.diag != '\0') {
        EXPECT_NE(diags.find(c.diag), std::string::npos) << diags;
    }
    EXPECT_FALSE(r.options.m_have_input);
    EXPECT_TRUE(r.options.m_notifications.empty());
    EXPECT_EQ(r.options.m_db.db_path(), path);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProcessDbFailure, ::testing::ValuesIn(failure_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- What the file is, and where it is read --------------------------------------------

// One input made in a fresh folder as x.db (beside a copy of the sample database in
// real/), and the one line on standard error that names why it cannot be read. "P" stands
// for the input's path, "R" for the sample copy's.
struct access_case {
    const char* name;
    std::function<int(const std::string& input, const std::string& sample)> make;
    bool carve;
    bool read;            // process_db_file's result
    std::string message;  // a line of standard error ("" for none)
    bool root_can_read;   // the case means nothing for a user who reads every file
};

int copy_sample_to(const std::string& to) {
    std::error_code error;
    fs::copy_file(fixture("sample/wpndatabase.db"), to, error);
    return error ? -1 : 0;
}

const access_case access_cases[] = {
    {"Fifo", [](const std::string& p, const std::string&) { return ::mkfifo(p.c_str(), 0600); },
     false, false, "prob accessing file P: a FIFO, not a regular file", true},
    {"Folder", [](const std::string& p, const std::string&) { return ::mkdir(p.c_str(), 0700); },
     false, false, "prob accessing file P: a folder, not a regular file", true},
    {"LinkToDevZero",
     [](const std::string& p, const std::string&) { return ::symlink("/dev/zero", p.c_str()); },
     false, false,
     "prob accessing file P (resolved: /dev/zero): a character device, not a regular file", true},
    {"DanglingLink",
     [](const std::string& p, const std::string&) { return ::symlink("gone.db", p.c_str()); },
     false, false, "prob accessing file P: No such file or directory", true},
    // Read through the link with the log beside the file it reaches; said with both names.
    {"LinkToADatabaseWithItsLog",
     [](const std::string& p, const std::string& r) { return ::symlink(r.c_str(), p.c_str()); },
     false, true, "analyzing P (resolved: R)", true},
    {"LogIsAFifo",
     [](const std::string& p, const std::string&) {
         return copy_sample_to(p) == 0 ? ::mkfifo((p + "-wal").c_str(), 0600) : -1;
     },
     false, false, "prob accessing file P-wal: a FIFO, not a regular file", true},
    // The own walk reads the main file; the log it cannot read is said.
    {"LogIsAFifoCarve",
     [](const std::string& p, const std::string&) {
         return copy_sample_to(p) == 0 ? ::mkfifo((p + "-wal").c_str(), 0600) : -1;
     },
     true, true, "prob accessing file P-wal: a FIFO, not a regular file", true},
    {"JournalUnreadable",
     [](const std::string& p, const std::string&) {
         return copy_sample_to(p) == 0 && copy_sample_to(p + "-journal") == 0
                    ? ::chmod((p + "-journal").c_str(), 0)
                    : -1;
     },
     false, false, "prob accessing file P-journal: Permission denied", false},
};

class ProcessDbAccess : public ::testing::TestWithParam<access_case> {};

TEST_P(ProcessDbAccess, SaysTheRealCause) {
    const access_case& c = GetParam();
    if (!c.root_can_read && ::geteuid() == 0) {
        GTEST_SKIP() << "every file is readable for root";
    }
    const temp_dir dir;
    ASSERT_EQ(::mkdir(dir.file("real").c_str(), 0700), 0);
    const std::string sample = copy_in(dir, fixture("sample/wpndatabase.db"));
    const std::string real = dir.file("real/wpndatabase.db");
    fs::rename(sample, real);
    fs::rename(sample + "-wal", real + "-wal");
    const std::string input = dir.file("x.db");
    ASSERT_EQ(c.make(input, real), 0) << std::strerror(errno);
    reader r(c.carve);
    r.options.m_status_output = true;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(process_db_file(&r.options, input), c.read);
    const std::string err = ::testing::internal::GetCapturedStderr();
    std::string line = c.message;
    line.replace(line.find('P'), 1, input);
    if (const auto at = line.find(" R)"); at != std::string::npos) {
        line.replace(at + 1, 1, real);
    }
    EXPECT_NE(err.find(line + "\n"), std::string::npos) << err;
    EXPECT_EQ(r.options.m_db.db_path(), input);  // the report keeps the name as given
    if (c.read) {
        EXPECT_EQ(r.options.m_db_file, fs::canonical(input).string());
        // The library reads the log beside the file reached; the own walk the main file.
        EXPECT_EQ(r.options.m_notifications.size(), c.carve ? 10U : 11U);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ProcessDbAccess, ::testing::ValuesIn(access_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// The private copy's temporary folder, when it cannot take the copy, is named with the
// system's reason; an empty TMPDIR is taken as unset.
struct temp_folder_case {
    const char* name;
    const char* tmpdir;  // "T/..." lies in the test's folder
    std::string reason;  // "" when the database is read
};

const temp_folder_case temp_folder_cases[] = {
    {"Missing", "T/missing", "No such file or directory"},
    {"AFile", "T/file", "Not a directory"},
    {"EmptyIsUnset", "", ""},
};

class ProcessDbTempFolder : public ::testing::TestWithParam<temp_folder_case> {};

TEST_P(ProcessDbTempFolder, IsNamedWithTheReason) {
    const temp_folder_case& c = GetParam();
    const temp_dir dir;
    velk_test::write_file(dir.file("file"), "x");
    const std::string db = copy_in(dir, fixture("sample/wpndatabase.db"));
    std::string tmpdir = c.tmpdir;
    if (tmpdir.starts_with("T/")) {
        tmpdir = dir.path() + tmpdir.substr(1);
    }
    const int status = velk_test::run_in_child([&] {
        ::setenv("TMPDIR", tmpdir.c_str(), 1);
        reader r(false);
        ::testing::internal::CaptureStderr();
        const bool read = process_db_file(&r.options, db);
        finish_background_removal();  // the child ends without the process's own wait
        const std::string err = ::testing::internal::GetCapturedStderr();
        const std::string line =
            "cannot copy " + db + " into TMPDIR " + tmpdir + ": " + c.reason + "\n";
        const bool said = c.reason.empty() ? err.empty() : err == line;
        return read == c.reason.empty() && said ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProcessDbTempFolder, ::testing::ValuesIn(temp_folder_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// A temporary folder that fills up: the copy says so and leaves nothing behind.
TEST(ProcessDbTempFolder, FullFolderIsSaidAndLeftEmpty) {
    const temp_dir dir;
    const std::string db = copy_in(dir, fixture("sample/wpndatabase.db"));
    ASSERT_EQ(::mkdir(dir.file("tmp").c_str(), 0700), 0);
    const std::string tmpdir = dir.file("tmp");
    const int status = velk_test::run_with_file_size_limit(4096, [&] {
        ::setenv("TMPDIR", tmpdir.c_str(), 1);
        reader r(false);
        ::testing::internal::CaptureStderr();
        const bool read = process_db_file(&r.options, db);
        const std::string err = ::testing::internal::GetCapturedStderr();
        return !read && err == "cannot copy " + db + " into TMPDIR " + tmpdir + ": File too large\n"
                   ? 0
                   : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(fs::is_empty(tmpdir));
}

// A path longer than the SQLite library's own limit (512 bytes with "-journal") is read
// all the same, in place or with its log.
TEST(ProcessDbLongPath, SixHundredBytesAreRead) {
    for (const bool with_log : {false, true}) {
        SCOPED_TRACE(with_log ? "with its log" : "alone");
        const temp_dir dir;
        std::string folder = dir.path();
        while (folder.size() < 590) {
            folder += "/" + std::string(std::min<std::size_t>(100, 590 - folder.size()), 'd');
            ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        }
        const std::string db = folder + "/wpndatabase.db";
        ASSERT_GE(db.size(), 600U);
        fs::copy_file(fixture("sample/wpndatabase.db"), db);
        if (with_log) {
            fs::copy_file(fixture("sample/wpndatabase.db-wal"), db + "-wal");
        }
        reader r(false);
        EXPECT_TRUE(process_db_file(&r.options, db));
        EXPECT_EQ(r.options.m_notifications.size(), with_log ? 11U : 10U);
    }
}

// A path the system refuses is said with the system's reason, not as a missing file.
TEST(ProcessDbLongPath, RefusedPathIsSaidWithTheSystemsReason) {
    const temp_dir dir;
    const std::string path = dir.file(std::string(300, 'n') + ".db");  // a name past NAME_MAX
    reader r(false);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(process_db_file(&r.options, path));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "prob accessing file " + path + ": File name too long\n");
}

// "-quiet" silences the progress line, never the failure.
TEST(ProcessDbFailure, QuietStillSaysTheFailureAndNoOptionsOrPathIsRefused) {
    const temp_dir dir;
    reader r(false);
    const std::string path = copy_in(dir, fixture("dbproc/not_sqlite.txt"));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(process_db_file(&r.options, path));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(err.ends_with("prob processing file " + path + ": not an SQLite database\n"))
        << err;
    EXPECT_EQ(err.find("analyzing"), std::string::npos) << err;
    EXPECT_FALSE(process_db_file(nullptr, "x.db"));
    r.options.m_notifications.emplace_back();
    EXPECT_FALSE(process_db_file(&r.options, ""));
    EXPECT_EQ(r.options.m_notifications.size(), 1U);  // nothing was reset either
}

// The header check reads "sqlite" in any letter case, at the start only. (The own page
// parser then wants the format's exact text, so the schema is where such a file stops.)
TEST(ProcessDbHeader, LetterCaseIsIgnoredButNothingMayComeFirst) {
    struct header_case {
        const char* text;
        db_failure kind;
    };
    const header_case cases[] = {{"sQLITE FORMAT 3\0", db_failure::schema_unreadable},
                                 {"sqlite", db_failure::schema_unreadable},
                                 {" SQLite format 3", db_failure::not_sqlite},
                                 {"xSQLite format 3", db_failure::not_sqlite}};
    const temp_dir dir;
    const std::string path = copy_in(dir, fixture("dbproc/no_channel.db"));
    std::string bytes = velk_test::read_file(path);
    for (const header_case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string header(c.text);
        header.resize(16, '\0');  // the format text is 16 bytes, zero-padded
        bytes.replace(0, 16, header);
        velk_test::write_file(path, bytes);
        reader r(true);
        r.options.m_status_output = true;
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(process_db_file(&r.options, path));
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(r.options.m_db_failure, c.kind);
        EXPECT_EQ(err.find("analyzing " + path) != std::string::npos,
                  c.kind != db_failure::not_sqlite);
    }
}

// A hot journal: the main file alone is torn. A read-only library open cannot roll the
// journal back, so the library's private copy is reopened read-write and rolled back there:
// the rows of the last committed state (5 notifications) are read, and the evidence's own
// journal is untouched.
TEST(ProcessDbJournal, LibraryRollsAHotJournalBackInItsPrivateCopy) {
    const temp_dir dir;
    const std::string path = copy_in(dir, fixture("journal/wpndatabase.db"));
    reader lib(false);
    EXPECT_TRUE(process_db_file(&lib.options, path));
    EXPECT_EQ(lib.options.m_db_failure, db_failure::none);
    EXPECT_EQ(lib.options.m_notifications.size(), 5U);
    EXPECT_TRUE(fs::exists(path + "-journal"));  // the evidence's journal is untouched
    EXPECT_EQ(velk_test::read_file(path + "-journal"),
              velk_test::read_file(fixture("journal/wpndatabase.db-journal")));
    EXPECT_EQ(velk_test::read_file(path), velk_test::read_file(fixture("journal/wpndatabase.db")));
}

// ---- A damaged page 1 completed by the log ------------------------------------------

TEST(ProcessDbWalImage, CarveReadsTheImageAndLeavesTheLogsPagesToIt) {
    const temp_dir dir;
    const std::string path = copy_in(dir, fixture("dbproc/damaged_page1.db"));
    reader carve(true);
    ASSERT_TRUE(process_db_file(&carve.options, path));
    EXPECT_FALSE(carve.options.m_carve);  // the slack carve of this input skips the log
    EXPECT_EQ(carve.options.m_notifications.size(), 7U);
    EXPECT_EQ(carve.options.m_handlers.size(), 5U);
    for (const notification_record& n : carve.options.m_notifications) {
        EXPECT_EQ(source_of(n), record_source::carve_main_from_wal);
    }
    for (const notification_handler_record& h : carve.options.m_handlers) {
        EXPECT_EQ(source_of(h), record_source::carve_main_from_wal);
    }
    const auto notes = by_id(carve.options.m_notifications);
    ASSERT_EQ(notes.count(21), 1U);
    EXPECT_NE(notes.at(21)->m_payload.find("VELK-DBPROC-WAL-NOTIFICATION-1"), std::string::npos);
    reader lib(false);
    ASSERT_TRUE(process_db_file(&lib.options, path));
    expect_same_rows(lib.options, carve.options);
    EXPECT_FALSE(lib.options.m_carve);
}

// ---- Damage: a result, never a crash ------------------------------------------------

// A notification table that no walk can start on fails the read, as its SELECT would; the
// other tables are still walked, for the rows the carve recovers next to join.
TEST(ProcessDbDamage, BadRootPagesFailTheNotificationWalk) {
    for (const char* name : {"dbproc/root_zero.db", "dbproc/root_past_end.db"}) {
        SCOPED_TRACE(name);
        const temp_dir dir;
        const std::string path = copy_in(dir, fixture(name));
        reader carve(true);
        EXPECT_FALSE(process_db_file(&carve.options, path));
        EXPECT_EQ(carve.options.m_db_failure, db_failure::walk_failed);
        EXPECT_TRUE(carve.options.m_notifications.empty());
        EXPECT_EQ(carve.options.m_handlers.size(), 5U);
        reader lib(false);
        // The library refuses the schema; what it reads, if anything, is its own answer.
        if (!process_db_file(&lib.options, path)) {
            EXPECT_EQ(lib.options.m_db_failure, db_failure::select_failed);
        }
    }
}

// A root whose right child is the root itself: the library goes round the loop and gives the
// same rows again until it notices. Its rows are kept once each and the read fails; under
// "-incl_slack" the own walk, which reads every page once, reads the table in their place.
TEST(ProcessDbDamage, LoopingTreeGivesEachRowOnce) {
    const temp_dir dir;
    const std::string path = copy_in(dir, fixture("liveimage/cycle.db"));
    reader lib(false);
    reader slack(false);
    slack.options.m_incl_slack = true;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(process_db_file(&lib.options, path));
    EXPECT_TRUE(process_db_file(&slack.options, path));
    (void)::testing::internal::GetCapturedStderr();
    EXPECT_EQ(lib.options.m_db_failure, db_failure::select_failed);
    EXPECT_EQ(slack.options.m_db_failure, db_failure::none);
    for (const reader* r : {&lib, &slack}) {
        const auto& list = r->options.m_notifications;
        EXPECT_EQ(list.size(), 36U);
        EXPECT_EQ(by_id(list).size(), list.size());  // no Order twice
        for (const notification_record& n : list) {
            EXPECT_EQ(source_of(n),
                      r == &lib ? record_source::sqlite_lib : record_source::carve_main);
        }
    }
    EXPECT_EQ(slack.options.m_handlers.size(), 7U);  // the library read them whole
}

// A root that is a leaf without cells is a table without rows, not a walk that failed.
TEST(ProcessDbDamage, EmptyNotificationTableIsNoWalkFailure) {
    const temp_dir dir;
    const std::string path = copy_in(dir, fixture("edge/emptied.db"));
    reader carve(true);
    EXPECT_TRUE(process_db_file(&carve.options, path));
    EXPECT_TRUE(carve.options.m_notifications.empty());
}

// Only powers of two from 512 to 65536 are page sizes: any other would misplace every page.
TEST(ProcessDbDamage, PageSizeNotAPowerOfTwoIsRefusedAndSaid) {
    const temp_dir dir;
    const std::string path = copy_in(dir, fixture("dbproc/no_channel.db"));
    std::string bytes = velk_test::read_file(path);
    bytes[16] = 0x03;
    bytes[17] = static_cast<char>(0xE8);  // 1000
    velk_test::write_file(path, bytes);
    for (const bool carve : {false, true}) {
        reader r(carve);
        r.options.m_status_output = true;
        ASSERT_TRUE(r.options.open_diag_file(dir.file("diags.txt")));
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(process_db_file(&r.options, path));
        const std::string err = ::testing::internal::GetCapturedStderr();
        (void)r.options.close_diag_file();
        EXPECT_EQ(r.options.m_db_failure, db_failure::schema_unreadable);
        EXPECT_NE(err.find("prob reading " + path + ": the page size is not one the format allows\n"),
                  std::string::npos)
            << err;
        EXPECT_NE(velk_test::read_file(dir.file("diags.txt")).find("->prob parsing sqlite schema"),
                  std::string::npos);
    }
}

TEST(ProcessDbDamage, ShortHeaderReadsAsZeros) {
    const temp_dir dir;
    const std::string path = dir.file("short.db");
    velk_test::write_file(path, std::string("SQLite format 3\0\x10\x00", 18));
    reader r(true);
    EXPECT_FALSE(process_db_file(&r.options, path));
    EXPECT_EQ(r.options.m_db_failure, db_failure::schema_unreadable);
    EXPECT_EQ(r.options.m_page_size, 0x1000U);
    velk_test::write_file(path, std::string("SQLite format 3\0\x10", 17));
    EXPECT_FALSE(process_db_file(&r.options, path));
    EXPECT_EQ(r.options.m_page_size, 0x1000U);  // the low byte past the end reads 0
}

// Cut at lengths through the header, page 1, the schema and the tables: every cut gives a
// result (checked under the sanitizer build), and what is read is whole.
TEST(ProcessDbDamage, TruncatedAtAnyLength) {
    const std::string whole = velk_test::read_file(fixture("dbproc/no_channel.db"));
    const temp_dir dir;
    const std::string path = dir.file("cut.db");
    std::vector<std::size_t> cuts = {1, 15, 16, 17, 99, 100, 101, 4095, 4096, 4097};
    for (std::size_t at = 509; at < whole.size(); at += 2039) {
        cuts.push_back(at);
    }
    for (const std::size_t cut : cuts) {
        velk_test::write_file(path, whole.substr(0, cut));
        for (const bool carve : {false, true}) {
            SCOPED_TRACE(std::to_string(cut) + (carve ? " carve" : " library"));
            reader r(carve);
            if (process_db_file(&r.options, path)) {
                EXPECT_LE(r.options.m_notifications.size(), 6U);
                for (const notification_record& n : r.options.m_notifications) {
                    EXPECT_NE(n.m_id, 0);
                }
            } else {
                EXPECT_NE(r.options.m_db_failure, db_failure::none);
            }
        }
    }
}

// ---- The library's row callback ----------------------------------------------------

TEST(OnSelectRow, StopsWithoutAnOpenDatabaseAndDropsRefusedRows) {
    EXPECT_EQ(on_select_row(nullptr, 0, nullptr, nullptr), 1);
    reader r(false);
    std::array<char*, 1> row{};
    EXPECT_EQ(on_select_row(&r.options, 1, row.data(), nullptr), 1);
    EXPECT_TRUE(r.options.m_notifications.empty());
}

// A database with nothing beside it is read in place; an empty "-journal" (no hot journal,
// nothing to roll back) sends the same bytes through the private copy instead. Both reads
// must give the same records.
TEST(ProcessDbInPlace, GivesTheRowsOfThePrivateCopy) {
    std::vector<std::string> sources = {fixture("dbproc/upper_case.db"),
                                        fixture("dbproc/extra_column.db")};
    if (fs::exists(real_db()) && !fs::exists(real_db() + "-wal")) {
        sources.push_back(real_db());
    }
    for (const std::string& source : sources) {
        SCOPED_TRACE(source);
        const temp_dir dir;
        const std::string path = copy_in(dir, source);
        reader in_place(false, true);
        ASSERT_TRUE(process_db_file(&in_place.options, path));
        velk_test::write_file(path + "-journal", "");
        reader copied(false, true);
        ASSERT_TRUE(process_db_file(&copied.options, path));
        ASSERT_FALSE(in_place.options.m_notifications.empty());
        expect_same_rows(in_place.options, copied.options);
        EXPECT_EQ(in_place.options.m_channels.size(), copied.options.m_channels.size());
        EXPECT_EQ(in_place.options.m_settings.size(), copied.options.m_settings.size());
        EXPECT_EQ(in_place.options.m_short_name_width, copied.options.m_short_name_width);
    }
}

// ---- The evidence stays as it was ---------------------------------------------------

struct file_state {
    std::string bytes;
    int64 mtime_ns = 0;
    bool operator==(const file_state&) const = default;
};

std::map<std::string, file_state> folder_state(const std::string& folder) {
    std::map<std::string, file_state> out;
    for (const auto& entry : fs::directory_iterator(folder)) {
        struct stat info {};
        EXPECT_EQ(::stat(entry.path().c_str(), &info), 0);
        out[entry.path().filename().string()] = {
            velk_test::read_file(entry.path().string()),
            static_cast<int64>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
    }
    return out;
}

TEST(VelkDbEvidence, InputFolderKeepsItsFilesAndBytes) {
    for (const char* mode : {"", "-carve"}) {
        SCOPED_TRACE(*mode == '\0' ? "library" : mode);
        const temp_dir evidence;
        const temp_dir work;
        const std::string db = copy_in(evidence, fixture("sample/wpndatabase.db"));
        const auto before = folder_state(evidence.path());
        ASSERT_EQ(before.size(), 2U);
        std::vector<std::string> args = {"-db", db, "-diags", work.file("diags.txt")};
        if (*mode != '\0') {
            args.emplace_back(mode);
        }
        fs::permissions(evidence.path(), fs::perms::owner_read | fs::perms::owner_exec);
        const velk_test::velk_result result = velk_test::run_velk(args, work.path());
        fs::permissions(evidence.path(), fs::perms::owner_all);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(folder_state(evidence.path()), before);
        const std::string diags = velk_test::read_file(work.file("diags.txt"));
        EXPECT_NE(diags.find(*mode == '\0' ? "->11 records found" : "->10 records found"),
                  std::string::npos)
            << diags;
    }
}

// Read in place: the folder keeps its files, and a name a URI would misread still names
// the file.
TEST(VelkDbEvidence, InPlaceReadKeepsAFolderAsItWasWhateverTheName) {
    const temp_dir evidence;
    const temp_dir work;
    const std::string db = evidence.file("odd ?#%41 \xff.db");
    fs::copy_file(fixture("dbproc/upper_case.db"), db);
    const auto before = folder_state(evidence.path());
    fs::permissions(evidence.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const velk_test::velk_result result =
        velk_test::run_velk({"-db", db, "-diags", work.file("diags.txt")}, work.path());
    fs::permissions(evidence.path(), fs::perms::owner_all);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(folder_state(evidence.path()), before);
    const std::string diags = velk_test::read_file(work.file("diags.txt"));
    EXPECT_NE(diags.find("->6 records found"), std::string::npos) << diags;
}

struct status_case {
    const char* name;
    const char* file;  // copied in, unless it does not exist
};

const status_case status_cases[] = {
    {"MissingFile", "dbproc/missing.db"},
    {"TextFile", "dbproc/not_sqlite.txt"},
    {"NoNotificationTable", "carve/deleted.db"},
};

// The lines of standard error that carry text other than progress, each without the
// status-line erasing written before it.
std::vector<std::string> message_lines(const std::string& err) {
    std::vector<std::string> out;
    for (const std::string& line : velk_test::split_lines_lf(err)) {
        const std::string text = line.substr(line.rfind('\r') + 1);  // npos + 1 is 0
        if (!text.empty() && !text.starts_with("analyzing ")) {
            out.push_back(text);
        }
    }
    return out;
}

class VelkDbStatus : public ::testing::TestWithParam<status_case> {};

TEST_P(VelkDbStatus, UnusableDatabaseFailsTheRun) {
    const temp_dir dir;
    const std::string source = fixture(GetParam().file);
    const std::string path =
        fs::exists(source) ? copy_in(dir, source) : dir.file(fs::path(source).filename());
    const velk_test::velk_result loud = velk_test::run_velk({"-db", path}, dir.path());
    EXPECT_EQ(loud.status, 255);
    EXPECT_NE(loud.err.find(path), std::string::npos) << loud.err;
    const velk_test::velk_result quiet = velk_test::run_velk({"-db", path, "-quiet"}, dir.path());
    EXPECT_EQ(quiet.status, 255);
    // "-quiet" takes the progress lines away and nothing else.
    EXPECT_EQ(message_lines(quiet.err), message_lines(loud.err));
}

INSTANTIATE_TEST_SUITE_P(Cases, VelkDbStatus, ::testing::ValuesIn(status_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
