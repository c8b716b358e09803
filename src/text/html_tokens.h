#pragma once
// HTML split into tags and the text runs between them, and tags rewritten into one plain
// form (lower case outside quotes, single blanks, every value quoted), so that markup from
// different writers compares and converts alike.

#include <string>
#include <string_view>
#include <vector>

// Appends the tags and text runs of the first length bytes of buffer, in order (the list is
// not cleared). The bodies of "<pre>" and "<script" elements stay one run up to the next
// "</"; "<?" and "<%" blocks stay one tag up to a ">" after "?" or "%". With trim, items are
// trimmed and empty ones left out, except the run before a "<?"/"<%" block, which is always
// added as it is. Text after the last tag is not added. True when the list is not empty.
bool split_html_tokens(const char* buffer, int length, std::vector<std::string>& list, bool trim);

// Rewrites in place every item that starts with "<" (but not "<?" or "<%"): letters outside
// quotes lower-cased, runs of blanks and the blanks around "=" dropped, tabs and line ends
// after a blank or "=" dropped, an unquoted value put in double quotes with only its first
// character keeping its case. True when the list is not empty.
bool normalize_html_tags(std::vector<std::string>& list);

// The two rules above over any character type, so the wide twins of the extras layer share
// them; built for char and wchar_t. Only narrow items are ever trimmed.
template <class Char>
bool split_markup_items(std::basic_string_view<Char> text,
                        std::vector<std::basic_string<Char>>& list, bool trim);
template <class Char>
bool normalize_markup_items(std::vector<std::basic_string<Char>>& list);
