#include "io/stop_cleanup.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace uni {
namespace {

struct named_signal {
    int number;
    const char* name;
};

// The signals sent from outside whose default action ends the process: an examiner's
// Ctrl-C or Ctrl-\, kill, a closed terminal, timers and CPU limits, user signals.
constexpr std::array<named_signal, 13> sent_signals = {{
    {SIGHUP, "SIGHUP"},
    {SIGINT, "SIGINT"},
    {SIGQUIT, "SIGQUIT"},
    {SIGUSR1, "SIGUSR1"},
    {SIGUSR2, "SIGUSR2"},
    {SIGALRM, "SIGALRM"},
    {SIGTERM, "SIGTERM"},
    {SIGSTKFLT, "SIGSTKFLT"},
    {SIGIO, "SIGIO"},
    {SIGXCPU, "SIGXCPU"},
    {SIGVTALRM, "SIGVTALRM"},
    {SIGPROF, "SIGPROF"},
    {SIGPWR, "SIGPWR"},
}};

// The faults: raised by the process itself (a crash, a failed assertion), so they cannot
// be held back by a signal mask, but their handler still removes the copy.
constexpr std::array<named_signal, 7> fault_signals = {{
    {SIGILL, "SIGILL"},
    {SIGTRAP, "SIGTRAP"},
    {SIGABRT, "SIGABRT"},
    {SIGBUS, "SIGBUS"},
    {SIGFPE, "SIGFPE"},
    {SIGSEGV, "SIGSEGV"},
    {SIGSYS, "SIGSYS"},
}};

// Lists live at once: one private copy per input is all a run makes; tests make a few.
constexpr std::size_t slot_count = 8;

// Pointers are lock-free on every platform the tool builds on, so the handler may read
// them; a torn read could unlink a half-written list.
std::array<std::atomic<const stop_cleanup_list*>, slot_count> g_slots{};
static_assert(std::atomic<const stop_cleanup_list*>::is_always_lock_free);

// Set by the first handler that runs: a later one passes over, as the first has removed
// the files and said so, and its own signal, raised again, ends the process.
std::atomic<int> g_stopping{0};
static_assert(std::atomic<int>::is_always_lock_free);

// The first real-time signal, read before any handler is installed: the library's answer
// is a function call, kept out of the handler.
int g_first_realtime = 0;

void write_error(const char* text) {
    // The handler cannot report a failed write anywhere: the result is dropped on purpose.
    const ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

template <std::size_t count>
const char* name_in(const std::array<named_signal, count>& table, int signal_number) {
    for (const named_signal& entry : table) {
        if (entry.number == signal_number) {
            return entry.name;
        }
    }
    return nullptr;
}

// The signal's name, written piece by piece: "SIGRTMIN+3" is built without formatting.
void write_signal_name(int signal_number) {
    const char* name = name_in(sent_signals, signal_number);
    if (name == nullptr) {
        name = name_in(fault_signals, signal_number);
    }
    if (name != nullptr) {
        write_error(name);
        return;
    }
    write_error("SIGRTMIN+");
    std::array<char, 12> digits{};
    std::size_t at = digits.size() - 1;  // the last byte stays the terminating 0
    int rest = signal_number - g_first_realtime;
    do {
        digits[--at] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest > 0 && at > 0);
    write_error(&digits[at]);
}

// Unlinks the listed files and removes their folder; true when a list was there.
bool remove_listed() {
    bool any = false;
    for (const auto& slot : g_slots) {
        const stop_cleanup_list* list = slot.load();
        if (list == nullptr) {
            continue;
        }
        any = true;
        for (const std::string& file : list->files) {
            if (!file.empty()) {
                (void)::unlink(file.c_str());
            }
        }
        if (!list->folder.empty()) {
            (void)::rmdir(list->folder.c_str());
        }
    }
    return any;
}

// Only async-signal-safe calls: unlink, rmdir, write, raise. The action was reset to the
// default on entry (SA_RESETHAND), and every handled signal is held while the handler
// runs, so the raise ends the process as the signal would have, once the handler returns.
extern "C" void on_stop_signal(int signal_number) {
    const int saved_errno = errno;
    if (g_stopping.exchange(1) == 0) {
        const bool removed = remove_listed();
        write_error("interrupted by ");
        write_signal_name(signal_number);
        write_error(removed ? ", private copy of the database removed\n" : "\n");
        (void)::raise(signal_number);
    }
    errno = saved_errno;
}

// Every signal the handler takes: the sent ones, the faults and the real-time ones.
template <typename visit>
void for_each_stop_signal(visit&& each) {
    for (const named_signal& entry : sent_signals) {
        each(entry.number);
    }
    for (const named_signal& entry : fault_signals) {
        each(entry.number);
    }
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) {
        each(number);
    }
}

sigset_t all_stop_signals() {
    sigset_t set;
    sigemptyset(&set);
    for_each_stop_signal([&set](int number) { sigaddset(&set, number); });
    return set;
}

void install_handlers() {
    g_first_realtime = SIGRTMIN;
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    // The others wait while one is handled: a second signal must not interleave a second
    // line with the first or end the process before the files are gone.
    action.sa_mask = all_stop_signals();
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    for_each_stop_signal([&action](int number) {
        struct sigaction earlier {};
        if (::sigaction(number, nullptr, &earlier) != 0 || earlier.sa_handler != SIG_DFL ||
            (earlier.sa_flags & SA_SIGINFO) != 0) {
            return;  // ignored (nohup) or handled by someone else: left as it is
        }
        (void)::sigaction(number, &action, nullptr);
    });
}

}  // namespace

int register_stop_cleanup(const stop_cleanup_list& list) {
    static std::once_flag installed;
    std::call_once(installed, install_handlers);
    for (std::size_t i = 0; i < g_slots.size(); ++i) {
        const stop_cleanup_list* empty = nullptr;
        if (g_slots[i].compare_exchange_strong(empty, &list)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void unregister_stop_cleanup(int slot) {
    if (slot >= 0 && static_cast<std::size_t>(slot) < g_slots.size()) {
        g_slots[static_cast<std::size_t>(slot)].store(nullptr);
    }
}

void ignore_write_failure_signals() {
    for (const int number : {SIGPIPE, SIGXFSZ}) {
        struct sigaction action {};
        action.sa_handler = SIG_IGN;
        sigemptyset(&action.sa_mask);
        (void)::sigaction(number, &action, nullptr);
    }
}

stop_signals_held::stop_signals_held() {
    sigset_t held = all_stop_signals();
    for (const named_signal& fault : fault_signals) {
        sigdelset(&held, fault.number);
    }
    m_held = ::pthread_sigmask(SIG_BLOCK, &held, &m_saved) == 0;
}

stop_signals_held::~stop_signals_held() {
    if (m_held) {
        (void)::pthread_sigmask(SIG_SETMASK, &m_saved, nullptr);
    }
}

}  // namespace uni
