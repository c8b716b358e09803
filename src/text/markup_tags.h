#pragma once
// Tags and attribute values of HTML and XML text, read without a parser. Every routine
// takes a counted buffer, which need not end in a NUL, and reads nothing past its length:
// the tag texts handed to them are cut out of larger pages.

#include <string>
#include <vector>

#include "text/kq_types.h"

// A text and the offset at which it begins in a larger buffer or file.
struct positioned_text {
    std::string text;
    uint32 offset = 0;
};

// A value found by find_tag_attribute: offset is the positioned_text's offset plus the index
// of the "=" before the value; length counts from just after the "=" to the end of the value
// (skipped blanks and both quotes included, the blank or CR that ends an unquoted value not).
struct attribute_match {
    std::string value;
    uint64 offset = 0;
    uint64 length = 0;
};

// A tag of collect_tag_items: its text and the 1-based index of its "<" (0 for the empty
// item of a ">" outside any tag).
struct tag_item {
    std::string text;
    int position = 0;
};

// Appends every tag text, "<" through ">", of the buffer; a "<" inside a tag is part of it
// and a ">" outside any tag appends an empty item. The list is not cleared; true when it is
// not empty. False for a null buffer or a length below 1.
bool extract_tags(const char* buffer, int length, std::vector<std::string>& list);
// The same walk, with the position of each tag's "<".
bool collect_tag_items(const char* buffer, int length, std::vector<tag_item>& list);

// The text between the two double quotes that follow the first "=" after the first
// occurrence of name, all within length bytes; out is cleared first.
[[nodiscard]] bool xml_attribute_value(const char* buffer, int length, const char* name,
                                       std::string& out);
// Name (blanks removed) and double-quoted value of the n-th attribute (from 1) of the tag
// that starts the buffer; both must lie before the tag's ">". Outputs are cleared first.
[[nodiscard]] bool nth_tag_attribute(const char* buffer, int length, int n, std::string& name,
                                     std::string& value);

// The value after the first case-blind occurrence of name that is followed by "=" and a
// value ended within the first length characters of text: quoted by " or ' (CR and LF inside
// it dropped), or unquoted up to a blank or CR. Names over 256 characters are refused; out
// is all empty or zero when the result is false.
[[nodiscard]] bool find_tag_attribute(const positioned_text& text, unsigned length,
                                      const char* name, attribute_match& out);
// The same search on a plain buffer, giving only the value.
[[nodiscard]] bool find_named_value(const char* buffer, unsigned length, const char* name,
                                    std::string& out);
