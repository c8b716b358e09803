#include "app/push_record_finder.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "app/push_table_type.h"
#include "app/velk_options.h"
#include "sqlite/column_text.h"
#include "sqlite/record_signature.h"
#include "sqlite/sqlite_format.h"
#include "sqlite/text_filter.h"
#include "sqlite/varint.h"
#include "text/byte_reader.h"

namespace {

using kq::byte_reader;

// Pattern tables of the serial types that rows of the three tables carry (the pattern
// language is that of match_signature_forward/backward). Each table's name says how many
// serial types it matches.

// Notification columns 0x10 to 0x200: Type, Payload, Tag, Group, ExpiryTime, ArrivalTime.
constexpr std::array<const char*, 6> notification_six = {"-", "+0", "-", "-", "68", "6"};
// Columns 0x400 to 0x2000: DataVersion, PayloadType, BootId, ExpiresOnReboot; shorter rows
// of older releases end after the first two or the first one.
constexpr std::array<const char*, 4> notification_four = {"89", "-", "68", "-8"};
constexpr std::array<const char*, 2> notification_two = {"89", "-"};
constexpr std::array<const char*, 1> notification_one = {"89"};
// Channel columns 0x1 to 0x4, matched backward from the byte before the anchor.
// Its HandlerId may be stored as the constant 0 or 1 (serial type 8 or 9).
constexpr std::array<const char*, 3> channel_three = {"-", "1289", "-"};
// Handler columns 0x1 to 0x10 with an empty third column, matched backward.
constexpr std::array<const char*, 5> handler_five = {"0", "-", "x0d", "-0", "-"};
// Handler columns 0x1, 0x2, 0x8 and 0x10 of the layouts without column 0x4, matched backward.
constexpr std::array<const char*, 4> handler_four = {"0", "-", "-0", "-"};
// Handler columns 0x200 and 0x400 after the anchor, or 0x200 alone.
constexpr std::array<const char*, 2> handler_two = {"-0", "0"};
constexpr std::array<const char*, 1> handler_one = {"-0"};

// Anchors. A notification's first four serial types: Order (NULL: the rowid alias), Id (a
// 1-, 2- or 3-byte integer), HandlerId (1 or 2 bytes) and ActivityId (NULL or a 16-byte
// blob, serial type 12 + 2 * 16). In schema format 4 an integer 0 or 1 is stored as the
// constant serial type 8 or 9 with no body, so Id and HandlerId may also be those: the
// first handler of a database has id 1.
constexpr uint8 type_null = 0;
constexpr uint8 type_zero = 8;
constexpr uint8 type_one = 9;
constexpr uint8 type_int8 = 1;
constexpr uint8 type_int16 = 2;
constexpr uint8 type_int24 = 3;
constexpr uint8 type_int64 = 6;
constexpr uint8 activity_id_blob = 0x2c;
// A handler's created and modified times: texts of 19 characters ("YYYY-MM-DD HH:MM:SS"),
// serial type 13 + 2 * 19 bytes: 0x33 in UTF-8, 0x59 in UTF-16 (still a one-byte varint).
constexpr uint64 handler_time_chars = 19;

// Look-backs of the backward matches: the most bytes their serial types can take.
constexpr int32 channel_look_back = 12;
constexpr int32 handler_five_look_back = 14;
constexpr int32 handler_four_look_back = 13;

// Bytes the anchors need after n before a test may look at them.
constexpr std::size_t notification_anchor = 4;
constexpr std::size_t channel_reach = 12;
constexpr std::size_t handler_anchor = 4;
// A zero run is skipped this many bytes at a time; chunks of no more than the minimum hold
// no record the finder could confirm.
constexpr std::size_t zero_stride = 8;
constexpr uint32 min_chunk = 28;

// Column samples that confirm candidates, by header position (column number). Lengths
// count characters; a sample takes as many bytes as its characters need in the database's
// encoding.
constexpr int32 type_column = 5;
constexpr int32 type_sample_length = 5;
constexpr int32 channel_id_column = 1;
constexpr int32 channel_sample_min = 4;
constexpr int32 channel_sample_max = 18;
constexpr int32 handler_id_column = 2;
constexpr int32 handler_sample_min = 9;
constexpr int32 handler_sample_max = 25;

// Carved column layouts (column masks).
constexpr uint64 notification_ten = 0x3ff;
constexpr uint64 notification_eleven = 0x7ff;
constexpr uint64 notification_twelve = 0xfff;
constexpr uint64 notification_fourteen = 0x3fff;
constexpr uint64 channel_five = 0x1f;
constexpr uint64 channel_six = 0x3f;
constexpr uint64 handler_nine = 0x1ff;
constexpr uint64 handler_nine_no_wns = 0x3fb;
constexpr uint64 handler_ten_no_wns = 0x7fb;

// The serial type of a handler's time text in the database's encoding (a one-byte varint
// either way), and the bytes a character of a column sample's (ASCII) text takes.
constexpr uint8 handler_time_utf8 =
    static_cast<uint8>(sqlite_format::serial_type::text_min + 2 * handler_time_chars);
constexpr uint8 handler_time_utf16 =
    static_cast<uint8>(sqlite_format::serial_type::text_min + 2 * (2 * handler_time_chars));
static_assert(handler_time_utf16 < 0x80, "the anchor compares one byte per serial type");

uint8 handler_time_text(text_encoding encoding) {
    return is_utf16(encoding) ? handler_time_utf16 : handler_time_utf8;
}

int32 sample_unit(text_encoding encoding) { return is_utf16(encoding) ? 2 : 1; }

// One recognised header.
struct push_hit {
    std::size_t first = 0;  // chunk position of the first serial type
    std::size_t header_size = 0;
    uint64 mask = 0;
    uint32 table_type = 0;
    bool corrected = false;  // the header-size byte differs from header_size
};

int32 int_length(const byte_reader& bytes) {
    return static_cast<int32>(
        std::min<std::size_t>(bytes.size(), std::numeric_limits<int32>::max()));
}

template <std::size_t N>
std::size_t forward_at(const byte_reader& chunk, std::size_t at,
                       const std::array<const char*, N>& patterns) {
    byte_reader rest;
    if (!chunk.tail(at, rest) || rest.empty()) {
        return 0;
    }
    return match_signature_forward(rest.data(), int_length(rest), static_cast<int32>(N), 0,
                                   patterns.data());
}

// Minus the bytes of the serial types matched backward from the byte before n, or 0.
template <std::size_t N>
int32 backward_before(const byte_reader& chunk, std::size_t n, int32 look_back,
                      const std::array<const char*, N>& patterns) {
    if (n == 0) {
        return 0;
    }
    return match_signature_backward(chunk, n - 1, look_back, static_cast<int32>(N),
                                    static_cast<int32>(N) - 1, patterns.data());
}

// The record bytes from the header-size byte before `first` (the first serial type) to the
// chunk's end. A header-size byte before the chunk is no record of this chunk.
bool record_from(const byte_reader& chunk, std::size_t first, byte_reader& record) {
    return first > 0 && chunk.tail(first - 1, record);
}

bool byte_in(uint8 b, std::initializer_list<uint8> values) {
    return std::find(values.begin(), values.end(), b) != values.end();
}

}  // namespace

