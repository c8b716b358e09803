#include "text/kq_variant_lite.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

void expect_same(const kq_variant_lite& got, const kq_variant_lite& want) {
    EXPECT_EQ(got.m_type, want.m_type);
    EXPECT_EQ(got.m_flags, want.m_flags);
    EXPECT_EQ(got.m_width, want.m_width);
    EXPECT_EQ(got.m_value, want.m_value);
    EXPECT_EQ(got.m_values, want.m_values);
    EXPECT_EQ(got.m_text, want.m_text);
    EXPECT_EQ(got.m_bytes, want.m_bytes);
    EXPECT_EQ(got.m_max_text_length, 20);
}

kq_variant_lite with_bytes(uint16 type, byte_array bytes) {
    kq_variant_lite v(0, type);
    v.m_bytes = std::move(bytes);
    return v;
}

kq_variant_lite several_times(uint16 type, std::vector<uint64> times) {
    kq_variant_lite v(0, type);
    v.m_flags = variant_several_times_flags;
    v.m_values = std::move(times);
    return v;
}

const byte_array guid_bytes = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                               0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};

// --- Construction ---

TEST(VariantConstruction, ClearedValue) {
    kq_variant_lite v("Name", 40, variant_type::text, 0x4);
    v.m_bytes = {1};
    v.m_values = {2};
    v.m_value = 3;
    v.m_max_text_length = 99;
    v.clear();
    expect_same(v, kq_variant_lite());
    EXPECT_EQ(v.m_type, 0);
    EXPECT_EQ(v.m_flags, 0u);
    EXPECT_EQ(v.m_width, 0u);
    EXPECT_TRUE(v.m_text.empty() && v.m_bytes.empty() && v.m_values.empty());
}

TEST(VariantConstruction, EachConstructorSetsItsType) {
    EXPECT_EQ(kq_variant_lite(uint8{0xFE}).m_type, variant_type::u8);
    EXPECT_EQ(kq_variant_lite(uint8{0xFE}).m_value, 0xFEu);
    EXPECT_EQ(kq_variant_lite(uint16{0xFFFE}).m_type, variant_type::u16);
    const kq_variant_lite u32(uint32{0xFFFFFFFF});
    EXPECT_EQ(u32.m_type, variant_type::u32);
    EXPECT_EQ(u32.m_value, 0x00000000FFFFFFFFull);  // high half zero: no sign extension
    const kq_variant_lite time(0x01D9000000000000ull, variant_type::filetime);
    EXPECT_EQ(time.m_type, variant_type::filetime);
    EXPECT_EQ(time.m_value, 0x01D9000000000000ull);
    const kq_variant_lite text(std::string("payload"));
    EXPECT_EQ(text.m_type, variant_type::text);
    EXPECT_EQ(text.m_text, "payload");
    EXPECT_EQ(text.m_flags, 0u);
}

TEST(VariantConstruction, CaptionsCarryWidthAndFlag) {
    const kq_variant_lite caption("Arrival", 23, variant_type::filetime, 0x4);
    EXPECT_EQ(caption.m_flags, 0x84u);
    EXPECT_EQ(caption.m_width, 23u);
    EXPECT_EQ(caption.m_text, "Arrival");
    EXPECT_EQ(caption.m_type, variant_type::filetime);
    EXPECT_EQ(kq_variant_lite("Id", 5, variant_type::i64, 0x80).m_flags, 0x80u);
    const kq_variant_lite plain("Handler", 12);
    EXPECT_EQ(plain.m_type, variant_type::empty);
    EXPECT_EQ(plain.m_flags, variant_caption_flag);
    EXPECT_EQ(plain.m_width, 12u);
}

// --- Exact serialised bytes ---

struct pack_case {
    const char* name;
    kq_variant_lite value;
    byte_array expected;
};

void PrintTo(const pack_case& c, std::ostream* os) { *os << c.name; }

