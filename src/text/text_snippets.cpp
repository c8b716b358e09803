#include "text/text_snippets.h"

#include <cstring>

template <typename Char>
bool erase_stream_tail(std::basic_ostream<Char>& stream, std::basic_stringbuf<Char>* buffer,
                       uint32 n, bool rebuild) {
    if (stream.fail() || stream.bad()) {
        return false;
    }
    const std::streampos at = stream.tellp();
    if (at == std::streampos(-1)) {
        return false;
    }
    const auto written = static_cast<std::streamoff>(at);
    const std::streamoff back = static_cast<std::streamoff>(n);
    stream.seekp(written < back ? 0 : written - back);
    if (!rebuild || buffer == nullptr) {
        return true;
    }
    stream << Char(0);
    const std::basic_string<Char> whole = buffer->str();
    const std::basic_string<Char> kept = whole.substr(0, whole.find(Char(0)));
    buffer->str(std::basic_string<Char>());
    stream << kept;
    return true;
}

template bool erase_stream_tail<char>(std::ostream&, std::stringbuf*, uint32, bool);
template bool erase_stream_tail<wchar_t>(std::wostream&, std::wstringbuf*, uint32, bool);

bool ostream_erase_tail(std::ostringstream& stream, uint32 n, bool rebuild) {
    return erase_stream_tail(stream, stream.rdbuf(), n, rebuild);
}

bool ostream_erase_tail(std::stringstream& stream, uint32 n, bool rebuild) {
    return erase_stream_tail(stream, stream.rdbuf(), n, rebuild);
}

bool extract_between_markers(const char* text, const char* anchor, const char* open,
                             const char* close, std::string& out) {
    out.clear();
    if (text == nullptr || open == nullptr || close == nullptr) {
        return false;
    }
    const char* from = text;
    if (anchor != nullptr) {
        const char* hit = std::strstr(text, anchor);
        if (hit == nullptr) {
            return false;
        }
        from = hit + std::strlen(anchor);  // NOLINT(*-pointer-arithmetic)
    }
    const char* opening = std::strstr(from, open);
    if (opening == nullptr) {
        return false;
    }
    // The taken text starts after the whole opening marker, so a marker of several
    // characters never leaks into the result.
    const char* start = opening + std::strlen(open);  // NOLINT(*-pointer-arithmetic)
    const char* closing = std::strstr(start, close);
    if (closing == nullptr) {
        return false;
    }
    out.assign(start, static_cast<std::size_t>(closing - start));
    return true;
}
