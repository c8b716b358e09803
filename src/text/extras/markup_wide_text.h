#pragma once
// Wide twins of the markup splitter and tag normaliser, the wide HTML escaper, and a test
// that tells an XML document from other text.

#include <string>
#include <vector>

#include "text/kq_types.h"

// Splits UTF-16LE markup (byte_count bytes; a last odd byte is not read; each unit becomes
// one character) into alternating text runs and tags by the rules of split_html_tokens,
// without trimming, appending to list. True when the list is not empty.
bool split_markup_utf16(const uint16* units, uint32 byte_count, std::vector<std::wstring>& list);

// The rules of normalize_html_tags over wide items. True when the list is not empty.
bool normalize_tags_w(std::vector<std::wstring>& list);

// "<", ">" and "&" as entities; CR and LF kept; any other character outside 0x20-0x7E as "%"
// and two hex digits of its low byte. An empty text comes back unchanged.
[[nodiscard]] std::wstring html_escape_w(const std::wstring& text);

// True for a buffer of at least 16 bytes that begins with "<?xml ve", or with comments
// ("<!--" ... "-->", line feeds between them) ahead of "<?xml ve".
[[nodiscard]] bool looks_like_xml(const uint8* data, uint32 count);
