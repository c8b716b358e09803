#include "text/control_escape.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// SSSE3's byte shuffle serves as a table lookup, and AVX2 does the same on 32 bytes at once;
// most x86-64 processors have them, but not all, so they are asked of the processor at run
// time.
#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__)) && \
    (defined(__GNUC__) || defined(__clang__))
#define VELK_SSSE3_SCAN 1
#include <immintrin.h>
#endif

namespace {

constexpr unsigned char first_printable = 0x20;
constexpr unsigned char del = 0x7F;
constexpr unsigned char first_non_ascii = 0x80;
constexpr unsigned char last_c1 = 0x9F;
// The UTF-8 lead byte of U+0080 to U+00BF; its second byte is the code point itself.
constexpr unsigned char c1_lead = 0xC2;

constexpr unsigned char continuation_low = 0x80;
constexpr unsigned char continuation_high = 0xBF;

bool is_kept_control(unsigned char c) { return c == '\t' || c == '\n' || c == '\r'; }

bool in_range(unsigned char c, unsigned char low, unsigned char high) {
    return c >= low && c <= high;
}

// The second byte's range after a lead byte, per the table of well-formed UTF-8 byte
// sequences (Unicode, chapter 3): it excludes overlong forms, surrogates and code points
// past U+10FFFF. The other continuation bytes take 80 to BF. 0 when c leads no sequence.
std::size_t sequence_length(unsigned char lead, unsigned char& low, unsigned char& high) {
    low = continuation_low;
    high = continuation_high;
    if (in_range(lead, 0xC2, 0xDF)) {
        return 2;
    }
    if (in_range(lead, 0xE0, 0xEF)) {
        low = lead == 0xE0 ? 0xA0 : continuation_low;
        high = lead == 0xED ? 0x9F : continuation_high;
        return 3;
    }
    if (in_range(lead, 0xF0, 0xF4)) {
        low = lead == 0xF0 ? 0x90 : continuation_low;
        high = lead == 0xF4 ? 0x8F : continuation_high;
        return 4;
    }
    return 0;
}

// The length of the well-formed UTF-8 sequence starting at text[at], or 0 when none does.
std::size_t well_formed_at(std::string_view text, std::size_t at) {
    unsigned char low = 0;
    unsigned char high = 0;
    const std::size_t length = sequence_length(static_cast<unsigned char>(text[at]), low, high);
    if (length == 0 || length > text.size() - at) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(text[at + k]);
        if (!in_range(c, low, high)) {
            return 0;
        }
        low = continuation_low;
        high = continuation_high;
    }
    return length;
}

// What stands at text[at]: the number of bytes it spans and whether they are a control.
struct text_unit {
    std::size_t length = 1;
    bool control = false;
    bool c1_character = false;  // a well-formed U+0080 to U+009F
};

text_unit unit_at(std::string_view text, std::size_t at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c < first_printable) {
        return {1, !is_kept_control(c), false};
    }
    if (c < first_non_ascii) {
        return {1, c == del, false};
    }
    const std::size_t length = well_formed_at(text, at);
    if (length == 0) {
        return {1, c <= last_c1, false};
    }
    const bool c1 = c == c1_lead && static_cast<unsigned char>(text[at + 1]) <= last_c1;
    return {length, c1, c1};
}

constexpr std::size_t npos = std::string_view::npos;

// Where the first control of text stands; npos when there is none. Printable ASCII is
// passed over without decoding.
std::size_t first_control_bytewise(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c >= first_printable && c < del) {
            ++at;
            continue;
        }
        const text_unit unit = unit_at(text, at);
        if (unit.control) {
            return at;
        }
        at += unit.length;
    }
    return npos;
}

// The block scanners below rest on one property of reading text a character at a time: a
// character starts at every byte that is no continuation byte (0x80 to 0xBF), because only a
// lead byte's well-formed sequence takes continuation bytes in. So a reading may start again
// at any such byte, and a continuation byte belongs to a well-formed sequence only when the
// nearest byte before it that is not a continuation leads one that covers it.
bool is_continuation(unsigned char c) { return in_range(c, continuation_low, continuation_high); }

constexpr std::size_t longest_sequence = 4;

// A character start at or at most three bytes before at: the last byte before at that is no
// continuation byte, else at itself (three continuation bytes before it end any sequence).
std::size_t character_start_before(std::string_view text, std::size_t at) {
    const std::size_t floor = at >= longest_sequence - 1 ? at - (longest_sequence - 1) : 0;
    for (std::size_t k = at; k > floor; --k) {
        if (!is_continuation(static_cast<unsigned char>(text[k - 1]))) {
            return k - 1;
        }
    }
    return at;
}

struct character_scan {
    std::size_t control = npos;  // where the first control starts
    std::size_t resume = 0;      // where the block scan may take over again
};

