#include "text/extras/wide_line_buffers.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Bytes as UTF-16LE of an ASCII text.
std::vector<uint8> utf16le(const std::string& text) {
    std::vector<uint8> bytes;
    for (const char c : text) {
        bytes.push_back(static_cast<uint8>(c));
        bytes.push_back(0);
    }
    return bytes;
}

std::vector<uint8> narrow(const std::string& text) { return {text.begin(), text.end()}; }

struct lines_case {
    const char* name;
    std::vector<uint8> bytes;
    bool result;
    std::vector<std::wstring> lines;
};

const lines_case lines_cases[] = {
    {"narrow_crlf", narrow("a\r\nbb\r\n"), true, {L"a", L"bb"}},
    {"narrow_utf8", narrow("caf\xC3\xA9\nx\n"), true, {L"caf\u00E9", L"x"}},
    {"wide_crlf", utf16le("a\r\nb\r\n"), true, {L"a", L"b"}},
    {"wide_lf", utf16le("a\nb\n"), true, {L"a", L"b"}},
    {"wide_cr", utf16le("a\rb\r"), true, {L"a", L"b"}},
    {"wide_lfcr", utf16le("a\n\rb\n\r"), true, {L"a", L"b"}},
    {"wide_lfcr_lone_lf_is_mixed", utf16le("a\n\rb\nc\n\r"), false, {}},
    {"wide_empty_lines_dropped", utf16le("a\n\n  \nb\n"), true, {L"a", L"b"}},
    {"wide_mixed", utf16le("a\r\nb\nc\n"), false, {}},
    {"wide_no_line_end", utf16le("abc"), false, {}},
    {"wide_surrogate_pair",
     {0x3D, 0xD8, 0x00, 0xDE, '\n', 0, 'b', 0, '\n', 0},
     true,
     {L"\U0001F600", L"b"}},
    {"wide_odd_last_byte_ignored", {'a', 0, '\n', 0, 'b', 0, '\n', 0, 'c'}, true, {L"a", L"b"}},
    {"one_byte", {'a'}, false, {}},
    {"all_blank_lines", utf16le(" \n \n"), false, {}},
};

class BytesToWideLines : public ::testing::TestWithParam<lines_case> {};

TEST_P(BytesToWideLines, SplitsByTheDetectedKind) {
    const lines_case& c = GetParam();
    std::vector<std::wstring> list = {L"stale"};
    EXPECT_EQ(bytes_to_wide_lines(c.bytes.data(), static_cast<uint32>(c.bytes.size()), list),
              c.result);
    EXPECT_EQ(list, c.lines);
}

INSTANTIATE_TEST_SUITE_P(Cases, BytesToWideLines, ::testing::ValuesIn(lines_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(BytesToWideLinesBounds, NullDataIsFalse) {
    std::vector<std::wstring> list = {L"stale"};
    EXPECT_FALSE(bytes_to_wide_lines(nullptr, 10, list));
    EXPECT_TRUE(list.empty());
}

// Each buffer is allocated to its exact size, so a read past the count trips the sanitizer
// build; every prefix of a UTF-16 text with line ends is tried.
TEST(BytesToWideLinesBounds, ShortUtf16BuffersReadOnlyTheirBytes) {
    const std::vector<uint8> whole = utf16le("a\nb\ncd");
    for (std::size_t size = 2; size <= 9; ++size) {
        auto exact = std::make_unique<uint8[]>(size);
        std::copy(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size), exact.get());
        std::vector<std::wstring> list;
        const bool any = bytes_to_wide_lines(exact.get(), static_cast<uint32>(size), list);
        EXPECT_EQ(any, !list.empty()) << size;
        for (const std::wstring& line : list) {
            EXPECT_TRUE(line == L"a" || line == L"b" || line == L"c") << size;
        }
        if (size >= 8) {  // "a\nb\n" complete: both lines read
            ASSERT_GE(list.size(), 2U) << size;
            EXPECT_EQ(list[0], L"a");
            EXPECT_EQ(list[1], L"b");
        }
    }
}

TEST(WideToUtf16Units, ReplacesTheContentAndWritesNoTerminator) {
    std::vector<uint16_t> units = {7, 7, 7};
    const uint16_t* first = wide_to_utf16_units(units, L"a\nb");
    EXPECT_EQ(units, (std::vector<uint16_t>{'a', '\r', '\n', 'b'}));
    EXPECT_EQ(first, units.data());
    EXPECT_EQ(wide_to_utf16_units(units, L""), nullptr);
    EXPECT_TRUE(units.empty());
}

TEST(SplitUtf16Path, SplitsAtTheLastBackslash) {
    const std::wstring path = L"C:\\d\\f.txt";
    std::vector<uint16_t> units(path.begin(), path.end());
    units.push_back(0);
    std::wstring directory;
    std::wstring name;
    EXPECT_TRUE(split_utf16_path(units.data(), directory, name));
    EXPECT_EQ(directory, L"C:\\d");
    EXPECT_EQ(name, L"f.txt");
    EXPECT_FALSE(split_utf16_path(nullptr, directory, name));
    const uint16_t empty[] = {0};
    EXPECT_FALSE(split_utf16_path(empty, directory, name));
}

// 500 units with no terminator, exactly allocated: the reader stops at its limit.
TEST(SplitUtf16Path, UnterminatedUnitsReadAtMost500) {
    auto units = std::make_unique<uint16_t[]>(500);
    std::fill(units.get(), units.get() + 500, static_cast<uint16_t>('x'));
    units[3] = '/';
    std::wstring directory;
    std::wstring name;
    EXPECT_TRUE(split_utf16_path(units.get(), directory, name));
    EXPECT_EQ(directory, L"xxx");
    EXPECT_EQ(name.size(), 496U);
}

}  // namespace
