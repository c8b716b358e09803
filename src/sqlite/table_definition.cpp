#include "sqlite/table_definition.h"

#include <array>
#include <bit>
#include <set>
#include <string_view>

#include "sqlite/record_bits.h"
#include "text/md5_digest.h"
#include "text/text_case.h"
#include "text/text_replace.h"
#include "text/text_split.h"

namespace {

constexpr std::string_view create_table_word = "create table";
constexpr std::string_view create_index_word = "create index ";
constexpr std::string_view without_rowid_word = "without rowid";
constexpr std::string_view signature_prefix = "sz";

struct type_word {
    std::string_view word;
    uint32 mask;
};

constexpr std::string_view guid_word = "guid";

// Searched in this order as substrings, so integer, bigint and tinyint read as integers
// and datetime as numeric. A GUID column is a blob unless the caller wants it as text.
constexpr std::array<type_word, 14> type_words = {{
    {"text", col_type_text},
    {"varchar", col_type_text},
    {"current_timestamp", col_type_text},
    {"int", col_type_integer},
    {"long", col_type_integer},
    {"blob", col_type_blob},
    {guid_word, col_type_blob},
    {"numeric", col_type_numeric},
    {"date", col_type_numeric},
    {"bool", col_type_numeric},
    {"decimal", col_type_numeric},
    {"real", col_type_real},
    {"float", col_type_real},
    {"double", col_type_real},
}};

bool contains(const std::string& text, std::string_view word) {
    return text.find(word) != std::string::npos;
}

bool erase_word(std::string& text, std::string_view word) {
    std::string pattern(word);
    return erase_first(text, pattern, false);
}

std::string lower_copy(std::string text) {
    (void)string_to_lower(text);
    return text;
}

uint32 type_of(const std::string& rest, bool guid_as_blob) {
    for (const type_word& t : type_words) {
        if (!contains(rest, t.word)) {
            continue;
        }
        return t.word == guid_word && !guid_as_blob ? col_type_text : t.mask;
    }
    return 0;
}

enum class entry_kind { column, table_constraint, bad_bracket };

// Splits an entry into the column name and the text after it. A bracketed name may hold
// blanks; a "]" with no "[" before it leaves the entry unreadable.
entry_kind split_entry(const std::string& entry, std::string& name, std::string& rest) {
    const std::size_t close = entry.find(']');
    if (close != std::string::npos) {
        const std::size_t open = entry.find('[');
        if (open == std::string::npos || open > close) {
            return entry_kind::bad_bracket;
        }
        name = entry.substr(open + 1, close - open - 1);
        rest = entry.substr(close + 1);
        return entry_kind::column;
    }
    const std::size_t blank = entry.find(' ');
    name = entry.substr(0, blank);
    // Without a blank the entry is searched for the words in its own name ("date").
    rest = blank == std::string::npos ? entry : entry.substr(blank + 1);
    const std::string lower = lower_copy(name);
    if (lower == "primary" || lower == "foreign" || lower == "unique") {
        return entry_kind::table_constraint;
    }
    return entry_kind::column;
}

void read_default(column_definition& col, std::string& rest) {
    constexpr std::string_view word = "default";
    const std::size_t at = rest.find(word);
    if (at == std::string::npos) {
        return;
    }
    col.m_constraints |= col_has_default;
    // The value is what follows "default" and the one character after it.
    const std::size_t value_at = at + word.size() + 1;
    col.m_default = value_at < rest.size() ? rest.substr(value_at) : std::string();
    (void)erase_word(rest, word);  // found above
    // The value must not be searched for type words: DEFAULT 'text' on an INTEGER column.
    (void)erase_word(rest, col.m_default);  // nothing to erase is fine
    (void)remove_char(col.m_default, '`');
    (void)remove_char(col.m_default, '\'');
    (void)remove_char(col.m_default, '"');
}

// Each test searches the rest as the previous ones left it; erasing "not null" before
// reading "default" is why DEFAULT 0 NOT NULL gives the default "0 ".
void read_constraints(column_definition& col, std::string& rest) {
    (void)string_to_lower(rest);
    (void)trim_whitespace(rest);  // an all-blank rest simply becomes empty
    if (contains(rest, "primary key")) {
        col.m_constraints |= col_primary_key;
        (void)erase_word(rest, "primary key");
    }
    if (contains(rest, " key")) {
        (void)erase_word(rest, "key");
    }
    if (contains(rest, "not null")) {
        col.m_constraints |= col_not_null;
        (void)erase_word(rest, "not null");
    }
    if (contains(rest, "autoincrement")) {
        col.m_constraints |= col_autoincrement;
        (void)erase_word(rest, "autoincrement");
    }
    read_default(col, rest);
}

}  // namespace

column_definition::column_definition() { clear(); }

void column_definition::clear() {
    m_text.clear();
    m_name.clear();
    m_name_lower.clear();
    m_default.clear();
    m_type_mask = 0;
    m_constraints = 0;
    m_may_be_absent = 0;
    m_selected = 0;
    m_column_bit = 0;
    m_spare = 0;
}

table_definition::table_definition() { clear(); }

void table_definition::clear() {
    m_name.clear();
    m_columns.clear();
    m_column_map.clear();
    m_is_create_index = 0;
    m_column_mask = 0;
    m_root_page_offset = 0;
    m_column_count = 0;
    m_without_rowid = 0;
    m_schema_digest.clear();
    m_schema_signature.clear();
}

