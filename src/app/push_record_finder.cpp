#include "app/push_record_finder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "app/push_layouts.h"
#include "app/push_table_type.h"
#include "app/velk_options.h"
#include "sqlite/chunk_freeblocks.h"
#include "sqlite/column_text.h"
#include "sqlite/record_signature.h"
#include "sqlite/serial_type.h"
#include "sqlite/sqlite_format.h"
#include "sqlite/table_definition.h"
#include "sqlite/text_filter.h"
#include "sqlite/varint.h"
#include "text/byte_reader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using kq::byte_reader;

// Pattern tables of the serial types that rows of the three tables carry (the pattern
// language is that of match_signature_forward/backward). Each table's name says how many
// serial types it matches. A column takes every serial type its declared type and
// constraints allow: an integer column any integer width and the constants 0 and 1 (schema
// format 4 stores 0 and 1 so), a text column a text, a blob column a blob or a text, and
// each of them NULL unless it is NOT NULL.
constexpr const char* integer_or_null = "012345689";
constexpr const char* text_or_null = "-0";

// Notification columns 0x10 to 0x200: Type (TEXT NOT NULL), Payload (BLOB), Tag and Group
// (TEXT), ExpiryTime and ArrivalTime (INT64).
constexpr std::array<const char*, 6> notification_six = {
    "-", "+-0", text_or_null, text_or_null, integer_or_null, integer_or_null};
// Columns 0x400 to 0x2000: DataVersion (INT64), PayloadType (TEXT NOT NULL), BootId (INT64)
// and ExpiresOnReboot (BOOLEAN, default the text 'FALSE'); shorter rows of older releases end
// after the first two or the first one.
constexpr std::array<const char*, 4> notification_four = {integer_or_null, "-", integer_or_null,
                                                          "-012345689"};
constexpr std::array<const char*, 2> notification_two = {integer_or_null, "-"};
constexpr std::array<const char*, 1> notification_one = {integer_or_null};
// A handler's SystemDataPropertySet (BLOB): NULL, a blob or a text.
constexpr std::array<const char*, 1> null_text_or_blob = {"+-0"};
// A notification's ActivityId: its declared type GUID has numeric affinity, so besides the
// 16-byte blob the platform writes (or a GUID's text) it holds whatever a row was given: an
// integer of any width, a real, the constants 0 and 1, or NULL. Only the reserved serial
// types 10 and 11 are no value.
constexpr std::array<const char*, 1> any_value = {"+-0123456789"};
// Channel columns 0x1 to 0x4, matched backward from the byte before the anchor: ChannelId
// (TEXT NOT NULL), HandlerId (INTEGER) and Uri (TEXT).
constexpr std::array<const char*, 3> channel_three = {"-", integer_or_null, text_or_null};
// Handler columns 0x1 to 0x10 with an empty third column, matched backward: the rowid alias
// (NULL), PrimaryId (TEXT NOT NULL), the empty text, WNSId and HandlerType (TEXT).
constexpr std::array<const char*, 5> handler_five = {"0", "-", "x0d", text_or_null, text_or_null};
// Handler columns 0x1, 0x2, 0x8 and 0x10 of the layouts without column 0x4, matched backward.
constexpr std::array<const char*, 4> handler_four = {"0", "-", text_or_null, text_or_null};
// Handler columns 0x200 and 0x400 (ParentId and ContainerSid, TEXT) after the anchor, or
// 0x200 alone.
constexpr std::array<const char*, 2> handler_two = {text_or_null, text_or_null};
constexpr std::array<const char*, 1> handler_one = {text_or_null};

// Serial types 0 to 9 as bits of a set.
constexpr uint16 type_bit(uint8 type) { return static_cast<uint16>(1U << type); }
bool in_types(uint8 type, uint16 set) { return type < 16 && (set & type_bit(type)) != 0; }

// Anchors. A notification's first three serial types: Order (NULL: the rowid alias), Id
// (INTEGER NOT NULL) and HandlerId (INTEGER); ActivityId follows.
constexpr uint8 type_null = 0;
constexpr uint8 type_int64 = 6;
constexpr uint16 integer_types = type_bit(1) | type_bit(2) | type_bit(3) | type_bit(4) |
                                 type_bit(5) | type_bit(6) | type_bit(8) | type_bit(9);
