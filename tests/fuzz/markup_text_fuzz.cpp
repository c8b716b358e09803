// The markup, escaping and JSON-like text helpers on arbitrary bytes. Every counted-buffer
// routine gets an exact-length heap copy without a terminator, so a read past the length
// shows as a heap overflow; the string routines get the same bytes as text.
//
// Input: [flags][name length][name][text]. Flag bits: 1 trim and case-blind, 2 percent
// forms, 4 a name stretched past 256 characters, 8 a shorter length than the text holds;
// bits 4 to 7 give n for nth_tag_attribute.

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_target.h"
#include "text/byte_reader.h"
#include "text/html_tokens.h"
#include "text/json_like_text.h"
#include "text/markup_elements.h"
#include "text/markup_tags.h"
#include "text/text_escape.h"

namespace {

struct markup_input {
    uint8 flags = 0;
    std::string name;
    std::string text;
};

bool read_input(const uint8* data, std::size_t size, markup_input& in) {
    const kq::byte_reader bytes(data, size);
    uint8 name_length = 0;
    byte_array name;
    byte_array text;
    if (!bytes.u8_at(0, in.flags) || !bytes.u8_at(1, name_length)) {
        return false;
    }
    const std::size_t length = name_length % 48U;
    if (!bytes.copy_to(2, length, name) || !bytes.copy_to(2 + length, size - 2 - length, text)) {
        return false;
    }
    in.name.assign(name.begin(), name.end());
    in.text.assign(text.begin(), text.end());
    if ((in.flags & 4U) != 0) {
        in.name.resize(300, in.name.empty() ? 'n' : in.name[0]);
    }
    return true;
}

// A heap copy of exactly the range's characters, without a terminator.
template <class Char, class Range>
std::unique_ptr<Char[]> exact_copy(const Range& text) {
    std::unique_ptr<Char[]> copy(new Char[text.size()]);
    std::copy(text.begin(), text.end(), copy.get());
    return copy;
}

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void fuzz_tags(const markup_input& in, int length) {
    const auto buffer = exact_copy<char>(in.text);
    std::vector<std::string> tags;
    (void)extract_tags(buffer.get(), length, tags);
    std::vector<tag_item> items;
    (void)collect_tag_items(buffer.get(), length, items);
    check(tags.size() == items.size());
    std::string value;
    std::string name;
    (void)xml_attribute_value(buffer.get(), length, in.name.c_str(), value);
    (void)nth_tag_attribute(buffer.get(), length, in.flags >> 4U, name, value);
    // These two count in unsigned lengths: a negative length has no meaning there.
    const auto count = static_cast<unsigned>(std::max(length, 0));
    (void)find_named_value(buffer.get(), count, in.name.c_str(), value);
    attribute_match match;
    if (find_tag_attribute({in.text, in.flags}, count, in.name.c_str(), match)) {
        check(match.offset >= in.flags && match.length <= in.text.size());
    }
    std::vector<std::string> tokens;
    (void)split_html_tokens(buffer.get(), length, tokens, (in.flags & 1U) != 0);
    (void)normalize_html_tags(tokens);
}

void fuzz_elements(const markup_input& in, int length) {
    const auto buffer = exact_copy<char>(in.text);
    int kept = length;
    if (remove_xml_element(buffer.get(), &kept, in.name.c_str())) {
        check(kept >= 0 && kept <= length);
    }
    const std::wstring wide_text(in.text.begin(), in.text.end());
    const std::wstring wide_name(in.name.begin(), in.name.end());
    const auto wide = exact_copy<wchar_t>(wide_text);
    int bytes = length * static_cast<int>(sizeof(wchar_t));
    if (wremove_xml_element(wide.get(), &bytes, wide_name.c_str())) {
        check(bytes >= 0 && bytes <= length * static_cast<int>(sizeof(wchar_t)));
    }
    std::string text = in.text;
    std::string element;
    (void)take_xml_element(element, text, in.name);
    std::wstring wide_copy = wide_text;
    std::wstring wide_element;
    (void)take_xml_element_w(wide_element, wide_copy, wide_name);
}

void fuzz_escapes(const markup_input& in, int length) {
    const bool nocase = (in.flags & 1U) != 0;
    const bool percent = (in.flags & 2U) != 0;
    const auto bytes = exact_copy<uint8>(in.text);
    const std::vector<std::string> matches{"<", in.name, "&"};
    const std::vector<std::string> replacements{"&lt;", "[name]", "&amp;"};
    std::string escaped;
    (void)escape_by_table(bytes.get(), length, matches, replacements, escaped, nocase, percent);
    const std::wstring wide_text(in.text.begin(), in.text.end());
    const auto wide = exact_copy<wchar_t>(wide_text);
    const std::vector<std::wstring> wide_matches{L"<",
                                                 std::wstring(in.name.begin(), in.name.end())};
    std::wstring wide_escaped;
    (void)wescape_by_table(wide.get(), length, wide_matches, {L"&lt;", L"?"}, wide_escaped, nocase,
                           percent);
    std::string decoded;
    (void)url_percent_decode(decoded, in.text, in.name.empty() ? '/' : in.name[0], "_");
}

void fuzz_json(const markup_input& in) {
    std::vector<std::string> objects;
    (void)split_json_objects(objects, in.text);
    std::vector<std::string> values;
    const std::vector<std::string> keys{in.name, "a", ""};
    (void)parse_quoted_pairs(values, keys, in.text);
    std::ostringstream out;
    write_quoted_pairs(out, keys, values, ',');
}

}  // namespace

VELK_FUZZ_TARGET(markup_text) {
    markup_input in;
    if (!read_input(data, size, in) || in.text.size() > 1 << 20) {
        return 0;
    }
    int length = static_cast<int>(in.text.size());
    if ((in.flags & 8U) != 0 && length > 0) {
        length = length / 2;
    }
    for (const int given : {length, 0, -1}) {
        fuzz_tags(in, given);
        fuzz_elements(in, given);
        fuzz_escapes(in, given);
    }
    fuzz_json(in);
    return 0;
}
