#include "text/extras/output_field_spec.h"

#include <gtest/gtest.h>

namespace {

output_field_spec filled_spec() {
    output_field_spec spec;
    spec.m_name = "ArrivalTime";
    spec.m_name_arg = "alias";
    spec.m_aux_index = 7;
    spec.m_flags = output_field_flags::time_filetime | (1ULL << 56);
    spec.m_valid = true;
    spec.m_aux_value = 3;
    spec.m_numeric_arg = 5;
    spec.m_pairs["key"] = "value";
    spec.m_list.emplace_back("one");
    spec.m_text_arg = "text";
    return spec;
}

TEST(OutputFieldSpec, StartsCleared) {
    const output_field_spec spec;
    EXPECT_TRUE(spec.m_name.empty());
    EXPECT_EQ(spec.m_aux_index, -1);
    EXPECT_EQ(spec.m_flags, 0u);
    EXPECT_FALSE(spec.m_valid);
    EXPECT_EQ(spec.m_numeric_arg, 0u);
    EXPECT_TRUE(spec.m_pairs.empty());
    EXPECT_TRUE(spec.m_list.empty());
}

TEST(OutputFieldSpec, ClearResetsEveryMember) {
    output_field_spec spec = filled_spec();
    spec.clear();
    EXPECT_TRUE(spec.m_name.empty());
    EXPECT_TRUE(spec.m_name_arg.empty());
    EXPECT_EQ(spec.m_aux_index, -1);
    EXPECT_EQ(spec.m_flags, 0u);
    EXPECT_FALSE(spec.m_valid);
    EXPECT_EQ(spec.m_aux_value, 0);
    EXPECT_EQ(spec.m_numeric_arg, 0u);
    EXPECT_TRUE(spec.m_pairs.empty());
    EXPECT_TRUE(spec.m_list.empty());
    EXPECT_TRUE(spec.m_text_arg.empty());
}

TEST(OutputFieldSpec, CopiesAreIndependent) {
    output_field_spec original = filled_spec();
    output_field_spec copy = original;
    original.clear();
    EXPECT_EQ(copy.m_name, "ArrivalTime");
    EXPECT_EQ(copy.m_name_arg, "alias");
    EXPECT_EQ(copy.m_aux_index, 7);
    EXPECT_TRUE(copy.m_valid);
    EXPECT_EQ(copy.m_flags & output_field_flags::time_filetime, output_field_flags::time_filetime);
    ASSERT_EQ(copy.m_pairs.count("key"), 1u);
    EXPECT_EQ(copy.m_pairs.at("key"), "value");
    ASSERT_EQ(copy.m_list.size(), 1u);
    EXPECT_EQ(copy.m_text_arg, "text");
    output_field_spec assigned;
    assigned = copy;
    EXPECT_EQ(assigned.m_list, copy.m_list);
    EXPECT_EQ(assigned.m_numeric_arg, 5u);
}

}  // namespace