// Reads the characters of text from at, a character start, up to the first control, or else
// up to the first character start at or past target whose three bytes before belong to ASCII
// or well-formed characters: no sequence opened before it then reaches into the bytes after
// it, and its lead bytes are whole characters, which the block check takes for granted.
character_scan scan_characters(std::string_view text, std::size_t at, std::size_t target) {
    std::size_t settled = 0;  // bytes of whole, well-formed characters just before at
    while (at < text.size()) {
        if (settled >= longest_sequence - 1 && at >= target) {
            return {npos, at};
        }
        const auto c = static_cast<unsigned char>(text[at]);
        if (c >= first_printable && c < del) {
            ++at;
            ++settled;
            continue;
        }
        const text_unit unit = unit_at(text, at);
        if (unit.control) {
            return {at, at};
        }
        settled = unit.length > 1 || c < first_non_ascii ? settled + unit.length : 0;
        at += unit.length;
    }
    return {npos, at};
}

constexpr std::size_t block_size = 16;

// A text shorter than a block is checked as one block: three zeros stand before it, as at any
// text's start, and blanks after it, where a sequence still open stands out as suspect.
template <typename block_check>
[[gnu::always_inline]] inline std::size_t first_control_in_short(std::string_view text) {
    if (text.empty()) {
        return npos;
    }
    constexpr std::size_t reach = longest_sequence - 1;
    std::array<char, reach + block_check::width> padded{};
    std::fill(padded.begin() + reach, padded.end(), ' ');
    std::memcpy(&padded[reach], text.data(), text.size());
    if (block_check::check(std::string_view(padded.data(), padded.size()), reach)) {
        return npos;
    }
    return scan_characters(text, 0, text.size()).control;
}

// A block check looks at each byte together with the three before it, the longest reach of
// a sequence. A byte is suspect when it is an ASCII control or DEL; a continuation byte where
// no lead byte one to three bytes before expects one (a lead of two bytes or more just before,
// of three or four two bytes before, of four three bytes before), or another byte where one
// does; a second byte out of its lead's range (overlong forms, surrogates, code points past
// U+10FFFF) or the second byte of a C1 character (C2 80 to C2 9F); any byte after C0, C1 or
// F5 to FF, which lead nothing. A lead expected to be followed on is checked byte by byte
// there, so a run of blocks with no suspect byte holds only characters that are no controls,
// but for a sequence left open at its end, which the next block's check, or the final reading
// that starts at its lead, completes. Suspect bytes are not all controls (a Latin-1 letter
// before a blank is kept): such a block is read a character at a time. The printable ASCII
// that most values begin with, or are made of, is passed over first with a lighter test; not
// later, where in text of mixed scripts that test would fail about as often as it passed, and
// a branch that cannot be foretold costs more than the full check.
// Always inlined: the SSSE3 instance must be compiled inside a function built for SSSE3.
template <typename block_check>
[[gnu::always_inline]] inline std::size_t first_control_in_blocks(std::string_view text) {
    constexpr std::size_t width = block_check::width;
    if (text.size() < width) {
        return first_control_in_short<block_check>(text);
    }
    std::size_t at = block_check::skip_printable_ascii(text, 0);
    while (text.size() - at >= width) {
        if (block_check::check(text, at)) {
            at += block_check::width;
            continue;
        }
        const character_scan scan =
            scan_characters(text, character_start_before(text, at), at + block_check::width);
        if (scan.control != npos) {
            return scan.control;
        }
        at = scan.resume;
    }
    // The last bytes are checked as the block that ends the text, over bytes already checked;
    // only a sequence still open at the very end is then read a character at a time. A block
    // has the three bytes before it read too: one starting one or two bytes into the text
    // would reach before it.
    const std::size_t last = text.size() - width;
    const bool last_block_fits = last == 0 || last >= longest_sequence - 1;
    const std::size_t from = at > last && last_block_fits && block_check::check(text, last)
                                 ? character_start_before(text, text.size())
                                 : character_start_before(text, at);
    return scan_characters(text, from, text.size()).control;
}

constexpr unsigned char two_byte_low = 0xC0;  // C0 and C1 are taken as leads, then refused
constexpr unsigned char three_byte_low = 0xE0;
constexpr unsigned char four_byte_low = 0xF0;
constexpr unsigned char overlong_three = 0xE0;  // second byte A0 to BF
constexpr unsigned char surrogate_lead = 0xED;  // second byte 80 to 9F
constexpr unsigned char overlong_four = 0xF0;   // second byte 90 to BF
constexpr unsigned char past_unicode = 0xF4;    // second byte 80 to 8F
constexpr unsigned char first_no_lead = 0xF5;
constexpr unsigned char overlong_two_mask = 0xFE;  // C0 and C1
constexpr unsigned char second_low_high = 0x9F;    // the top of 80 to 9F
constexpr unsigned char second_four_high = 0x8F;