bool table_definition::load_create_sql(const std::string& sql, bool guid_as_blob) {
    int keyword_end = 0;
    return parse_create_sql(keyword_end, sql, 0, guid_as_blob);
}

bool table_definition::parse_create_sql(int& keyword_end, const std::string& sql, int start,
                                        bool guid_as_blob) {
    return read_create_sql(keyword_end, sql, start, guid_as_blob) == create_sql_fault::none;
}

create_sql_fault table_definition::read_create_sql(int& keyword_end, const std::string& sql,
                                                   int start, bool guid_as_blob) {
    keyword_end = 0;
    clear();
    if (sql.empty()) {
        return create_sql_fault::empty_text;
    }
    // Only ASCII letters change case, so positions in the copy are positions in the text.
    const std::string lower = lower_copy(sql);
    const std::size_t found = start < 0 ? std::string::npos
                                        : lower.find(create_table_word,
                                                     static_cast<std::size_t>(start));
    if (found == std::string::npos) {
        if (contains(lower, create_index_word)) {
            m_is_create_index = 1;
        }
        return create_sql_fault::no_create_table;
    }
    const std::size_t after = found + create_table_word.size();
    const std::size_t open = sql.find('(', after);
    if (open == std::string::npos) {
        return create_sql_fault::no_open_paren;
    }
    keyword_end = static_cast<int>(after);
    m_name = sql.substr(after, open - after);
    (void)trim_whitespace(m_name);  // an all-blank name is simply empty
    (void)remove_char(m_name, '[');
    (void)remove_char(m_name, ']');
    (void)remove_char(m_name, '"');
    m_without_rowid = contains(lower, without_rowid_word) ? 1 : 0;
    std::string list;
    if (!text_in_parentheses(sql, list)) {
        return create_sql_fault::no_column_list;
    }
    return read_columns(list, guid_as_blob);
}

create_sql_fault table_definition::read_columns(const std::string& list, bool guid_as_blob) {
    std::string flat;
    // Type sizes, table-constraint column lists and REFERENCES targets go; a "(" that never
    // closes stays and keeps its column out of the table below.
    if (!remove_parenthesised(list, flat)) {
        flat = list;
    }
    std::vector<std::string> entries;
    (void)split_on_char(flat, ',', entries, true, true, false);  // flat is not empty
    std::set<std::string> typed_names;
    for (const std::string& entry : entries) {
        column_definition& col = m_columns.emplace_back();
        col.m_text = entry;
        std::string name;
        std::string rest;
        const entry_kind kind = split_entry(entry, name, rest);
        if (kind == entry_kind::bad_bracket) {
            return create_sql_fault::unmatched_bracket;  // the columns so far stay
        }
        if (kind == entry_kind::table_constraint) {
            m_columns.pop_back();
            continue;
        }
        col.m_name = name;
        col.m_name_lower = lower_copy(name);
        read_constraints(col, rest);
        col.m_type_mask = type_of(rest, guid_as_blob);
        if (col.m_type_mask != 0) {
            typed_names.insert(col.m_name);
            continue;
        }
        // An untyped entry is a column declared without a type (SQLite allows it) unless it
        // has no usable name or repeats a typed column's name.
        if (name.empty() || name.find_first_of("()") != std::string::npos ||
            typed_names.count(name) != 0) {
            m_columns.pop_back();
            continue;
        }
        col.m_type_mask = col_type_text;
    }
    make_schema_signature();
    return m_columns.empty() ? create_sql_fault::no_columns : create_sql_fault::none;
}

void table_definition::make_schema_signature() {
    std::string text(signature_prefix);
    bool named = false;
    for (const column_definition& col : m_columns) {
        if (col.m_name_lower.empty()) {
            continue;
        }
        text += ';';
        text += col.m_name_lower;
        named = true;
    }
    if (!named) {
        return;
    }
    if (md5_digest(text.data(), static_cast<uint32>(text.size()), m_schema_digest)) {
        m_schema_signature = guid_to_string(m_schema_digest);
    }
}

int32 table_definition::mask_column_count() const {
    return m_column_mask == 0 ? 0 : count_mask_bits(m_column_mask);
}

int table_definition::min_column_count() const {
    int count = static_cast<int>(m_columns.size());
    for (const column_definition& col : m_columns) {
        const bool absent_by_default =
            !col.m_default.empty() && col.m_default != "0" && col.m_default != "1";
        if (absent_by_default || (col.m_default.empty() && col.m_may_be_absent != 0)) {
            --count;
        }
    }
    return count;
}

void table_definition::write_column_names(std::ostream& out, int n) const {
    out << column_names_text(n);
}

std::string table_definition::column_names_text(int n) const {
    std::string text;
    if (m_columns.empty()) {
        return text;
    }
    std::size_t count = m_columns.size();
    const auto selected = static_cast<std::size_t>(std::popcount(m_column_mask & column_mask_bits));
    if (selected != 0 && selected < count) {
        count = selected;
    }
    const bool lower = !m_columns.front().m_name_lower.empty();
    const std::size_t width = n > 0 ? static_cast<std::size_t>(n) : 0;
    text.reserve(count * (width + 1));
    for (std::size_t i = 0; i < count; ++i) {
        const column_definition& col = m_columns[i];
        if (i > 0) {
            text += '-';
        }
        text.append(lower ? col.m_name_lower : col.m_name, 0, width);
    }
    return text;
}
