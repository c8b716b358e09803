// Recovering removed notifications as an examiner does: the built tool run on the recovery
// fixtures with "-incl_slack", "-carve" and "-parse_chunk".

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/velk_process.h"
#include "real_data.h"

namespace {

using velk_test::read_file;
using velk_test::run_velk;
using velk_test::split_lines_lf;
using velk_test::temp_dir;
using velk_test::velk_result;

const std::string recovery_dir = std::string(VELK_TEST_DATA_DIR) + "/recovery";

std::string random_bytes(std::size_t n) {
    std::mt19937 gen(777);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string out(n, '\0');
    for (char& c : out) {
        c = static_cast<char>(byte(gen));
    }
    return out;
}

// ---- Page chunks: status and messages -------------------------------------------------

struct chunk_run_case {
    const char* name;
    std::string content;  // the chunk file's bytes
    std::vector<std::string> extra_args;
    int status;
    bool signatures_message;  // "problem finding proper signatures to parse in chunk.bin"
    bool access_message;      // "prob accessing file chunk.bin: the file is empty" on stderr
};

const chunk_run_case chunk_run_cases[] = {
    {"RandomBytes", random_bytes(12288), {}, 255, true, false},
    {"RandomBytesQuiet", random_bytes(12288), {"-quiet"}, 255, true, false},
    // Nothing could be read: a failed run, said also under "-quiet".
    {"EmptyFileQuiet", "", {"-quiet"}, 255, false, true},
};

class RecoveryChunkRun : public ::testing::TestWithParam<chunk_run_case> {};

TEST_P(RecoveryChunkRun, EndsWithItsStatusAndMessages) {
    const chunk_run_case& c = GetParam();
    const temp_dir dir;
    velk_test::write_file(dir.file("chunk.bin"), c.content);
    std::vector<std::string> args = {"-parse_chunk", "-db", "chunk.bin", "-diags", "d.txt"};
    args.insert(args.end(), c.extra_args.begin(), c.extra_args.end());
    const velk_result result = run_velk(args, dir.path());
    EXPECT_EQ(result.status, c.status);
    const bool has_message =
        result.err.find("problem finding proper signatures to parse in chunk.bin\n") !=
        std::string::npos;
    EXPECT_EQ(has_message, c.signatures_message) << result.err;
    const bool access =
        result.err.find("prob accessing file chunk.bin: the file is empty\n") != std::string::npos;
    EXPECT_EQ(access, c.access_message) << result.err;
    EXPECT_NE(read_file(dir.file("d.txt")).find("problem parsing chunk"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cases, RecoveryChunkRun, ::testing::ValuesIn(chunk_run_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(RecoveryChunkRun, DatabasesAndLogsReadAsChunksSucceed) {
    for (const char* name : {"deleted.db", "wal1024.db-wal", "wal.db-wal"}) {
        const temp_dir dir;
        const velk_result result =
            run_velk({"-parse_chunk", "-db", recovery_dir + "/" + name, "-quiet"}, dir.path());
        EXPECT_EQ(result.status, 0) << name;
        EXPECT_EQ(result.err.find("problem"), std::string::npos) << name << result.err;
    }
}

}  // namespace

namespace {

// ---- Reports of recovered rows ----------------------------------------------------------

constexpr const char* header_start = "Notification ArrivalTime";

// One CSV report line cut at its Misc data cell: what comes before it (times, type,
// handler), the cell's source and record offset, the DB cell, and what follows (payload and
// channel URI, which may hold commas).
struct report_row {
    std::string before;
    std::string source;
    std::string offset;
    std::string db;
    std::string after;
    std::string marker;  // VELK-RECOVERY-<kind>-<Order> of the payload, when there is one
};

struct report {
    int headers = 0;
    std::vector<std::string> lines;
    std::vector<report_row> rows;
};

report_row cut_row(const std::string& line) {
    static const std::regex shape(R"(^(.*?),(\{[^}]*\}),([^,]*),(.*)$)");
    static const std::regex src(R"re("src":"([^"]*)")re");
    static const std::regex offset(R"re("record offset":"(0x[0-9a-f]+)")re");
    static const std::regex marker(R"(VELK-RECOVERY-[A-Z-]+-[0-9]+)");
    report_row row;
    std::smatch m;
    if (!std::regex_match(line, m, shape)) {
        return row;
    }
    row.before = m[1];
    const std::string misc = m[2];
    row.db = m[3];
    row.after = m[4];
    if (std::regex_search(misc, m, src)) {
        row.source = m[1];
    }
    if (std::regex_search(misc, m, offset)) {
        row.offset = m[1];
    }
    if (std::regex_search(row.after, m, marker)) {
        row.marker = m[0];
    }
    return row;
}

// The report after the banner and its empty line.
report read_report(const std::string& out) {
    report r;
    const std::vector<std::string> lines = split_lines_lf(out);
    for (std::size_t i = 4; i < lines.size(); ++i) {
        if (lines[i].rfind(header_start, 0) == 0) {
            ++r.headers;
            continue;
        }
        if (!lines[i].empty()) {
            r.lines.push_back(lines[i]);
            r.rows.push_back(cut_row(lines[i]));
        }
    }
    return r;
}

// "<source>|<DB cell>|<marker>" of every row, in report order.
std::vector<std::string> summary(const report& r) {
    std::vector<std::string> out;
    for (const report_row& row : r.rows) {
        out.push_back(row.source + "|" + row.db + "|" + row.marker);
    }
    return out;
}

report run_report(const std::vector<std::string>& files, std::vector<std::string> args) {
    const temp_dir dir;
    for (const std::string& f : files) {
        std::filesystem::copy_file(recovery_dir + "/" + f, dir.file(f));
    }
    args.insert(args.end(), {"-csv", "-quiet"});
    const velk_result result = run_velk(args, dir.path());
    EXPECT_EQ(result.status, 0) << result.err;
    return read_report(result.out);
}

const std::vector<std::string> deleted_live = {
    "sqlite lib|deleted.db|VELK-RECOVERY-LIVE-1", "sqlite lib|deleted.db|VELK-RECOVERY-LIVE-3",
    "sqlite lib|deleted.db|VELK-RECOVERY-LIVE-4", "sqlite lib|deleted.db|VELK-RECOVERY-LIVE-6",
    "sqlite lib|deleted.db|VELK-RECOVERY-LIVE-8"};
const std::vector<std::string> deleted_slack = {"main db slack|deleted.db|VELK-RECOVERY-DELETED-7",
                                                "main db slack|deleted.db|VELK-RECOVERY-DELETED-5",
                                                "main db slack|deleted.db|VELK-RECOVERY-DELETED-2"};

std::vector<std::string> joined(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::string> with_source(std::vector<std::string> rows, const std::string& from,
                                     const std::string& to) {
    for (std::string& r : rows) {
        r.replace(0, from.size(), to);
    }
    return rows;
}

// Deleted rows in the main file's slack come after the live ones, under the one header.
TEST(RecoveryReport, DeletedRowsFromSlack) {
    const report plain = run_report({"deleted.db"}, {"-db", "deleted.db"});
    EXPECT_EQ(plain.headers, 1);
    EXPECT_EQ(summary(plain), deleted_live);

    const report slack = run_report({"deleted.db"}, {"-db", "deleted.db", "-incl_slack"});
    EXPECT_EQ(slack.headers, 1);
    EXPECT_EQ(summary(slack), joined(deleted_live, deleted_slack));
    ASSERT_EQ(slack.rows.size(), 8U);
    // Each at its cell, where the freeblock header that took its first bytes starts.
    EXPECT_EQ(slack.rows[5].offset, "0x6380");
    EXPECT_EQ(slack.rows[7].offset, "0x6c7f");

    // "-carve": the live rows through the own b-tree walk, then the slack.
    const report carved = run_report({"deleted.db"}, {"-db", "deleted.db", "-carve"});
    EXPECT_EQ(carved.headers, 1);
    EXPECT_EQ(summary(carved),
              joined(with_source(deleted_live, "sqlite lib", "carve main"), deleted_slack));
}

// The default run shows the log's state; the slack carve finds the deleted row in the main
// file's page the log overwrites and in the superseded frame, and the updated row's old
// payload.
TEST(RecoveryReport, RowsOverwrittenThroughTheWal) {
    const std::vector<std::string> files = {"wal.db", "wal.db-wal"};
    const report plain = run_report(files, {"-db", "wal.db"});
    const std::vector<std::string> live = {"sqlite lib|wal.db|VELK-RECOVERY-LIVE-1",
                                           "sqlite lib|wal.db|VELK-RECOVERY-WAL-UPDATE-AFTER-2",
                                           "sqlite lib|wal.db|VELK-RECOVERY-LIVE-3",
                                           "sqlite lib|wal.db|VELK-RECOVERY-LIVE-5",
                                           "sqlite lib|wal.db|VELK-RECOVERY-LIVE-6",
                                           "sqlite lib|wal.db|VELK-RECOVERY-LIVE-7",
                                           "sqlite lib|wal.db|VELK-RECOVERY-LIVE-8"};
    EXPECT_EQ(summary(plain), live);

    const report slack = run_report(files, {"-db", "wal.db", "-incl_slack"});
    EXPECT_EQ(slack.headers, 1);
    const std::vector<std::string> rows = summary(slack);
    ASSERT_GT(rows.size(), live.size());
    EXPECT_TRUE(std::equal(live.begin(), live.end(), rows.begin()));
    for (const char* wanted :
         {"main db page to be overwritten from wal|wal.db|VELK-RECOVERY-WAL-DELETED-4",
          "wal file page superceded by new page|wal.db-wal|VELK-RECOVERY-WAL-DELETED-4",
          "main db page to be overwritten from wal|wal.db|VELK-RECOVERY-WAL-UPDATE-BEFORE-2"}) {
        EXPECT_NE(std::find(rows.begin(), rows.end(), wanted), rows.end()) << wanted;
    }
}

// Secure delete left nothing in the main file: the journal's saved page is where the row is.
TEST(RecoveryReport, RowKeptOnlyByTheJournal) {
    const report carved =
        run_report({"journal.db", "journal.db-journal"}, {"-db", "journal.db", "-carve"});
    EXPECT_EQ(carved.headers, 1);
    const std::vector<std::string> rows = summary(carved);
    EXPECT_NE(std::find(rows.begin(), rows.end(),
                        "carve journal|journal.db-journal|VELK-RECOVERY-JOURNAL-DELETED-3"),
              rows.end());
    EXPECT_EQ(std::count(rows.begin(), rows.end(),
                         "carve main|journal.db|VELK-RECOVERY-JOURNAL-DELETED-3"),
              0);
    // The hot journal restores the page the walk reads: its rows are that page's stale
    // version, reported once under the page's label.
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const std::string& r) { return r.rfind("carve main|", 0) == 0; }),
              0);
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const std::string& r) {
                                return r.rfind("main db page to be overwritten from journal|", 0) ==
                                       0;
                            }),
              7);
}

// A hot journal blocks a read-only library open. The library reads a private copy, so the
// copy is rolled back read-write instead: the live rows of the last committed state are
// reported, the interrupted delete of Order 3 undone, and the evidence is not written.
TEST(RecoveryReport, HotJournalIsRolledBackInThePrivateCopy) {
    const report plain = run_report({"journal.db", "journal.db-journal"}, {"-db", "journal.db"});
    EXPECT_EQ(plain.headers, 1);
    const std::vector<std::string> rows = summary(plain);
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const std::string& r) { return r.rfind("sqlite lib|", 0) == 0; }),
              8);
    EXPECT_NE(std::find(rows.begin(), rows.end(),
                        "sqlite lib|journal.db|VELK-RECOVERY-JOURNAL-DELETED-3"),
              rows.end());
}

