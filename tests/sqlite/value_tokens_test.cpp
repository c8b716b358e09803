// Value tokens and the printable writers used when looking at records by hand.

#include "sqlite/value_tokens.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "sqlite/value_code.h"

namespace {

struct token_case {
    const char* name;
    uint32 code;
    uint32 size;
    const char* text;
};

const token_case token_cases[] = {
    {"null", value_code::null, 9, "null:000"},
    {"real", value_code::real, 8, "real:008"},
    {"zero", value_code::zero, 0, "cst0:000"},
    {"one", value_code::one, 0, "cst1:000"},
    {"integer", value_code::integer, 4, "valu:004"},
    {"time", value_code::integer + value_code::time_mark(2), 8, "time:008"},
    {"text", value_code::text | value_code::cut_flag, 228, "strg:228"},
    {"blob", value_code::blob, 1234, "blob:1234"},
    {"unknown", 0, 7, "unkn:007"},
};

class WriteValueCodeToken : public ::testing::TestWithParam<token_case> {};

TEST_P(WriteValueCodeToken, KindAndSize) {
    std::ostringstream out;
    write_value_code_token(out, GetParam().code, GetParam().size);
    // The stream is back to blank fill and left alignment.
    out << std::setw(3) << 7;
    EXPECT_EQ(out.str(), std::string(GetParam().text) + "7  ");
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteValueCodeToken, ::testing::ValuesIn(token_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(WritePrintable, PrintableElseHex) {
    std::ostringstream out;
    write_printable_or_hex(out, {'a', 0x01, 'b', 'c'}, 3);
    out << '|';
    write_printable_or_hex(out, {0x01, 0xff, 0x10}, 8);
    out << 10 << '|';
    write_printable_chars(out, std::string("x\ny\x7fz\tw"), 5);
    EXPECT_EQ(out.str(), "ab|01 ff 10 10|xyz");
}

}  // namespace
