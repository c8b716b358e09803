#pragma once
// Records of one table read by up to three parsers, grouped by layout: the SQLite library
// (parser 1), the own b-tree walk (parser 2) and signature carving (parser 3). A group is one
// table; inside it a record_set holds the records whose key text (record_class_key.h) is
// equal. The comparison report (comparison_report.h) reads the groups.
//
// Groups keep copies of the records as sqlite_metadata: what is compared (rowid, bytes,
// fingerprint) lives in the base.

#include <array>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "sqlite/record_class_key.h"
#include "sqlite/sqlite_metadata.h"
#include "text/kq_types.h"

// Parsers 1 to 3 index the arrays below at parser - 1.
inline constexpr int parser_count = 3;

// All records of one layout.
struct record_set {
    std::array<std::vector<sqlite_metadata>, parser_count> records;
    // rowid -> positions in that parser's records
    std::array<std::map<int64, std::vector<int>>, parser_count> rowid_index;
    byte_array prefix_key;  // of the record that started the set
    byte_array full_key;
    class_key_set suffix_keys;           // the class-key parts of the full keys seen
    std::map<uint64, uint64> record_sizes;  // raw record size -> records of that size

    // The set of one record: its copy in its parser's list (parsers 1 to 3), its size and,
    // for key kinds 2 and 4, its keys.
    void build(const sqlite_metadata& record, int parser, int kind);
    // Adds a record to a set that exists: list, rowid index, size and, for key kinds 2 and
    // 4, its suffix key.
    void add(const sqlite_metadata& record, int parser, int kind);
    void clear();
};

// The records of one table.
struct record_group {
    int32 first_id = 0;
    int32 second_id = 0;
    std::string name;
    std::array<std::set<int64>, parser_count> rowids;
    std::array<uint64, parser_count> counts{};
    std::map<std::string, record_set> sets;  // by key text

    record_group() = default;
    record_group(int32 first, int32 second, std::string group_name);
    void clear();
};

using record_group_map = std::map<int, record_group>;

// Files a record under group `id`, making the group when there is none. Refuses (false) id 0,
// a record of parser 2 or 3 without a column mask and, for key kinds 1 and 2, a record
// without bytes.
[[nodiscard]] bool add_record_to_groups(record_group_map& groups, const sqlite_metadata& record,
                                        int id, int parser, int kind);

// One empty group per entry of `names` (id -> second id and name); out is emptied first.
// True when a group was made.
[[nodiscard]] bool make_groups(record_group_map& out,
                               const std::map<int, std::pair<int32, std::string>>& names);

// The set's suffix keys merged into layout patterns where they agree position by position
// (strings), or the one key itself (keys). True when either output holds something.
[[nodiscard]] bool build_signature_strings(const record_set& set, class_key_set& keys,
                                           std::vector<std::string>& strings);
