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

// Sets (or, with a null value, removes) an environment variable for one scope.
class scoped_env {
public:
    scoped_env(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name); old != nullptr) {
            m_saved = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~scoped_env() {
        if (m_saved) {
            setenv(m_name.c_str(), m_saved->c_str(), 1);
        } else {
            unsetenv(m_name.c_str());
        }
    }
    scoped_env(const scoped_env&) = delete;
    scoped_env& operator=(const scoped_env&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_saved;
};

// TZ for one scope; POSIX zone strings ("UTC0", "IST-5:30") need no tzdata.
class scoped_tz {
public:
    explicit scoped_tz(const char* zone) {
        m_env.emplace("TZ", zone);
        tzset();
    }
    ~scoped_tz() {
        m_env.reset();  // restores TZ before the library re-reads it
        tzset();
    }
    scoped_tz(const scoped_tz&) = delete;
    scoped_tz& operator=(const scoped_tz&) = delete;

private:
    std::optional<scoped_env> m_env;
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