namespace {

// The first bytes of column 5 (Type) at the header size under test: a notification's type
// begins "tile", "toast" or "badge".
bool type_sample_accepted(const byte_reader& chunk, std::size_t first, std::size_t header_size,
                          text_encoding encoding) {
    byte_reader record;
    std::string text;
    if (!record_from(chunk, first, record) ||
        !extract_column_text_at(text, record.data(), int_length(record), type_column,
                                type_sample_length * sample_unit(encoding), filter_printable,
                                static_cast<uint16>(header_size), false, true, encoding)) {
        return false;
    }
    const std::string_view t(text);
    return t.starts_with("tile") || t.starts_with("toast") || t.starts_with("badge");
}

// Column 1 (the channel id) at the header size under test: its first ';' is its second
// character.
bool channel_sample_accepted(const byte_reader& chunk, std::size_t first, std::size_t header_size,
                             text_encoding encoding) {
    byte_reader record;
    std::string text;
    if (!record_from(chunk, first, record) ||
        !extract_column_text(text, record.data(), int_length(record), channel_id_column,
                             channel_sample_min, channel_sample_max * sample_unit(encoding),
                             filter_printable, static_cast<uint16>(header_size), false, true,
                             encoding)) {
        return false;
    }
    return text.find(';') == 1;
}

// Column 2 (the handler's primary id) at the header size under test: an application id
// ("Microsoft.", "Windows.", "_..."), a dotted name, a GUID or a package family name.
bool handler_sample_accepted(const byte_reader& chunk, std::size_t first, std::size_t header_size,
                             text_encoding encoding) {
    byte_reader record;
    std::string text;
    if (!record_from(chunk, first, record) ||
        !extract_column_text(text, record.data(), int_length(record), handler_id_column,
                             handler_sample_min, handler_sample_max * sample_unit(encoding),
                             filter_printable, static_cast<uint16>(header_size), false, true,
                             encoding) ||
        text.empty()) {
        return false;
    }
    constexpr std::size_t guid_first_dash = 8;
    return text[0] == 'M' || text[0] == 'W' || text[0] == '_' ||
           text.find('.') != std::string::npos || text.find('-') == guid_first_dash ||
           text.find("8weky") != std::string::npos;
}

push_hit make_hit(std::size_t first, std::size_t header_size, uint64 mask, uint32 table_type,
                  bool corrected) {
    return push_hit{first, header_size, mask, table_type, corrected};
}

bool notification_anchor_at(const byte_reader& chunk, std::size_t n) {
    uint8 order = 0;
    uint8 id = 0;
    uint8 handler = 0;
    uint8 activity = 0;
    return chunk.has(n, notification_anchor + 1) && chunk.u8_at(n, order) &&
           chunk.u8_at(n + 1, id) && chunk.u8_at(n + 2, handler) && chunk.u8_at(n + 3, activity) &&
           order == type_null &&
           byte_in(id, {type_int8, type_int16, type_int24, type_zero, type_one}) &&
           byte_in(handler, {type_int8, type_int16, type_zero, type_one}) &&
           byte_in(activity, {type_null, activity_id_blob});
}

// Steps 4 to 7 of the notification test: the ten serial types matched, the header-size byte
// h did not confirm the ten-column layout; longer layouts first, each confirmed by the type
// sample at its own header size.
bool notification_longer(const byte_reader& chunk, std::size_t n, uint8 h, std::size_t s10,
                         text_encoding encoding, push_hit& hit) {
    const std::size_t after_ten = n - 1 + s10;
    const auto try_size = [&](std::size_t size, uint64 mask) {
        if (!type_sample_accepted(chunk, n, size, encoding)) {
            return false;
        }
        hit = make_hit(n, size, mask, push_table_notification, h != size);
        return true;
    };
    const std::size_t four = forward_at(chunk, after_ten, notification_four);
    if (four != 0 && try_size(s10 + four, notification_fourteen)) {
        return true;
    }
    const std::size_t two = forward_at(chunk, after_ten, notification_two);
    if (two != 0 && try_size(s10 + two, notification_twelve)) {
        return true;
    }
    const std::size_t one = forward_at(chunk, after_ten, notification_one);
    if (one != 0) {
        return try_size(s10 + one, notification_eleven);
    }
    return try_size(s10, notification_ten);
}

// The anchor n is the first serial type; the header-size byte before it must lie in the
// chunk.
bool notification_test(const byte_reader& chunk, std::size_t n, text_encoding encoding,
                       push_hit& hit) {
    uint8 h = 0;
    if (n == 0 || !notification_anchor_at(chunk, n) || !chunk.u8_at(n - 1, h)) {
        return false;
    }
    const std::size_t six = forward_at(chunk, n + notification_anchor, notification_six);
    if (six == 0) {
        return false;
    }
    const std::size_t s10 = notification_anchor + 1 + six;
    if (h == s10 && type_sample_accepted(chunk, n, s10, encoding)) {
        hit = make_hit(n, s10, notification_ten, push_table_notification, false);
        return true;
    }
    return notification_longer(chunk, n, h, s10, encoding, hit);
}

}  // namespace

