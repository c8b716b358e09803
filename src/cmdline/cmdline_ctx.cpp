#include "cmdline/cmdline_ctx.h"

#include <cstdio>
#include <sstream>

#include "io/uni_fileio.h"
#include "text/console_output.h"
#include "time/ntp_clock.h"

cmdline_ctx::cmdline_ctx() { clear(); }

cmdline_ctx::~cmdline_ctx() {
    (void)finish();  // a caller that wants the result has called it already
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
    m_signal_text.clear();
    m_completion = nullptr;
}

void cmdline_ctx::init(const cmd_params& options, signal_callback callback) {
    if (options.m_status_output) {
        m_status_line = true;  // never set back: a later init cannot cancel the clearing
    }
    if (options.m_diag_on && options.m_diag_stream && options.m_diag_stream->good()) {
        m_diag_path = options.m_diag_path;
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
    // The options record has closed its stream by now. The file is opened without creating
    // or truncating it: a file that vanished meanwhile gets nothing; the result says so.
    uni::fileio file;
    if (!file.open(m_diag_path, true, false, false)) {
        return false;
    }
    const bool appended = file.append_stream(text);  // no line break after the time, by design
    return file.close() && appended;
}
