#include "io/uni_fstream.h"

#include <gtest/gtest.h>

#include <string>

#include "io/io_test_support.h"

namespace {

using velk_test::file_size;
using velk_test::read_file;
using velk_test::temp_dir;

TEST(UniFstream, OpensFromBytesUtf16AndWidePaths) {
    temp_dir dir;
    const std::string bad_name = dir.file("n\xff");
    {
        const std::wstring wide = std::wstring(dir.path().begin(), dir.path().end()) + L"/n" +
                                  std::wstring(1, static_cast<wchar_t>(0xDCFF));
        uni::ofstream out = uni::ofstream_open_w(wide);
        ASSERT_TRUE(out.is_open());
        out << "wide";
    }
    EXPECT_EQ(read_file(bad_name), "wide");

    uni::ifstream in(byte_array(bad_name.begin(), bad_name.end()));
    std::string text;
    in >> text;
    EXPECT_EQ(text, "wide");

    const std::string accented = dir.file("\xc3\xa9.txt");
    std::vector<uint16_t> utf16;
    for (const char c : dir.path() + "/") {
        utf16.push_back(static_cast<uint16_t>(static_cast<unsigned char>(c)));
    }
    utf16.push_back(0xE9);
    for (const char c : std::string(".txt")) {
        utf16.push_back(static_cast<uint16_t>(c));
    }
    {
        uni::ofstream out;
        out.open(utf16);
        ASSERT_TRUE(out.is_open());
        out << "utf16";
    }
    EXPECT_EQ(read_file(accented), "utf16");
    uni::ifstream back(utf16);
    EXPECT_TRUE(back.is_open());

    uni::ofstream appended(accented, std::ios::out | std::ios::app);
    appended << "+";
    appended.close();
    EXPECT_EQ(file_size(accented), 6);

    uni::ifstream missing(std::wstring(L"/no/such/file"));
    EXPECT_FALSE(missing.is_open());
}

}  // namespace
