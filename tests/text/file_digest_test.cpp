#include "text/file_digest.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "text/adler32_checksum.h"
#include "text/crc32_checksum.h"
#include "text/md5_digest.h"
#include "text/sha1_digest.h"
#include "text/sha256_digest.h"

namespace {

namespace fs = std::filesystem;

// 16 MiB + 1: the last byte needs a second chunk.
constexpr std::size_t two_chunk_size = 0x1000000 + 1;

class FileDigest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = fs::temp_directory_path() / ("velk_file_digest_" + std::to_string(getpid()));
        fs::create_directories(s_folder);
        s_bytes.resize(two_chunk_size);
        std::mt19937 rng(7);
        for (uint8& b : s_bytes) {
            b = static_cast<uint8>(rng());
        }
        write_file(big_path(), s_bytes);
        write_file(empty_path(), {});
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        fs::remove_all(s_folder, ignored);
    }
    static void write_file(const std::string& path, const byte_array& bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    static std::string big_path() { return (s_folder / "big.bin").string(); }
    static std::string empty_path() { return (s_folder / "empty.bin").string(); }

    static fs::path s_folder;
    static byte_array s_bytes;
};

fs::path FileDigest::s_folder;
byte_array FileDigest::s_bytes;

TEST_F(FileDigest, EveryFormMatchesTheOneShotDigestOverTwoChunks) {
    std::array<uint8, 16> md5_expected{};
    md5_context md5;
    md5_init(md5);
    ASSERT_TRUE(md5_update(&md5, s_bytes.data(), s_bytes.size()));
    ASSERT_TRUE(md5_final(md5_expected, &md5));
    std::array<uint8, 20> sha1_expected{};
    ASSERT_TRUE(sha1_digest(s_bytes.data(), s_bytes.size(), sha1_expected));
    std::array<uint8, 32> sha256_expected{};
    ASSERT_TRUE(sha256_digest(s_bytes.data(), s_bytes.size(), sha256_expected));

    std::array<uint8, 16> md5_out{};
    std::array<uint8, 20> sha1_out{};
    std::array<uint8, 32> sha256_out{};
    uint32 crc = 0;
    uint32 adler = 0;
    EXPECT_TRUE(md5_file_utf8(big_path(), md5_out, false));
    EXPECT_EQ(md5_out, md5_expected);
    EXPECT_TRUE(sha1_file_utf8(big_path(), sha1_out, false));
    EXPECT_EQ(sha1_out, sha1_expected);
    EXPECT_TRUE(sha256_file(big_path().c_str(), sha256_out));
    EXPECT_EQ(sha256_out, sha256_expected);
    EXPECT_TRUE(crc32_file_utf8(big_path().c_str(), crc, false));
    EXPECT_EQ(crc, crc32_digest(s_bytes.data(), s_bytes.size()));
    EXPECT_TRUE(adler32_file_utf8(big_path().c_str(), adler));
    EXPECT_EQ(adler, adler32_buffer(s_bytes.data(), s_bytes.size()));
}

TEST_F(FileDigest, ProgressEndsAt100AndClearsTheLine) {
    uint32 crc = 0;
    ::testing::internal::CaptureStderr();
    const bool ok = crc32_file_utf8(big_path().c_str(), crc, true);
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ok);
    const std::size_t last = err.rfind("percent done ");
    ASSERT_NE(last, std::string::npos);
    EXPECT_EQ(err.substr(last), "percent done 100.00\n");
    // Standard error is a file here: plain lines, no control codes.
    EXPECT_EQ(err.find('\x1b'), std::string::npos);

    std::array<uint8, 20> sha1_out{};
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(sha1_file_utf8(big_path(), sha1_out, false));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

void expect_digests_refused(const std::string& path) {
    std::array<uint8, 16> md5_out{};
    md5_out.fill(0xAA);
    std::array<uint8, 20> sha1_out{};
    sha1_out.fill(0xAA);
    EXPECT_FALSE(md5_file_utf8(path, md5_out, true));
    EXPECT_FALSE(sha1_file(std::wstring(path.begin(), path.end()), sha1_out, false));
    EXPECT_EQ(md5_out[0], 0xAA);
    EXPECT_EQ(sha1_out[19], 0xAA);
}

void expect_checksums_refused(const std::string& path) {
    uint32 crc = 0xAAAAAAAA;
    uint32 adler = 0xAAAAAAAA;
    EXPECT_FALSE(crc32_file_utf8(path.c_str(), crc, false));
    EXPECT_FALSE(adler32_file_utf8(path.c_str(), adler));
    EXPECT_EQ(crc, 0xAAAAAAAAu);
    EXPECT_EQ(adler, 0xAAAAAAAAu);
}

// Empty, missing, FIFO and empty-path inputs: false, output untouched, nothing blocks.
TEST_F(FileDigest, NothingToDigestIsFalseWithOutputUntouched) {
    const std::string fifo = (s_folder / "pipe").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path :
         {empty_path(), (s_folder / "missing").string(), fifo, std::string()}) {
        SCOPED_TRACE(path);
        expect_digests_refused(path);
        expect_checksums_refused(path);
    }
    uint32 crc = 0;
    EXPECT_FALSE(crc32_file_utf8(nullptr, crc, false));
    EXPECT_FALSE(adler32_file_utf8(nullptr, crc));
}

TEST_F(FileDigest, Sha256FileMessages) {
    std::array<uint8, 32> out{};
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(sha256_file(nullptr, out));
    EXPECT_FALSE(sha256_file((s_folder / "missing").string().c_str(), out));
    EXPECT_FALSE(sha256_file(empty_path().c_str(), out));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "sha1: invalid parameters, aborting\nprob opening file " +
                  (s_folder / "missing").string() + ", aborting\n");
}

// A /proc file claims a size its reads never deliver: a digest of what was read would pass
// for the file's, so the result must be false.
TEST(FileDigestShortRead, FileDeliveringLessThanItsSizeIsFalse) {
    const char* path = "/proc/self/status";
    if (access(path, R_OK) != 0) {
        GTEST_SKIP() << "no readable " << path;
    }
    std::array<uint8, 16> out{};
    out.fill(0x11);
    EXPECT_FALSE(md5_file_utf8(path, out, false));
    EXPECT_EQ(out[0], 0x11);
    std::array<uint8, 32> sha256_out{};
    EXPECT_FALSE(sha256_file(path, sha256_out));
}

}  // namespace
