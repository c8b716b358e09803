#include "sqlite/record_decoder.h"

#include <algorithm>

#include "sqlite/record_dump.h"
#include "sqlite/record_header.h"
#include "sqlite/record_value.h"
#include "sqlite/serial_type.h"
#include "sqlite/value_code.h"
#include "sqlite/value_display.h"
#include "text/number_text.h"
#include "text/text_replace.h"

namespace {

// Decimal texts of this many bytes may hold a FILETIME or a Unix time in milliseconds or
// microseconds written out as text.
constexpr uint32 shortest_time_text = 17;
constexpr uint32 longest_time_text = 20;

struct column_options {
    bool annotate_times = false;
    bool raw_blobs = false;
    text_encoding encoding = text_encoding::utf8;
    bool keep_extras = true;
};

void mark_time(record_decoder& d, std::size_t column, const value_time& t, bool annotate) {
    d.time_values[static_cast<int32>(column)] = t.filetime;
    d.value_codes[column] += value_code::time_mark(t.kind);
    if (annotate) {
        append_time_annotation(d.values[column], t.filetime);
    }
}

void decode_integer_column(record_decoder& d, std::size_t column, const kq::byte_reader& bytes,
                           const column_options& o) {
    const integer_value v = decode_integer(bytes, d.content_sizes[column]);
    d.values[column] = integer_text(v);
    value_time t;
    if (o.keep_extras && recognise_integer_time(t, v.bits)) {
        mark_time(d, column, t, o.annotate_times);
    }
}

void decode_real_column(record_decoder& d, std::size_t column, const kq::byte_reader& bytes,
                        const column_options& o) {
    double v = 0;
    value_time t;
    if (real_text(d.values[column], v, bytes) && o.keep_extras && recognise_real_time(t, v)) {
        mark_time(d, column, t, o.annotate_times);
    }
}

void decode_text_column(record_decoder& d, std::size_t column, const kq::byte_reader& bytes,
                        const column_options& o) {
    std::string& text = d.values[column];
    text_value(text, bytes, o.encoding);
    // The length rule counts characters: a UTF-16 digit takes two bytes.
    const uint32 size = d.content_sizes[column] / (is_utf16(o.encoding) ? 2 : 1);
    uint64 number = 0;
    value_time t;
    if (o.keep_extras && size >= shortest_time_text && size <= longest_time_text &&
        string_to_uint64(text, &number) && recognise_integer_time(t, number)) {
        mark_time(d, column, t, o.annotate_times);
    }
}

void decode_blob_column(record_decoder& d, std::size_t column, const kq::byte_reader& bytes,
                        const column_options& o) {
    if (o.keep_extras) {
        byte_array& kept = d.blob_values[static_cast<int32>(column)];
        (void)bytes.copy_to(0, bytes.size(), kept);  // the whole view: cannot fail
    }
    std::string& text = d.values[column];
    if (o.raw_blobs) {
        bytes_as_text(text, bytes);
        return;
    }
    blob_hex_text(text, bytes);
    // A report line must not be broken by the hex view's line end.
    (void)remove_char(text, '\r');
    (void)remove_char(text, '\n');
}

void decode_column(record_decoder& d, std::size_t column, const kq::byte_reader& bytes,
                   const column_options& o) {
    const uint32 kind = value_code::kind_of(d.value_codes[column]);
    if (constant_value_text(d.values[column], kind)) {
        return;
    }
    switch (kind) {
        case value_code::integer:
            decode_integer_column(d, column, bytes, o);
            return;
        case value_code::real:
            decode_real_column(d, column, bytes, o);
            return;
        case value_code::text:
            decode_text_column(d, column, bytes, o);
            return;
        case value_code::blob:
            decode_blob_column(d, column, bytes, o);
            return;
        default:
            return;
    }
}

}  // namespace

void record_decoder::reset() {
    value_codes.clear();
    content_sizes.clear();
    time_values.clear();
    blob_values.clear();
    values.clear();
}

bool decode_record(record_decoder& d, int32& consumed, std::ostream* dump,
                   const kq::byte_reader& data, uint64 dump_offset, bool annotate_times,
                   bool raw_blobs, text_encoding encoding, bool keep_extras) {
    d.reset();
    consumed = 0;
    uint32 header_size = 0;
    if (!parse_record_header_all(header_size, d.value_codes, d.content_sizes, data)) {
        return true;
    }
    if (header_size > data.size()) {
        return false;
    }
    if (dump != nullptr) {
        dump_record_header(*dump, dump_offset, header_size, d.value_codes, d.content_sizes);
    }
    const column_options o{annotate_times, raw_blobs, encoding, keep_extras};
    d.values.resize(d.value_codes.size());
    std::size_t at = header_size;
    for (std::size_t column = 0; column < d.value_codes.size(); ++column) {
        // A column past the end of the data takes what is left, possibly nothing.
        const std::size_t take = std::min<std::size_t>(d.content_sizes[column], data.size() - at);
        kq::byte_reader bytes;
        (void)data.sub(at, take, bytes);  // take never passes the end
        decode_column(d, column, bytes, o);
        at += take;
    }
    if (dump != nullptr) {
        dump_record_values(*dump, d.value_codes, d.content_sizes, d.values, true);
    }
    consumed = static_cast<int32>(at);
    return true;
}

bool decode_record(record_decoder& d, int32& consumed, std::ostream* dump, const uint8* data,
                   uint32 length, uint32 /*page_size*/, uint64 dump_offset, bool annotate_times,
                   bool raw_blobs, text_encoding encoding, bool keep_extras) {
    return decode_record(d, consumed, dump, kq::byte_reader(data, length), dump_offset,
                         annotate_times, raw_blobs, encoding, keep_extras);
}
