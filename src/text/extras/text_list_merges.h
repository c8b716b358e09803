#pragma once
// Lists of texts and sets of numbers: taking an item by prefix or by packed option word,
// removing repeats, joining, merging, set unions, number ranges and key=value maps.

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "text/kq_types.h"

// The first item that begins with text (UTF-8, compared case-blind) is moved to out and
// removed from the list. False when none does, and for an empty or undecodable text, which
// would otherwise match any item.
[[nodiscard]] bool take_item_with_prefix(const std::string& text, std::wstring& out,
                                         std::vector<std::wstring>& list);
// The wide-list twin of take_packed_flag: finds packed_option_name(packed) case-blind and
// removes it unless keep.
[[nodiscard]] bool take_packed_flag_w(uint64 packed, std::vector<std::wstring>& list, bool keep);
// The VMDK option is not offered by this tool: always false, the list is not read.
[[nodiscard]] bool has_vmdk_option(const std::vector<std::wstring>& list);

// Removes every item equal (case-sensitive) to an earlier one; first occurrences keep order.
void dedupe_keep_order(std::vector<std::string>& list);
// out = the texts in order, the separator after each but the last. With skip_empty, empty
// texts are passed over and a final character equal to the separator's first is dropped.
std::string& join_keys(std::string& out, const std::set<std::string>& keys,
                       const std::string& separator, bool skip_empty);
// APPENDS every distinct text of both lists to out, ascending; with lower_case the texts are
// lower-cased before they are compared and appended. Always true.
bool merge_unique_sorted(const std::vector<std::string>& a, const std::vector<std::string>& b,
                         std::vector<std::string>& out, bool lower_case);
// out = the ascending union of a and b; true when out is not empty.
bool u64_set_union(std::vector<uint64>& out, const std::set<uint64>& a, const std::set<uint64>& b);

// Pieces between separators, each trimmed: "a<range>b" gives (a, b), "a" gives (a, a).
// A piece whose numbers do not read is skipped. out is emptied; false for an empty text.
bool parse_u64_ranges(std::vector<std::pair<uint64, uint64>>& out, const std::string& text,
                      char separator, char range);
// out = key -> value of every trimmed line "key=value" (split at the first "="); the first
// pair of a key wins, lines without "=" are passed over. True when out is not empty.
bool load_key_value_map(std::map<std::string, std::string>& out, const byte_array& bytes);
