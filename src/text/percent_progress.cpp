#include "text/percent_progress.h"

#include <chrono>

#include "text/console_output.h"

namespace {

// Ten updates a second are enough to see a run move; more only flood a log file.
constexpr uint64 min_interval_ms = 100;
constexpr int64 hundredths_done = 10000;
// The figure stays below 100 until finish(): only a finished input shows 100.
constexpr int64 hundredths_before_done = hundredths_done - 1;
// Width of the progress line on the terminal.
constexpr int progress_width = 40;

uint64 steady_milliseconds() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace

percent_progress::percent_progress(bool enabled, clock_fn clock)
    : m_enabled(enabled), m_clock(clock != nullptr ? clock : steady_milliseconds) {}

void percent_progress::add_work(uint64 bytes) {
    m_total = bytes > UINT64_MAX - m_total ? UINT64_MAX : m_total + bytes;
}

void percent_progress::advance(uint64 bytes) {
    m_done = bytes > m_total - m_done ? m_total : m_done + bytes;
    if (!m_enabled || m_finished || m_total == 0) {
        return;
    }
    const double share = static_cast<double>(m_done) / static_cast<double>(m_total);
    auto hundredths = static_cast<int64>(share * static_cast<double>(hundredths_done));
    hundredths = hundredths > hundredths_before_done ? hundredths_before_done : hundredths;
    if (hundredths <= m_shown) {
        return;
    }
    const uint64 now = m_clock();
    if (m_shown >= 0 && now - m_last_draw < min_interval_ms) {
        return;
    }
    m_last_draw = now;
    draw(hundredths);
}

void percent_progress::finish() {
    if (!m_enabled || m_finished) {
        return;
    }
    m_finished = true;
    if (m_total == 0) {
        return;
    }
    draw(hundredths_done);
    clear_status_line();
}

void percent_progress::draw(int64 hundredths) {
    m_shown = hundredths;
    (void)print_status_width(progress_width, "percent done: %4.2f",
                             static_cast<double>(hundredths) / 100.0);
}
