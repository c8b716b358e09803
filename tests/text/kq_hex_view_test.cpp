#include "text/kq_hex_view.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

byte_array counting_bytes(std::size_t n, uint8 first = 0) {
    byte_array bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<uint8>(first + i);
    }
    return bytes;
}

std::string dumped(const kq::binary_data& view, uint32 start, uint32 length, uint64 base) {
    std::ostringstream out;
    view.dump(out, start, length, base);
    return out.str();
}

TEST(HexLine, ShortLineIsPaddedToFullWidth) {
    const byte_array bytes = {0x41, 0x42, 0x43, 0x44};
    kq::binary_data view(bytes, true);
    view.set_flags(3);
    const std::string line = dumped(view, 0, 16, 0);
    EXPECT_EQ(line, "41 42 43 44 " + std::string(37, ' ') + " ABCD\n");
    EXPECT_EQ(line.size(), 55u);
}

TEST(HexLine, FullLineHasGapBeforeNinthByteAndDotsForUnprintables) {
    byte_array bytes = counting_bytes(16, 0x30);
    bytes[3] = 0x00;
    bytes[4] = 0x7F;
    bytes[5] = 0xE9;
    kq::binary_data view(bytes, false);
    std::ostringstream out;
    hex_dump_line(out, view, 0, 16, 0x10, true);
    EXPECT_EQ(out.str(),
              "0000 0010:  30 31 32 00 7f e9 36 37  38 39 3a 3b 3c 3d 3e 3f  012...6789:;<=>?");
}

TEST(HexLine, NineBytesPadOneLess) {
    const byte_array bytes = counting_bytes(9, 0x61);
    kq::binary_data view(bytes, false);
    std::ostringstream out;
    hex_dump_line(out, view, 0, 16, 0, false);
    // 9 bytes give 27 + 1 hex columns, padded to 49.
    EXPECT_EQ(out.str(), "61 62 63 64 65 66 67 68  69 " + std::string(21, ' ') + " abcdefghi");
}

struct offset_case {
    const char* name;
    uint64 base;
    const char* line_prefix;
    const char* text_prefix;
};

const offset_case offset_cases[] = {
    {"small", 0x10, "0000 0010:  ", "0000 0010:  "},
    {"above_32_bits", 0x100000000ull, "0001 0000 0000:  ", "1 0000 0000:  "},
    {"two_digit_high_group", 0xAB00000000ull, "00ab 0000 0000:  ", "ab 0000 0000:  "},
    {"four_digit_high_group", 0x123400005678ull, "1234 0000 5678:  ", "1234 0000 5678:  "},
    {"above_48_bits", 0x0002000000000010ull, "0002 0000 0000 0010:  ", "2 0000 0000 0010:  "},
};

class HexOffsets : public ::testing::TestWithParam<offset_case> {};

TEST_P(HexOffsets, WritesHighGroupsOnlyWhenSet) {
    const offset_case& c = GetParam();
    kq::binary_data view(byte_array{0x41}, true);
    std::ostringstream out;
    hex_dump_line(out, view, 0, 1, c.base, true);
    EXPECT_EQ(out.str().rfind(c.line_prefix, 0), 0u) << out.str();
    std::string text;
    hex_dump_line_text(text, view, 0, 1, c.base, true);
    EXPECT_EQ(text.rfind(c.text_prefix, 0), 0u) << text;
}

INSTANTIATE_TEST_SUITE_P(Cases, HexOffsets, ::testing::ValuesIn(offset_cases),
                         [](const auto& test_case) { return std::string(test_case.param.name); });

TEST(HexRange, DumpsExactlyTheRequestedBytesAndRestoresTheStream) {
    kq::binary_data view(counting_bytes(64), true);
    view.set_flags(kq::binary_data::flag_hex | kq::binary_data::flag_offsets);
    std::ostringstream out;
    out << std::dec;
    const std::ios_base::fmtflags before = out.flags();
    view.dump(out, 32, 16, 0);
    EXPECT_EQ(out.str(),
              "0000 0020:  20 21 22 23 24 25 26 27  28 29 2a 2b 2c 2d 2e 2f   !\"#$%&'()*+,-./\n");
    EXPECT_EQ(out.flags(), before);
    EXPECT_EQ(out.fill(), ' ');
}