constexpr uint16 integer_or_null_types = integer_types | type_bit(type_null);
// A handler's created and modified times: texts of 19 characters ("YYYY-MM-DD HH:MM:SS"),
// serial type 13 + 2 * 19 bytes: 0x33 in UTF-8, 0x59 in UTF-16 (still a one-byte varint).
constexpr uint64 handler_time_chars = 19;

// Look-backs of the backward matches: the most bytes their serial types can take.
constexpr int32 channel_look_back = 12;
constexpr int32 handler_five_look_back = 14;
constexpr int32 handler_four_look_back = 13;

// Bytes the anchors need after n before a test may look at them: a notification's Order, Id
// and HandlerId, then at least its ActivityId.
constexpr std::size_t notification_anchor = 3;
constexpr std::size_t channel_reach = 12;
// A zero run is skipped this many bytes at a time; chunks of no more than the minimum hold
// no record the finder could confirm.
constexpr std::size_t zero_stride = 8;
constexpr uint32 min_chunk = 28;

// Column samples that confirm candidates, by header position (the serial type's byte in the
// header, counted from 1; the column number while every earlier serial type is one byte).
// Lengths count characters; a sample takes as many bytes as its characters need in the
// database's encoding. Type's position follows the ActivityId's serial type.
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
    // The header-size byte is right but the payload length and rowid before it are not the
    // record's (a freeblock header took them): the rowid is not read either.
    bool prefix_lost = false;
    std::size_t columns = 0;  // the serial types it holds; 0: counted in the header
    uint8 lost_types = 0;     // leading serial types a freeblock header took
};

int32 int_length(const byte_reader& bytes) {
    return static_cast<int32>(
        std::min<std::size_t>(bytes.size(), std::numeric_limits<int32>::max()));
}

std::size_t forward_at(const byte_reader& chunk, std::size_t at, const char* const* patterns,
                       std::size_t count) {
    byte_reader rest;
    if (count == 0 || !chunk.tail(at, rest) || rest.empty()) {
        return 0;
    }
    return match_signature_forward(rest.data(), int_length(rest), static_cast<int32>(count), 0,
                                   patterns);
}

template <std::size_t N>
std::size_t forward_at(const byte_reader& chunk, std::size_t at,
                       const std::array<const char*, N>& patterns) {
    return forward_at(chunk, at, patterns.data(), N);
}

// The bytes of the varint at `at` as its continuation bits give them, 0 when the chunk ends
// first: where the next serial type starts, known before the varint is looked at.
std::size_t varint_bytes_at(const byte_reader& chunk, std::size_t at) {
    for (std::size_t i = 0; i < sqlite_format::varint::max_length; ++i) {
        uint8 b = 0;
        if (!chunk.u8_at(at + i, b)) {
            return 0;
        }
        if ((b & sqlite_format::varint::more_flag) == 0) {
            return i + 1;
        }
    }
    return sqlite_format::varint::max_length;
}

// Whether the serial type of `bytes` bytes at `at` is NULL, a text or a blob. A one-byte type
// is looked at here directly; the matcher reads only a longer varint.
bool is_null_text_or_blob(const byte_reader& chunk, std::size_t at, std::size_t bytes) {
    uint8 b = 0;
    if (bytes != 1) {
        return bytes != 0 && forward_at(chunk, at, null_text_or_blob) == bytes;
    }
    return chunk.u8_at(at, b) && (b == type_null || b >= sqlite_format::serial_type::blob_min);
}

