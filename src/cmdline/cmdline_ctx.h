#pragma once
// cmdline_ctx: the run context. main creates it before anything else and destroys it last;
// once the options are parsed it remembers what the end of the run owes: clearing the
// status line, the elapsed time ("-profile" on standard error, and appended to the "-diags"
// file) and the "-signal" text handed to a completion callback. All of that happens in
// finish, or in the destructor when nobody called it, after the options record has closed
// the diagnostics file.

#include <string>

#include "cmdline/cmd_params.h"
#include "text/kq_types.h"
#include "time/ntp_time.h"

// Completion callback: receives the signal text; its result is ignored.
using signal_callback = int32 (*)(const std::string* text);

class cmdline_ctx {
public:
    cmdline_ctx();
    virtual ~cmdline_ctx();
    cmdline_ctx(const cmdline_ctx&) = delete;
    cmdline_ctx& operator=(const cmdline_ctx&) = delete;

    // Nothing owed: no status line, no timing, no callback.
    void clear();
    // Takes what the end of the run needs from parsed options; timing starts here when
    // "-profile" was given or the diagnostics file is open.
    void init(const cmd_params& options, signal_callback callback);

    // Whether a start stamp was taken.
    [[nodiscard]] bool timed() const;

    // The end-of-run steps, once. False when the elapsed time could not be added to the
    // diagnostics file (gone, or a failed write): the run's diagnostics are then incomplete.
    [[nodiscard]] bool finish();

    bool m_status_line = false;  // clear the status line at the end
    kq::ntp_time m_start;        // whole seconds; the zero stamp: not timed
    bool m_profile = false;      // "-profile"
    std::string m_diag_path;     // the open diagnostics file, for messages
    std::string m_signal_text;   // "-signal"
    signal_callback m_completion = nullptr;

private:
    [[nodiscard]] bool report_elapsed() const;
    void close_diag_descriptor();

    bool m_finished = false;
    // A descriptor of the diagnostics file, taken from the open stream: the end of the run
    // writes to the file the checks passed, never to whatever its name reaches by then.
    int m_diag_fd = -1;
};
