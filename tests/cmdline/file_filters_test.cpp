// File filters: list values into entries, and which paths pass a list.

#include "cmdline/file_filters.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cmdline/cmd_params.h"
#include "io/io_test_support.h"
#include "io/path_codec.h"
#include "real_data.h"
#include "time/kq_time.h"

namespace {

constexpr uint64 start = 0x01D9000000000000ULL;

std::vector<filter_entry> list_of(const std::string& text) {
    std::vector<filter_entry> list;
    (void)parse_file_filter_list(list, text);
    return list;
}

// ---- Parsing ----

std::string narrow(const std::wstring& text) {
    std::string out;
    for (const wchar_t c : text) {
        out += static_cast<char>(c);
    }
    return out;
}

// "<name>:<stream> <flags>", the flags P folder pattern, A match-all, < and > the name's
// leading and trailing star, S stream part, * all streams, ( and ) the stream's stars.
std::vector<std::string> describe(const std::vector<filter_entry>& list) {
    std::vector<std::string> out;
    for (const filter_entry& e : list) {
        std::string d = narrow(e.m_name) + ":" + narrow(e.m_stream) + " ";
        const std::pair<bool, char> flags[] = {
            {e.m_is_path, 'P'},          {e.m_match_all, 'A'},        {e.m_name_lead_star, '<'},
            {e.m_name_trail_star, '>'},  {e.m_has_stream, 'S'},       {e.m_all_streams, '*'},
            {e.m_stream_lead_star, '('}, {e.m_stream_trail_star, ')'}};
        for (const auto& [set, letter] : flags) {
            if (set) {
                d += letter;
            }
        }
        out.push_back(d);
    }
    return out;
}

using texts = std::vector<std::string>;

TEST(ParseFileFilterList, ItemsAndStarFlags) {
    const auto list = list_of("*DB|main*|*mid*|a*b|/Win*|x.db:*|y.db:*zo*|**");
    EXPECT_EQ(describe(list), texts({"db: <", "main: >", "mid: <>", "ab: ", "/win: P>", "x.db:* S*",
                                     "y.db:zo S()", ": <"}));
    EXPECT_EQ(narrow(list[0].m_text), "*db");  // the item as given, lower-cased
}

std::vector<std::string> items_of(const std::string& text) {
    std::vector<std::string> out;
    for (const filter_entry& e : list_of(text)) {
        out.push_back(narrow(e.m_text));
    }
    return out;
}

TEST(ParseFileFilterList, CommaBeatsBar) {
    EXPECT_EQ(items_of(" a.db , b.db|c.db "), texts({"a.db", "b.db|c.db"}));
    EXPECT_EQ(items_of("a.db||b.db"), texts({"a.db", "b.db"}));
    EXPECT_TRUE(items_of("").empty());
    EXPECT_TRUE(items_of(" \t ").empty());
    // Separators alone: the whole value, trimmed, is the one item.
    EXPECT_EQ(items_of(" , "), texts({","}));
    std::vector<filter_entry> reused = list_of("a|b|c");
    EXPECT_EQ(parse_file_filter_list(reused, "d"), 1U);  // the list is emptied first
}

// A lone "*" anywhere leaves one clean match-all entry, whatever came before it.
TEST(ParseFileFilterList, StarCutsList) {
    EXPECT_EQ(describe(list_of("/win*|a.db|*|b.db")), texts({"*: A"}));
    EXPECT_EQ(describe(list_of("*|a.db")), texts({"*: A"}));
    EXPECT_EQ(describe(list_of("*:zone")), texts({"*:zone AS"}));
}

// ---- Name, folder and stream stages ----

struct filter_case {
    const char* name;
    const char* list;
    const char* path;
    bool streams;
    bool passes;
};

const filter_case filter_cases[] = {
    {"LeadStarEnds", "*db", "/e/main.db", false, true},
    {"NamesCompareLowerCased", "*db", "/e/x.DB", false, true},
    {"BothStarsContain", "*db*", "/e/dbx", false, true},
    {"TrailStarStarts", "main*", "/e/main.db-wal", false, true},
    {"LeadStarRepeatedText", "*abc", "/e/abcabc", false, true},
    {"ExactName", "Main.db", "/e/MAIN.DB", false, true},
    {"ExactNameOnlyWhole", "main.db", "/e/main.db-wal", false, false},
    {"StarAfterOtherItem", "a.db|*", "/e/anything.txt", false, true},
    {"StarBeforeOtherItem", "*|a.db", "/e/anything.txt", false, true},
    {"SecondItemMatches", "a.db,b.db", "/e/b.db", false, true},
    {"NoItemMatches", "a.db,b.db", "/e/c.db", false, false},
    {"FolderWithBackslashes", "/windows", "D:\\Windows\\x.db", false, true},
    {"FolderWithSlashes", "/windows", "/mnt/windows/x.db", false, true},
    {"FolderBelow", "/windows", "/mnt/windows/sub/x.db", false, true},
    {"FolderPrefixOnly", "/windows", "/mnt/windowsold/x.db", false, false},
    {"FolderLaterOccurrence", "/windows", "/mnt/windowsold/windows/x.db", false, true},
    {"FolderPatternNotName", "/windows", "/mnt/other/windows", false, false},
    {"AllStreamsPlain", "x.db:*", "/e/x.db", true, true},
    {"AllStreamsNamed", "x.db:*", "/e/x.db:zone", true, true},
    {"NoStreamEntryRefusesStream", "x.db", "/e/x.db:zone", true, false},
    {"StreamEntryRefusesPlain", "x.db:zone", "/e/x.db", true, false},
    {"StreamExact", "x.db:zone", "/e/x.db:ZONE", true, true},
    {"StreamLeadStar", "x.db:*one", "/e/x.db:zone", true, true},
    {"StreamTrailStar", "x.db:zo*", "/e/x.db:zone", true, true},
    {"StreamBothStars", "x.db:*on*", "/e/x.db:zone", true, true},
    {"StreamDiffers", "x.db:zo", "/e/x.db:zone", true, false},
    {"StreamsOffWholeName", "x.db", "/e/x.db:zone", false, false},
    {"StreamsOffStarReachesStream", "*zone", "/e/x.db:zone", false, true},
    {"NotUtf8NamePasses", "*db", "/e/\xff\xfe.db", false, true},
    {"NotUtf8Pattern", "\xff*", "/e/\xff-x", false, true},
};

class PathPassesFilters : public ::testing::TestWithParam<filter_case> {};

TEST_P(PathPassesFilters, Decides) {
    const filter_case& c = GetParam();
    const cmd_params options(start, false);
    bool could_not_open = true;
    EXPECT_EQ(
        path_passes_filters(options, &could_not_open, c.path, list_of(c.list), nullptr, c.streams),
        c.passes);
    EXPECT_FALSE(could_not_open);
}

INSTANTIATE_TEST_SUITE_P(Cases, PathPassesFilters, ::testing::ValuesIn(filter_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

TEST(PathPassesFiltersEdges, EmptyPathAndEmptyList) {
    const cmd_params options(start, false);
    EXPECT_FALSE(path_passes_filters(options, nullptr, "", {}, nullptr, false));
    EXPECT_TRUE(path_passes_filters(options, nullptr, "/e/x", {}, nullptr, false));
    EXPECT_FALSE(path_passes_filters_w(nullptr, L"", list_of("*"), false));
    bool could_not_open = true;
    EXPECT_TRUE(path_passes_filters_w(&could_not_open, L"/e/x", {}, false));
    EXPECT_FALSE(could_not_open);
    EXPECT_TRUE(path_passes_filters_w(nullptr, L"/e/Main.db", list_of("main*"), false));
    EXPECT_FALSE(path_passes_filters_w(nullptr, L"/e/other.db", list_of("main*"), false));
}

// ---- Signatures ----

std::vector<filter_entry> signature_list(const byte_array& bytes, uint64 offset) {
    std::vector<filter_entry> list(1);
    list[0].m_signature = bytes;
    list[0].m_offset = offset;
    return list;
}

const byte_array sqlite_bytes = {0x53, 0x51, 0x4c};

TEST(SignatureFilter, MatchesRealDatabaseHeader) {
    const std::string path = std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db";
    VELK_NEED_REAL_DATA(path);
    const cmd_params options(start, false);
    bool could_not_open = true;
    EXPECT_TRUE(path_passes_filters(options, &could_not_open, path, signature_list(sqlite_bytes, 0),
                                    nullptr, false));
    EXPECT_FALSE(could_not_open);
    EXPECT_FALSE(path_passes_filters(options, &could_not_open, path,
                                     signature_list(sqlite_bytes, 1), nullptr, false));
}

TEST(SignatureFilter, ShortFileAndHugeOffsetSkip) {
    const velk_test::temp_dir dir;
    const std::string path = dir.file("s.db");
    velk_test::write_file(path, "xSQL");
    const cmd_params options(start, false);
    bool could_not_open = true;
    const auto passes = [&](uint64 offset) {
        return path_passes_filters(options, &could_not_open, path,
                                   signature_list(sqlite_bytes, offset), nullptr, false);
    };
    EXPECT_TRUE(passes(1));
    EXPECT_FALSE(passes(2));  // one byte short of the end
    EXPECT_FALSE(passes(~0ULL));
    EXPECT_FALSE(passes(~0ULL - 1));
    EXPECT_FALSE(could_not_open);
}

// (passes, could_not_open) of one test.
std::pair<bool, bool> signature_test(const std::string& path,
                                     const std::vector<filter_entry>& list) {
    const cmd_params options(start, false);
    bool could_not_open = false;
    const bool passes = path_passes_filters(options, &could_not_open, path, list, nullptr, false);
    return {passes, could_not_open};
}

TEST(SignatureFilter, UnopenableSetsCouldNotOpen) {
    const velk_test::temp_dir dir;
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto by_signature = signature_list(sqlite_bytes, 0);
    EXPECT_EQ(signature_test(fifo, by_signature), std::make_pair(false, true));
    EXPECT_EQ(signature_test(dir.file("missing.db"), by_signature), std::make_pair(false, true));
    // A name entry ahead of the signature passes the path without opening it.
    auto list = list_of("pipe");
    list.push_back(by_signature[0]);
    EXPECT_EQ(signature_test(fifo, list), std::make_pair(true, false));
}

// ---- Time window ----

class TimeWindow : public ::testing::Test {
protected:
    TimeWindow() : m_options(start, false) {
        m_options.m_start_valid = true;
        m_options.m_start_unix = 1000;
        m_options.m_start_filetime = 500000;
        m_options.m_stop_valid = true;
        m_options.m_stop_unix = 2000;
        m_options.m_stop_filetime = 900000;
    }

    bool passes(uint64 kind, int64 modified, int64 birth = 0) {
        file_entry_ex record;
        record.m_time_kind = kind;
        record.m_modified = modified;
        record.m_birth = birth;
        return cmd_params::match_file_filter(m_options, nullptr, L"/e/x.db", m_list, &record,
                                             false);
    }

    cmd_params m_options;
    std::vector<filter_entry> m_list = list_of("*.db");
};

TEST_F(TimeWindow, UnixBoundsInclusive) {
    EXPECT_TRUE(passes(file_time_kind::unix_seconds, 1000));
    EXPECT_TRUE(passes(file_time_kind::unix_seconds, 2000));
    EXPECT_FALSE(passes(file_time_kind::unix_seconds, 999));
    EXPECT_FALSE(passes(file_time_kind::unix_seconds, 2001));
    // Beyond 32 bits counts as later than any bound.
    m_options.m_stop_unix = 0xFFFFFFFF;
    EXPECT_FALSE(passes(file_time_kind::unix_seconds, 0x100000000LL));
}

TEST_F(TimeWindow, StartNeedsEitherTimeEndRefusesEither) {
    EXPECT_TRUE(passes(file_time_kind::unix_seconds, 999, 1500));  // the other time is inside
    EXPECT_FALSE(passes(file_time_kind::unix_seconds, 1500, 2500));
    EXPECT_TRUE(passes(file_time_kind::filetime, 500000));
    EXPECT_FALSE(passes(file_time_kind::filetime, 900001));
    EXPECT_FALSE(passes(file_time_kind::filetime, -1, -1));
}

TEST_F(TimeWindow, OtherKindsFail) {
    EXPECT_FALSE(passes(16, 1500));  // Unix milliseconds: no bound of that scale
    EXPECT_FALSE(passes(file_time_kind::none, 1500));
    EXPECT_FALSE(passes(2, 1500));
}

// A file changed before 1970 has negative Unix seconds and is placed in the window by its
// real time, not refused by every window.
TEST_F(TimeWindow, UnixTimesBefore1970ArePlacedByTheirRealTime) {
    constexpr int64 year_1965 = -157766400;  // 1965-01-01
    kq::time start_1950("01/01/1950", true);
    kq::time stop_1968("01/01/1968", true);
    ASSERT_TRUE(start_1950.is_valid && stop_1968.is_valid);
    m_options.m_start_filetime = static_cast<uint64>(start_1950.filetime);
    m_options.m_start_unix = 0;  // a 32-bit Unix bound cannot lie before 1970
    m_options.m_stop_filetime = static_cast<uint64>(stop_1968.filetime);
    m_options.m_stop_unix = 0;
    EXPECT_TRUE(passes(file_time_kind::unix_seconds, year_1965));
    m_options.m_stop_filetime = static_cast<uint64>(kq::time("01/01/1960", true).filetime);
    EXPECT_FALSE(passes(file_time_kind::unix_seconds, year_1965));  // past the stop
    m_options.m_stop_valid = false;
    m_options.m_start_filetime = static_cast<uint64>(stop_1968.filetime);
    EXPECT_FALSE(passes(file_time_kind::unix_seconds, year_1965));  // before the start
    EXPECT_FALSE(passes(file_time_kind::unix_seconds, -20000000000LL));  // before 1601
}

// The whole road: a file whose mtime is set to 1965 by utimensat, stat'ed by the filter.
TEST_F(TimeWindow, FileStampedIn1965PassesAWindowAround1965) {
    const velk_test::temp_dir dir;
    const std::string path = dir.file("x.db");
    velk_test::write_file(path, "x");
    const struct timespec times[2] = {{-157766400, 0}, {-157766400, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    m_options.m_start_filetime = static_cast<uint64>(kq::time("01/01/1960", true).filetime);
    m_options.m_start_unix = 0;
    m_options.m_stop_filetime = static_cast<uint64>(kq::time("12/31/1969", true).filetime);
    m_options.m_stop_unix = 0;
    file_entry_ex record;
    EXPECT_TRUE(cmd_params::match_file_filter(m_options, nullptr, uni::narrow_path_to_wide(path),
                                              m_list, &record, false));
    EXPECT_EQ(record.m_time_kind, file_time_kind::unix_seconds);
    EXPECT_EQ(record.m_modified, -157766400);
    m_options.m_start_filetime = static_cast<uint64>(kq::time("01/01/1966", true).filetime);
    record.clear();
    EXPECT_FALSE(cmd_params::match_file_filter(m_options, nullptr, uni::narrow_path_to_wide(path),
                                               m_list, &record, false));
}

TEST_F(TimeWindow, MissingTimeReadFromFile) {
    const velk_test::temp_dir dir;
    const std::string path = dir.file("x.db");
    velk_test::write_file(path, "x");
    m_options.m_stop_valid = false;

    file_entry_ex record;  // modified 0: filled from the file
    EXPECT_TRUE(cmd_params::match_file_filter(m_options, nullptr, uni::narrow_path_to_wide(path),
                                              m_list, &record, false));
    EXPECT_GT(record.m_modified, 1000);
    EXPECT_EQ(record.m_time_kind, file_time_kind::unix_seconds);

    m_options.m_start_unix = 0xFFFFFFFF;  // far later than the file
    record.clear();
    EXPECT_FALSE(cmd_params::match_file_filter(m_options, nullptr, uni::narrow_path_to_wide(path),
                                               m_list, &record, false));
    record.clear();
    EXPECT_FALSE(cmd_params::match_file_filter(m_options, nullptr, L"/nonexistent/x.db", m_list,
                                               &record, false));
}

// The entry point tests every input with its filter list, often empty: a window given on
// the command line must still apply then.
TEST_F(TimeWindow, AppliesWithEmptyList) {
    const velk_test::temp_dir dir;
    const std::string path = dir.file("x.db");
    velk_test::write_file(path, "x");
    file_entry_ex record;
    m_options.m_stop_valid = false;
    EXPECT_TRUE(path_passes_filters(m_options, nullptr, path, {}, &record, false));
    record.clear();
    m_options.m_start_unix = 0xFFFFFFFF;
    EXPECT_FALSE(path_passes_filters(m_options, nullptr, path, {}, &record, false));
    // Without a file record there is nothing to place in the window.
    EXPECT_TRUE(path_passes_filters(m_options, nullptr, path, {}, nullptr, false));
}

TEST(FileKinds, ModeTypeField) {
    file_entry entry;
    entry.m_mode = S_IFIFO | 0644;
    EXPECT_TRUE(is_fifo(entry));
    EXPECT_FALSE(is_socket(entry));
    entry.m_mode = S_IFSOCK | 0777;
    EXPECT_TRUE(is_socket(entry));
    EXPECT_FALSE(is_fifo(entry));
    entry.m_mode = S_IFREG | 0644;
    EXPECT_FALSE(is_fifo(entry) || is_socket(entry) || is_door(entry) || is_event_port(entry));
}

}  // namespace