// One byte's suspicion, as described above, from the byte and the three before it.
bool suspect_byte(unsigned char c, unsigned char p1, unsigned char p2, unsigned char p3) {
    const bool expected = p1 >= two_byte_low || p2 >= three_byte_low || p3 >= four_byte_low;
    if (expected != is_continuation(c)) {
        return true;
    }
    if ((c < first_printable && !is_kept_control(c)) || c == del) {
        return true;
    }
    const bool low = c <= second_low_high;
    const bool four_low = c <= second_four_high;
    return ((p1 == c1_lead || p1 == overlong_three) && low) || (p1 == surrogate_lead && !low) ||
           (p1 == overlong_four && four_low) || (p1 == past_unicode && !four_low) ||
           (p1 & overlong_two_mask) == two_byte_low || p1 >= first_no_lead;
}

unsigned char byte_before(std::string_view text, std::size_t at, std::size_t back) {
    return at >= back ? static_cast<unsigned char>(text[at - back]) : 0;
}

// Plain C++: printable ASCII a word at a time, any other block byte by byte.
struct portable_block_check {
    static constexpr std::size_t width = block_size;
    // False when the eight bytes may hold a byte 0x80 or above, a control or DEL.
    static bool printable_ascii_word(std::uint64_t w) {
        constexpr std::uint64_t ones = 0x0101010101010101U;
        constexpr std::uint64_t highs = 0x8080808080808080U;
        const std::uint64_t below_space = (w - ones * first_printable) & ~w & highs;
        const std::uint64_t x = w ^ (ones * del);
        const std::uint64_t has_del = (x - ones) & ~x & highs;
        return ((w & highs) | below_space | has_del) == 0;
    }

    static std::size_t skip_printable_ascii(std::string_view text, std::size_t at) {
        std::uint64_t words[2] = {0, 0};
        while (text.size() - at >= block_size) {
            std::memcpy(words, &text[at], block_size);
            if (!printable_ascii_word(words[0]) || !printable_ascii_word(words[1])) {
                break;
            }
            at += block_size;
        }
        return at;
    }

    static bool check(std::string_view text, std::size_t at) {
        bool suspect = false;
        for (std::size_t k = at; k < at + block_size; ++k) {
            suspect = suspect_byte(static_cast<unsigned char>(text[k]), byte_before(text, k, 1),
                                   byte_before(text, k, 2), byte_before(text, k, 3)) ||
                      suspect;
        }
        return !suspect;
    }
};

#if defined(__SSE2__)
// SSE2, part of every x86-64: the same checks on sixteen bytes at once. SSE2 compares bytes
// as signed numbers: a bound from 0x80 up is met by bytes 0x80 and above alone, and other
// unsigned bounds go through the unsigned minimum and maximum.
struct sse2_block_check {
    static constexpr std::size_t width = block_size;
    static __m128i splat(unsigned char c) { return _mm_set1_epi8(static_cast<char>(c)); }
    static __m128i equal(__m128i x, unsigned char c) { return _mm_cmpeq_epi8(x, splat(c)); }
    // Bytes from 0x80 up to c - 1, for c above 0x80.
    static __m128i high_below(__m128i x, unsigned char c) { return _mm_cmplt_epi8(x, splat(c)); }
    static __m128i at_most(__m128i x, unsigned char c) {
        return _mm_cmpeq_epi8(_mm_min_epu8(x, splat(c)), x);
    }
    static __m128i at_least(__m128i x, unsigned char c) {
        return _mm_cmpeq_epi8(_mm_max_epu8(x, splat(c)), x);
    }
    static __m128i load(std::string_view text, std::size_t at) {
        __m128i v;
        std::memcpy(&v, &text[at], sizeof v);
        return v;
    }
    // Bytes 0x80 and above, controls and DEL: signed, 0x80 and above are below a blank.
    static __m128i not_printable_ascii(__m128i c) {
        return _mm_or_si128(_mm_cmplt_epi8(c, splat(first_printable)), equal(c, del));
    }

    static bool printable_ascii_block(std::string_view text, std::size_t at) {
        return _mm_movemask_epi8(not_printable_ascii(load(text, at))) == 0;
    }

    // Text that is not ASCII alone costs one test per block here; a run of ASCII is then
    // passed over four blocks at a time.
    static std::size_t skip_printable_ascii(std::string_view text, std::size_t at) {
        if (text.size() - at < block_size || !printable_ascii_block(text, at)) {
            return at;
        }
        at += block_size;
        constexpr std::size_t stride = 4 * block_size;
        while (text.size() - at >= stride) {
            const __m128i a = _mm_or_si128(not_printable_ascii(load(text, at)),
                                           not_printable_ascii(load(text, at + block_size)));
            const __m128i b = _mm_or_si128(not_printable_ascii(load(text, at + 2 * block_size)),
                                           not_printable_ascii(load(text, at + 3 * block_size)));
            if (_mm_movemask_epi8(_mm_or_si128(a, b)) != 0) {
                break;
            }
            at += stride;
        }
        while (text.size() - at >= block_size && printable_ascii_block(text, at)) {
            at += block_size;
        }
        return at;
    }

