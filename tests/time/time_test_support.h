#pragma once
// Helpers shared by the time tests: a scoped TZ setting (POSIX zone strings need no tzdata)
// and a plain text of a moment's UTC breakdown built without the library's formatters.

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "time/kq_time.h"

namespace time_test {

class scoped_tz {
public:
    explicit scoped_tz(const char* zone) {
        if (const char* old = std::getenv("TZ"); old != nullptr) {
            m_saved = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~scoped_tz() {
        if (m_saved) {
            setenv("TZ", m_saved->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    scoped_tz(const scoped_tz&) = delete;
    scoped_tz& operator=(const scoped_tz&) = delete;

private:
    std::optional<std::string> m_saved;
};

// "yyyy-mm-dd hh:mm:ss.mmm" of the UTC breakdown, or "invalid".
inline std::string utc_text(const kq::time& t) {
    if (!t.is_valid) {
        return "invalid";
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.utc.year,
                  t.utc.month, t.utc.day, t.utc.hour, t.utc.minute, t.utc.second,
                  t.utc.millisecond);
    return buffer;
}

}  // namespace time_test
