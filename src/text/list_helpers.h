#pragma once
// Set and list utilities: the rowid comparison of the carving diagnostics, removing repeats
// from a wide list, pointer and length arrays over a list of texts, and a named pair of lists.

#include <set>
#include <string>
#include <vector>

#include "text/kq_types.h"

// out is cleared and receives, ascending, the values of a that are not in b. True when out
// stays empty, i.e. every value of a is in b; false when a is empty or some value is missing.
[[nodiscard]] bool int64_set_difference(std::vector<int64>& out, const std::set<int64>& a,
                                        const std::set<int64>& b);

// Removes repeated items (exact comparison), keeping each first occurrence in its place.
void unique_wstring_list(std::vector<std::wstring>& list);

// Both vectors are cleared and sized to the list: lengths[i] is the length of item i and
// pointers[i] points to its characters (null for an empty item). True when the pointer vector
// is not empty; an allocation failure leaves both empty and gives false. The pointers live
// only while the list is unchanged.
[[nodiscard]] bool strings_to_c_arrays(std::vector<const char*>& pointers,
                                       std::vector<uint32>& lengths,
                                       const std::vector<std::string>& list);

// A name with two lists of texts that belong together entry by entry.
struct named_lists {
    std::string name;
    bool filled = false;
    std::vector<std::string> first;
    std::vector<std::string> second;
};

// When a is not empty and both lists have the same size, the record receives the name and
// copies of both lists and is marked filled; otherwise nothing changes. Always false.
bool set_named_lists(named_lists& record, const std::string& name,
                     const std::vector<std::string>& a, const std::vector<std::string>& b);
