// Whole runs of the built tool on a copy of a real push-notification database, in each
// report form: the banner, one header line, and one report item per notification.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/velk_process.h"
#include "io/io_test_support.h"
#include "real_data.h"

namespace {

namespace fs = std::filesystem;

const std::string primary_id =
    "windows.immersivecontrolpanel_cw5n1h2txyewy!microsoft.windows.immersivecontrolpanel";
const std::string settings_cell =
    R"(["s:banner":"1"; "s:toast":"1"; "s:audio":"1"; "c:toast":"1"; "c:ringing":"1"; )"
    R"("c:storage:toast":"1"])";

struct report {
    std::string header;
    std::vector<std::string> rows;
    int status = -1;
};

bool starts_with(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

bool ends_with(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The rows that do not hold text: empty when every row does.
std::vector<std::string> rows_without(const std::vector<std::string>& rows,
                                      const std::string& text) {
    std::vector<std::string> missing;
    for (const std::string& row : rows) {
        if (row.find(text) == std::string::npos) {
            missing.push_back(row);
        }
    }
    return missing;
}

std::size_t count_of(const std::string& text, char c) {
    std::size_t count = 0;
    for (const char x : text) {
        count += x == c ? 1 : 0;
    }
    return count;
}

// The field counts of the rows, for a comparison with one count per row.
std::vector<std::size_t> separator_counts(const std::vector<std::string>& rows, char separator) {
    std::vector<std::size_t> counts;
    counts.reserve(rows.size());
    for (const std::string& row : rows) {
        counts.push_back(count_of(row, separator));
    }
    return counts;
}

// A copy of the real database in a folder of its own: the SQLite library may add files
// beside whatever it opens.
class ReportRun : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string real = std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db";
        VELK_NEED_REAL_DATA(real);
        m_db = m_dir.file("wpndatabase.db");
        fs::copy_file(real, m_db);
    }

    // The lines after the banner: the banner's three lines, an empty line, then the header
    // (unless the form writes none) and the rows.
    report run(std::vector<std::string> args, bool with_header = true) {
        args.insert(args.begin(), {"-db", m_db});
        const velk_test::velk_result result = velk_test::run_velk(args, m_dir.path());
        report out;
        out.status = result.status;
        const std::vector<std::string> lines = velk_test::split_lines_lf(result.out);
        std::size_t at = 4;
        if (lines.size() < at || !lines[3].empty()) {
            ADD_FAILURE() << "no banner:\n" << result.out;
            return out;
        }
        if (with_header && at < lines.size()) {
            out.header = lines[at++];
        }
        out.rows.assign(lines.begin() + static_cast<std::ptrdiff_t>(at), lines.end());
        return out;
    }

    velk_test::temp_dir m_dir;
    std::string m_db;
};

TEST_F(ReportRun, Table) {
    const report r = run({});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.header.find(" | Source of Notification"), std::string::npos) << r.header;
    EXPECT_NE(r.header.find(" | Misc data"), std::string::npos) << r.header;
    EXPECT_NE(r.header.find(" | DB"), std::string::npos) << r.header;
    ASSERT_EQ(r.rows.size(), 6U);
    const std::string joined =
        " | toast | windows.immersivecontrolpanel | {\"src\":\"sqlite lib\"} | " + m_db + " | ";
    EXPECT_EQ(rows_without(r.rows, joined), std::vector<std::string>{});
    EXPECT_EQ(rows_without(r.rows, " | 2020-12-11 19:10:24.000  | 2020-12-11 19:10:24.000  | "),
              std::vector<std::string>{});
}

TEST_F(ReportRun, TableFirstAndLastRows) {
    const report r = run({});
    ASSERT_EQ(r.rows.size(), 6U);
    EXPECT_TRUE(starts_with(r.rows[0],
                            " 2020-12-11 19:11:35.902 | 2020-12-11 19:12:35.902  | "
                            "2020-12-11 19:10:24.000  | "))
        << r.rows[0];
    EXPECT_NE(r.rows[0].find(" | <toast activationType='protocol' "
                             "launch='ms-settings:connecteddevices'>"),
              std::string::npos);
    EXPECT_NE(r.rows[5].find("files, so it was reset"), std::string::npos) << r.rows[5];
}

