#include "text/extras/whole_file_rewrite.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "io/io_test_support.h"

namespace {

using velk_test::read_file;
using velk_test::temp_dir;
using velk_test::write_file;

TEST(ReadWholeFile, EmptyMissingAndBinary) {
    const temp_dir dir;
    std::string out = "old";
    write_file(dir.file("empty"), "");
    EXPECT_TRUE(read_whole_file(dir.file("empty"), out));
    EXPECT_TRUE(out.empty());
    const std::string binary("a\0\r\n\xFF", 5);
    write_file(dir.file("bin"), binary);
    EXPECT_TRUE(read_whole_file(dir.file("bin"), out));
    EXPECT_EQ(out, binary);
    EXPECT_FALSE(read_whole_file(dir.file("absent"), out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(read_whole_file("", out));
}

TEST(ReplaceFileContents, NewFileGetsUmaskMode) {
    const temp_dir dir;
    const std::string path = dir.file("new");
    const int mode = velk_test::run_in_child([&] {
        (void)::umask(022);
        if (!replace_file_contents(path, std::string("x\0y", 3))) {
            return 1;
        }
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && (info.st_mode & 0777) == 0644 ? 0 : 2;
    });
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(read_file(path), std::string("x\0y", 3));
}

TEST(ReplaceFileContents, RefusesNonRegularDestinations) {
    const temp_dir dir;
    ASSERT_EQ(::mkdir(dir.file("sub").c_str(), 0700), 0);
    EXPECT_FALSE(replace_file_contents(dir.file("sub"), "x"));
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(replace_file_contents(dir.file("fifo"), "x"));
    EXPECT_FALSE(replace_file_contents("", "x"));
    EXPECT_FALSE(replace_file_contents(dir.file("missing/f"), "x"));
}

}  // namespace
