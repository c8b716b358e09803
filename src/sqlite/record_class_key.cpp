#include "sqlite/record_class_key.h"

#include <algorithm>
#include <iomanip>
#include <limits>
#include <sstream>

#include "sqlite/sqlite_format.h"
#include "sqlite/sqlite_metadata.h"
#include "sqlite/varint.h"
#include "text/byte_reader.h"
#include "text/hex_text.h"
#include "text/md5_digest.h"

namespace st = sqlite_format::serial_type;

namespace {

constexpr uint8 run_step = 0x10;  // one more repetition in the high nibble
constexpr uint8 max_run = 15;     // a nibble's worth; a longer run goes on in a new byte
constexpr uint8 class_mask = 0x0f;
constexpr unsigned run_shift = 4;
constexpr std::size_t leb128_max_bytes = 9;
constexpr unsigned leb128_group_bits = 7;
constexpr uint8 leb128_group_mask = 0x7f;
constexpr uint8 leb128_more = 0x80;
constexpr std::size_t mask_key_bytes = 4;
constexpr int rowid_min_digits = 6;

uint8 class_of(uint64 serial_type) {
    if (serial_type < st::blob_min) {
        return static_cast<uint8>(serial_type);
    }
    return static_cast<uint8>(st::blob_min + (serial_type & 1));
}

// Codes from `start` on are the class key; bytes before it are never run into.
void append_class(byte_array& key, std::size_t start, uint8 code) {
    if (key.size() > start && (key.back() & class_mask) == code &&
        (key.back() >> run_shift) < max_run) {
        key.back() = static_cast<uint8>(key.back() + run_step);
        return;
    }
    key.push_back(static_cast<uint8>(run_step | code));
}

// The class codes of the serial types of a header that is the whole view (its first byte
// the header size). Bytes before them in `key` are left as they are.
bool append_header_classes(byte_array& key, const kq::byte_reader& header) {
    const std::size_t start = key.size();
    for (std::size_t at = 1; at < header.size();) {
        uint64 type = 0;
        int32 n = 0;
        if (!read_varint(type, n, header, at) || n <= 0) {
            break;
        }
        append_class(key, start, class_of(type));
        at += static_cast<std::size_t>(n);
    }
    return key.size() > start;
}

// The header at the start of the bytes, cut to the size its first byte gives; false when
// the bytes end before it.
bool header_view(kq::byte_reader& header, const kq::byte_reader& bytes) {
    uint8 size = 0;
    return bytes.u8_at(0, size) && bytes.sub(0, size, header);
}

uint8 table_type_byte(uint32 table_type) {
    uint8 position = 1;
    while ((table_type & 1U) == 0) {
        table_type >>= 1;
        ++position;
    }
    return position;
}

void append_mask(byte_array& key, uint64 mask) {
    for (std::size_t i = 0; i < mask_key_bytes; ++i) {
        key.push_back(static_cast<uint8>(mask >> (8 * i)));
    }
}

void append_table_and_mask(byte_array& key, uint32 table_type, uint64 mask) {
    if (table_type != 0) {
        key.push_back(table_type_byte(table_type));
    }
    if (mask != 0) {
        append_mask(key, mask);
    }
}

// The count of initials is one byte, so a table of more than 255 columns keys on its first
// 255: a wrapped count would no longer say how many letters follow.
constexpr std::size_t max_initials = std::numeric_limits<uint8>::max();

void append_initials(byte_array& key, const std::string& initials) {
    std::string letters;
    std::copy_if(initials.begin(), initials.end(), std::back_inserter(letters),
                 [](char c) { return c != '-'; });
    letters.resize(std::min(letters.size(), max_initials));
    key.push_back(static_cast<uint8>(letters.size()));
    for (const char c : letters) {
        key.push_back(static_cast<uint8>(c - 'a'));
    }
}

std::string hex_joined(const byte_array& bytes, const std::string& separator) {
    return byte_array_hex_string(bytes, separator);
}

std::string rowid_and_fingerprint(const sqlite_metadata& record) {
    std::ostringstream text;
    text << std::hex << std::setfill('0') << std::setw(rowid_min_digits)
         << static_cast<uint64>(record.m_rowid);
    for (const uint8 b : record.m_reserved_bytes) {
        text << '_' << std::setw(2) << static_cast<unsigned>(b);
    }
    return text.str();
}

std::string full_key_text(const sqlite_metadata& record) {
    byte_array prefix;
    byte_array full;
    if (record.m_record_bytes.empty()) {
        return {};
    }
    if (!record_keys(prefix, full, record) || full.empty()) {
        return hex_joined(record.m_record_bytes, "_");
    }
    return hex_joined(full, "_");
}

// Nibble by nibble: `shift` 4 compares the run lengths, 0 the classes.
int compare_nibbles(const byte_array& a, const byte_array& b, unsigned shift) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        const unsigned x = (a[i] >> shift) & class_mask;
        const unsigned y = (b[i] >> shift) & class_mask;
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    return 0;
}

}  // namespace

