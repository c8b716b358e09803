#include "text/extras/folder_file_filters.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "io/io_test_support.h"

namespace {

std::vector<filter_entry> parse(const std::string& items, const std::string& folder) {
    std::vector<filter_entry> list;
    std::string text = items;
    (void)parse_file_filter_list_with_path(list, text, folder);
    return list;
}

TEST(ParseFileFilterListWithPath, EveryEntryHoldsTheFolder) {
    std::vector<filter_entry> list;
    std::string text = "*.DB";
    EXPECT_EQ(parse_file_filter_list_with_path(list, text, "Logs"), 1U);
    EXPECT_EQ(text, "*.db");  // the caller's text is lower-cased too
    ASSERT_EQ(list.size(), 1U);
    EXPECT_EQ(list[0].m_name, L".db");
    EXPECT_TRUE(list[0].m_name_lead_star);
    EXPECT_EQ(list[0].m_path, L"logs");
    EXPECT_EQ(list[0].m_path_len, 4U);

    list = parse("a.db|*|b.db", "Caf\xc3\xa9");  // the match-all entry gets it as well
    ASSERT_EQ(list.size(), 1U);
    EXPECT_TRUE(list[0].m_match_all);
    EXPECT_EQ(list[0].m_path_len, 4U);  // wide characters, not bytes

    list = parse("a.db,b.db", "");
    ASSERT_EQ(list.size(), 2U);
    EXPECT_EQ(list[1].m_path_len, 0U);
    EXPECT_EQ(list[1].m_path, L"");
}

struct folder_case {
    const char* name;
    std::string items;
    std::string folder_text;
    std::wstring folder;
    std::wstring file;
    bool streams;
    bool passes;
};

const folder_case folder_cases[] = {
    {"FolderHoldsText", "*.DB", "Logs", L"/var/Logs/app", L"x.DB", false, true},
    {"FolderLacksText", "*.DB", "Logs", L"/var/data", L"x.DB", false, false},
    {"SubstringNotComponent", "*.db", "logs", L"/home/blogs/", L"x.db", false, true},
    {"NameMustMatch", "*.db", "logs", L"/var/logs", L"x.txt", false, false},
    {"NoFolderText", "*.db", "", L"/anywhere", L"x.db", false, true},
    {"LeadingStarPassesRepeat", "*abc", "", L"/f", L"abcabc", false, true},
    {"TrailingStar", "ab*", "", L"/f", L"abcabc", false, true},
    {"BothStars", "*bca*", "", L"/f", L"abcabc", false, true},
    {"NoStarWholeName", "abc", "", L"/f", L"abcabc", false, false},
    {"AllStreamsBareName", "x.db:*", "", L"/f", L"x.db", true, true},
    {"AllStreamsNamedStream", "x.db:*", "", L"/f", L"x.db:zone", true, true},
    {"StreamRequired", "x.db:zone", "", L"/f", L"x.db", true, false},
    {"StreamEquals", "x.db:zone", "", L"/f", L"x.db:Zone", true, true},
    {"StreamLeadStar", "x.db:*one", "", L"/f", L"x.db:zone", true, true},
    {"FileStreamEntryWithout", "x.db", "", L"/f", L"x.db:zone", true, false},
    {"StreamsOffNameKeepsColon", "x.db", "", L"/f", L"x.db:zone", false, false},
    {"MatchAllAloneSkipsFolder", "*", "logs", L"/var/data", L"x.db", false, true},
    {"EmptyNameRefused", "*", "", L"/f", L"", false, false},
    {"NoSlashMatching", "/var", "", L"/var", L"x.db", false, false},
};

class MatchFolderAndName : public ::testing::TestWithParam<folder_case> {};

TEST_P(MatchFolderAndName, FolderThenStreamThenName) {
    const folder_case& c = GetParam();
    const cmd_params options(0, false);
    const std::vector<filter_entry> list = parse(c.items, c.folder_text);
    EXPECT_EQ(cmd_params::match_folder_and_name(options, nullptr, c.folder, c.file, list, nullptr,
                                                c.streams),
              c.passes);
}

INSTANTIATE_TEST_SUITE_P(Cases, MatchFolderAndName, ::testing::ValuesIn(folder_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

// Without a folder the answer is exactly that of the plain filter test on the name.
TEST(MatchFolderAndName, EmptyFolderAnswersAsPlainFilter) {
    const cmd_params options(0, false);
    for (const char* items : {"*.db", "x.db", "*.txt", "x.db:*", "/x"}) {
        const std::vector<filter_entry> list = parse(items, "");
        for (const wchar_t* name : {L"x.db", L"x.db:zone", L"y.txt"}) {
            for (bool streams : {false, true}) {
                EXPECT_EQ(
                    cmd_params::match_folder_and_name(options, nullptr, L"", name, list, nullptr,
                                                      streams),
                    cmd_params::match_file_filter(options, nullptr, name, list, nullptr, streams))
                    << items << " " << streams;
            }
        }
    }
}

TEST(MatchFolderAndName, TimeWindowReadsTheJoinedPath) {
    const velk_test::temp_dir dir;
    velk_test::write_file(dir.file("x.db"), "x");
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};  // 2001-09-09
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.file("x.db").c_str(), times, 0), 0);
    cmd_params options(0, false);
    options.m_start_valid = true;
    options.m_start_unix = 1100000000;  // 2004: after the file's time
    const std::vector<filter_entry> list = parse("*.db", "");
    const std::wstring folder(dir.path().begin(), dir.path().end());

    file_entry_ex record;
    EXPECT_FALSE(
        cmd_params::match_folder_and_name(options, nullptr, folder, L"x.db", list, &record, false));
    EXPECT_EQ(record.m_modified, 1000000000);  // filled from folder "/" name
    options.m_start_unix = 900000000;          // 1998: before it
    record.clear();
    EXPECT_TRUE(
        cmd_params::match_folder_and_name(options, nullptr, folder, L"x.db", list, &record, false));
    EXPECT_TRUE(cmd_params::match_folder_and_name(options, nullptr, folder, L"x.db", list, nullptr,
                                                  false));  // no record: no window
}

}  // namespace
