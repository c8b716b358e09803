#include "text/extras/field_directives.h"

#include <array>
#include <cstring>

#include "text/number_text.h"
#include "text/text_case.h"
#include "text/text_replace.h"
#include "text/windows_version.h"

namespace {

constexpr std::size_t npos = std::string::npos;

// How a directive of the table is taken out of the text and what it records.
enum class directive_form {
    every,           // every occurrence removed
    skv_or_sk,       // "!SKV" and "!SK", told apart by the character after the first "!SK"
    numeric,         // first occurrence, then a selector and up to two digits
    first_plain,     // first occurrence, the directive only
    one_digit,       // first occurrence and the one character after it, read as a number
    text_arg,        // first occurrence with "(text)" into m_text_arg
    list_items,      // every occurrence with "(text)", each appended to m_list
    name_arg,        // first occurrence with "(text)" into m_name_arg
    name_text_pair,  // numeric form, then an optional "(name:text)"
    key_value_pairs  // every occurrence with "key:value)" into m_pairs
};

struct directive_row {
    const char* text;
    int bit;  // the flag bit set when the directive is found
    directive_form form;
};

// Handled in this order; each row is looked for once, at its turn, so a directive that a
// later removal brings into being stays in the name.
constexpr std::array<directive_row, 33> directive_table{{
    {"!JC", 60, directive_form::every},
    {"!R", 0, directive_form::every},
    {"!WP", 2, directive_form::every},
    {"!NR", 43, directive_form::every},
    {"!SS", 49, directive_form::every},
    {"!B64", 59, directive_form::every},
    {"!Z", 21, directive_form::every},
    {"!SK", 52, directive_form::skv_or_sk},
    {"!L2TS", 53, directive_form::every},
    {"!DM", 14, directive_form::every},
    {"!DA", 15, directive_form::every},
    {"!DC", 16, directive_form::every},
    {"!DB", 17, directive_form::every},
    {"!DE", 61, directive_form::every},
    {"!BP", 45, directive_form::numeric},
    {"!TS", 8, directive_form::numeric},
    {"!TF", 3, directive_form::numeric},
    {"!TAH", 19, directive_form::first_plain},
    {"!TAA", 9, directive_form::numeric},
    {"!TC", 11, directive_form::numeric},
    {"!TH", 10, directive_form::numeric},
    {"!TU", 4, directive_form::numeric},
    {"!TO", 5, directive_form::numeric},
    {"!TG", 6, directive_form::numeric},
    {"!TMG", 7, directive_form::numeric},
    {"!TMZ", 12, directive_form::numeric},
    {"!SP", 47, directive_form::one_digit},
    {"!SC(", 48, directive_form::text_arg},
    {"!SR(", 46, directive_form::list_items},
    {"!AFN(", 32, directive_form::name_arg},
    {"!CFN(", 50, directive_form::name_arg},
    {"!CT", 51, directive_form::name_text_pair},
    {"!S(", 34, directive_form::key_value_pairs},
}};

// "!SKV" shares its row with "!SK" but records its own bit.
constexpr int skv_bit = 55;

// The forms that exclude every other directive, and the reserved field names.
constexpr int all_names_bit = 56;       // "!AN"
constexpr int all_fields_bit = 58;      // "!AF" (not when the text holds "!AFN")
constexpr int library_path_bit = 57;    // "!AP"
constexpr int unnamed_bit = 35;         // a name beginning "(unnamed)"
constexpr int all_dates_bit = 20;       // the name "(all dates)"
constexpr int other_fields_bit = 44;    // the name "(other fields)"

// The time library reads these bits through its own names; both must agree.
static_assert((1ULL << 3) == output_field_flags::time_filetime);
static_assert((1ULL << 4) == output_field_flags::time_unix);
static_assert((1ULL << 8) == output_field_flags::time_systemtime);
static_assert((1ULL << 9) == output_field_flags::time_safari);
static_assert((1ULL << 10) == output_field_flags::time_hfs_plus);
static_assert((1ULL << 11) == output_field_flags::time_chrome);
static_assert((1ULL << 12) == output_field_flags::time_firefox3);

void set_bit(output_field_spec& spec, int bit) { spec.m_flags |= 1ULL << bit; }

bool holds(const std::string& text, const char* part) { return text.find(part) != npos; }

// Removes the first occurrence again and again, so an occurrence that a removal brings
// together goes too; true when at least one was removed.
bool remove_every(std::string& text, const char* directive) {
    std::string pattern(directive);
    bool removed = false;
    while (erase_first(text, pattern, false)) {
        removed = true;
    }
    return removed;
}

// Erases from `at` up to the next "!" found from `search_from` (the next directive), or to
// the end: a broken argument is dropped without swallowing the directives after it.
void erase_to_next_directive(std::string& text, std::size_t at, std::size_t search_from) {
    const std::size_t next = text.find('!', search_from);
    text.erase(at, next == npos ? npos : next - at);
}

// The number held by up to `count` characters from `from`; 0 when there are none or they
// are no number.
uint32 number_at(const std::string& text, std::size_t from, std::size_t count) {
    uint32 value = 0;
    if (count == 0 || from >= text.size()) {
        return value;
    }
    // A text that is no number leaves value 0, which is the argument's value then.
    (void)string_to_uint32(text.substr(from, count), &value);
    return value;
}

// The character after the directive selects how many digits follow: "0" none, "1" one,
// "2" up to two; any other character is no selector and stays in the text.
void take_numeric_argument(output_field_spec& spec, std::string& text, std::size_t at,
                           std::size_t length) {
    const std::size_t selector = at + length;
    const char c = selector < text.size() ? text[selector] : '\0';
    std::size_t digits = 0;
    std::size_t removed = length;
    if (c >= '0' && c <= '2') {
        digits = static_cast<std::size_t>(c - '0');
        removed = length + 1 + digits;
    }
    spec.m_numeric_arg = number_at(text, selector + 1, digits);
    text.erase(at, removed);
}

// The text between the directive's "(" and the next ")", the whole directive removed;
// without a ")" the directive is dropped up to the next one and false returned.
bool take_parenthesised(std::string& text, std::size_t at, std::size_t length, std::string& arg) {
    const std::size_t open_end = at + length;
    const std::size_t close = text.find(')', open_end);
    if (close == npos) {
        erase_to_next_directive(text, at, open_end);
        return false;
    }
    arg = text.substr(open_end, close - open_end);
    text.erase(at, close - at + 1);
    return true;
}

// The ":" and then the ")" of a "name:text)" starting at from.
bool find_pair(const std::string& text, std::size_t from, std::size_t& colon, std::size_t& close) {
    colon = text.find(':', from);
    if (colon == npos) {
        return false;
    }
    close = text.find(')', colon + 1);
    return close != npos;
}

void handle_skv_or_sk(output_field_spec& spec, std::string& text, const directive_row& row) {
    const std::size_t at = text.find(row.text);
    if (at == npos) {
        return;
    }
    const std::size_t after = at + std::strlen(row.text);
    if (after < text.size() && text[after] == 'V') {
        (void)remove_every(text, "!SKV");  // found above, so at least one goes
        set_bit(spec, skv_bit);
        if (!holds(text, row.text)) {
            return;
        }
    }
    // A later "!SKV" loses its "!SK" here and its "V" stays in the name.
    (void)remove_every(text, row.text);
    set_bit(spec, row.bit);
}

void handle_name_text_pair(output_field_spec& spec, std::string& text, std::size_t at, int bit) {
    take_numeric_argument(spec, text, at, std::strlen("!CT"));
    const bool opens = at < text.size() && text[at] == '(';
    std::size_t colon = 0;
    std::size_t close = 0;
    if (opens && find_pair(text, at + 1, colon, close)) {
        spec.m_name_arg = text.substr(at + 1, colon - at - 1);
        spec.m_text_arg = text.substr(colon + 1, close - colon - 1);
        text.erase(at, close - at + 1);
        set_bit(spec, bit);
        return;
    }
    erase_to_next_directive(text, at, at + 1);
    // The bit is set by a "(" and toggled by a failed pair: an opened but broken pair leaves
    // it clear, a "!CT" without "(" leaves it set.
    if (!opens) {
        set_bit(spec, bit);
    }
}

void handle_key_value_pairs(output_field_spec& spec, std::string& text, const directive_row& row) {
    const std::size_t length = std::strlen(row.text);
    // Every pass removes at least the directive, so the loop ends.
    for (std::size_t at = text.find(row.text); at != npos; at = text.find(row.text)) {
        std::size_t colon = 0;
        std::size_t close = 0;
        if (!find_pair(text, at + length, colon, close)) {
            erase_to_next_directive(text, at, at + 1);
            continue;
        }
        // A key already present keeps its first value.
        spec.m_pairs.emplace(text.substr(at + length, colon - at - length),
                             text.substr(colon + 1, close - colon - 1));
        set_bit(spec, row.bit);
        text.erase(at, close - at + 1);
    }
}

void handle_list_items(output_field_spec& spec, std::string& text, const directive_row& row) {
    const std::size_t length = std::strlen(row.text);
    for (std::size_t at = text.find(row.text); at != npos; at = text.find(row.text)) {
        std::string item;
        if (take_parenthesised(text, at, length, item)) {
            spec.m_list.push_back(std::move(item));
            set_bit(spec, row.bit);
        }
    }
}

// The forms handled at the directive's first occurrence only.
void handle_first(output_field_spec& spec, std::string& text, const directive_row& row,
                  std::size_t at) {
    const std::size_t length = std::strlen(row.text);
    switch (row.form) {
        case directive_form::numeric:
            take_numeric_argument(spec, text, at, length);
            break;
        case directive_form::first_plain:
            text.erase(at, length);
            break;
        case directive_form::one_digit:
            // The character is removed whatever it is, digit or not.
            spec.m_numeric_arg = number_at(text, at + length, 1);
            text.erase(at, length + 1);
            break;
        case directive_form::text_arg:
            if (!take_parenthesised(text, at, length, spec.m_text_arg)) {
                return;
            }
            break;
        case directive_form::name_arg:
            if (!take_parenthesised(text, at, length, spec.m_name_arg)) {
                return;
            }
            break;
        default:
            return;
    }
    set_bit(spec, row.bit);
}

void handle_directive(output_field_spec& spec, std::string& text, const directive_row& row) {
    switch (row.form) {
        case directive_form::every:
            if (remove_every(text, row.text)) {
                set_bit(spec, row.bit);
            }
            return;
        case directive_form::skv_or_sk:
            handle_skv_or_sk(spec, text, row);
            return;
        case directive_form::list_items:
            handle_list_items(spec, text, row);
            return;
        case directive_form::key_value_pairs:
            handle_key_value_pairs(spec, text, row);
            return;
        default:
            break;
    }
    const std::size_t at = text.find(row.text);
    if (at == npos) {
        return;
    }
    if (row.form == directive_form::name_text_pair) {
        handle_name_text_pair(spec, text, at, row.bit);
        return;
    }
    handle_first(spec, text, row, at);
}

// "!AN", "!AF" and "!AP" stand alone: the first that applies is the only directive taken,
// and everything else stays in the name. False when none applies.
bool handle_exclusive_form(output_field_spec& spec, std::string& text) {
    if (remove_every(text, "!AN")) {
        set_bit(spec, all_names_bit);
        return true;
    }
    if (holds(text, "!AF") && !holds(text, "!AFN")) {
        (void)remove_every(text, "!AF");  // found above, so at least one goes
        set_bit(spec, all_fields_bit);
        return true;
    }
    if (!remove_every(text, "!AP")) {
        return false;
    }
    // A number names library folders by its bits; a text with a "/" is a path already.
    if (!holds(text, "/")) {
        std::string path = library_path_from_text(text);
        if (!path.empty()) {
            text = std::move(path);
        }
    }
    set_bit(spec, library_path_bit);
    return true;
}

// Reserved names are recognised before trimming, so " (all dates)" is an ordinary name.
void mark_reserved_names(output_field_spec& spec, const std::string& text) {
    if (text.starts_with("(unnamed)")) {
        set_bit(spec, unnamed_bit);
    }
    if (text == "(all dates)") {
        set_bit(spec, all_dates_bit);
    }
    if (text == "(other fields)") {
        set_bit(spec, other_fields_bit);
    }
}

}  // namespace

bool parse_field_spec(output_field_spec& spec, std::string& text) {
    spec.clear();
    if (!handle_exclusive_form(spec, text)) {
        mark_reserved_names(spec, text);
        if (holds(text, "!")) {
            for (const directive_row& row : directive_table) {
                handle_directive(spec, text, row);
            }
        }
    }
    (void)trim_keep_trailing_blanks(text, false);  // false only says nothing is left
    // A backslash and "n" typed into a column name (not a line feed): the first one goes.
    const std::size_t escaped_break = text.find("\\n");
    if (escaped_break != npos) {
        text.erase(escaped_break, 2);
    }
    spec.m_name = text;
    spec.m_valid = true;
    return true;
}

std::string library_path_from_text(const std::string& text) {
    uint64 number = 0;
    if (!string_to_uint64(text, &number)) {
        return std::string();
    }
    return macos_library_path(static_cast<uint32>(number));
}
