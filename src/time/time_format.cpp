// The compiled-spec formatter and the template interpreter.

#include "time/time_format.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <iomanip>

#include "text/time_display_spec.h"

namespace kq {

const std::array<std::string, 12> month_names = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const std::array<std::string, 7> day_names = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

namespace {

using spec_bits = time_display_spec;

constexpr unsigned most_fraction_digits = 9;

// Decimal, right-aligned, zero-padded to at least `width` characters (a minus sign
// counts), as "%0*lld" writes it: a negative width pads with blanks on the right instead.
// Without printf: a report formats two times per row, and the format parser was most of it.
void append_padded(std::string& out, int64 value, int width) {
    const bool negative = value < 0;
    const uint64 magnitude = negative ? 0 - static_cast<uint64>(value) : static_cast<uint64>(value);
    std::array<char, 24> digits{};
    const auto count = static_cast<int>(
        std::to_chars(digits.data(), digits.data() + digits.size(), magnitude).ptr - digits.data());
    const int length = count + (negative ? 1 : 0);
    if (negative) {
        out += '-';
    }
    if (width > length) {
        out.append(static_cast<std::size_t>(width - length), '0');
    }
    out.append(digits.data(), static_cast<std::size_t>(count));
    if (width < 0 && -static_cast<int64>(width) > length) {
        out.append(static_cast<std::size_t>(-static_cast<int64>(width) - length), ' ');
    }
}

std::string padded(int64 value, int width) {
    std::string text;
    append_padded(text, value, width);
    return text;
}

int64 power_of_ten(unsigned exponent) {
    int64 p = 1;
    for (unsigned i = 0; i < exponent; ++i) {
        p *= 10;
    }
    return p;
}

// "." and the first n digits of the nine-digit fraction, truncated; nothing for 0 and for
// more than nine digits.
void append_fraction(std::string& out, const time& t, unsigned n) {
    if (n == 0 || n > most_fraction_digits) {
        return;
    }
    out += '.';
    const int width = static_cast<int>(n);
    if (n == 3) {
        append_padded(out, t.milliseconds(false), width);
    } else if (n == 6) {
        append_padded(out, t.microseconds(false), width);
    } else if (n == 9) {
        append_padded(out, t.nanoseconds(), width);
    } else if (n < 6) {
        append_padded(out, t.microseconds(false) / power_of_ten(6 - n), width);
    } else {
        append_padded(out, t.nanoseconds() / power_of_ten(9 - n), width);
    }
}

std::string hh_mm_ss(const time& t) {
    std::string text;
    append_padded(text, t.hour(), 2);
    text += ':';
    append_padded(text, t.minute(), 2);
    text += ':';
    append_padded(text, t.second(), 2);
    return text;
}

// The date under the compiled flags; empty when no field order was compiled.
std::string compiled_date(const time& t, const time_display_spec& spec) {
    const uint8 flags = spec.date_flags;
    const std::string day = padded(t.day(), 2);
    std::string month;
    if ((flags & spec_bits::month_as_name) != 0) {
        month = month_abbrev(t.month());
    } else if ((flags & spec_bits::month_as_number) != 0) {
        month = padded(t.month(), 2);
    }
    std::string year;
    if ((flags & spec_bits::year_four_digits) != 0) {
        year = padded(t.year(), 4);
    } else if ((flags & spec_bits::year_two_digits) != 0) {
        year = padded(t.year() % 100, 2);
    }
    // A template without '/', '-' or blank ("yyyymmdd") compiles to separator 0: the fields
    // then stand side by side, never with a NUL byte between them.
    const std::string sep = spec.separator == 0 ? std::string() : std::string(1, spec.separator);
    if ((flags & spec_bits::order_dmy) != 0) {
        return day + sep + month + sep + year;
    }
    if ((flags & spec_bits::order_mdy) != 0) {
        return month + sep + day + sep + year;
    }
    if ((flags & spec_bits::order_ymd) != 0) {
        return year + sep + month + sep + day;
    }
    return "";
}

std::string compiled_time(const time& t, const time_display_spec& spec) {
    std::string text = hh_mm_ss(t);
    append_fraction(text, t, spec.fraction_digits());
    return text;
}

}  // namespace

bool format_date_time(std::string& date, std::string& time_text, const time& t,
                      const time_display_spec& spec) {
    date.clear();
    time_text.clear();
    if (!t.is_valid) {
        return false;
    }
    if (spec.is_unset()) {
        // The defaults are filled, but false tells the caller its spec was not applied.
        (void)format_time_by_template(date, time_text, t, std::string("yyyy-mm-dd"),
                                      std::string("hh:mm:ss.xxx"));
        return false;
    }
    date = compiled_date(t, spec);
    time_text = compiled_time(t, spec);
    return true;
}

bool print_date_time(std::ostream& out, const time& t, time_display_spec& spec) {
    if (!t.is_valid) {
        return false;
    }
    if (spec.is_unset()) {
        (void)spec.parse("yyyy-mm-dd", "hh:mm:ss.xxx", true);
    }
    out << std::right << std::setfill('0') << std::dec;
    out << compiled_date(t, spec) << ' ' << compiled_time(t, spec);
    return true;
}

namespace {

struct template_positions {
    std::size_t year;
    std::size_t month;
    std::size_t day;
    std::size_t month_name;
};

std::string template_date(const time& t, const std::string& tmpl) {
    std::string separator = "/";
    bool blank_mode = false;
    if (tmpl.find('/') != std::string::npos) {
        separator = "/";
    } else if (tmpl.find('-') != std::string::npos) {
        separator = "-";
    } else if (tmpl.find(' ') != std::string::npos) {
        separator = " ";
        blank_mode = true;
    }
    const template_positions at{tmpl.find("yy"), tmpl.find("mm"), tmpl.find("dd"),
                                tmpl.find("mmm")};
    const bool named_month = at.month_name != std::string::npos;
    const std::string month = named_month ? month_abbrev(t.month()) : padded(t.month(), 2);
    const std::size_t month_at = named_month ? at.month_name : at.month;
    const bool comma = blank_mode && at.day != std::string::npos && month_at != std::string::npos &&
                       at.day > month_at && tmpl.find(',', at.day) != std::string::npos;
    const std::string day = padded(t.day(), 2);
    std::string year = padded(t.year(), 4);
    if (tmpl.find("yyyy") == std::string::npos && at.year != std::string::npos) {
        year = year.substr(2);
    }
    if (at.year == std::string::npos || at.month == std::string::npos ||
        at.day == std::string::npos) {
        return month + "/" + day + "/" + year;
    }
    const std::string pair =
        at.month < at.day ? month + separator + day + (comma ? "," : "") : day + separator + month;
    return at.year != 0 ? pair + separator + year : year + separator + pair;
}

std::string template_time(const time& t, const std::string& tmpl) {
    std::string text;
    if (tmpl.find("hh:mm") != std::string::npos) {
        append_padded(text, t.hour(), 2);
        text += ':';
        append_padded(text, t.minute(), 2);
    }
    if (tmpl.find("ss") != std::string::npos) {
        text += ':';
        append_padded(text, t.second(), 2);
    }
    const std::size_t first = tmpl.find("xxx");
    if (first != std::string::npos) {
        const std::size_t n = tmpl.rfind('x') - first + 1;
        append_fraction(
            text, t,
            n > most_fraction_digits ? most_fraction_digits + 1 : static_cast<unsigned>(n));
    }
    return text;
}

}  // namespace

bool format_time_by_template(std::string& date, std::string& time_text, const time& t,
                             const std::string& date_template, const std::string& time_template) {
    date.clear();
    time_text.clear();
    if (!t.is_valid) {
        return false;
    }
    if (!date_template.empty()) {
        date = template_date(t, date_template);
    }
    if (!time_template.empty()) {
        time_text = template_time(t, time_template);
    }
    return true;
}

bool format_time_by_template(std::string& date, std::string& time_text, const time& t,
                             const char* date_template, const char* time_template) {
    if (date_template == nullptr || time_template == nullptr) {
        format_date_time_ms(date, time_text, t, false);
        return true;
    }
    return format_time_by_template(date, time_text, t, std::string(date_template),
                                   std::string(time_template));
}

bool format_time_by_template_nofrac(std::string& date, std::string& time_text, const time& t,
                                    const std::string& date_template,
                                    const std::string& time_template) {
    if (!format_time_by_template(date, time_text, t, date_template, time_template)) {
        return false;
    }
    const std::size_t point = time_text.find('.');
    if (point != std::string::npos) {
        time_text.erase(point);
    }
    return true;
}

}  // namespace kq