    static __m128i controls(__m128i c) {
        const __m128i c0 = at_most(c, first_printable - 1);
        const __m128i dels = equal(c, del);
        if (_mm_movemask_epi8(c0) == 0) {
            return dels;
        }
        const __m128i kept =
            _mm_or_si128(_mm_or_si128(equal(c, '\t'), equal(c, '\n')), equal(c, '\r'));
        return _mm_or_si128(_mm_andnot_si128(kept, c0), dels);
    }

    static __m128i bad_second(__m128i c, __m128i p1) {
        const __m128i low = high_below(c, second_low_high + 1);
        const __m128i four_low = high_below(c, second_four_high + 1);
        const __m128i low_bad =
            _mm_and_si128(_mm_or_si128(equal(p1, c1_lead), equal(p1, overlong_three)), low);
        const __m128i high_bad = _mm_andnot_si128(low, equal(p1, surrogate_lead));
        const __m128i four_bad = _mm_or_si128(_mm_and_si128(equal(p1, overlong_four), four_low),
                                              _mm_andnot_si128(four_low, equal(p1, past_unicode)));
        const __m128i no_lead =
            _mm_or_si128(equal(_mm_and_si128(p1, splat(overlong_two_mask)), two_byte_low),
                         at_least(p1, first_no_lead));
        return _mm_or_si128(_mm_or_si128(low_bad, high_bad), _mm_or_si128(four_bad, no_lead));
    }

    static bool check(std::string_view text, std::size_t at) {
        const __m128i c = load(text, at);
        // The first block has nothing before it: zeros stand for it, as text would.
        const __m128i p1 = at == 0 ? _mm_slli_si128(c, 1) : load(text, at - 1);
        const __m128i p2 = at == 0 ? _mm_slli_si128(c, 2) : load(text, at - 2);
        const __m128i p3 = at == 0 ? _mm_slli_si128(c, 3) : load(text, at - 3);
        const __m128i expected =
            _mm_or_si128(at_least(p1, two_byte_low),
                         _mm_or_si128(at_least(p2, three_byte_low), at_least(p3, four_byte_low)));
        const __m128i out_of_sequence =
            _mm_xor_si128(expected, high_below(c, continuation_high + 1));
        const __m128i suspect =
            _mm_or_si128(_mm_or_si128(out_of_sequence, bad_second(c, p1)), controls(c));
        return _mm_movemask_epi8(suspect) == 0;
    }
};
using vector_block_check = sse2_block_check;
#else
using vector_block_check = portable_block_check;
#endif

#if defined(VELK_SSSE3_SCAN)
// Whether every byte of text, shorter than 32 bytes, is printable ASCII (0x20 to 0x7E). Most
// short values (times, ids, names) are, and are then done with here in a few instructions, as
// two overlapping pieces of 16, 8 or 4 bytes, or byte by byte below that. One added to a byte
// leaves printable ASCII at 0x21 to 0x7F and takes every other byte, read signed, below 0x21.
bool printable_ascii_short(std::string_view text) {
    const std::size_t size = text.size();
    const auto not_printable = [](__m128i x) {
        return _mm_cmplt_epi8(_mm_add_epi8(x, _mm_set1_epi8(1)),
                              _mm_set1_epi8(first_printable + 1));
    };
    constexpr std::size_t half = 16;
    constexpr std::size_t quarter = 8;
    constexpr std::size_t eighth = 4;
    if (size >= half) {
        __m128i low;
        __m128i high;
        std::memcpy(&low, text.data(), half);
        std::memcpy(&high, text.data() + (size - half), half);
        return _mm_movemask_epi8(_mm_or_si128(not_printable(low), not_printable(high))) == 0;
    }
    if (size >= eighth) {
        // Two pieces of 8 bytes, or of 4 bytes standing twice, fill one register.
        const std::size_t piece = size >= quarter ? quarter : eighth;
        std::uint64_t low = 0;
        std::uint64_t high = 0;
        std::memcpy(&low, text.data(), piece);
        std::memcpy(&high, text.data() + (size - piece), piece);
        if (piece == eighth) {
            low |= low << (eighth * 8);
            high |= high << (eighth * 8);
        }
        const __m128i both =
            _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
        return _mm_movemask_epi8(not_printable(both)) == 0;
    }
    return std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) >= first_printable &&
               static_cast<unsigned char>(c) < del;
    });
}

