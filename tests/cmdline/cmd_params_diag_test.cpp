// Diagnostics items as they land in the "-diags" file, read back byte for byte.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "cmdline/cmd_params.h"
#include "io/io_test_support.h"
#include "text/terminal_capture.h"

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

constexpr uint64 start = 0x01D9000000000000ULL;

class DiagFile : public ::testing::Test {
protected:
    DiagFile() : m_options(start, false) {
        m_options.m_command_line = "velk -db x.db -diags d.txt";
        m_path = m_dir.file("diags.txt");
    }

    // The file's text after the first item (the command line).
    std::string items() {
        m_options.flush_diag();
        const std::string all = velk_test::read_file(m_path);
        const std::string first = "->" + m_options.m_command_line + "\n";
        EXPECT_EQ(all.substr(0, first.size()), first);
        return all.size() < first.size() ? std::string() : all.substr(first.size());
    }

    velk_test::temp_dir m_dir;
    std::string m_path;
    cmd_params m_options;
};

TEST_F(DiagFile, OpenWritesCommandLineFirst) {
    ASSERT_TRUE(m_options.open_diag_file(m_path));
    EXPECT_TRUE(m_options.m_diag_on);
    EXPECT_EQ(m_options.m_diag_path, m_path);
    EXPECT_EQ(velk_test::read_file(m_path), "->velk -db x.db -diags d.txt\n");
}

TEST_F(DiagFile, ReopenTruncatesAndCloseStops) {
    velk_test::write_file(m_path, "old contents\n");
    ASSERT_TRUE(m_options.open_diag_file(m_path));
    m_options.diag_line("one");
    ASSERT_TRUE(m_options.open_diag_file(m_path));  // closes the first, truncates
    m_options.diag_line("two");
    EXPECT_EQ(items(), "->two\n");

    EXPECT_TRUE(m_options.close_diag_file());
    EXPECT_FALSE(m_options.m_diag_on);
    EXPECT_EQ(m_options.m_diag_stream, nullptr);
    m_options.diag_line("after close");
    EXPECT_EQ(items(), "->two\n");
    EXPECT_TRUE(m_options.close_diag_file());  // closing twice is harmless
}

TEST_F(DiagFile, LineFormsAndLevelGate) {
    ASSERT_TRUE(m_options.open_diag_file(m_path));
    m_options.diag_line_level(1, "level one hidden");
    m_options.diag_line_level(0, "level zero shown");
    std::ostringstream text;
    text << "stream " << 42;
    m_options.diag_stream(text);
    m_options.diag_stream_level(2, text);
    m_options.diag_printf_level(1, "printf %d hidden", 1);
    m_options.diag_printf("rows %d", 7);
    EXPECT_EQ(items(), "->level zero shown\n->stream 42\n->rows 7\n");

    m_options.m_diag_level = 2;  // "-l2": levels 1 and 2, not 3
    m_options.diag_line_level(2, "l2");
    m_options.diag_line_level(3, "l3 hidden");
    m_options.diag_stream_level(2, text);
    m_options.diag_printf_level(2, "p%s", "2");
    EXPECT_EQ(items(), "->level zero shown\n->stream 42\n->rows 7\n->l2\n->stream 42\n->p2\n");
}

TEST_F(DiagFile, LabelledPrintfExactForm) {
    ASSERT_TRUE(m_options.open_diag_file(m_path));
    m_options.diag_printf_labelled("L", "S", "n=%d", 5);
    m_options.diag_printf_labelled(nullptr, "S", "n=%d", 6);
    m_options.diag_printf_labelled("L", nullptr, "n=%d", 7);
    EXPECT_EQ(items(), "->L : n=5: S\n->n=6: S\n->L : n=7\n");
}

TEST_F(DiagFile, LongFormattedTextIsCut) {
    ASSERT_TRUE(m_options.open_diag_file(m_path));
    const std::string format = "x%s";
    const std::string argument(1000, 'a');
    m_options.diag_printf(format.c_str(), argument.c_str());
    const std::string expected = "x" + std::string(format.size() + 254 - 1, 'a');
    EXPECT_EQ(items(), "->" + expected + "\n");
}

