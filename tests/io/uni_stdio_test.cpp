#include "io/uni_stdio.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "io/io_test_support.h"
#include "io/uni_encoding.h"

namespace {

using velk_test::read_file;
using velk_test::run_in_child;
using velk_test::temp_dir;
using velk_test::write_file;

// Runs reader in a child whose standard input is `input`, and returns what it gathered:
// each item written length-prefixed to a file that the parent reads back.
std::vector<std::string> with_stdin(const std::string& input,
                                    const std::function<std::vector<std::string>()>& reader) {
    temp_dir dir;
    write_file(dir.file("in"), input);
    const std::string result_path = dir.file("out");
    const int status = run_in_child([&] {
        const int fd = ::open(dir.file("in").c_str(), O_RDONLY);
        if (fd < 0 || ::dup2(fd, 0) != 0) {
            return 1;
        }
        std::string packed;
        for (const std::string& item : reader()) {
            packed += std::to_string(item.size()) + ":" + item;
        }
        write_file(result_path, packed);
        return 0;
    });
    std::vector<std::string> items;
    if (status != 0) {
        return {"child failed"};
    }
    const std::string packed = read_file(result_path);
    for (std::size_t at = 0; at < packed.size();) {
        const std::size_t colon = packed.find(':', at);
        const std::size_t length = std::stoul(packed.substr(at, colon - at));
        items.push_back(packed.substr(colon + 1, length));
        at = colon + 1 + length;
    }
    return items;
}

// What read_bounded_line gives for each line of the input, up to the end: the line's text,
// or "<too long>".
std::vector<std::string> bounded_lines(const std::string& input, bool trim) {
    return with_stdin(input, [trim] {
        uni::stdin_stream in(false);
        std::vector<std::string> got;
        std::string line = "stale";
        for (;;) {
            const auto read = in.read_bounded_line(line, trim);
            if (read == uni::stdin_stream::line_read::end) {
                got.emplace_back(line.empty() ? "<end>" : "<end, not empty>");
                return got;
            }
            got.push_back(read == uni::stdin_stream::line_read::line ? line : "<too long>");
        }
    });
}

const std::string longest(uni::stdin_stream::max_line_length, 'a');

struct bounded_case {
    const char* name;
    std::string input;
    bool trim;
    std::vector<std::string> expected;
};

// A line is a path of at most 4095 bytes: a longer one is passed over whole, never split
// into names and never held whole, whatever follows it.
const bounded_case bounded_cases[] = {
    {"LongestLineKept", longest + "\r\nab", true, {longest, "ab", "<end>"}},
    {"LongestLineKeepsItsBreakUntrimmed", longest + "\r\n", false, {longest + "\r\n", "<end>"}},
    {"OneByteMoreIsTooLong", longest + "a\nab\n", true, {"<too long>", "ab", "<end>"}},
    {"TooLongBeforeItsCrLf",
     std::string(5000, 'b') + "\r\n\nc",
     true,
     {"<too long>", "", "c", "<end>"}},
    {"EndlessLineWithoutBreak", std::string(1 << 20, '\0'), true, {"<too long>", "<end>"}},
    {"NulInsideALineIsKept", std::string("a\0b\n", 4), true, {std::string("a\0b", 3), "<end>"}},
    {"Empty", "", true, {"<end>"}},
};

class StdinStreamBounded : public ::testing::TestWithParam<bounded_case> {};

TEST_P(StdinStreamBounded, LinesUpToTheLongestPath) {
    EXPECT_EQ(bounded_lines(GetParam().input, GetParam().trim), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, StdinStreamBounded, ::testing::ValuesIn(bounded_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// read_line passes over the lines that are too long.
TEST(StdinStream, ReadLineSkipsTooLongLines) {
    const auto items = with_stdin("abc\r\n" + std::string(9000, 'b') + "\nlast", [] {
        uni::stdin_stream in(false);
        std::vector<std::string> got;
        std::string line;
        if (in.read_line(line, false)) {
            got.push_back(line);
        }
        byte_array bytes;
        if (in.read_line_bytes(bytes, true)) {
            got.emplace_back(bytes.begin(), bytes.end());
        }
        got.emplace_back(in.read_line(line, true) ? "more" : "end");
        return got;
    });
    EXPECT_EQ(items, (std::vector<std::string>{"abc\r\n", "last", "end"}));
}

TEST(StdinStream, WideLinesKeepTheWellFormedPart) {
    const auto items = with_stdin("\xc3\x28\n\xc3\xa9t\xc3\xa9\n", [] {
        uni::stdin_stream in(false);
        std::vector<std::string> got;
        std::wstring line = L"stale";
        got.emplace_back(in.read_line(line, true) ? "true" : "false");
        got.push_back(uni::wstring_to_utf8(line));
        got.emplace_back(in.read_line(line, true) ? "true" : "false");
        got.push_back(uni::wstring_to_utf8(line));
        got.emplace_back(in.read_line(line, true) ? "true" : "false");
        return got;
    });
    EXPECT_EQ(items, (std::vector<std::string>{"true", "", "true", "\xc3\xa9t\xc3\xa9", "false"}));
}

TEST(StdinStream, RawReadKeepsTheCallersLimit) {
    const auto items = with_stdin("abcdefgh\n", [] {
        uni::stdin_stream in(false);
        char buf[5] = {};
        int size = sizeof buf;
        std::vector<std::string> got;
        if (in.read_raw(buf, &size)) {
            got.emplace_back(buf, static_cast<std::size_t>(size));
        }
        got.emplace_back(in.is_available() ? "available" : "not available");
        return got;
    });
    EXPECT_EQ(items, (std::vector<std::string>{"abcd", "available"}));
}

TEST(StdoutStream, WritesBytesPastTheFileBuffer) {
    temp_dir dir;
    const std::string path = dir.file("stdout");
    const int status = run_in_child([&] {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || ::dup2(fd, 1) != 1) {
            return 1;
        }
        uni::stdout_stream out(false);
        std::fputs("buffered;", stdout);  // stays in the FILE buffer until exit
        const bool ok = out.write(std::string("raw;")) && out.write(byte_array{'b', '\n'}) &&
                        !out.write("x", 0) && !out.write(byte_array{}) && out.is_ready();
        out.detach();
        const bool refused = !out.write(std::string("gone"));
        std::fflush(stdout);
        return ok && refused ? 0 : 2;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(read_file(path), "raw;b\nbuffered;");
}

}  // namespace
