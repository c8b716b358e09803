#include "text/extras/progress_meter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "io/io_test_support.h"
#include "text/extras/std_stream_capture.h"

namespace {

namespace pf = progress_flags;

const std::string erase = "\x1b[2K";
const std::string title_start = "\x1b]0;";

progress_meter console_meter(uint32 flags, int32 width, uint64 total, uint32 step) {
    progress_meter meter;
    meter.m_flags = flags;
    meter.m_width = width;
    meter.m_total = total;
    meter.m_step = step;
    return meter;
}

std::string updates_on_stderr(progress_meter& meter, const std::vector<uint64>& amounts) {
    std_stream_capture err(STDERR_FILENO);
    EXPECT_TRUE(err.ready());
    for (uint64 amount : amounts) {
        meter.update(amount);
    }
    return err.take();
}

TEST(ProgressMeterUpdate, ShowsStepsOnceAndLatchesAtComplete) {
    progress_meter meter = console_meter(pf::console | pf::updates | pf::to_stderr, 80, 100, 10);
    const std::string line = erase + "\rPercent done: ";
    EXPECT_EQ(updates_on_stderr(meter, {5, 10, 15, 20, 100, 100}),
              line + "10%\r" + line + "20%\r" + line + "100%\r");
    EXPECT_EQ(meter.m_last_percent, 100U);
    EXPECT_EQ(updates_on_stderr(meter, {10, 50}), "");  // complete stays complete

    progress_meter disabled = console_meter(pf::console | pf::to_stderr, 80, 100, 10);
    EXPECT_EQ(updates_on_stderr(disabled, {10, 100}), "");
    progress_meter no_channel = console_meter(pf::updates | pf::to_stderr, 80, 100, 10);
    EXPECT_EQ(updates_on_stderr(no_channel, {10, 100}), "");
}

// Amounts near 2^64: current * 100 would wrap in 64 bits and show a wrong figure.
TEST(ProgressMeterUpdate, HugeAmountsAndEmptyTotal) {
    progress_meter meter =
        console_meter(pf::console | pf::updates | pf::to_stderr, 80, 4000000000000000000ULL, 1);
    EXPECT_EQ(updates_on_stderr(meter, {1000000000000000000ULL}), erase + "\rPercent done: 25%\r");
    progress_meter empty = console_meter(pf::console | pf::updates | pf::to_stderr, 80, 0, 10);
    EXPECT_EQ(updates_on_stderr(empty, {0}), erase + "\rPercent done: 100%\r");
    progress_meter narrow = console_meter(pf::console | pf::updates | pf::to_stderr, 2, 100, 1);
    EXPECT_EQ(updates_on_stderr(narrow, {50}), "\x1b[\r");
}

TEST(ProgressMeterUpdate, TitleAndDiagnosticsDropTheEraseSequence) {
    const velk_test::temp_dir dir;
    cmd_params params(0, false);
    ASSERT_TRUE(params.open_diag_file(dir.file("diag.txt")));
    const std::string opened = velk_test::read_file(dir.file("diag.txt"));
    progress_meter meter = console_meter(
        pf::title | pf::console | pf::diagnostics | pf::updates | pf::to_stderr, 80, 100, 10);
    meter.m_params = &params;
    std_stream_capture out(STDOUT_FILENO);
    const std::string err = updates_on_stderr(meter, {10});
    EXPECT_EQ(out.take(), title_start + "\rPercent done: 10%\r\a");
    EXPECT_EQ(err, erase + "\rPercent done: 10%\r");
    (void)params.close_diag_file();
    EXPECT_EQ(velk_test::read_file(dir.file("diag.txt")), opened + "->\rPercent done: 10%\r\n");
}

struct print_case {
    const char* name;
    uint32 flags;
    int32 width;
    std::string err;
    std::string out;
};

const print_case print_cases[] = {
    {"Wide", pf::console | pf::to_stderr, 20, "\x1b[2K\r    \rn=5\r", ""},
    {"CutInPrefix", pf::console | pf::to_stderr, 3, "\x1b[2\r", ""},
    {"NegativeWidth", pf::console | pf::to_stderr, -7, "\r", ""},
    {"StdoutWhenStderrClear", pf::console | pf::to_stdout, 20, "", "\x1b[2K\r    \rn=5\r"},
    {"StderrWins", pf::console | pf::to_stderr | pf::to_stdout, 20, "\x1b[2K\r    \rn=5\r", ""},
    {"TitleOnlyHasNoPrefix", pf::title, 20, "", "\x1b]0;n=5\a"},
    {"TitleOfConsoleLine", pf::title | pf::console | pf::to_stderr, 20, "\x1b[2K\r    \rn=5\r",
     "\x1b]0;\r    \rn=5\r\a"},
    {"NoChannel", pf::to_stderr | pf::updates, 20, "", ""},
};

class ProgressMeterPrint : public ::testing::TestWithParam<print_case> {};

TEST_P(ProgressMeterPrint, WritesTheLineByFlagsAndWidth) {
    const print_case& c = GetParam();
    progress_meter meter = console_meter(c.flags, c.width, 0, 0);
    std_stream_capture out(STDOUT_FILENO);
    std_stream_capture err(STDERR_FILENO);
    meter.print_format("n=%d", 5);
    EXPECT_EQ(err.take(), c.err);
    EXPECT_EQ(out.take(), c.out);

    // The stream and text forms show the same line.
    std_stream_capture out2(STDOUT_FILENO);
    std_stream_capture err2(STDERR_FILENO);
    std::ostringstream text;
    text << "n=5";
    meter.print_stream(text);
    meter.print_text("n=5");
    EXPECT_EQ(err2.take(), c.err + c.err);
    EXPECT_EQ(out2.take(), c.out + c.out);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgressMeterPrint, ::testing::ValuesIn(print_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

TEST(ProgressMeterPrint, NullFormatAndMessageCutToWidth) {
    progress_meter meter = console_meter(pf::console | pf::to_stderr, 12, 0, 0);
    std_stream_capture err(STDERR_FILENO);
    meter.print_format(nullptr);
    meter.print_text("abcdefgh");  // 10 prefix characters leave room for two
    EXPECT_EQ(err.take(), erase + "\r    \rab\r");

    progress_meter wide = console_meter(pf::console | pf::to_stderr, 0x7FFFFFFF, 0, 0);
    std_stream_capture err2(STDERR_FILENO);
    wide.print_format("%s", "whole");
    EXPECT_EQ(err2.take(), erase + "\r    \rwhole\r");
}

TEST(StatusLines, ExactBytesOnStderr) {
    std_stream_capture err(STDERR_FILENO);
    hex_progress_line(0x10, 0x20);
    hex_progress_line(5, 5);
    hex_progress_line(0xFFFFFFFFFFFFFFFEULL, 0xFFFFFFFFFFFFFFFFULL);
    EXPECT_EQ(status_line_limited(5, "ab\ncdef"), 5);
    EXPECT_EQ(status_line_limited(50, "xyz"), 3);
    EXPECT_EQ(status_line_limited(5, ""), 0);
    status_line_final("done");
    status_line_final("");
    const std::string line = erase + "\r    \r";
    EXPECT_EQ(err.take(), erase + "\r --> 0x10 of 0x20\r" + erase + "\r" + std::string(45, ' ') +
                              erase + "\r --> 0xfffffffffffffffe of 0xffffffffffffffff\r" + line +
                              "abcd\r" + line + "xyz\r" + line + "done\n" + line + "\n");
}

TEST(TerminalTitle, PercentAndPrefix) {
    std_stream_capture out(STDOUT_FILENO);
    set_title_percent(5, 10);
    set_title_percent(1, 0);  // no total: complete, not a division by zero
    set_title_percent(1000000000000000000ULL, 4000000000000000000ULL);
    set_title_percent(0xFFFFFFFFFFFFFFFFULL, 0xFFFFFFFFFFFFFFFFULL);
    EXPECT_EQ(set_title_prefix(3, "abcdef"), 3);
    EXPECT_EQ(set_title_prefix(10, "ab"), 2);
    EXPECT_EQ(set_title_prefix(-1, "ab"), 0);
    std::ostringstream text;
    text << "stream";
    EXPECT_EQ(set_title_prefix_stream(4, text), 4);
    const std::string t = title_start + "percent complete: ";
    EXPECT_EQ(out.take(), t + "50\a" + t + "100\a" + t + "25\a" + t + "100\a" + title_start +
                              "abc\a" + title_start + "ab\a" + title_start + "\a" + title_start +
                              "stre\a");
}

TEST(StatusLines, PrintStatusStdoutFormatsTheStreamText) {
    std::ostringstream format;
    format << "n=%d\n";
    std_stream_capture out(STDOUT_FILENO);
    print_status_stdout(format, 42);
    // Not a terminal: print_status writes the plain text on a line of its own.
    EXPECT_EQ(out.take(), "n=42\n");
}

}  // namespace
