// The results and diagnostics files are judged on the file opened, and only emptied once that
// passed: a link to evidence, a FIFO or an input is refused with its bytes untouched.

#include "app/output_guard.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "io/io_test_support.h"

namespace {

const std::string database_head = std::string("SQLite format 3") + '\0' + '\x10' + '\0';

struct head_case {
    const char* name;
    std::string head;
    bool earlier;
};

const head_case head_cases[] = {
    {"Report", "velk - v1.4.0 -\nRun time: 01/02/2024 ...\n", true},
    {"ReportOfAnotherVersion", "velk - 0.9 beta -\n\n", true},
    {"DiagnosticsFile", "->/usr/bin/velk -db x.db -DIAGS d.txt\n->x.db\n", true},
    {"VersionLineWithoutItsEnd", "velk - v1 -", false},
    {"OtherTool", "tool - v1 -\n", false},
    {"VersionLineTooLong", "velk - " + std::string(300, 'v') + " -\n", false},
    {"CommandLineWithoutDiags", "->velk -db x.db -out r.txt\n", false},
    {"DiagsOnALaterLine", "->velk -db x.db\n -diags d.txt\n", false},
    {"Database", database_head, false},
    {"Empty", "", false},
};

class EarlierOutput : public ::testing::TestWithParam<head_case> {};

TEST_P(EarlierOutput, KnownByItsFirstLine) {
    const head_case& c = GetParam();
    EXPECT_EQ(is_earlier_output(byte_array(c.head.begin(), c.head.end())), c.earlier);
}

INSTANTIATE_TEST_SUITE_P(Cases, EarlierOutput, ::testing::ValuesIn(head_cases),
                         [](const auto& p) { return std::string(p.param.name); });

enum class run_kind { single_db, walked, walked_sub, chunks_listed, pipe_listed };

struct open_case {
    const char* name;
    const char* output;  // in the case folder, or absolute
    run_kind kind;       // single_db: the run reads e.db
    output_refusal refusal;
};

// The case folder: e.db (an SQLite header) with e.db-wal, h.db (a hard link of e.db), s.db (a
// symbolic link to e.db), notes.txt (text) and lt.txt (a link to it), report.txt (an earlier
// report), d.txt (an earlier diagnostics file), empty.txt, dl (a link to nothing), the FIFO
// f.fifo and the folder sub, which holds chunk.bin, whose hard link hl.bin lies outside it.
const open_case open_cases[] = {
    {"NewFile", "sub/new.txt", run_kind::single_db, output_refusal::none},
    {"EarlierReport", "report.txt", run_kind::single_db, output_refusal::none},
    {"LinkToPlainText", "lt.txt", run_kind::single_db, output_refusal::none},
    {"LinkToADatabase", "s.db", run_kind::walked, output_refusal::sqlite_database},
    {"HardLinkOfTheInput", "h.db", run_kind::single_db, output_refusal::is_input},
    {"LogOfTheInput", "e.db-wal", run_kind::single_db, output_refusal::is_input},
    {"DanglingLink", "dl", run_kind::single_db, output_refusal::dangling_link},
    {"Fifo", "f.fifo", run_kind::single_db, output_refusal::not_regular},
    {"Device", "/dev/null", run_kind::single_db, output_refusal::not_regular},
    {"Folder", "sub", run_kind::single_db, output_refusal::not_regular},
    {"WalkedText", "notes.txt", run_kind::walked, output_refusal::in_walked_folder},
    {"WalkedEmptyFile", "empty.txt", run_kind::walked, output_refusal::in_walked_folder},
    {"WalkedEarlierReport", "report.txt", run_kind::walked, output_refusal::none},
    {"WalkedEarlierDiagnostics", "d.txt", run_kind::walked, output_refusal::none},
    {"WalkedNewFile", "sub/new.txt", run_kind::walked, output_refusal::none},
    {"ListedText", "notes.txt", run_kind::chunks_listed, output_refusal::may_be_chunk},
    {"ListedEmptyFile", "empty.txt", run_kind::chunks_listed, output_refusal::none},
    {"ListedEarlierReport", "report.txt", run_kind::chunks_listed, output_refusal::none},
    {"PipedText", "notes.txt", run_kind::pipe_listed, output_refusal::may_be_chunk},
    {"PipedEarlierReport", "report.txt", run_kind::pipe_listed, output_refusal::none},
    {"HardLinkOfAWalkedFile", "hl.bin", run_kind::walked_sub, output_refusal::is_input},
    {"OutsideTheWalkedFolder", "notes.txt", run_kind::walked_sub, output_refusal::none},
};

class OpenOutputFile : public ::testing::TestWithParam<open_case> {
protected:
    void SetUp() override {
        velk_test::write_file(at("e.db"), database_head + std::string(84, '\0'));
        velk_test::write_file(at("e.db-wal"), "log");
        velk_test::write_file(at("notes.txt"), "notes\n");
        velk_test::write_file(at("report.txt"), "velk - v1 -\nRun time: ...\n");
        velk_test::write_file(at("d.txt"), "->velk -db x.db -diags d.txt\n");
        velk_test::write_file(at("empty.txt"), "");
        ASSERT_EQ(::link(at("e.db").c_str(), at("h.db").c_str()), 0);
        ASSERT_EQ(::symlink("e.db", at("s.db").c_str()), 0);
        ASSERT_EQ(::symlink("notes.txt", at("lt.txt").c_str()), 0);
        ASSERT_EQ(::symlink("nowhere", at("dl").c_str()), 0);
        ASSERT_EQ(::mkfifo(at("f.fifo").c_str(), 0600), 0);
        ASSERT_EQ(::mkdir(at("sub").c_str(), 0700), 0);
        velk_test::write_file(at("sub/chunk.bin"), "chunk");
        ASSERT_EQ(::link(at("sub/chunk.bin").c_str(), at("hl.bin").c_str()), 0);
    }
    std::string at(const char* name) const { return m_dir.file(name); }
    output_guard guard_for(run_kind kind) const {
        output_guard guard;
        if (kind == run_kind::single_db) {
            guard.inputs.push_back(at("e.db"));
        }
        if (kind == run_kind::walked) {
            guard.walked_folder = std::filesystem::canonical(m_dir.path()).string();
        }
        if (kind == run_kind::walked_sub) {
            guard.walked_folder = std::filesystem::canonical(at("sub")).string();
        }
        if (kind == run_kind::chunks_listed) {
            guard.any_file_mode = "-pipe -parse_chunk";
        }
        if (kind == run_kind::pipe_listed) {
            guard.any_file_mode = "-pipe";
        }
        return guard;
    }
    velk_test::temp_dir m_dir;
};

TEST_P(OpenOutputFile, JudgedOnTheOpenFileAndNeverEmptiedBeforeIt) {
    const open_case& c = GetParam();
    const std::string output = c.output[0] == '/' ? c.output : at(c.output);
    const std::string evidence = velk_test::read_file(at("e.db"));
    const std::string notes = velk_test::read_file(at("notes.txt"));
    opened_output opened;
    const output_verdict verdict = open_output_file(output, guard_for(c.kind), opened);
    EXPECT_EQ(verdict.refusal, c.refusal) << refusal_text(verdict);
    EXPECT_EQ(opened.is_open(), c.refusal == output_refusal::none);
    // Nothing emptied or written by the open and its checks, nothing created by a refusal.
    EXPECT_EQ(velk_test::read_file(at("e.db")), evidence);
    EXPECT_EQ(velk_test::read_file(at("notes.txt")), notes);
    EXPECT_EQ(velk_test::read_file(at("sub/chunk.bin")), "chunk");
    EXPECT_EQ(velk_test::file_size(at("nowhere")), -1);
    if (c.refusal != output_refusal::none) {
        EXPECT_EQ(velk_test::file_size(at("sub/new.txt")), -1);
        return;
    }
    EXPECT_TRUE(opened.is_reached_by(output));
    ASSERT_TRUE(opened.empty_it());
    EXPECT_EQ(velk_test::file_size(output), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenOutputFile, ::testing::ValuesIn(open_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// A file the open made and the run then gives up is removed again; one it only opened stays.
TEST(OpenedOutput, CreatedFileGoesWhenNotKept) {
    const velk_test::temp_dir dir;
    {
        opened_output opened;
        ASSERT_EQ(open_output_file(dir.file("new.txt"), {}, opened).refusal, output_refusal::none);
        EXPECT_EQ(velk_test::file_size(dir.file("new.txt")), 0);
    }
    EXPECT_EQ(velk_test::file_size(dir.file("new.txt")), -1);
    velk_test::write_file(dir.file("old.txt"), "velk - v1 -\n");
    {
        opened_output opened;
        ASSERT_EQ(open_output_file(dir.file("old.txt"), {}, opened).refusal, output_refusal::none);
    }
    EXPECT_EQ(velk_test::read_file(dir.file("old.txt")), "velk - v1 -\n");
    opened_output kept;
    ASSERT_EQ(open_output_file(dir.file("kept.txt"), {}, kept).refusal, output_refusal::none);
    const int fd = kept.release();
    ASSERT_NE(fd, -1);
    EXPECT_TRUE(kept.is_reached_by(dir.file("kept.txt")));
    ::close(fd);
    EXPECT_EQ(velk_test::file_size(dir.file("kept.txt")), 0);
}

}  // namespace
