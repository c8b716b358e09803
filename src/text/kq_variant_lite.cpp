#include "text/kq_variant_lite.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "text/byte_buffer.h"
#include "text/byte_reader.h"
#include "text/kq_assert.h"

namespace {

// Layout of one serialised value: a fixed header, then the payload.
namespace form {
inline constexpr std::size_t type_at = 0;   // u16
inline constexpr std::size_t flags_at = 2;  // u32
inline constexpr std::size_t header_size = 6;
inline constexpr std::size_t length_size = 4;  // u32 length or count before a run
inline constexpr std::size_t guid_size = 16;
inline constexpr std::size_t time_size = 8;  // one value of a several-time cell
inline constexpr std::size_t width_size = 8;
}  // namespace form

// What follows the header for a type code.
enum class payload_kind { no_form, nothing, fixed, text, guid, bytes };

struct payload_shape {
    payload_kind kind;
    std::size_t width;  // bytes of m_value for payload_kind::fixed
};

payload_shape shape_of(uint16 type) {
    namespace vt = variant_type;
    switch (type) {
        case vt::empty:
            return {payload_kind::nothing, 0};
        case vt::u8:
            return {payload_kind::fixed, 1};
        case vt::u16:
            return {payload_kind::fixed, 2};
        case vt::i32:
        case vt::u32:
        case vt::unix_seconds_two_columns:
        case vt::unix_seconds:
        case vt::unix_seconds_alt_two_columns:
        case vt::unix_seconds_alt:
            return {payload_kind::fixed, 4};
        case vt::text:
        case vt::raw_text:
        case vt::unnamed_text:
            return {payload_kind::text, 0};
        case vt::guid:
            return {payload_kind::guid, 0};
        case vt::bytes_hex_separated:
        case vt::bytes_hex:
            return {payload_kind::bytes, 0};
        default:
            break;
    }
    // 8, 12, 13 and 14 to 24: 64-bit numbers and times. Types 14, 19 and 20 (64-bit number,
    // Firefox times) take the same 8-byte form as type 8, so every cell can be written back.
    if (type == vt::i64 || (type >= vt::filetime_two_columns && type <= vt::filetime_alt)) {
        return {payload_kind::fixed, 8};
    }
    return {payload_kind::no_form, 0};
}

bool is_time_type(uint16 type) {
    return type == variant_type::filetime_two_columns || type == variant_type::filetime ||
           (type >= variant_type::unix_seconds_two_columns &&
            type <= variant_type::unix_seconds_alt);
}

bool has_several_times(uint16 type, uint32 flags) {
    return flags == variant_several_times_flags && is_time_type(type);
}

void put_le(byte_array& out, uint64 value, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(static_cast<uint8>(value >> (8 * i)));
    }
}

// A run with a 32-bit length. A run longer than the length field can count is cut to what
// it can count, so the form stays readable.
template <typename container>
void put_run(byte_array& out, const container& run) {
    const std::size_t count = std::min<std::size_t>(run.size(), std::numeric_limits<uint32>::max());
    put_le(out, count, form::length_size);
    out.insert(out.end(), run.begin(), run.begin() + static_cast<std::ptrdiff_t>(count));
}

// Exactly 16 bytes: a short buffer is padded with zeros, a long one cut, so the reader
// always finds the fixed size it expects.
void put_guid(byte_array& out, const byte_array& guid) {
    const std::size_t count = std::min(guid.size(), form::guid_size);
    out.insert(out.end(), guid.begin(), guid.begin() + static_cast<std::ptrdiff_t>(count));
    out.insert(out.end(), form::guid_size - count, 0);
}

void put_times(byte_array& out, const std::vector<uint64>& values) {
    const std::size_t count =
        std::min<std::size_t>(values.size(), std::numeric_limits<uint32>::max());
    put_le(out, count, form::length_size);
    for (std::size_t i = 0; i < count; ++i) {
        put_le(out, values[i], form::time_size);
    }
}

// Bytes used by a payload of `used` bytes plus the header, or 0 when that cannot be an int.
int total_used(std::size_t used) {
    if (used > static_cast<std::size_t>(std::numeric_limits<int>::max()) - form::header_size) {
        return 0;
    }
    return static_cast<int>(form::header_size + used);
}

// Each reader takes the payload view (everything after the header) and returns the payload
// bytes it used, or 0 on a payload cut short. Every payload it accepts is at least one byte.
std::size_t read_fixed(const kq::byte_reader& payload, std::size_t width, uint64& value) {
    return payload.le_at(0, width, value) ? width : 0;
}

// A 32-bit length, then that many bytes appended to out (a text or a byte buffer).
template <typename container>
std::size_t read_run(const kq::byte_reader& payload, container& out) {
    uint32 length = 0;
    kq::byte_reader run;
    if (!payload.le32_at(0, length) || !payload.sub(form::length_size, length, run)) {
        return 0;
    }
    out.insert(out.end(), run.data(), run.data() + run.size());
    return form::length_size + length;
}

std::size_t read_times(const kq::byte_reader& payload, std::vector<uint64>& values) {
    uint32 count = 0;
    if (!payload.le32_at(0, count) ||
        count > (payload.size() - form::length_size) / form::time_size) {
        return 0;
    }
    values.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        uint64 value = 0;
        (void)payload.le64_at(form::length_size + i * form::time_size, value);  // checked above
        values.push_back(value);
    }
    return form::length_size + count * form::time_size;
}

// A value of type 0 has no payload: one of 0 bytes is a success here, not a cut.
constexpr std::size_t read_failed = std::numeric_limits<std::size_t>::max();

