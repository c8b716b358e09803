#include "sqlite/record_groups.h"

#include <sstream>

namespace {

constexpr unsigned run_shift = 4;
constexpr uint8 class_mask = 0x0f;
// Pattern positions are written with these letters in turn between them.
constexpr std::array<char, 4> separators = {'a', 'f', 'b', 'e'};
constexpr uint8 separator_offset = 7;

bool valid_parser(int parser) { return parser >= 1 && parser <= parser_count; }
std::size_t slot(int parser) { return static_cast<std::size_t>(parser - 1); }

bool keyed(int kind) { return kind == key_kind::full_key || kind == key_kind::prefix_key; }

// The full key less the prefix key; empty when the record has no class key.
byte_array suffix_key(const sqlite_metadata& record, byte_array& prefix, byte_array& full) {
    (void)record_keys(prefix, full, record);  // an empty prefix still yields the class part
    if (prefix.size() >= full.size()) {
        return {};
    }
    return byte_array(full.begin() + static_cast<std::ptrdiff_t>(prefix.size()), full.end());
}

struct pattern_position {
    uint8 run = 0;
    std::set<uint8> classes;
};
using pattern = std::vector<pattern_position>;

uint8 run_of(uint8 code) { return static_cast<uint8>(code >> run_shift); }
uint8 class_of(uint8 code) { return static_cast<uint8>(code & class_mask); }

pattern start_pattern(const byte_array& key) {
    pattern p;
    for (const uint8 code : key) {
        p.push_back({run_of(code), {class_of(code)}});
    }
    return p;
}

bool merge_same_length(pattern& p, const byte_array& key) {
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (run_of(key[i]) != p[i].run) {
            return false;
        }
    }
    for (std::size_t i = 0; i < key.size(); ++i) {
        p[i].classes.insert(class_of(key[i]));
    }
    return true;
}

// A longer key fits when each position takes one key byte of its run and a known class, or
// two bytes whose runs add up to it, both of known classes.
bool fits_longer(const pattern& p, const byte_array& key) {
    std::size_t k = 0;
    for (std::size_t i = 0; i < p.size() && k < key.size(); ++i) {
        const pattern_position& at = p[i];
        if (run_of(key[k]) == at.run && at.classes.count(class_of(key[k])) != 0) {
            ++k;
            continue;
        }
        if (k + 1 < key.size() && run_of(key[k]) + run_of(key[k + 1]) == at.run &&
            at.classes.count(class_of(key[k])) != 0 &&
            at.classes.count(class_of(key[k + 1])) != 0) {
            k += 2;
            continue;
        }
        return false;
    }
    return true;
}

bool merges(pattern& p, const byte_array& key) {
    if (key.size() == p.size()) {
        return merge_same_length(p, key);
    }
    return key.size() > p.size() && fits_longer(p, key);
}

std::string pattern_text(const pattern& p, std::size_t& letter) {
    std::ostringstream text;
    text << std::hex;
    for (std::size_t i = 0; i < p.size(); ++i) {
        text << static_cast<unsigned>(p[i].run);
        for (const uint8 c : p[i].classes) {
            text << static_cast<unsigned>(c);
        }
        const char separator = separators[letter % separators.size()];
        ++letter;
        if (i + 1 < p.size()) {
            text << separator;
        }
    }
    return text.str();
}

}  // namespace

void record_set::clear() {
    for (auto& list : records) {
        list.clear();
    }
    for (auto& index : rowid_index) {
        index.clear();
    }
    prefix_key.clear();
    full_key.clear();
    suffix_keys.clear();
    record_sizes.clear();
}

void record_set::build(const sqlite_metadata& record, int parser, int kind) {
    clear();
    if (valid_parser(parser)) {
        records[slot(parser)].push_back(record);
        rowid_index[slot(parser)][record.m_rowid].push_back(0);
    }
    record_sizes[record.m_record_bytes.size()] = 1;
    if (keyed(kind)) {
        byte_array suffix = suffix_key(record, prefix_key, full_key);
        if (!suffix.empty()) {
            suffix_keys.insert(std::move(suffix));
        }
    }
}

void record_set::add(const sqlite_metadata& record, int parser, int kind) {
    if (valid_parser(parser)) {
        auto& list = records[slot(parser)];
        rowid_index[slot(parser)][record.m_rowid].push_back(static_cast<int>(list.size()));
        list.push_back(record);
    }
    if (keyed(kind)) {
        byte_array prefix;
        byte_array full;
        byte_array suffix = suffix_key(record, prefix, full);
        if (!suffix.empty()) {
            suffix_keys.insert(std::move(suffix));
        }
    }
    ++record_sizes[record.m_record_bytes.size()];
}

record_group::record_group(int32 first, int32 second, std::string group_name)
    : first_id(first), second_id(second), name(std::move(group_name)) {}

void record_group::clear() {
    first_id = 0;
    second_id = 0;
    name.clear();
    for (auto& r : rowids) {
        r.clear();
    }
    counts.fill(0);
    sets.clear();
}

bool add_record_to_groups(record_group_map& groups, const sqlite_metadata& record, int id,
                          int parser, int kind) {
    if (id == 0 || ((parser == 2 || parser == 3) && record.m_column_mask == 0) ||
        ((kind == key_kind::raw_bytes || kind == key_kind::full_key) &&
         record.m_record_bytes.empty())) {
        return false;
    }
    record_set own;
    own.build(record, parser, kind);
    std::string key;
    (void)record_key_text(key, record, kind);
    auto found = groups.find(id);
    if (found == groups.end()) {
        found = groups.emplace(id, record_group(id, 0, {})).first;
    }
    record_group& group = found->second;
    if (valid_parser(parser)) {
        ++group.counts[slot(parser)];
        group.rowids[slot(parser)].insert(record.m_rowid);
    }
    const auto same = group.sets.find(key);
    if (same == group.sets.end()) {
        group.sets.emplace(key, std::move(own));
    } else {
        same->second.add(record, parser, kind);
    }
    return true;
}

bool make_groups(record_group_map& out,
                 const std::map<int, std::pair<int32, std::string>>& names) {
    out.clear();
    for (const auto& [id, entry] : names) {
        out.emplace(id, record_group(id, entry.first, entry.second));
    }
    return !out.empty();
}

bool build_signature_strings(const record_set& set, class_key_set& keys,
                             std::vector<std::string>& strings) {
    keys.clear();
    strings.clear();
    if (set.suffix_keys.size() == 1) {
        keys.insert(*set.suffix_keys.begin());
    }
    if (set.suffix_keys.size() > 1) {
        const byte_array& first = *set.suffix_keys.begin();
        std::size_t letter = (static_cast<std::size_t>(first.back()) + separator_offset) %
                             separators.size();
        pattern current;
        for (const byte_array& key : set.suffix_keys) {
            if (current.empty() || !merges(current, key)) {
                if (!current.empty()) {
                    strings.push_back(pattern_text(current, letter));
                }
                current = start_pattern(key);
            }
        }
        strings.push_back(pattern_text(current, letter));
    }
    return !keys.empty() || !strings.empty();
}
