// A run stopped from outside must not leave a copy of evidence behind, and must still end
// as the signal ends a process; a signal the examiner had ignored (nohup) stays ignored.
// SIGPIPE and SIGXFSZ end nothing once ignored: the write that met them fails instead.

#include "io/stop_cleanup.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "io/io_test_support.h"

namespace {

using velk_test::temp_dir;

struct stop_case {
    const char* name;
    int signal_number;
    bool ignored_before;  // the signal's action is SIG_IGN when the list is registered
    bool unregistered;    // the list is taken back before the signal comes
};

const stop_case stop_cases[] = {
    {"Interrupt", SIGINT, false, false},
    {"Terminate", SIGTERM, false, false},
    {"HangUp", SIGHUP, false, false},
    {"IgnoredInterruptStaysIgnored", SIGINT, true, false},
    {"UnregisteredListStays", SIGTERM, false, true},
    {"Quit", SIGQUIT, false, false},
    {"User1", SIGUSR1, false, false},
    {"User2", SIGUSR2, false, false},
    {"Alarm", SIGALRM, false, false},
    {"CpuLimit", SIGXCPU, false, false},
    {"VirtualAlarm", SIGVTALRM, false, false},
    {"Profiling", SIGPROF, false, false},
    {"FirstRealTime", SIGRTMIN, false, false},
    {"Abort", SIGABRT, false, false},
};

class StopCleanup : public ::testing::TestWithParam<stop_case> {};

// The child's side: registers the copy in folder and raises the signal; exits 0 when the
// signal did not end it.
[[noreturn]] void register_and_raise(const stop_case& c, const std::string& folder) {
    if (c.ignored_before) {
        std::signal(c.signal_number, SIG_IGN);
    }
    uni::stop_cleanup_list list;
    list.files = {folder + "/x.db", folder + "/x.db-wal", folder + "/x.db-shm", ""};
    list.folder = folder;
    const int slot = uni::register_stop_cleanup(list);
    if (c.unregistered) {
        uni::unregister_stop_cleanup(slot);
    }
    // The handler's line is not this test's output.
    std::FILE* quiet = std::freopen("/dev/null", "w", stderr);
    (void)quiet;
    ::raise(c.signal_number);
    std::_Exit(slot >= 0 ? 0 : 2);
}

// The signal that ended the child, or 0 when it exited with status 0; -1 otherwise.
int ending_signal(pid_t child) {
    int status = 0;
    if (::waitpid(child, &status, 0) != child) {
        return -1;
    }
    if (WIFSIGNALED(status)) {
        return WTERMSIG(status);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
}

TEST_P(StopCleanup, RemovesTheListedFilesAndEndsAsTheSignalWould) {
    const stop_case& c = GetParam();
    temp_dir dir;
    const std::string folder = dir.file("copy");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    velk_test::write_file(folder + "/x.db", "db");
    velk_test::write_file(folder + "/x.db-wal", "log");
    const pid_t child = ::fork();
    if (child == 0) {
        register_and_raise(c, folder);
    }
    EXPECT_EQ(ending_signal(child), c.ignored_before ? 0 : c.signal_number);
    const bool removed = !c.ignored_before && !c.unregistered;
    EXPECT_EQ(::access(folder.c_str(), F_OK) != 0, removed);
    EXPECT_EQ(::access((folder + "/x.db").c_str(), F_OK) != 0, removed);
}

INSTANTIATE_TEST_SUITE_P(Cases, StopCleanup, ::testing::ValuesIn(stop_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// Two signals waiting at once (as when a second Ctrl-C or a kill follows the first): the
// files go, one line says so, and the first signal handled ends the process.
TEST(StopCleanupTwice, SecondSignalAddsNoLine) {
    temp_dir dir;
    const std::string folder = dir.file("copy");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    velk_test::write_file(folder + "/x.db", "db");
    const std::string said = dir.file("err.txt");
    const pid_t child = ::fork();
    if (child == 0) {
        uni::stop_cleanup_list list;
        list.files = {folder + "/x.db", "", "", ""};
        list.folder = folder;
        (void)uni::register_stop_cleanup(list);
        std::FILE* to_file = std::freopen(said.c_str(), "w", stderr);
        (void)to_file;
        sigset_t both;
        sigemptyset(&both);
        sigaddset(&both, SIGINT);
        sigaddset(&both, SIGTERM);
        ::pthread_sigmask(SIG_BLOCK, &both, nullptr);
        ::raise(SIGTERM);
        ::raise(SIGINT);
        ::pthread_sigmask(SIG_UNBLOCK, &both, nullptr);
        std::_Exit(0);
    }
    const int ended_by = ending_signal(child);
    EXPECT_TRUE(ended_by == SIGINT || ended_by == SIGTERM) << ended_by;
    EXPECT_NE(::access(folder.c_str(), F_OK), 0);
    const std::string text = velk_test::read_file(said);
    EXPECT_EQ(text, std::string("interrupted by ") + (ended_by == SIGINT ? "SIGINT" : "SIGTERM") +
                        ", private copy of the database removed\n");
}

TEST(StopCleanupWrites, PipeAndFileSizeSignalsEndNothing) {
    for (const int number : {SIGPIPE, SIGXFSZ}) {
        const pid_t child = ::fork();
        if (child == 0) {
            uni::ignore_write_failure_signals();
            ::raise(number);
            std::_Exit(0);
        }
        EXPECT_EQ(ending_signal(child), 0) << number;
    }
}

}  // namespace
