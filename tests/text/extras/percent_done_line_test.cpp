#include "text/extras/percent_done_line.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "text/extras/std_stream_capture.h"

namespace {

const std::string line_reset = "\x1b[2K\r    \r";

std::string percent_line(const std::string& message) { return line_reset + message + "\r"; }

struct series_result {
    std::vector<uint32> returned;
    std::string written;
};

// One fresh series of calls at the given positions, standard error captured.
series_result run_series(uint32 width, uint64 total, uint32 step,
                         const std::vector<uint64>& positions) {
    reset_percent_done_for_tests();
    series_result result;
    std_stream_capture err(STDERR_FILENO);
    EXPECT_TRUE(err.ready());
    for (const uint64 position : positions) {
        result.returned.push_back(print_percent_done(width, position, total, step));
    }
    result.written = err.take();
    return result;
}

TEST(PrintPercentDone, WritesOnlyAtEachStep) {
    std::vector<uint64> positions;
    for (uint64 p = 0; p <= 1000; p += 50) {
        positions.push_back(p);
    }
    const series_result r = run_series(70, 1000, 10, positions);
    std::string expected;
    for (uint32 percent = 10; percent <= 100; percent += 10) {
        expected += percent_line("percent done: " + std::to_string(percent));
    }
    EXPECT_EQ(r.written, expected);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const uint64 p = positions[i];
        const uint32 want = (p == 0 || p % 100 != 0) ? 0 : (p == 1000 ? 17 : 16);
        EXPECT_EQ(r.returned[i], want) << "position " << p;
    }
}

TEST(PrintPercentDone, CutsTheMessageToTheWidth) {
    const series_result r = run_series(5, 1000, 10, {100});
    EXPECT_EQ(r.written, percent_line("perce"));
    EXPECT_EQ(r.returned, (std::vector<uint32>{5}));
}

TEST(PrintPercentDone, ZeroTotalWritesNothing) {
    const series_result r = run_series(70, 0, 10, {0, 1, 5});
    EXPECT_EQ(r.written, "");
    EXPECT_EQ(r.returned, (std::vector<uint32>{0, 0, 0}));
}

// A step that rounds to nothing (10 % of 5) would print on every call; it is at least 1.
TEST(PrintPercentDone, TinyTotalStepsByOne) {
    const series_result r = run_series(70, 5, 10, {0, 1, 2, 3, 4, 5});
    std::string expected;
    for (uint32 percent = 20; percent <= 100; percent += 20) {
        expected += percent_line("percent done: " + std::to_string(percent));
    }
    EXPECT_EQ(r.written, expected);
    EXPECT_EQ(r.returned[0], 0U);
}

TEST(PrintPercentDone, PositionAboveTotalAndStateCarriesOver) {
    const series_result r = run_series(70, 10, 50, {20, 30});
    EXPECT_EQ(r.written, percent_line("percent done: 200") + percent_line("percent done: 300"));

    // A second series without reset continues from the first one's threshold (15).
    std_stream_capture err(STDERR_FILENO);
    EXPECT_EQ(print_percent_done(70, 10, 10, 50), 0U);
    EXPECT_EQ(err.take(), "");
    reset_percent_done_for_tests();
}

TEST(PrintPercentDone, HugePositionDoesNotOverflow) {
    const series_result r = run_series(70, 1, 100, {UINT64_MAX});
    EXPECT_EQ(r.written, percent_line("percent done: 4294967295"));
}

}  // namespace
