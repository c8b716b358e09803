#include "cmdline/cmdline_ctx.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>

#include "io/io_test_support.h"
#include "text/terminal_capture.h"
#include "time/ntp_clock.h"

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

constexpr uint64 start = 0x01D9000000000000ULL;
const std::string status_clear = "\x1b[2K\r" + std::string(27, ' ') + "\r";

std::unique_ptr<cmd_params> quiet_options() {
    auto options = std::make_unique<cmd_params>(start, true);
    options->m_status_output = false;
    options->m_command_line = "velk -db x.db";
    return options;
}

int32 g_calls = 0;
std::string g_text;

int32 record_signal(const std::string* text) {
    ++g_calls;
    g_text = *text;
    return 5;
}

class RunContext : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls = 0;
        g_text.clear();
    }
};

TEST_F(RunContext, ProfileAloneWritesWholeSecondsToStderr) {
    auto options = quiet_options();
    options->m_profile = true;
    auto ctx = std::make_unique<cmdline_ctx>();
    ctx->init(*options, nullptr);
    EXPECT_TRUE(ctx->timed());
    options.reset();
    CaptureStderr();
    ctx.reset();
    const std::string err = GetCapturedStderr();
    EXPECT_TRUE(std::regex_match(err, std::regex("->[0-9]+ secs\n"))) << err;
}

TEST_F(RunContext, ElapsedIsTheDifferenceOfTheStamps) {
    auto ctx = std::make_unique<cmdline_ctx>();
    ctx->m_profile = true;
    ctx->m_start = kq::ntp_now();
    kq::ntp_subtract_seconds(ctx->m_start, 3);
    CaptureStderr();
    ctx.reset();
    const std::string err = GetCapturedStderr();
    // 3 seconds, or 4 when the clock ticked over between the two readings.
    EXPECT_TRUE(err == "->3 secs\n" || err == "->4 secs\n") << err;
}

// The options record closes the diagnostics file first; the context then appends the time
// to its end, without a line break, and says nothing on standard error.
TEST_F(RunContext, DiagnosticsAloneAppendsTimeToTheFile) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("diags.txt");
    auto options = quiet_options();
    ASSERT_TRUE(options->open_diag_file(path));
    auto ctx = std::make_unique<cmdline_ctx>();
    ctx->init(*options, nullptr);
    EXPECT_EQ(ctx->m_diag_path, path);
    EXPECT_TRUE(ctx->timed());
    options->diag_line("last item");
    options.reset();
    CaptureStderr();
    ctx.reset();
    EXPECT_EQ(GetCapturedStderr(), "");
    const std::string all = velk_test::read_file(path);
    EXPECT_TRUE(std::regex_match(all, std::regex("->velk -db x\\.db\n->last item\n->[0-9]+ secs")))
        << all;
}

TEST_F(RunContext, VanishedDiagnosticsFileIsNotRecreated) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("diags.txt");
    auto options = quiet_options();
    ASSERT_TRUE(options->open_diag_file(path));
    auto ctx = std::make_unique<cmdline_ctx>();
    ctx->init(*options, nullptr);
    options.reset();
    ASSERT_EQ(::unlink(path.c_str()), 0);
    CaptureStderr();
    EXPECT_FALSE(ctx->finish());  // the run's diagnostics are lost: the caller must say so
    ctx.reset();
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(velk_test::file_size(path), -1);
}

// The end steps run once, whether finish is called or the context is destroyed.
TEST_F(RunContext, FinishRunsTheEndStepsOnce) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("diags.txt");
    auto options = quiet_options();
    options->m_signal_text = "done";
    ASSERT_TRUE(options->open_diag_file(path));
    auto ctx = std::make_unique<cmdline_ctx>();
    ctx->init(*options, record_signal);
    options.reset();
    EXPECT_TRUE(ctx->finish());
    const std::string written = velk_test::read_file(path);
    EXPECT_TRUE(ctx->finish());
    ctx.reset();
    EXPECT_EQ(velk_test::read_file(path), written);
    EXPECT_EQ(g_calls, 1);
}

TEST_F(RunContext, FailedDiagnosticsFileMeansNoTiming) {
    velk_test::temp_dir dir;
    auto options = quiet_options();
    EXPECT_FALSE(options->open_diag_file(dir.file("no/such/folder/d.txt")));
    cmdline_ctx ctx;
    ctx.init(*options, nullptr);
    EXPECT_EQ(ctx.m_diag_path, "");
    EXPECT_FALSE(ctx.timed());
}

TEST_F(RunContext, StatusLineClearedOnlyWithStatusOutput) {
    cmd_params loud(start, false);
    auto ctx = std::make_unique<cmdline_ctx>();
    ctx->init(loud, nullptr);
    EXPECT_FALSE(ctx->timed());
    terminal_capture loud_terminal;  // the status line is drawn, and cleared, on a terminal
    ASSERT_TRUE(loud_terminal.ready());
    ctx.reset();
    EXPECT_EQ(loud_terminal.take(), status_clear);

    auto quiet = quiet_options();  // "-quiet"
    ctx = std::make_unique<cmdline_ctx>();
    ctx->init(*quiet, nullptr);
    terminal_capture quiet_terminal;
    ASSERT_TRUE(quiet_terminal.ready());
    ctx.reset();
    EXPECT_EQ(quiet_terminal.take(), "");
}

TEST_F(RunContext, CallbackGetsSignalTextOnce) {
    auto options = quiet_options();
    options->m_signal_text = "done-42";
    {
        cmdline_ctx ctx;
        ctx.init(*options, record_signal);
        EXPECT_EQ(g_calls, 0);  // nothing before the end of the run
    }
    EXPECT_EQ(g_calls, 1);
    EXPECT_EQ(g_text, "done-42");

    {
        cmdline_ctx ctx;
        ctx.init(*options, nullptr);  // no callback passed
    }
    options->m_signal_text.clear();
    {
        cmdline_ctx ctx;
        ctx.init(*options, record_signal);  // empty "-signal" value
    }
    EXPECT_EQ(g_calls, 1);
}

TEST_F(RunContext, WithoutInitNothingHappens) {
    CaptureStderr();
    { const cmdline_ctx ctx; }
    {
        cmdline_ctx ctx;
        auto options = quiet_options();
        options->m_profile = true;
        options->m_signal_text = "x";
        ctx.init(*options, record_signal);
        ctx.clear();  // an emptied context owes nothing either
    }
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(g_calls, 0);
}

}  // namespace
