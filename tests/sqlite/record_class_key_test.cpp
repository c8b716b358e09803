// Layout keys: the base-128 writer, serial-class keys of real and built headers, the prefix
// key, key texts, their order, and the fingerprint the comparison report relies on.

#include "sqlite/record_class_key.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sqlite/sqlite_metadata.h"

namespace {

// The record header of the notification with Order 1 in the real database (file offset
// 28378): header size 16, then its 14 serial types.
const byte_array real_header = {0x10, 0x00, 0x01, 0x01, 0x2c, 0x17, 0x83, 0x54,
                                0x0d, 0x0d, 0x06, 0x06, 0x08, 0x13, 0x06, 0x08};
const byte_array real_class_key = {0x10, 0x21, 0x1c, 0x1d, 0x1c, 0x2d,
                                   0x26, 0x18, 0x1d, 0x16, 0x18};

struct leb128_case {
    const char* name;
    uint64 value;
    bool ok;
    byte_array bytes;
};

const leb128_case leb128_cases[] = {
    {"zero", 0, true, {0x00}},
    {"three_hundred", 300, true, {0xac, 0x02}},
    {"largest_of_63_bits", (uint64{1} << 63) - 1, true,
     {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f}},
    // Nine groups of seven bits cannot hold bit 63: nothing is written rather than a cut value.
    {"bit_63", uint64{1} << 63, false, {}},
    {"all_bits", ~uint64{0}, false, {}},
};

class WriteLeb128 : public ::testing::TestWithParam<leb128_case> {};

TEST_P(WriteLeb128, WritesGroupsLowFirst) {
    const leb128_case& c = GetParam();
    byte_array out = {0x55};
    EXPECT_EQ(write_leb128_u64(out, c.value), c.ok);
    EXPECT_EQ(out, c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteLeb128, ::testing::ValuesIn(leb128_cases),
                         [](const auto& p) { return std::string(p.param.name); });

sqlite_metadata record_with_bytes(const byte_array& bytes) {
    sqlite_metadata r;
    r.m_record_bytes = bytes;
    return r;
}

TEST(HeaderClassKey, RealNotificationHeader) {
    byte_array key;
    ASSERT_TRUE(header_class_key(key, real_header.data(), 16, 1, 0x3FFF, true));
    byte_array expected = {0x01, 0xff, 0x3f, 0x00, 0x00, 0x10};
    expected.insert(expected.end(), real_class_key.begin(), real_class_key.end());
    EXPECT_EQ(key, expected);

    ASSERT_TRUE(record_class_key(key, record_with_bytes(real_header)));
    EXPECT_EQ(key, real_class_key);
}

TEST(HeaderClassKey, HeaderMustBeExactlyTheBytesGiven) {
    byte_array longer = real_header;
    longer.resize(20, 0x01);
    byte_array key = {0x99};
    EXPECT_FALSE(header_class_key(key, longer.data(), 20, 1, 0x3FFF, true));
    // A header size past the bytes given is not read beyond them.
    EXPECT_FALSE(header_class_key(key, real_header.data(), 10, 1, 0x3FFF, true));
    EXPECT_FALSE(header_class_key(key, nullptr, 16, 1, 0x3FFF, true));
    EXPECT_FALSE(header_class_key(key, real_header.data(), 0, 1, 0x3FFF, true));
    EXPECT_TRUE(key.empty());
    // The record form: a header size beyond the record's bytes gives no key.
    EXPECT_FALSE(record_class_key(key, record_with_bytes({0x10, 0x01, 0x01})));
    EXPECT_FALSE(record_class_key(key, record_with_bytes({})));
}

TEST(RecordClassKey, RunsPackIntoTheHighNibble) {
    byte_array key;
    ASSERT_TRUE(record_class_key(key, record_with_bytes({6, 1, 1, 1, 23, 23})));
    EXPECT_EQ(key, (byte_array{0x31, 0x2d}));
    // Seventeen NULLs: a run of 15 fills a nibble, the other two go on in a new byte.
    byte_array nulls(18, 0x00);
    nulls[0] = 18;
    ASSERT_TRUE(record_class_key(key, record_with_bytes(nulls)));
    EXPECT_EQ(key, (byte_array{0xf0, 0x20}));
}

sqlite_metadata metadata_row() {
    sqlite_metadata r;
    r.m_table_type = 1;
    r.m_column_mask = 0x3;
    r.m_column_initials = "ke-va";
    return r;
}

TEST(RecordKeys, PrefixAndFullKey) {
    sqlite_metadata r = metadata_row();
    byte_array prefix;
    byte_array full;
    ASSERT_TRUE(record_keys(prefix, full, r));
    const byte_array expected = {0x01, 0x03, 0x00, 0x00, 0x00, 4, 'k' - 'a', 'e' - 'a',
                                 'v' - 'a', 'a' - 'a'};
    EXPECT_EQ(prefix, expected);
    EXPECT_TRUE(full.empty());
    r.m_table_type = 8;  // the lowest set bit's position plus one
    r.m_record_bytes = {3, 0x1b, 0x01, 'k', 'e', 'y', 'x', 'x', 'x', 'x', 'x', 'x', 5};
    ASSERT_TRUE(record_keys(prefix, full, r));
    EXPECT_EQ(prefix[0], 4);
    ASSERT_EQ(full.size(), prefix.size() + 2);
    EXPECT_EQ(full[prefix.size()], 0x1d);
    EXPECT_EQ(full[prefix.size() + 1], 0x11);
}

// The count of initials is one byte: past 255 it must not wrap and leave letters the count
// does not cover.
TEST(RecordKeys, InitialsStopAtWhatOneByteCounts) {
    sqlite_metadata r = metadata_row();
    r.m_column_initials = std::string(300, 'b');
    byte_array prefix;
    byte_array full;
    ASSERT_TRUE(record_keys(prefix, full, r));
    ASSERT_EQ(prefix.size(), 5U + 1U + 255U);
    EXPECT_EQ(prefix[5], 255);
    EXPECT_EQ(prefix.back(), 'b' - 'a');
}

TEST(RecordKeyText, EachKind) {
    sqlite_metadata r = metadata_row();
    std::string text;
    EXPECT_EQ(record_key_text(text, r, key_kind::prefix_key), "0103000000040a041500");
    EXPECT_EQ(record_key_text(text, r, key_kind::raw_bytes), "");
    EXPECT_EQ(record_key_text(text, r, key_kind::full_key), "");
    r.m_rowid = 26;
    std::string zeros;
    for (int i = 0; i < 16; ++i) {
        zeros += "_00";
    }
    EXPECT_EQ(record_key_text(text, r, key_kind::rowid_and_fingerprint), "00001a" + zeros);
    r.m_record_bytes = {2, 0x01, 0x07};
    EXPECT_EQ(record_key_text(text, r, key_kind::raw_bytes), "02_01_07");
    EXPECT_EQ(record_key_text(text, r, key_kind::full_key), "01_03_00_00_00_04_0a_04_15_00_11");
    EXPECT_EQ(record_key_text(text, r, 7), "");
    EXPECT_EQ(text, "");
}

TEST(ClassKeyLess, LengthThenRunsThenClasses) {
    EXPECT_TRUE(class_key_less({0xff, 0xff}, {0x00, 0x00, 0x00}));
    EXPECT_FALSE(class_key_less({0x00, 0x00, 0x00}, {0xff, 0xff}));
    // Runs decide before classes: 0x1d sorts before 0x21 although its class is larger.
    EXPECT_TRUE(class_key_less({0x1d}, {0x21}));
    EXPECT_TRUE(class_key_less({0x21, 0x11}, {0x2d, 0x11}));
    EXPECT_FALSE(class_key_less({0x2d}, {0x2d}));
}

TEST(RecordFingerprint, ValuesInOrderWithTheirLengths) {
    sqlite_metadata a;
    sqlite_metadata b;
    set_record_fingerprint(a, {"tile:maxCount", "5"});
    set_record_fingerprint(b, {"tile:maxCount5", ""});
    EXPECT_TRUE(has_fingerprint(a));
    EXPECT_EQ(a.m_reserved_text, "tile:maxCount | 5");
    // The lengths keep values that concatenate alike apart.
    EXPECT_NE(a.m_reserved_bytes, b.m_reserved_bytes);
    set_record_fingerprint(b, {"tile:maxCount", "5"});
    EXPECT_EQ(a.m_reserved_bytes, b.m_reserved_bytes);
    set_record_fingerprint(b, {});
    EXPECT_FALSE(has_fingerprint(b));
    EXPECT_EQ(b.m_reserved_text, "");
}

}  // namespace