// Whether the serial type of `bytes` bytes at `at` is any value's (not a reserved one).
bool is_any_value(const byte_reader& chunk, std::size_t at, std::size_t bytes) {
    uint8 b = 0;
    if (bytes != 1) {
        return bytes != 0 && forward_at(chunk, at, any_value) == bytes;
    }
    return chunk.u8_at(at, b) && b != sqlite_format::serial_type::reserved_10 &&
           b != sqlite_format::serial_type::reserved_11;
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

// The start of the varint whose last byte is at `last` (top bit clear), stepping back over
// the bytes with their top bit set before it. Reaching the chunk's start, the varint may
// begin before it: npos, unless at_chunk_start (its value is then checked on its own).
std::size_t varint_start_ending_at(const byte_reader& chunk, std::size_t last,
                                   bool at_chunk_start) {
    uint8 b = 0;
    if (!chunk.u8_at(last, b) || (b & sqlite_format::varint::more_flag) != 0) {
        return std::string::npos;
    }
    std::size_t start = last;
    while (last - start < sqlite_format::varint::max_length - 1) {
        if (start == 0) {
            return at_chunk_start ? 0 : std::string::npos;
        }
        if (!chunk.u8_at(start - 1, b)) {
            return std::string::npos;
        }
        if ((b & sqlite_format::varint::more_flag) == 0) {
            return start;
        }
        --start;
    }
    return start;
}

// The payload length the serial types of a hit's header give: the header and every
// column's content, whether or not the content lies in the chunk.
uint64 payload_of(const byte_reader& chunk, const push_hit& hit) {
    uint64 total = hit.header_size;
    std::size_t at = hit.first;
    const std::size_t end = hit.first + hit.header_size - 1;
    while (at < end) {
        uint64 type = 0;
        int32 bytes = 0;
        if (!read_varint(type, bytes, chunk, at) || bytes <= 0) {
            return 0;
        }
        total += serial_type_content_size(type);
        at += static_cast<std::size_t>(bytes);
    }
    return total;
}

// A table leaf cell is the payload length, the rowid and the record. The rowid before a hit
// is the record's only when the varint before it gives the record's payload length: where a
// freeblock header took those bytes (a record of 128 bytes or more with a rowid of 128 or
// more loses just the two varints to it), the bytes read there are the header's, and the
// rowid is not known.
bool cell_prefix_agrees(const byte_reader& chunk, const push_hit& hit) {
    if (hit.first < 2 || hit.header_size == 0) {
        return false;
    }
    const std::size_t rowid = varint_start_ending_at(chunk, hit.first - 2, false);
    if (rowid == std::string::npos || rowid == 0) {
        return false;
    }
    // A payload length that starts the chunk is taken when its value is the record's: the
    // bytes of a longer varint before the chunk would make it another.
    const std::size_t payload = varint_start_ending_at(chunk, rowid - 1, true);
    uint64 length = 0;
    int32 bytes = 0;
    byte_reader varint;
    return payload != std::string::npos && chunk.sub(payload, rowid - payload, varint) &&
           read_varint(length, bytes, varint, 0) && length == payload_of(chunk, hit);
}

}  // namespace

