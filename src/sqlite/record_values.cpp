#include "sqlite/record_values.h"

#include <algorithm>
#include <numeric>

#include "sqlite/btree_page.h"
#include "sqlite/record_dump.h"
#include "sqlite/record_value.h"
#include "sqlite/serial_type.h"
#include "sqlite/sqlite_format.h"
#include "sqlite/value_code.h"
#include "sqlite/value_display.h"

namespace {

std::string bytes_text(const kq::byte_reader& bytes) {
    std::string text;
    bytes_as_text(text, bytes);
    return text;
}

std::string encoded_text(const kq::byte_reader& bytes, text_encoding encoding) {
    std::string text;
    text_value(text, bytes, encoding);
    return text;
}

// Kinds whose content lives in the record body; a column of one of them that needs bytes
// and finds none left marks the record truncated.
bool needs_content(uint32 code, uint32 size) {
    const uint32 kind = value_code::kind_of(code);
    return size > 0 && (kind == value_code::integer || kind == value_code::text ||
                        kind == value_code::real || kind == value_code::blob);
}

// Text and blob columns that run past the end keep what is there, less the last 4 bytes:
// in a cell cut at its local payload those are the first overflow page number.
std::size_t cut_length(uint32& code, uint32 size, std::size_t remaining, std::size_t& used) {
    if (size <= remaining) {
        used = size;
        return size;
    }
    code |= value_code::cut_flag;
    used = remaining;
    const std::size_t page_number = sqlite_format::btree_cell::overflow_page_size;
    return remaining > page_number ? remaining - page_number : 0;
}

// Decodes one column from the bytes left; the bytes it uses go to `used`.
std::string decode_value(uint32& code, uint32 size, const kq::byte_reader& rest, bool raw_blobs,
                         text_encoding encoding, std::size_t& used) {
    std::string text;
    const uint32 kind = value_code::kind_of(code);
    used = 0;
    if (constant_value_text(text, kind)) {
        return text;
    }
    kq::byte_reader bytes;
    if (kind == value_code::integer || kind == value_code::real) {
        used = std::min<std::size_t>(size, rest.size());
        (void)rest.sub(0, used, bytes);  // within the rest by construction
        double ignored = 0;
        if (kind == value_code::real) {
            (void)real_text(text, ignored, bytes);  // "NaN" when the bytes do not decode
            return text;
        }
        return integer_text(decode_integer(bytes, size));
    }
    if (kind != value_code::text && kind != value_code::blob) {
        return text;
    }
    (void)rest.sub(0, cut_length(code, size, rest.size(), used), bytes);
    if (kind == value_code::text) {
        return encoded_text(bytes, encoding);
    }
    if (raw_blobs) {
        return bytes_text(bytes);
    }
    blob_hex_text(text, bytes);
    return text;
}

}  // namespace

bool decode_record_values(std::vector<std::string>& values, const kq::byte_reader& content,
                          std::vector<uint32>& codes, const std::vector<uint32>& sizes,
                          std::ostream* dump, bool raw_blobs, text_encoding encoding,
                          bool& allow_short_then_truncated) {
    values.clear();
    if (codes.size() != sizes.size()) {
        return false;
    }
    // Summed in 64 bits: huge serial types must not wrap into a small total.
    const uint64 needed = std::accumulate(sizes.begin(), sizes.end(), uint64{0});
    if (!allow_short_then_truncated && (content.empty() || content.size() < needed)) {
        return false;
    }
    bool& truncated = allow_short_then_truncated;
    truncated = false;
    std::size_t at = 0;
    for (std::size_t column = 0; column < codes.size(); ++column) {
        kq::byte_reader rest;
        (void)content.tail(at, rest);  // at never passes the end
        if (needs_content(codes[column], sizes[column]) && rest.empty()) {
            truncated = true;
            for (std::size_t later = column; later < codes.size(); ++later) {
                codes[later] |= value_code::cut_flag;
                values.emplace_back();
            }
            break;
        }
        std::size_t used = 0;
        values.push_back(
            decode_value(codes[column], sizes[column], rest, raw_blobs, encoding, used));
        at += used;
    }
    if (dump != nullptr) {
        dump_record_values(*dump, codes, sizes, values, false);
    }
    return true;
}

bool decode_record_values(std::vector<std::string>& values, const uint8* content, uint32 length,
                          std::vector<uint32>& codes, const std::vector<uint32>& sizes,
                          std::ostream* dump, bool raw_blobs, text_encoding encoding,
                          bool& allow_short_then_truncated) {
    return decode_record_values(values, kq::byte_reader(content, length), codes, sizes, dump,
                                raw_blobs, encoding, allow_short_then_truncated);
}
