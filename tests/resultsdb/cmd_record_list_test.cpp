#include "resultsdb/cmd_record_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/io_test_support.h"
#include "resultsdb/cmd_script_test_support.h"

namespace {

using strings = std::vector<std::string>;

using script_test::check_script;

strings args_of(const cmd_record_list& list, int i) {
    strings out;
    EXPECT_TRUE(list.get_args(i, out));
    return out;
}

TEST(CmdRecordList, ScriptTextGivesRecordsArgumentsAndDirectives) {
    cmd_record_list list;
    ASSERT_TRUE(list.load_text(check_script, false));
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(args_of(list, 0), (strings{"prog", "-x"}));
    EXPECT_EQ(list.m_run_texts[0], L"now");
    EXPECT_EQ(list.m_repeat_texts[0], L"daily");
    uint64 run = 1;
    uint64 interval = 0;
    uint32 timeout = 0;
    std::string dir, name, comment, spawn, custom;
    ASSERT_TRUE(list.get_record(0, run, interval, timeout, dir, name, comment, spawn, custom));
    EXPECT_EQ(run, 0U);
    EXPECT_EQ(interval, 864'000'000'000ULL);
    EXPECT_EQ(timeout, 30U);

    EXPECT_EQ(args_of(list, 1), (strings{""}));
    ASSERT_TRUE(list.get_record(1, run, interval, timeout, dir, name, comment, spawn, custom));
    EXPECT_EQ(run + interval + timeout, 0U);
    EXPECT_TRUE(list.m_run_texts[1].empty());

    EXPECT_EQ(args_of(list, 2), (strings{"tool", "-name", "t1", "-comment", "t1"}));
    // every record has its own argv array over its arguments
    int count = 0;
    const wchar_t* const* argv = nullptr;
    ASSERT_TRUE(list.argv(2, count, argv));
    ASSERT_EQ(count, 5);
    EXPECT_EQ(std::wstring(argv[4]), L"t1");
}

TEST(CmdRecordList, NamesRequiredGivesEveryRecordAName) {
    cmd_record_list list;
    ASSERT_TRUE(list.load_text("!cmd,run,-comment,a b;c\n!cmd,plain\n", true));
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(args_of(list, 0), (strings{"run", "-comment", "a b;c", "-name", "a_b_c"}));
    EXPECT_EQ(args_of(list, 1), (strings{"plain", "-name", "unk_name"}));
}

TEST(CmdRecordList, HiveOverrideAndExtraArguments) {
    cmd_record_list list;
    ASSERT_TRUE(list.parse_script("!cmd,p,-hive,old,x", L"new", {"-e1", "v"}, false));
    EXPECT_EQ(args_of(list, 0), (strings{"p", "x", "-hive", "new", "-e1", "v"}));
}

struct directive_case {
    const char* name;
    const char* item;
    const wchar_t* run_text;
    uint64 run_time;
    const wchar_t* repeat_text;
    uint64 interval;
    uint32 timeout;
    const char* record_name;
    std::size_t args;
};

class Directive : public ::testing::TestWithParam<directive_case> {};

TEST_P(Directive, OneItem) {
    const auto& c = GetParam();
    cmd_record_list list;
    ASSERT_TRUE(list.load_text(std::string("!cmd,a,") + c.item, false));
    ASSERT_EQ(list.count(), 1);
    uint64 run = 0;
    uint64 interval = 0;
    uint32 timeout = 0;
    std::string dir, name, comment, spawn, custom;
    ASSERT_TRUE(list.get_record(0, run, interval, timeout, dir, name, comment, spawn, custom));
    EXPECT_EQ(list.m_run_texts[0], c.run_text);
    EXPECT_EQ(run, c.run_time);
    EXPECT_EQ(list.m_repeat_texts[0], c.repeat_text);
    EXPECT_EQ(interval, c.interval);
    EXPECT_EQ(timeout, c.timeout);
    EXPECT_EQ(name, c.record_name);
    // directives, also ignored ones, never become arguments
    EXPECT_EQ(static_cast<std::size_t>(list.argc(0)), c.args);
}

const uint64 all_ones = ~0ULL;
const directive_case directive_cases[] = {
    {"timeout_five_digits", "!timeout-12345", L"", 0, L"", 0, 0, "", 1},
    {"timeout_empty", "!timeout-", L"", 0, L"", 0, 0, "", 1},
    {"timeout_hex", "!timeout-0x10", L"", 0, L"", 0, 16, "", 1},
    {"repeat_seconds", "!repeat-3600", L"", 0, L"3600", 36'000'000'000ULL, 0, "", 1},
    {"repeat_weekly", "!repeat-weekly", L"", 0, L"weekly", 6'048'000'000'000ULL, 0, "", 1},
    {"repeat_monthly", "!repeat-monthly", L"", 0, L"monthly", 25'920'000'000'000ULL, 0, "", 1},
    {"run_dated", "!run-12/11/2020::19:11:35", L"12/11/2020::19:11:35", 132521874950000000ULL,
     L"", 0, 0, "", 1},
    {"run_short_date", "!run-1/11/2020::19:11:35", L"", 0, L"", 0, 0, "", 1},
    {"run_bad_date_keeps_text", "!run-13/45/2020::19:11:35", L"13/45/2020::19:11:35", 0, L"", 0,
     0, "", 1},
    {"run_never", "!run-never", L"never", all_ones, L"", 0, 0, "", 1},
    {"name_inside_item", "x!name-foo", L"", 0, L"", 0, 0, "-foo", 1},
    {"name_too_short", "!name-", L"", 0, L"", 0, 0, "", 1},
    {"run_wins_over_name", "!name-!run-now", L"now", 0, L"", 0, 0, "", 1},
    {"plain_argument", "!cmdx", L"", 0, L"", 0, 0, "", 2},
};

INSTANTIATE_TEST_SUITE_P(Cases, Directive, ::testing::ValuesIn(directive_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(CmdRecordList, XmlElementsBecomeArgumentsAfterTheItems) {
    cmd_record_list list;
    ASSERT_TRUE(list.parse_script_xml("!cmd, a ,<q>x,y</q>, b ,!timeout-5", L"", {"q"}, {}, false));
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(args_of(list, 0), (strings{"a", "b", "<q>x,y</q>"}));
    cmd_record_list items(std::vector<std::wstring>{L"!cmd,a<q>1,2</q>", L"!cmd,a<q>1,2</q>"},
                          std::vector<std::wstring>{L"q"}, true);
    ASSERT_EQ(items.count(), 1);
    EXPECT_EQ(args_of(items, 0), (strings{"!cmd", "a", "<q>1,2</q>"}));
}

TEST(CmdRecordList, ListLoadKeepsFirstOfEqualRecords) {
    cmd_record_list list(strings{"x", "!cmd", "a", "!cmd", "a", "!cmd", "b"});
    ASSERT_TRUE(list.is_loaded());
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(args_of(list, 0), (strings{"!cmd", "a"}));
    EXPECT_EQ(args_of(list, 1), (strings{"!cmd", "b"}));
    EXPECT_FALSE(cmd_record_list(strings{"a", "b"}).is_loaded());
}

TEST(CmdRecordList, SplitItemsAreExpandedAndDeduplicated) {
    cmd_record_list list(strings{"!cmd, a ,b", "!cmd, a ,b", "!cmd,c"}, true);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(args_of(list, 0), (strings{"!cmd", "a", "b"}));
    EXPECT_EQ(args_of(list, 1), (strings{"!cmd", "c"}));
}

TEST(CmdRecordList, DueRecordsAndBadIndexes) {
    const uint64 t = 132521874950000000ULL;
    cmd_record_list list(strings{"!cmd", "!run-never"});
    EXPECT_FALSE(list.has_due_record(t));
    ASSERT_TRUE(list.set_record(0, t - 1, 0, 0, std::string(), "", "", "", ""));
    EXPECT_TRUE(list.has_due_record(t));
    EXPECT_FALSE(list.has_due_record(t - 1));
    ASSERT_TRUE(list.disable_record(0));
    EXPECT_FALSE(list.has_due_record(t));

    for (const int bad : {-1, list.count()}) {
        strings args{"kept"};
        EXPECT_FALSE(list.get_args(bad, args));
        EXPECT_TRUE(args.empty());
        EXPECT_EQ(list.argc(bad), 0);
        std::wstring joined = L"x";
        EXPECT_FALSE(list.join_args(bad, joined));
        EXPECT_TRUE(joined.empty());
        EXPECT_FALSE(list.disable_record(bad));
        std::wstring line;
        EXPECT_FALSE(list.format_record(bad, line));
    }
}

TEST(CmdRecordList, JoinArgsQuotesEachArgument) {
    cmd_record_list list;
    ASSERT_TRUE(list.load_text("!cmd,a b,c", false));
    std::string joined;
    ASSERT_TRUE(list.join_args(0, joined));
    EXPECT_EQ(joined, "\"a b\" \"c\"");
}

TEST(CmdRecordList, CopyHasItsOwnArgv) {
    auto original = std::make_unique<cmd_record_list>();
    ASSERT_TRUE(original->load_text("!cmd,alpha,beta", false));
    const cmd_record_list copy(*original);
    original.reset();
    int count = 0;
    const wchar_t* const* argv = nullptr;
    ASSERT_TRUE(copy.argv(0, count, argv));
    ASSERT_EQ(count, 2);
    EXPECT_EQ(std::wstring(argv[1]), L"beta");
}

TEST(CmdRecordList, HostileScriptsLoadWithoutFault) {
    std::string many = "!cmd";
    for (int i = 0; i < 5000; ++i) {
        many += ",item" + std::to_string(i);
    }
    many += "\n";
    const std::string cases[] = {
        std::string("!cmd,a\xff\xfe,b\n", 12),
        std::string("!cmd,a\0b,c\n!cmd,d", 17),
        "!cmd,last-line-without-end",
        many + many,
        ",,,\n!cmd,,,,\n!cmd,!run-,!repeat-,!dir-",
    };
    for (const auto& text : cases) {
        cmd_record_list list;
        EXPECT_TRUE(list.load_text(text, true));
        for (int i = 0; i < list.count(); ++i) {
            std::wstring line;
            EXPECT_TRUE(list.format_record(i, line));
        }
    }
    cmd_record_list bad;
    ASSERT_TRUE(bad.load_text(std::string("!cmd,a\xff,b", 10), false));
    EXPECT_EQ(bad.argc(0), 2);  // the stray byte does not lose the argument
}

TEST(CmdRecordList, FileLoadReadsAtMostSixteenMebibytes) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("big.txt");
    std::string text = "!cmd,first\n";
    text.resize(cmd_record_list::max_script_bytes, 'z');
    text += "\n!cmd,beyond\n";
    velk_test::write_file(path, text);
    const cmd_record_list list(path, false);
    ASSERT_EQ(list.count(), 1);
    cmd_record_list empty_name(std::string(), false);
    EXPECT_FALSE(empty_name.is_loaded());
    cmd_record_list loaded;
    EXPECT_TRUE(loaded.load_file(path, false));
    EXPECT_FALSE(loaded.load_file(dir.file("missing"), false));
}

TEST(CmdRecordList, SplitScriptItems) {
    strings out{"old"};
    EXPECT_FALSE(split_script_items("", out));
    EXPECT_TRUE(out.empty());
    ASSERT_TRUE(split_script_items(" a ,, b ,", out));
    EXPECT_EQ(out, (strings{"a", "b"}));
}

}  // namespace
