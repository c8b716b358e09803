#include "text/control_escape.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

struct escape_case {
    const char* name;
    std::string text;
    std::string expected;
};

const escape_case escape_cases[] = {
    // The line-erasing payload: nothing of it may reach a terminal raw.
    {"cursor_up_and_erase", "ok\x1b[1A\x1b[2K\x1b[1A\x1b[2K", "ok\\x1b[1A\\x1b[2K\\x1b[1A\\x1b[2K"},
    {"bel_and_del", "a\x07z\x7f", "a\\x07z\\x7f"},
    {"nul_and_unit_separator", "a\0b\x1f"s, "a\\x00b\\x1f"},
    {"tab_and_line_breaks_kept", "a\tb\r\nc\rd\n", "a\tb\r\nc\rd\n"},
    // U+009B, the one-character CSI, stored as UTF-8.
    {"c1_csi_character",
     "x\xc2\x9b"
     "2Ky",
     "x\\u009b2Ky"},
    {"c1_first_and_last", "\xc2\x80\xc2\x9f", "\\u0080\\u009f"},
    // U+00A0 and U+00FF share the lead byte and are no controls.
    {"latin1_letters_kept", "\xc2\xa0\xc3\xbf", "\xc2\xa0\xc3\xbf"},
    // Continuation bytes 0x80 to 0x9F inside well-formed characters: the euro sign, a CJK
    // character, an emoji.
    {"continuations_kept", "\xe2\x82\xac \xe6\x9d\xb1 \xf0\x9f\x98\x80",
     "\xe2\x82\xac \xe6\x9d\xb1 \xf0\x9f\x98\x80"},
    // Bytes of no well-formed sequence: 0x80 to 0x9F are C1 controls to an 8-bit terminal.
    {"stray_csi_byte",
     "a\x9b"
     "2Kb",
     "a\\x9b2Kb"},
    {"stray_high_byte_kept", "a\xe9z", "a\xe9z"},
    // An overlong ESC (C0 9B) and a cut three-byte sequence: the lead bytes are no controls,
    // the stray continuation bytes in the C1 range are.
    {"overlong_escape", "\xc0\x9b", "\xc0\\x9b"},
    {"cut_sequence_at_end", "a\xe2\x82", "a\xe2\\x82"},
    // Surrogates (ED A0 80) are not well-formed UTF-8.
    {"surrogate", "\xed\xa0\x80", "\xed\xa0\\x80"},
    {"plain", "plain text", "plain text"},
    {"empty", "", ""},
};

class EscapeTerminalControls : public ::testing::TestWithParam<escape_case> {};

TEST_P(EscapeTerminalControls, WritesControlsVisibly) {
    const escape_case& c = GetParam();
    std::string text = c.text;
    EXPECT_EQ(escape_terminal_controls(text), c.expected);
    EXPECT_EQ(text, c.expected);
    EXPECT_EQ(has_terminal_controls(c.text), c.text != c.expected);
    // Escaping what was escaped changes nothing: the writers may meet a text twice.
    EXPECT_FALSE(has_terminal_controls(text));
}

INSTANTIATE_TEST_SUITE_P(Cases, EscapeTerminalControls, ::testing::ValuesIn(escape_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