// With SSSE3 the check of each byte against the one before it is three table lookups, after
// the validation of UTF-8 by Keiser and Lemire ("Validating UTF-8 In Less Than One Instruction
// Per Byte", 2021): one table each for the high and the low four bits of the byte before and
// for the high four bits of the byte itself; every kind of fault has a bit, set where the three
// agree. A continuation byte that a lead two or three bytes before expects is the fault
// "two continuation bytes" undone. Its faults are the suspect bytes above but for a lead
// followed by no continuation, which is suspect here at once rather than at the block's end,
// and for C0 and C1 followed by A0 to BF: neither byte is a control, nor does either lead
// anything, so the reading one character at a time is not needed there. That frees the bit of
// those overlong forms for the C1 characters: C0, C1 or C2 followed by 80 to 9F.
// The ASCII controls take one more lookup, by the low four bits of the byte itself (a byte from
// 0x80 up looks up zero), joined to the lookups of the byte before and then masked by the one
// of its high four bits, which holds a bit of its own for the rows 0x00, 0x10 and 0x7F. Those
// bits are kinds of fault that only a lead before the byte can set, and a lead before ASCII
// is a fault already.
struct byte_tables {
    static constexpr unsigned char too_short = 1U << 0U;   // a lead or ASCII, then a lead or ASCII
    static constexpr unsigned char too_long = 1U << 1U;    // ASCII, then a continuation
    static constexpr unsigned char overlong_3 = 1U << 2U;  // E0 80 to E0 9F
    static constexpr unsigned char too_large = 1U << 3U;   // F4 90 and up, F5 to FF
    static constexpr unsigned char surrogate = 1U << 4U;   // ED A0 to ED BF
    static constexpr unsigned char c1_or_overlong_2 = 1U << 5U;  // C0 to C2, then 80 to 9F
    static constexpr unsigned char too_large_1000 = 1U << 6U;    // F5 to FF, then 80 to 8F
    static constexpr unsigned char overlong_4 = 1U << 6U;        // F0 80 to F0 8F
    static constexpr unsigned char two_conts = 1U << 7U;         // a continuation after another
    static constexpr unsigned char carry = too_short | too_long | two_conts;

    // Indexed by four bits of a byte; rows of four.
    // clang-format off
    static constexpr unsigned char first_high[16] = {
        too_long, too_long, too_long, too_long,
        too_long, too_long, too_long, too_long,
        two_conts, two_conts, two_conts, two_conts,
        too_short | c1_or_overlong_2, too_short, too_short | overlong_3 | surrogate,
        too_short | too_large | too_large_1000 | overlong_4};
    static constexpr unsigned char large = carry | too_large | too_large_1000;
    static constexpr unsigned char first_low[16] = {
        carry | overlong_3 | c1_or_overlong_2 | overlong_4, carry | c1_or_overlong_2,
        carry | c1_or_overlong_2, carry,
        carry | too_large, large, large, large,
        large, large, large, large,
        large, large | surrogate, large, large};
    static constexpr unsigned char continuation = too_long | two_conts;
    static constexpr unsigned char from_00 = overlong_3;  // 0x00 to 0x0F but tab, LF and CR
    static constexpr unsigned char from_10 = too_large;   // 0x10 to 0x1F
    static constexpr unsigned char del_bit = surrogate;   // 0x7F
    static constexpr unsigned char second_high[16] = {
        too_short | from_00, too_short | from_10, too_short, too_short,
        too_short, too_short, too_short, too_short | del_bit,
        continuation | c1_or_overlong_2 | overlong_3 | too_large_1000 | overlong_4,
        continuation | c1_or_overlong_2 | overlong_3 | too_large,
        continuation | surrogate | too_large, continuation | surrogate | too_large,
        too_short, too_short, too_short, too_short};

    static constexpr unsigned char c0 = from_00 | from_10;
    static constexpr unsigned char control_low[16] = {
        c0, c0, c0, c0,
        c0, c0, c0, c0,
        c0, from_10, from_10, c0,
        c0, from_10, c0, c0 | del_bit};

    // A sequence still open at a block's end: a lead of two bytes or more in its last byte, of
    // three or four in the one before, of four in the third last. Subtracted with saturation
    // from the block, these leave a byte above zero only there.
    static constexpr unsigned char open_limits[32] = {
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, four_byte_low - 1, three_byte_low - 1, two_byte_low - 1};
    // clang-format on
};

// The block checks below are true when the block at bytes, whose three bytes before must be
// there to read, holds no suspect byte.
struct ssse3_block_kernel {
    using vec = __m128i;
    using tables = byte_tables;
    static constexpr std::size_t width = block_size;

    static vec splat(unsigned char c) { return _mm_set1_epi8(static_cast<char>(c)); }
    static vec load(const void* bytes) {
        vec v;
        std::memcpy(&v, bytes, sizeof v);
        return v;
    }
    static bool clean(vec suspect) {
        constexpr int every_byte = 0xFFFF;
        return _mm_movemask_epi8(_mm_cmpeq_epi8(suspect, _mm_setzero_si128())) == every_byte;
    }
    static bool open_at_end(const char* bytes) {
        return !clean(_mm_subs_epu8(load(bytes), load(&tables::open_limits[width])));
    }
    static vec high_nibbles(vec x) {
        constexpr int nibble_bits = 4;
        return _mm_and_si128(_mm_srli_epi16(x, nibble_bits), splat(0x0F));
    }
    [[gnu::target("ssse3")]] static vec lookup(const unsigned char (&table)[16], vec nibbles) {
        return _mm_shuffle_epi8(load(table), nibbles);
    }