namespace {

// The channel anchor is the expiry and creation times (two 8-byte integers); the channel
// id, handler id and URI before them are matched backward. d is minus their bytes.
bool channel_test(const byte_reader& chunk, std::size_t n, text_encoding encoding, push_hit& hit) {
    uint8 expiry = 0;
    uint8 created = 0;
    uint8 after = 0;
    if (!chunk.has(n, channel_reach + 1) || !chunk.u8_at(n, expiry) ||
        !chunk.u8_at(n + 1, created) || !chunk.u8_at(n + 2, after) || expiry != type_int64 ||
        created != type_int64) {
        return false;
    }
    const int32 d = backward_before(chunk, n, channel_look_back, channel_three);
    const auto back = static_cast<std::size_t>(-static_cast<int64>(d));
    uint8 h = 0;
    // The header-size byte must lie in the chunk too.
    if (d == 0 || back >= n || !chunk.u8_at(n - back - 1, h)) {
        return false;
    }
    const std::size_t first = n - back;
    const std::size_t s5 = 3 + back;
    if (h == s5) {
        hit = make_hit(first, s5, channel_five, push_table_channel, false);
        return true;
    }
    if (h == s5 + 1 && byte_in(after, {type_int8, type_one})) {
        hit = make_hit(first, s5 + 1, channel_six, push_table_channel, false);
        return true;
    }
    if (channel_sample_accepted(chunk, first, s5, encoding)) {
        hit = make_hit(first, s5, channel_five, push_table_channel, true);
        return true;
    }
    if (channel_sample_accepted(chunk, first, s5 + 1, encoding)) {
        hit = make_hit(first, s5 + 1, channel_six, push_table_channel, true);
        return true;
    }
    return false;
}

bool handler_anchor_at(const byte_reader& chunk, std::size_t n, text_encoding encoding) {
    uint8 property_set = 0;
    uint8 c6 = 0;
    uint8 created = 0;
    uint8 modified = 0;
    return chunk.has(n, handler_anchor + 1) && chunk.u8_at(n, property_set) &&
           chunk.u8_at(n + 1, c6) && chunk.u8_at(n + 2, created) && chunk.u8_at(n + 3, modified) &&
           byte_in(property_set, {type_null, type_int64}) && c6 == type_null &&
           created == handler_time_text(encoding) && modified == created;
}

// Steps 3 to 6 of the handler test: four columns before the anchor, one or two after it; the
// primary id must look like one, and the header-size byte must agree.
bool handler_without_wns(const byte_reader& chunk, std::size_t n, text_encoding encoding,
                         push_hit& hit) {
    const int32 d = backward_before(chunk, n, handler_four_look_back, handler_four);
    const auto back = static_cast<std::size_t>(-static_cast<int64>(d));
    uint8 h = 0;
    if (d == 0 || back >= n || !chunk.u8_at(n - back - 1, h)) {
        return false;
    }
    const std::size_t first = n - back;
    const std::size_t base = handler_anchor + 1 + back;
    const std::size_t two = forward_at(chunk, n + handler_anchor, handler_two);
    if (two != 0 && handler_sample_accepted(chunk, first, base + two, encoding)) {
        // A primary id that reads right under a header-size byte that disagrees is taken
        // as no handler at all rather than as the shorter layout.
        if (h != base + two) {
            return false;
        }
        hit = make_hit(first, base + two, handler_ten_no_wns, push_table_handler, false);
        return true;
    }
    const std::size_t one = forward_at(chunk, n + handler_anchor, handler_one);
    if (one != 0 && handler_sample_accepted(chunk, first, base + one, encoding) &&
        h == base + one) {
        hit = make_hit(first, base + one, handler_nine_no_wns, push_table_handler, false);
        return true;
    }
    return false;
}

// The handler anchor is columns 0x20 to 0x100: the property set (NULL or an 8-byte
// integer), NULL, and the created and modified time texts.
bool handler_test(const byte_reader& chunk, std::size_t n, text_encoding encoding, push_hit& hit) {
    if (!handler_anchor_at(chunk, n, encoding)) {
        return false;
    }
    const int32 d = backward_before(chunk, n, handler_five_look_back, handler_five);
    const auto back = static_cast<std::size_t>(-static_cast<int64>(d));
    uint8 h = 0;
    if (d != 0 && back < n && chunk.u8_at(n - back - 1, h) && h == handler_anchor + 1 + back) {
        hit = make_hit(n - back, h, handler_nine, push_table_handler, false);
        return true;
    }
    return handler_without_wns(chunk, n, encoding, hit);
}

// The eight bytes at n as one word, in memory order; the caller keeps n + 8 inside.
uint64 word_at(std::span<const uint8> bytes, std::size_t n) {
    uint64 v = 0;
    std::memcpy(&v, bytes.subspan(n, zero_stride).data(), zero_stride);
    return v;
}

bool eight_zero_bytes(const byte_reader& chunk, std::size_t n) {
    return chunk.has(n, zero_stride) && word_at({chunk.data(), chunk.size()}, n) == 0;
}

void record_hit(std::vector<carved_record>& hits, const byte_reader& chunk, const push_hit& hit,
                uint64 chunk_offset) {
    carved_record& r = hits.emplace_back();
    r.offset_in_chunk = hit.first;
    r.file_offset = chunk_offset != 0 ? chunk_offset + hit.first : 0;
    // The serial types fill the header-size - 1 bytes from the first one; count_varints
    // looks at all but the last byte it is given.
    byte_reader types;
    const std::size_t span = std::min(hit.header_size, chunk.size() - hit.first + 1);
    const int32 count =
        chunk.tail(hit.first, types) ? count_varints(types.data(), static_cast<int32>(span)) : 0;
    r.column_count = static_cast<uint8>(std::clamp<int32>(count, 0, 0xff));
    r.table_type = static_cast<int32>(hit.table_type);
    r.column_mask = hit.mask;
    r.header_corrected = hit.corrected ? 1 : 0;
}

// Every anchor starts with a NULL or an 8-byte integer serial type (the notification's
// Order, the handler's property set, the channel's expiry time): the first offset at or
// after n, before end, whose byte can start one. Text and blob content, most of a page, is
// passed over here in one tight loop instead of being put to every test.
// Eight bytes at a time while none of them can start one: a word holds a byte b exactly
// when (w ^ b...b) has a zero byte, which the borrow test below finds without a branch
// per byte.
std::size_t next_anchor_candidate(const byte_reader& chunk, std::size_t n, std::size_t end) {
    constexpr uint64 ones = 0x0101010101010101ULL;
    constexpr uint64 highs = 0x8080808080808080ULL;
    const auto has_zero_byte = [](uint64 w) { return ((w - ones) & ~w & highs) != 0; };
    const std::span<const uint8> bytes(chunk.data(), chunk.size());
    while (n < end && end - n >= zero_stride) {
        const uint64 w = word_at(bytes, n);
        if (has_zero_byte(w) || has_zero_byte(w ^ (ones * type_int64))) {
            break;
        }
        n += zero_stride;
    }
    while (n < end && bytes[n] != type_null && bytes[n] != type_int64) {
        ++n;
    }
    return n;
}

bool find_at(const byte_reader& chunk, std::size_t n, uint64 tables, text_encoding encoding,
             push_hit& hit) {
    return ((tables & push_table_notification) != 0 &&
            notification_test(chunk, n, encoding, hit)) ||
           ((tables & push_table_channel) != 0 && channel_test(chunk, n, encoding, hit)) ||
           ((tables & push_table_handler) != 0 && handler_test(chunk, n, encoding, hit));
}

}  // namespace

