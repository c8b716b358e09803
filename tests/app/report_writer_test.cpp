// The report of one processing step: table, CSV, log2timeline and body-file forms of
// notifications joined with their handler, channel and settings, built here from records
// shaped like the rows of a real push-notification database.

#include "app/report_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/handler_settings_record.h"
#include "app/notification_handler_record.h"
#include "app/notification_record.h"
#include "app/velk_options.h"
#include "app/wns_push_channel_record.h"
#include "sqlite/carved_record.h"

namespace {

// 2020-12-11 19:11:35.9025799 UTC, one minute later, and 2020-12-11 19:10:24 UTC.
constexpr int64 arrival = 132521874959025799LL;
constexpr int64 expiry = 132521875559025799LL;
constexpr int64 handler_time = 132521874240000000LL;
constexpr const char* primary_id =
    "windows.immersivecontrolpanel_cw5n1h2txyewy!microsoft.windows.immersivecontrolpanel";
constexpr const char* db_path = "/cases/wpndatabase.db";

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::size_t count_of(const std::string& text, char c) {
    std::size_t count = 0;
    for (const char x : text) {
        count += x == c ? 1 : 0;
    }
    return count;
}

notification_record live_notification(int64 order) {
    notification_record n;
    n.m_id = order;
    n.m_number_a = order + 1;
    n.m_handler_id = 68;
    n.m_type = "toast";
    n.m_payload = "<toast>a,b|c</toast>";
    n.m_arrival_time = arrival;
    n.m_expiry_time = expiry;
    n.m_format = "Xml";
    n.m_source_word = record_source::sqlite_lib << record_source::shift;
    return n;
}

notification_record recovered_notification(uint32 source, uint64 offset) {
    notification_record n = live_notification(9);
    n.m_recovered = true;
    n.m_record_offset = offset;
    n.m_source_word = source << record_source::shift;
    return n;
}

handler_settings_record setting(const char* name, int64 value) {
    handler_settings_record record;
    record.m_handler_id = 68;
    record.m_name = name;
    record.m_value = value;
    return record;
}

// Options of a run over one database, with the store a read of it leaves: definitions
// with their masks and counts, handler 68 with its settings, no channel.
void set_up_run(velk_options& options, std::vector<std::string> args) {
    args.insert(args.begin(), "velk");
    args.emplace_back("-db");
    args.emplace_back(db_path);
    ASSERT_TRUE(options.parse(args));
    options.m_notification_def.m_column_mask = 0x3fff;
    options.m_notification_def.m_column_count = 14;
    options.m_handler_def.m_column_mask = 0x7fb;
    options.m_handler_def.m_column_count = 10;
    options.m_channel_def.m_column_mask = 0x3f;
    options.m_channel_def.m_column_count = 6;
    notification_handler_record handler;
    handler.m_handler_id = 68;
    handler.m_primary_id = primary_id;
    handler.m_short_name = "windows.immersivecontrolpanel";
    handler.m_text_8 = "NonImmersivePackage";
    handler.m_text_10 = "app:desktop";
    handler.m_time_80 = handler_time;
    handler.m_time_100 = handler_time;
    options.m_handlers.push_back(handler);
    options.m_handler_index[68] = 0;
    options.m_short_name_width = 29;
    options.m_settings = {setting("s:tile", 0), setting("s:banner", 2), setting("s:toast", 5)};
    options.m_settings_index = {{68, 0}, {68, 1}, {68, 2}};
}

class ReportWriter : public ::testing::Test {
protected:
    void parse(std::vector<std::string> args) { set_up_run(m_options, std::move(args)); }

    std::string write(std::vector<notification_record> notifications) {
        std::ostringstream out;
        write_results(out, m_options, notifications);
        return out.str();
    }