    [[gnu::target("ssse3")]] static bool check(const char* bytes) {
        return clean(suspect_of(load(bytes), load(bytes - 1), load(bytes - 2), load(bytes - 3)));
    }
    // The first block of a text, with zeros before it.
    [[gnu::target("ssse3")]] static bool check_first(const char* bytes) {
        const vec block = load(bytes);
        return clean(suspect_of(block, _mm_slli_si128(block, 1), _mm_slli_si128(block, 2),
                                _mm_slli_si128(block, 3)));
    }

    // p1 to p3 hold the bytes one to three places before those of block.
    [[gnu::target("ssse3")]] static vec suspect_of(vec block, vec p1, vec p2, vec p3) {
        const vec before = _mm_and_si128(lookup(tables::first_high, high_nibbles(p1)),
                                         lookup(tables::first_low, _mm_and_si128(p1, splat(0x0F))));
        const vec faults = _mm_and_si128(_mm_or_si128(before, lookup(tables::control_low, block)),
                                         lookup(tables::second_high, high_nibbles(block)));
        // High bit set where a lead of three or four bytes stands two bytes before, or one of
        // four three bytes before.
        const vec expected =
            _mm_or_si128(_mm_subs_epu8(p2, splat(three_byte_low - continuation_low)),
                         _mm_subs_epu8(p3, splat(four_byte_low - continuation_low)));
        return _mm_xor_si128(faults, _mm_and_si128(expected, splat(continuation_low)));
    }
};

// AVX2: the SSSE3 check on 32 bytes at once; its byte shuffle looks up within each half of
// the register, so the tables stand in both halves.
struct avx2_block_kernel {
    using vec = __m256i;
    using tables = byte_tables;
    static constexpr std::size_t width = 2 * block_size;

    [[gnu::target("avx2")]] static vec splat(unsigned char c) {
        return _mm256_set1_epi8(static_cast<char>(c));
    }
    [[gnu::target("avx2")]] static vec load(const void* bytes) {
        vec v;
        std::memcpy(&v, bytes, sizeof v);
        return v;
    }
    [[gnu::target("avx2")]] static bool clean(vec suspect) {
        return _mm256_testz_si256(suspect, suspect) != 0;
    }
    [[gnu::target("avx2")]] static bool open_at_end(const char* bytes) {
        return !clean(_mm256_subs_epu8(load(bytes), load(tables::open_limits)));
    }
    [[gnu::target("avx2")]] static vec high_nibbles(vec x) {
        constexpr int nibble_bits = 4;
        return _mm256_and_si256(_mm256_srli_epi16(x, nibble_bits), splat(0x0F));
    }
    [[gnu::target("avx2")]] static vec lookup(const unsigned char (&table)[16], vec nibbles) {
        __m128i t;
        std::memcpy(&t, table, sizeof t);
        return _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(t), nibbles);
    }

    [[gnu::target("avx2")]] static bool check(const char* bytes) {
        return clean(suspect_of(load(bytes), load(bytes - 1), load(bytes - 2), load(bytes - 3)));
    }
    // The first block of a text, with zeros before it: each half shifted in turn from the
    // lower half of the block or from zeros.
    [[gnu::target("avx2")]] static bool check_first(const char* bytes) {
        constexpr int zeros_then_lower_half = 0x08;
        const vec block = load(bytes);
        const vec before = _mm256_permute2x128_si256(block, block, zeros_then_lower_half);
        return clean(suspect_of(block, _mm256_alignr_epi8(block, before, block_size - 1),
                                _mm256_alignr_epi8(block, before, block_size - 2),
                                _mm256_alignr_epi8(block, before, block_size - 3)));
    }

    [[gnu::target("avx2")]] static vec suspect_of(vec block, vec p1, vec p2, vec p3) {
        const vec before =
            _mm256_and_si256(lookup(tables::first_high, high_nibbles(p1)),
                             lookup(tables::first_low, _mm256_and_si256(p1, splat(0x0F))));
        const vec faults =
            _mm256_and_si256(_mm256_or_si256(before, lookup(tables::control_low, block)),
                             lookup(tables::second_high, high_nibbles(block)));
        const vec expected =
            _mm256_or_si256(_mm256_subs_epu8(p2, splat(three_byte_low - continuation_low)),
                            _mm256_subs_epu8(p3, splat(four_byte_low - continuation_low)));
        return _mm256_xor_si256(faults, _mm256_and_si256(expected, splat(continuation_low)));
    }
};

// AVX-512: the same on 64 bytes at once, each three of the logical operations on bytes in one.
struct avx512_block_kernel {
    using vec = __m512i;
    using tables = byte_tables;
    static constexpr std::size_t width = 4 * block_size;
    // A three-way operation is given by its truth table: the result on the bit patterns that
    // stand for its operands.
    static constexpr int operand_a = 0xF0;
    static constexpr int operand_b = 0xCC;
    static constexpr int operand_c = 0xAA;
    static constexpr int a_or_b_and_c = (operand_a | operand_b) & operand_c;
    // The forms without a mask leave GCC taking their unused source for uninitialised.
    static constexpr __mmask16 every_word = 0xFFFF;