TEST_F(DiagFile, WideArgumentsWrittenAsUtf8) {
    ASSERT_TRUE(m_options.open_diag_file(m_path));
    const std::wstring name = L"caf\u00e9.db";
    diag_msg(&m_options, "file %ls", name.c_str());
    m_options.diag_printf("again %ls", name.c_str());
    const std::string upper_s = "upper %S";  // callers below the options layer write %S
    diag_msg(&m_options, upper_s.c_str(), name.c_str());
    EXPECT_EQ(items(), "->file caf\xc3\xa9.db\n->again caf\xc3\xa9.db\n->upper caf\xc3\xa9.db\n");
}

// A wide character no encoding can write makes the formatter fail; the item still comes
// out as a terminated line holding what was formatted before the fault.
TEST_F(DiagFile, FormattingErrorStillWritesTerminatedItem) {
    ASSERT_TRUE(m_options.open_diag_file(m_path));
    const wchar_t bad[] = {L'a', static_cast<wchar_t>(0x7FFFFFFF), 0};
    m_options.diag_printf("before %ls after", bad);
    m_options.diag_line("next");
    const std::string text = items();
    ASSERT_GE(text.size(), 9U);
    EXPECT_EQ(text.substr(0, 2), "->");
    EXPECT_EQ(text.substr(text.size() - 7), "->next\n");
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
}

TEST_F(DiagFile, FreeHelpersNeedRecordAndText) {
    ASSERT_TRUE(m_options.open_diag_file(m_path));
    diag_text(nullptr, "no record");
    diag_text(&m_options, "");
    diag_text(&m_options, "text");
    std::ostringstream text;
    text << "s";
    diag_stream_text(nullptr, text);
    diag_stream_text(&m_options, text);
    diag_msg(nullptr, "no record %d", 1);
    diag_msg(&m_options, "msg %d", 2);
    EXPECT_EQ(items(), "->text\n->s\n->msg 2\n");
}

struct value_case {
    const char* name;
    uint64 value;
    uint64 second;
    uint32 number;
    const char* line;
};

const value_case value_cases[] = {
    {"ValueOnly", 10, 0, 0, "->lbl: 0x0a\n"},
    {"WithNumber", 10, 0, 7, "->lbl: 0x0a [7]\n"},
    {"WithSecond", 0x1234, 0xff, 0, "->lbl: 0x1234/0xff\n"},
    {"Zero", 0, 0, 0, "->lbl: 0x00\n"},
    {"AllParts", 0x1, 0x2, 300, "->lbl: 0x01/0x02 [300]\n"},
};

class DiagValueLine : public DiagFile, public ::testing::WithParamInterface<value_case> {};

TEST_P(DiagValueLine, LabelHexValuesAndNumber) {
    const value_case& c = GetParam();
    ASSERT_TRUE(m_options.open_diag_file(m_path));
    diag_value_line(&m_options, "lbl", c.value, c.second, c.number);
    diag_value_line(&m_options, nullptr, c.value, c.second, c.number);
    diag_value_line(nullptr, "lbl", c.value, c.second, c.number);
    EXPECT_EQ(items(), c.line);
}

