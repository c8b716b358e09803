#pragma once
// Escaping text through substitution tables (two lists of equal length: the texts to match
// and their replacements, tried in list order) and decoding URL percent escapes.

#include <cstdint>
#include <string>
#include <vector>

#include "text/kq_types.h"

// out = the length bytes of text with CR and LF copied, then (with percent) every other byte
// outside 32 to 126 written as "%" and two lower-case hex digits, then the first match text
// found at each position (case-blind with nocase) written as its replacement; other bytes
// are copied. False, out empty, for a null text, a length below 1, an empty match list or
// lists of different sizes. An empty match text never matches.
bool escape_by_table(const uint8* text, int length, const std::vector<std::string>& matches,
                     const std::vector<std::string>& replacements, std::string& out, bool nocase,
                     bool percent);
// The same on count wide characters; a character is judged for the percent form by its low
// byte alone, and only that byte is written.
bool wescape_by_table(const wchar_t* text, int count, const std::vector<std::wstring>& matches,
                      const std::vector<std::wstring>& replacements, std::wstring& out, bool nocase,
                      bool percent);
// The markup characters "<", ">" and "&" and their entities, in match order: the one table
// of every HTML escaper.
[[nodiscard]] const std::vector<std::string>& html_entity_matches();
[[nodiscard]] const std::vector<std::string>& html_entity_replacements();
// A NUL-terminated text with "<", ">" and "&" written as entities and every byte outside 32
// to 126 (but CR and LF) in percent form, as UTF-8; an empty text gives "".
[[nodiscard]] std::string html_escape_basic(const uint8* text);

// Decodes "%XY" escapes of text into out: values 32 to 127 become their character (special
// becomes replacement), others and non-hex pairs stay as written. An escaped "%" followed by
// two more characters decodes those instead, again and again. True when text holds a "%"
// (out then the decoded text); otherwise false with out empty.
bool url_percent_decode(std::string& out, const std::string& text, char special,
                        const std::string& replacement);
