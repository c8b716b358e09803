#include "text/host_info.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/utsname.h>

#include "io/io_test_support.h"
#include "text/host_probe.h"

namespace {

struct tag_case {
    const char* name;
    std::string path;
    std::string tag;
};

class HostInfoFill : public ::testing::TestWithParam<tag_case> {};

TEST_P(HostInfoFill, TakesUnameAndTheProgramTag) {
    const tag_case& c = GetParam();
    host_info info;
    ASSERT_TRUE(info.fill(c.path));
    struct utsname names {};
    ASSERT_EQ(::uname(&names), 0);
    EXPECT_TRUE(info.m_ok);
    EXPECT_EQ(info.m_sysname, names.sysname);
    EXPECT_EQ(info.m_release, names.release);
    EXPECT_EQ(info.m_version, names.version);
    EXPECT_EQ(info.m_nodename, names.nodename);
    EXPECT_EQ(info.m_is_64bit, std::string(names.machine).find("64") != std::string::npos);
    EXPECT_EQ(info.m_program_path, c.path);
    EXPECT_EQ(info.m_program_tag, c.tag);
    EXPECT_FALSE(info.m_trim_release);
    EXPECT_EQ(info.m_program_inode, 0U);
    EXPECT_EQ(info.m_on_usb, exe_on_usb_device());
    EXPECT_EQ(info.m_on_network_fs, exe_on_network_fs());
}

const tag_case tag_cases[] = {
    {"TagBeforeUnderscore", "/opt/x/tool_x64", "tool"},
    {"NoUnderscore", "/opt/x/tool", ""},
    {"NoSlash", "tool_x64", ""},
    {"UnderscoreOnlyInFolder", "/opt/my_dir/tool", ""},
    {"EmptyTag", "/opt/x/_x64", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, HostInfoFill, ::testing::ValuesIn(tag_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// The banner's call on this machine: the uname fields joined by ';', with any ';' inside a
// field turned into a blank, then the word size.
TEST(HostInfoPrint, BannerLineOfThisHost) {
    struct utsname names {};
    ASSERT_EQ(::uname(&names), 0);
    const auto field = [](std::string text) {
        for (char& c : text) {
            c = c == ';' ? ' ' : c;
        }
        return text + ";";
    };
    const bool is_64 = std::string(names.machine).find("64") != std::string::npos;
    host_info info;
    ASSERT_TRUE(info.fill(get_exe_path()));
    std::ostringstream out;
    info.print(out, ";", " ", false, false);
    EXPECT_EQ(out.str(), field(names.sysname) + field(names.version) + field(names.release) +
                             (is_64 ? "64" : "32"));
}

host_info sample() {
    host_info info;
    info.m_sysname = "Linux";
    info.m_nodename = "node";
    info.m_version = "#1 SMP";
    info.m_release = "5.15.0-91-generic";
    info.m_is_64bit = true;
    return info;
}

TEST(HostInfoPrint, BannerFormJoinsFieldsWithSeparator) {
    host_info info = sample();
    info.m_sysname = "Lin;ux";
    std::ostringstream out;
    out << "stale";
    info.print(out, ";", " ", false, false);
    EXPECT_EQ(out.str(), "Lin ux;#1 SMP;5.15.0-91-generic;64");
    info.m_is_64bit = false;
    info.print(out, " | ", "/", true, false);
    EXPECT_EQ(out.str(), "Lin;ux | node | #1 SMP | 5.15.0-91-generic | 32");
}

struct release_case {
    const char* name;
    std::string release;
    std::string printed;
};

class HostInfoTrimRelease : public ::testing::TestWithParam<release_case> {};

TEST_P(HostInfoTrimRelease, CutsOneCharacterAfterTheLastDot) {
    host_info info = sample();
    info.m_release = GetParam().release;
    info.m_trim_release = true;
    std::ostringstream out;
    info.print(out, ";", " ", false, false);
    EXPECT_EQ(out.str(), "Linux;#1 SMP;" + GetParam().printed + ";64");
}

const release_case release_cases[] = {
    {"KernelRelease", "5.15.0-91-generic", "5.15.0"},
    {"DotLast", "5.15.", "5.15."},
    {"DotNextToLast", "5.1", "5.1"},
    {"TwoAfterDot", "5.12", "5.1"},
    {"NoDot", "6", "6"},
};

INSTANTIATE_TEST_SUITE_P(Cases, HostInfoTrimRelease, ::testing::ValuesIn(release_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(HostInfoPrint, ProgramPathAndInodeFollowInHex) {
    host_info info = sample();
    info.m_program_path = "/Opt/X/Tool_x64";
    info.m_program_inode = 0x1F;
    std::ostringstream out;
    info.print(out, ";", " ", false, true);
    EXPECT_EQ(out.str(), "Linux;#1 SMP;5.15.0-91-generic;64;/opt/x/tool_x64;1f");
    out << 255;
    EXPECT_EQ(out.str(), "Linux;#1 SMP;5.15.0-91-generic;64;/opt/x/tool_x64;1fff");
    info.print(out, ";", " ", false, false);
    EXPECT_EQ(out.str(), "Linux;#1 SMP;5.15.0-91-generic;64;1f");
}

TEST(HostInfo, ProgramInodeAndClear) {
    const velk_test::temp_dir dir;
    const std::string path = dir.file("tool_x64");
    velk_test::write_file(path, "x");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);

    host_info info = sample();
    info.m_program_path = path;
    ASSERT_TRUE(info.read_program_inode());
    EXPECT_EQ(info.m_program_inode, static_cast<uint64>(st.st_ino));
    info.m_program_path = dir.file("missing");
    EXPECT_FALSE(info.read_program_inode());
    EXPECT_EQ(info.m_program_inode, 0U);

    info.m_on_usb = true;
    info.m_spare_text = "x";
    info.clear();
    EXPECT_FALSE(info.m_on_usb);
    EXPECT_FALSE(info.m_is_64bit);
    EXPECT_EQ(info.m_sysname, "");
    EXPECT_EQ(info.m_spare_text, "");
    EXPECT_EQ(info.m_program_path, "");
}

}  // namespace
