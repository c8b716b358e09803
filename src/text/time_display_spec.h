#pragma once
// The compiled form of the user's date and time templates ("-dateformat", "-timeformat") and
// the pair flag ("-pair_datetime"). It is compiled once, when the options are parsed, so the
// formatter writes every date of a report without looking at the template texts again.

#include <string>

#include "text/kq_types.h"

struct time_display_spec {
    // Bits of date_flags.
    static constexpr uint8 month_as_name = 0x01;     // "mmm"
    static constexpr uint8 month_as_number = 0x02;   // "mm"
    static constexpr uint8 year_four_digits = 0x04;  // "yyyy"
    static constexpr uint8 year_two_digits = 0x08;   // "yy"
    static constexpr uint8 has_comma = 0x10;
    static constexpr uint8 order_dmy = 0x20;
    static constexpr uint8 order_mdy = 0x40;
    static constexpr uint8 order_ymd = 0x80;
    // Bits of time_flags: bit 0 the pair flag, bits 1 to 4 the fraction digits (0 to 9).
    static constexpr uint8 pair_flag = 0x01;
    static constexpr uint8 fraction_digit_bits = 0x1E;
    static constexpr int fraction_digit_shift = 1;
    // time_flags & keep_without_fraction clears the fraction digits and keeps the pair flag.
    static constexpr uint8 keep_without_fraction = 0xE1;
    static constexpr unsigned max_fraction_digits = 9;
    static constexpr int16 default_min_year = 1900;
    static constexpr int16 default_max_year = 2600;

    // '/', '-' or ' ' when the template holds one, else the template's one other printable
    // character between its fields ("dd.mm.yyyy", "dd,mm,yyyy"), else 0.
    char separator = 0;
    uint8 date_flags = 0;
    uint8 time_flags = 0;
    uint8 spare = 0;
    int16 min_year = default_min_year;
    int16 max_year = default_max_year;
    uint32 spare_word = 0;

    // Rewrites every field from the two templates and the pair flag. False when the date
    // template names no month, year or day or puts them in none of the orders day-month-year,
    // month-day-year and year-month-day, or, holding no '/', '-' or blank, mixes separators
    // or holds a character that is no printable ASCII; the bits found so far then stay,
    // without an order.
    [[nodiscard]] bool parse(const std::string& date_template, const std::string& time_template,
                             bool pair);

    // Unset (a request for the default templates) when the first four fields are all zero.
    [[nodiscard]] bool is_unset() const;
    [[nodiscard]] unsigned fraction_digits() const;
};

// A "-dateformat" value as the tool takes it: accepted holds it with its field letters
// (d, m, y) lower-cased and every other character as typed. True when it is 8 or 10
// characters long ("yyyymmdd", "dd.mm.yyyy"), compiles, and is written exactly as typed:
// its three fields ("dd", "mm" or "mmm", "yy" or "yyyy") stand side by side or apart by one
// and the same printable ASCII character, nothing before or after them. The compile alone
// would take "dd,mm,yyyy" or "dd/mm-yyyy" and write one separator in place of the other or
// none at all.
[[nodiscard]] bool accept_date_template(const std::string& typed, std::string& accepted);

// "Jan" to "Dec" for 1 to 12; "" for any other value.
[[nodiscard]] std::string month_abbrev(unsigned month);

namespace kq {

// Accepts "hh:mm:ss"-like templates: 8 characters with ':' (length 8), or 12 to 18
// characters with ':' and ".xxx" (length = its length). length is 0 when refused.
[[nodiscard]] bool check_time_template(unsigned& length, const std::string& time_template);
[[nodiscard]] bool is_time_template(const std::string& time_template);

}  // namespace kq