TEST(RecoveryReport, PageChunks) {
    const report chunk = run_report({"deleted.db"}, {"-parse_chunk", "-db", "deleted.db"});
    EXPECT_EQ(summary(chunk),
              (std::vector<std::string>{"carve blob|deleted.db|VELK-RECOVERY-LIVE-8",
                                        "carve blob|deleted.db|VELK-RECOVERY-DELETED-7",
                                        "carve blob|deleted.db|VELK-RECOVERY-LIVE-6",
                                        "carve blob|deleted.db|VELK-RECOVERY-DELETED-5",
                                        "carve blob|deleted.db|VELK-RECOVERY-LIVE-4",
                                        "carve blob|deleted.db|VELK-RECOVERY-LIVE-3",
                                        "carve blob|deleted.db|VELK-RECOVERY-DELETED-2",
                                        "carve blob|deleted.db|VELK-RECOVERY-LIVE-1"}));
    // A log of 1024-byte pages, read frame by frame.
    const report wal = run_report({"wal1024.db-wal"}, {"-parse_chunk", "-db", "wal1024.db-wal"});
    std::set<std::string> markers;
    for (const report_row& row : wal.rows) {
        EXPECT_EQ(row.source, "carve blob");
        markers.insert(row.marker);
    }
    EXPECT_EQ(markers,
              (std::set<std::string>{"VELK-RECOVERY-LIVE-1", "VELK-RECOVERY-WAL-UPDATE-BEFORE-2",
                                     "VELK-RECOVERY-WAL-UPDATE-AFTER-2", "VELK-RECOVERY-LIVE-3",
                                     "VELK-RECOVERY-WAL-DELETED-4", "VELK-RECOVERY-LIVE-5",
                                     "VELK-RECOVERY-LIVE-6", "VELK-RECOVERY-LIVE-7",
                                     "VELK-RECOVERY-LIVE-8"}));
}