bool find_push_records_in(std::vector<carved_record>& hits, const uint8* data, uint32 length,
                          uint64 chunk_offset, bool append, uint64 tables, text_encoding encoding) {
    const byte_reader chunk(data, length);
    if (!append) {
        hits.clear();
    }
    const std::size_t before = hits.size();
    if (chunk.size() <= min_chunk) {
        return false;
    }
    std::size_t n = 0;
    const std::size_t end = chunk.size() - zero_stride;  // min_chunk > zero_stride
    while (n < end) {
        n = next_anchor_candidate(chunk, n, end);
        if (n == end) {
            break;
        }
        if (eight_zero_bytes(chunk, n)) {
            // A zero run is passed in one loop; each step is what a turn of the outer loop
            // would take.
            do {
                n += zero_stride;
            } while (n < end && eight_zero_bytes(chunk, n));
            continue;
        }
        push_hit hit;
        if (!find_at(chunk, n, tables, encoding, hit)) {
            ++n;
            continue;
        }
        record_hit(hits, chunk, hit, chunk_offset);
        n += std::max<std::size_t>(hit.header_size, 1);
    }
    return hits.size() > before;
}

bool find_push_records(std::vector<carved_record>& hits, const uint8* data, uint32 length,
                       uint64 chunk_offset, bool append, text_encoding encoding, void* context) {
    const auto* options = static_cast<const velk_options*>(context);
    const uint64 tables = options == nullptr ? all_push_tables : options->m_carve_tables;
    return find_push_records_in(hits, data, length, chunk_offset, append, tables, encoding);
}
