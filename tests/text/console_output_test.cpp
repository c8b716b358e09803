#include "text/console_output.h"

#include <gtest/gtest.h>

#include <string>

#include "text/terminal_capture.h"

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

const std::string erase_long = "\x1b[2K\r" + std::string(27, ' ') + "\r";
const std::string erase_short = "\x1b[2K\r    \r";

TEST(StderrPrintf, ClearsTheStatusLineOfATerminalThenWritesTheText) {
    terminal_capture terminal;
    ASSERT_TRUE(terminal.ready());
    EXPECT_EQ(stderr_printf("a\n"), 2);
    EXPECT_EQ(stderr_printf(nullptr), 0);
    EXPECT_EQ(terminal.take(), erase_long + "a\n" + erase_long);

    CaptureStderr();  // a file: no control codes around the text
    EXPECT_EQ(stderr_printf("a\n"), 2);
    clear_status_line();
    clear_status_line_short();
    EXPECT_EQ(GetCapturedStderr(), "a\n");
}

// A name from the evidence cannot move the cursor or erase lines of the examiner's terminal.
TEST(StderrPrintf, ControlsInNamesAreWrittenAsEscapes) {
    CaptureStderr();
    const std::string name = "x\x1b[1A\x1b[2K\rcase\x07.db";
    (void)stderr_printf("prob processing file %s\n\tnext\n", name.c_str());
    EXPECT_EQ(GetCapturedStderr(),
              "prob processing file x\\x1b[1A\\x1b[2K\\x0dcase\\x07.db\n\tnext\n");
}

// Mend: long messages (a long path in "prob opening results file") are written whole.
TEST(StderrPrintf, LongTextIsWrittenWhole) {
    const std::string text(5000, 'p');
    CaptureStderr();
    EXPECT_EQ(stderr_printf("%s", text.c_str()), 5000);
    EXPECT_EQ(GetCapturedStderr(), text);
}

TEST(PrintStatus, CutToWidthAndDrawnOverThePreviousLineOfATerminal) {
    const std::string text(100, 's');
    terminal_capture terminal;
    ASSERT_TRUE(terminal.ready());
    EXPECT_EQ(print_status_err("%s", text.c_str()), 60);
    EXPECT_EQ(print_status_width(200, "%s", text.c_str()), 70);
    EXPECT_EQ(print_status_width(10, "percent done: %4.2f\n", 12.5), 10);
    EXPECT_EQ(print_status_width(70, "a\nb\n"), 4);
    clear_status_line_short();
    EXPECT_EQ(terminal.take(), erase_short + std::string(60, 's') + "\r" + erase_short +
                                   std::string(70, 's') + "\r" + erase_short + "percent do\r" +
                                   erase_short + "ab\r" + erase_short);
}

// Mend: in a log file the erase sequences and carriage returns were noise around every
// update; there each status is a plain line.
TEST(PrintStatus, PlainLinesAwayFromATerminal) {
    CaptureStderr();
    EXPECT_EQ(print_status_width(10, "percent done: %4.2f\n", 12.5), 10);
    EXPECT_EQ(print_status_width(70, "a\nb\n"), 4);
    EXPECT_EQ(GetCapturedStderr(), "percent do\nab\n");

    CaptureStdout();
    EXPECT_EQ(print_status_out("%d%%", 50), 3);
    EXPECT_EQ(GetCapturedStdout(), "50%\n");
}

TEST(PrintStatus, TitleForm) {
    CaptureStdout();
    EXPECT_EQ(set_terminal_title_printf("job %d", 7), 5);
    EXPECT_FALSE(set_terminal_title(nullptr));
    EXPECT_EQ(GetCapturedStdout(), "\x1b]0;job 7\a");
}

// print_status takes a va_list: reach it through a variadic wrapper.
int status_as_title(bool to_stderr, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int kept = print_status(to_stderr, 60, format, args, true);
    va_end(args);
    return kept;
}

TEST(PrintStatus, AsTitleWritesNoEraseSequence) {
    CaptureStdout();
    EXPECT_EQ(status_as_title(false, "t%s", "itle"), 5);
    EXPECT_EQ(GetCapturedStdout(), "\x1b]0;title\a");

    CaptureStderr();
    EXPECT_EQ(status_as_title(true, "bare"), 4);
    EXPECT_EQ(GetCapturedStderr(), "bare");
}

TEST(PrintColored, ColourOnThenOffOnTheChosenStream) {
    CaptureStdout();
    CaptureStderr();
    EXPECT_EQ(print_colored(1, 2, 2, "%s", "red"), 0);
    std::fflush(stdout);
    std::fflush(stderr);
    EXPECT_EQ(GetCapturedStderr(), "\x1b[0;37;40m");
    EXPECT_EQ(GetCapturedStdout(), "\x1b[1;31;42mred");
}

}  // namespace