namespace {

// The first bytes of Type (at header position type_position) at the header size under test:
// a notification's type begins "tile", "toast" or "badge".
bool type_sample_accepted(const byte_reader& chunk, std::size_t first, std::size_t header_size,
                          std::size_t type_position, text_encoding encoding) {
    byte_reader record;
    std::string text;
    if (!record_from(chunk, first, record) ||
        !extract_column_text_at(text, record.data(), int_length(record),
                                static_cast<int32>(type_position),
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

// The serial types of a notification up to ArrivalTime, matched at n: the anchor (Order's
// NULL, Id, HandlerId), ActivityId and the six of Type to ArrivalTime.
struct notification_types {
    std::size_t type_position = 0;  // Type's header position
    std::size_t s10 = 0;            // the header size of a ten-column record
};

// The serial types from Id on, at id_at: Id, HandlerId, ActivityId and the six of Type to
// ArrivalTime; positions in out count Order's serial type, which lies before id_at.
bool notification_types_at(const byte_reader& chunk, std::size_t id_at, notification_types& out) {
    uint8 id = 0;
    uint8 handler = 0;
    if (!chunk.has(id_at, notification_anchor) || !chunk.u8_at(id_at, id) ||
        !chunk.u8_at(id_at + 1, handler) || !in_types(id, integer_types) ||
        !in_types(handler, integer_or_null_types)) {
        return false;
    }
    const std::size_t activity_at = id_at + notification_anchor - 1;
    const std::size_t activity = varint_bytes_at(chunk, activity_at);
    uint8 type = 0;
    // Type (TEXT NOT NULL) is looked at before any matcher runs: an odd one-byte serial type
    // of 13 or more, or the first byte of a longer one.
    if (activity == 0 || !chunk.u8_at(activity_at + activity, type) ||
        (type < sqlite_format::varint::more_flag &&
         (type < sqlite_format::serial_type::text_min || type % 2 == 0)) ||
        !is_any_value(chunk, activity_at, activity)) {
        return false;
    }
    const std::size_t six = forward_at(chunk, activity_at + activity, notification_six);
    if (six == 0) {
        return false;
    }
    // Header positions count from 1 at Order; the header size counts the size byte too.
    out.type_position = notification_anchor + activity + 1;
    out.s10 = 1 + notification_anchor + activity + six;
    return true;
}

// The anchor at n: Order's NULL (the rowid alias), then the serial types from Id on.
bool notification_anchor_at(const byte_reader& chunk, std::size_t n, notification_types& out) {
    uint8 order = 0;
    return chunk.u8_at(n, order) && order == type_null && notification_types_at(chunk, n + 1, out);
}

// One layout a notification may have: its header size, mask and column count.
struct notification_layout {
    std::size_t size = 0;
    uint64 mask = 0;
    std::size_t columns = 0;
};

// The longer layouts after the ten serial types matched, longest first, then ten columns;
// a layout whose serial types do not match is left out (size 0). With a schema that adds
// columns after the known ones, its layout comes first.
std::array<notification_layout, 5> notification_layouts(const byte_reader& chunk, std::size_t n,
                                                        const notification_types& types,
                                                        const notification_schema_layout* schema) {
    const std::size_t after_ten = n - 1 + types.s10;
    const std::size_t four = forward_at(chunk, after_ten, notification_four);
    const std::size_t two = forward_at(chunk, after_ten, notification_two);
    const std::size_t one = forward_at(chunk, after_ten, notification_one);
    const auto layout = [&](std::size_t bytes, uint64 mask, std::size_t columns) {
        return bytes == 0 ? notification_layout{}
                          : notification_layout{types.s10 + bytes, mask, columns};
    };
    std::array<notification_layout, 5> layouts = {
        notification_layout{}, layout(four, notification_fourteen, 14),
        layout(two, notification_twelve, 12), layout(one, notification_eleven, 11),
        notification_layout{types.s10, notification_ten, 10}};
    if (schema != nullptr && schema->fit == notification_layout_fit::added_columns) {
        for (const notification_layout& known : layouts) {
            if (known.mask != schema->known_mask || known.size == 0) {
                continue;
            }
            const std::size_t added =
                forward_at(chunk, n - 1 + known.size, schema->added_patterns.data(), schema->added);
            layouts[0] = added == 0 ? notification_layout{}
                                    : notification_layout{known.size + added, known.mask,
                                                          known.columns + schema->added};
        }
    }
    return layouts;
}

// The layout whose header size the header-size byte h gives, then (the byte lost or wrong)
// the first layout in order: each confirmed by the type sample at its own header size.
bool notification_test_at(const byte_reader& chunk, std::size_t n, std::optional<uint8> h,
                          const notification_schema_layout* schema, text_encoding encoding,
                          push_hit& hit) {
    notification_types types;
    if (!notification_anchor_at(chunk, n, types)) {
        return false;
    }
    const auto layouts = notification_layouts(chunk, n, types, schema);
    const auto accepted = [&](const notification_layout& l) {
        return l.size != 0 && type_sample_accepted(chunk, n, l.size, types.type_position, encoding);
    };
    for (const bool header_agrees : {true, false}) {
        for (const notification_layout& l : layouts) {
            const bool agrees = h.has_value() && *h == l.size;
            if (agrees == header_agrees && accepted(l)) {
                hit = make_hit(n, l.size, l.mask, push_table_notification, !agrees);
                hit.columns = l.columns;
                return true;
            }
        }
    }
    return false;
}

// The anchor n is the first serial type; the header-size byte before it must lie in the
// chunk.
bool notification_test(const byte_reader& chunk, std::size_t n,
                       const notification_schema_layout* schema, text_encoding encoding,
                       push_hit& hit) {
    uint8 h = 0;
    return n != 0 && chunk.u8_at(n - 1, h) &&
           notification_test_at(chunk, n, h, schema, encoding, hit);
}

// A short record under a freeblock header: the header took its payload length, rowid,
// header-size byte and Order's NULL, so its Id's serial type lies 4 bytes after the header.
// Such a header starts a freeblock, or lies inside one: freeing a cell writes a header over
// it, and freeing the cell just before it then merges the two under the lower one's header,
// leaving the higher one's in place (SQLite's freeSpace); a freeblock that reached the cell
// content area leaves its headers in the gap. block ends where the slack does. The record is
// matched with the two lost bytes put back (the header size unknown); its rowid is lost with
// them and is not made up.
bool under_freeblock_header(const byte_reader& block, std::size_t header_at, bool chained,
                            const notification_schema_layout* schema, text_encoding encoding,
                            push_hit& hit) {
    namespace fb = sqlite_format::freeblock;
    const std::size_t id_at = header_at + fb::header_size;
    notification_types types;
    uint16 size = 0;
    byte_reader rest;
    // The serial types are tested where they lie before anything is copied: most positions
    // fail at the first two bytes.
    if (!notification_types_at(block, id_at, types) || !block.be16_at(header_at + fb::size, size) ||
        size < fb::header_size || !block.tail(id_at, rest)) {
        return false;
    }
    // The four bytes held a one-byte payload length: the record is under 128 bytes, and no
    // more is copied (nor past the slack's end).
    constexpr std::size_t short_record = sqlite_format::varint::more_flag;
    const std::size_t copied = std::min(rest.size(), short_record);
    thread_local byte_array restored;
    restored.assign({0, type_null});  // a header-size byte that matches no layout, and Order
    restored.insert(restored.end(), rest.data(), rest.data() + copied);
    const byte_reader record(restored.data(), restored.size());
    if (!notification_test_at(record, 1, std::nullopt, schema, encoding, hit)) {
        return false;
    }
    // A stale header was written over this very cell, so its size covers the cell (payload
    // length, rowid and payload); a live freeblock's may since have shrunk, a cell taken from
    // its end.
    constexpr uint64 short_cell_prefix = 2;  // a one-byte payload length and rowid
    const uint64 payload = payload_of(record, hit);
    if (payload >= short_record || (!chained && size < payload + short_cell_prefix)) {
        return false;
    }
    hit.first = id_at - 1;
    hit.lost_types = 1;
    hit.corrected = true;
    return true;
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
    // DeviceVersion (INT64, default 0) follows the times in the six-column layout.
    if (h == s5 + 1 && in_types(after, integer_or_null_types)) {
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

// The handler anchor is columns 0x20 to 0x100: WNFEventName (NULL or an 8-byte integer),
// SystemDataPropertySet (NULL, a blob or a text) and the created and modified time texts.
// Its length in bytes, or 0.
std::size_t handler_anchor_at(const byte_reader& chunk, std::size_t n, text_encoding encoding) {
    uint8 event_name = 0;
    if (!chunk.u8_at(n, event_name) || (event_name != type_null && event_name != type_int64)) {
        return 0;
    }
    // The time texts after the property set are looked at first: most positions fail there.
    const uint8 time = handler_time_text(encoding);
    const std::size_t property_set = varint_bytes_at(chunk, n + 1);
    const std::size_t length = 1 + property_set + 2;
    uint8 created = 0;
    uint8 modified = 0;
    if (property_set == 0 || !chunk.has(n, length + 1) ||
        !chunk.u8_at(n + 1 + property_set, created) || created != time ||
        !chunk.u8_at(n + 2 + property_set, modified) || modified != time ||
        !is_null_text_or_blob(chunk, n + 1, property_set)) {
        return 0;
    }
    return length;
}

// Steps 3 to 6 of the handler test: four columns before the anchor, one or two after it; the
// header-size byte must give the layout's size and the primary id must look like one there.
bool handler_without_wns(const byte_reader& chunk, std::size_t n, std::size_t anchor,
                         text_encoding encoding, push_hit& hit) {
    const int32 d = backward_before(chunk, n, handler_four_look_back, handler_four);
    const auto back = static_cast<std::size_t>(-static_cast<int64>(d));
    uint8 h = 0;
    if (d == 0 || back >= n || !chunk.u8_at(n - back - 1, h)) {
        return false;
    }
    const std::size_t first = n - back;
    const std::size_t base = anchor + 1 + back;
    const std::size_t two = forward_at(chunk, n + anchor, handler_two);
    const std::size_t one = forward_at(chunk, n + anchor, handler_one);
    // The layout whose size the header-size byte gives: a ParentId followed by a text or NULL
    // also matches the ten-column layout, whose size then disagrees.
    for (const auto& [bytes, mask] :
         {std::pair{two, handler_ten_no_wns}, std::pair{one, handler_nine_no_wns}}) {
        if (bytes != 0 && h == base + bytes &&
            handler_sample_accepted(chunk, first, base + bytes, encoding)) {
            hit = make_hit(first, base + bytes, mask, push_table_handler, false);
            return true;
        }
    }
    return false;
}

bool handler_test(const byte_reader& chunk, std::size_t n, text_encoding encoding, push_hit& hit) {
    const std::size_t anchor = handler_anchor_at(chunk, n, encoding);
    if (anchor == 0) {
        return false;
    }
    const int32 d = backward_before(chunk, n, handler_five_look_back, handler_five);
    const auto back = static_cast<std::size_t>(-static_cast<int64>(d));
    uint8 h = 0;
    if (d != 0 && back < n && chunk.u8_at(n - back - 1, h) && h == anchor + 1 + back) {
        hit = make_hit(n - back, h, handler_nine, push_table_handler, false);
        return true;
    }
    return handler_without_wns(chunk, n, anchor, encoding, hit);
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

#if defined(__SSE2__)
// Sixteen bytes at a time where the processor compares them at once: the loops below pass
// over payload text and zeroed space, most of the bytes a carve reads, in half the turns.
constexpr std::size_t block_stride = 16;

// The sixteen bytes at n; the caller keeps n + 16 inside.
__m128i block_at(std::span<const uint8> bytes, std::size_t n) {
    __m128i v;
    std::memcpy(&v, bytes.subspan(n, block_stride).data(), block_stride);
    return v;
}

// One bit per byte of the block, set where the byte is a serial type from 1 to 9 (a number).
uint32 has_small_number(__m128i v) {
    constexpr uint8 last_number = sqlite_format::serial_type::reserved_10 - 1;
    const __m128i at_most = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(last_number)), v);
    return static_cast<uint32>(
        _mm_movemask_epi8(_mm_andnot_si128(_mm_cmpeq_epi8(v, _mm_setzero_si128()), at_most)));
}

// One bit per byte of the block, set where the byte is b.
uint32 bytes_equal(__m128i v, uint8 b) {
    return static_cast<uint32>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(b)))));
}
#endif

// Past the zero run of eight bytes at n, in steps of eight, to the first step at or past end
// or whose eight bytes are not all zero.
std::size_t past_zero_run(const byte_reader& chunk, std::size_t n, std::size_t end) {
    n += zero_stride;
#if defined(__SSE2__)
    const std::span<const uint8> bytes(chunk.data(), chunk.size());
    // Both steps of eight over a block of zeros inside end would be taken.
    while (end - std::min(n, end) >= block_stride && bytes_equal(block_at(bytes, n), 0) == 0xffff) {
        n += block_stride;
    }
#endif
    while (n < end && eight_zero_bytes(chunk, n)) {
        n += zero_stride;
    }
    return n;
}

void record_hit(std::vector<carved_record>& hits, const byte_reader& chunk, const push_hit& hit,
                uint64 chunk_offset) {
    carved_record& r = hits.emplace_back();
    r.offset_in_chunk = hit.first;
    r.file_offset = chunk_offset != 0 ? chunk_offset + hit.first : 0;
    // The serial types fill the header-size - 1 bytes from the first one; count_varints
    // looks at all but the last byte it is given.
    int32 count = static_cast<int32>(std::min<std::size_t>(hit.columns, 0xff));
    byte_reader types;
    if (count == 0 && chunk.tail(hit.first, types)) {
        const std::size_t span = std::min(hit.header_size, chunk.size() - hit.first + 1);
        count = count_varints(types.data(), static_cast<int32>(span));
    }
    r.column_count = static_cast<uint8>(std::clamp<int32>(count, 0, 0xff));
    r.table_type = static_cast<int32>(hit.table_type);
    r.column_mask = hit.mask;
    r.header_corrected = hit.corrected     ? header_fix::size_byte
                         : hit.prefix_lost ? header_fix::cell_prefix
                                           : uint8{0};
    r.lost_types = hit.lost_types;
}

// Every anchor starts with a NULL or an 8-byte integer serial type (the notification's
// Order, the handler's WNFEventName, the channel's expiry time): the first offset at or
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
#if defined(__SSE2__)
    while (n < end && end - n >= block_stride) {
        const __m128i v = block_at(bytes, n);
        const uint32 found = bytes_equal(v, type_null) | bytes_equal(v, type_int64);
        if (found != 0) {
            return n + static_cast<std::size_t>(std::countr_zero(found));
        }
        n += block_stride;
    }
#endif
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

bool find_at(const byte_reader& chunk, std::size_t n, uint64 tables,
             const notification_schema_layout* schema, text_encoding encoding, push_hit& hit) {
    return ((tables & push_table_notification) != 0 &&
            notification_test(chunk, n, schema, encoding, hit)) ||
           ((tables & push_table_channel) != 0 && channel_test(chunk, n, encoding, hit)) ||
           ((tables & push_table_handler) != 0 && handler_test(chunk, n, encoding, hit));
}

// The first hit from `from` on at or after a chunk position (hits are in position order).
std::vector<carved_record>::iterator first_at_or_after(std::vector<carved_record>& hits,
                                                       std::size_t from, std::size_t offset) {
    return std::lower_bound(
        hits.begin() + static_cast<std::ptrdiff_t>(from), hits.end(), offset,
        [](const carved_record& r, std::size_t o) { return r.offset_in_chunk < o; });
}

bool found_at(std::vector<carved_record>& hits, std::size_t from, std::size_t offset) {
    const auto at = first_at_or_after(hits, from, offset);
    return at != hits.end() && at->offset_in_chunk == offset;
}

// Adds a hit unless the scan found one at the same place; hits stays in position order.
void add_found_once(std::vector<carved_record>& hits, std::size_t from, const byte_reader& chunk,
                    const push_hit& hit, uint64 chunk_offset) {
    const auto at = first_at_or_after(hits, from, hit.first);
    if (at != hits.end() && at->offset_in_chunk == hit.first) {
        return;
    }
    const auto index = at - hits.begin();
    record_hit(hits, chunk, hit, chunk_offset);
    std::rotate(hits.begin() + index, hits.end() - 1, hits.end());
}

// Where the Id of a record under a freeblock header may lie, at or after n and before end:
// Id is a number (serial type 1 to 9) and HandlerId a number or NULL (0 to 9), which text,
// zeroed space and most other content seldom hold. Eight bytes at a time while none is
// from 1 to 9: the word test below finds such a byte without a branch per byte.
std::size_t next_number_pair(const byte_reader& block, std::size_t n, std::size_t end) {
    constexpr uint64 ones = 0x0101010101010101ULL;
    constexpr uint64 highs = 0x8080808080808080ULL;
    constexpr uint64 low_bits = ones * 0x7f;
    constexpr uint8 number_limit = sqlite_format::serial_type::reserved_10;
    // High bits set where the word may hold a byte from 1 to 9; none when it holds none.
    const auto small_numbers = [&](uint64 w) {
        const uint64 t = w & low_bits;
        return (ones * (0x7f + number_limit) - t) & ~w & (t + low_bits) & highs;
    };
    const std::span<const uint8> bytes(block.data(), block.size());
    while (n < end) {
        // Two words a turn: the text of payloads, most of what is passed over, costs half
        // the turns.
#if defined(__SSE2__)
        while (end - n >= block_stride && n + block_stride <= bytes.size() &&
               has_small_number(block_at(bytes, n)) == 0) {
            n += block_stride;
        }
#else
        while (end - n >= 2 * zero_stride && n + 2 * zero_stride <= bytes.size() &&
               (small_numbers(word_at(bytes, n)) |
                small_numbers(word_at(bytes, n + zero_stride))) == 0) {
            n += 2 * zero_stride;
        }
#endif
        while (end - n >= zero_stride && n + zero_stride <= bytes.size() &&
               small_numbers(word_at(bytes, n)) == 0) {
            n += zero_stride;
        }
        for (const std::size_t stop = std::min(end, n + zero_stride); n < stop; ++n) {
            if (bytes[n] != 0 && bytes[n] < number_limit && n + 1 < bytes.size() &&
                bytes[n + 1] < number_limit) {
                return n;
            }
        }
    }
    return end;
}

// The notifications whose first bytes a freeblock header took, at every position of the
// chunk's slack where the scan found no record.
void find_at_freeblocks(std::vector<carved_record>& hits, std::size_t from,
                        const byte_reader& chunk, uint64 chunk_offset,
                        const notification_schema_layout* schema, text_encoding encoding) {
    namespace fb = sqlite_format::freeblock;
    thread_local std::vector<slack_range> ranges;
    chunk_slack_ranges(ranges, chunk);
    for (const slack_range& range : ranges) {
        byte_reader block;  // the chunk up to the slack's end (the ranges lie in the chunk)
        if (!chunk.sub(0, range.end, block)) {
            continue;
        }
        if (block.size() <= range.start + fb::header_size + notification_anchor) {
            continue;
        }
        const std::size_t last_id = block.size() - notification_anchor;
        for (std::size_t at = range.start; at + fb::header_size < last_id;) {
            at = next_number_pair(block, at + fb::header_size, last_id) - fb::header_size;
            push_hit hit;
            // Where the scan found a record with its Order, the same record is not looked for
            // again without it.
            if (at + fb::header_size >= last_id || found_at(hits, from, at + fb::header_size - 1) ||
                !under_freeblock_header(block, at, range.chained && at == range.start, schema,
                                        encoding, hit)) {
                ++at;
                continue;
            }
            add_found_once(hits, from, chunk, hit, chunk_offset);
            // The next freed cell starts after this record's header at the earliest.
            at = hit.first + std::max<std::size_t>(hit.header_size, 1);
        }
    }
}

// The layout the notification table's definition gives, worked out again only when the
// definition's columns change: the carver calls the finder for every chunk, and matching
// each column against the known names costs more than comparing the names themselves.
const notification_schema_layout& schema_layout_of(const table_definition& def) {
    thread_local std::vector<std::pair<std::string, uint32>> columns;
    thread_local notification_schema_layout layout;
    thread_local bool worked_out = false;
    const auto same = [&def]() {
        return std::equal(columns.begin(), columns.end(), def.m_columns.begin(),
                          def.m_columns.end(), [](const auto& known, const column_definition& c) {
                              return known.first == c.m_name_lower &&
                                     known.second == c.m_constraints;
                          });
    };
    if (worked_out && same()) {
        return layout;
    }
    columns.clear();
    for (const column_definition& c : def.m_columns) {
        columns.emplace_back(c.m_name_lower, c.m_constraints);
    }
    layout = notification_layout_of(def);
    worked_out = true;
    return layout;
}

}  // namespace

