#include "cmdline/cmd_params.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "io/io_test_support.h"
#include "io/null_out_stream.h"

namespace {

constexpr uint64 start = 0x01D9000012345678ULL;

// The defaults an examiner relies on when no option is given.
void expect_output_defaults(const cmd_params& p) {
    EXPECT_EQ(std::make_tuple(p.m_start_time, p.m_separator, p.m_delimiter,
                              p.m_delimiter_substitute, p.m_date_format, p.m_time_format),
              std::make_tuple(start, std::string(" | "), '|', ';', std::string("yyyy-mm-dd"),
                              std::string("hh:mm:ss.xxx")));
    // base16, pad, status output, record newline, header pending, verbose; then the
    // switches that start off.
    EXPECT_EQ(std::make_tuple(p.m_base16, p.m_pad, p.m_status_output, p.m_record_newline,
                              p.m_header_pending, p.m_verbose),
              std::make_tuple(true, true, true, true, true, true));
    EXPECT_EQ(std::make_tuple(p.m_no_whitespace, p.m_csv, p.m_diag_on, p.m_diag_level,
                              p.m_cpu_instance, p.m_results_db == nullptr),
              std::make_tuple(false, false, false, 0, 0xFFFFFFFFU, true));
}

// Uncompiled: first 32-bit word 0, years 1900 to 2600.
void expect_time_spec_defaults(const cmd_params& p) {
    const time_display_spec& spec = p.m_time_spec;
    EXPECT_TRUE(spec.is_unset());
    EXPECT_EQ(std::make_tuple(spec.separator, spec.date_flags, spec.time_flags, spec.spare,
                              spec.min_year, spec.max_year),
              std::make_tuple('\0', uint8{0}, uint8{0}, uint8{0}, int16{1900}, int16{2600}));
    EXPECT_TRUE(p.m_filters.empty() && p.m_columns.empty());
}

void expect_defaults(const cmd_params& p) {
    expect_output_defaults(p);
    expect_time_spec_defaults(p);
}

TEST(CmdParams, DefaultsAfterConstructionAndReset) {
    cmd_params p(start, true);
    expect_defaults(p);
    ASSERT_NE(p.m_message_stream, nullptr);

    p.m_separator = ",";
    p.m_delimiter = 0;
    p.m_date_format = "dd/mm/yyyy";
    p.m_base16 = false;
    p.m_status_output = false;
    p.m_header_pending = false;
    p.m_cpu_instance = 3;
    p.m_csv = true;
    ASSERT_TRUE(p.m_time_spec.parse("mm/dd/yyyy", "hh:mm:ss", false));
    p.m_filters.emplace_back();
    p.m_file_entry.m_path = "x";
    std::ostringstream* kept = p.m_message_stream.get();

    p.reset();
    expect_defaults(p);
    EXPECT_EQ(p.m_file_entry.m_path, "");
    EXPECT_EQ(p.m_message_stream.get(), kept);  // reset keeps the streams
}

TEST(CmdParams, ResetOutputEmptiesMessageStreamAndFileRecord) {
    cmd_params p(start, true);
    p.message_stream() << "pending";
    p.m_message_stream->setstate(std::ios_base::failbit);
    p.m_file_entry.m_size = 9;
    p.reset_output();
    EXPECT_EQ(p.m_message_stream->str(), "");
    EXPECT_TRUE(p.m_message_stream->good());
    EXPECT_EQ(p.m_file_entry.m_size, 0U);
}

struct separator_case {
    const char* name;
    std::string text;
    bool quoted;
    std::string separator;
    char delimiter;
    char substitute;
};

const separator_case separator_cases[] = {
    {"Bar", "|", false, "|", '|', ';'},
    {"BlankBarBlank", " | ", false, " | ", '|', ';'},
    {"BarWinsOverComma", ",|", false, ",|", '|', ';'},
    {"Comma", ",", false, ",", ',', ' '},
    {"CommaBlank", ", ", false, ", ", ',', ' '},
    {"TabWord", "tab", false, "\t", 0, 0},
    {"TabWordUpper", "TAB", false, "\t", 0, 0},
    {"BackslashT", "\\t", false, "\t", 0, 0},
    {"TabInsideLongerTextStays", "tabs", false, "tabs", 0, 0},
    {"Semicolon", ";", false, ";", 0, 0},
    {"QuotedBar", "|", true, "|", 0, 0},
    {"QuotedComma", ",", true, ",", 0, 0},
    {"QuotedTabWordKept", "tab", true, "tab", 0, 0},
};

class SetSeparator : public ::testing::TestWithParam<separator_case> {};

TEST_P(SetSeparator, DelimiterAndSubstitute) {
    const separator_case& c = GetParam();
    cmd_params p(start, false);
    p.m_quoted_csv = c.quoted;
    p.set_separator(c.text, false);
    EXPECT_EQ(p.m_separator, c.separator);
    EXPECT_EQ(p.m_delimiter, c.delimiter);
    EXPECT_EQ(p.m_delimiter_substitute, c.substitute);
}

INSTANTIATE_TEST_SUITE_P(Cases, SetSeparator, ::testing::ValuesIn(separator_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(SetSeparatorFlag, CommaWithSubstituteFlagGivesSemicolon) {
    cmd_params p(start, false);
    p.set_separator(",", true);
    EXPECT_EQ(p.m_delimiter, ',');
    EXPECT_EQ(p.m_delimiter_substitute, ';');
}

TEST(CmdParams, MessageStreamFallsBackToSharedNullStream) {
    const cmd_params without(start, false);
    EXPECT_EQ(&without.message_stream(), &g_null_out_stream);
    without.message_stream() << "dropped";  // must not fail or crash

    const cmd_params with(start, true);
    with.message_stream() << "kept";
    EXPECT_EQ(with.m_message_stream->str(), "kept");
}

int32 g_progress_calls = 0;
uint32 g_progress_code = 0;
uint32 g_progress_user = 0;

int32 record_progress(uint32 user, std::uintptr_t, std::uintptr_t, std::uintptr_t, std::uintptr_t,
                      uint32* code) {
    ++g_progress_calls;
    g_progress_user = user;
    g_progress_code = *code;
    return 17;
}

TEST(CmdParams, CallProgressNeedsCallbackAndSwitch) {
    cmd_params p(start, false);
    EXPECT_EQ(p.call_progress(), -1);
    p.m_progress_fn = record_progress;
    EXPECT_EQ(p.call_progress(), -1);  // progress not switched on
    EXPECT_EQ(g_progress_calls, 0);
    p.m_progress_on = true;
    p.m_progress_user = 0xABCD;
    EXPECT_EQ(p.call_progress(), 17);
    EXPECT_EQ(g_progress_calls, 1);
    EXPECT_EQ(g_progress_code, 4U);
    EXPECT_EQ(g_progress_user, 0xABCDU);
}

TEST(CmdParamsCopy, SettingsCopiedWriterAndDiagnosticsNot) {
    velk_test::temp_dir dir;
    cmd_params p(start, true);
    p.m_command_line = "prog -diags d.txt";
    ASSERT_TRUE(p.open_diag_file(dir.file("d.txt")));
    p.m_diag_level = 3;
    p.m_csv = true;
    p.m_separator = ",";
    p.m_out_path = "/tmp/r.txt";
    p.m_aliases["c:"] = "/mnt/c";
    p.m_filters.emplace_back();
    p.m_filters.back().m_match_all = true;
    p.m_results_db = reinterpret_cast<results_db_writer*>(&p);  // any non-null address

    cmd_params assigned(1, false);
    assigned.assign(p);
    EXPECT_EQ(assigned.m_results_db, nullptr);
    EXPECT_FALSE(assigned.m_diag_on);
    EXPECT_EQ(assigned.m_diag_level, 0);
    EXPECT_EQ(assigned.m_diag_stream, nullptr);
    EXPECT_EQ(assigned.m_start_time, start);
    EXPECT_TRUE(assigned.m_csv);
    EXPECT_EQ(assigned.m_separator, ",");
    EXPECT_EQ(assigned.m_out_path, "/tmp/r.txt");
    EXPECT_EQ(assigned.m_aliases.at("c:"), "/mnt/c");
    ASSERT_EQ(assigned.m_filters.size(), 1U);
    EXPECT_TRUE(assigned.m_filters[0].m_match_all);

    const cmd_params copied(p);
    EXPECT_EQ(copied.m_results_db, nullptr);
    EXPECT_TRUE(copied.m_csv);
    ASSERT_NE(copied.m_message_stream, nullptr);
    EXPECT_NE(copied.m_message_stream.get(), p.m_message_stream.get());
}

// The copy opens its own stream on the same file; neither erases what the other wrote.
TEST(CmdParamsCopy, CopyAppendsToTheSameDiagnosticsFile) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("diag.txt");
    cmd_params p(start, false);
    p.m_command_line = "prog -x";
    ASSERT_TRUE(p.open_diag_file(path));
    p.m_diag_level = 2;
    p.diag_line("from original");
    {
        cmd_params copy(start, false);
        copy = p;
        EXPECT_TRUE(copy.m_diag_on);
        EXPECT_EQ(copy.m_diag_level, 2);
        copy.diag_line("from copy");
        copy = copy;  // self-assignment changes nothing
        EXPECT_TRUE(copy.m_diag_on);
    }
    p.diag_line("original again");
    p.flush_diag();
    EXPECT_EQ(velk_test::read_file(path),
              "->prog -x\n->from original\n->prog -x\n->from copy\n->original again\n");
}

TEST(CmdParamsCopy, CopyOfVanishedDiagnosticsFileStaysOff) {
    velk_test::temp_dir dir;
    const std::string sub = dir.file("sub");
    ASSERT_EQ(::mkdir(sub.c_str(), 0700), 0);
    cmd_params p(start, false);
    ASSERT_TRUE(p.open_diag_file(sub + "/d.txt"));
    std::filesystem::remove_all(sub);

    const cmd_params copy(p);
    EXPECT_FALSE(copy.m_diag_on);
    EXPECT_EQ(copy.m_diag_stream, nullptr);
    EXPECT_EQ(copy.m_diag_path, "");
}

}  // namespace