bool write_leb128_u64(byte_array& out, uint64 value) {
    out.clear();
    if (value >> (leb128_group_bits * leb128_max_bytes) != 0) {
        return false;
    }
    do {
        const auto group = static_cast<uint8>(value & leb128_group_mask);
        value >>= leb128_group_bits;
        out.push_back(value != 0 ? static_cast<uint8>(group | leb128_more) : group);
    } while (value != 0);
    return true;
}

bool record_class_key(byte_array& out, const sqlite_metadata& record) {
    out.clear();
    kq::byte_reader header;
    if (!header_view(header, kq::byte_reader(record.m_record_bytes))) {
        return false;
    }
    return append_header_classes(out, header);
}

bool header_class_key(byte_array& out, const uint8* header, uint32 length, uint32 table_type,
                      uint32 mask, bool with_header_byte) {
    const kq::byte_reader bytes(header, length);
    out.clear();
    uint8 size = 0;
    // The header must be exactly the bytes given: a shorter one leaves content behind, a
    // longer one would be read past the bytes.
    if (length == 0 || !bytes.u8_at(0, size) || size != length) {
        return false;
    }
    append_table_and_mask(out, table_type, mask);
    if (with_header_byte) {
        out.push_back(size);
    }
    (void)append_header_classes(out, bytes);  // the length test below says enough
    return out.size() > 1;
}

bool record_keys(byte_array& prefix, byte_array& full, const sqlite_metadata& record) {
    prefix.clear();
    full.clear();
    append_table_and_mask(prefix, record.m_table_type, record.m_column_mask);
    append_initials(prefix, record.m_column_initials);
    byte_array classes;
    if (!record.m_record_bytes.empty() && record_class_key(classes, record)) {
        full = prefix;
        full.insert(full.end(), classes.begin(), classes.end());
    }
    return prefix.size() > 1;
}

std::string record_key_text(std::string& out, const sqlite_metadata& record, int kind) {
    out.clear();
    byte_array prefix;
    byte_array full;
    switch (kind) {
        case key_kind::prefix_key:
            if (record_keys(prefix, full, record)) {
                out = hex_joined(prefix, "");
            }
            break;
        case key_kind::full_key:
            out = full_key_text(record);
            break;
        case key_kind::raw_bytes:
            out = hex_joined(record.m_record_bytes, "_");
            break;
        case key_kind::rowid_and_fingerprint:
            out = rowid_and_fingerprint(record);
            break;
        default:
            break;
    }
    return out;
}

bool class_key_less(const byte_array& a, const byte_array& b) {
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    const int runs = compare_nibbles(a, b, run_shift);
    if (runs != 0) {
        return runs < 0;
    }
    return compare_nibbles(a, b, 0) < 0;
}

void set_record_fingerprint(sqlite_metadata& record, const std::vector<std::string>& values) {
    record.m_reserved_bytes.fill(0);
    record.m_reserved_text.clear();
    byte_array stream;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto length = static_cast<uint32>(values[i].size());
        for (std::size_t b = 0; b < sizeof length; ++b) {
            stream.push_back(static_cast<uint8>(length >> (8 * b)));
        }
        stream.insert(stream.end(), values[i].begin(), values[i].end());
        record.m_reserved_text += (i == 0 ? "" : " | ") + values[i];
    }
    guid16 digest;
    if (md5_digest(stream.data(), static_cast<uint32>(stream.size()), digest)) {
        record.m_reserved_bytes = digest.bytes;
    }
}

bool has_fingerprint(const sqlite_metadata& record) {
    return std::any_of(record.m_reserved_bytes.begin(), record.m_reserved_bytes.end(),
                       [](uint8 b) { return b != 0; });
}
