#include "app/input_path.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "cmdline/cmd_params.h"

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

}  // namespace
