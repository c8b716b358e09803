#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/io_test_support.h"
#include "io/uni_fileio.h"

namespace {

using velk_test::temp_dir;
using velk_test::write_file;

constexpr std::size_t mib = 0x100000;

struct offered {
    std::vector<std::string> lines;
    std::vector<uint64> offsets;
};

bool collect(uni::fileio* /*file*/, void* context, const std::vector<std::string>& lines,
             uint64 count, uint64 offset) {
    auto* out = static_cast<offered*>(context);
    out->lines.insert(out->lines.end(), lines.begin(),
                      lines.begin() + static_cast<std::ptrdiff_t>(count));
    out->offsets.push_back(offset);
    return true;
}

offered read_lines_of(const std::string& path, bool trim, bool skip_empty, uint64 max_lines,
                      bool handle_bom, bool* result = nullptr) {
    uni::fileio file;
    offered out;
    EXPECT_TRUE(file.open(path, false, true, false));
    const bool ok = file.read_lines(collect, &out, trim, skip_empty, false, max_lines, handle_bom);
    if (result != nullptr) {
        *result = ok;
    }
    return out;
}

constexpr uint64 no_limit = ~uint64{0};

TEST(FileioReadLinesAt, LastBlockAndUnfinishedLine) {
    uni::fileio last(byte_array{'a', '\r', '\n', '\n', 'b', 'c'}, false, true);
    std::vector<std::string> lines;
    uint32 length = 100;
    ASSERT_TRUE(last.read_lines_at(lines, &length, 0));
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "bc"}));
    EXPECT_EQ(length, 6U);

    uni::fileio longer(byte_array{'x', '\n', 'b', 'y', 'z'}, false, true);
    lines.clear();
    length = 3;
    ASSERT_TRUE(longer.read_lines_at(lines, &length, 0));
    EXPECT_EQ(lines, std::vector<std::string>{"x"});
    EXPECT_EQ(length, 2U);  // the caller resumes at 'b'

    EXPECT_FALSE(longer.read_lines_at(lines, &length, 5));
    length = 0;
    EXPECT_FALSE(longer.read_lines_at(lines, &length, 0));
}

// Mend: a block without a break grows until it holds one or reaches the end.
TEST(FileioReadAllLines, LongLinesAndBlockBorders) {
    temp_dir dir;
    write_file(dir.file("long"), std::string(70U * 1024, 'q'));
    uni::fileio file;
    ASSERT_TRUE(file.open(dir.file("long"), false, true, false));
    std::vector<std::string> lines;
    ASSERT_TRUE(file.read_all_lines(lines));
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0].size(), 71680U);

    // Lines of growing length cross many 64 KiB borders, one of them a 200 KiB line.
    std::string text;
    std::vector<std::string> expected;
    for (int i = 0; i < 3000; ++i) {
        expected.push_back(std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), 'w'));
        text += expected.back() + (i % 3 == 0 ? "\r\n" : "\n");
    }
    expected.emplace_back(200 * 1024, 'L');
    text += expected.back() + "\r\n\r\nend";
    expected.emplace_back("end");
    write_file(dir.file("many"), text);
    ASSERT_TRUE(file.open(dir.file("many"), false, true, false));
    ASSERT_TRUE(file.read_all_lines(lines));
    EXPECT_TRUE(lines == expected);

    write_file(dir.file("blank"), "  \r\n\n");
    ASSERT_TRUE(file.open(dir.file("blank"), false, true, false));
    EXPECT_FALSE(file.read_all_lines(lines));
}

TEST(FileioReadLines, Utf16WithMarkLimitAndLineEndFlag) {
    temp_dir dir;
    // "ab", "\u00fc" and U+1F600 (a surrogate pair), then "c" without a break.
    const std::string utf16 = std::string("\xff\xfe", 2) +
                              std::string("a\0b\0\r\0\n\0\xfc\0\n\0", 12) +
                              std::string("\x3d\xd8\x00\xde\n\0c\0", 8);
    write_file(dir.file("wide"), utf16);
    EXPECT_EQ(read_lines_of(dir.file("wide"), true, false, no_limit, true).lines,
              (std::vector<std::string>{"ab", "\xc3\xbc", "\xf0\x9f\x98\x80", "c"}));
    // Without handle_bom the bytes are split as they are: the first line keeps its NULs.
    const offered raw = read_lines_of(dir.file("wide"), false, false, no_limit, false);
    ASSERT_FALSE(raw.lines.empty());
    EXPECT_EQ(raw.lines[0], std::string("\xff\xfe"
                                        "a\0b\0\r\0",
                                        8));

    write_file(dir.file("utf8"), "\xef\xbb\xbfone\ntwo\nthree\nfour\nfive\n");
    EXPECT_EQ(read_lines_of(dir.file("utf8"), true, true, 3, true).lines,
              (std::vector<std::string>{"one", "two", "three"}));

    uni::fileio plain;
    offered ignored;
    ASSERT_TRUE(plain.open(dir.file("utf8"), false, false, false));
    EXPECT_FALSE(plain.read_lines(collect, &ignored, true, true, false, no_limit, true));

    write_file(dir.file("empty"), "");
    bool result = false;
    EXPECT_TRUE(
        read_lines_of(dir.file("empty"), true, true, no_limit, true, &result).lines.empty());
    EXPECT_TRUE(result);
}

// Mend: lines across the 1 MiB chunk borders arrive once, whole and in order, also when a
// chunk begins with a break and empty lines are skipped.
TEST(FileioReadLines, ChunkBordersLoseNothing) {
    std::string text;
    std::vector<std::string> all;  // every line, empty ones included
    const auto fill_to = [&](std::size_t end) {
        for (int i = 0; text.size() + 40 < end; ++i) {
            all.push_back("line " + std::to_string(text.size()));
            text += all.back() + "\n";
        }
        all.push_back(std::string(end - text.size(), 't'));
        text += all.back();
    };
    fill_to(mib);  // the LF that ends this line is the first byte of the second chunk
    text += "\n";
    fill_to(2 * mib - 1);
    text += "\r\n\n";  // CR LF across the next border, then an empty line
    all.emplace_back();
    all.emplace_back("last line, no break");
    text += all.back();

    temp_dir dir;
    write_file(dir.file("big"), text);
    std::vector<std::string> non_empty;
    for (const std::string& line : all) {
        if (!line.empty()) {
            non_empty.push_back(line);
        }
    }
    const offered kept = read_lines_of(dir.file("big"), false, false, no_limit, true);
    EXPECT_TRUE(kept.lines == all);
    EXPECT_EQ(kept.offsets, (std::vector<uint64>{0, mib, 2 * mib}));
    EXPECT_TRUE(read_lines_of(dir.file("big"), true, true, no_limit, true).lines == non_empty);
}

// A UTF-16 character cut by a chunk border, and an odd last byte, lose nothing.
TEST(FileioReadLines, Utf16AcrossChunkBorders) {
    std::string text("\xff\xfe", 2);
    std::string expected;
    while (text.size() < mib - 2) {
        text += std::string("x\0", 2);
        expected += 'x';
    }
    text += std::string("\x3d\xd8\x00\xde", 4);  // the pair's halves lie in two chunks
    text += std::string("\n\0y\0z", 5);          // odd length: the last byte is half a unit
    temp_dir dir;
    write_file(dir.file("wide"), text);
    EXPECT_EQ(read_lines_of(dir.file("wide"), false, false, no_limit, true).lines,
              (std::vector<std::string>{expected + "\xf0\x9f\x98\x80", "y"}));
}

}  // namespace