    velk_options m_options;
};

TEST_F(ReportWriter, EmptyListWritesNothingNotEvenTheHeader) {
    parse({});
    EXPECT_EQ(write({}), "");
    EXPECT_TRUE(m_options.m_header_pending);
    EXPECT_TRUE(m_options.m_columns.empty());
}

TEST_F(ReportWriter, TableHeaderOnceThenLiveAndRecoveredRows) {
    parse({});
    const std::string live = write({live_notification(1)});
    const std::string recovered = write({recovered_notification(2, 0x2c5a)});
    const std::vector<std::string> lines = lines_of(live + recovered);
    ASSERT_EQ(lines.size(), 3U) << live << recovered;
    EXPECT_EQ(lines[0].rfind(" Notification ArrivalTime", 0), std::string::npos);
    EXPECT_NE(lines[0].find(" | Source of Notification        | Misc data    | DB "),
              std::string::npos)
        << lines[0];
    EXPECT_EQ(lines[1].rfind(" 2020-12-11 19:11:35.902 | 2020-12-11 19:12:35.902  | "
                             "2020-12-11 19:10:24.000  | 2020-12-11 19:10:24.000  | ",
                             0),
              0U)
        << lines[1];
    EXPECT_NE(lines[1].find(" | toast | windows.immersivecontrolpanel | {\"src\":\"sqlite lib\"} | "
                            "/cases/wpndatabase.db | <toast>a,b;c</toast>"),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[2].find(R"({"src":"main db slack"; "record offset":"0x2c5a"})"),
              std::string::npos)
        << lines[2];
}

TEST_F(ReportWriter, HeaderWidthsOfTheTableAndOfCsv) {
    parse({});
    (void)write({live_notification(1)});
    ASSERT_EQ(m_options.m_columns.size(), 12U);
    EXPECT_EQ(m_options.m_columns[0].m_width, 24U);
    EXPECT_EQ(m_options.m_columns[0].m_type, 16U);
    EXPECT_EQ(m_options.m_columns[7].m_width, 29U);
    EXPECT_EQ(m_options.m_columns[8].m_width, 12U);
    EXPECT_EQ(m_options.m_columns[9].m_text, "DB");
    EXPECT_EQ(m_options.m_columns[9].m_width, std::string(db_path).size());
}

TEST_F(ReportWriter, CsvHeaderCellsHaveNoWidth) {
    parse({"-csv", "-all_fields", "-incl_settings"});
    (void)write({live_notification(1)});
    std::vector<uint64> widths;
    for (const kq_variant_lite& column : m_options.m_columns) {
        widths.push_back(column.m_width);
    }
    EXPECT_EQ(widths, std::vector<uint64>(25, 0));
}

TEST_F(ReportWriter, RecoveredDuplicatesAreWrittenOncePerFile) {
    parse({"-csv"});
    const std::string text =
        write({recovered_notification(2, 0x2c5a), recovered_notification(2, 0x2c5a),
               recovered_notification(2, 0x2c5a), recovered_notification(7, 0x2c5a),
               recovered_notification(13, 0x2c5a),  // the main file too
               recovered_notification(3, 0), recovered_notification(3, 0)});
    const std::vector<std::string> lines = lines_of(text);
    ASSERT_EQ(lines.size(), 5U) << text;  // header, slack, WAL, two rows without offset
    EXPECT_NE(lines[1].find("main db slack"), std::string::npos);
    EXPECT_NE(lines[2].find("wal file page superceded by new page"), std::string::npos);
}

struct origin_case {
    const char* name;
    uint32 source;
    const char* suffix;
};

const origin_case origin_cases[] = {
    {"MainSlack", 2, ""},    {"WalSuperseded", 7, "-wal"}, {"WalSlack", 8, "-wal"},
    {"WalValid", 9, "-wal"}, {"CarveWal", 10, "-wal"},     {"Journal", 11, "-journal"},
    {"MainFromWal", 12, ""},  {"MainPastEnd", 13, ""},
};

class ReportOrigin : public ReportWriter, public ::testing::WithParamInterface<origin_case> {};

TEST_P(ReportOrigin, CompanionFileNamedInDbCellAndExtra) {
    const origin_case& c = GetParam();
    const std::string path = std::string(db_path) + c.suffix;
    parse({"-csv"});
    const std::string table = write({recovered_notification(c.source, 0x1000)});
    EXPECT_NE(table.find("," + path + ","), std::string::npos) << table;

    m_options.m_csv = false;
    m_options.m_csvl2t = true;
    m_options.m_header_pending = false;
    const std::string timeline = write({recovered_notification(c.source, 0x1000)});
    EXPECT_NE(timeline.find("}; db: " + path + "\n"), std::string::npos) << timeline;
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportOrigin, ::testing::ValuesIn(origin_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(ReportWriter, XmlWritesRowsWithoutHeader) {
    parse({});
    std::vector<std::string> xml{"velk", "-xml"};  // velk's own parser takes "-xml" out
    ASSERT_TRUE(m_options.parse_common_options(xml));
    ASSERT_FALSE(m_options.m_header_pending);
    const std::vector<std::string> lines =
        lines_of(write({live_notification(1), live_notification(2)}));
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_NE(lines[0].find("windows.immersivecontrolpanel"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[0].find("Misc data"), std::string::npos);
}

TEST_F(ReportWriter, UnknownHandlerOrBadIndexGivesEmptyHandlerCells) {
    parse({"-csv", "-all_fields", "-incl_settings"});
    notification_record orphan = live_notification(1);
    orphan.m_handler_id = 12;
    m_options.m_handler_index[12] = 5;   // past the end of the list
    m_options.m_handler_index[13] = -1;  // never a valid position
    m_options.m_channel_index.insert({12, 3});
    notification_record negative = live_notification(2);
    negative.m_handler_id = 13;
    const std::vector<std::string> lines = lines_of(write({orphan, negative}));
    ASSERT_EQ(lines.size(), 3U);
    const std::string times = " 2020-12-11 19:11:35.902, 2020-12-11 19:12:35.902,,,,,toast,,";
    const std::string rest =
        R"(,,,,,Xml,{"src":"sqlite lib"},,,,,)" + std::string(db_path) + ",<toast>a b|c</toast>,,";
    EXPECT_EQ(lines[1], times + "1,2,12" + rest);
    EXPECT_EQ(lines[2], times + "2,3,13" + rest);
}

// SQL's rule: a NULL HandlerId matches no handler, channel or settings row, not even those
// of id 0, and is shown empty. The same notification keyed 0 joins them all.
TEST_F(ReportWriter, NullHandlerIdJoinsNothing) {
    parse({"-csv", "-all_fields", "-incl_settings"});
    notification_handler_record zero = m_options.m_handlers.front();
    zero.m_handler_id = 0;
    zero.m_short_name = "zero";
    m_options.m_handlers.push_back(zero);
    m_options.m_handler_index[0] = 1;
    wns_push_channel_record channel;
    channel.m_text_4 = "https://zero.example/";
    m_options.m_channels.push_back(channel);
    m_options.m_channel_index.insert({0, 0});
    m_options.m_settings.push_back(setting("s:zero", 4));
    m_options.m_settings_index.insert({0, 3});
    notification_record keyed_zero = live_notification(1);
    keyed_zero.m_handler_id = 0;
    notification_record keyed_null = keyed_zero;
    keyed_null.m_id = 2;
    keyed_null.m_handler_id_null = true;
    const std::vector<std::string> lines = lines_of(write({keyed_zero, keyed_null}));
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_NE(lines[1].find(",toast,zero,1,2,0,"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find(R"(,https://zero.example/,["s:zero":"4"])"), std::string::npos);
    EXPECT_NE(lines[2].find(",toast,,2,2,,"), std::string::npos) << lines[2];
    EXPECT_EQ(lines[2].substr(lines[2].size() - 2), ",,") << lines[2];
    EXPECT_EQ(count_of(lines[2], ','), count_of(lines[0], ','));
}

// Stored integers are signed: a negative Order and a negative setting are not shown as
// their unsigned 64-bit twins, and a body file has no wrapped time for a moment before 1970.
TEST_F(ReportWriter, NegativeNumbersStaySigned) {
    parse({"-csv", "-all_fields", "-incl_settings"});
    m_options.m_settings.push_back(setting("s:neg", -3));
    m_options.m_settings_index.insert({68, 3});
    const std::vector<std::string> csv = lines_of(write({live_notification(-5)}));
    ASSERT_EQ(csv.size(), 2U);
    EXPECT_NE(csv[1].find(",-5,-4,68,"), std::string::npos) << csv[1];
    EXPECT_NE(csv[1].find(R"("s:toast":"5"; "s:neg":"-3"])"), std::string::npos) << csv[1];

    velk_options body_options;
    set_up_run(body_options, {"-bodyfile"});
    notification_record early = live_notification(1);
    early.m_arrival_time = 116444735990000000LL;  // 1969-12-31 23:59:59 UTC
    std::vector<notification_record> list = {early};
    std::ostringstream body;
    write_results(body, body_options, list);
    const std::string line = lines_of(body.str()).at(1);
    EXPECT_EQ(line.substr(line.rfind('|')), "|0") << line;
}

TEST_F(ReportWriter, AllFieldsAndSettingsCells) {
    parse({"-all_fields", "-incl_settings"});
    const std::vector<std::string> lines = lines_of(write({live_notification(1)}));
    ASSERT_EQ(lines.size(), 2U);
    const std::string& row = lines[1];
    EXPECT_NE(row.find(" |      1 |      2 |        68 | "), std::string::npos) << row;
    EXPECT_NE(row.find(" | Xml         | "), std::string::npos) << row;
    EXPECT_NE(row.find(" | app:desktop      | "), std::string::npos) << row;
    EXPECT_NE(row.find(std::string(" | ") + primary_id), std::string::npos) << row;
    EXPECT_NE(row.find(" | NonImmersivePackage | "), std::string::npos) << row;
    // The last cell, filled to its width of 50.
    EXPECT_EQ(row.substr(row.size() - 53),
              R"( | ["s:banner":"2"; "s:toast":"5"])" + std::string(19, ' '))
        << row;
}

TEST_F(ReportWriter, TimelineLinesPerDistinctTime) {
    parse({"-csvl2t", "-username", "alice", "-hostname", "box"});
    notification_record same_time = live_notification(2);
    same_time.m_expiry_time = arrival;
    notification_record no_times = live_notification(3);
    no_times.m_arrival_time = 0;
    no_times.m_expiry_time = 0;
    const std::vector<std::string> lines =
        lines_of(write({live_notification(1), same_time, no_times}));
    ASSERT_EQ(lines.size(), 4U);
    EXPECT_EQ(lines[0],
              "date/time,timezone,MACB,source,sourcetype,type,user,host,short,desc,version,"
              "filename,inode,notes,format,extra");
    const std::string tail = std::string(
                                 ",alice,box,windows.immersivecontrolpanel (toast),"
                                 "<toast>a b|c</toast>,2,,,PrimaryID: ") +
                             primary_id + ",velk (vestrel),db: " + db_path;
    EXPECT_EQ(lines[1],
              " 2020-12-11 19:11:35.902,UTC,...B,VELK_DB,PushNotification artifact,"
              "ArrivalTime" +
                  tail);
    EXPECT_EQ(lines[2],
              " 2020-12-11 19:12:35.902,UTC,..C.,VELK_DB,PushNotification artifact,"
              "ExpiryTime" +
                  tail);
    EXPECT_EQ(lines[3],
              " 2020-12-11 19:11:35.902,UTC,..CB,VELK_DB,PushNotification artifact,"
              "ExpiryTime; ArrivalTime" +
                  tail);
}

TEST_F(ReportWriter, TimelineOfARecoveredRowWithoutHandler) {
    parse({"-csvl2t"});
    notification_record n = recovered_notification(2, 0x2c5a);
    n.m_handler_id = 99;
    const std::vector<std::string> lines = lines_of(write({n}));
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_NE(lines[1].find(",PushNotification artifact [recovered data],ArrivalTime,,,toast,"),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[1].find(",2,,,,velk (vestrel),{\"source\":\"main db slack\"; "
                            "\"offset\":\"0x00002c5a\"}; db: /cases/wpndatabase.db"),
              std::string::npos)
        << lines[1];
}

TEST_F(ReportWriter, TimelineKeepsItsFieldsWhenThePathHoldsTheSeparator) {
    velk_options comma;
    std::vector<std::string> args{"velk", "-csvl2t", "-db", "/cases/a,b/wpn,database.db"};
    ASSERT_TRUE(comma.parse(args));
    comma.m_notification_def.m_column_mask = 0x3fff;
    std::vector<notification_record> list{recovered_notification(8, 0x40)};
    std::ostringstream out;
    write_results(out, comma, list);
    const std::vector<std::string> lines = lines_of(out.str());
    ASSERT_EQ(lines.size(), 3U);
    for (const std::string& line : lines) {
        EXPECT_EQ(count_of(line, ','), 15U) << line;
    }
    EXPECT_NE(lines[1].find("db: /cases/a b/wpn database.db-wal"), std::string::npos);
}

TEST_F(ReportWriter, BodyFileLines) {
    parse({"-bodyfile", "-csv"});
    notification_record no_times = live_notification(3);
    no_times.m_arrival_time = 0;
    no_times.m_expiry_time = 0;
    const std::vector<std::string> lines =
        lines_of(write({live_notification(1), recovered_notification(2, 0x10), no_times}));
    ASSERT_EQ(lines.size(), 4U);
    EXPECT_EQ(lines[0],
              "md5|name|inode|mode as string|uid|gid|size|access time|modify time|mft time|"
              "create time");
    const std::string name = std::string("PushNotification artifact; Type: toast; PrimaryID: ") +
                             primary_id + "; Payload: <toast>a,b;c</toast>";
    EXPECT_EQ(lines[1], "0|" + name + "|0||0|0|0|0|0|0|1607713895");
    EXPECT_EQ(lines[2], "0|Recovered Data; " + name + "|0||0|0|0|0|0|0|1607713895");
    EXPECT_EQ(lines[3], "0|" + name + "|0||0|0|0|0|0|0|0");
}

TEST_F(ReportWriter, MaskDecidesTypeAndPayloadTexts) {
    parse({"-bodyfile"});
    m_options.m_notification_def.m_column_mask = 0x3fff & ~0x30ULL;
    const std::vector<std::string> lines = lines_of(write({live_notification(1)}));
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[1], std::string("0|PushNotification artifact; PrimaryID: ") + primary_id +
                            "|0||0|0|0|0|0|0|1607713895");
}

}  // namespace

// A long report is formatted in blocks on several threads where the machine has the cores;
// it must be byte for byte the report of one row at a time (short calls stay on one thread),
// whatever the form: distinct times, payloads with separators and line breaks, recovered
// rows with their offsets, rows without a handler.
TEST(ReportWriterThreads, LongReportEqualsTheRowByRowReport) {
    const std::vector<std::vector<std::string>> forms = {
        {}, {"-csv"}, {"-csv", "-all_fields", "-incl_settings"}, {"-no_whitespace", "-csv"}};
    for (const std::vector<std::string>& form : forms) {
        std::vector<notification_record> rows;
        for (int64 i = 0; i < 1500; ++i) {
            notification_record n = i % 7 == 3
                                        ? recovered_notification(record_source::main_db_slack,
                                                                 0x1000 + static_cast<uint64>(i))
                                        : live_notification(i);
            n.m_id = i;
            n.m_handler_id = i % 5 == 0 ? 99 : 68;  // 99 has no handler
            n.m_arrival_time = arrival + i * 10'000'123;
            n.m_expiry_time = i % 11 == 0 ? 0 : expiry + i;
            n.m_payload = "<toast>" + std::to_string(i) + (i % 3 == 0 ? ",a|b\r\nc" : "") +
                          std::string(static_cast<std::size_t>(i % 97), 'x') + "</toast>";
            rows.push_back(n);
        }
        const auto report = [&](bool row_by_row) {
            velk_options options;
            set_up_run(options, form);
            std::ostringstream out;
            if (row_by_row) {
                for (const notification_record& n : rows) {
                    std::vector<notification_record> one{n};
                    write_results(out, options, one);
                }
            } else {
                std::vector<notification_record> all = rows;
                write_results(out, options, all);
            }
            return out.str();
        };
        const std::string whole = report(false);
        std::size_t written = 0;
        for (std::size_t at = whole.find("<toast>"); at != std::string::npos;
             at = whole.find("<toast>", at + 1)) {
            ++written;
        }
        EXPECT_EQ(written, rows.size());
        EXPECT_EQ(whole, report(true)) << "form with " << form.size() << " options";
    }
}
