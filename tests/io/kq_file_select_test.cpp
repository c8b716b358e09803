#include "io/kq_file_select.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "io/io_test_support.h"

namespace {

using velk_test::run_in_child;
using velk_test::temp_dir;
using velk_test::write_file;

using name_map = std::map<std::string, std::string>;

class FindFilesMatching : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"rep.txt", "Report.TXT", "rep12.txt", "rep.log", "xrep1.txt"}) {
            write_file(m_dir.file(name), "x");
        }
        std::filesystem::create_directory(m_dir.file("rep9.txt"));
    }

    name_map find(const std::string& pattern) {
        name_map out{{"stale", "entry"}};
        const bool found = kqportdir::find_files_matching(m_dir.file(pattern), out);
        EXPECT_EQ(found, !out.empty());
        return out;
    }

    temp_dir m_dir;
};

TEST_F(FindFilesMatching, QuestionMarkRunsAndExactNames) {
    EXPECT_EQ(find("rep??.txt"), (name_map{{"rep.txt", m_dir.file("rep.txt")},
                                           {"report.txt", m_dir.file("Report.TXT")},
                                           {"rep12.txt", m_dir.file("rep12.txt")}}));
    EXPECT_EQ(find("REPORT.txt"), (name_map{{"report.txt", m_dir.file("Report.TXT")}}));
    EXPECT_TRUE(find("rep?").empty());
    EXPECT_TRUE(find("rep9.txt").empty());  // a folder never matches
    name_map out;
    EXPECT_FALSE(kqportdir::find_files_matching("", out));
}

// A pattern without a folder looks in the current one, listed as "./".
TEST_F(FindFilesMatching, PatternWithoutFolderListsTheCurrentOne) {
    const int status = run_in_child([&] {
        if (::chdir(m_dir.path().c_str()) != 0) {
            return 10;
        }
        name_map out;
        return kqportdir::find_files_matching("rep1?.txt", out) &&
                       out == name_map{{"rep12.txt", "./rep12.txt"}}
                   ? 0
                   : 1;
    });
    EXPECT_EQ(status, 0);
}

// Files with a marker at chosen offsets, for the content searches.
class FilterFilesByContent : public ::testing::Test {
protected:
    std::string make(const std::string& name, std::size_t size, std::size_t at,
                     const std::string& marker) {
        std::string bytes(size, '.');
        if (!marker.empty()) {
            bytes.replace(at, marker.size(), marker);
        }
        write_file(m_dir.file(name), bytes);
        return m_dir.file(name);
    }

    std::vector<std::string> keep(std::vector<std::string> paths,
                                  const std::vector<kqportdir::content_filter>& filters) {
        (void)kqportdir::filter_files_by_content(paths, filters);  // paths tell the result
        return paths;
    }

    temp_dir m_dir;
};

kqportdir::content_filter sized(uint64 low, uint64 high) {
    kqportdir::content_filter filter;
    filter.m_min_size = low;
    filter.m_max_size = high;
    return filter;
}

const byte_array marker{'M', 'A', 'R', 'K'};

TEST_F(FilterFilesByContent, ListsSizesAndExtensions) {
    const std::string small = make("small.txt", 50, 0, "");
    const std::string mid = make("mid.txt", 150, 0, "");
    const std::string upper = make("upper.TXT", 120, 0, "");
    const std::string big = make("big.txt", 250, 0, "");
    const std::vector<std::string> all{small, mid, upper, big, m_dir.file("missing")};

    std::vector<std::string> paths = all;
    EXPECT_TRUE(kqportdir::filter_files_by_content(paths, {}));
    EXPECT_EQ(paths, all);
    std::vector<std::string> none;
    EXPECT_FALSE(kqportdir::filter_files_by_content(none, {sized(0, 1000)}));

    EXPECT_EQ(keep(all, {sized(100, 200)}), (std::vector<std::string>{mid, upper}));
    kqportdir::content_filter text = sized(0, 1000);
    text.m_extension = L"txt";
    EXPECT_EQ(keep(all, {text}), (std::vector<std::string>{small, mid, big}));
    EXPECT_EQ(keep(all, {text, sized(100, 1000)}), (std::vector<std::string>{mid, big}));
    EXPECT_TRUE(keep(all, {sized(0, 0)}).empty());  // a maximum of 0 lets only empty files by
    kqportdir::content_filter future = sized(0, 1000);
    future.m_time_threshold = ~uint64{0};
    EXPECT_TRUE(keep(all, {future}).empty());
}