TEST_F(ReportRun, Csv) {
    const report r = run({"-csv"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.header.find(",Type,Source of Notification,Misc data,DB,"), std::string::npos)
        << r.header;
    ASSERT_EQ(r.rows.size(), 6U);
    EXPECT_TRUE(starts_with(r.rows[0],
                            " 2020-12-11 19:11:35.902, 2020-12-11 19:12:35.902, 2020-12-11 "
                            "19:10:24.000, 2020-12-11 19:10:24.000,,,toast,"
                            "windows.immersivecontrolpanel,{\"src\":\"sqlite lib\"}," +
                                m_db + ",<toast "))
        << r.rows[0];
    EXPECT_NE(r.rows[5].find("files  so it was reset"), std::string::npos) << r.rows[5];
}

TEST_F(ReportRun, Log2timeline) {
    const report r = run({"-csvl2t", "-username", "alice", "-hostname", "box"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.header,
              "date/time,timezone,MACB,source,sourcetype,type,user,host,short,desc,version,"
              "filename,inode,notes,format,extra");
    ASSERT_EQ(r.rows.size(), 12U);
    EXPECT_TRUE(starts_with(r.rows[0],
                            " 2020-12-11 19:11:35.902,UTC,...B,VELK_DB,PushNotification "
                            "artifact,ArrivalTime,alice,box,windows.immersivecontrolpanel "
                            "(toast),<toast activationType='protocol'"))
        << r.rows[0];
    EXPECT_TRUE(
        ends_with(r.rows[0], ",2,,,PrimaryID: " + primary_id + ",velk (vestrel),db: " + m_db))
        << r.rows[0];
    EXPECT_TRUE(starts_with(r.rows[1], " 2020-12-11 19:12:35.902,UTC,..C.,")) << r.rows[1];
    EXPECT_NE(r.rows[1].find(",ExpiryTime,"), std::string::npos) << r.rows[1];
}

void expect_body_file(const report& r) {
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.header,
              "md5|name|inode|mode as string|uid|gid|size|access time|modify time|mft "
              "time|create time");
    ASSERT_EQ(r.rows.size(), 6U);
    EXPECT_TRUE(starts_with(r.rows[0], "0|PushNotification artifact; Type: toast; PrimaryID: " +
                                           primary_id + "; Payload: <toast "))
        << r.rows[0];
    EXPECT_TRUE(ends_with(r.rows[0], "|0||0|0|0|0|0|0|1607713895")) << r.rows[0];
}

TEST_F(ReportRun, BodyFile) { expect_body_file(run({"-bodyfile"})); }

TEST_F(ReportRun, BodyFileWinsOverCsv) { expect_body_file(run({"-bodyfile", "-csv"})); }

TEST_F(ReportRun, Settings) {
    const report r = run({"-incl_settings"});
    ASSERT_EQ(r.rows.size(), 6U);
    std::vector<std::string> ends;
    ends.reserve(r.rows.size());
    for (const std::string& row : r.rows) {
        ends.push_back(row.substr(row.size() - std::min(row.size(), settings_cell.size() + 3)));
    }
    EXPECT_EQ(ends, std::vector<std::string>(6, " | " + settings_cell));
}

TEST_F(ReportRun, AllFields) {
    const report r = run({"-all_fields"});
    ASSERT_EQ(r.rows.size(), 6U);
    const std::vector<std::string> first{r.rows[0]};
    EXPECT_EQ(rows_without(first, " |      1 |      2 |        68 | "), std::vector<std::string>{});
    EXPECT_EQ(rows_without(first, " | Xml "), std::vector<std::string>{});
    EXPECT_EQ(rows_without(first, " | app:desktop "), std::vector<std::string>{});
    EXPECT_EQ(rows_without(first, " | " + primary_id), std::vector<std::string>{});
    EXPECT_EQ(rows_without(first, " | NonImmersivePackage "), std::vector<std::string>{});
}

// velk writes no XML: "-xml" is said to be ignored and the report is the one without it.
TEST_F(ReportRun, XmlIsIgnored) {
    const report with = run({"-csv", "-xml"});
    const report without = run({"-csv"});
    EXPECT_EQ(with.status, 0);
    EXPECT_EQ(with.header, without.header);
    EXPECT_EQ(with.rows, without.rows);
    EXPECT_EQ(with.rows.size(), 6U);
}

TEST_F(ReportRun, TimelineKeepsItsFieldsWhenThePathHoldsTheSeparator) {
    const std::string folder = m_dir.file("case,1");
    fs::create_directory(folder);
    const std::string moved = folder + "/wpn,database.db";
    fs::rename(m_db, moved);
    m_db = moved;
    const report r = run({"-csvl2t"});
    ASSERT_EQ(r.rows.size(), 12U);
    EXPECT_EQ(count_of(r.header, ','), 15U);
    EXPECT_EQ(separator_counts(r.rows, ','), std::vector<std::size_t>(12, 15));
    EXPECT_TRUE(ends_with(r.rows[0], ",db: " + m_dir.path() + "/case 1/wpn database.db"))
        << r.rows[0];
}

// A payload holding the separators of every form keeps each line's fields.
TEST_F(ReportRun, PayloadHoldingSeparators) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(m_db.c_str(), &db), SQLITE_OK);
    const int updated =
        sqlite3_exec(db, "UPDATE Notification SET Payload = 'a,b|c' WHERE [Order] = 2", nullptr,
                     nullptr, nullptr);
    sqlite3_close(db);
    ASSERT_EQ(updated, SQLITE_OK);
    const report table = run({});
    ASSERT_EQ(table.rows.size(), 6U);
    EXPECT_NE(table.rows[1].find(" | a,b;c "), std::string::npos) << table.rows[1];
    const report csv = run({"-csv"});
    ASSERT_EQ(csv.rows.size(), 6U);
    EXPECT_EQ(count_of(csv.rows[1], ','), count_of(csv.header, ',')) << csv.rows[1];
    EXPECT_NE(csv.rows[1].find(",a b|c,"), std::string::npos) << csv.rows[1];
    const report body = run({"-bodyfile"});
    ASSERT_EQ(body.rows.size(), 6U);
    EXPECT_NE(body.rows[1].find("; Payload: a,b;c|"), std::string::npos) << body.rows[1];
    EXPECT_EQ(count_of(body.rows[1], '|'), 10U) << body.rows[1];
}

}  // namespace
