#include "text/extras/equals_sign_escape.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string a(std::size_t n) { return std::string(n, 'a'); }

struct escape_case {
    const char* name;
    std::string text;
    std::string expected;
};

const escape_case escape_cases[] = {
    // The character after a soft break is not counted: 75, then 76 per line.
    {"LongLine", a(200), a(75) + "=\r\n" + a(76) + "=\r\n" + a(49)},
    {"EqualsEscaped", "a=b", "a=3Db"},
    // A break that would split "=3D" goes before its "=".
    {"BreakBeforeEscapeAt74", a(74) + "=b", a(74) + "=\r\n=3Db"},
    {"BreakBeforeEscapeAt73", a(73) + "=b", a(73) + "=\r\n=3Db"},
    {"EscapeFitsAt72", a(72) + "=b", a(72) + "=3D=\r\nb"},
    {"LineBreakRestartsCount", "x\r\n" + a(80), "x\r\n" + a(75) + "=\r\n" + a(5)},
    {"Empty", "", ""},
};

class QpEscapeText : public ::testing::TestWithParam<escape_case> {};

TEST_P(QpEscapeText, WritesSoftBreaks) {
    const escape_case& c = GetParam();
    std::string out = "stale";
    EXPECT_EQ(qp_escape_text(out, c.text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, QpEscapeText, ::testing::ValuesIn(escape_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// Undoes the soft breaks and the "=3D" escapes; empty when an "=" starts anything else.
std::string decode(const std::string& escaped) {
    std::string out;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '=') {
            out.push_back(escaped[i]);
        } else if (escaped.compare(i, 3, "=3D") == 0) {
            out.push_back('=');
            i += 2;
        } else if (escaped.compare(i, 3, "=\r\n") == 0) {
            i += 2;
        } else {
            return "<undecodable>";
        }
    }
    return out;
}

TEST(QpEscapeText, EveryPlacementOfEqualsDecodesBack) {
    for (std::size_t lead = 0; lead < 160; ++lead) {
        const std::string text = a(lead) + "==b=" + a(lead % 7);
        std::string out;
        EXPECT_EQ(decode(qp_escape_text(out, text)), text) << "lead " << lead;
    }
}

const escape_case strip_cases[] = {
    {"MarkDroppedNotDecoded", "a=3Db", "a3Db"},
    // An "=" near the end has fewer than two characters after it: dropped, nothing read
    // past the text.
    {"EqualsLast", "abc=", "abc"},
    {"EqualsOneBeforeEnd", "abc=x", "abcx"},
    {"OnlyEquals", "=", ""},
    {"TwoEquals", "==", "="},
    {"SoftBreak", "ab=\r\ncd", "ab\r\ncd"},
    {"Empty", "", ""},
};

class QpStripMarks : public ::testing::TestWithParam<escape_case> {};

TEST_P(QpStripMarks, DropsEveryEquals) {
    const escape_case& c = GetParam();
    std::string out = "stale";
    EXPECT_EQ(qp_strip_marks(out, c.text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, QpStripMarks, ::testing::ValuesIn(strip_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
