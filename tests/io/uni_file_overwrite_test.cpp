#include "io/uni_file_overwrite.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>

#include "io/io_test_support.h"

namespace {

using velk_test::file_size;
using velk_test::read_file;
using velk_test::temp_dir;
using velk_test::write_file;

TEST(OverwriteFile, ZerosRoundUpToWholeSectors) {
    temp_dir dir;
    write_file(dir.file("f"), std::string(700, 'x'));
    ASSERT_TRUE(uni::overwrite_file_zeros(dir.file("f")));
    EXPECT_EQ(read_file(dir.file("f")), std::string(1024, '\0'));

    write_file(dir.file("empty"), "");
    EXPECT_FALSE(uni::overwrite_file_zeros(dir.file("empty")));
    EXPECT_EQ(file_size(dir.file("empty")), 0);
}

TEST(OverwriteFile, PatternAndCounterAtEveryPage) {
    temp_dir dir;
    write_file(dir.file("f"), std::string(9000, 'x'));
    ASSERT_TRUE(uni::overwrite_file_pattern(dir.file("f"), byte_array{'A', 'B', 'C', 'D'}));
    std::string expected(9216, '\0');
    for (const std::size_t page : {0U, 1U, 2U}) {
        expected.replace(page * 4096, 5, "ABCD" + std::string(1, static_cast<char>(page)));
    }
    EXPECT_EQ(read_file(dir.file("f")), expected);

    // A stamp longer than its sector is cut there: the zeros of the next sector stay.
    write_file(dir.file("g"), std::string(1024, 'x'));
    ASSERT_TRUE(uni::overwrite_file_pattern(dir.file("g"), byte_array(600, 'P')));
    EXPECT_EQ(read_file(dir.file("g")), std::string(512, 'P') + std::string(512, '\0'));
}

// Mend: a 64-bit size written in blocks, exactly the file's length.
TEST(OverwriteFile, ZeroFileKeepsTheLength) {
    temp_dir dir;
    write_file(dir.file("f"), std::string((3U << 20) + 5, 'x'));
    ASSERT_TRUE(uni::zero_file(dir.file("f")));
    EXPECT_TRUE(read_file(dir.file("f")) == std::string((3U << 20) + 5, '\0'));
    write_file(dir.file("empty"), "");
    EXPECT_TRUE(uni::zero_file(dir.file("empty")));
}

// Mend: only an existing regular file is written, never through a final link.
TEST(OverwriteFile, RefusesEverythingButARegularFile) {
    temp_dir dir;
    write_file(dir.file("target"), "keep me");
    std::filesystem::create_symlink(dir.file("target"), dir.file("link"));
    std::filesystem::create_directory(dir.file("folder"));
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const std::function<bool(const std::string&)> overwrites[] = {
        [](const std::string& p) { return uni::overwrite_file_zeros(p); },
        [](const std::string& p) { return uni::overwrite_file_pattern(p, byte_array{'Z'}); },
        [](const std::string& p) { return uni::zero_file(p); },
    };
    for (const auto& overwrite : overwrites) {
        for (const char* name : {"link", "folder", "fifo", "missing", "folder/"}) {
            EXPECT_FALSE(overwrite(dir.file(name))) << name;
        }
    }
    EXPECT_EQ(read_file(dir.file("target")), "keep me");
    EXPECT_EQ(file_size(dir.file("missing")), -1);
    EXPECT_FALSE(uni::overwrite_file_zeros(std::string()));
}

// Mend: a write that fails is reported (here the rounded-up length passes the limit).
TEST(OverwriteFile, FailedWritesAreFailures) {
    temp_dir dir;
    write_file(dir.file("f"), std::string(700, 'x'));
    const int status = velk_test::run_with_file_size_limit(
        1000, [&] { return uni::overwrite_file_zeros(dir.file("f")) ? 1 : 0; });
    EXPECT_EQ(status, 0);
}

}  // namespace
