#include "text/percent_progress.h"

#include <gtest/gtest.h>

#include <string>

#include "text/terminal_capture.h"

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

uint64 s_now = 0;
uint64 test_clock() { return s_now; }

// Mend: on a large database the figure went backwards thousands of times, reached 100 tens
// of thousands of times and was drawn for every page. Here a second passes between every
// step, then time stands still: the figure only grows, 100 appears once, at the end, and
// within 100 ms only the first update is drawn.
TEST(PercentProgress, GrowsOnlyAndShowsOneHundredOnceAtTheEnd) {
    s_now = 0;
    percent_progress progress(true, test_clock);
    progress.add_work(1000);
    CaptureStderr();
    for (int step = 0; step < 3; ++step) {
        s_now += 1000;
        progress.advance(250);
    }
    progress.advance(0);      // no growth: nothing drawn
    progress.advance(5000);   // within 100 ms of the last drawing: not drawn
    s_now += 1000;
    progress.advance(100);    // all done, yet below 100 until finish()
    progress.finish();
    progress.finish();
    progress.advance(10);
    EXPECT_EQ(GetCapturedStderr(),
              "percent done: 25.00\npercent done: 50.00\npercent done: 75.00\n"
              "percent done: 99.99\npercent done: 100.00\n");
}

TEST(PercentProgress, AtMostTenUpdatesASecond) {
    s_now = 5000;
    percent_progress progress(true, test_clock);
    progress.add_work(100000);
    CaptureStderr();
    for (int step = 0; step < 1000; ++step) {
        s_now += 1;  // a millisecond per step
        progress.advance(100);
    }
    progress.finish();
    const std::string err = GetCapturedStderr();
    std::size_t lines = 0;
    for (const char c : err) {
        lines += c == '\n' ? 1 : 0;
    }
    EXPECT_EQ(lines, 11U) << err;  // at 0.1, then every 100 ms, and 100 at the end
    EXPECT_EQ(err.substr(0, 20), "percent done: 0.10\np");
}

TEST(PercentProgress, QuietOrWithoutWorkDrawsNothing) {
    CaptureStderr();
    percent_progress quiet(false, test_clock);
    quiet.add_work(10);
    quiet.advance(5);
    quiet.finish();
    percent_progress idle(true, test_clock);
    idle.advance(5);
    idle.finish();
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(quiet.shown(), -1);
}

TEST(PercentProgress, RedrawsOneLineOnATerminalAndClearsIt) {
    s_now = 0;
    terminal_capture terminal;
    ASSERT_TRUE(terminal.ready());
    percent_progress progress(true, test_clock);
    progress.add_work(4);
    progress.advance(1);
    progress.finish();
    const std::string erase = "\x1b[2K\r    \r";
    EXPECT_EQ(terminal.take(), erase + "percent done: 25.00\r" + erase + "percent done: 100.00\r" +
                                   "\x1b[2K\r" + std::string(27, ' ') + "\r");
}

}  // namespace
