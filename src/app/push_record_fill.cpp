#include "app/push_record_fill.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "sqlite/sql_value_conversions.h"
#include "sqlite/value_code.h"
#include "text/number_text.h"

namespace {

// What a zero byte inside a stored text means. A record cut where its first overflow page
// begins holds its local part and then the four-byte page number of the next page, so a
// text that stops exactly four bytes before the value's end is most likely only missing
// its overflow; any other zero byte means the bytes are not the text they claim to be.
constexpr uint32 overflow_page_number_size = 4;
constexpr const char* overflow_marker = " [overflow page]";
constexpr const char* possible_overflow_marker = " [possible overflow page not parsed]";
constexpr const char* corrupted_marker = " [corrupted data detected]";

// The bytes of the value that may be read: up to the first zero byte within its length.
std::size_t text_extent(const field_value& value) {
    if (value.text == nullptr) {
        return 0;
    }
    const void* zero = std::memchr(value.text, 0, value.length);
    return zero == nullptr ? value.length
                           : static_cast<std::size_t>(static_cast<const char*>(zero) - value.text);
}

uint32 terminated_length(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    return static_cast<uint32>(
        std::min<std::size_t>(std::strlen(text), std::numeric_limits<uint32>::max()));
}

}  // namespace

const std::vector<uint32>& row_lengths(int32 count, const std::vector<const char*>& values,
                                       const std::vector<uint32>& lengths,
                                       std::vector<uint32>& scratch) {
    const std::size_t wanted =
        std::min<std::size_t>(count < 0 ? 0 : static_cast<std::size_t>(count), values.size());
    if (lengths.size() >= wanted) {
        return lengths;
    }
    scratch = lengths;
    for (std::size_t i = scratch.size(); i < wanted; ++i) {
        scratch.push_back(terminated_length(values[i]));
    }
    return scratch;
}

row_cursor::row_cursor(int32 count, const std::vector<const char*>& values,
                       const std::vector<uint32>& lengths, const std::vector<uint32>& codes)
    : m_count(std::min({count < 0 ? std::size_t{0} : static_cast<std::size_t>(count), values.size(),
                        lengths.size()})),
      m_values(values),
      m_lengths(lengths),
      m_codes(codes) {}

field_value row_cursor::take() {
    const std::size_t index = m_next;
    ++m_next;
    field_value value;
    value.text = m_values[index];
    value.length = value.text == nullptr ? 0 : m_lengths[index];
    value.overflow = index < m_codes.size() && (m_codes[index] & value_code::cut_flag) != 0;
    value.kind = index < m_codes.size() ? value_code::kind_of(m_codes[index]) : 0;
    return value;
}

int64 field_int64(const field_value& value) {
    const std::string text = field_text(value);
    uint64 number = 0;
    (void)parse_int64_bits(text.c_str(), &number);  // 0 for an empty text; ids may be negative
    return static_cast<int64>(number);
}

bool field_is_null(const field_value& value) { return text_extent(value) == 0; }

std::string field_text(const field_value& value) {
    if (value.text == nullptr) {
        return {};
    }
    return {value.text, text_extent(value)};
}

std::string field_text_marked(const field_value& value) {
    std::string text = field_text(value);
    if (value.overflow) {
        text += overflow_marker;
    }
    return text;
}

void field_guid(guid16& out, const field_value& value) {
    if (value.text != nullptr && value.length > 15) {
        (void)guid_from_bytes(out, value.text);  // 16 bytes are there
    }
}

std::string field_bytes(const field_value& value) {
    if (value.text == nullptr) {
        return {};
    }
    return {value.text, value.length};
}

std::string field_payload(const field_value& value) {
    std::string text;
    bool stopped = false;
    const uint32 length = std::min<uint32>(value.length, std::numeric_limits<int32>::max());
    // One block for the text and any marker: appending a marker to a block of exactly the
    // text's size would move the text into a block twice as large, and carved payloads
    // often take one.
    text.reserve(std::size_t{length} + std::strlen(possible_overflow_marker));
    (void)text_from_bytes(text, &stopped,
                          reinterpret_cast<const uint8*>(value.text),  // NOLINT(*-reinterpret-cast)
                          static_cast<int>(length), true, true, true);
    if (value.overflow) {
        text += overflow_marker;
    } else if (stopped) {
        text += text.size() + overflow_page_number_size == value.length ? possible_overflow_marker
                                                                        : corrupted_marker;
    }
    return text;
}
