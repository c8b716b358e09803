#include "time/elapsed_lines.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cmdline/cmd_params.h"
#include "io/io_test_support.h"
#include "time/ntp_clock.h"

namespace {

kq::ntp_time seconds_ago(uint32 n) {
    kq::ntp_time start = kq::ntp_now();
    return kq::ntp_subtract_seconds(start, n);
}

bool is_two_or_three_seconds(const std::string& text, const std::string& head,
                             const std::string& tail) {
    return text == head + "2" + tail || text == head + "3" + tail;
}

TEST(PrintElapsed, SecondsSinceAStartAndNothingForNoStart) {
    std::ostringstream out;
    kq::print_elapsed(kq::ntp_time(), out);
    EXPECT_EQ(out.str(), "");
    kq::print_elapsed(seconds_ago(2), out);
    EXPECT_TRUE(is_two_or_three_seconds(out.str(), "", " secs \n")) << out.str();
}

TEST(PrintProfile, WritesOneDiagnosticsItem) {
    const velk_test::temp_dir dir;
    const std::string path = dir.file("diags.txt");
    cmd_params options(0, false);
    ASSERT_TRUE(options.open_diag_file(path));
    EXPECT_NE(kq::print_profile(seconds_ago(2), options, "load"), 0);
    EXPECT_NE(kq::print_profile(seconds_ago(2), options, ""), 0);
    EXPECT_EQ(kq::print_profile(kq::ntp_time(), options, "zero"), 0);
    (void)options.close_diag_file();
    // Opening the file writes an item of its own first; the profile lines are the last two.
    const std::string text = velk_test::read_file(path);
    const std::size_t named = text.find("->[");
    ASSERT_NE(named, std::string::npos) << text;
    const std::size_t split = text.find('\n', named) + 1;
    EXPECT_TRUE(is_two_or_three_seconds(text.substr(named, split - named), "->[load] Profile: ",
                                        " secs\n"))
        << text;
    EXPECT_TRUE(is_two_or_three_seconds(text.substr(split), "->Profile: ", " secs\n")) << text;
}

TEST(PrintProfile, DiagnosticsOffWritesNothingButStillReportsTheStart) {
    const cmd_params options(0, false);
    EXPECT_NE(kq::print_profile(seconds_ago(2), options, "load"), 0);
    EXPECT_EQ(kq::print_profile(kq::ntp_time(), options, "load"), 0);
}

}  // namespace