// ---- The real database ------------------------------------------------------------------

report run_real(const std::vector<std::string>& extra) {
    const temp_dir dir;
    std::filesystem::copy_file(std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db",
                               dir.file("wpndatabase.db"));
    std::vector<std::string> args = {"-db", "wpndatabase.db", "-csv", "-quiet"};
    args.insert(args.end(), extra.begin(), extra.end());
    const velk_result result = run_velk(args, dir.path());
    EXPECT_EQ(result.status, 0) << result.err;
    return read_report(result.out);
}

// Times, type, handler, payload and URI of every row, whatever its source.
std::multiset<std::string> contents(const report& r) {
    std::multiset<std::string> out;
    for (const report_row& row : r.rows) {
        out.insert(row.before + "|" + row.after);
    }
    return out;
}

std::string offset_of_first_arrival(const report& r) {
    for (const report_row& row : r.rows) {
        if (row.before.rfind(" 2020-12-11 19:11:35.902,", 0) == 0) {
            return row.offset;
        }
    }
    return "";
}

// It holds no deleted notification: "<toast" occurs only in its six live cells.
TEST(RecoveryReport, RealDatabaseGivesItsSixLiveNotificationsEveryWay) {
    VELK_NEED_REAL_DATA(std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db");
    const report plain = run_real({});
    ASSERT_EQ(plain.rows.size(), 6U);
    EXPECT_EQ(offset_of_first_arrival(plain), "");

    const report carved = run_real({"-carve"});
    EXPECT_EQ(contents(carved), contents(plain));
    for (const report_row& row : carved.rows) {
        EXPECT_EQ(row.source, "carve main");
    }
    EXPECT_EQ(offset_of_first_arrival(carved), "0x6ed7");

    const report slack = run_real({"-incl_slack"});
    EXPECT_EQ(slack.lines, plain.lines);

    const report chunk = run_real({"-parse_chunk"});
    EXPECT_EQ(contents(chunk), contents(plain));
    for (const report_row& row : chunk.rows) {
        EXPECT_EQ(row.source, "carve blob");
    }
    EXPECT_EQ(offset_of_first_arrival(chunk), "0x6ed7");  // the cell, as the walk gives it
}

}  // namespace