TEST(HexRange, ClipsToTheViewAndCallsProgress) {
    kq::binary_data view(counting_bytes(20), true);
    std::ostringstream out;
    std::vector<uint64> starts;
    hex_dump_range(
        out, view, 4, 1000, 0, false,
        [](void* user, uint64 line_start, uint64 end) {
            static_cast<std::vector<uint64>*>(user)->push_back(line_start);
            EXPECT_EQ(end, 20u);
        },
        &starts);
    EXPECT_EQ(starts, (std::vector<uint64>{4}));
    const std::string text = out.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);

    std::ostringstream nothing;
    hex_dump_range(nothing, view, 20, 40, 0, true);
    view.dump(nothing, 25, 10, 0);
    hex_dump_line(nothing, view, 100, 16, 0, true);
    EXPECT_EQ(nothing.str(), "");
}

TEST(HexRange, EveryStartLengthAndFormStaysInsideTheView) {
    const byte_array bytes = counting_bytes(20);
    kq::binary_data view(bytes, false);
    std::ostringstream sink;
    std::string text;
    for (uint16 flags = 0; flags < 16; ++flags) {
        view.set_flags(flags);
        for (uint32 start = 0; start <= 24; ++start) {
            for (uint32 length = 0; length <= 40; ++length) {
                view.dump(sink, start, length, 0);
                ascii_dump_line(sink, view, start, length, 0, true);
                utf16_hex_dump_range(sink, view, start, start + length, 0);
                bare_hex_write(sink, view, start, length);
                hex_dump_line_text(text, view, start, length, 0, true);
            }
        }
    }
    std::ostringstream past_end;
    view.set_flags(kq::binary_data::flag_hex | kq::binary_data::flag_offsets);
    view.dump(past_end, 20, 5, 0);
    EXPECT_EQ(past_end.str(), "");
    EXPECT_FALSE(sink.str().empty());
}

TEST(HexString, MatchesTheStreamLines) {
    kq::binary_data view(counting_bytes(40, 0x40), true);
    std::string text = "stale";
    hex_dump_to_string(text, view, 0, 40, 0x200, true);
    std::ostringstream out;
    hex_dump_range(out, view, 0, 40, 0x200, true);
    EXPECT_EQ(text, out.str());

    std::string buffer_text;
    const byte_array bytes = counting_bytes(40, 0x40);
    buffer_hex_dump_to_string(bytes.data(), 40, buffer_text, 0, 0x200);
    EXPECT_EQ(buffer_text, text);
}

struct form_case {
    const char* name;
    uint16 flags;
    std::string dump;
    std::string dump_all;
};

// Five bytes "ab\ncd" dumped whole at base 0.
const std::string hex_body = "61 62 0a 63 64 " + std::string(34, ' ') + " ab.cd\n";
const std::string offsets = "0000 0000:  ";
const std::string bare = "61 62 0a 63 64 \n";

const form_case form_cases[] = {
    {"hex_offsets", 6, offsets + hex_body, offsets + hex_body},
    {"hex_lines_without_offsets", 3, hex_body, bare},
    {"bare_hex", 2, bare, bare},
    {"ascii_grouped", 5, offsets + "ab.c d\n", offsets + "ab.c d\n"},
    {"ascii_ungrouped", 12, offsets + "ab.cd\n", offsets + "ab.c d\n"},
    {"raw_text", 8, "ab\ncd", "ab\ncd"},
    {"offsets_alone", 4, "", offsets + "ab.c d\n"},
    {"nothing_set", 0, "", "ab\ncd"},
};

class DumpForms : public ::testing::TestWithParam<form_case> {};

TEST_P(DumpForms, FollowTheFlags) {
    kq::binary_data view(byte_array{'a', 'b', '\n', 'c', 'd'}, true);
    view.set_flags(GetParam().flags);
    EXPECT_EQ(dumped(view, 0, 100, 0), GetParam().dump);
    std::ostringstream all;
    view.dump_all(all);
    EXPECT_EQ(all.str(), GetParam().dump_all);
}

INSTANTIATE_TEST_SUITE_P(Cases, DumpForms, ::testing::ValuesIn(form_cases),
                         [](const auto& test_case) { return std::string(test_case.param.name); });

