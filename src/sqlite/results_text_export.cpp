// The records of a results database belong to the results-database layer; these exporters
// read its files below that layer, with the own parser, so they include its two row types
// from above.

#include "sqlite/results_text_export.h"

#include <limits>
#include <map>
#include <sstream>
#include <vector>

#include "io/kq_dir_files.h"
#include "io/uni_fileio.h"
#include "resultsdb/generic_data_row.h"
#include "resultsdb/metadata_record.h"
#include "sqlite/schema_reader.h"
#include "sqlite/table_walk.h"
#include "text/console_output.h"
#include "text/text_replace.h"
#include "text/text_split.h"

namespace {

constexpr const char* metadata_table_name = "metadata";
constexpr const char* generic_table_name = "generic_data";
constexpr const char* ref_table_name = "ref";
constexpr uint64 all_rows = std::numeric_limits<uint64>::max();
// The status line is kept to the width of a narrow terminal.
constexpr int status_width = 40;
// The first nine characters of a run's notes are its own bookkeeping; the original run
// time follows them.
constexpr std::size_t notes_prefix_length = 9;

// A database opened by the schema read, with every table's root page as a file offset.
struct results_file {
    uni::fileio file;
    uint32 page_size = 0;
    std::map<std::string, uint64> roots;
};

bool open_results_file(results_file& db, const std::string& path) {
    std::vector<std::string> names;
    std::vector<std::string> sql_texts;
    std::vector<uint64> root_pages;
    bool use_wal_image = false;
    if (!read_schema(names, sql_texts, root_pages, db.file, db.page_size, path, use_wal_image)) {
        return false;
    }
    for (std::size_t i = 0; i < names.size() && i < root_pages.size(); ++i) {
        // Page numbers start at 1 (1.6); a root of 0 names no page.
        if (root_pages[i] != 0) {
            (void)db.roots.emplace(names[i], db.page_size * (root_pages[i] - 1));
        }
    }
    return true;
}

uint64 root_of(const results_file& db, const std::string& table) {
    const auto found = db.roots.find(table);
    return found == db.roots.end() ? 0 : found->second;
}

// Every run that names a stretch of rows; a run still open (end 0) or with its end before
// its start has none to export.
std::vector<metadata_record> read_runs(results_file& db, uint64 root) {
    std::vector<table_record> rows;
    std::vector<metadata_record> runs;
    if (!read_table_records(rows, db.file, root, db.page_size, 0, all_rows, false, false,
                            text_encoding::utf8)) {
        return runs;
    }
    for (const table_record& row : rows) {
        metadata_record run;
        if (run.parse_row(row.values, false) && run.row_data_end != 0 &&
            run.row_data_end >= run.row_data_start) {
            runs.push_back(std::move(run));
        }
    }
    return runs;
}

// The walk returns every row of the leaves it reads, also those before the run's first
// row; only the run's own rows stay.
void keep_run_rows(std::vector<table_record>& rows, const metadata_record& run) {
    std::erase_if(rows, [&run](const table_record& row) {
        return row.rowid < run.row_data_start || row.rowid > run.row_data_end;
    });
}

// A stored text as part of a file name: blanks read better as '_', and a '/' would move
// the file out of the export folder.
std::string name_part(std::string text) {
    replace_char(text, ' ', '_', false);
    replace_char(text, '/', '_', false);
    return text;
}

std::string run_text_path(const std::string& folder, const metadata_record& run) {
    std::string path = folder.empty() ? "" : folder + "/";
    path += name_part(run.toolname) + "_";
    if (!run.file.empty()) {
        const std::size_t slash = run.file.rfind('/');
        path += name_part(slash == std::string::npos ? run.file : run.file.substr(slash + 1)) + "_";
    }
    return path + name_part(run.artifact_type) + "_" +
           std::to_string(static_cast<uint64>(run.runtime)) + ".txt";
}

void write_run_text(const std::string& folder, const metadata_record& run,
                    const std::vector<table_record>& rows) {
    uni::fileio out;
    if (!out.open(run_text_path(folder, run), true, false, true)) {
        return;
    }
    std::ostringstream text;
    text << run.col_hdrs << '\n';
    for (const table_record& row : rows) {
        generic_data_row data;
        if (data.parse_row(row.values)) {
            text << data.desired_output << '\n';
        }
    }
    (void)out.append_stream(text);  // a file that cannot be written only shortens the output
    (void)out.close();
}

// A '|' inside a value or a run's text would shift every later column of its line.
std::string csv_value(std::string text) {
    replace_char(text, '|', ';', false);
    return text;
}

std::string original_runtime(const std::string& notes) {
    return notes.size() > notes_prefix_length ? notes.substr(notes_prefix_length) : "";
}

// The run's captions, one empty caption more for each value of the first row they do not
// name, so the captions stand over their values.
std::string csv_header(const metadata_record& run, const table_record& first_row) {
    std::vector<std::string> items;
    (void)split_on_char(run.col_hdrs, '|', items, false, true, false);  // empty text: none
    std::string line = run.col_hdrs;
    for (std::size_t i = items.size(); i + 1 < first_row.values.size(); ++i) {
        line += "|";
    }
    line += "|tool used|orig runtime|artifact type|";
    if (!run.extra_args.empty()) {
        line += "extra args|";
    }
    return line + "\n";
}

std::string csv_tail(const metadata_record& run) {
    std::string tail = csv_value(run.toolname) + "|" + csv_value(original_runtime(run.notes)) +
                       "|" + csv_value(run.artifact_type) + "|";
    if (!run.extra_args.empty()) {
        tail += csv_value(run.extra_args) + "|";
    }
    return tail;
}

void append_csv_rows(uni::fileio& out, const metadata_record& run,
                     const std::vector<table_record>& rows) {
    const std::string tail = csv_tail(run);
    std::ostringstream text;
    for (const table_record& row : rows) {
        // The first value is the run key column.
        for (std::size_t i = 1; i < row.values.size(); ++i) {
            text << csv_value(row.values[i]) << '|';
        }
        text << tail << '\n';
    }
    (void)out.append_stream(text);  // a file that cannot be written only shortens the output
}

// Where the export stands: the CSV file of the table written last (runs of one table
// follow each other into one file) and the page list of the table read last, which the walk
// reuses between runs of that table.
struct csv_cursor {
    std::string file_table;
    uni::fileio file;
    std::string pages_table;
    page_list pages;

