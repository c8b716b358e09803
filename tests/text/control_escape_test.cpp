#include "text/control_escape.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// The rule read the plainest way, one character at a time, written apart from the escaper:
// the well-formed sequences as Unicode's table lists them (the second byte's range per lead,
// then continuation bytes), a control where the rule names one.
std::size_t well_formed_length(std::string_view s, std::size_t at) {
    const auto b = [&](std::size_t k) {
        return static_cast<unsigned>(static_cast<unsigned char>(s[k]));
    };
    const unsigned lead = b(at);
    std::size_t length = 0;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || at + length > s.size() || b(at + 1) < low || b(at + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (b(at + k) < 0x80 || b(at + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

struct reference_result {
    std::string escaped;
    std::size_t first_control = std::string_view::npos;
};

reference_result reference_escape(std::string_view s) {
    static const char digits[] = "0123456789abcdef";
    reference_result r;
    std::size_t at = 0;
    while (at < s.size()) {
        const unsigned c = static_cast<unsigned char>(s[at]);
        const std::size_t length = c >= 0x80 ? well_formed_length(s, at) : 0;
        const unsigned second = length == 2 ? static_cast<unsigned char>(s[at + 1]) : 0U;
        const bool c1 = length == 2 && c == 0xC2 && second <= 0x9F;
        const bool control = c1 || (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F ||
                             (length == 0 && c >= 0x80 && c <= 0x9F);
        if (control && r.first_control == std::string_view::npos) {
            r.first_control = at;
        }
        const unsigned shown = c1 ? second : c;
        if (control) {
            r.escaped += c1 ? "\\u00" : "\\x";
            r.escaped += digits[shown >> 4];
            r.escaped += digits[shown & 0x0F];
        } else {
            r.escaped.append(s.substr(at, length == 0 ? 1 : length));
        }
        at += length == 0 ? 1 : length;
    }
    return r;
}

// The random texts are made of single bytes from every class the rule tells apart (so that
// every short mix of lead, continuation, control and ASCII bytes comes up, in and out of
// order), of whole characters at the edges of each sequence length (C1 characters among them),
// of the classic malformations (overlong forms, surrogates, code points past U+10FFFF, cut
// sequences, C0 and C1 before a continuation byte above the C1 range), of bytes of any value
// and of runs of plain text long enough to fill blocks, some longer than two blocks of 32, so
// that multibyte characters and malformations stand between runs of clean blocks.
// clang-format off
const std::string edge_bytes = std::string("a \t\n\r\x1b\x7f\x01\x1f\xc0\xc1\xc2\xdf\xe0\xe2\xed\xef"
                                           "\xf0\xf4\xf5\xff\x80\x8f\x90\x9f\xa0\xbf") + '\0';
const std::vector<std::string> text_pieces = {
    "\xc2\x80", "\xc2\x9f", "\xc2\xa0", "\xc3\xa9", "\xdf\xbf", "\xe0\xa0\x80", "\xe2\x82\xac",
    "\xed\x9f\xbf", "\xee\x80\x80", "\xef\xbf\xbf", "\xf0\x90\x80\x80", "\xf0\x9f\x98\x80",
    "\xf4\x8f\xbf\xbf", "\xc0\x9b", "\xe0\x80\x80", "\xe0\x9f\xbf", "\xf0\x8f\xbf\xbf",
    "\xed\xa0\x80", "\xed\xbf\xbf", "\xf4\x90\x80\x80", "\xe2\x82", "\xf0\x9f\x98",
    "\xc0\xa0", "\xc1\xbf", "plain text over sixteen bytes",
    "<text id='2'>plain text of notification payloads, long enough to fill two blocks</text>",
};
// clang-format on

std::string random_text(std::mt19937& rng) {
    std::uniform_int_distribution<std::size_t> count(0, 40);
    std::uniform_int_distribution<std::size_t> kind(0, 9);
    std::uniform_int_distribution<std::size_t> edge(0, edge_bytes.size() - 1);
    std::uniform_int_distribution<std::size_t> piece(0, text_pieces.size() - 1);
    std::uniform_int_distribution<int> any_byte(0, 255);
    std::string text;
    for (std::size_t n = count(rng); n > 0; --n) {
        const std::size_t k = kind(rng);
        if (k < 5) {
            text += edge_bytes[edge(rng)];
        } else if (k < 9) {
            text += text_pieces[piece(rng)];
        } else {
            text += static_cast<char>(any_byte(rng));
        }
    }
    return text;
}

// Whether every block scan finds the first control where a byte-at-a-time reading does.
::testing::AssertionResult block_scans_agree(const std::string& text, std::size_t want) {
    const std::pair<const char*, std::size_t (*)(std::string_view)> scans[] = {
        {"portable_blocks", control_scan::portable_blocks},
        {"vector_blocks", control_scan::vector_blocks},
        {"table_blocks", control_scan::table_blocks},
        {"wide_blocks", control_scan::wide_blocks},
        {"widest_blocks", control_scan::widest_blocks},
    };
    for (const auto& [name, scan] : scans) {
        const std::size_t got = scan(text);
        if (got != want) {
            return ::testing::AssertionFailure() << name << " gives " << got << ", not " << want
                                                 << ", for " << testing::PrintToString(text);
        }
    }
    return ::testing::AssertionSuccess();
}

// The block scanners, the escaper and a byte-at-a-time reading agree on random texts at
// every offset from the 16-, 32- and 64-byte block grids, and with plain text on either side.
TEST(EscapeTerminalControlsProperty, BlockScanAgreesWithCharacterReading) {
    std::mt19937 rng(61);  // fixed: a failure can be replayed
    std::uniform_int_distribution<std::size_t> tail_length(0, 40);
    for (int round = 0; round < 2000; ++round) {
        const std::string core = random_text(rng);
        const std::string tail(tail_length(rng), 'y');
        for (std::size_t lead = 0; lead <= 64; ++lead) {
            const std::string text = std::string(lead, 'x') + core + tail;
            const reference_result want = reference_escape(text);
            ASSERT_EQ(control_scan::bytewise(text), want.first_control)
                << testing::PrintToString(text);
            ASSERT_TRUE(block_scans_agree(text, want.first_control));
            std::string escaped = text;
            ASSERT_EQ(escape_terminal_controls(escaped), want.escaped)
                << testing::PrintToString(text);
        }
    }
}

// Texts of every length up to two blocks of 64 and a few bytes, plain ASCII but for one byte at
// each place in turn, alone or before a control that ends the text: short texts are passed over
// as a whole, longer ones as blocks with a last block that overlaps the one before, so each
// place is at each position of a block once, and the last bytes follow a block read a
// character at a time.
TEST(EscapeTerminalControlsProperty, OneByteAtEveryPlaceOfTextsOfEveryLength) {
    // Controls, DEL, a stray C1 byte, a byte that is neither, the kept tab, and leads that a
    // text's end or the plain byte after them leaves open.
    const std::string odd_bytes("\x01\x1f\x7f\x9b\xff\t\xc2\xe2\xf0", 9);
    for (std::size_t length = 1; length <= 140; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            for (const char odd : odd_bytes) {
                std::string text(length, 'a');
                text[at] = odd;
                ASSERT_TRUE(block_scans_agree(text, reference_escape(text).first_control));
                text += '\x7f';
                ASSERT_TRUE(block_scans_agree(text, reference_escape(text).first_control));
            }
        }
    }
}

// Where a block needs reading character by character (here for the stray A0 at its start, no
// control), the block scan takes over again at the first character start from the next block
// on. Every mix of four bytes from each class the rule tells apart stands there, at each offset
// around that point, so that no sequence left open, cut or malformed across the hand-over is
// missed.
TEST(EscapeTerminalControlsProperty, EveryFourByteMixWhereTheBlockScanResumes) {
    const std::string classes("x\x1b\x80\xa0\xc0\xc2\xc3\xe0\xe2\xed\xf0\xf4\xf5");
    const std::size_t n = classes.size();
    for (std::size_t mix = 0; mix < n * n * n * n; ++mix) {
        std::string window;
        for (std::size_t k = mix; window.size() < 4; k /= n) {
            window += classes[k % n];
        }
        // Every block width: 16, 32 and 64 bytes; and the same mixes ending texts shorter
        // than a block, or ending in the middle of one.
        for (const std::size_t shift :
             {12, 13, 14, 15, 16, 28, 29, 30, 31, 32, 60, 61, 62, 63, 64}) {
            const std::string text =
                "\xa0" + std::string(shift, 'x') + window + std::string(40, 'y');
            ASSERT_TRUE(block_scans_agree(text, reference_escape(text).first_control));
        }
        for (const std::size_t shift : {0, 12, 13, 28, 29, 41, 60, 61, 93}) {
            const std::string text = std::string(shift, 'x') + window;
            ASSERT_TRUE(block_scans_agree(text, reference_escape(text).first_control));
        }
    }
}

}  // namespace
