#pragma once
// metadata_record: one run of a results database held in memory, the row of the "metadata"
// table that describes who ran what, with which options, into which data table, and which
// rowids of that table the run's rows occupy. Its twenty column fields carry the column
// names; metadata_fields lists them in column order, which is the order of every statement
// on the table and of a row read back.

#include <array>
#include <string>
#include <vector>

#include "text/kq_types.h"

class cmd_params;

// Values of output_option.
namespace output_form {
inline constexpr int64 xml = 257;
inline constexpr int64 csv = 258;
inline constexpr int64 l2t_csv = 259;
inline constexpr int64 bodyfile = 260;
inline constexpr int64 other = 261;
}  // namespace output_form

class metadata_record {
public:
    metadata_record();

    // Every field to its default; runtime to the current time.
    void clear();
    // clear, then the command line, host (the machine's when no "-hostname"), user, output
    // form, separator, program name and artifact type of the options.
    void fill_from_options(const cmd_params& options);
    // The fields from a row of exactly 20 values in column order; numbers that do not parse
    // read 0. Unless keep is set the record is cleared first.
    [[nodiscard]] bool parse_row(const std::vector<std::string>& values, bool keep);
    // clear, then the fields from an exec callback's row: exactly 20 names and values; a
    // null value reads as empty.
    [[nodiscard]] bool parse_values(const std::vector<std::string>& column_names, int count,
                                    const char* const* values);

    int64 runtime = 0;
    int64 chunk = 0;
    int64 parent = 0;
    std::string cmdline;
    std::string gen_hdrs;
    std::string col_hdrs;
    std::string col_types;
    // Named data tables put the column number before each column name.
    bool numbered_columns = true;
    // Column names of named data tables are not cut to 8 characters.
    bool long_column_names = false;
    std::string extra_args;
    std::string host;
    std::string user;
    std::string file;
    std::string file_other;
    int64 output_option = output_form::other;
    std::string separator;
    std::string notes;
    std::string toolname;
    std::string artifact_type;
    std::string data_tbl_name;
    int64 row_data_start = 0;
    int64 row_data_end = 0;
    // The prepared column names of a named data table, once made.
    std::vector<std::string> column_names;
};

// One column of the metadata table: its name and the field that holds it (a number or a
// text, the other member pointer null).
struct metadata_field {
    const char* name;
    int64 metadata_record::*number;
    std::string metadata_record::*text;
};

inline constexpr std::size_t metadata_column_count = 20;
extern const std::array<metadata_field, metadata_column_count> metadata_fields;
