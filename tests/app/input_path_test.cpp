#include "app/input_path.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <unistd.h>

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
        ASSERT_EQ(::setenv("VELK_CLASH_DIR", m_dir.path().c_str(), 1), 0);
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
        {"e.db", "h.db", true},           // a hard link
        {"s.db", "e.db", true},           // a symbolic link
        {"sub/../e.db", "e.db", true},    // another spelling
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

TEST_F(OutputClash, AnyOutputOptionAgainstAnyDatabaseAndItsCompanions) {
    const std::string e = m_dir.file("e.db");
    const struct {
        std::vector<std::string> args;
        const char* output;  // "" for no clash
        const char* input;
    } cases[] = {
        {{"-db", e, "-out", e}, "e.db", "e.db"},
        {{"-OUTFILE", m_dir.file("e.db-wal"), "-db", e}, "e.db-wal", "e.db-wal"},
        {{"-db", e, "-diags", m_dir.file("h.db")}, "h.db", "e.db"},
        {{"-db", e, "-out", m_dir.file("e.db-journal")}, "e.db-journal", "e.db-journal"},
        // Expanded and with backslashes, as the parser turns the results path.
        {{"-db", "%VELK_CLASH_DIR%/e.db", "-out", "%VELK_CLASH_DIR%\\e.db"}, "e.db", "e.db"},
        // Every occurrence counts, whichever one the parser takes.
        {{"-db", m_dir.file("other.db"), "-db", e, "-out", e}, "e.db", "e.db"},
        {{"-db", e, "-out", m_dir.file("r.txt")}, "", ""},
        {{"-db", e, "-out"}, "", ""},  // no value: nothing is written
        {{"-out", e}, "", ""},         // no input named
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"velk"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        output_clash clash;
        const bool found = find_output_clash(args, clash);
        EXPECT_EQ(found, *c.output != '\0') << args[1];
        if (found) {
            EXPECT_EQ(clash.output.substr(clash.output.rfind('/') + 1), c.output);
            EXPECT_EQ(clash.input.substr(clash.input.rfind('/') + 1), c.input);
        }
    }
}

TEST_F(OutputClash, ResultsFileOfTheRun) {
    cmd_params options(0, false);
    EXPECT_FALSE(is_results_file(options, m_dir.file("e.db")));
    options.m_out_path = m_dir.file("h.db");
    EXPECT_TRUE(is_results_file(options, m_dir.file("e.db")));
    EXPECT_FALSE(is_results_file(options, m_dir.file("other.db")));
}

}  // namespace
