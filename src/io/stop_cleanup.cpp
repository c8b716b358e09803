#include "io/stop_cleanup.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace uni {
namespace {

// The signals that stop a run from outside: an examiner's Ctrl-C, kill, a closed terminal.
constexpr std::array<int, 3> stop_signals = {SIGINT, SIGTERM, SIGHUP};

// Lists live at once: one private copy per input is all a run makes; tests make a few.
constexpr std::size_t slot_count = 8;

// Pointers are lock-free on every platform the tool builds on, so the handler may read
// them; a torn read could unlink a half-written list.
std::array<std::atomic<const stop_cleanup_list*>, slot_count> g_slots{};
static_assert(std::atomic<const stop_cleanup_list*>::is_always_lock_free);

void write_error(const char* text) {
    // The handler cannot report a failed write anywhere: the result is dropped on purpose.
    const ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

const char* signal_name(int signal_number) {
    switch (signal_number) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        default:
            return "SIGHUP";
    }
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

// Only async-signal-safe calls: unlink, rmdir, write, sigaction, raise. The action was
// reset to the default on entry (SA_RESETHAND), and the signal is held while the handler
// runs, so the raise ends the process as the signal would have, once the handler returns.
extern "C" void on_stop_signal(int signal_number) {
    const int saved_errno = errno;
    const bool removed = remove_listed();
    write_error("interrupted by ");
    write_error(signal_name(signal_number));
    write_error(removed ? ", private copy of the database removed\n" : "\n");
    (void)::raise(signal_number);
    errno = saved_errno;
}

void install_handlers() {
    for (const int signal_number : stop_signals) {
        struct sigaction earlier {};
        if (::sigaction(signal_number, nullptr, &earlier) != 0 || earlier.sa_handler != SIG_DFL) {
            continue;  // ignored (nohup) or handled by someone else: left as it is
        }
        struct sigaction action {};
        action.sa_handler = on_stop_signal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = static_cast<int>(SA_RESETHAND);
        (void)::sigaction(signal_number, &action, nullptr);
    }
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

stop_signals_held::stop_signals_held() {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal_number : stop_signals) {
        sigaddset(&held, signal_number);
    }
    m_held = ::pthread_sigmask(SIG_BLOCK, &held, &m_saved) == 0;
}

stop_signals_held::~stop_signals_held() {
    if (m_held) {
        (void)::pthread_sigmask(SIG_SETMASK, &m_saved, nullptr);
    }
}

}  // namespace uni
