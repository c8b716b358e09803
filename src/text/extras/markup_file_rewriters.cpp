#include "text/extras/markup_file_rewriters.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "text/extras/whole_file_rewrite.h"
#include "text/markup_elements.h"
#include "text/tab_expand.h"
#include "text/text_replace.h"
#include "text/utf16_text.h"

namespace {

constexpr const char* script_tag = "script";
constexpr unsigned byte_bits = 8;
constexpr unsigned char utf16le_mark[] = {0xFF, 0xFE};

// The library removers count in int; a larger text cannot be handed to them whole.
bool fits_int(std::size_t size) { return size <= static_cast<std::size_t>(INT_MAX); }

bool is_utf16le(const std::string& bytes) {
    return bytes.size() >= sizeof(utf16le_mark) &&
           static_cast<unsigned char>(bytes[0]) == utf16le_mark[0] &&
           static_cast<unsigned char>(bytes[1]) == utf16le_mark[1];
}

// Each little-endian unit as one wide character, and back: the round trip keeps every unit,
// surrogates and malformed ones included, which decoding would not.
std::wstring units_to_wide(const std::string& bytes) {
    std::wstring wide(bytes.size() / 2, L'\0');
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const auto low = static_cast<unsigned char>(bytes[2 * i]);
        const auto high = static_cast<unsigned char>(bytes[2 * i + 1]);
        wide[i] = static_cast<wchar_t>(low | (high << byte_bits));
    }
    return wide;
}

std::string wide_to_units(std::wstring_view wide) {
    std::string bytes;
    bytes.reserve(wide.size() * 2);
    for (const wchar_t c : wide) {
        const auto unit = static_cast<uint32_t>(c);
        bytes.push_back(static_cast<char>(unit & 0xFFu));
        bytes.push_back(static_cast<char>((unit >> byte_bits) & 0xFFu));
    }
    return bytes;
}

bool remove_wide_elements(std::string& bytes, const char* tag) {
    std::wstring wide = units_to_wide(bytes);
    std::wstring wide_tag;
    widen_chars(tag, wide_tag);
    if (!fits_int(wide.size() * sizeof(wchar_t))) {
        return false;
    }
    int length = static_cast<int>(wide.size() * sizeof(wchar_t));
    if (!wremove_xml_element(wide.data(), &length, wide_tag.c_str())) {
        return false;
    }
    const std::string odd_byte = bytes.size() % 2 != 0 ? bytes.substr(bytes.size() - 1) : "";
    bytes = wide_to_units(
        std::wstring_view(wide).substr(0, static_cast<std::size_t>(length) / sizeof(wchar_t)));
    bytes += odd_byte;  // a last half unit is kept as it was read
    return true;
}

bool remove_narrow_elements(std::string& bytes, const char* tag) {
    if (!fits_int(bytes.size())) {
        return false;
    }
    int length = static_cast<int>(bytes.size());
    if (!remove_xml_element(bytes.data(), &length, tag)) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(length));
    return true;
}

// erase_all_in_buffer works on a malloc'd buffer that it may replace.
struct malloc_buffer {
    char* data = nullptr;
    malloc_buffer() = default;
    malloc_buffer(const malloc_buffer&) = delete;
    malloc_buffer& operator=(const malloc_buffer&) = delete;
    ~malloc_buffer() { std::free(data); }
};

bool erase_all(std::string& bytes, const char* text, bool ignore_case) {
    if (bytes.empty()) {
        return true;  // nothing to erase from
    }
    if (!fits_int(bytes.size())) {
        return false;
    }
    malloc_buffer buffer;
    buffer.data = static_cast<char*>(std::malloc(bytes.size()));
    if (buffer.data == nullptr) {
        return false;
    }
    std::memcpy(buffer.data, bytes.data(), bytes.size());
    int length = static_cast<int>(bytes.size());
    if (!erase_all_in_buffer(&buffer.data, &length, text, ignore_case)) {
        return false;
    }
    bytes.assign(buffer.data, static_cast<std::size_t>(length));
    return true;
}

}  // namespace

bool strip_script_elements(const char* input, const char* output, bool in_place) {
    std::string bytes;
    if (input == nullptr || !read_whole_file(input, bytes)) {
        return false;
    }
    // An empty file has nothing to remove and is written back empty.
    if (!bytes.empty() && !remove_narrow_elements(bytes, script_tag)) {
        return false;
    }
    if (in_place) {
        return replace_file_contents(input, bytes);
    }
    if (output != nullptr) {
        return replace_file_contents(output, bytes);
    }
    return write_to_stdout(bytes);
}

bool erase_text_in_file(const char* path, const char* text, bool ignore_case) {
    std::string bytes;
    if (path == nullptr || text == nullptr || !read_whole_file(path, bytes)) {
        return false;
    }
    return erase_all(bytes, text, ignore_case) && replace_file_contents(path, bytes);
}

bool remove_element_in_file(const char* input, const char* output, const char* tag) {
    std::string bytes;
    if (input == nullptr || tag == nullptr || !read_whole_file(input, bytes)) {
        return false;
    }
    try {
        const bool removed = is_utf16le(bytes) ? remove_wide_elements(bytes, tag)
                                               : remove_narrow_elements(bytes, tag);
        return removed && replace_file_contents(output != nullptr ? output : input, bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool tsv_file_to_table(const char* input, const char* output, int gap, bool utf16_switch) {
    std::string bytes;
    std::string table;
    if (input == nullptr || output == nullptr || gap < 0 || !read_whole_file(input, bytes)) {
        return false;
    }
    // expand_tabs takes 0 as its default width of 4.
    if (!expand_tabs(bytes.data(), static_cast<uint32>(bytes.size()), static_cast<uint32>(gap),
                     table, utf16_switch)) {
        return false;
    }
    return replace_file_contents(output, table);
}