std::size_t read_payload(const kq::byte_reader& payload, kq_variant_lite& v) {
    if ((v.m_flags & variant_caption_flag) != 0) {
        // The full 64-bit width, all of it required: a caption never reads past its input.
        return payload.le64_at(0, v.m_width) ? form::width_size : read_failed;
    }
    if (has_several_times(v.m_type, v.m_flags)) {
        const std::size_t used = read_times(payload, v.m_values);
        return used == 0 ? read_failed : used;
    }
    const payload_shape shape = shape_of(v.m_type);
    std::size_t used = 0;
    switch (shape.kind) {
        case payload_kind::nothing:
            return 0;
        case payload_kind::fixed:
            used = read_fixed(payload, shape.width, v.m_value);
            break;
        case payload_kind::text:
            used = read_run(payload, v.m_text);
            break;
        case payload_kind::guid:
            used = payload.copy_to(0, form::guid_size, v.m_bytes) ? form::guid_size : 0;
            break;
        case payload_kind::bytes:
            used = read_run(payload, v.m_bytes);
            break;
        case payload_kind::no_form:
            break;
    }
    return used == 0 ? read_failed : used;
}

}  // namespace

kq_variant_lite::kq_variant_lite() { clear(); }

kq_variant_lite::kq_variant_lite(uint8 value) : kq_variant_lite() {
    m_type = variant_type::u8;
    m_value = value;
}

kq_variant_lite::kq_variant_lite(uint16 value) : kq_variant_lite() {
    m_type = variant_type::u16;
    m_value = value;
}

kq_variant_lite::kq_variant_lite(uint32 value) : kq_variant_lite() {
    m_type = variant_type::u32;
    m_value = value;
}

kq_variant_lite::kq_variant_lite(uint64 value, uint16 type) : kq_variant_lite() {
    m_type = type;
    m_value = value;
}

kq_variant_lite::kq_variant_lite(const uint8* bytes, uint32 count, uint16 type)
    : kq_variant_lite() {
    byte_array_assign(m_bytes, bytes, count);
    m_type = type;
}

kq_variant_lite::kq_variant_lite(std::string text) : kq_variant_lite() {
    m_type = variant_type::text;
    m_text = std::move(text);
}

kq_variant_lite::kq_variant_lite(std::string name, uint64 width, uint16 type, uint32 flags)
    : kq_variant_lite() {
    m_type = type;
    m_text = std::move(name);
    m_width = width;
    m_flags = flags | variant_caption_flag;
}

kq_variant_lite::kq_variant_lite(std::string name, uint64 width) : kq_variant_lite() {
    m_text = std::move(name);
    m_width = width;
    m_flags = variant_caption_flag;
}

void kq_variant_lite::clear() {
    m_type = variant_type::empty;
    m_max_text_length = variant_default_max_text_length;
    m_flags = 0;
    m_width = 0;
    m_bytes.clear();
    m_text.clear();
    m_value = 0;
    m_values.clear();
}

void kq_variant_lite::pack_bytes(byte_array& out) const {
    const bool caption = (m_flags & variant_caption_flag) != 0;
    const payload_shape shape = shape_of(m_type);
    if (!caption && shape.kind == payload_kind::no_form) {
        KQ_ASSERT(false, "void kq_variant_lite::pack_bytes(byte_array&) const", "kq_string");
    }
    put_le(out, m_type, sizeof m_type);
    put_le(out, m_flags, sizeof m_flags);
    if (caption) {
        put_le(out, m_width, form::width_size);
        return;
    }
    if (has_several_times(m_type, m_flags)) {
        put_times(out, m_values);
        return;
    }
    switch (shape.kind) {
        case payload_kind::fixed:
            put_le(out, m_value, shape.width);
            break;
        case payload_kind::text:
            put_run(out, m_text);
            break;
        case payload_kind::guid:
            put_guid(out, m_bytes);
            break;
        case payload_kind::bytes:
            put_run(out, m_bytes);
            break;
        case payload_kind::nothing:
        case payload_kind::no_form:
            break;
    }
}

int kq_variant_lite::unpack_bytes(const byte_array& in, uint32 offset) {
    clear();
    const kq::byte_reader all(in);
    kq::byte_reader value;
    if (!all.tail(offset, value) || value.size() < form::header_size) {
        return 0;
    }
    uint16 type = 0;
    uint32 flags = 0;
    kq::byte_reader payload;
    if (!value.le16_at(form::type_at, type) || !value.le32_at(form::flags_at, flags) ||
        !value.tail(form::header_size, payload)) {
        return 0;
    }
    m_type = type;
    m_flags = flags;
    const std::size_t used = read_payload(payload, *this);
    const int total = used == read_failed ? 0 : total_used(used);
    if (total == 0) {
        clear();
    }
    return total;
}

bool pack_variant_list(byte_array& out, const std::vector<kq_variant_lite>& list, bool append) {
    if (!append) {
        out.clear();
    }
    for (const auto& value : list) {
        value.pack_bytes(out);
    }
    return !out.empty();
}

bool unpack_variant_list(std::vector<kq_variant_lite>& out, const byte_array& in, bool append) {
    if (!append) {
        out.clear();
    }
    if (in.empty()) {
        return false;
    }
    // Offsets are 32-bit: a list longer than that is read as far as they reach.
    std::size_t offset = 0;
    while (offset < in.size() && offset <= std::numeric_limits<uint32>::max()) {
        kq_variant_lite value;
        const int used = value.unpack_bytes(in, static_cast<uint32>(offset));
        if (used <= 0) {
            break;
        }
        out.push_back(std::move(value));
        offset += static_cast<std::size_t>(used);
    }
    return !out.empty();
}
