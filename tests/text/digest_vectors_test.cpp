// Published test vectors for every digest and checksum, each fed whole and in uneven pieces
// that straddle the 64-byte block boundary in every way.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "text/adler32_checksum.h"
#include "text/crc32_checksum.h"
#include "text/hex_text.h"
#include "text/md5_digest.h"
#include "text/sha1_digest.h"
#include "text/sha256_digest.h"

namespace {

enum class algorithm { md5, sha1, sha256, crc32, adler32 };

// Calls feed(piece) over the whole input in pieces of 1, 63, 64, 65, 127, 1000 ... bytes.
void feed_unevenly(const std::string& input, bool whole,
                   const std::function<void(const char*, std::size_t)>& feed) {
    static constexpr std::size_t pieces[] = {1, 63, 64, 65, 127, 1000, 3, 4096, 55, 56, 57};
    std::size_t at = 0;
    for (std::size_t i = 0; at < input.size(); ++i) {
        const std::size_t want = whole ? input.size() : pieces[i % std::size(pieces)];
        const std::size_t take = std::min(want, input.size() - at);
        feed(input.data() + at, take);
        at += take;
    }
}

template <std::size_t n>
std::string hex_of(const std::array<uint8, n>& bytes) {
    return byte_array_hex_string(byte_array(bytes.begin(), bytes.end()), "");
}

using piece_fn = std::function<void(const char*, std::size_t)>;

std::string run_md5(const std::string& input, bool whole) {
    md5_context c;
    md5_init(c);
    feed_unevenly(input, whole, piece_fn([&](const char* p, std::size_t n) {
                      EXPECT_TRUE(md5_update(&c, p, n));
                  }));
    std::array<uint8, 16> out{};
    EXPECT_TRUE(md5_final(out, &c));
    return hex_of(out);
}

std::string run_sha1(const std::string& input, bool whole) {
    sha1_context c;
    EXPECT_TRUE(sha1_init(&c));
    feed_unevenly(input, whole, piece_fn([&](const char* p, std::size_t n) {
                      EXPECT_TRUE(sha1_update(&c, p, n));
                  }));
    std::array<uint8, 20> out{};
    EXPECT_TRUE(sha1_final(out, &c));
    return hex_of(out);
}

std::string run_sha256(const std::string& input, bool whole) {
    sha256_context c;
    feed_unevenly(input, whole, piece_fn([&](const char* p, std::size_t n) {
                      EXPECT_TRUE(sha256_update(&c, p, n));
                  }));
    std::array<uint8, 32> out{};
    EXPECT_TRUE(sha256_final(&c, out));
    return hex_of(out);
}

std::string run_crc32(const std::string& input, bool whole) {
    crc32_context c;
    EXPECT_TRUE(crc32_init_table(&c));
    feed_unevenly(input, whole, piece_fn([&](const char* p, std::size_t n) {
                      EXPECT_TRUE(crc32_update(&c, p, n));
                  }));
    const uint32 value = crc32_final_text(&c);
    EXPECT_EQ(c.text, checksum_text(value));
    EXPECT_EQ(value, crc32_digest(input.data(), input.size()));
    return c.text;
}

std::string run_adler32(const std::string& input, bool whole) {
    adler32_context c;
    c.value = 1;  // the standard start, as the whole-file form sets it
    feed_unevenly(input, whole, piece_fn([&](const char* p, std::size_t n) {
                      EXPECT_TRUE(adler32_update(&c, p, n));
                  }));
    const uint32 value = adler32_final_text(&c);
    EXPECT_EQ(value, adler32_buffer(input.data(), input.size()));
    return c.text;
}

std::string run(algorithm kind, const std::string& input, bool whole) {
    switch (kind) {
        case algorithm::md5:
            return run_md5(input, whole);
        case algorithm::sha1:
            return run_sha1(input, whole);
        case algorithm::sha256:
            return run_sha256(input, whole);
        case algorithm::crc32:
            return run_crc32(input, whole);
        case algorithm::adler32:
            return run_adler32(input, whole);
    }
    return {};
}

struct vector_case {
    const char* name;
    algorithm kind;
    std::string input;
    const char* expected;
};

void PrintTo(const vector_case& c, std::ostream* os) { *os << c.name; }

const std::string million_a(1000000, 'a');
const std::string fox = "The quick brown fox jumps over the lazy dog";
const std::string two_blocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";

const vector_case vector_cases[] = {
    {"Md5Abc", algorithm::md5, "abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"Md5Fox", algorithm::md5, fox, "9e107d9d372bb6826bd81d3542a419d6"},
    {"Md5MillionA", algorithm::md5, million_a, "7707d6ae4e027c70eea2a935c2296f21"},
    {"Sha1Abc", algorithm::sha1, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"Sha1TwoBlocks", algorithm::sha1, two_blocks, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {"Sha1MillionA", algorithm::sha1, million_a, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    {"Sha256Abc", algorithm::sha256, "abc",
     "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"Sha256TwoBlocks", algorithm::sha256, two_blocks,
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {"Sha256MillionA", algorithm::sha256, million_a,
     "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    {"Crc32Check", algorithm::crc32, "123456789", "0xcbf43926"},
    {"Crc32Fox", algorithm::crc32, fox, "0x414fa339"},
    {"Adler32Wikipedia", algorithm::adler32, "Wikipedia", "0x11e60398"},
    {"Adler32MillionA", algorithm::adler32, million_a, "0x15d870f9"},
};

class DigestVectors : public ::testing::TestWithParam<vector_case> {};

TEST_P(DigestVectors, WholeAndInUnevenPieces) {
    const vector_case& c = GetParam();
    EXPECT_EQ(run(c.kind, c.input, true), c.expected);
    EXPECT_EQ(run(c.kind, c.input, false), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Published, DigestVectors, ::testing::ValuesIn(vector_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(DigestOneShot, MatchTheContextForms) {
    std::array<uint8, 20> sha1{};
    std::array<uint8, 32> sha256{};
    ASSERT_TRUE(sha1_digest("abc", 3, sha1));
    ASSERT_TRUE(sha256_digest("abc", 3, sha256));
    EXPECT_EQ(hex_of(sha1), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(hex_of(sha256), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(crc32_digest("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(adler32_buffer("Wikipedia", 9), 0x11E60398u);
}

TEST(DigestOneShot, EmptyInputs) {
    std::array<uint8, 20> sha1{};
    std::array<uint8, 32> sha256{};
    sha256.fill(7);
    EXPECT_FALSE(sha1_digest("", 0, sha1));
    EXPECT_FALSE(sha256_digest("", 0, sha256));
    EXPECT_FALSE(sha256_digest(nullptr, 3, sha256));
    EXPECT_EQ(sha256[0], 7);
    EXPECT_EQ(crc32_digest("", 0), 0u);
    EXPECT_EQ(crc32_digest(nullptr, 0), 0u);
    EXPECT_EQ(adler32_buffer("", 0), 1u);
    EXPECT_EQ(adler32_buffer(nullptr, 4), 1u);
}

TEST(DigestOneShot, ResultTextKeepsLeadingZeros) {
    EXPECT_EQ(checksum_text(0x1), "0x00000001");
    EXPECT_EQ(checksum_text(0), "0x00000000");
    EXPECT_EQ(checksum_text(0xFFFFFFFF), "0xffffffff");
}

}  // namespace
