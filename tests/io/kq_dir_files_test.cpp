#include "io/kq_dir_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "io/io_test_support.h"
#include "io/path_codec.h"

namespace {

using velk_test::read_file;
using velk_test::run_in_child;
using velk_test::temp_dir;
using velk_test::write_file;

bool is_folder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

TEST(MakeDirPath, CreatesEveryComponent) {
    temp_dir tmp;
    const std::string& t = tmp.path();
    EXPECT_TRUE(kqportdir::make_dir_path(t + "/a/b/c"));
    EXPECT_TRUE(is_folder(t + "/a/b/c"));
    EXPECT_TRUE(kqportdir::make_dir_path(t + "\\a\\b\\d"));
    EXPECT_TRUE(is_folder(t + "/a/b/d"));
    EXPECT_TRUE(kqportdir::make_dir_path(t + "/x/"));
    EXPECT_TRUE(is_folder(t + "/x"));
    EXPECT_TRUE(kqportdir::make_dir_path("\"" + t + "/q\"/r"));
    EXPECT_TRUE(is_folder(t + "/q/r"));
    EXPECT_TRUE(kqportdir::make_dir_path_w(uni::narrow_path_to_wide(t + "/w\xff/v")));
    EXPECT_TRUE(is_folder(t + "/w\xff/v"));
    EXPECT_FALSE(kqportdir::make_dir_path("\"\""));
    EXPECT_FALSE(kqportdir::make_dir_path_w(L""));
}

TEST(MakeDirPath, RelativePathFromTheCurrentFolder) {
    temp_dir tmp;
    const int status = run_in_child([&] {
        if (::chdir(tmp.path().c_str()) != 0) {
            return 2;
        }
        return kqportdir::make_dir_path("a/b/c") ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(is_folder(tmp.file("a/b/c")));
}

// A file where a folder should be is a failure, not a success: nothing could be written
// under it.
TEST(MakeDirPath, FileComponentFails) {
    temp_dir tmp;
    write_file(tmp.file("f"), "x");
    EXPECT_FALSE(kqportdir::make_dir(tmp.file("f")));
    EXPECT_FALSE(kqportdir::make_dir_w(uni::narrow_path_to_wide(tmp.file("f"))));
    EXPECT_FALSE(kqportdir::make_dir_path(tmp.file("f/sub")));
    EXPECT_FALSE(kqportdir::make_dir_path(tmp.file("f")));
    EXPECT_FALSE(kqportdir::make_dir(""));
    EXPECT_TRUE(kqportdir::make_dir(tmp.path()));
}

// Creating folders must leave the process's umask alone: every file created later
// depends on it.
TEST(MakeDirPath, UmaskIsLeftAlone) {
    temp_dir tmp;
    const int status = run_in_child([&] {
        ::umask(027);
        if (!kqportdir::make_dir_path(tmp.file("m/n"))) {
            return 1;
        }
        const mode_t after = ::umask(0);
        struct stat info {};
        if (::stat(tmp.file("m/n").c_str(), &info) != 0) {
            return 2;
        }
        return after == 027 && (info.st_mode & 0777) == 0750 ? 0 : 3;
    });
    EXPECT_EQ(status, 0);
}

TEST(ReadFile, WholeClippedAndEmpty) {
    temp_dir tmp;
    write_file(tmp.file("four"), "abcd");
    byte_array out = {9};
    EXPECT_FALSE(kqportdir::read_file(out, tmp.file("four"), 0));
    EXPECT_TRUE(out.empty());
    ASSERT_TRUE(kqportdir::read_file(out, tmp.file("four"), 10));
    EXPECT_EQ(std::string(out.begin(), out.end()), "abcd");
    ASSERT_TRUE(kqportdir::read_file(out, tmp.file("four"), 2));
    EXPECT_EQ(out.size(), 2U);
    ASSERT_TRUE(kqportdir::read_file_w(out, uni::narrow_path_to_wide(tmp.file("four")), 100));
    EXPECT_EQ(out.size(), 4U);
    EXPECT_FALSE(kqportdir::read_file(out, tmp.file("missing"), 10));
    EXPECT_FALSE(kqportdir::read_file(out, "", 10));
}

// A read that ends before the bytes asked for is a failure, not a success with fewer bytes:
// files under /proc are taken to hold 0x40000 bytes and end long before. What did arrive
// stays in out.
TEST(ReadFile, ShortReadIsAFailureThatKeepsTheBytes) {
    byte_array out;
    EXPECT_FALSE(kqportdir::read_file(out, "/proc/self/status", 0x100000));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(std::string(out.begin(), out.begin() + 5), "Name:");
}

TEST(WriteFile, CreatesFoldersAndReportsFailures) {
    temp_dir tmp;
    const std::string path = tmp.file("p/q/out.bin");
    EXPECT_TRUE(kqportdir::write_file(path.c_str(), nullptr, 5));
    EXPECT_TRUE(is_folder(tmp.file("p/q")));
    EXPECT_EQ(read_file(path), "");
    EXPECT_TRUE(kqportdir::write_file(path.c_str(), "hello", 5));
    EXPECT_EQ(read_file(path), "hello");
    const std::wstring wide = uni::narrow_path_to_wide(tmp.file("r\xfe/o.txt"));
    EXPECT_TRUE(kqportdir::write_file_w(wide.c_str(), "ab", 2));
    EXPECT_EQ(read_file(tmp.file("r\xfe/o.txt")), "ab");

    EXPECT_FALSE(kqportdir::write_file(nullptr, "x", 1));
    EXPECT_FALSE(kqportdir::write_file("", "x", 1));
    write_file(tmp.file("file"), "x");
    EXPECT_FALSE(kqportdir::write_file(tmp.file("file/o.txt").c_str(), "x", 1));
    // A full device accepts the open and refuses the bytes: that is a failed write.
    EXPECT_FALSE(kqportdir::write_file("/dev/full", "data", 4));
}

TEST(OpenFileW, ModesAndFailure) {
    temp_dir tmp;
    const std::wstring path = uni::narrow_path_to_wide(tmp.file("s.txt"));
    FILE* out = nullptr;
    ASSERT_TRUE(kqportdir::open_file_write_w(out, path, true));
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::fputs("line", out), 1);
    EXPECT_EQ(std::fclose(out), 0);

    ASSERT_TRUE(kqportdir::open_file_read_w(out, path, true));
    char buffer[8] = {};
    EXPECT_NE(std::fgets(buffer, sizeof(buffer), out), nullptr);
    EXPECT_STREQ(buffer, "line");
    EXPECT_EQ(std::fclose(out), 0);

    EXPECT_FALSE(kqportdir::open_file_read_w(out, uni::narrow_path_to_wide(tmp.file("no")), false));
    EXPECT_EQ(out, nullptr);
    EXPECT_FALSE(kqportdir::open_file_w(out, L"", false, false, false, false));
}

TEST(FileStat, UnixSecondsAndFiletimes) {
    temp_dir tmp;
    const std::string path = tmp.file("t");
    write_file(path, "123");
    const struct timespec times[2] = {{1000000000, 0}, {1234567890, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);

    uint64 size = 0;
    uint32 mode = 0;
    int64 created = 0;
    int64 modified = 0;
    int64 accessed = 0;
    ASSERT_TRUE(kqportdir::get_file_stat(path, size, mode, created, modified, accessed));
    EXPECT_EQ(size, 3U);
    EXPECT_TRUE(S_ISREG(mode));
    EXPECT_EQ(modified, 1234567890);
    EXPECT_EQ(accessed, 1000000000);
    EXPECT_GT(created, 0);
    ASSERT_TRUE(
        kqportdir::get_file_stat_cstr(path.c_str(), size, mode, created, modified, accessed));
    EXPECT_FALSE(kqportdir::get_file_stat_cstr(nullptr, size, mode, created, modified, accessed));
    EXPECT_EQ(size, 0U);

    uint64 ft_created = 0;
    uint64 ft_modified = 0;
    uint64 ft_accessed = 0;
    ASSERT_TRUE(kqportdir::get_file_times(path, size, mode, ft_created, ft_modified, ft_accessed));
    // 1970-01-01 is 11644473600 seconds after 1601-01-01; FILETIME counts 100 ns.
    EXPECT_EQ(ft_modified, (1234567890ULL + 11644473600ULL) * 10000000ULL);
    EXPECT_EQ(ft_accessed, (1000000000ULL + 11644473600ULL) * 10000000ULL);
    EXPECT_EQ(size, 3U);

    EXPECT_FALSE(kqportdir::get_file_times_w(uni::narrow_path_to_wide(tmp.file("missing")), size,
                                             mode, ft_created, ft_modified, ft_accessed));
    EXPECT_EQ(size, 0U);
    EXPECT_EQ(mode, 0U);
    EXPECT_EQ(ft_created + ft_modified + ft_accessed, 0U);
}

TEST(ProgramPath, IsThisTestBinary) {
    const std::string path = kqportdir::get_program_path();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.substr(path.rfind('/') + 1), "velk_tests");
    EXPECT_EQ(kqportdir::get_program_path_w(), uni::narrow_path_to_wide(path));
}

TEST(StreamSize, SeekableStreamsKeepTheirPosition) {
    std::ostringstream out;
    out << "hello world";
    out.seekp(3);
    EXPECT_EQ(kqportdir::stream_size(out), 11U);
    EXPECT_EQ(static_cast<int>(out.tellp()), 3);

    std::istringstream in("abcdef");
    char c = 0;
    in >> c;
    EXPECT_EQ(kqportdir::istream_size(in), 6U);
    EXPECT_EQ(static_cast<int>(in.tellg()), 1);
    in >> c;
    EXPECT_EQ(c, 'b');

    std::string text = "x";
    EXPECT_FALSE(kqportdir::clear_text(text));
    EXPECT_TRUE(text.empty());
}

}  // namespace
