#include "text/extras/utf16_line_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint16_t cr = 0x0D;
constexpr uint16_t lf = 0x0A;
constexpr uint16_t bs = 0x5C;

// The units in a heap block of exactly their size, so that the sanitizer catches a read of
// one unit past the count.
std::unique_ptr<uint16_t[]> exact(const std::vector<uint16_t>& units) {
    auto block = std::make_unique<uint16_t[]>(units.size());
    std::copy(units.begin(), units.end(), block.get());
    return block;
}

struct line_case {
    const char* name;
    std::vector<uint16_t> units;
    bool continuation;
    std::string expected;
    int32 consumed;
};

const line_case line_cases[] = {
    {"CrLf", {'a', 'b', cr, lf, 'c', 'd'}, false, "ab", 4},
    {"LoneLf", {'a', lf, 'b'}, false, "a", 2},
    {"CrLast", {'a', cr}, false, "a", 2},
    {"EmptyLine", {cr, lf, 'x'}, false, "", 2},
    // An unfinished last line stays in the buffer.
    {"NoBreak", {'c', 'd'}, false, "cd", 0},
    {"ContinuedCrLf", {'a', 'b', bs, cr, lf, 'c', 'd', cr}, true, "abcd", 8},
    {"ContinuedLf", {'a', bs, lf, 'b', lf, 'z'}, true, "ab", 5},
    {"BackslashKeptWithoutContinuation", {'a', bs, cr, lf, 'b'}, false, "a\\", 4},
    {"BackslashLast", {'a', 'b', bs}, true, "ab\\", 0},
    {"BackslashBeforeOther", {'a', bs, 'b', cr}, true, "a\\b", 4},
    // A continued break counts as a break met: the position moves past all of it.
    {"ContinuedThenEnd", {'a', bs, lf, 'b'}, true, "ab", 4},
};

class ReadUtf16Line : public ::testing::TestWithParam<line_case> {};

TEST_P(ReadUtf16Line, ReadsOneLogicalLine) {
    const line_case& c = GetParam();
    const auto block = exact(c.units);
    const uint16_t* position = block.get();
    auto remaining = static_cast<int32>(c.units.size());
    EXPECT_EQ(read_utf16_line(position, remaining, c.continuation), c.expected);
    EXPECT_EQ(position - block.get(), c.consumed);
    EXPECT_EQ(remaining, static_cast<int32>(c.units.size()) - c.consumed);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadUtf16Line, ::testing::ValuesIn(line_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ReadUtf16Line, SecondCallLeavesTheLastLine) {
    const auto block = exact({'a', 'b', cr, lf, 'c', 'd'});
    const uint16_t* position = block.get();
    int32 remaining = 6;
    EXPECT_EQ(read_utf16_line(position, remaining, false), "ab");
    EXPECT_EQ(read_utf16_line(position, remaining, false), "cd");
    EXPECT_EQ(position, block.get() + 4);
    EXPECT_EQ(remaining, 2);
}

TEST(ReadUtf16Line, NeverReadsPastTheCount) {
    const std::vector<uint16_t> units = {'a', bs, cr, lf, bs, lf, 'b', cr, bs};
    for (std::size_t count = 0; count <= units.size(); ++count) {
        for (const bool continuation : {false, true}) {
            const auto block = exact({units.begin(), units.begin() + static_cast<std::ptrdiff_t>(count)});
            const uint16_t* position = block.get();
            auto remaining = static_cast<int32>(count);
            (void)read_utf16_line(position, remaining, continuation);  // the bounds are the test
            EXPECT_GE(remaining, 0);
            EXPECT_EQ(position - block.get() + remaining, static_cast<std::ptrdiff_t>(count));
        }
    }
    const uint16_t* none = nullptr;
    int32 remaining = 5;
    EXPECT_EQ(read_utf16_line(none, remaining, true), "");
    EXPECT_EQ(remaining, 5);
}

}  // namespace
