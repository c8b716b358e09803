#pragma once
// Message templates with "%" placeholders cut into pieces, so that a caller can fill the
// placeholders by number ("%1" to "%99") or by character ("%t") in any order.

#include <map>
#include <string>
#include <vector>

// pieces receives literal texts and placeholders in order: first the text before the first
// "%" (possibly empty), then each placeholder followed by the literal up to the next "%"
// (empty when two placeholders touch; the rest of the template after the last one). A "%"
// with one or two digits 1-9 is recorded in numbers, "%" with any other character (also
// "%0" and "%%") in characters, each under the index of its piece. A "%" at the very end is
// dropped. All three are emptied first; true when any piece results.
bool parse_percent_template(std::vector<std::string>& pieces, std::multimap<int, int>& numbers,
                            std::multimap<char, int>& characters, const std::string& text);
