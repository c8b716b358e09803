#pragma once
// The target of the dump printers: a switch and a stream. A context that is off, or has no
// stream, swallows every dump line, so callers can dump unconditionally.

#include <ostream>

struct output_context {
    bool m_enabled = false;
    std::ostream* m_stream = nullptr;

    [[nodiscard]] bool enabled() const { return m_enabled && m_stream != nullptr; }

    // Writes the text and a line end when the context is enabled; a null text writes nothing.
    void write_line(const char* text) const {
        if (enabled() && text != nullptr) {
            *m_stream << text << std::endl;
        }
    }
};