TEST_F(FilterFilesByContent, PatternsInRangeSectorsAndTail) {
    const std::string across = make("across", 0x8000, 0x3FFE, "MARK");  // over a block border
    const std::string sector = make("sector", 4096, 1024, "MARK");
    const std::string late = make("late", 4096, 1024 + 300, "MARK");  // past the sector window
    const std::string tail = make("tail", 0x5000, 0x5000 - 10, "MARK");
    const std::vector<std::string> all{across, sector, late, tail};

    kqportdir::content_filter range = sized(0, ~uint64{0});
    range.m_range_pattern = marker;
    range.m_range_end = 0x4800;
    EXPECT_EQ(keep(all, {range}), (std::vector<std::string>{across, sector, late}));
    range.m_range_end = 0x4001;  // the match would end past the range
    EXPECT_EQ(keep(all, {range}), (std::vector<std::string>{sector, late}));

    kqportdir::content_filter sectors = sized(0, ~uint64{0});
    sectors.m_sector_pattern = marker;
    sectors.m_sector_length = 100;
    EXPECT_EQ(keep(all, {sectors}), (std::vector<std::string>{sector}));
    sectors.m_sector_length = 512;  // outside 1 to 511
    EXPECT_TRUE(keep(all, {sectors}).empty());

    kqportdir::content_filter tails = sized(0, ~uint64{0});
    tails.m_tail_pattern = marker;
    tails.m_tail_length = 16;
    EXPECT_EQ(keep(all, {tails}), (std::vector<std::string>{tail}));
    tails.m_tail_length = 0x4000;
    EXPECT_TRUE(keep(all, {tails}).empty());

    // Every pattern of a filter must be found.
    kqportdir::content_filter both = sectors;
    both.m_sector_length = 100;
    both.m_tail_pattern = marker;
    both.m_tail_length = 16;
    EXPECT_TRUE(keep(all, {both}).empty());
    both.m_tail_length = 0x3FFF;
    EXPECT_EQ(keep(all, {both}), (std::vector<std::string>{sector}));
}

struct relative_case {
    const char* name;
    const char* base;
    const char* target;
    int maximum;
    bool result;
    const char* out;
};

const relative_case relative_cases[] = {
    {"SiblingFolders", "/a/b/c", "/a/x/y", 260, true, "../../x/y"},
    {"Below", "/a/b/c", "/a/b/c/d", 260, true, "d"},
    {"BelowWithSlash", "/a/b/c/", "/a/b/c/d/e", 260, true, "d/e"},
    {"OtherRoot", "/a/b/c", "C:/x/y", 260, true, "C:/x/y"},
    {"NoSharedFirstComponent", "/ab/c", "/xy/z", 260, true, "../../xy/z"},
    {"SharedTextNotComponent", "/ab/cd", "/ab/cdx/y", 260, true, "../cdx/y"},
    {"Above", "/a/b/c/d", "/a/b", 260, true, "../../"},
    {"Same", "/a/b/c", "/a/b/c", 260, true, "."},
    {"Backslashes", "C:\\a\\b", "C:\\a\\x\\y", 260, true, "../x\\y"},
    {"TooShort", "/a/", "/a/b/c", 260, false, ""},
    {"InputTooLong", "/a/b/c", "/a/x/y", 5, false, ""},
    {"ResultTooLong", "/a/b/c/d/e", "/a/xyz", 10, false, ""},
};

class MakeRelativePath : public ::testing::TestWithParam<relative_case> {};

TEST_P(MakeRelativePath, Cases) {
    const relative_case& c = GetParam();
    std::string out = "stale";
    EXPECT_EQ(kqportdir::make_relative_path(out, c.base, c.target, c.maximum), c.result);
    EXPECT_EQ(out, c.out);
}

INSTANTIATE_TEST_SUITE_P(Table, MakeRelativePath, ::testing::ValuesIn(relative_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