INSTANTIATE_TEST_SUITE_P(Cases, DiagValueLine, ::testing::ValuesIn(value_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(DiagFile, HexDumpOfTwentyBytes) {
    ASSERT_TRUE(m_options.open_diag_file(m_path));
    const std::string bytes = "ABCDEFGHIJKLMNOPQRST";
    m_options.diag_hex_dump(reinterpret_cast<const uint8*>(bytes.data()), 20, 0x100);
    const std::string expected =
        "->[0x14]\n"
        "0x00000100 : 41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50   ABCDEFGHIJKLMNOP\n"
        "0x00000110 : 51 52 53 54 " +
        std::string(std::size_t{12} * 3, ' ') + "  QRST\n";
    EXPECT_EQ(items(), expected);
}

TEST_F(DiagFile, HexDumpFullLineUnprintablesAndLevel) {
    ASSERT_TRUE(m_options.open_diag_file(m_path));
    byte_array bytes(16);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8>(0x78 + i);  // 0x78..0x87: 'x' 'y' 'z' '{' '|' '}' '~'
    }
    m_options.diag_hex_dump(bytes.data(), 16, 0x123456789ULL);
    m_options.diag_hex_dump_level(1, bytes.data(), 16, 0);  // level 0: not written
    m_options.diag_hex_dump(nullptr, 16, 0);
    m_options.diag_hex_dump(bytes.data(), 0, 0);
    m_options.diag_hex_dump(bytes.data(), -5, 0);
    EXPECT_EQ(items(),
              "->[0x10]\n"
              "0x123456789 : 78 79 7a 7b 7c 7d 7e 7f 80 81 82 83 84 85 86 87   xyz{|}~.........\n");
}

// Without "-diags", or with a file that cannot be created, nothing is written anywhere.
TEST(DiagOff, EveryWriterSilent) {
    velk_test::temp_dir dir;
    cmd_params p(start, false);
    const std::string path = dir.file("missing/d.txt");
    EXPECT_FALSE(p.open_diag_file(path));
    EXPECT_FALSE(p.m_diag_on);
    EXPECT_EQ(p.m_diag_stream, nullptr);
    EXPECT_EQ(p.m_diag_path, "");
    p.m_diag_level = 3;

    CaptureStderr();
    const uint8 bytes[] = {1, 2, 3};
    std::ostringstream text;
    text << "t";
    p.diag_line("a");
    p.diag_line_level(0, "a");
    p.diag_stream(text);
    p.diag_stream_level(0, text);
    p.diag_printf("%d", 1);
    p.diag_printf_labelled("l", "s", "%d", 1);
    p.diag_printf_level(0, "%d", 1);
    p.diag_hex_dump(bytes, 3, 0);
    p.diag_hex_dump_level(0, bytes, 3, 0);
    diag_text(&p, "a");
    diag_stream_text(&p, text);
    diag_msg(&p, "%d", 1);
    diag_value_line(&p, "l", 1, 0, 0);
    p.flush_diag();
    p.clear_diag_state();
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(velk_test::file_size(path), -1);
}

// A path that exists and is no regular file is refused before it is opened: opening a FIFO
// for writing would wait for a reader forever, and nothing is written to a device.
TEST(DiagOff, SpecialFilesRefusedWithoutBlocking) {
    velk_test::temp_dir dir;
    const std::string fifo = dir.file("d.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, dir.path(), std::string("/dev/null")}) {
        cmd_params p(start, false);
        EXPECT_FALSE(p.open_diag_file(path)) << path;
        EXPECT_FALSE(p.m_diag_on) << path;
    }
}

// A write that fails (here past a file-size limit, as on a full disk) is remembered, and no
// later item is written after the gap.
TEST(DiagWriteFailure, IsRememberedAndStopsTheFile) {
    velk_test::temp_dir dir;
    const std::string path = dir.file("d.txt");
    const int code = velk_test::run_with_file_size_limit(64, [&path] {
        cmd_params p(start, false);
        p.m_command_line = "velk -db x.db";
        if (!p.open_diag_file(path) || p.diag_write_failed()) {
            return 1;
        }
        p.diag_line(std::string(80, 'a'));
        if (!p.diag_write_failed()) {
            return 2;
        }
        p.diag_line("b");
        return 0;
    });
    EXPECT_EQ(code, 0);
    const std::string written = velk_test::read_file(path);
    EXPECT_EQ(written.size(), 64U);
    EXPECT_EQ(written.find("->b"), std::string::npos);
}

// Seen on a terminal: elsewhere the status line is never drawn, so never cleared.
TEST(DiagStatusLine, ClearedOnlyWithStatusOutput) {
    cmd_params p(start, false);
    terminal_capture on;
    ASSERT_TRUE(on.ready());
    p.clear_status_line();
    EXPECT_EQ(on.take(), "\x1b[2K\r" + std::string(27, ' ') + "\r");

    p.m_status_output = false;
    terminal_capture off;
    ASSERT_TRUE(off.ready());
    p.clear_status_line();
    clear_status_line_if(&p);
    clear_status_line_if(nullptr);
    EXPECT_EQ(off.take(), "");
}

}  // namespace
