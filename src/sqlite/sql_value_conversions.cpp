#include "sqlite/sql_value_conversions.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <span>
#include <sstream>
#include <string_view>
#include <vector>

#include "text/hex_text.h"
#include "text/number_text.h"
#include "text/utf16_text.h"

namespace {

constexpr char carriage_return = '\r';
constexpr char line_feed = '\n';
constexpr char tab = '\t';
constexpr char blank = ' ';
constexpr uint8 first_printable = 0x20;
// The byte count of a GUID: blobs of exactly this size are shown as identifiers.
constexpr std::size_t guid_size = 16;
// The short hex preview of a NUL-terminated text takes its length from its first byte
// when that is a plausible small count, else this many bytes.
constexpr uint8 preview_max_count = 8;
constexpr std::size_t preview_default_count = 6;
constexpr int terminated_text_count = -1;

bool is_line_break(uint8 b) { return b == carriage_return || b == line_feed; }

// Bytes before the first NUL among the first `limit`; a byte is read only when every byte
// before it was not a NUL, so nothing past the terminator is touched.
std::size_t terminated_length(const uint8* data, std::size_t limit) {
    const std::span<const uint8> probe(data, limit);
    for (std::size_t i = 0; i < limit; ++i) {
        if (probe[i] == 0) {
            return i;
        }
    }
    return limit;
}

std::string guid_text_of(const void* data) {
    guid16 id;
    guid_copy(id, data);
    return guid_to_string(id);
}

// The UTF-16LE reading of text_from_chars: the units are assembled byte by byte (the text
// need not be aligned), with a NUL unit after them so the decoder always finds an end.
void utf16_bytes_to_text(std::string& out, std::span<const char> bytes) {
    std::vector<uint16_t> units(bytes.size() / 2 + 1, 0);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto low = static_cast<uint8>(bytes[i]);
        const auto high = static_cast<uint8>(bytes[i + 1]);
        units[i / 2] = static_cast<uint16_t>(low | (high << 8));
    }
    (void)utf16_to_string(units.data(), out, static_cast<int>(bytes.size()), true);  // the count
}

}  // namespace

std::string& assign_cstr(std::string& out, const char* text) {
    out.clear();
    if (text != nullptr) {
        out = text;
    }
    return out;
}

std::string& assign_string(std::string& out, const std::string& text) {
    out = text;
    return out;
}

// The parsers zero their output before they look at the text, so a refused text reads 0.
uint64& uint64_from_text(uint64& out, const char* text) {
    (void)parse_uint64(text, &out);
    return out;
}

int64& int64_from_text(int64& out, const char* text) {
    (void)cstr_to_int64(text, &out);
    return out;
}

int32& int32_from_text(int32& out, const char* text) {
    (void)parse_int_text(text, &out);
    return out;
}

uint8& uint8_from_text(uint8& out, const char* text) {
    uint32 value = 0;
    (void)parse_uint32(text, &value);
    out = static_cast<uint8>(value);  // the low byte
    return out;
}

uint64& uint64_from_string(uint64& out, const std::string& text) {
    (void)string_to_uint64(text, &out);
    return out;
}

int32& int32_from_string(int32& out, const std::string& text) {
    (void)string_to_int(text, &out);
    return out;
}

double& double_from_string(double& out, const std::string& text) {
    out = text.empty() ? 0.0 : std::strtod(text.c_str(), nullptr);
    return out;
}

guid16& guid_from_bytes(guid16& out, const char* data) {
    guid_clear(out);
    guid_copy(out, data);  // a null source leaves the cleared identifier
    return out;
}

guid16& guid_from_string(guid16& out, const std::string& text) {
    guid_clear(out);
    if (text.size() >= guid_size) {
        guid_copy(out, text.data());
    }
    return out;
}

byte_array& bytes_from_text(byte_array& out, const char* text) {
    out.clear();
    if (text != nullptr) {
        const std::string_view view(text);
        out.assign(view.begin(), view.end());
    }
    return out;
}

byte_array& bytes_from_string(byte_array& out, const std::string& text) {
    out.assign(text.begin(), text.end());
    return out;
}

std::string& text_from_chars(std::string& out, const char* text, int length, bool maybe_utf16) {
    out.clear();
    if (text == nullptr) {
        return out;
    }
    if (!maybe_utf16) {
        out = text;
        return out;
    }
    if (length <= 0) {
        return out;
    }
    const std::span<const char> bytes(text, static_cast<std::size_t>(length));
    if (bytes[0] == '\0') {
        return out;  // an empty text, whatever length the caller gave
    }
    if (bytes.size() > 2 && bytes[1] == '\0') {
        utf16_bytes_to_text(out, bytes);
        return out;
    }
    for (const char c : bytes) {
        if (c == '\0') {
            break;
        }
        out.push_back(c);
    }
    return out;
}

