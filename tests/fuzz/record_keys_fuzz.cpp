// Layout keys, column location and the list matchers on arbitrary record bytes.
//
// Input: [table type][mask byte][header position][bytes...].

#include <string>
#include <vector>

#include "fuzz_target.h"
#include "sqlite/column_locate.h"
#include "sqlite/record_class_key.h"
#include "sqlite/sqlite_metadata.h"

namespace {

constexpr std::size_t prefix = 3;
const std::vector<std::string> notification = {"0", "129", "129", "+0", "-", "+", "-0",
                                               "-0", "6", "6", "89", "-", "6", "89"};
const std::vector<std::string> short_list = {"-", "+", "0x"};

void keys(const byte_array& bytes, uint32 table_type, uint32 mask) {
    byte_array key;
    (void)header_class_key(key, bytes.data(), static_cast<uint32>(bytes.size()), table_type, mask,
                           true);
    sqlite_metadata r;
    r.m_table_type = table_type;
    r.m_column_mask = mask;
    r.m_column_initials = "ab-c-";
    r.m_record_bytes = bytes;
    byte_array prefix_key;
    byte_array full;
    (void)record_class_key(key, r);
    (void)record_keys(prefix_key, full, r);
    std::string text;
    for (int kind = 0; kind <= 5; ++kind) {
        (void)record_key_text(text, r, kind);
    }
    (void)class_key_less(prefix_key, full);
    uint64 value = 0;
    for (std::size_t i = 0; i < bytes.size() && i < sizeof value; ++i) {
        value = (value << 8) | bytes[i];
    }
    (void)write_leb128_u64(key, value);
}

}  // namespace

VELK_FUZZ_TARGET(record_keys) {
    if (size < prefix) {
        return 0;
    }
    const uint32 table_type = data[0];
    const uint32 mask = data[1];
    const int32 position = data[2];
    const byte_array bytes(data + prefix, data + size);  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
    const auto length = static_cast<uint32>(bytes.size());
    keys(bytes, table_type, mask);
    for (int32 p = 0; p <= position; ++p) {
        const uint8* content = nullptr;
        uint32 column_size = 0;
        bool cut = false;
        (void)locate_column(content, column_size, cut, bytes.data(), length, p);
    }
    (void)match_signature_list(bytes.data(), length, notification);
    (void)match_signature_list(bytes.data(), length, short_list);
    (void)match_digit_pattern(bytes.data(), length, {"129"});
    (void)bytes_equal_at("toast", bytes.data(), length, position);
    return 0;
}
