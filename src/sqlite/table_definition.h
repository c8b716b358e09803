#pragma once
// A table as its CREATE TABLE text declares it: name, columns with their declared type and
// constraints, the "without rowid" flag, and the schema signature, an MD5 over the
// lower-cased column names that identifies a table layout whatever the table is called.
//
// The parser is a forgiving text scanner, not an SQL grammar: schema texts written by other
// programs (bracketed names, table constraints, nested groups) must still give the columns a
// record of that table carries, in order, so it looks for keywords by substring search.

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "text/guid16.h"
#include "text/kq_types.h"

// Declared type of a column: exactly one of these, or 0 when no type word was found.
inline constexpr uint32 col_type_integer = 16;
inline constexpr uint32 col_type_text = 32;
inline constexpr uint32 col_type_blob = 64;
inline constexpr uint32 col_type_real = 128;
inline constexpr uint32 col_type_numeric = 256;

// Constraint bits of a column.
inline constexpr uint32 col_not_null = 1;
inline constexpr uint32 col_primary_key = 2;
inline constexpr uint32 col_autoincrement = 4;
inline constexpr uint32 col_has_default = 8;

// Only the low 60 bits of a column mask stand for columns.
inline constexpr uint64 column_mask_bits = 0x0FFFFFFFFFFFFFFFULL;

struct column_definition {
    std::string m_text;        // the entry as it stood in the column list, groups removed
    std::string m_name;        // as written: case, quotes and backquotes kept
    std::string m_name_lower;  // m_name lower-cased
    uint32 m_type_mask = 0;    // one col_type_* value, or 0
    uint32 m_constraints = 0;  // col_* constraint bits
    std::string m_default;     // the default value text, quotes removed; empty without one
    uint8 m_may_be_absent = 0;
    uint8 m_selected = 0;      // set by a caller's mask builder
    uint64 m_column_bit = 0;   // the caller's mask bit for this column
    uint64 m_spare = 0;

    column_definition();
    void clear();
};

// Why a CREATE TABLE text gave no table; parse_create_sql answers none as true.
enum class create_sql_fault {
    none,
    empty_text,
    no_create_table,    // also a CREATE INDEX text, which only sets m_is_create_index
    no_open_paren,      // nothing after "create table" opens a column list
    no_column_list,     // no "(" ... ")" pair, or nothing between them
    unmatched_bracket,  // an entry holds "]" without a "[" before it
    no_columns,         // every entry was dropped
};

class table_definition {
public:
    std::string m_name;  // between "create table" and "(", "[", "]" and '"' removed
    std::vector<column_definition> m_columns;
    uint8 m_is_create_index = 0;
    uint64 m_column_mask = 0;
    uint64 m_root_page_offset = 0;  // (root page - 1) * page size, stored by the caller
    uint32 m_column_count = 0;
    std::map<uint64, int64> m_column_map;  // column bit -> index of the value holding it
    uint8 m_without_rowid = 0;
    guid16 m_schema_digest;
    std::string m_schema_signature;  // GUID text of the digest; empty when none was made

    table_definition();
    void clear();

    // parse_create_sql from position 0, the keyword position discarded.
    [[nodiscard]] bool load_create_sql(const std::string& sql, bool guid_as_blob);
    // keyword_end receives the position just after "create table" (0 when it is missing or
    // no "(" follows it). A failed parse still leaves the definition cleared, so no column
    // of an earlier table survives it.
    [[nodiscard]] bool parse_create_sql(int& keyword_end, const std::string& sql, int start,
                                        bool guid_as_blob);
    // The parse with its reason for failing.
    [[nodiscard]] create_sql_fault read_create_sql(int& keyword_end, const std::string& sql,
                                                   int start, bool guid_as_blob);

    // Columns a record of this table must at least hold: the column count less the columns
    // that may be missing from a record (a default other than "0" or "1", or no default and
    // the may-be-absent flag).
    [[nodiscard]] int min_column_count() const;
    // How many columns the definition's column mask selects (its low 60 bits); 0 for none.
    [[nodiscard]] int32 mask_column_count() const;
    // The first n characters of each column name, joined by "-"; as many columns as the
    // mask selects when it selects fewer than there are.
    void write_column_names(std::ostream& out, int n) const;
    // The same as one text, built without a stream (every record of a table takes it).
    [[nodiscard]] std::string column_names_text(int n) const;

private:
    [[nodiscard]] create_sql_fault read_columns(const std::string& list, bool guid_as_blob);
    void make_schema_signature();
};
