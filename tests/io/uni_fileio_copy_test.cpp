#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>

#include "io/io_test_support.h"
#include "io/uni_fileio.h"

namespace {

using velk_test::file_size;
using velk_test::read_file;
using velk_test::temp_dir;
using velk_test::write_file;

// Bytes that differ from their neighbours and from block to block, so a chunk copied twice,
// skipped or shifted shows.
std::string patterned(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131) ^ (i >> 12));
    }
    return bytes;
}

int with_size_limit(const std::function<int()>& body) {
    return velk_test::run_with_file_size_limit(1000, body);
}

TEST(FileioCopyTo, CopiesFromTheCurrentPositionToTheEnd) {
    temp_dir dir;
    const std::string bytes = patterned(40U << 20);
    write_file(dir.file("src"), bytes);
    uni::fileio src;
    ASSERT_TRUE(src.open(dir.file("src"), false, false, false));

    ASSERT_TRUE(src.copy_to(dir.file("whole"), false, false));
    EXPECT_TRUE(read_file(dir.file("whole")) == bytes);

    ASSERT_EQ(src.seek(10), 10);
    ASSERT_TRUE(src.copy_to(dir.file("rest"), false, false));
    EXPECT_TRUE(read_file(dir.file("rest")) == bytes.substr(10));

    write_file(dir.file("appended"), "head");
    ASSERT_EQ(src.seek(static_cast<int64>(bytes.size()) - 3), static_cast<int64>(bytes.size()) - 3);
    ASSERT_TRUE(src.copy_to(dir.file("appended"), true, false));
    EXPECT_EQ(read_file(dir.file("appended")), "head" + bytes.substr(bytes.size() - 3));
}

TEST(FileioCopyTo, NothingToCopyAndUnusableTargets) {
    temp_dir dir;
    write_file(dir.file("src"), "0123456789");
    uni::fileio src;
    ASSERT_TRUE(src.open(dir.file("src"), false, false, false));
    ASSERT_EQ(src.seek(10), 10);
    EXPECT_FALSE(src.copy_to(dir.file("none"), false, false));
    EXPECT_EQ(file_size(dir.file("none")), -1);
    // allow_empty truncates even in append mode.
    write_file(dir.file("empty"), "old");
    EXPECT_TRUE(src.copy_to(dir.file("empty"), true, true));
    EXPECT_EQ(file_size(dir.file("empty")), 0);

    ASSERT_EQ(src.seek(0), 0);
    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_FALSE(src.copy_to(dir.file("folder"), false, false));
    EXPECT_FALSE(src.copy_to(dir.file("missing/target"), false, false));
    // Onto itself, also through a link: the truncating open would destroy the source.
    std::filesystem::create_symlink(dir.file("src"), dir.file("link"));
    EXPECT_FALSE(src.copy_to(dir.file("src"), false, false));
    EXPECT_FALSE(src.copy_to(dir.file("link"), false, false));
    EXPECT_EQ(read_file(dir.file("src")), "0123456789");

    uni::fileio closed;
    EXPECT_FALSE(closed.copy_to(dir.file("x"), false, true));
}

TEST(FileioCopyTo, MemoryImageIsCopiedWhole) {
    temp_dir dir;
    uni::fileio image(byte_array{'a', 'b', 'c'}, false, false);
    ASSERT_TRUE(image.copy_to(dir.file("out"), false, false));
    EXPECT_EQ(read_file(dir.file("out")), "abc");
}

// Mend: a source that shrank after it was opened ends the copy with false, not a loop.
TEST(FileioCopyTo, SourceThatShrankFails) {
    temp_dir dir;
    write_file(dir.file("src"), patterned(100000));
    uni::fileio src;
    ASSERT_TRUE(src.open(dir.file("src"), false, false, false));
    ASSERT_EQ(::truncate(dir.file("src").c_str(), 50000), 0);
    EXPECT_FALSE(src.copy_to(dir.file("out"), false, false));
}

TEST(FileioCopyRange, CopiesExactlyToTheTargetOffset) {
    temp_dir dir;
    const std::string bytes = patterned(10U << 20);
    write_file(dir.file("src"), bytes);
    uni::fileio src;
    uni::fileio target;
    ASSERT_TRUE(src.open(dir.file("src"), false, false, false));
    ASSERT_TRUE(target.open(dir.file("target"), true, false, true));
    ASSERT_TRUE(src.copy_range(target, 1, 10U << 20, 5, 0, false));
    ASSERT_TRUE(target.close());
    EXPECT_TRUE(read_file(dir.file("target")) == std::string(5, '\0') + bytes.substr(1));

    ASSERT_TRUE(target.open(dir.file("small"), true, false, true));
    EXPECT_FALSE(src.copy_range(target, 0, 0, 0, 0, false));  // nothing asked for
    ASSERT_TRUE(src.copy_range(target, 100, 10, 0, 3, false));
    ASSERT_TRUE(target.close());
    EXPECT_EQ(read_file(dir.file("small")), bytes.substr(100, 10));
}

TEST(FileioCopyRange, StreamGetsTheRangeAndReportsItsFailure) {
    temp_dir dir;
    const std::string bytes = patterned(5000);
    write_file(dir.file("src"), bytes);
    uni::fileio src;
    ASSERT_TRUE(src.open(dir.file("src"), false, false, false));
    std::ostringstream out;
    ASSERT_TRUE(src.copy_range_to_stream(out, 7, 4000, 1000, false));
    EXPECT_EQ(out.str(), bytes.substr(7, 4000));
    std::ostringstream untouched;
    EXPECT_TRUE(src.copy_range_to_stream(untouched, 7, 0, 0, false));
    EXPECT_TRUE(untouched.str().empty());
    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    EXPECT_FALSE(src.copy_range_to_stream(broken, 0, 100, 0, false));
    EXPECT_FALSE(src.copy_range_to_stream(out, 6000, 10, 0, false));  // past the end
}

// Mend: failed writes of the target make both copies false.
TEST(FileioCopyChecked, FailedTargetWritesAreFailures) {
    temp_dir dir;
    write_file(dir.file("src"), patterned(3000));
    EXPECT_EQ(with_size_limit([&] {
                  uni::fileio src;
                  if (!src.open(dir.file("src"), false, false, false)) {
                      return 10;
                  }
                  return src.copy_to(dir.file("out"), false, false) ? 1 : 0;
              }),
              0);
    EXPECT_EQ(with_size_limit([&] {
                  uni::fileio src;
                  uni::fileio target;
                  if (!src.open(dir.file("src"), false, false, false) ||
                      !target.open(dir.file("range"), true, false, true)) {
                      return 10;
                  }
                  return src.copy_range(target, 0, 3000, 0, 512, false) ? 1 : 0;
              }),
              0);
}

}  // namespace
