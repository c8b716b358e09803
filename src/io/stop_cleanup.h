#pragma once
// Files that must not outlive the process: removed by the handler of every signal that would
// end it and that a process can catch (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2,
// SIGALRM, SIGXCPU, SIGVTALRM, SIGPROF, the real-time signals, and the faults SIGSEGV,
// SIGBUS, SIGABRT, ...), before the signal ends it: an examiner's Ctrl-C, a killed batch job,
// a closed terminal, a CPU limit, a crash. SIGPIPE and SIGXFSZ end nothing: the run ignores
// them (ignore_write_failure_signals), so a write into a closed pipe or past the file-size
// limit fails as a write (EPIPE, EFBIG) and its writer says so.
//
// A signal handler may only do async-signal-safe work, so everything it needs is prepared
// beforehand: a list holds the full names of the files and of their folder, and the
// handler only reads them, unlinks the files, removes the folder, writes one line on
// standard error and raises the signal again with its default action, so that the process
// ends as the signal would have ended it (a non-zero status). While it runs, every other
// of these signals is held back, and one that comes after it is passed over: the line is
// written once and the process ends by the first signal. A signal that was ignored or had
// a handler of its own when the first list was registered (a run under nohup, a sanitizer's
// fault handler) is left as it was.

#include <signal.h>

#include <array>
#include <string>

#include "text/kq_types.h"

namespace uni {

// The files to remove and the folder they lie in (removed after them, when empty).
struct stop_cleanup_list {
    static constexpr std::size_t max_files = 4;
    std::array<std::string, max_files> files;  // empty names are passed over
    std::string folder;                        // empty: none
};

// Registers a list that stays unchanged and alive until unregister_stop_cleanup; installs
// the handlers on the first call. The slot to unregister with, or -1 when every slot is
// taken (the list is then removed only by its owner).
[[nodiscard]] int register_stop_cleanup(const stop_cleanup_list& list);
// The handler no longer looks at the slot's list; -1 does nothing.
void unregister_stop_cleanup(int slot);

// Sets SIGPIPE and SIGXFSZ to be ignored for the whole process: a write into a closed pipe
// then fails with EPIPE and one past the file-size limit with EFBIG, where the signals would
// have ended the process at once, silently and with the private copy still on disk.
void ignore_write_failure_signals();

// Holds the signals sent from outside (every handled one but the faults, which a blocked
// mask cannot hold back) for its lifetime (for this thread), so that a folder made and
// registered within it is never left between the two steps; a signal that arrives
// meanwhile is delivered when it ends.
class stop_signals_held {
public:
    stop_signals_held();
    ~stop_signals_held();
    stop_signals_held(const stop_signals_held&) = delete;
    stop_signals_held& operator=(const stop_signals_held&) = delete;

private:
    bool m_held = false;
    sigset_t m_saved{};  // the thread's earlier signal mask
};

}  // namespace uni
