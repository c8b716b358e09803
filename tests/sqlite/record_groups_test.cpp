// Record groups: what add_record_to_groups files and refuses, and how build_signature_strings
// merges the layouts of one set into patterns.

#include "sqlite/record_groups.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

sqlite_metadata record(int64 rowid, uint64 mask, byte_array bytes) {
    sqlite_metadata r;
    r.m_rowid = rowid;
    r.m_table_type = 2;
    r.m_column_mask = mask;
    r.m_column_initials = "id-na";
    r.m_record_bytes = std::move(bytes);
    return r;
}

TEST(AddRecordToGroups, RefusesWhatCannotBeFiled) {
    record_group_map groups;
    EXPECT_FALSE(add_record_to_groups(groups, record(1, 3, {2, 1, 7}), 0, 1, key_kind::full_key));
    EXPECT_FALSE(add_record_to_groups(groups, record(1, 0, {2, 1, 7}), 9, 2, key_kind::full_key));
    EXPECT_FALSE(add_record_to_groups(groups, record(1, 3, {}), 9, 1, key_kind::raw_bytes));
    EXPECT_FALSE(add_record_to_groups(groups, record(1, 3, {}), 9, 1, key_kind::full_key));
    EXPECT_TRUE(groups.empty());
    // A library row (parser 1) needs no mask, and the prefix key no bytes.
    EXPECT_TRUE(add_record_to_groups(groups, record(1, 0, {}), 9, 1, key_kind::prefix_key));
}

TEST(AddRecordToGroups, OneSetPerLayout) {
    record_group_map groups;
    ASSERT_TRUE(make_groups(groups, {{9, {4, "Handlers"}}}));
    ASSERT_TRUE(add_record_to_groups(groups, record(1, 3, {3, 1, 0x1b, 5, 'a', 'b', 'c', 'd', 'e',
                                                            'f', 'g'}),
                                     9, 2, key_kind::full_key));
    ASSERT_TRUE(add_record_to_groups(groups, record(2, 3, {3, 1, 0x1b, 6, 'h', 'i', 'j', 'k', 'l',
                                                            'm', 'n'}),
                                     9, 2, key_kind::full_key));
    ASSERT_TRUE(add_record_to_groups(groups, record(2, 3, {3, 2, 0x1b, 0, 6, 'h', 'i', 'j', 'k',
                                                            'l', 'm', 'n'}),
                                     9, 3, key_kind::full_key));
    const record_group& g = groups.at(9);
    EXPECT_EQ(g.second_id, 4);
    EXPECT_EQ(g.name, "Handlers");
    EXPECT_EQ(g.counts[1], 2U);
    EXPECT_EQ(g.counts[2], 1U);
    EXPECT_EQ(g.rowids[1], (std::set<int64>{1, 2}));
    ASSERT_EQ(g.sets.size(), 2U);  // int8 + text, and int16 + text
    const record_set& first = g.sets.begin()->second;
    EXPECT_EQ(first.records[1].size(), 2U);
    EXPECT_EQ(first.rowid_index[1].at(2), std::vector<int>{1});
    EXPECT_EQ(first.record_sizes.at(11), 2U);
    EXPECT_EQ(first.suffix_keys.size(), 1U);
}

record_set set_of_keys(const std::vector<byte_array>& keys) {
    record_set s;
    for (const byte_array& k : keys) {
        s.suffix_keys.insert(k);
    }
    return s;
}

TEST(BuildSignatureStrings, MergesKeysThatAgreePositionByPosition) {
    class_key_set keys;
    std::vector<std::string> strings;
    EXPECT_FALSE(build_signature_strings(set_of_keys({}), keys, strings));
    ASSERT_TRUE(build_signature_strings(set_of_keys({{0x11, 0x1d}}), keys, strings));
    EXPECT_TRUE(strings.empty());
    EXPECT_EQ(keys.size(), 1U);
    // In key order: 11 1c, 11 1d (merged: same runs), then 11 2d 11, whose second byte
    // fits no position. Letters start at (0x1c + 7) % 4 = 3, 'e', and run on.
    ASSERT_TRUE(build_signature_strings(set_of_keys({{0x11, 0x1d}, {0x11, 0x1c}, {0x11, 0x2d, 0x11}}),
                                        keys, strings));
    EXPECT_TRUE(keys.empty());
    EXPECT_EQ(strings, (std::vector<std::string>{"11e1cd", "11f2db11"}));
    // A longer key whose two bytes add up to a position's run leaves the pattern as it is.
    ASSERT_TRUE(build_signature_strings(set_of_keys({{0x11, 0x3d}, {0x11, 0x1d, 0x2d}}), keys,
                                        strings));
    EXPECT_EQ(strings, (std::vector<std::string>{"11a3d"}));
}

}  // namespace
