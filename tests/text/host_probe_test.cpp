#include "text/host_probe.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "io/io_test_support.h"
#include "io/path_codec.h"

namespace {

TEST(ExePath, IsTheWholeRunningExecutable) {
    const std::string path = get_exe_path();
    char resolved[PATH_MAX] = {};
    ASSERT_NE(realpath("/proc/self/exe", resolved), nullptr);
    EXPECT_EQ(path, resolved);
    EXPECT_EQ(get_exe_path_wide(), uni::narrow_path_to_wide(path));
}

// Link targets longer than the first buffer (2047 bytes) come back whole, never cut.
TEST(ReadLinkTarget, LongTargetsComeBackWhole) {
    const velk_test::temp_dir dir;
    ASSERT_FALSE(dir.path().empty());
    std::string target = "/";
    while (target.size() < 3000) {
        target += std::string(200, 'd') + "/";
    }
    target += "velk";
    const std::string link = dir.file("exe");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_EQ(read_link_target(link), target);

    const std::string exact = dir.file("exact");
    const std::string target_2048 = "/" + std::string(2047, 'x');
    ASSERT_EQ(::symlink(target_2048.c_str(), exact.c_str()), 0);
    EXPECT_EQ(read_link_target(exact), target_2048);

    EXPECT_EQ(read_link_target(dir.file("missing")), "");
    EXPECT_EQ(read_link_target(dir.path()), "");  // a folder is no link
}

TEST(NetworkFs, KnownTypesAndUnreadablePaths) {
    for (const uint64 type : {0x6969ULL, 0x517BULL, 0x65735546ULL, 0xFF534D42ULL}) {
        EXPECT_TRUE(is_network_fs_type(type)) << type;
    }
    for (const uint64 type : {0xEF53ULL, 0x01021994ULL, 0x794C7630ULL, 0ULL}) {  // ext4, tmpfs,
        EXPECT_FALSE(is_network_fs_type(type)) << type;                          // overlay
    }
    EXPECT_FALSE(path_on_network_fs(""));
    EXPECT_FALSE(path_on_network_fs("/"));  // shorter than 2 characters
    EXPECT_FALSE(path_on_network_fs("/no/such/velk/path"));
}

// A /sys-like tree: block/<major>:<minor> links to the device folder of the file's device.
class UsbDevice : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_dir.path().empty());
        m_file = m_dir.file("evidence.db");
        velk_test::write_file(m_file, "x");
        struct stat info {};
        ASSERT_EQ(::lstat(m_file.c_str(), &info), 0);
        std::filesystem::create_directories(m_dir.file("block"));
        m_link = m_dir.file("block/" + std::to_string(major(info.st_dev)) + ":" +
                            std::to_string(minor(info.st_dev)));
    }
    void link_to(const std::string& device_folder) {
        const std::string target = m_dir.file(device_folder);
        std::filesystem::create_directories(target);
        std::filesystem::remove(m_link);
        ASSERT_EQ(::symlink(target.c_str(), m_link.c_str()), 0);
    }

    velk_test::temp_dir m_dir;
    std::string m_file;
    std::string m_link;
};

TEST_F(UsbDevice, DeviceUnderAUsbBusIsMarked) {
    link_to("devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/block/sdb/sdb1");
    EXPECT_TRUE(path_on_usb_device(m_file, m_dir.file("block")));
}

TEST_F(UsbDevice, OtherDevicesAndMissingLinksAreNot) {
    EXPECT_FALSE(path_on_usb_device(m_file, m_dir.file("block")));  // no link yet
    link_to("devices/pci0000:00/0000:00:17.0/ata1/host0/block/sda/sda2");
    EXPECT_FALSE(path_on_usb_device(m_file, m_dir.file("block")));
    std::filesystem::remove_all(m_dir.file("devices"));  // a dangling link
    EXPECT_FALSE(path_on_usb_device(m_file, m_dir.file("block")));
    EXPECT_FALSE(path_on_usb_device(m_dir.file("missing"), m_dir.file("block")));
    EXPECT_FALSE(path_on_usb_device("/", m_dir.file("block")));
}

TEST(HostProbe, HostNameRootTestAndStubs) {
    char name[256] = {};
    ASSERT_EQ(::gethostname(name, sizeof name - 1), 0);
    EXPECT_EQ(get_host_name(), name);
    EXPECT_EQ(is_running_as_root(), ::getuid() == 0 || ::geteuid() == 0);
    const std::string text = "done";
    EXPECT_EQ(signal_completion_stub(&text), 0);
    EXPECT_EQ(linux_stub_zero(nullptr), 0);
}

}  // namespace
