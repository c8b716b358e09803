#pragma once
// Standard output or standard error redirected into a temporary file for the life of the
// object, to see the exact bytes a console writer sends, control sequences included.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

class std_stream_capture {
public:
    explicit std_stream_capture(int descriptor) : m_descriptor(descriptor) {
        flush_all();
        char name[] = "/tmp/velk-capture-XXXXXX";
        const int file = ::mkstemp(name);
        if (file < 0) {
            return;
        }
        m_path = name;
        m_saved = ::dup(m_descriptor);
        m_ready = m_saved >= 0 && ::dup2(file, m_descriptor) == m_descriptor;
        ::close(file);
    }
    std_stream_capture(const std_stream_capture&) = delete;
    std_stream_capture& operator=(const std_stream_capture&) = delete;
    ~std_stream_capture() {
        restore();
        if (!m_path.empty()) {
            (void)std::remove(m_path.c_str());
        }
    }

    [[nodiscard]] bool ready() const { return m_ready; }

    // Everything written so far; the stream goes back to where it was.
    std::string take() {
        restore();
        std::ifstream in(m_path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    static void flush_all() {
        std::fflush(stdout);
        std::fflush(stderr);
    }
    void restore() {
        if (m_saved < 0) {
            return;
        }
        flush_all();
        (void)::dup2(m_saved, m_descriptor);
        ::close(m_saved);
        m_saved = -1;
    }

    int m_descriptor = -1;
    int m_saved = -1;
    bool m_ready = false;
    std::string m_path;
};