    bool switch_file(const std::string& folder, const std::string& name) {
        if (file_table == name && file.is_open()) {
            return true;
        }
        (void)file.close();
        file_table = name;
        return file.open_append(folder + "/" + name_part(name) + ".csv", false);
    }
    page_list& pages_of(const std::string& name) {
        if (pages_table != name) {
            pages.clear();  // another table's pages
            pages_table = name;
        }
        return pages;
    }
};

// Reads one run's rows and appends them to its table's file.
void export_run_rows(results_file& db, csv_cursor& cursor, const std::string& folder,
                     const metadata_record& run, uint64 root) {
    std::vector<table_record> rows;
    const auto start = static_cast<uint64>(run.row_data_start);
    if (!walk_table_btree(rows, cursor.pages_of(run.data_tbl_name), db.file, root, db.page_size,
                          start, static_cast<uint64>(run.row_data_end) - start, false, false,
                          text_encoding::utf8)) {
        return;
    }
    keep_run_rows(rows, run);
    if (rows.empty() || !cursor.switch_file(folder, run.data_tbl_name)) {
        return;
    }
    if (cursor.file.size() == 0) {
        std::ostringstream header;
        header << csv_header(run, rows.front());
        (void)cursor.file.append_stream(header);  // as append_csv_rows
    }
    append_csv_rows(cursor.file, run, rows);
}

bool export_runs_csv(results_file& db, const std::string& folder, bool progress) {
    const uint64 metadata_root = root_of(db, metadata_table_name);
    std::map<std::string, uint64> tables = db.roots;
    (void)tables.erase(metadata_table_name);
    (void)tables.erase(ref_table_name);
    if (metadata_root == 0 || tables.empty()) {
        return false;
    }
    if (progress) {
        (void)print_status_width(status_width, "reading in metadata table...");
    }
    const std::vector<metadata_record> runs = read_runs(db, metadata_root);
    if (runs.empty() || !kqportdir::make_dir_path(folder)) {
        return false;
    }
    csv_cursor cursor;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (progress) {
            (void)print_status_width(status_width, "processing entry %zu of %zu...", i + 1,
                                     runs.size());
        }
        const auto table = tables.find(runs[i].data_tbl_name);
        if (table != tables.end()) {
            export_run_rows(db, cursor, folder, runs[i], table->second);
        }
    }
    (void)cursor.file.close();  // a failed write only shortens the output
    return true;
}

}  // namespace

int export_generic_data_text(const std::string& folder, const std::string& db_path) {
    results_file db;
    if (!open_results_file(db, db_path)) {
        return 0;
    }
    const uint64 metadata_root = root_of(db, metadata_table_name);
    const uint64 generic_root = root_of(db, generic_table_name);
    if (metadata_root == 0 || generic_root == 0) {
        return 0;
    }
    const std::vector<metadata_record> runs = read_runs(db, metadata_root);
    if (runs.empty() || (!folder.empty() && !kqportdir::make_dir_path(folder))) {
        return 0;
    }
    for (const metadata_record& run : runs) {
        std::vector<table_record> rows;
        const auto start = static_cast<uint64>(run.row_data_start);
        if (!read_table_records(rows, db.file, generic_root, db.page_size, start,
                                static_cast<uint64>(run.row_data_end) - start, false, false,
                                text_encoding::utf8)) {
            continue;
        }
        keep_run_rows(rows, run);
        if (!rows.empty()) {
            write_run_text(folder, run, rows);
        }
    }
    return 0;
}

bool export_data_tables_csv(const std::string& folder, const std::string& db_path, bool progress) {
    results_file db;
    const bool exported = open_results_file(db, db_path) && export_runs_csv(db, folder, progress);
    if (progress) {
        clear_status_line();
    }
    return exported;
}