namespace {

// The control bytes text_from_bytes acts on, as bits of a mask over the byte values 0 to 13:
// a zero byte stops the copy, line breaks and tabs are dropped.
uint32 dropped_controls(bool drop_line_breaks, bool drop_blanks, bool stop_at_nul) {
    uint32 mask = stop_at_nul ? 1U : 0U;
    if (drop_line_breaks) {
        mask |= (1U << carriage_return) | (1U << line_feed);
    }
    if (drop_blanks) {
        mask |= 1U << tab;
    }
    return mask;
}

// The first offset from `at` whose 8-byte word holds a control byte (below 14), or whose
// word would reach past the end: text is passed over a word at a time, and the byte loop
// only looks at the word where a control byte may sit.
std::size_t skip_plain_words(std::span<const uint8> bytes, std::size_t at) {
    constexpr uint64 ones = 0x0101010101010101ULL;
    constexpr uint64 highs = 0x8080808080808080ULL;
    constexpr uint64 first_plain = carriage_return + 1;
    while (bytes.size() - at >= sizeof(uint64)) {
        uint64 word = 0;
        std::memcpy(&word, bytes.subspan(at, sizeof(uint64)).data(), sizeof(uint64));
        // Non-zero exactly when some byte of the word is below first_plain (all of them
        // below 128, so the subtraction's borrows cannot make a false mark).
        if (((word - ones * first_plain) & ~word & highs) != 0) {
            break;
        }
        at += sizeof(uint64);
    }
    return at;
}

// The first offset from `at` holding a byte of `controls`, or the end.
std::size_t next_control(std::span<const uint8> bytes, std::size_t at, uint32 controls) {
    const auto acted_on = [controls](uint8 b) {
        return b <= carriage_return && ((controls >> b) & 1U) != 0;
    };
    while (at < bytes.size()) {
        at = skip_plain_words(bytes, at);
        const std::size_t word_end = std::min(bytes.size(), at + sizeof(uint64));
        while (at < word_end && !acted_on(bytes[at])) {
            ++at;
        }
        if (at < word_end) {
            return at;
        }
    }
    return at;
}

}  // namespace

std::string& text_from_bytes(std::string& out, bool* stopped, const uint8* data, int length,
                             bool drop_line_breaks, bool drop_blanks, bool stop_at_nul) {
    out.clear();
    if (stopped != nullptr) {
        *stopped = false;
    }
    if (data == nullptr || length <= 0) {
        return out;
    }
    const std::span<const uint8> bytes(data, static_cast<std::size_t>(length));
    // Payloads run to megabytes: copied in runs of kept bytes into one allocation, not byte
    // by byte.
    out.reserve(bytes.size());
    const uint32 controls = dropped_controls(drop_line_breaks, drop_blanks, stop_at_nul);
    bool after_break = false;
    std::size_t at = 0;
    while (at < bytes.size()) {
        // The indent of a line after a dropped break goes with the break.
        while (after_break && drop_blanks && at < bytes.size() &&
               (bytes[at] == blank || bytes[at] == tab)) {
            ++at;
        }
        const std::size_t end = next_control(bytes, at, controls);
        const std::span<const uint8> run = bytes.subspan(at, end - at);
        out.append(reinterpret_cast<const char*>(run.data()),  // NOLINT(*-reinterpret-cast)
                   run.size());
        after_break = after_break && run.empty();
        if (end == bytes.size()) {
            break;
        }
        at = end + 1;
        if (bytes[end] == 0) {
            if (stopped != nullptr) {
                *stopped = true;
            }
            break;
        }
        after_break = after_break || is_line_break(bytes[end]);  // a tab leaves it as it is
    }
    return out;
}

std::string& blob_to_text(std::string& out, bool* stopped, const uint8* data, int length) {
    out.clear();
    if (stopped != nullptr) {
        *stopped = false;
    }
    if (data == nullptr || length <= 0) {
        return out;
    }
    const std::span<const uint8> bytes(data, static_cast<std::size_t>(length));
    if (bytes.size() == guid_size) {
        out = guid_text_of(data);
        return out;
    }
    bool after_break = false;
    for (const uint8 b : bytes) {
        if (b == 0) {
            if (stopped != nullptr) {
                *stopped = true;
            }
            break;
        }
        if (b == tab || (b == blank && after_break)) {
            continue;
        }
        if (is_line_break(b)) {
            after_break = true;
            continue;
        }
        if (b < first_printable) {
            // Binary data, not text: shown whole in hex so no byte is hidden.
            (void)bytes_to_hex_text(out, data, bytes.size(), "-", false);  // data is not empty
            return out;
        }
        out.push_back(static_cast<char>(b));
        after_break = false;
    }
    return out;
}

namespace {

std::string display_bytes(std::span<const uint8> bytes, bool hex, bool* has_nul) {
    std::ostringstream text;
    text << std::hex << std::setfill('0');
    for (const uint8 b : bytes) {
        if (b == 0 && has_nul != nullptr) {
            *has_nul = true;
        }
        if (hex) {
            text << std::setw(2) << static_cast<unsigned>(b) << blank;
        } else if (b >= first_printable) {
            text << static_cast<char>(b);
        } else {
            text << "\\x" << std::setw(2) << static_cast<unsigned>(b);
        }
    }
    std::string out = text.str();
    if (hex && !out.empty()) {
        out.pop_back();  // the blank after the last pair
    }
    return out;
}

}  // namespace

std::string& blob_to_display_text(std::string& out, bool* has_nul, const uint8* data, int count,
                                  bool hex) {
    out.clear();
    if (has_nul != nullptr) {
        *has_nul = false;
    }
    if (data == nullptr || count == 0 || count < terminated_text_count) {
        return out;
    }
    if (count == terminated_text_count) {
        const std::size_t first_length = terminated_length(data, 1);
        if (first_length == 0) {
            return out;
        }
        const uint8 first = *data;
        const std::size_t wanted =
            first >= 1 && first <= preview_max_count ? first : preview_default_count;
        const std::size_t length = terminated_length(data, wanted);
        out = display_bytes(std::span<const uint8>(data, length), true, has_nul) + "...";
        return out;
    }
    const auto length = static_cast<std::size_t>(count);
    if (length == guid_size) {
        out = guid_text_of(data);
        return out;
    }
    out = display_bytes(std::span<const uint8>(data, length), hex, has_nul);
    return out;
}
