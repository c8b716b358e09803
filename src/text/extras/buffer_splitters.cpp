#include "text/extras/buffer_splitters.h"

#include <climits>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "text/byte_reader.h"
#include "text/text_case.h"

namespace {

void flush_text(std::string& text, bool trim, std::vector<std::string>& list) {
    if (trim) {
        (void)trim_whitespace(text);  // an all-blank text becomes empty
    }
    if (!text.empty()) {
        list.push_back(text);
    }
    text.clear();
}

bool begins_with_nocase(std::string_view line, std::string_view keyword) {
    return line.size() >= keyword.size() && keyword.size() <= INT_MAX &&
           buffer_prefix_equals_nocase(line.data(), keyword.data(),
                                       static_cast<int>(keyword.size()));
}

}  // namespace

int32 split_at_pair(const uint8* data, int32 length, uint16 separator,
                    std::vector<std::string>& list, bool trim) {
    const kq::byte_reader bytes(data, length > 0 ? static_cast<std::size_t>(length) : 0);
    if (data == nullptr || length <= 0) {
        return 0;
    }
    uint16 pair = 0;
    std::string text;
    for (std::size_t at = 0; at < bytes.size();) {
        if (bytes.le16_at(at, pair) && pair == separator) {
            flush_text(text, trim, list);
            at += 2;
            continue;
        }
        uint8 c = 0;
        (void)bytes.u8_at(at, c);  // at < size
        text += static_cast<char>(c);
        ++at;
    }
    flush_text(text, trim, list);
    return length;
}

bool lines_with_keyword(const char* data, int32 length, const char* keyword,
                        std::vector<std::string>& list, bool all) {
    if (data == nullptr || length <= 0 || keyword == nullptr) {
        return false;
    }
    const std::string_view text(data, static_cast<std::size_t>(length) - 1);
    const std::string_view wanted(keyword);
    const bool crlf = text.find("\r\n") != std::string_view::npos ||
                      text.find('\n') == std::string_view::npos;
    const std::string_view line_end = crlf ? "\r\n" : "\n";
    if (text.find(line_end) == std::string_view::npos) {
        return false;
    }
    bool found = false;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find(line_end, at);
        const std::string_view line =
            text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        if (begins_with_nocase(line, wanted)) {
            list.emplace_back(line);
            found = true;
            if (!all) {
                break;
            }
        }
        if (end == std::string_view::npos) {
            break;
        }
        at = end + line_end.size();
    }
    return found;
}
