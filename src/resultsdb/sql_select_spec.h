#pragma once
// sql_select_spec: a select spec read from a command script ("-sqlite_select",
// "-name" table, "-comment" text, then one item per column as name or name|type). It
// builds the SELECT, gathers the rows through the SQLite entry table and prints them as
// typed report cells: dates in the chosen date and time formats, GUIDs as text, digests and
// raw bytes as hex. Values keep their byte length, so a blob holding a 0x00 byte arrives
// whole.

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "sqlite/sqlite_wrapper.h"
#include "text/kq_types.h"

class sql_select_spec;

// The row callback of sql_select_spec::run: count values (null for SQL NULL), each with its
// byte length, and the column names. Non-zero stops the statement.
using sql_select_row_fn = int (*)(sql_select_spec* spec, int count, const char* const* values,
                                  const uint32* lengths, const char* const* names);

class sql_select_spec {
public:
    sql_select_spec() { reset(); }

    // Fills the spec from a script record's arguments; the recognised items are
    // taken out of the list. False unless "-sqlite_select" and "-name" with a value are there.
    bool parse(std::vector<std::string>& items);
    // Runs m_sql on the open database, handing each row to callback with this spec.
    // False for a null or closed database, an invalid spec or a failed statement
    // (m_error then holds SQLite's message).
    bool run(sqlite_wrapper* database, sql_select_row_fn callback);
    // The statement line, then (with the options' header pending) the header and the rows.
    // Replaces the options' m_columns when it writes a header.
    void render(std::ostream& out, cmd_params& options) const;
    [[nodiscard]] bool is_valid() const;
    void reset();

    std::string m_table;
    std::string m_comment;
    std::string m_sql;
    std::vector<std::string> m_col_names;
    std::vector<std::string> m_col_types;
    std::vector<uint32> m_col_widths;
    std::vector<std::vector<std::string>> m_rows;
    std::string m_error;

private:
    // Header cells into the options' columns; false when names and types differ in count.
    bool build_header(std::ostream& out, std::vector<int>& codes, cmd_params& options) const;
    void write_rows(std::ostream& out, const std::vector<int>& codes, cmd_params& options) const;
};

// The C-string form, as sqlite3_exec delivers rows: the lengths are those of the texts.
int sql_select_row_callback(sql_select_spec* spec, int count, char** values, char** names);
// The counted form that sql_select_spec::run uses: a row of the selected columns' values
// (values past the selected columns are ignored), each widening its column.
int sql_select_row_callback_counted(sql_select_spec* spec, int count, const char* const* values,
                                    const uint32* lengths, const char* const* names);

bool load_sql_selects(std::vector<sql_select_spec>& list, const std::string& file_name);
bool run_sql_selects(std::vector<sql_select_spec>& list, sqlite_wrapper* database);
void print_sql_selects(std::vector<sql_select_spec>& list, std::ostream& out,
                       cmd_params& options);
[[nodiscard]] bool all_sql_selects_valid(const std::vector<sql_select_spec>& list);