TEST(AsciiLines, GroupsAndLineWidths) {
    kq::binary_data view(byte_array(100, 'x'), true);
    std::ostringstream grouped;
    ascii_dump_range(grouped, view, 0, 100, 0x1000, true);
    std::istringstream lines(grouped.str());
    std::string first;
    std::getline(lines, first);
    // 48 characters: blanks before every 4th, two more before the 16th and 32nd.
    const std::string quad = "xxxx";
    const std::string row = quad + " " + quad + " " + quad + " " + quad;
    EXPECT_EQ(first, "0000 1000:  " + row + "   " + row + "   " + row);
    std::ostringstream plain;
    ascii_dump_range(plain, view, 10, 90, 0, false);
    EXPECT_EQ(plain.str(), "0000 000a:  " + std::string(64, 'x') +
                               "\n0000 004a:  " + std::string(26, 'x') + "\n");
}

TEST(BareHex, RowsCountFromTheViewStart) {
    kq::binary_data view(counting_bytes(20), true);
    std::ostringstream out;
    bare_hex_write(out, view, 14, 4);
    EXPECT_EQ(out.str(), "0e 0f \n10 11 \n");
    std::ostringstream at_row_end;
    bare_hex_write(at_row_end, view, 15, 1);
    EXPECT_EQ(at_row_end.str(), "0f \n\n");
}

TEST(Utf16Dump, WritesEveryCharacterAsTwoBytes) {
    const byte_array bytes = {'h', 'i'};
    std::ostringstream out;
    buffer_utf16_dump(bytes.data(), 2, out, 0, 0x10);
    const std::string expected_text = "0000 0010 68 69 " + std::string(43, ' ') + " hi";
    std::string expected;
    for (const char c : expected_text) {
        expected += c;
        expected += '\0';
    }
    expected += std::string("\r\0\n\0", 4);
    EXPECT_EQ(out.str(), expected);
}

TEST(RawBytes, WrittenAsTheyAre) {
    const byte_array bytes = {0x00, 0xFF, 'a'};
    kq::binary_data view(bytes, false);
    std::ostringstream out;
    raw_bytes_write(out, view, 1, 10);
    EXPECT_EQ(out.str(),
              "\xFF"
              "a");
}

TEST(ContextDump, RefusesMoreThan16MiB) {
    std::ostringstream out;
    output_context context{true, &out};
    const byte_array bytes = {1, 2, 3};
    context_hex_dump(context, bytes.data(), 0x1000001, 0);
    EXPECT_EQ(out.str(), "size to big to output: size 0x1000001\n");
    EXPECT_TRUE((out.flags() & std::ios_base::hex) != 0);

    std::ostringstream checked;
    buffer_hex_dump_checked(bytes.data(), 0x2000000, checked, 0, 0);
    EXPECT_EQ(checked.str(), "size to big to output: size 0x2000000\n");
}

TEST(ContextDump, DumpsWhenEnabledOnly) {
    const byte_array bytes = {'O', 'K'};
    std::ostringstream out;
    output_context off{false, &out};
    context_hex_dump(off, bytes.data(), 2, 0);
    output_context no_stream{true, nullptr};
    context_hex_dump(no_stream, bytes.data(), 2, 0);
    EXPECT_FALSE(no_stream.enabled());
    EXPECT_EQ(out.str(), "");

    output_context on{true, &out};
    context_hex_dump(on, bytes.data(), 2, 0x30);
    EXPECT_EQ(out.str(), "0000 0030:  4f 4b " + std::string(43, ' ') + " OK\n");
    on.write_line("done");
    EXPECT_EQ(out.str().substr(out.str().size() - 5), "done\n");
}

TEST(RunOrDump, SummarisesARunOfOneValue) {
    std::ostringstream out;
    byte_array_run_or_dump(byte_array(100, 0), out, 0, 0x4000);
    EXPECT_EQ(out.str(), "0x004000 : value 0x00 : 0x64 bytes\n");

    byte_array mixed(100, 0);
    mixed[60] = 1;
    std::ostringstream dump;
    byte_array_run_or_dump(mixed, dump, 0, 0);
    const std::string lines = dump.str();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 7);
    std::ostringstream tail;
    byte_array_run_or_dump(mixed, tail, 61, 0);
    EXPECT_EQ(tail.str(), "0x000000 : value 0x00 : 0x27 bytes\n");
    std::ostringstream nothing;
    byte_array_run_or_dump(mixed, nothing, 100, 0);
    byte_array_hex_dump({}, nothing, 0, 0);
    EXPECT_EQ(nothing.str(), "");
}

