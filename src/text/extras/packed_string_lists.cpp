#include "text/extras/packed_string_lists.h"

#include <cstring>
#include <new>
#include <string_view>

#include "io/uni_encoding.h"
#include "text/number_text.h"

namespace {

// Counted form: below 0x80 one byte is the value; with the top bit set two bytes, high
// first, carry 15 bits.
constexpr unsigned char two_byte_count_flag = 0x80;
constexpr unsigned byte_bits = 8;

// The list count and its size in bytes; false when a two-byte count is cut short.
bool read_list_count(std::string_view data, uint32& count, uint32& size) {
    const auto first = static_cast<unsigned char>(data[0]);
    if ((first & two_byte_count_flag) == 0) {
        count = first;
        size = 1;
        return true;
    }
    if (data.size() < 2) {
        return false;
    }
    count =
        ((first & ~two_byte_count_flag & 0xFFu) << byte_bits) | static_cast<unsigned char>(data[1]);
    size = 2;
    return true;
}

// The units of a buffer that may sit at any address, copied out whole.
std::vector<uint16> copy_units(const uint16* units, uint32 count) {
    std::vector<uint16> copied(count);
    if (count > 0) {
        std::memcpy(copied.data(), units, count * sizeof(uint16));
    }
    return copied;
}

// Decoding pass: each zero-ended run of units decoded as UTF-16; true when a text resulted.
bool decode_multi_sz(const std::vector<uint16>& units, std::vector<std::wstring>& out) {
    std::vector<uint16> run;
    const auto flush = [&]() {
        std::wstring text;
        if (!run.empty() && uni::utf16_to_wstring(text, run)) {
            out.push_back(std::move(text));
        }
        run.clear();
    };
    for (const uint16 unit : units) {
        if (unit == 0) {
            flush();
        } else {
            run.push_back(unit);
        }
    }
    flush();
    return !out.empty();
}

// Widening pass: one character per unit, for runs that do not decode.
void widen_multi_sz(const std::vector<uint16>& units, std::vector<std::wstring>& out) {
    std::wstring text;
    for (const uint16 unit : units) {
        if (unit != 0) {
            text.push_back(static_cast<wchar_t>(unit));
        } else if (!text.empty()) {
            out.push_back(std::move(text));
            text.clear();
        }
    }
    if (!text.empty()) {
        out.push_back(std::move(text));
    }
}

}  // namespace

int length_string_from_bytes(std::string& out, const byte_array& bytes) {
    out.clear();
    if (bytes.empty()) {
        return 0;
    }
    const std::string text(bytes.begin(), bytes.end());
    return unpack_length_string(out, text.data(), static_cast<uint32>(text.size()));
}

int unpack_length_string_list(std::vector<std::string>& out, const char* data, uint32 count) {
    out.clear();
    if (data == nullptr || count == 0) {
        return 0;
    }
    const std::string_view all(data, count);
    uint32 strings = 0;
    uint32 used = 0;
    if (!read_list_count(all, strings, used)) {
        return 0;
    }
    if (all.size() == used || all.size() - used < strings) {
        return static_cast<int>(used);
    }
    try {
        out.resize(strings);
    } catch (const std::bad_alloc&) {
        return static_cast<int>(used);
    }
    for (uint32 i = 0; i < strings && used < all.size(); ++i) {
        const std::string_view rest = all.substr(used);
        used += static_cast<uint32>(
            unpack_length_string(out[i], rest.data(), static_cast<uint32>(rest.size())));
    }
    return static_cast<int>(used);
}

bool split_bytes_on_nul(const byte_array& bytes, std::vector<std::string>& out) {
    out.clear();
    if (bytes.empty()) {
        return false;
    }
    // split_on_char reads its text as a C string and would stop at the first NUL, losing
    // every later piece; here the NULs are the separators.
    std::string piece;
    for (const uint8 b : bytes) {
        if (b != 0) {
            piece.push_back(static_cast<char>(b));
        } else if (!piece.empty()) {
            out.push_back(std::move(piece));
            piece.clear();
        }
    }
    if (!piece.empty()) {
        out.push_back(std::move(piece));
    }
    return true;
}

void wide_list_to_multi_sz(const std::vector<std::wstring>& texts, byte_array& out) {
    out.clear();
    const auto put_unit = [&out](uint32 unit) {
        out.push_back(static_cast<uint8>(unit & 0xFFu));
        out.push_back(static_cast<uint8>((unit >> byte_bits) & 0xFFu));
    };
    for (const std::wstring& text : texts) {
        for (const wchar_t c : text) {
            put_unit(static_cast<uint32>(c));
        }
        put_unit(0);
    }
    if (!out.empty()) {
        put_unit(0);
    }
}

uint32 multi_sz_to_wide_list(const uint16* units, std::vector<std::wstring>& out,
                             uint32 byte_count) {
    out.clear();
    if (units == nullptr || byte_count == 0) {
        return 0;
    }
    try {
        const std::vector<uint16> copied = copy_units(units, byte_count / 2);
        if (!decode_multi_sz(copied, out)) {
            widen_multi_sz(copied, out);
        }
        return static_cast<uint32>(copied.size() * 2);
    } catch (const std::bad_alloc&) {
        return 0;  // the texts kept so far stay in the list
    }
}
