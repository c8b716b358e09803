#include "app/input_path.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "io/io_test_support.h"

namespace {

struct source_case {
    const char* name;
    bool pipe;
    bool enum_dir;
    bool expanded;
};

const source_case source_cases[] = {
    {"SingleDatabase", false, false, true},
    {"PipedList", true, false, true},
    {"Walk", false, true, false},
    // "-pipe" wins as the name source, so its names are typed ones.
    {"PipeAndWalk", true, true, true},
};

class ExpandInputPath : public ::testing::TestWithParam<source_case> {};

TEST_P(ExpandInputPath, OnlyWalkedNamesStayLiteral) {
    ASSERT_EQ(::setenv("VELK_INPUT_PATH_TEST", "/evidence", 1), 0);
    cmd_params options(0, false);
    options.m_pipe = GetParam().pipe;
    options.m_enum_dir_given = GetParam().enum_dir;
    std::string path = "%VELK_INPUT_PATH_TEST%/x.db";
    const std::string opened = expand_input_path(options, path);
    const std::string expected =
        GetParam().expanded ? "/evidence/x.db" : "%VELK_INPUT_PATH_TEST%/x.db";
    EXPECT_EQ(opened, expected);
    EXPECT_EQ(path, expected);
    EXPECT_EQ(input_names_are_walked(options), !GetParam().expanded);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExpandInputPath, ::testing::ValuesIn(source_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// A typed name is read as typed when it exists; otherwise its expansion is, and a message
// about a name neither of which exists names both.
TEST(ExpandInputPath, ExistingNameIsReadAsTyped) {
    velk_test::temp_dir dir;
    ASSERT_EQ(::setenv("VELK_INPUT_NAME_TEST", "expanded", 1), 0);
    velk_test::write_file(dir.file("%VELK_INPUT_NAME_TEST%.db"), "typed");
    velk_test::write_file(dir.file("expanded-only.db"), "expanded");
    const std::string typed = dir.file("%VELK_INPUT_NAME_TEST%.db");
    const std::string expanding = dir.file("%VELK_INPUT_NAME_TEST%-only.db");
    const std::string missing = dir.file("%VELK_INPUT_NAME_TEST%-none.db");
    const struct {
        std::string given;
        std::string opened;
        std::string shown;
    } cases[] = {
        {typed, typed, typed},
        {expanding, dir.file("expanded-only.db"), dir.file("expanded-only.db")},
        {missing, dir.file("expanded-none.db"),
         missing + " (expanded: " + dir.file("expanded-none.db") + ")"},
        {dir.file("plain.db"), dir.file("plain.db"), dir.file("plain.db")},
    };
    cmd_params options(0, false);
    for (const auto& c : cases) {
        std::string path = c.given;
        EXPECT_EQ(expand_input_path(options, path), c.opened) << c.given;
        EXPECT_EQ(input_name_shown(options, c.given), c.shown) << c.given;
    }
}

// In a folder holding e.db, e.db-wal, a hard link h.db and a symbolic link s.db to e.db,
// other.db and the sub-folder sub.
class OutputClash : public ::testing::Test {
protected:
    void SetUp() override {
        velk_test::write_file(m_dir.file("e.db"), "db");
        velk_test::write_file(m_dir.file("e.db-wal"), "wal");
        velk_test::write_file(m_dir.file("other.db"), "other");
        ASSERT_EQ(::link(m_dir.file("e.db").c_str(), m_dir.file("h.db").c_str()), 0);
        ASSERT_EQ(::symlink("e.db", m_dir.file("s.db").c_str()), 0);
        ASSERT_EQ(::mkdir(m_dir.file("sub").c_str(), 0700), 0);
    }
    velk_test::temp_dir m_dir;
};

TEST_F(OutputClash, SameFileByInodeOrResolvedPath) {
    const struct {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"e.db", "e.db", true},
        {"e.db", "h.db", true},                         // a hard link
        {"s.db", "e.db", true},                         // a symbolic link
        {"sub/../e.db", "e.db", true},                  // another spelling
        {"e.db-journal", "sub/../e.db-journal", true},  // neither exists yet
        {"e.db", "other.db", false},
        {"e.db", "e.db-journal", false},  // one exists, the other not
        {"e.db", "", false},
    };
    for (const auto& c : cases) {
        const std::string a = *c.a == '\0' ? "" : m_dir.file(c.a);
        const std::string b = *c.b == '\0' ? "" : m_dir.file(c.b);
        EXPECT_EQ(same_file(a, b), c.same) << c.a << " / " << c.b;
    }
}

TEST_F(OutputClash, OutputFilesOfTheRun) {
    cmd_params options(0, false);
    EXPECT_EQ(output_named_by(options, m_dir.file("e.db")), "");
    options.m_out_path = m_dir.file("h.db");
    options.m_diag_path = m_dir.file("other.db");
    EXPECT_EQ(output_named_by(options, m_dir.file("e.db")), "results file");
    EXPECT_EQ(output_named_by(options, m_dir.file("sub/../other.db")), "diagnostics file");
    EXPECT_EQ(output_named_by(options, m_dir.file("e.db-wal")), "");
}

// ---- The verdict on an output file ----------------------------------------------------

// The heads of SQLite files, as the guard reads them.
const std::string database_head = std::string("SQLite format 3") + '\0' + '\x10' + '\0';
const std::string wal_heads[] = {std::string{'\x37', '\x7f', '\x06', '\x82', '\0', '\x2d'},
                                 std::string{'\x37', '\x7f', '\x06', '\x83', '\0', '\x2d'}};
const std::string journal_head =
    std::string{'\xd9', '\xd5', '\x05', '\xf9', '\x20', '\xa1', '\x63', '\xd7'} +
    std::string(20, '\0');

struct verdict_case {
    const char* name;
    const char* output;  // in the case folder, or absolute
    bool input_named;    // the run reads e.db
    output_refusal refusal;
    const char* other;  // the file named in the reason, "" when none
};

// The case folder: e.db (an SQLite header), e.db-wal, le.log and j.bin (the two WAL byte
// orders and a journal head under ordinary names), r.txt (an earlier report), empty.txt, h.db
// (a hard link of e.db), n.txt (a hard link of notes.txt, plain text), s.db (a symbolic link
// to e.db), wl.txt (one to e.db-wal), plain.db (text) with an empty plain.db-shm and x.txt
// (a link to it), dl (a link to nothing), the folder sub and the FIFO f.fifo.
const verdict_case verdict_cases[] = {
    {"EarlierReportReplaced", "r.txt", true, output_refusal::none, ""},
    {"EmptyFileReplaced", "empty.txt", false, output_refusal::none, ""},
    {"NewFileInAFolder", "sub/new.txt", true, output_refusal::none, ""},
    {"Database", "e.db", false, output_refusal::sqlite_database, ""},
    {"WalLittleEndianChecksums", "le.log", false, output_refusal::sqlite_wal, ""},
    {"WalNamedAsOne", "e.db-wal", false, output_refusal::sqlite_wal, ""},
    {"Journal", "j.bin", false, output_refusal::sqlite_journal, ""},
    {"ShmToBe", "e.db-shm", false, output_refusal::companion_name, "e.db"},
    {"JournalToBe", "e.db-journal", false, output_refusal::companion_name, "e.db"},
    {"LinkToAWal", "wl.txt", false, output_refusal::sqlite_wal, ""},
    {"ShmOfALinkedName", "s.db-shm", false, output_refusal::companion_name, "s.db"},
    {"LinkToAnEmptyShm", "x.txt", false, output_refusal::companion_name, "plain.db"},
    {"InputItself", "e.db", true, output_refusal::is_input, "e.db"},
    {"HardLinkOfTheInput", "h.db", true, output_refusal::is_input, "e.db"},
    {"CompanionOfTheInputToBe", "e.db-journal", true, output_refusal::is_input, "e.db-journal"},
    {"HardLinkOfPlainText", "n.txt", false, output_refusal::none, ""},
    {"Folder", "sub", false, output_refusal::not_regular, ""},
    {"Fifo", "f.fifo", false, output_refusal::not_regular, ""},
    {"Device", "/dev/null", false, output_refusal::not_regular, ""},
    {"DanglingLink", "dl", false, output_refusal::dangling_link, ""},
    {"MissingFolder", "no/r.txt", false, output_refusal::no_folder, ""},
    {"FileAsFolder", "r.txt/x", false, output_refusal::no_folder, ""},
};

class JudgeOutputFile : public ::testing::TestWithParam<verdict_case> {
protected:
    static void SetUpTestSuite() {
        s_dir = new velk_test::temp_dir;
        velk_test::write_file(s_dir->file("e.db"), database_head + std::string(84, '\0'));
        velk_test::write_file(s_dir->file("e.db-wal"), wal_heads[1]);
        velk_test::write_file(s_dir->file("le.log"), wal_heads[0]);
        velk_test::write_file(s_dir->file("j.bin"), journal_head);
        velk_test::write_file(s_dir->file("r.txt"), "an earlier report\n");
        velk_test::write_file(s_dir->file("empty.txt"), "");
        velk_test::write_file(s_dir->file("notes.txt"), "notes\n");
        velk_test::write_file(s_dir->file("plain.db"), "notes\n");
        velk_test::write_file(s_dir->file("plain.db-shm"), "");
        ASSERT_TRUE(make_links_and_specials());
    }
    static bool make_links_and_specials() {
        const auto at = [](const char* name) { return s_dir->file(name); };
        return ::link(at("e.db").c_str(), at("h.db").c_str()) == 0 &&
               ::link(at("notes.txt").c_str(), at("n.txt").c_str()) == 0 &&
               ::symlink("e.db", at("s.db").c_str()) == 0 &&
               ::symlink("e.db-wal", at("wl.txt").c_str()) == 0 &&
               ::symlink("plain.db-shm", at("x.txt").c_str()) == 0 &&
               ::symlink("nowhere", at("dl").c_str()) == 0 &&
               ::mkdir(at("sub").c_str(), 0700) == 0 && ::mkfifo(at("f.fifo").c_str(), 0600) == 0;
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static velk_test::temp_dir* s_dir;
};

velk_test::temp_dir* JudgeOutputFile::s_dir = nullptr;

std::string base_name(const std::string& path) { return path.substr(path.rfind('/') + 1); }

TEST_P(JudgeOutputFile, RefusesEvidenceAndWhatCannotTakeAReport) {
    const verdict_case& c = GetParam();
    const std::string output = c.output[0] == '/' ? c.output : s_dir->file(c.output);
    std::vector<std::string> inputs;
    if (c.input_named) {
        inputs.push_back(s_dir->file("e.db"));
    }
    const output_verdict verdict = judge_output_file(output, inputs);
    EXPECT_EQ(verdict.refusal, c.refusal) << refusal_text(verdict);
    EXPECT_EQ(verdict.other.empty() ? "" : base_name(verdict.other), c.other);
    // Nothing was created or changed by the look.
    EXPECT_EQ(velk_test::file_size(s_dir->file("e.db-shm")), -1);
    EXPECT_EQ(velk_test::read_file(s_dir->file("r.txt")), "an earlier report\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, JudgeOutputFile, ::testing::ValuesIn(verdict_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// Permissions are the system's to judge; root passes them, so root runs the check as the
// unprivileged user "nobody" in a child process.
TEST(JudgeOutputFilePermissions, UnreadableOrUnwritableFileRefused) {
    const velk_test::temp_dir dir;
    velk_test::write_file(dir.file("ro.txt"), "report\n");
    velk_test::write_file(dir.file("wo.txt"), "report\n");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.file("ro.txt").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(dir.file("wo.txt").c_str(), 0200), 0);
    const int code = velk_test::run_in_child([&dir] {
        constexpr uid_t nobody = 65534;
        if (::geteuid() == 0 && (::setgid(nobody) != 0 || ::setuid(nobody) != 0)) {
            return 100;
        }
        const bool read_only =
            judge_output_file(dir.file("ro.txt"), {}).refusal == output_refusal::not_writable;
        const bool write_only =
            judge_output_file(dir.file("wo.txt"), {}).refusal == output_refusal::unchecked;
        const bool folder =
            judge_output_file(dir.file("new.txt"), {}).refusal ==
            (::geteuid() == ::getuid() && ::getuid() == nobody ? output_refusal::not_writable
                                                               : output_refusal::none);
        return read_only && write_only && folder ? 0 : 1;
    });
    if (code == 100) {
        GTEST_SKIP() << "cannot become an unprivileged user here";
    }
    EXPECT_EQ(code, 0);
}

TEST(RefusalText, NamesTheReason) {
    const struct {
        output_verdict verdict;
        const char* text;
    } cases[] = {
        {{output_refusal::is_input, "x.db-wal", 0}, "it is the input x.db-wal"},
        {{output_refusal::sqlite_database, "", 0}, "it holds an SQLite database"},
        {{output_refusal::companion_name, "x.db", 0}, "it is named as a companion of x.db"},
        {{output_refusal::not_regular, "", 0}, "it is not a regular file"},
        {{output_refusal::no_folder, "", ENOENT}, "No such file or directory"},
        {{output_refusal::not_writable, "", EACCES}, "Permission denied"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(refusal_text(c.verdict), c.text);
    }
}

}  // namespace