bool find_push_records_in(std::vector<carved_record>& hits, const uint8* data, uint32 length,
                          uint64 chunk_offset, bool append, uint64 tables, text_encoding encoding,
                          const notification_schema_layout* schema) {
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
            n = past_zero_run(chunk, n, end);
            continue;
        }
        push_hit hit;
        if (!find_at(chunk, n, tables, schema, encoding, hit)) {
            ++n;
            continue;
        }
        hit.prefix_lost = !hit.corrected && !cell_prefix_agrees(chunk, hit);
        record_hit(hits, chunk, hit, chunk_offset);
        n += std::max<std::size_t>(hit.header_size, 1);
    }
    if ((tables & push_table_notification) != 0) {
        find_at_freeblocks(hits, before, chunk, chunk_offset, schema, encoding);
    }
    return hits.size() > before;
}

bool find_push_records(std::vector<carved_record>& hits, const uint8* data, uint32 length,
                       uint64 chunk_offset, bool append, text_encoding encoding, void* context) {
    const auto* options = static_cast<const velk_options*>(context);
    if (options == nullptr) {
        return find_push_records_in(hits, data, length, chunk_offset, append, all_push_tables,
                                    encoding);
    }
    // The schema read with the database tells whether its notifications carry added columns.
    return find_push_records_in(hits, data, length, chunk_offset, append, options->m_carve_tables,
                                encoding, &schema_layout_of(options->m_notification_def));
}