TEST(BinaryData, EditingWorksOnOwnedBytesOnly) {
    kq::binary_data owned(byte_array(10, 7), true);
    ASSERT_TRUE(owned.erase(2, 100));
    EXPECT_EQ(owned.size(), 2u);
    EXPECT_FALSE(owned.erase(2, 1));
    ASSERT_TRUE(owned.append_byte(9));
    const uint8 more[] = {1, 2};
    ASSERT_TRUE(owned.append(more, 2));
    EXPECT_EQ(owned.size(), 5u);
    EXPECT_EQ(owned(2), 9);
    owned(4) = 0x55;
    EXPECT_EQ(std::as_const(owned)(4), 0x55);
    EXPECT_FALSE(owned.append(nullptr, 1));

    byte_array caller = {1, 2, 3};
    kq::binary_data view(caller, false);
    EXPECT_FALSE(view.append(more, 2));
    EXPECT_FALSE(view.append_byte(1));
    EXPECT_FALSE(view.erase(0, 1));
    EXPECT_FALSE(view.release());
    EXPECT_EQ(view.size(), 3u);
    view(0) = 0x10;  // a view of caller memory reaches the caller's bytes
    EXPECT_EQ(caller[0], 0x10);

    ASSERT_TRUE(owned.release());
    EXPECT_EQ(owned.size(), 0u);
}

TEST(BinaryData, ConstructorsSizeAndFill) {
    const kq::binary_data empty;
    EXPECT_EQ(empty.size(), 0u);
    EXPECT_EQ(empty.render_flags(), 2u);
    const kq::binary_data filled(4, 0xAB);
    EXPECT_EQ(filled.size(), 4u);
    EXPECT_EQ(filled(3), 0xAB);
    const kq::binary_data zeros(3);
    EXPECT_EQ(zeros(2), 0);
    const kq::binary_data null_view(nullptr, 10, true);
    EXPECT_EQ(null_view.size(), 0u);
}

TEST(BinaryDataDeathTest, IndexPastTheViewStopsTheProcess) {
    const kq::binary_data view(byte_array{1, 2, 3}, true);
    EXPECT_DEATH((void)view(3), "index < m_num_data");
    kq::binary_data owned(2);
    EXPECT_DEATH((void)owned(2), "kq::binary_data::operator\\(\\)\\(uint32\\)");
}

class BinaryDataFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_path =
            std::filesystem::temp_directory_path() /
            ("velk_hex_view_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::ofstream file(m_path, std::ios::binary);
        file << "0123456789";
    }
    void TearDown() override { std::filesystem::remove(m_path); }

    std::filesystem::path m_path;
};

TEST_F(BinaryDataFile, LoadsAClippedRange) {
    kq::binary_data view;
    ASSERT_TRUE(view.load_from_file(m_path.string(), 6, 100));
    ASSERT_EQ(view.size(), 4u);
    EXPECT_EQ(view(0), '6');
    EXPECT_FALSE(view.load_from_file(m_path.string(), 10, 1));
    EXPECT_FALSE(view.load_from_file((m_path.string() + ".absent"), 0, 1));
    EXPECT_EQ(view.size(), 4u);  // failures leave the view as it was

    byte_array caller = {1};
    kq::binary_data borrowed(caller, false);
    EXPECT_FALSE(borrowed.load_from_file(m_path.string(), 0, 1));
}

TEST(BinaryDataShortRead, FileShorterThanItsSizeIsAFailure) {
    // sysfs attributes report a size of one page but hold a few bytes: the read comes back
    // short, as for a file cut while it is read.
    const char* path = "/sys/devices/system/cpu/online";
    std::ifstream probe(path, std::ios::binary);
    if (!probe) {
        GTEST_SKIP() << "no sysfs attribute to read short here";
    }
    kq::binary_data view(byte_array{'k'}, true);
    EXPECT_FALSE(view.load_from_file(path, 0, 100));
    ASSERT_EQ(view.size(), 1u);
    EXPECT_EQ(view(0), 'k');
}

TEST_F(BinaryDataFile, DumpsToAFile) {
    kq::binary_data view(byte_array{'h', 'i'}, true);
    view.set_flags(8);
    ASSERT_TRUE(view.dump_to_file(m_path.string()));
    std::ifstream file(m_path, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(content, "hi");
    EXPECT_FALSE(view.dump_to_file((m_path / "no_such_dir" / "x").string()));
}

TEST(WidenAscii, OneWideCharacterPerCharacter) {
    std::wstring out = L"stale";
    widen_ascii("ab", out);
    EXPECT_EQ(out, L"ab");
}

}  // namespace