    [[gnu::target("avx512f,avx512bw")]] static vec splat(unsigned char c) {
        return _mm512_set1_epi8(static_cast<char>(c));
    }
    [[gnu::target("avx512f,avx512bw")]] static vec load(const void* bytes) {
        vec v;
        std::memcpy(&v, bytes, sizeof v);
        return v;
    }
    [[gnu::target("avx512f,avx512bw")]] static vec high_nibbles(vec x) {
        constexpr unsigned nibble_bits = 4;
        return _mm512_and_si512(_mm512_srli_epi16(x, nibble_bits), splat(0x0F));
    }
    [[gnu::target("avx512f,avx512bw")]] static vec lookup(const unsigned char (&table)[16],
                                                          vec nibbles) {
        __m128i t;
        std::memcpy(&t, table, sizeof t);
        return _mm512_shuffle_epi8(_mm512_maskz_broadcast_i32x4(every_word, t), nibbles);
    }
    // Only the last three bytes of a block count, which the AVX2 test sees in its last 32.
    [[gnu::target("avx512f,avx512bw")]] static bool open_at_end(const char* bytes) {
        return avx2_block_kernel::open_at_end(bytes + width / 2);
    }

    [[gnu::target("avx512f,avx512bw")]] static bool check(const char* bytes) {
        return clean(load(bytes), load(bytes - 1), load(bytes - 2), load(bytes - 3));
    }
    // The first block of a text, with zeros before it: each quarter shifted in turn from the
    // quarter below it or from zeros.
    [[gnu::target("avx512f,avx512bw")]] static bool check_first(const char* bytes) {
        constexpr int quarter_in_words = 12;
        const vec block = load(bytes);
        const vec before =
            _mm512_maskz_alignr_epi32(every_word, block, _mm512_setzero_si512(), quarter_in_words);
        return clean(block, _mm512_alignr_epi8(block, before, block_size - 1),
                     _mm512_alignr_epi8(block, before, block_size - 2),
                     _mm512_alignr_epi8(block, before, block_size - 3));
    }

    [[gnu::target("avx512f,avx512bw")]] static bool clean(vec block, vec p1, vec p2, vec p3) {
        const vec before =
            _mm512_and_si512(lookup(tables::first_high, high_nibbles(p1)),
                             lookup(tables::first_low, _mm512_and_si512(p1, splat(0x0F))));
        const vec faults = _mm512_ternarylogic_epi32(
            before, lookup(tables::control_low, block),
            lookup(tables::second_high, high_nibbles(block)), a_or_b_and_c);
        const vec expected = _mm512_ternarylogic_epi32(
            _mm512_subs_epu8(p2, splat(three_byte_low - continuation_low)),
            _mm512_subs_epu8(p3, splat(four_byte_low - continuation_low)), splat(continuation_low),
            a_or_b_and_c);
        const vec suspect = _mm512_xor_si512(faults, expected);
        return _mm512_test_epi8_mask(suspect, suspect) == 0;
    }
};

// A text shorter than a block: printable ASCII at once, else checked as one block with zeros
// before it and blanks after it, where a sequence still open stands out as suspect.
template <typename kernel>
[[gnu::always_inline]] inline std::size_t first_control_in_short_text(std::string_view text) {
    if (printable_ascii_short(text)) {
        return npos;
    }
    std::array<char, kernel::width> padded;
    padded.fill(' ');
    std::memcpy(padded.data(), text.data(), text.size());
    if (kernel::check_first(padded.data())) {
        return npos;
    }
    return scan_characters(text, 0, text.size()).control;
}

// The bytes from at to the end, fewer than a block, those before at checked. The last block
// is checked again over bytes already checked; only a sequence still open at the very end is
// then read a character at a time.
template <typename kernel>
[[gnu::always_inline]] inline std::size_t first_control_at_end(std::string_view text,
                                                               std::size_t at) {
    const std::size_t last = text.size() - kernel::width;
    std::size_t from = character_start_before(text, at);
    if (at < text.size()) {
        // A last block starting less than three bytes into the text leaves fewer than three
        // bytes after at: they are read as they are.
        if (last < longest_sequence - 1 || !kernel::check(text.data() + last)) {
            return scan_characters(text, from, text.size()).control;
        }
        from = character_start_before(text, text.size());
    }
    if (!kernel::open_at_end(text.data() + last)) {
        return npos;
    }
    return scan_characters(text, from, text.size()).control;
}

// As first_control_in_blocks: a block that may hold a control is read a character at a time,
// and the block scan takes over again after it. The first block reads zeros before it.
// Always inlined: each instance must be compiled inside a function built for its instructions.
// For a text of a block or longer.
template <typename kernel>
[[gnu::always_inline]] inline std::size_t first_control_streamed(std::string_view text) {
    constexpr std::size_t width = kernel::width;
    bool suspect = !kernel::check_first(text.data());
    std::size_t at = 0;
    for (;;) {
        if (suspect) {
            const character_scan scan =
                scan_characters(text, character_start_before(text, at), at + width);
            if (scan.control != npos || scan.resume == text.size()) {
                return scan.control;
            }
            at = scan.resume;
        } else {
            at += width;
        }
        if (text.size() - at < width) {
            return first_control_at_end<kernel>(text, at);
        }
        suspect = !kernel::check(text.data() + at);
    }
}

