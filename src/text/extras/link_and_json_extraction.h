#pragma once
// Pulling link targets out of markup and array values out of JSON text, for listing where a
// cached page pointed and what a settings blob held.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "text/kq_types.h"

// One attribute value found in a tag, with where it lies in the tag. The other texts and
// counters are kept empty here.
struct tag_attribute {
    tag_attribute() = default;
    // A cleared record holding the value and its offset and length.
    tag_attribute(std::string value, uint64 offset, uint64 length);

    // Empties the texts and zeroes every number.
    void clear();

    std::string m_value;
    std::string m_name;
    std::string m_extra;
    uint32 m_field1 = 0;
    uint32 m_field2 = 0;
    uint32 m_field3 = 0;
    uint32 m_field4 = 0;
    uint64 m_offset = 0;
    uint64 m_length = 0;
};

// Link target -> (offset, length) of the value inside its tag, duplicates in order found.
using link_map = std::multimap<std::string, std::pair<uint32, uint32>>;

// For each tag of the buffer, its "href" value, else its "src" value, added to links. True
// when links is not empty afterwards (earlier entries count).
[[nodiscard]] bool extract_links(const char* data, int count, link_map& links);

// out gets one entry per key: for a key whose quoted name (letters compared without regard
// to case) is followed closely by ":" and "[", and whose "]" has a "}" at most 5 characters
// before it, the original text from the key's name to just before that "]"; else empty.
// False for an empty text or key list, or when no key gave a value.
[[nodiscard]] bool extract_json_arrays(std::vector<std::string>& out,
                                       const std::vector<std::string>& keys,
                                       const std::string& json);
