#include "text/extras/markup_file_rewriters.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "io/io_test_support.h"
#include "text/tab_expand.h"

namespace {

using velk_test::file_size;
using velk_test::read_file;
using velk_test::temp_dir;
using velk_test::write_file;

const std::string script_page = "a<script>x</script>b";

mode_t mode_of(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

std::string utf16le(const std::string& text, bool mark) {
    std::string bytes = mark ? std::string("\xFF\xFE", 2) : std::string();
    for (const char c : text) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

TEST(StripScriptElements, ToOutputInPlaceAndStdout) {
    const temp_dir dir;
    const std::string in = dir.file("page.html");
    write_file(in, script_page);
    ASSERT_EQ(::chmod(in.c_str(), 0640), 0);
    EXPECT_TRUE(strip_script_elements(in.c_str(), dir.file("out.html").c_str(), false));
    EXPECT_EQ(read_file(dir.file("out.html")), "ab");
    EXPECT_EQ(read_file(in), script_page);

    EXPECT_TRUE(strip_script_elements(in.c_str(), nullptr, true));
    EXPECT_EQ(read_file(in), "ab");
    EXPECT_EQ(mode_of(in), 0640u);

    write_file(in, script_page);
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(strip_script_elements(in.c_str(), nullptr, false));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "ab");
}

// An output that cannot be written fails, and nothing goes to standard output instead.
TEST(StripScriptElements, UnwritableOutputFails) {
    const temp_dir dir;
    const std::string in = dir.file("page.html");
    write_file(in, script_page);
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(strip_script_elements(in.c_str(), dir.file("missing/out.html").c_str(), false));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(read_file(in), script_page);
    EXPECT_FALSE(strip_script_elements(dir.file("absent.html").c_str(), nullptr, true));
    EXPECT_FALSE(strip_script_elements(nullptr, nullptr, true));
}

// A write that fails half way (a full disk) must leave the original whole.
TEST(StripScriptElements, FailedInPlaceWriteKeepsFile) {
    const temp_dir dir;
    const std::string in = dir.file("page.html");
    const std::string page = script_page + std::string(8192, 'z');
    write_file(in, page);
    const int status = velk_test::run_with_file_size_limit(
        4096, [&] { return strip_script_elements(in.c_str(), nullptr, true) ? 1 : 0; });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(read_file(in), page);
    // No temporary copy is left in the folder either.
    EXPECT_EQ(::access(dir.file("page.html").c_str(), F_OK), 0);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

TEST(StripScriptElements, RefusesLinkAndReadOnlyFolder) {
    const temp_dir dir;
    const std::string in = dir.file("page.html");
    write_file(in, script_page);
    ASSERT_EQ(::symlink(in.c_str(), dir.file("link.html").c_str()), 0);
    EXPECT_FALSE(strip_script_elements(dir.file("link.html").c_str(), nullptr, true));
    EXPECT_EQ(read_file(in), script_page);
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    ASSERT_EQ(::chmod(dir.path().c_str(), 0500), 0);
    EXPECT_FALSE(strip_script_elements(in.c_str(), nullptr, true));
    ASSERT_EQ(::chmod(dir.path().c_str(), 0700), 0);
    EXPECT_EQ(read_file(in), script_page);
}

TEST(EraseTextInFile, CaseBlindAndAbsentText) {
    const temp_dir dir;
    const std::string path = dir.file("f.txt");
    write_file(path, "aXybxy");
    EXPECT_TRUE(erase_text_in_file(path.c_str(), "XY", true));
    EXPECT_EQ(read_file(path), "ab");
    write_file(path, "aXybxy");
    EXPECT_TRUE(erase_text_in_file(path.c_str(), "XY", false));
    EXPECT_EQ(read_file(path), "aXybxy");
    EXPECT_TRUE(erase_text_in_file(path.c_str(), "absent", true));
    EXPECT_EQ(read_file(path), "aXybxy");
    EXPECT_FALSE(erase_text_in_file(dir.file("absent").c_str(), "a", true));
    EXPECT_FALSE(erase_text_in_file(path.c_str(), nullptr, true));
}

TEST(RemoveElementInFile, NarrowWideAndSeparateOutput) {
    const temp_dir dir;
    const std::string path = dir.file("r.xml");
    write_file(path, "<r><x>1</x><y/></r>");
    EXPECT_TRUE(remove_element_in_file(path.c_str(), nullptr, "x"));
    EXPECT_EQ(read_file(path), "<r><y/></r>");

    // UTF-16LE keeps its mark and every unit outside the element, a lone surrogate too.
    const std::string lone = std::string("\x00\xD8", 2);
    write_file(path, utf16le("<r><x>1</x>", true) + lone + utf16le("<y/></r>", false));
    EXPECT_TRUE(remove_element_in_file(path.c_str(), nullptr, "x"));
    EXPECT_EQ(read_file(path), utf16le("<r>", true) + lone + utf16le("<y/></r>", false));

    write_file(path, "<r><x>1</x></r>");
    EXPECT_TRUE(remove_element_in_file(path.c_str(), dir.file("out.xml").c_str(), "x"));
    EXPECT_EQ(read_file(dir.file("out.xml")), "<r></r>");
    EXPECT_EQ(read_file(path), "<r><x>1</x></r>");
    EXPECT_FALSE(remove_element_in_file(path.c_str(), dir.file("no/out.xml").c_str(), "x"));
    EXPECT_FALSE(remove_element_in_file(nullptr, nullptr, "x"));
    EXPECT_FALSE(remove_element_in_file(path.c_str(), nullptr, nullptr));
}

// Cut UTF-16 files (an odd last byte, a lone mark) are read inside their bytes.
TEST(RemoveElementInFile, CutUtf16) {
    const temp_dir dir;
    const std::string path = dir.file("r.xml");
    write_file(path, utf16le("<x>1</x>a", true) + "\x41");
    EXPECT_TRUE(remove_element_in_file(path.c_str(), nullptr, "x"));
    EXPECT_EQ(read_file(path), utf16le("a", true) + "\x41");
    write_file(path, "\xFF\xFE");
    (void)remove_element_in_file(path.c_str(), nullptr, "x");
    EXPECT_EQ(read_file(path), "\xFF\xFE");
}

TEST(TsvFileToTable, WritesExpandTabsText) {
    const temp_dir dir;
    const std::string tsv = "a\tbb\tc\nddd\te\n";
    write_file(dir.file("in.tsv"), tsv);
    std::string expected;
    ASSERT_TRUE(expand_tabs(tsv.data(), static_cast<uint32>(tsv.size()), 4, expected, false));
    EXPECT_TRUE(
        tsv_file_to_table(dir.file("in.tsv").c_str(), dir.file("out.txt").c_str(), 0, false));
    EXPECT_EQ(read_file(dir.file("out.txt")), expected);
}

// Text without a TAB is no table: false and no output file.
TEST(TsvFileToTable, NoTabNoOutput) {
    const temp_dir dir;
    write_file(dir.file("in.txt"), "no tabs here\n");
    EXPECT_FALSE(
        tsv_file_to_table(dir.file("in.txt").c_str(), dir.file("out.txt").c_str(), 0, false));
    EXPECT_EQ(file_size(dir.file("out.txt")), -1);
    EXPECT_FALSE(
        tsv_file_to_table(dir.file("absent").c_str(), dir.file("out.txt").c_str(), 0, false));
    EXPECT_FALSE(tsv_file_to_table(dir.file("in.txt").c_str(), nullptr, 0, false));
}

}  // namespace
