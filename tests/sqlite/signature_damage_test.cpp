// The signature matchers, filters and column extractors on hostile bytes: every cut of a
// real record and random buffers, each held in a buffer of exactly its length so that the
// sanitizer build sees any read outside [data, data + length).

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "real_data.h"
#include "signature_test_support.h"
#include "sqlite/column_text.h"
#include "sqlite/record_signature.h"
#include "sqlite/text_filter.h"

namespace {

const char* const x_patterns[] = {"x0d", "-0", "x81", "129", "+0", "89"};
const char* const text_patterns[] = {"-", "-", "-", "-", "-", "-", "-", "-"};

struct pattern_list {
    const char* const* patterns;
    int32 count;
};
const pattern_list pattern_lists[] = {
    {velk_test::notification_patterns, velk_test::notification_pattern_count},
    {x_patterns, 6},
    {text_patterns, 8},
};

void match_everywhere(const byte_array& bytes) {
    const kq::byte_reader view(bytes);
    const auto n = static_cast<int32>(bytes.size());
    for (int32 at = 0; at <= n; ++at) {
        kq::byte_reader rest;
        ASSERT_TRUE(view.tail(static_cast<std::size_t>(at), rest));
        for (const pattern_list& p : pattern_lists) {
            const uint16 forward = match_signature_forward(
                rest.data(), static_cast<int32>(rest.size()), p.count, 0, p.patterns);
            EXPECT_LE(forward, rest.size());
            const int32 backward = match_signature_backward(view, static_cast<std::size_t>(at), n,
                                                            p.count, p.count - 1, p.patterns);
            EXPECT_LE(-backward, at + 1);
            EXPECT_LE(backward, 0);
        }
    }
}

void extract_everywhere(const byte_array& bytes) {
    const auto n = static_cast<int32>(bytes.size());
    std::string out;
    for (int32 position = 0; position <= 20; ++position) {
        for (const uint16 header_size : {uint16{0}, uint16{2}, uint16{0xFFFF}}) {
            for (int mode = 0; mode < 4; ++mode) {
                const bool blob = (mode & 1) != 0;
                const bool cut = (mode & 2) != 0;
                if (!extract_column_text(out, bytes.data(), n, position, 2, 8, filter_printable,
                                         header_size, blob, cut)) {
                    EXPECT_TRUE(out.empty());
                }
                if (!extract_column_text_at(out, bytes.data(), n, position, 8, 0, header_size, blob,
                                            cut)) {
                    EXPECT_TRUE(out.empty());
                }
            }
        }
    }
}

void filter_everything(const byte_array& bytes) {
    const auto n = static_cast<uint32>(bytes.size());
    std::string out;
    for (const uint32 flags : {0u, 0x01u, 0x11u, 0x1Fu}) {
        if (filter_ascii(out, bytes.data(), n, flags)) {
            EXPECT_EQ(out.size(), n);
        }
        (void)filter_ascii_prefix(out, bytes.data(), 2, n, flags);
        EXPECT_LE(out.size(), n);
        if (!filter_utf16(out, bytes.data(), n, flags)) {
            EXPECT_TRUE(out.empty());
        }
        if (!filter_utf16_prefix(out, bytes.data(), 2, n, flags)) {
            EXPECT_TRUE(out.empty());
        }
    }
}

void everything(const byte_array& bytes) {
    match_everywhere(bytes);
    extract_everywhere(bytes);
    filter_everything(bytes);
}

TEST(SignatureDamage, RealRecordCutAtEveryLength) {
    VELK_NEED_REAL_DATA(test_pages::real_db_path());
    const byte_array row = velk_test::real_order1_bytes(300);
    for (std::size_t n = 0; n <= row.size(); ++n) {
        everything(byte_array(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(n)));
    }
}

// Random buffers whose bytes lean towards small serial types, one-byte text types and
// varint continuation bytes, so that matches and walks go deep before they fail.
TEST(SignatureDamage, RandomBuffers) {
    std::mt19937 random(1301);
    const uint8 favourites[] = {0x00, 0x01, 0x06, 0x08, 0x09, 0x0C, 0x0D,
                                0x13, 0x17, 0x2C, 0x41, 0x81, 0x83, 0xFF};
    for (int round = 0; round < 400; ++round) {
        byte_array bytes(random() % 48);
        for (uint8& b : bytes) {
            const uint32 pick = random() % 32;
            b = pick < sizeof favourites ? favourites[pick] : static_cast<uint8>(random());
        }
        everything(bytes);
    }
}

// Nine-byte serial types of the largest value: content sizes saturate instead of wrapping
// back into the data.
TEST(SignatureDamage, HugeSerialTypes) {
    byte_array bytes{0x13};
    for (int v = 0; v < 2; ++v) {
        bytes.insert(bytes.end(), 9, 0xFF);
    }
    bytes.push_back(0x11);
    bytes.resize(40, 'a');
    std::string out;
    // The first, cut to the data, is what it is; every later column starts past the data.
    EXPECT_TRUE(extract_column_text(out, bytes.data(), static_cast<int32>(bytes.size()), 1, 0, 64,
                                    0, 0, false, true));
    EXPECT_EQ(out.size(), bytes.size() - 0x13);
    for (int32 position = 2; position < 24; ++position) {
        EXPECT_FALSE(extract_column_text(out, bytes.data(), static_cast<int32>(bytes.size()),
                                         position, 0, 64, 0, 0, false, true))
            << position;
    }
    everything(bytes);
}

}  // namespace
