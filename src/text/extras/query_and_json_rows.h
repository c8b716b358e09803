#pragma once
// Key/value lists from a URL query, rows of values picked from an array of JSON-like
// objects, and the pairs of two such lists written one after the other.

#include <map>
#include <string>
#include <vector>

#include "text/kq_types.h"

// keys and values (same index) of the query after the first "?": parts at "&" (trimmed),
// each "key=value" split at its first "=", a part without a value giving "". The text is
// percent-decoded first, so an escaped "&" or "=" separates like a plain one. False for an
// empty text, no "?", nothing after it, or no key.
[[nodiscard]] bool parse_url_query(std::vector<std::string>& keys, std::vector<std::string>& values,
                                   const std::string& url);

// out = keys[0], values[0], keys[1], ... with empty values left out; an empty key ends the
// walk with out emptied. Lists of different sizes give nothing. True when out is not empty.
[[nodiscard]] bool interleave_pairs(std::vector<std::string>& out,
                                    const std::vector<std::string>& keys,
                                    const std::vector<std::string>& values);

// The values of the asked keys in one object.
class json_row {
public:
    json_row() { clear(); }
    void clear();

    std::vector<std::string> m_keys;            // the keys asked for, one per value
    std::vector<std::string> m_values;          // "" where the object lacks the key
    std::map<std::string, int32> m_key_index;   // lower-cased key -> its first index
};

// One row per top-level object of the text (an object whose values cannot be read gives an
// empty row). False when the text cannot be cut into objects or gives none.
[[nodiscard]] bool parse_json_rows(std::vector<json_row>& out, const std::vector<std::string>& keys,
                                   const std::string& text);
