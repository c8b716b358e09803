#include "sqlite/column_text.h"

#include <algorithm>
#include <limits>

#include "sqlite/serial_type.h"
#include "sqlite/sqlite_format.h"
#include "sqlite/text_filter.h"
#include "sqlite/varint.h"

namespace st = sqlite_format::serial_type;

namespace {

uint64 saturating_add(uint64 a, uint64 b) {
    return b > std::numeric_limits<uint64>::max() - a ? std::numeric_limits<uint64>::max() : a + b;
}

// The content size of the wanted column. A finder asks for text or blob columns only: the
// fixed-size types have no size here.
column_fault wanted_size(uint64 type, bool blob, uint64& size) {
    if (type == st::null) {
        return column_fault::null_column;
    }
    if (blob) {
        if ((type & 1) != 0 || type < st::blob_min) {
            return column_fault::wrong_kind;
        }
        size = (type - st::blob_min) / 2;
        return column_fault::none;
    }
    // (type - 13) / 2 rounded toward zero: 12 gives 0, anything smaller is negative.
    if (type < st::blob_min) {
        return column_fault::wrong_kind;
    }
    size = type >= st::text_min ? (type - st::text_min) / 2 : 0;
    return column_fault::none;
}

// Places the wanted column, whose serial type sits at `at`, with its content at `content`.
column_fault place_column(column_span& out, std::size_t length, std::size_t at, uint64 content,
                          uint64 type, bool blob, bool allow_cut) {
    uint64 size = 0;
    const column_fault kind = wanted_size(type, blob, size);
    if (kind != column_fault::none) {
        return kind;
    }
    // A header whose sizes point past the data describes no content here, cut or not.
    if (content >= length) {
        return column_fault::content_past_data;
    }
    if (size > length - content) {
        if (!allow_cut) {
            return column_fault::content_cut;
        }
        size = length - content;
    }
    if (size > length - at) {
        return column_fault::content_too_long;
    }
    out.content = static_cast<std::size_t>(content);
    out.size = static_cast<std::size_t>(size);
    return column_fault::none;
}

}  // namespace

column_fault locate_column(column_span& out, const kq::byte_reader& record, int32 header_position,
                           uint16 header_size, bool blob, bool allow_cut) {
    out = column_span{};
    const std::size_t length = record.size();
    if (length == 0 ||
        (header_position >= 0 && static_cast<std::size_t>(header_position) >= length)) {
        return column_fault::no_data;
    }
    if (header_position < 1) {
        return column_fault::position_skipped;
    }
    uint64 content = header_size;
    int32 n = 1;
    // The length of a non-empty view always reads as a varint (a cut one included).
    if (header_size == 0 && !read_varint(content, n, record, 0)) {
        return column_fault::no_data;
    }
    std::size_t at = static_cast<std::size_t>(n);
    out.after_header_size = length - at;
    for (int64 counter = 1; counter <= header_position;) {
        uint64 type = 0;
        if (!read_varint(type, n, record, at)) {
            return column_fault::serial_type_unread;
        }
        if (counter == header_position) {
            return place_column(out, length, at, content, type, blob, allow_cut);
        }
        uint32 code = 0;
        uint32 size = 0;
        map_serial_type(type, code, size);
        content = saturating_add(content, size);
        counter += n;
        at += static_cast<std::size_t>(n);
        if (length - at < 2) {
            return column_fault::header_exhausted;
        }
    }
    return column_fault::position_skipped;
}

namespace {

// max_length, never below 0 and never above the bytes after the header-size varint.
uint32 clamp_max(int32 max_length, const column_span& span) {
    const std::size_t max = max_length < 0 ? 0 : static_cast<std::size_t>(max_length);
    return static_cast<uint32>(std::min(max, span.after_header_size));
}

uint32 clamp_min(int32 min_length) { return min_length < 0 ? 0 : static_cast<uint32>(min_length); }

bool whole_column(std::string& out, const kq::byte_reader& content, uint32 flags,
                  text_encoding encoding) {
    const auto size = static_cast<uint32>(content.size());
    if (is_utf16(encoding)) {
        return filter_utf16(out, content.data(), size, flags, encoding == text_encoding::utf16be);
    }
    return filter_ascii(out, content.data(), size, flags) ||
           filter_utf16(out, content.data(), size, flags);
}

bool column_prefix(std::string& out, const kq::byte_reader& content, uint32 min, uint32 max,
                   uint32 flags, text_encoding encoding) {
    if (is_utf16(encoding)) {
        return filter_utf16_prefix(out, content.data(), min, max, flags,
                                   encoding == text_encoding::utf16be);
    }
    return filter_ascii_prefix(out, content.data(), min, max, flags) ||
           filter_utf16_prefix(out, content.data(), min, max, flags);
}

}  // namespace

bool extract_column_text(std::string& out, const uint8* data, int32 length, int32 header_position,
                         int32 min_length, int32 max_length, uint32 flags, uint16 header_size,
                         bool blob, bool allow_cut, text_encoding encoding) {
    const kq::byte_reader record(data, length > 0 ? static_cast<std::size_t>(length) : 0);
    out.clear();
    column_span span;
    kq::byte_reader content;
    if (locate_column(span, record, header_position, header_size, blob, allow_cut) !=
            column_fault::none ||
        !record.sub(span.content, span.size, content)) {
        return false;
    }
    const uint32 max = clamp_max(max_length, span);
    if (allow_cut && max < content.size()) {
        return column_prefix(out, content, clamp_min(min_length), max, flags, encoding);
    }
    if (content.size() > max) {
        return false;
    }
    return whole_column(out, content, flags, encoding);
}

bool extract_column_text_at(std::string& out, const uint8* data, int32 length,
                            int32 header_position, int32 max_length, uint32 flags,
                            uint16 header_size, bool blob, bool allow_cut, text_encoding encoding) {
    const kq::byte_reader record(data, length > 0 ? static_cast<std::size_t>(length) : 0);
    out.clear();
    column_span span;
    kq::byte_reader content;
    if (locate_column(span, record, header_position, header_size, blob, allow_cut) !=
            column_fault::none ||
        !record.sub(span.content, span.size, content)) {
        return false;
    }
    const uint32 max = clamp_max(max_length, span);
    if (allow_cut && max < content.size()) {
        kq::byte_reader head;
        return content.sub(0, max, head) && whole_column(out, head, flags, encoding);
    }
    if (content.size() > max) {
        return false;
    }
    return whole_column(out, content, flags, encoding);
}
