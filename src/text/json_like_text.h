#pragma once
// Values picked out of JSON-like text without a parser: top-level objects of an array, and
// the values of named keys. Braces and commas are counted as they stand, also inside
// strings, so the text is expected to be plain, as the records that carry it write it.

#include <ostream>
#include <string>
#include <vector>

// list = the objects of a JSON array, "{" through its matching "}" (braces counted, strings
// not looked at). A text without "[", or whose first "{" comes before its first "[", is one
// item as it is. False, list empty, for a text with "[" but no "{"; else true when the list
// is not empty.
bool split_json_objects(std::vector<std::string>& list, const std::string& text);

// values[i] = the value of the double-quoted key keys[i] (case-blind) in text, read after
// its ":" up to the next ',"' (a "}" before it left out), else the next comma (a quoted
// value holding commas running through its closing quote), else the next "}"; quotes and
// blanks trimmed. Keys not found, and empty keys, give "". False, values empty, for an
// empty text or key list.
bool parse_quoted_pairs(std::vector<std::string>& values, const std::vector<std::string>& keys,
                        const std::string& text);

// Writes "key":"value" for every key, separated by separator and a blank; a key without a
// value at its index gets "".
void write_quoted_pairs(std::ostream& out, const std::vector<std::string>& keys,
                        const std::vector<std::string>& values, char separator);
