#pragma once
// Standard error on a pseudo-terminal for the life of the object, to see what a person at a
// terminal sees: the console writers send erase sequences and carriage returns only there.
// The terminal is raw, so the bytes arrive as written (no LF to CR LF translation).

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

class terminal_capture {
public:
    terminal_capture() {
        std::fflush(stderr);
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
            return;
        }
        const int terminal = open(ptsname(m_master), O_RDWR | O_NOCTTY);
        if (terminal < 0) {
            return;
        }
        termios mode{};
        if (tcgetattr(terminal, &mode) == 0) {
            cfmakeraw(&mode);
            (void)tcsetattr(terminal, TCSANOW, &mode);
        }
        m_saved = dup(STDERR_FILENO);
        m_ready = m_saved >= 0 && dup2(terminal, STDERR_FILENO) == STDERR_FILENO;
        close(terminal);
    }
    terminal_capture(const terminal_capture&) = delete;
    terminal_capture& operator=(const terminal_capture&) = delete;
    ~terminal_capture() {
        restore();
        if (m_master >= 0) {
            close(m_master);
        }
    }

    [[nodiscard]] bool ready() const { return m_ready; }

    // Everything written so far; standard error goes back to where it was.
    std::string take() {
        restore();
        std::string text;
        char buffer[4096];
        pollfd wait{m_master, POLLIN, 0};
        while (m_master >= 0 && poll(&wait, 1, 50) > 0 && (wait.revents & POLLIN) != 0) {
            const ssize_t got = read(m_master, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            text.append(buffer, static_cast<std::size_t>(got));
        }
        return text;
    }

private:
    void restore() {
        if (m_saved < 0) {
            return;
        }
        std::fflush(stderr);
        (void)dup2(m_saved, STDERR_FILENO);
        close(m_saved);
        m_saved = -1;
    }

    int m_master = -1;
    int m_saved = -1;
    bool m_ready = false;
};
