#include "text/time_display_spec.h"

#include <algorithm>
#include <array>
#include <set>
#include <vector>

namespace {

using spec = time_display_spec;

const std::array<const char*, 13> month_abbreviations = {
    "", "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

bool is_field_letter(char c) { return c == 'd' || c == 'm' || c == 'y'; }

// Any other separator than '/', '-' and a blank: every character between the fields (a comma
// too: "dd,mm,yyyy") must be the same one, and printable ASCII, since the formatter writes it
// as a byte between the fields. 0 when there is none ("yyyymmdd").
bool find_other_separator(const std::string& date_template, char& separator) {
    separator = 0;
    for (const char c : date_template) {
        if (is_field_letter(c)) {
            continue;
        }
        if (c < '!' || c > '~' || (separator != 0 && c != separator)) {
            separator = 0;
            return false;
        }
        separator = c;
    }
    return true;
}

// '/', '-' or a blank when the template holds one, in that order; else any one other
// character ("dd.mm.yyyy"). False when the template mixes other characters or holds one that
// is not printable ASCII.
bool find_separator(const std::string& date_template, char& separator) {
    for (const char preferred : {'/', '-', ' '}) {
        if (date_template.find(preferred) != std::string::npos) {
            separator = preferred;
            return true;
        }
    }
    return find_other_separator(date_template, separator);
}

// Position of the long form, else of the short one (which a plain search would also find at
// the start of the long form), setting the flag of the form found.
bool find_field(const std::string& date_template, const char* long_form, uint8 long_flag,
                const char* short_form, uint8 short_flag, uint8& flags, std::size_t& at) {
    at = date_template.find(long_form);
    if (at != std::string::npos) {
        flags |= long_flag;
        return true;
    }
    at = date_template.find(short_form);
    if (at != std::string::npos) {
        flags |= short_flag;
        return true;
    }
    return false;
}

uint8 field_order(std::size_t day, std::size_t month, std::size_t year) {
    if (day < month && month < year) {
        return spec::order_dmy;
    }
    if (month < day && day < year) {
        return spec::order_mdy;
    }
    if (year < month && month < day) {
        return spec::order_ymd;
    }
    return 0;
}

// Lengths a "-dateformat" value may have: "yyyymmdd", "dd.mm.yy", "mm/dd/yyyy" and the like.
constexpr std::size_t date_template_short = 8;
constexpr std::size_t date_template_long = 10;

bool is_field(const std::string& run) {
    return run == "dd" || run == "mm" || run == "mmm" || run == "yy" || run == "yyyy";
}

// The template cut into its runs of one field letter and the texts between them: gaps[i]
// stands before fields[i]; tail is what follows the last field.
struct template_parts {
    std::vector<std::string> fields;
    std::vector<std::string> gaps;
    std::string tail;
};

template_parts cut_template(const std::string& date_template) {
    template_parts parts;
    std::size_t at = 0;
    while (at < date_template.size()) {
        const char c = date_template[at];
        if (!is_field_letter(c)) {
            parts.tail += c;
            ++at;
            continue;
        }
        const std::size_t end =
            std::min(date_template.find_first_not_of(c, at), date_template.size());
        parts.gaps.push_back(parts.tail);
        parts.tail.clear();
        parts.fields.push_back(date_template.substr(at, end - at));
        at = end;
    }
    return parts;
}

// Three fields of three kinds, nothing before the first or after the last, and between them
// the same separator twice: none, or one printable ASCII character (a blank included).
bool written_as_typed(const std::string& date_template) {
    const template_parts parts = cut_template(date_template);
    if (parts.fields.size() != 3 || !parts.gaps[0].empty() || !parts.tail.empty() ||
        !std::all_of(parts.fields.begin(), parts.fields.end(), is_field)) {
        return false;
    }
    const std::string& separator = parts.gaps[1];
    if (separator != parts.gaps[2] || separator.size() > 1 ||
        (separator.size() == 1 && (separator[0] < ' ' || separator[0] > '~'))) {
        return false;
    }
    const std::set<char> kinds{parts.fields[0][0], parts.fields[1][0], parts.fields[2][0]};
    return kinds.size() == 3;
}

}  // namespace

bool accept_date_template(const std::string& typed, std::string& accepted) {
    accepted = typed;
    for (char& c : accepted) {
        if (c == 'D' || c == 'M' || c == 'Y') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    time_display_spec trial;
    return (accepted.size() == date_template_short || accepted.size() == date_template_long) &&
           written_as_typed(accepted) && trial.parse(accepted, "", false);
}

bool time_display_spec::parse(const std::string& date_template, const std::string& time_template,
                              bool pair) {
    *this = time_display_spec();
    if (pair) {
        time_flags |= pair_flag;
    }
    if (!date_template.empty()) {
        if (!find_separator(date_template, separator)) {
            return false;
        }
        std::size_t month = 0;
        std::size_t year = 0;
        if (!find_field(date_template, "mmm", month_as_name, "mm", month_as_number, date_flags,
                        month) ||
            !find_field(date_template, "yyyy", year_four_digits, "yy", year_two_digits, date_flags,
                        year)) {
            return false;
        }
        if (contains(date_template, ",")) {
            date_flags |= has_comma;
        }
        const std::size_t day = date_template.find("dd");
        const uint8 order = day == std::string::npos ? 0 : field_order(day, month, year);
        if (order == 0) {
            return false;
        }
        date_flags |= order;
    }
    const std::size_t first = time_template.find("xxx");
    if (first != std::string::npos) {
        // Everything from the first "xxx" to the last 'x' counts as digits.
        const std::size_t digits = time_template.rfind('x') - first + 1;
        const auto n =
            static_cast<uint8>(digits > max_fraction_digits ? max_fraction_digits : digits);
        time_flags = static_cast<uint8>(time_flags | (n << fraction_digit_shift));
    }
    return true;
}

bool time_display_spec::is_unset() const {
    return separator == 0 && date_flags == 0 && time_flags == 0 && spare == 0;
}

unsigned time_display_spec::fraction_digits() const {
    return static_cast<unsigned>((time_flags & fraction_digit_bits) >> fraction_digit_shift);
}

std::string month_abbrev(unsigned month) {
    if (month >= month_abbreviations.size()) {
        return "";
    }
    return month_abbreviations.at(month);
}

namespace kq {

bool check_time_template(unsigned& length, const std::string& time_template) {
    length = 0;
    const std::size_t size = time_template.size();
    const bool has_colon = time_template.find(':') != std::string::npos;
    if (size == 8 && has_colon) {
        length = 8;
        return true;
    }
    if (size >= 12 && size <= 18 && has_colon && time_template.find(".xxx") != std::string::npos) {
        length = static_cast<unsigned>(size);
        return true;
    }
    return false;
}

bool is_time_template(const std::string& time_template) {
    unsigned length = 0;
    return check_time_template(length, time_template);
}

}  // namespace kq
