#include "io/uni_file_info.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "io/io_test_support.h"
#include "io/path_codec.h"
#include "real_data.h"

namespace {

using velk_test::temp_dir;
using velk_test::write_file;

const std::string real_db = std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db";

std::wstring wide(const std::string& path) { return uni::narrow_path_to_wide(path); }

TEST(GetFileInfo, RealDatabase) {
    VELK_NEED_REAL_DATA(real_db);
    file_entry entry;
    entry.m_text = "kept?";
    ASSERT_TRUE(uni::get_file_info(entry, wide(real_db)));
    EXPECT_EQ(entry.m_size, 1048576U);
    EXPECT_EQ(entry.m_time_kind, 8U);
    EXPECT_FALSE(entry.m_is_dir);
    EXPECT_NE(entry.m_inode, 0U);
    EXPECT_GT(entry.m_modified, 0);
    // The caller sets the path; the filler clears the whole record first.
    EXPECT_TRUE(entry.m_path.empty());
    EXPECT_TRUE(entry.m_text.empty());
}

TEST(GetFileInfo, MissingPathClearsAndFails) {
    file_entry entry;
    entry.m_size = 5;
    entry.m_time_kind = 8;
    EXPECT_FALSE(uni::get_file_info(entry, L"/no/such/file/anywhere"));
    EXPECT_EQ(entry.m_size, 0U);
    EXPECT_EQ(entry.m_time_kind, 0U);
    EXPECT_FALSE(uni::get_file_info(entry, L""));
}

// A bound UNIX socket in the folder; its st_mode type 0xC000 shares the 0x4000 bit.
class socket_fixture {
public:
    explicit socket_fixture(const std::string& path) {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        m_bound = m_fd >= 0 && path.size() < sizeof(address.sun_path) &&
                  ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~socket_fixture() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    socket_fixture(const socket_fixture&) = delete;
    socket_fixture& operator=(const socket_fixture&) = delete;
    [[nodiscard]] bool bound() const { return m_bound; }

private:
    int m_fd = -1;
    bool m_bound = false;
};

// Only folders count as folders: character devices (0x2000), block devices (0x6000) and
// sockets (0xC000) must not, though the last two carry the 0x4000 bit.
TEST(DirectoryFlag, OnlyFoldersAreFolders) {
    temp_dir tmp;
    write_file(tmp.file("f"), "x");
    const socket_fixture sock(tmp.file("s"));
    ASSERT_TRUE(sock.bound());

    file_entry entry;
    ASSERT_TRUE(uni::get_file_info(entry, wide(tmp.path())));
    EXPECT_TRUE(entry.m_is_dir);
    ASSERT_TRUE(uni::get_file_info(entry, wide(tmp.file("s"))));
    EXPECT_FALSE(entry.m_is_dir);
    ASSERT_TRUE(uni::get_file_info(entry, L"/dev/null"));
    EXPECT_FALSE(entry.m_is_dir);

    EXPECT_TRUE(uni::is_directory(tmp.path()));
    EXPECT_TRUE(uni::is_directory(wide(tmp.path())));
    EXPECT_FALSE(uni::is_directory(tmp.file("s")));
    EXPECT_FALSE(uni::is_directory(wide(tmp.file("s"))));
    EXPECT_FALSE(uni::is_directory(tmp.file("f")));
    EXPECT_FALSE(uni::is_directory(std::string("/dev/null")));
    EXPECT_TRUE(uni::is_directory_mode(0040755));
    EXPECT_FALSE(uni::is_directory_mode(0060600));  // block device
    EXPECT_FALSE(uni::is_directory_mode(0140777));  // socket
}

// The narrow forms strip trailing separators; the wide forms take the path as given.
TEST(StatPath, TrailingSeparators) {
    temp_dir tmp;
    write_file(tmp.file("f"), "x");
    struct stat64 info {};
    EXPECT_TRUE(uni::stat_path(info, tmp.file("f") + "/\\"));
    EXPECT_FALSE(uni::stat_path(info, wide(tmp.file("f") + "/")));
    EXPECT_TRUE(uni::is_directory(tmp.path() + "\\"));
    EXPECT_TRUE(uni::is_directory(std::string("/")));
    EXPECT_FALSE(uni::stat_path(info, std::string()));

    EXPECT_EQ(uni::stat_path(tmp.file("f").c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 1);
    EXPECT_EQ(uni::stat_path(nullptr, &info), -1);
    EXPECT_EQ(info.st_size, 0);
    EXPECT_EQ(uni::stat_path_w(wide(tmp.file("f")).c_str(), &info), 0);
    EXPECT_EQ(uni::stat_path_w(L"", &info), -1);
}

TEST(StatPath, ExistsAndInode) {
    temp_dir tmp;
    write_file(tmp.file("f"), "x");
    EXPECT_TRUE(kqportdir::file_exists(tmp.file("f")));
    EXPECT_TRUE(kqportdir::file_exists(tmp.path()));
    EXPECT_FALSE(kqportdir::file_exists(tmp.file("g")));
    EXPECT_FALSE(kqportdir::file_exists(""));
    EXPECT_TRUE(kqportdir::file_exists_w(wide(tmp.file("f"))));
    EXPECT_FALSE(kqportdir::file_exists_w(L""));

    struct stat64 info {};
    ASSERT_EQ(::stat64(tmp.file("f").c_str(), &info), 0);
    EXPECT_EQ(uni::get_inode(tmp.file("f")), static_cast<uint64>(info.st_ino));
    EXPECT_EQ(uni::get_inode(tmp.file("g")), 0U);
}

// Names that are not UTF-8 keep their bytes through the wide form.
TEST(StatPath, NonUtf8NameIsFound) {
    temp_dir tmp;
    const std::string name = tmp.file(std::string("bad\xff\xfe.txt"));
    write_file(name, "abcd");
    file_entry_ex entry;
    ASSERT_TRUE(entry.load_path(name, ""));
    EXPECT_EQ(entry.m_path, name);
    EXPECT_EQ(entry.m_size, 4U);
    EXPECT_TRUE(kqportdir::file_exists_w(wide(name)));
}

}  // namespace