const pack_case pack_cases[] = {
    {"Empty", kq_variant_lite(), {0, 0, 0, 0, 0, 0}},
    {"Text", kq_variant_lite(std::string("abc")), {0x0B, 0, 0, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c'}},
    {"U8", kq_variant_lite(uint8{0xAB}), {1, 0, 0, 0, 0, 0, 0xAB}},
    {"U16", kq_variant_lite(uint16{0xABCD}), {2, 0, 0, 0, 0, 0, 0xCD, 0xAB}},
    {"U32AllBits", kq_variant_lite(uint32{0xFFFFFFFF}), {4, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
    {"UnixSecondsLowHalf",
     kq_variant_lite(0x1122334455667788ull, variant_type::unix_seconds),
     {16, 0, 0, 0, 0, 0, 0x88, 0x77, 0x66, 0x55}},
    {"Filetime",
     kq_variant_lite(0x0102030405060708ull, variant_type::filetime_two_columns),
     {12, 0, 0, 0, 0, 0, 8, 7, 6, 5, 4, 3, 2, 1}},
    {"FirefoxLikeI64",
     kq_variant_lite(0x0102030405060708ull, variant_type::firefox),
     {20, 0, 0, 0, 0, 0, 8, 7, 6, 5, 4, 3, 2, 1}},
    {"Bytes",
     with_bytes(variant_type::bytes_hex, {0xDE, 0xAD}),
     {29, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0xDE, 0xAD}},
    {"CaptionFullWidth",
     kq_variant_lite("Name", 0x0000000100000002ull, variant_type::text, 0x4),
     {0x0B, 0, 0x84, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0}},
    {"SeveralTimes",
     several_times(variant_type::filetime, {0x0102, 0x0304}),
     {13, 0, 0, 0x40, 0, 0, 2, 0, 0, 0, 2, 1, 0, 0, 0, 0, 0, 0, 4, 3, 0, 0, 0, 0, 0, 0}},
};

class VariantPack : public ::testing::TestWithParam<pack_case> {};

TEST_P(VariantPack, WritesExactBytesAndReadsThemBack) {
    const auto& c = GetParam();
    byte_array out = {0x99};  // packing appends
    c.value.pack_bytes(out);
    ASSERT_EQ(out, [&] {
        byte_array with_lead = {0x99};
        with_lead.insert(with_lead.end(), c.expected.begin(), c.expected.end());
        return with_lead;
    }());

    kq_variant_lite back(std::string("stale"));
    EXPECT_EQ(back.unpack_bytes(out, 1), static_cast<int>(c.expected.size()));
    kq_variant_lite want = c.value;
    if ((want.m_flags & variant_caption_flag) != 0) {
        want.m_text.clear();  // a caption's name is not part of its form
    }
    if (c.value.m_type == variant_type::unix_seconds) {
        want.m_value &= 0xFFFFFFFF;
    }
    expect_same(back, want);
}

INSTANTIATE_TEST_SUITE_P(Cases, VariantPack, ::testing::ValuesIn(pack_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// --- A list of every type code ---

std::vector<kq_variant_lite> every_type() {
    std::vector<kq_variant_lite> list;
    for (uint16 type = 0; type < 32; ++type) {
        if (type == 5 || type == 6 || type == 7 || type == 9 || type == 10) {
            continue;
        }
        kq_variant_lite v(0x0000000012345678ull + type, type);
        v.m_flags = 0x1000u * type;  // the writer's own bits travel untouched
        if (type == variant_type::empty) {
            v.m_value = 0;
        } else if (type == variant_type::u8) {
            v.m_value = 0xF1;
        } else if (type == variant_type::u16) {
            v.m_value = 0xF1F2;
        } else if (type == variant_type::text || type >= variant_type::raw_text) {
            v.m_value = 0;
            v.m_text = std::string("line\r\n\0end", 10);
        } else if (type >= variant_type::guid) {
            v.m_value = 0;
            v.m_bytes = guid_bytes;
        }
        list.push_back(v);
    }
    list.emplace_back("Caption", 0xFFFFFFFFFFull, variant_type::filetime, 0x4);
    list.emplace_back("Plain", 7);
    list.push_back(several_times(variant_type::safari, {1, 0xFFFFFFFFFFFFFFFFull, 3}));
    list.push_back(several_times(variant_type::filetime, {}));
    list.emplace_back(std::string());
    return list;
}

// The value as it comes back: a caption loses its name.
kq_variant_lite as_read_back(kq_variant_lite v) {
    if ((v.m_flags & variant_caption_flag) != 0) {
        v.m_text.clear();
    }
    return v;
}

TEST(VariantList, EveryTypeRoundTrips) {
    const auto list = every_type();
    byte_array packed;
    ASSERT_TRUE(pack_variant_list(packed, list, false));
    std::vector<kq_variant_lite> back;
    ASSERT_TRUE(unpack_variant_list(back, packed, false));
    ASSERT_EQ(back.size(), list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE("value " + std::to_string(i) + " type " + std::to_string(list[i].m_type));
        expect_same(back[i], as_read_back(list[i]));
    }
}

TEST(VariantList, AppendAndEmptyInput) {
    byte_array packed = {0xEE};
    ASSERT_TRUE(pack_variant_list(packed, {kq_variant_lite()}, false));
    EXPECT_EQ(packed.size(), 6u);  // emptied first without append
    ASSERT_TRUE(pack_variant_list(packed, {kq_variant_lite(uint8{1})}, true));
    EXPECT_EQ(packed.size(), 13u);
    byte_array nothing;
    EXPECT_FALSE(pack_variant_list(nothing, {}, false));

    std::vector<kq_variant_lite> list;
    ASSERT_TRUE(unpack_variant_list(list, packed, false));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].m_type, variant_type::empty);
    ASSERT_TRUE(unpack_variant_list(list, packed, true));
    EXPECT_EQ(list.size(), 4u);

    EXPECT_FALSE(unpack_variant_list(list, {}, false));
    EXPECT_TRUE(list.empty());
    list.emplace_back();
    EXPECT_TRUE(unpack_variant_list(list, {}, true) == false && list.size() == 1);
}

// --- Damaged input ---

TEST(VariantUnpack, EveryPrefixKeepsTheWholeValuesOnly) {
    const auto list = every_type();
    byte_array packed;
    std::vector<std::size_t> ends;  // where each value's form ends
    for (const auto& v : list) {
        v.pack_bytes(packed);
        ends.push_back(packed.size());
    }
    for (std::size_t length = 0; length <= packed.size(); ++length) {
        SCOPED_TRACE("prefix of " + std::to_string(length) + " bytes");
        // An exact-size copy, so the sanitizer catches any read past the end.
        const byte_array prefix(packed.begin(),
                                packed.begin() + static_cast<std::ptrdiff_t>(length));
        std::vector<kq_variant_lite> back;
        const bool any = unpack_variant_list(back, prefix, false);
        std::size_t whole = 0;
        while (whole < ends.size() && ends[whole] <= length) {
            ++whole;
        }
        ASSERT_EQ(back.size(), whole);
        EXPECT_EQ(any, whole > 0);
        for (std::size_t i = 0; i < whole; ++i) {
            expect_same(back[i], as_read_back(list[i]));
        }
    }
}

struct damaged_case {
    const char* name;
    byte_array input;
    uint32 offset;
};

void PrintTo(const damaged_case& c, std::ostream* os) { *os << c.name; }

const damaged_case damaged_cases[] = {
    {"OffsetPastEnd", {0, 0, 0, 0, 0, 0}, 7},
    {"OffsetAtEnd", {0, 0, 0, 0, 0, 0}, 6},
    {"HeaderCut", {0x0B, 0, 0, 0, 0}, 0},
    // A caption needs its whole 8-byte width; one byte after the header is not enough.
    {"CaptionWidthCut", {0, 0, 0x80, 0, 0, 0, 5}, 0},
    {"CaptionWidthSevenBytes", {0, 0, 0x80, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7}, 0},
    {"U8Missing", {1, 0, 0, 0, 0, 0}, 0},
    {"U32Cut", {4, 0, 0, 0, 0, 0, 1, 2, 3}, 0},
    {"FiletimeCut", {12, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7}, 0},
    {"TextLengthCut", {0x0B, 0, 0, 0, 0, 0, 3, 0, 0}, 0},
    {"TextPastEnd", {0x0B, 0, 0, 0, 0, 0, 4, 0, 0, 0, 'a', 'b', 'c'}, 0},
    {"TextHugeLength", {0x0B, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}, 0},
    {"BytesPastEnd", {28, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0xAA}, 0},
    {"GuidCut", {27, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, 0},
    {"SeveralTimesCountTooBig", {13, 0, 0, 0x40, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, 0},
    {"SeveralTimesHugeCount",
     {13, 0, 0, 0x40, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8},
     0},
    {"TypeWithoutForm", {5, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, 0},
    {"TypeAbove31", {32, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, 0},
};

class VariantDamaged : public ::testing::TestWithParam<damaged_case> {};

TEST_P(VariantDamaged, ReturnsZeroAndLeavesValueCleared) {
    const auto& c = GetParam();
    kq_variant_lite v(std::string("before"));
    EXPECT_EQ(v.unpack_bytes(c.input, c.offset), 0);
    expect_same(v, kq_variant_lite());
}

INSTANTIATE_TEST_SUITE_P(Cases, VariantDamaged, ::testing::ValuesIn(damaged_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(VariantUnpack, ListStopsAtDamageAndKeepsWhatItRead) {
    byte_array packed;
    kq_variant_lite(std::string("kept")).pack_bytes(packed);
    const std::size_t first = packed.size();
    packed.insert(packed.end(), {0x0B, 0, 0, 0, 0, 0, 0x10, 0, 0, 0, 'x'});
    std::vector<kq_variant_lite> list;
    EXPECT_TRUE(unpack_variant_list(list, packed, false));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].m_text, "kept");
    EXPECT_EQ(first, 14u);
}

// --- Broken invariant ---

TEST(VariantPackDeathTest, TypeWithoutFormStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const kq_variant_lite bad(1, 5);
    byte_array out;
    EXPECT_DEATH(bad.pack_bytes(out),
                 "\"false\".*void kq_variant_lite::pack_bytes\\(byte_array&\\) const.*kq_string");
}

}  // namespace
