#pragma once
// HTML escaping of a text, the "src" and "href" values of a page's tags, the texts between
// its tags and the text of one XML element. Buffers are counted and need no NUL.

#include <string>
#include <vector>

#include "text/kq_types.h"

// out = text with "&", "<", ">", '"' and "'" written as entities and every CR LF as
// "<br />"; a lone CR or LF stays. An empty text leaves out empty.
std::string& html_escape_full(std::string& out, const std::string& text);

// "<", ">" and "&" of the text *text points to written as entities; "" for a null pointer.
[[nodiscard]] std::string html_escape_basic_at(const char* const* text);

// Append the "src" (or "href") value of every tag of the buffer that has one; the link form
// takes "href" and, for a tag without one, "src". False when the buffer holds no tag;
// otherwise true when the list is not empty, items it held before the call included.
[[nodiscard]] bool tag_src_values(const char* data, int32 length, std::vector<std::string>& list);
[[nodiscard]] bool tag_href_values(const char* data, int32 length, std::vector<std::string>& list);
[[nodiscard]] bool tag_link_values(const char* data, int32 length, std::vector<std::string>& list);

// Appends the trimmed, non-empty text before each ">" that lies outside the tags; text after
// the last ">" is left out. False for null data or a length below 1; else true when the list
// is not empty.
[[nodiscard]] bool texts_between_tags(const char* data, int32 length,
                                      std::vector<std::string>& list);

// out = the text between the ">" of the first "<tag" (a longer tag name that begins with tag
// matches too) and the "</tag>" after it. False, out empty, for a null text or tag, a length
// of 0, or when any of the three is missing.
[[nodiscard]] bool xml_element_text(const char* text, int32 length, const char* tag,
                                    std::string& out);
