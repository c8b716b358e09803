// The input loop as an examiner runs it: the built binary over a "-pipe" list fed through
// standard input or an "-enumdir" walk of a temporary tree.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/velk_process.h"
#include "app/velk_usage.h"

namespace {

using velk_test::read_file;
using velk_test::run_velk;
using velk_test::split_lines_lf;
using velk_test::temp_dir;
using velk_test::velk_result;

const std::string sample_db = std::string(VELK_TEST_DATA_DIR) + "/sample/wpndatabase.db";
// Live notifications of the sample with its -wal applied, and of its main file alone.
constexpr std::size_t sample_live_rows = 11;
constexpr std::size_t sample_main_rows = 10;

// A copy of the sample database (and its -wal) at path.
void copy_sample(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::filesystem::copy_file(sample_db, path);
    std::filesystem::copy_file(sample_db + "-wal", path + "-wal");
}

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

// Only the banner: its three lines and the empty line after it.
void expect_banner_alone(const velk_result& result) {
    const std::vector<std::string> lines = split_lines_lf(result.out);
    ASSERT_EQ(lines.size(), 4U) << result.out;
    EXPECT_EQ(lines[0], velk_version_line());
    EXPECT_EQ(lines[3], "");
}

TEST(VelkPipe, EachAcceptedNameIsReadAndLoggedAsRead) {
    const temp_dir dir;
    copy_sample(dir.file("a/wpndatabase.db"));
    copy_sample(dir.file("b/wpndatabase.db"));
    const velk_result result = run_velk({"-pipe", "-diags", "d.txt"}, dir.path(),
                                        "a/wpndatabase.db\r\n\nb/wpndatabase.db\r\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("analyzing a/wpndatabase.db\n"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("analyzing b/wpndatabase.db\n"), std::string::npos) << result.err;
    const std::string diags = read_file(dir.file("d.txt"));
    EXPECT_NE(diags.find("\n->a/wpndatabase.db\n->b/wpndatabase.db\n"), std::string::npos) << diags;
    EXPECT_EQ(diags.find("records found"), std::string::npos) << diags;
    // One header for the run, then the sample's eleven live notifications of each.
    EXPECT_EQ(count_of(result.out, "Notification ArrivalTime"), 1U) << result.out;
    EXPECT_EQ(count_of(result.out, "| a/wpndatabase.db |"), sample_live_rows) << result.out;
    EXPECT_EQ(count_of(result.out, "| b/wpndatabase.db |"), sample_live_rows) << result.out;
    EXPECT_LT(result.out.find("Notification ArrivalTime"), result.out.find("a/wpndatabase.db"));
}

struct nothing_case {
    const char* name;
    std::vector<std::string> args;
    const char* input;
};

const nothing_case nothing_cases[] = {
    {"OnlyEmptyLines", {"-pipe"}, "\n\r\n\n"},
    {"OnlyRejectedNames", {"-pipe", "-filter", "*.db"}, "notes.txt\r\nwpndatabase.db-wal\n"},
    // "-db" is neither needed nor read when the loop runs.
    {"PipeWinsOverDb", {"-pipe", "-db", "x/wpndatabase.db"}, ""},
    {"WalkDefaultDepthStaysInTheFolder", {"-enumdir", "x", "-filter", "*.db"}, ""},
    {"WalkOfMissingFolder", {"-enumdir", "missing", "-num_subdirs", "3"}, ""},
};

class VelkNothingAccepted : public ::testing::TestWithParam<nothing_case> {};

TEST_P(VelkNothingAccepted, WritesTheBannerAloneAndFails) {
    const temp_dir dir;
    copy_sample(dir.file("x/sub/wpndatabase.db"));
    copy_sample(dir.file("x/wpndatabase.db"));
    std::vector<std::string> args = GetParam().args;
    // The walk cases look one level below x only: x itself holds no database for them.
    if (args[0] == "-enumdir") {
        std::filesystem::remove(dir.file("x/wpndatabase.db"));
        std::filesystem::remove(dir.file("x/wpndatabase.db-wal"));
    }
    const velk_result result = run_velk(args, dir.path(), GetParam().input);
    EXPECT_EQ(result.status, 255);
    expect_banner_alone(result);
    EXPECT_EQ(result.err.find("analyzing"), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(Cases, VelkNothingAccepted, ::testing::ValuesIn(nothing_cases),
                         [](const auto& p) { return std::string(p.param.name); });

struct walk_case {
    const char* name;
    std::vector<std::string> args;
    const char* run_in;  // relative to the temporary folder
    const char* analyzed;
};

const walk_case walk_cases[] = {
    {"OneLevelDown",
     {"-enumdir", "dir", "-num_subdirs", "1", "-filter", "*.db"},
     "",
     "dir/sub/wpndatabase.db"},
    {"CurrentFolder",
     {"-enumdir", ".", "-num_subdirs", "1", "-filter", "*.db"},
     "dir",
     "./sub/wpndatabase.db"},
    {"TrailingSlash",
     {"-enumdir", "dir/", "-num_subdirs", "2", "-filter", "*.db"},
     "",
     "dir/sub/wpndatabase.db"},
};

class VelkWalk : public ::testing::TestWithParam<walk_case> {};

// Mend (directory layer ruling): a folder named without '/' lists with '/'.
TEST_P(VelkWalk, FindsTheDatabaseBelowTheFolder) {
    const temp_dir dir;
    copy_sample(dir.file("dir/sub/wpndatabase.db"));
    const velk_result result = run_velk(GetParam().args, dir.file(GetParam().run_in), "");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find(std::string("analyzing ") + GetParam().analyzed + "\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(count_of(result.err, "analyzing"), 1U) << result.err;
}

INSTANTIATE_TEST_SUITE_P(Cases, VelkWalk, ::testing::ValuesIn(walk_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// Without "-filter" the walk hands out the companions too; each fails as a database with
// its own message, and the run goes on.
TEST(VelkWalk, CompanionsFailAsDatabasesAndTheRunGoesOn) {
    const temp_dir dir;
    copy_sample(dir.file("dir/wpndatabase.db"));
    const velk_result result = run_velk({"-enumdir", "dir"}, dir.path(), "");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("analyzing dir/wpndatabase.db\n"), std::string::npos) << result.err;
    EXPECT_EQ(count_of(result.err, "analyzing"), 1U) << result.err;
}

// Mend: walked names are opened as found, never %VAR%-expanded, and a name that is not
// UTF-8 is listed and opened with its own bytes.
TEST(VelkWalk, NamesAreOpenedAsFound) {
    const temp_dir dir;
    copy_sample(dir.file("w/%HOME%x.db"));
    std::filesystem::copy_file(sample_db, dir.file("w/n\xff.db"));
    const velk_result result = run_velk({"-enumdir", "w", "-filter", "*.db", "-csv"}, dir.path());
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err.find("prob accessing"), std::string::npos) << result.err;
    EXPECT_EQ(count_of(result.out, ",w/%HOME%x.db,"), sample_live_rows) << result.out;
    EXPECT_EQ(count_of(result.out, ",w/n\xff.db,"), sample_main_rows) << result.out;
}

// Page chunks come through the loop the same way: the walked chunk opens under its name.
TEST(VelkWalk, ChunksAreOpenedAsFound) {
    const temp_dir dir;
    std::filesystem::create_directories(dir.file("c"));
    std::filesystem::copy_file(sample_db, dir.file("c/%HOME%chunk"));
    const velk_result result = run_velk({"-enumdir", "c", "-parse_chunk", "-csv"}, dir.path());
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("analyzing c/%HOME%chunk\n"), std::string::npos) << result.err;
    EXPECT_NE(result.out.find("\"carve blob\""), std::string::npos) << result.out;
}

// The same names piped in are the examiner's own text: %VAR% references are expanded.
TEST(VelkPipe, PipedNamesAreExpanded) {
    const temp_dir dir;
    copy_sample(dir.file("w/x.db"));
    ASSERT_EQ(::setenv("VELK_LOOP_TEST_DIR", dir.path().c_str(), 1), 0);
    const velk_result result =
        run_velk({"-pipe", "-csv", "-quiet"}, dir.path(), "%VELK_LOOP_TEST_DIR%/w/x.db\n");
    EXPECT_EQ(result.status, 0);
    std::string cell(1, ',');  // appended: operator+ on a literal trips GCC 12's -Wrestrict
    cell.append(dir.file("w/x.db")).push_back(',');
    EXPECT_EQ(count_of(result.out, cell), sample_live_rows) << result.out;
}

// A standard-input line of 10,000 bytes is no path: it is passed over whole with one
// message, never opened (nor split into names that are each opened); nothing read is 255.
TEST(VelkPipe, LongLineIsSkippedWhole) {
    const temp_dir dir;
    std::string name(1, '/');
    name.append(9999, 'n');
    const velk_result result = run_velk({"-pipe"}, dir.path(), name + "\n");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(count_of(result.err, "prob accessing file"), 0U) << result.err.size();
    EXPECT_EQ(count_of(result.err, "skipping line 1 of standard input: longer than 4095 bytes"), 1U)
        << result.err.size();
}

// A name whose signature test cannot open the file is not dropped in silence: the driver
// reports it, and the run counts it as accepted.
TEST(VelkPipe, UnopenableNameReachesTheDriverUnderASignatureFilter) {
    const temp_dir dir;
    copy_sample(dir.file("a.db"));
    const velk_result result =
        run_velk({"-pipe", "-filter_sig", "53 51 4c"}, dir.path(), "gone.db\na.db\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find("prob accessing file gone.db: No such file or directory\n"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("analyzing a.db\n"), std::string::npos) << result.err;
}

// Untrusted names: a folder, a dangling link, a link to a folder, a FIFO, an empty file
// and an overlong name each give at most the driver's message; the database after them is
// still read.
TEST(VelkPipe, HostileNamesDoNotStopTheLoop) {
    const temp_dir dir;
    ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0700), 0);
    ASSERT_EQ(::symlink(dir.file("gone").c_str(), dir.file("dangling").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("folder").c_str(), dir.file("to_folder").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    velk_test::write_file(dir.file("empty.db"), "");
    copy_sample(dir.file("last/wpndatabase.db"));
    const std::string input = "folder\ndangling\nto_folder\nfifo\nempty.db\n" +
                              std::string(70000, 'x') + "/y.db\nlast/wpndatabase.db\n";
    const velk_result result = run_velk({"-pipe"}, dir.path(), input);
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find("analyzing last/wpndatabase.db\n"), std::string::npos)
        << result.err.substr(0, 2000);
}

}  // namespace
