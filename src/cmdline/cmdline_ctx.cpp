#include "cmdline/cmdline_ctx.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "text/console_output.h"
#include "time/ntp_clock.h"

cmdline_ctx::cmdline_ctx() { clear(); }

cmdline_ctx::~cmdline_ctx() {
    (void)finish();  // a caller that wants the result has called it already
    close_diag_descriptor();
}

void cmdline_ctx::close_diag_descriptor() {
    if (m_diag_fd != -1) {
        (void)::close(m_diag_fd);  // only appended to, and checked, by report_elapsed
        m_diag_fd = -1;
    }
}

bool cmdline_ctx::finish() {
    if (m_finished) {
        return true;
    }
    m_finished = true;
    if (m_status_line) {
        clear_status_line();
    }
    const bool reported = !timed() || report_elapsed();
    close_diag_descriptor();
    if (m_completion != nullptr && !m_signal_text.empty()) {
        (void)m_completion(&m_signal_text);  // what the callback makes of it is its own affair
    }
    return reported;
}

void cmdline_ctx::clear() {
    m_status_line = false;
    m_start = kq::ntp_time();
    m_profile = false;
    m_diag_path.clear();
    close_diag_descriptor();
    m_signal_text.clear();
    m_completion = nullptr;
}

void cmdline_ctx::init(const cmd_params& options, signal_callback callback) {
    if (options.m_status_output) {
        m_status_line = true;  // never set back: a later init cannot cancel the clearing
    }
    if (options.m_diag_on && options.m_diag_stream && options.m_diag_stream->good()) {
        close_diag_descriptor();
        m_diag_fd = ::fcntl(options.m_diag_stream->descriptor(), F_DUPFD_CLOEXEC, 0);
        if (m_diag_fd != -1) {
            m_diag_path = options.m_diag_path;
        }
    }
    m_profile = options.m_profile;
    if (m_profile || !m_diag_path.empty()) {
        uint64 stamp = 0;
        m_start = kq::get_ntp_now(stamp);
    }
    if (callback != nullptr && !options.m_signal_text.empty()) {
        m_completion = callback;
        m_signal_text = options.m_signal_text;
    }
}

bool cmdline_ctx::timed() const { return m_start.seconds != 0 || m_start.fraction != 0; }

// "->" + seconds + " secs": both stamps are whole seconds, so the stream's default form
// prints a whole number ("->3 secs").
bool cmdline_ctx::report_elapsed() const {
    const double elapsed = kq::ntp_seconds_between(m_start, kq::ntp_now());
    std::ostringstream text;
    text << "->" << elapsed << " secs";
    if (m_profile) {
        std::fprintf(stderr, "%s\n", text.str().c_str());
    }
    if (m_diag_path.empty()) {
        return true;
    }
    // The options record has closed its stream by now; this descriptor appends to the same
    // file. A file that vanished meanwhile (no name left) gets nothing; the result says so.
    struct stat64 info {};
    if (m_diag_fd == -1 || ::fstat64(m_diag_fd, &info) != 0 || info.st_nlink == 0) {
        return false;
    }
    const std::string line = text.str();  // no line break after the time, by design
    return ::write(m_diag_fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}
