#include "text/extras/markup_wide_text.h"

#include <cstring>
#include <new>
#include <string_view>

#include "text/html_tokens.h"
#include "text/text_escape.h"

namespace {

// Shorter buffers are never taken for XML: the declaration alone needs more.
constexpr uint32 xml_min_bytes = 16;
constexpr std::string_view xml_declaration = "<?xml ve";
constexpr std::string_view comment_open = "<!--";
constexpr std::string_view comment_close = "-->";

// Each unit widened to one character; the units are copied out, so any alignment will do.
bool widen_units(const uint16* units, uint32 byte_count, std::wstring& out) {
    const uint32 count = byte_count / 2;
    try {
        std::vector<uint16> copied(count);
        if (count > 0) {
            std::memcpy(copied.data(), units, count * sizeof(uint16));
        }
        out.assign(copied.begin(), copied.end());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

std::vector<std::wstring> widen_list(const std::vector<std::string>& texts) {
    std::vector<std::wstring> wide;
    for (const std::string& text : texts) {
        wide.emplace_back(text.begin(), text.end());
    }
    return wide;
}

bool begins_at(std::string_view text, std::size_t pos, std::string_view word) {
    return pos <= text.size() && text.substr(pos).starts_with(word);
}

}  // namespace

bool split_markup_utf16(const uint16* units, uint32 byte_count, std::vector<std::wstring>& list) {
    std::wstring text;
    if (units != nullptr && widen_units(units, byte_count, text)) {
        (void)split_markup_items(std::wstring_view(text), list, false);  // result is the list
    }
    return !list.empty();
}

bool normalize_tags_w(std::vector<std::wstring>& list) { return normalize_markup_items(list); }

std::wstring html_escape_w(const std::wstring& text) {
    // The entity table is ASCII, so widening it byte by byte is exact.
    static const std::vector<std::wstring> matches = widen_list(html_entity_matches());
    static const std::vector<std::wstring> replacements = widen_list(html_entity_replacements());
    std::wstring escaped;
    if (text.size() > static_cast<std::size_t>(INT32_MAX) ||
        !wescape_by_table(text.data(), static_cast<int>(text.size()), matches, replacements,
                          escaped, true, true)) {
        return text;
    }
    return escaped;
}

bool looks_like_xml(const uint8* data, uint32 count) {
    if (data == nullptr || count < xml_min_bytes) {
        return false;
    }
    std::string text(count, '\0');
    std::memcpy(text.data(), data, count);
    if (text.starts_with(xml_declaration)) {
        return true;
    }
    if (!text.starts_with(comment_open)) {
        return false;
    }
    // Comments may precede the declaration; anything but line feeds between a comment's end
    // and the next comment or the declaration sends the scan on to the next comment end.
    std::size_t pos = 0;
    while ((pos = text.find(comment_close, pos)) != std::string::npos) {
        pos += comment_close.size();
        while (pos < text.size() && text[pos] == '\n') {
            ++pos;
        }
        if (begins_at(text, pos, xml_declaration)) {
            return true;
        }
        if (begins_at(text, pos, comment_open)) {
            pos += comment_open.size();
        }
    }
    return false;
}
