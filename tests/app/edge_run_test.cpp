// Databases that are unusual but valid, or damaged in one known way, run through the built
// tool: every row within reach is reported with its source, and a database whose reading
// failed says so and fails the run unless the slack carve recovered records from it.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/velk_process.h"
#include "real_data.h"

namespace {

namespace fs = std::filesystem;
using velk_test::run_velk;
using velk_test::temp_dir;
using velk_test::velk_result;

const std::string data_dir = VELK_TEST_DATA_DIR;
const std::string real_db = std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db";

// Copies a fixture and whichever companions it has into dir; returns the copy's name.
std::string copy_fixture(const temp_dir& dir, const std::string& relative) {
    const fs::path source = fs::path(data_dir) / relative;
    for (const char* suffix : {"", "-wal", "-journal"}) {
        const fs::path from = source.string() + suffix;
        if (fs::exists(from)) {
            fs::copy_file(from, dir.file(source.filename().string() + suffix));
        }
    }
    return source.filename().string();
}

// Report lines (after the banner) that hold both texts.
int lines_with(const velk_result& r, const std::string& a, const std::string& b) {
    int n = 0;
    const std::vector<std::string> lines = velk_test::split_lines_lf(r.out);
    for (std::size_t i = 4; i < lines.size(); ++i) {
        if (lines[i].find(a) != std::string::npos && lines[i].find(b) != std::string::npos) {
            ++n;
        }
    }
    return n;
}

int notification_rows(const velk_result& r) {
    return lines_with(r, "\"src\":\"", "");
}

std::string src(const char* name) { return std::string("\"src\":\"") + name + "\""; }

// ---- Rows within reach ---------------------------------------------------------------

struct reach_case {
    const char* name;
    const char* fixture;  // under tests/data
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> found;   // marker, source
    std::vector<std::pair<std::string, std::string>> absent;  // marker, source
};

const reach_case reach_cases[] = {
    {"EmptiedLeaf",
     "edge/emptied.db",
     {"-incl_slack"},
     {{"VELK-EDGE-EMPTIED-1", src("main db slack")},
      {"VELK-EDGE-EMPTIED-4", src("main db slack")}},
     {}},
    {"EmptiedLeafOf64KiBPages",
     "edge/emptied64k.db",
     {"-carve"},
     {{"VELK-EDGE-EMPTIED-1", src("main db slack")},
      {"VELK-EDGE-EMPTIED-4", src("main db slack")}},
     {}},
    {"HandlerOneInAFreeblockAndAFreePage",
     "edge/handler1.db",
     {"-incl_slack"},
     {{"VELK-EDGE-HANDLER1-FREEBLOCK-2", src("main db slack")},
      {"VELK-EDGE-HANDLER1-FREEPAGE-11", src("main db slack")},
      {"VELK-EDGE-HANDLER1-FREEPAGE-12", src("main db slack")}},
     {}},
    {"HandlerOneInTheWal",
     "edge/handler1_wal.db",
     {"-incl_slack"},
     {{"VELK-EDGE-HANDLER1-WAL-3", src("wal file slack in valid page")}},
     {{"VELK-EDGE-HANDLER1-WAL-3", src("sqlite lib")}}},
    // The sample's Order 10 (handler 1) as it was before its update in the log.
    {"HandlerOneInASupersededFrame",
     "sample/wpndatabase.db",
     {"-incl_slack"},
     {{"VELK-WAL-UPDATE-AFTER-1", src("wal file page superceded by new page")}},
     {}},
    // SQLite stops at the frame whose checksum fails: the second commit is the live one, and
    // the third is evidence of a superseded frame, never the winner.
    {"WalFrameWithABrokenChecksum",
     "edge/wal_checksum.db",
     {"-incl_slack"},
     {{"VELK-EDGE-CHECKSUM-2", src("sqlite lib")},
      {"VELK-EDGE-CHECKSUM-1", src("wal file page superceded by new page")},
      {"VELK-EDGE-CHECKSUM-3", src("wal file page superceded by new page")}},
     {{"VELK-EDGE-CHECKSUM-2", src("wal file page superceded by new page")},
      {"VELK-EDGE-CHECKSUM-3", src("sqlite lib")}}},
    {"JournalOf4096ByteSectors",
     "edge/journal_sector.db",
     {"-incl_slack"},
     {{"VELK-EDGE-JOURNAL-SECTOR-2", src("carve journal")}},
     {}},
    {"TruncatedCarve",
     "damaged/truncated.db",
     {"-carve"},
     {{"VELK-DELETED-NOTIFICATION-3", src("main db slack")}},
     {}},
    {"TruncatedSlack",
     "damaged/truncated.db",
     {"-incl_slack"},
     {{"VELK-DELETED-NOTIFICATION-3", src("main db slack")}},
     {}},
};

class EdgeReach : public ::testing::TestWithParam<reach_case> {};

TEST_P(EdgeReach, ReportsTheRowsWithTheirSources) {
    const reach_case& c = GetParam();
    const temp_dir dir;
    std::vector<std::string> args = {"-db", copy_fixture(dir, c.fixture), "-csv", "-quiet"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const velk_result r = run_velk(args, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    for (const auto& [marker, source] : c.found) {
        EXPECT_GE(lines_with(r, marker, source), 1) << marker << " " << source << "\n" << r.out;
    }
    for (const auto& [marker, source] : c.absent) {
        EXPECT_EQ(lines_with(r, marker, source), 0) << marker << " " << source;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, EdgeReach, ::testing::ValuesIn(reach_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// A log without its main file is cut at its own 1024-byte page size: every row of the
// recovery log (nothing was checkpointed) comes back, none cut at a frame header.
TEST(EdgeReach, WalWithoutItsMainFileIsReadAtItsOwnPageSize) {
    const temp_dir dir;
    fs::copy_file(data_dir + "/recovery/wal1024.db-wal", dir.file("gone.db-wal"));
    const velk_result r = run_velk({"-db", "gone.db", "-carve", "-csv", "-quiet"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* marker : {"VELK-RECOVERY-LIVE-1", "VELK-RECOVERY-WAL-DELETED-4",
                               "VELK-RECOVERY-WAL-UPDATE-BEFORE-2",
                               "VELK-RECOVERY-WAL-UPDATE-AFTER-2", "VELK-RECOVERY-LIVE-8"}) {
        EXPECT_GE(lines_with(r, marker, "\"src\":\"wal file"), 1) << marker << "\n" << r.out;
    }
}

// ---- Failed reads are said and fail the run ---------------------------------------------

TEST(EdgeFailure, LibraryFailureIsSaidAndFailsTheRun) {
    const temp_dir dir;
    const std::string db = copy_fixture(dir, "damaged/cell_pointer_past_end.db");
    const velk_result r = run_velk({"-db", db, "-csv"}, dir.path());
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.err.find("prob reading " + db + ": database disk image is malformed\n"),
              std::string::npos)
        << r.err;
    // Recovered records still report with status 0.
    const velk_result slack = run_velk({"-db", db, "-csv", "-incl_slack", "-quiet"}, dir.path());
    EXPECT_EQ(slack.status, 0);
    EXPECT_GE(lines_with(slack, "VELK-DELETED-NOTIFICATION-1", src("main db slack")), 1);
}

struct failure_run_case {
    const char* name;
    const char* fixture;
    std::vector<std::string> args;
    const char* said;  // what follows "prob reading <file>: "
};

const failure_run_case failure_run_cases[] = {
    {"Truncated", "damaged/truncated.db", {}, "database disk image is malformed"},
    {"NoNotificationTable", "carve/deleted.db", {}, "no Notification table"},
    {"NoKnownColumns", "dbproc/no_known_columns.db", {},
     "a push table holds none of the known columns"},
    {"NoKnownColumnsCarve", "dbproc/no_known_columns.db", {"-carve"},
     "a push table holds none of the known columns"},
};

class EdgeFailureRun : public ::testing::TestWithParam<failure_run_case> {};

TEST_P(EdgeFailureRun, IsSaidAndFailsTheRun) {
    const failure_run_case& c = GetParam();
    const temp_dir dir;
    const std::string db = copy_fixture(dir, c.fixture);
    std::vector<std::string> args = {"-db", db, "-csv"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const velk_result r = run_velk(args, dir.path());
    EXPECT_EQ(r.status, 255) << r.err;
    EXPECT_NE(r.err.find("prob reading " + db + ": " + c.said + "\n"), std::string::npos) << r.err;
    EXPECT_EQ(notification_rows(r), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, EdgeFailureRun, ::testing::ValuesIn(failure_run_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(EdgeFailure, EmptyTableIsNoFailure) {
    const temp_dir dir;
    const velk_result r = run_velk({"-db", copy_fixture(dir, "edge/emptied.db")}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("prob reading"), std::string::npos) << r.err;
}

// In a list, each failing database is one line and the run goes on to the next.
TEST(EdgeFailure, ListRunSaysEachFailureAndGoesOn) {
    const temp_dir dir;
    const std::string bad = copy_fixture(dir, "damaged/cell_pointer_past_end.db");
    const std::string good = copy_fixture(dir, "recovery/deleted.db");
    const std::string stdin_text = bad + "\n" + good + "\n" + "missing.db\n";
    const velk_result r = run_velk({"-pipe", "-csv"}, dir.path(), stdin_text);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("prob reading " + bad + ": database disk image is malformed\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("prob accessing file missing.db: No such file or directory\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(lines_with(r, "," + good + ",", src("sqlite lib")), 5);
}

// Without a schema no table can be walked: the carve then reads every table leaf present
// whole, so the live rows of a database whose schema page is wiped still come back.
TEST(EdgeFailure, WipedSchemaStillGivesTheLeavesToTheCarve) {
    const temp_dir dir;
    const std::string db = copy_fixture(dir, "recovery/deleted.db");
    std::string bytes = velk_test::read_file(dir.file(db));
    std::fill(bytes.begin() + 100, bytes.begin() + 4096, '\0');
    velk_test::write_file(dir.file(db), bytes);
    const velk_result live = run_velk({"-db", db, "-csv"}, dir.path());
    EXPECT_EQ(live.status, 255);
    EXPECT_NE(live.err.find("prob reading " + db + ": the sqlite schema cannot be parsed\n"),
              std::string::npos)
        << live.err;
    const velk_result carved = run_velk({"-db", db, "-csv", "-carve", "-quiet"}, dir.path());
    EXPECT_EQ(carved.status, 0) << carved.err;
    for (const int order : {1, 3, 4, 6, 8}) {
        EXPECT_EQ(lines_with(carved, "VELK-RECOVERY-LIVE-" + std::to_string(order), src("carve main")),
                  1)
            << order;
    }
    EXPECT_EQ(lines_with(carved, "VELK-RECOVERY-DELETED-5", ""), 1) << carved.out;
}

// ---- The real database re-paged and cut ------------------------------------------------

// A copy of the real database rewritten by SQLite at 65536-byte pages (stored as 1).
std::string repage_real(const temp_dir& dir) {
    const std::string path = dir.file("wpn64k.db");
    fs::copy_file(real_db, path);
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    for (const char* sql : {"PRAGMA journal_mode=DELETE", "PRAGMA page_size=65536", "VACUUM"}) {
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    }
    sqlite3_close(db);
    return "wpn64k.db";
}

TEST(EdgeRealData, PagesOf64KiBGiveTheSixNotificationsEverywhere) {
    VELK_NEED_REAL_DATA(real_db);
    const temp_dir dir;
    const std::string db = repage_real(dir);
    const std::string bytes = velk_test::read_file(dir.file(db));
    ASSERT_EQ(bytes.substr(16, 2), std::string("\x00\x01", 2));
    for (const char* mode : {"", "-carve", "-incl_slack"}) {
        SCOPED_TRACE(mode);
        std::vector<std::string> args = {"-db", db, "-csv", "-quiet"};
        if (*mode != '\0') {
            args.emplace_back(mode);
        }
        const velk_result r = run_velk(args, dir.path());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(notification_rows(r), 6) << r.out;
        EXPECT_EQ(lines_with(r, "2020-12-11 19:11:35.902", "immersivecontrolpanel"), 1);
    }
}

TEST(EdgeRealData, FirstThirtyTwoKiBStillGiveTheSixNotificationsToTheCarve) {
    VELK_NEED_REAL_DATA(real_db);
    const temp_dir dir;
    const std::string whole = velk_test::read_file(real_db);
    velk_test::write_file(dir.file("part.db"), whole.substr(0, 32768));
    const velk_result carved = run_velk({"-db", "part.db", "-csv", "-carve", "-quiet"}, dir.path());
    EXPECT_EQ(carved.status, 0) << carved.err;
    EXPECT_EQ(notification_rows(carved), 6) << carved.out;
    EXPECT_EQ(lines_with(carved, "2020-12-11 19:11:35.902", src("carve main")), 1);
    const velk_result live = run_velk({"-db", "part.db", "-csv"}, dir.path());
    EXPECT_EQ(live.status, 255);
    EXPECT_NE(live.err.find("prob reading part.db: the sqlite schema cannot be parsed\n"),
              std::string::npos)
        << live.err;
}

// The real schema spans pages 26 and 28. A copy cut inside page 26 still reads the schema
// rows before the cut, none of them a push table's: the carve takes the table leaves that no
// table the schema names reaches. Cut after page 26, the walk reaches the rows, and the
// carve does not add them again.
TEST(EdgeRealData, CopyCutInsideTheSchemaGivesTheSixNotificationsOnce) {
    VELK_NEED_REAL_DATA(real_db);
    const temp_dir dir;
    const std::string whole = velk_test::read_file(real_db);
    for (const std::size_t length : {104448U, 106496U}) {
        SCOPED_TRACE(length);
        velk_test::write_file(dir.file("part.db"), whole.substr(0, length));
        const velk_result carved =
            run_velk({"-db", "part.db", "-csv", "-carve", "-quiet"}, dir.path());
        EXPECT_EQ(carved.status, 0) << carved.err;
        EXPECT_EQ(notification_rows(carved), 6) << carved.out;
        EXPECT_EQ(lines_with(carved, "2020-12-11 19:11:35.902", src("carve main")), 1);
    }
}

}  // namespace