[[gnu::target("ssse3")]] std::size_t first_control_ssse3(std::string_view text) {
    if (text.size() < ssse3_block_kernel::width) {
        return first_control_in_short_text<ssse3_block_kernel>(text);
    }
    return first_control_streamed<ssse3_block_kernel>(text);
}

[[gnu::target("avx2")]] std::size_t first_control_avx2(std::string_view text) {
    if (text.size() < avx2_block_kernel::width) {
        return first_control_in_short_text<avx2_block_kernel>(text);
    }
    return first_control_streamed<avx2_block_kernel>(text);
}

// A text shorter than 64 bytes is read as with AVX2.
[[gnu::target("avx512f,avx512bw")]] std::size_t first_control_avx512(std::string_view text) {
    if (text.size() < avx2_block_kernel::width) {
        return first_control_in_short_text<avx2_block_kernel>(text);
    }
    if (text.size() < avx512_block_kernel::width) {
        return first_control_streamed<avx2_block_kernel>(text);
    }
    return first_control_streamed<avx512_block_kernel>(text);
}

bool has_ssse3() {
    static const bool present = __builtin_cpu_supports("ssse3") != 0;
    return present;
}

bool has_avx2() {
    static const bool present = __builtin_cpu_supports("avx2") != 0;
    return present;
}

bool has_avx512() {
    static const bool present =
        __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0;
    return present;
}
#endif

using scan_function = std::size_t (*)(std::string_view);

// The scan the processor allows, chosen at the first call; the ones after it go straight to
// it, as every value of a report does.
std::size_t choose_and_scan(std::string_view text);
std::atomic<scan_function> fastest_scan{choose_and_scan};

std::size_t choose_and_scan(std::string_view text) {
    scan_function chosen = control_scan::vector_blocks;
#if defined(VELK_SSSE3_SCAN)
    if (has_avx512()) {
        chosen = first_control_avx512;
    } else if (has_avx2()) {
        chosen = first_control_avx2;
    } else if (has_ssse3()) {
        chosen = first_control_ssse3;
    }
#endif
    fastest_scan.store(chosen, std::memory_order_relaxed);
    return chosen(text);
}

void append_escape(std::string& out, const char* prefix, unsigned char value) {
    constexpr const char* digits = "0123456789abcdef";
    constexpr unsigned nibble_bits = 4;
    constexpr unsigned char nibble_mask = 0x0F;
    out += prefix;
    out += digits[value >> nibble_bits];
    out += digits[value & nibble_mask];
}

}  // namespace

bool has_terminal_controls(std::string_view text) { return control_scan::fastest(text) != npos; }

std::string& escape_terminal_controls(std::string& text) {
    const std::string_view view(text);
    std::size_t at = control_scan::fastest(view);
    if (at == npos) {
        return text;
    }
    // Each control grows by at most five bytes; most values hold a few.
    constexpr std::size_t room_for_a_few = 32;
    std::string escaped;
    escaped.reserve(text.size() + room_for_a_few);
    std::size_t done = 0;
    while (at != npos) {
        escaped.append(view.substr(done, at - done));
        const text_unit unit = unit_at(view, at);
        if (unit.c1_character) {
            append_escape(escaped, "\\u00", static_cast<unsigned char>(view[at + 1]));
        } else {
            append_escape(escaped, "\\x", static_cast<unsigned char>(view[at]));
        }
        done = at + unit.length;
        // A character starts after a control, so the search may start there afresh.
        const std::size_t next = control_scan::fastest(view.substr(done));
        at = next == npos ? npos : done + next;
    }
    escaped.append(view.substr(done));
    text = std::move(escaped);
    return text;
}

namespace control_scan {

std::size_t bytewise(std::string_view text) { return first_control_bytewise(text); }

std::size_t portable_blocks(std::string_view text) {
    return first_control_in_blocks<portable_block_check>(text);
}

std::size_t vector_blocks(std::string_view text) {
    return first_control_in_blocks<vector_block_check>(text);
}

std::size_t table_blocks(std::string_view text) {
#if defined(VELK_SSSE3_SCAN)
    if (has_ssse3()) {
        return first_control_ssse3(text);
    }
#endif
    return vector_blocks(text);
}

std::size_t wide_blocks(std::string_view text) {
#if defined(VELK_SSSE3_SCAN)
    if (has_avx2()) {
        return first_control_avx2(text);
    }
#endif
    return table_blocks(text);
}

std::size_t widest_blocks(std::string_view text) {
#if defined(VELK_SSSE3_SCAN)
    if (has_avx512()) {
        return first_control_avx512(text);
    }
#endif
    return wide_blocks(text);
}

std::size_t fastest(std::string_view text) {
    return fastest_scan.load(std::memory_order_relaxed)(text);
}

}  // namespace control_scan
