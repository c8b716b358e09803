#include <gtest/gtest.h>

#include <string>

#include "cmdline/timeline_context.h"

namespace {

struct parent_case {
    const char* name;
    uint64 parent;
    uint64 stored_parent;
    uint32 stored_seqnum;
};

const parent_case parent_cases[] = {
    {"all_48_bits_is_root", 0x0000FFFFFFFFFFFFULL, 5, 0},
    {"with_sequence_kept", 0x0001FFFFFFFFFFFFULL, 0x0001FFFFFFFFFFFFULL, 7},
    {"32_bits_kept", 0xFFFFFFFFULL, 0xFFFFFFFFULL, 7},
    {"47_bits_kept", 0x00007FFFFFFFFFFFULL, 0x00007FFFFFFFFFFFULL, 7},
    {"plain", 40, 40, 7},
};

class NtfsExtrasParent : public ::testing::TestWithParam<parent_case> {};

TEST_P(NtfsExtrasParent, OnlyTheFull48BitReferenceBecomesTheRoot) {
    const parent_case& c = GetParam();
    timeline_context context;
    context.set_ntfs_extras(2, c.parent, 7, 3, 4096, "txt", "12-15");
    EXPECT_TRUE(context.m_ntfs_extras);
    EXPECT_EQ(context.m_parent_inode, c.stored_parent);
    EXPECT_EQ(context.m_parent_seqnum, c.stored_seqnum);
    EXPECT_EQ(context.m_ref_count, 2U);
    EXPECT_EQ(context.m_inode_seqnum, 3U);
    EXPECT_EQ(context.m_size, 4096U);
    EXPECT_EQ(context.m_extension, "txt");
    EXPECT_EQ(context.m_clusters, "12-15");
}

INSTANTIATE_TEST_SUITE_P(Cases, NtfsExtrasParent, ::testing::ValuesIn(parent_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(NtfsExtras, NullTextsKeepTheEarlierOnes) {
    timeline_context context;
    context.set_ntfs_extras(1, 40, 1, 1, 10, "txt", "12-15");
    context.set_ntfs_extras(1, 40, 1, 1, 10, nullptr, nullptr);
    EXPECT_EQ(context.m_extension, "txt");
    EXPECT_EQ(context.m_clusters, "12-15");
    context.set_ntfs_extras(1, 40, 1, 1, 10, "", "");
    EXPECT_EQ(context.m_extension, "");
    EXPECT_EQ(context.m_clusters, "");
}

TEST(NtfsExtras, InodeTextHexAtLeastEightDigitsOrDecimal) {
    timeline_context context;
    context.m_hex_numbers = true;
    context.set_inode(5);
    EXPECT_EQ(context.m_inode, "0x00000005");
    context.set_inode(0x123456789ULL);
    EXPECT_EQ(context.m_inode, "0x123456789");
    context.set_inode(0xABCDEF);
    EXPECT_EQ(context.m_inode, "0x00abcdef");
    context.m_hex_numbers = false;
    context.set_inode(5);
    EXPECT_EQ(context.m_inode, "5");
    context.set_inode(UINT64_MAX);
    EXPECT_EQ(context.m_inode, "18446744073709551615");
}

}  // namespace
