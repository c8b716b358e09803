#include "app/db_processing.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <limits>
#include <span>
#include <sstream>
#include <string_view>
#include <utility>

#include "app/input_path.h"
#include "app/private_db_copy.h"
#include "app/push_columns.h"
#include "app/push_query.h"
#include "app/push_record_index.h"
#include "app/push_table_type.h"
#include "app/velk_options.h"
#include "io/uni_fileio.h"
#include "sqlite/carved_record.h"
#include "sqlite/db_file.h"
#include "sqlite/record_bits.h"
#include "sqlite/schema_reader.h"
#include "sqlite/sqlite_api.h"
#include "sqlite/table_definition.h"
#include "sqlite/table_walk.h"
#include "text/console_output.h"
#include "text/text_case.h"

namespace {

// The database header (1.3) is read whole; its first 16 bytes hold the format text, which
// must begin with "sqlite" in any letter case.
constexpr uint64 header_length = 100;
constexpr std::size_t format_text_length = 16;
constexpr std::string_view format_word = "sqlite";

// The four tables in the order they are looked for, selected and walked.
constexpr std::array<uint32, 4> table_order = {push_table_notification, push_table_handler,
                                               push_table_channel, push_table_settings};

std::size_t slot_of(uint32 table_type) {
    switch (table_type) {
        case push_table_notification:
            return 0;
        case push_table_handler:
            return 1;
        case push_table_channel:
            return 2;
        default:
            return 3;
    }
}

// What one call keeps while it reads its input.
struct db_input {
    std::string path;  // %VAR%-expanded
    uni::fileio file;  // the original; with the image flag, its WAL-applied image
    sqlite_db_header header;
    std::vector<std::string> names;
    std::vector<std::string> sql_texts;
    std::vector<uint64> root_pages;
    bool use_wal_image = false;
    // Per table: its root page names a page of the file, so a walk may start there.
    std::array<bool, 4> root_usable{};
};

table_definition& definition_of(velk_options& options, uint32 table_type) {
    switch (table_type) {
        case push_table_notification:
            return options.m_notification_def;
        case push_table_handler:
            return options.m_handler_def;
        case push_table_channel:
            return options.m_channel_def;
        default:
            return options.m_settings_def;
    }
}

void status_line(const velk_options& options, const char* what, const std::string& path) {
    if (options.m_status_output) {
        (void)stderr_printf("%s %s\n", what, path.c_str());
    }
}

// A failure is written whatever "-quiet" says: it silences progress, never a file that
// could not be read.
void error_line(const char* what, const std::string& path) {
    (void)stderr_printf("%s %s\n", what, path.c_str());
}

// One line naming the file and what stopped its reading, so that a report without rows is
// never taken for a database that holds none; written as every failure is.
void failure_line(const std::string& path, const std::string& what) {
    (void)stderr_printf("prob reading %s: %s\n", path.c_str(), what.c_str());
}

// The library's text for the last failure on the options' connection.
std::string library_error_text(const velk_options& options) {
    const char* text = options.m_db.handle() != nullptr && g_sqlite_api.sqlite3_errmsg != nullptr
                           ? g_sqlite_api.sqlite3_errmsg(options.m_db.handle())
                           : nullptr;
    return text == nullptr || *text == '\0' ? std::string("the SQLite library failed")
                                             : std::string(text);
}

// ---- header and schema ----

db_failure read_header(velk_options& options, db_input& in) {
    byte_array head;
    if (!in.file.open(in.path, false, false, false) || !in.file.read_at(head, header_length, 0) ||
        head.empty()) {
        error_line("prob accessing file", in.path);
        return db_failure::not_read;
    }
    // A file shorter than the header reads as far as it goes; the rest stays zero.
    std::copy_n(head.begin(), std::min(head.size(), in.header.bytes.size()),
                in.header.bytes.begin());
    std::string format(in.header.bytes.begin(), in.header.bytes.begin() + format_text_length);
    if (!string_to_lower(format).starts_with(format_word)) {
        error_line("prob processing file", in.path);
        return db_failure::not_sqlite;
    }
    status_line(options, "analyzing", in.path);
    options.m_page_size = in.header.page_size();
    return db_failure::none;
}

// The file offset of a root page; false for page 0 (no page) or a number whose offset does
// not fit in 64 bits. Either way no walk may start there.
bool root_offset_of(uint64 root_page, uint32 page_size, uint64& offset) {
    if (root_page == 0 || page_size == 0 ||
        root_page - 1 > std::numeric_limits<uint64>::max() / page_size) {
        return false;
    }
    offset = (root_page - 1) * page_size;
    return true;
}

// The table a lower-cased schema name stands for; 0 for none. The settings table counts
// only with "-incl_settings".
uint32 table_named(const velk_options& options, const std::string& name) {
    if (name == options.m_notification_table) {
        return push_table_notification;
    }
    if (name == options.m_handler_table) {
        return push_table_handler;
    }
    if (name == options.m_channel_table) {
        return push_table_channel;
    }
    if (options.m_incl_settings && name == options.m_settings_table) {
        return push_table_settings;
    }
    return 0;
}

bool all_tables_found(const velk_options& options) {
    return !options.m_notification_def.m_columns.empty() &&
           !options.m_handler_def.m_columns.empty() && !options.m_channel_def.m_columns.empty() &&
           (!options.m_incl_settings || !options.m_settings_def.m_columns.empty());
}

void load_definitions(velk_options& options, db_input& in) {
    const std::size_t n = std::min({in.names.size(), in.sql_texts.size(), in.root_pages.size()});
    for (std::size_t i = 0; i < n; ++i) {
        std::string name = in.names[i];
        const uint32 table_type = table_named(options, string_to_lower(name));
        if (table_type == 0) {
            continue;
        }
        table_definition& def = definition_of(options, table_type);
        // A text that does not parse leaves the definition without columns: the table
        // counts as missing.
        (void)def.load_create_sql(in.sql_texts[i], true);
        in.root_usable[slot_of(table_type)] =
            root_offset_of(in.root_pages[i], options.m_page_size, def.m_root_page_offset);
        if (all_tables_found(options)) {
            break;
        }
    }
}

void count_columns(table_definition& def) {
    def.m_column_count = static_cast<uint32>(count_mask_bits(def.m_column_mask));
}

db_failure build_masks(velk_options& options) {
    if (options.m_notification_def.m_columns.empty() || options.m_handler_def.m_columns.empty()) {
        options.diag_line("prob finding schemas that should be present");
        return db_failure::tables_missing;
    }
    const uint64 notification_mask = notification_column_mask(options.m_notification_def);
    const uint64 handler_mask = handler_column_mask(options.m_handler_def);
    if (notification_mask == 0 || handler_mask == 0) {
        options.diag_line("prob getting masks for schemas");
        return db_failure::masks_missing;
    }
    count_columns(options.m_notification_def);
    count_columns(options.m_handler_def);
    if (!options.m_channel_def.m_columns.empty()) {
        (void)channel_column_mask(options.m_channel_def);  // stored in the definition
        count_columns(options.m_channel_def);
    }
    if (options.m_incl_settings && !options.m_settings_def.m_columns.empty()) {
        // The settings builder only computes the mask; it is kept here.
        options.m_settings_def.m_column_mask = settings_column_mask(options.m_settings_def);
        count_columns(options.m_settings_def);
    }
    return db_failure::none;
}

db_failure read_schema_and_masks(velk_options& options, db_input& in) {
    if (!read_schema(in.names, in.sql_texts, in.root_pages, in.file, options.m_page_size, in.path,
                     in.use_wal_image)) {
        options.diag_line("prob parsing sqlite schema");
        failure_line(in.path,
                     in.header.page_size_valid() ? "the sqlite schema cannot be parsed"
                                                 : "the page size is not one the format allows");
        return db_failure::schema_unreadable;
    }
    load_definitions(options, in);
    const db_failure fault = build_masks(options);
    if (fault == db_failure::tables_missing) {
        failure_line(in.path, "no notification or no handler table");
    } else if (fault == db_failure::masks_missing) {
        failure_line(in.path, "a push table holds none of the known columns");
    }
    return fault;
}

// ---- "-carve": the own b-tree walk ----

// The values of the known (selected and masked) columns, in column order, gathered at the
// front of the row itself: no list is built per row.
void keep_in_column_order(const table_definition& def, std::vector<std::string>& row) {
    const std::size_t stored = row.size();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < def.m_columns.size(); ++i) {
        const column_definition& col = def.m_columns[i];
        const uint64 bit = col.m_selected != 0 ? col.m_column_bit : 0;
        if (bit == 0 || (def.m_column_mask & bit) == 0) {
            continue;
        }
        // kept <= i: a value only ever moves towards the front.
        if (i < stored) {
            if (kept != i) {
                row[kept] = std::move(row[i]);
            }
        } else if (kept < row.size()) {
            row[kept] = col.m_default;
        } else {
            row.push_back(col.m_default);
        }
        ++kept;
    }
    row.resize(kept);
}

// The values of a walked row that the known columns of the definition hold, left in the
// row: in column order for the tables whose columns the mask builders marked, in bit order
// for the settings table (its values go to the mask's bits in the order given). A row too
// short for a column (added to the table after the row was written) gets the column's
// declared default, as SQLite gives it.
void keep_known_values(const table_definition& def, uint32 table_type,
                       std::vector<std::string>& row) {
    if (table_type != push_table_settings) {
        keep_in_column_order(def, row);
        return;
    }
    const push_table_roles* roles = push_roles_for(table_type);
    std::vector<std::pair<uint64, std::string>> taken;
    for (std::size_t i = 0; i < def.m_columns.size(); ++i) {
        const column_definition& col = def.m_columns[i];
        const uint64 bit = push_role_bit(*roles, col.m_name_lower);
        if (bit == 0 || (def.m_column_mask & bit) == 0) {
            continue;
        }
        taken.emplace_back(bit, i < row.size() ? std::move(row[i]) : col.m_default);
    }
    std::stable_sort(taken.begin(), taken.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    row.clear();
    for (auto& [bit, value] : taken) {
        row.push_back(std::move(value));
    }
}

template <typename record_type>
bool add_walked(std::vector<record_type>& list, table_definition& def, uint32 table_type,
                table_record& row, uint32 source) {
    const uint64 mask = def.m_column_mask;
    keep_known_values(def, table_type, row.values);
    const std::vector<std::string>& values = row.values;
    record_type& record = list.emplace_back();
    const bool filled =
        table_type == push_table_settings
            ? record.parse_record_values(values, true, row.file_offset, mask, source)
            : record.parse_table_record(values, true, row.file_offset, mask, source, def);
    if (!filled) {
        list.pop_back();
        return false;
    }
    record.set_from_table_record(row, mask, table_type, def);
    return true;
}

void add_walked_row(velk_options& options, uint32 table_type, table_record& row,
                    uint32 source) {
    table_definition& def = definition_of(options, table_type);
    switch (table_type) {
        case push_table_notification:
            if (add_walked(options.m_notifications, def, table_type, row, source)) {
                index_notification(options, options.m_notifications.size() - 1);
            }
            break;
        case push_table_handler:
            if (add_walked(options.m_handlers, def, table_type, row, source)) {
                index_handler(options, options.m_handlers.size() - 1, true);
            }
            break;
        case push_table_channel:
            if (add_walked(options.m_channels, def, table_type, row, source)) {
                index_channel(options, options.m_channels.size() - 1);
            }
            break;
        default:
            if (add_walked(options.m_settings, def, table_type, row, source)) {
                index_settings(options, options.m_settings.size() - 1);
            }
            break;
    }
}

// Every row of every table found, in b-tree order. A walk that fails leaves its table
// empty and the others are still walked.
void walk_tables(velk_options& options, db_input& in) {
    uint32 source = record_source::carve_main;
    if (in.use_wal_image) {
        source = record_source::carve_main_from_wal;
        // The image already holds the log's current pages: the slack carve of this input
        // must not report them again.
        options.m_carve = false;
    }
    for (const uint32 table_type : table_order) {
        const table_definition& def = definition_of(options, table_type);
        if (def.m_columns.empty() || !in.root_usable[slot_of(table_type)] ||
            (table_type == push_table_settings && !options.m_incl_settings)) {
            continue;
        }
        // Each row becomes a record as its leaf is read: the table is never held as rows
        // and as records at once. Start 0 and a count with all bits set: every rowid,
        // negative ones included. Texts are read in the encoding the header declares. A walk
        // that takes no row leaves the table empty.
        (void)for_each_table_record(in.file, def.m_root_page_offset, options.m_page_size, 0,
                                    std::numeric_limits<uint64>::max(), true, true,
                                    in.header.encoding(),
                                    [&options, table_type, source](table_record& row) {
                                        add_walked_row(options, table_type, row, source);
                                    });
    }
}

// ---- default mode: the SQLite library ----

// A live payload is shown as stored up to its first zero byte and never takes a damage
// marker, so its value keeps the length of its text; every other value keeps its byte
// length (a GUID's zero bytes are part of it).
uint64 payload_bit_of(uint32 table_type) {
    switch (table_type) {
        case push_table_notification:
            return notification_column::payload;
        case push_table_handler:
            return handler_column::data_40;
        default:
            return 0;
    }
}

// What the rows of one SELECT share, and what they collect until it ends.
struct selected_rows {
    // The base part every record of the SELECT starts from: its mask, table type, column
    // initials and schema signature. Made once, as building the initials takes a string
    // stream.
    sqlite_metadata shape;
    // The notifications' handler ids, joined to m_used_handler_ids when the SELECT ends:
    // one look-up per distinct id instead of one per row, each a cache miss once the
    // payloads lie between the set's nodes.
    std::vector<int64> handler_ids;
};

// A record of the list from one selected row. Within a SELECT, the record's base part
// starts as the SELECT's shape and the parse adds where the row came from; a lone row
// takes its mask and table from the definition itself.
template <typename record_type>
bool add_selected(std::vector<record_type>& list, table_definition& def, uint32 table_type,
                  int32 count, const std::vector<const char*>& values,
                  const std::vector<uint32>& lengths, const selected_rows* rows) {
    record_type& record = list.emplace_back();
    if (rows != nullptr) {
        static_cast<sqlite_metadata&>(record) = rows->shape;
    }
    if (!record.parse_fields(count, values, lengths, false, 0, def.m_column_mask,
                             static_cast<int32>(def.m_column_count), record_source::sqlite_lib)) {
        list.pop_back();
        return false;
    }
    if (rows == nullptr) {
        record.set_mask_and_table(def.m_column_mask, table_type, def);
    }
    return true;
}

// A notification row of a SELECT leaves its handler id with the SELECT; a lone row is
// indexed at once.
void index_selected_notification(velk_options& options, selected_rows* rows) {
    if (rows == nullptr) {
        index_notification(options, options.m_notifications.size() - 1);
        return;
    }
    rows->handler_ids.push_back(options.m_notifications.back().m_handler_id);
}

void join_used_handler_ids(velk_options& options, selected_rows& rows) {
    std::vector<int64>& ids = rows.handler_ids;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    options.m_used_handler_ids.insert(ids.begin(), ids.end());
}

int32 store_row(velk_options& options, int32 count, const std::vector<const char*>& values,
                const std::vector<uint32>& lengths, selected_rows* rows) {
    if (!options.m_db.is_open()) {
        return 1;
    }
    const uint32 table_type = options.m_table_type;
    switch (table_type) {
        case push_table_notification:
            if (add_selected(options.m_notifications, options.m_notification_def, table_type, count,
                             values, lengths, rows)) {
                index_selected_notification(options, rows);
            }
            break;
        case push_table_handler:
            if (add_selected(options.m_handlers, options.m_handler_def, table_type, count, values,
                             lengths, rows)) {
                index_handler(options, options.m_handlers.size() - 1, true);
            }
            break;
        case push_table_channel:
            if (add_selected(options.m_channels, options.m_channel_def, table_type, count, values,
                             lengths, rows)) {
                index_channel(options, options.m_channels.size() - 1);
            }
            break;
        case push_table_settings:
            if (add_selected(options.m_settings, options.m_settings_def, table_type, count, values,
                             lengths, rows)) {
                index_settings(options, options.m_settings.size() - 1);
            }
            break;
        default:
            break;
    }
    return 0;
}

int32 on_push_row(velk_options& options, int32 count, const std::vector<const char*>& values,
                  std::vector<uint32>& lengths, selected_rows& rows) {
    const uint64 payload_bit = payload_bit_of(options.m_table_type);
    const uint64 mask = definition_of(options, options.m_table_type).m_column_mask;
    if (payload_bit != 0 && (mask & payload_bit) != 0) {
        const auto index = static_cast<std::size_t>(count_mask_bits(mask & (payload_bit - 1)));
        if (index < lengths.size() && index < values.size()) {
            // A blob's bytes need not be followed by a zero byte: the text is looked for
            // within the value's own length.
            const char* value = values[index];
            const void* zero = value == nullptr ? nullptr : std::memchr(value, 0, lengths[index]);
            if (zero != nullptr) {
                lengths[index] = static_cast<uint32>(static_cast<const char*>(zero) - value);
            }
        }
    }
    return store_row(options, count, values, lengths, &rows);
}

bool select_table(velk_options& options, uint32 table_type) {
    std::ostringstream sql;
    const table_definition& def = definition_of(options, table_type);
    if (!build_select_sql(sql, table_type, def.m_column_mask)) {
        return false;
    }
    options.m_table_type = table_type;
    selected_rows rows;
    rows.shape.set_mask_and_table(def.m_column_mask, table_type, def);
    const bool read = select_push_rows(options, &options.m_db, sql.str(),
                                       [&rows](velk_options& o, int32 count,
                                               const std::vector<const char*>& values,
                                               std::vector<uint32>& lengths) {
                                           return on_push_row(o, count, values, lengths, rows);
                                       });
    // Rows delivered before a failing step stay, and so do their handler ids.
    join_used_handler_ids(options, rows);
    return read;
}

// As select_table; a failure of the library is said with the library's own text. A failed
// handler, channel or settings SELECT leaves the notifications standing.
bool select_and_say(velk_options& options, uint32 table_type) {
    if (select_table(options, table_type)) {
        return true;
    }
    failure_line(options.m_db.db_path(), library_error_text(options));
    return false;
}

// A hot rollback journal (an interrupted transaction) makes a read-only open fail: the
// library must roll the journal back before it can read, and that is a write. The library
// works on our private copy, so the copy may be opened read-write and rolled back there,
// which gives the last committed state; the evidence itself is never written. True when
// the copy has a journal and was reopened.
bool reopen_for_hot_journal(velk_options& options, const private_db_copy& copy) {
    std::error_code ignored;
    if (copy.path().empty() || !std::filesystem::exists(copy.path() + "-journal", ignored)) {
        return false;
    }
    const std::string path = options.m_db.db_path();
    options.m_db.close();
    const bool reopened = options.m_db.open(nullptr, copy.path(), std::string());
    options.m_db.set_db_path(path);
    return reopened;
}

// The connection for the evidence at path. A database with no log or journal beside it
// is read in place, immutable: nothing is written and no temporary space is needed. Any
// other is read from a private copy.
bool open_for_select(velk_options& options, private_db_copy& copy, const std::string& path) {
    if (!needs_private_copy(path)) {
        return options.m_db.open_immutable(path);
    }
    return copy.make(path) && options.m_db.open_readonly(copy.path(), std::string());
}

db_failure select_tables(velk_options& options, const std::string& path) {
    private_db_copy copy;
    if (!open_for_select(options, copy, path)) {
        options.m_db.set_db_path(path);
        error_line("prob accessing file", path);
        return db_failure::not_read;
    }
    options.m_db.set_db_path(path);
    // Notifications first: the handlers' short-name width follows the handlers they use.
    // A hot journal fails the first statement before any row; the retry on the rolled-back
    // copy is the one whose failure counts.
    bool read = select_table(options, push_table_notification);
    if (!read && options.m_notifications.empty() && reopen_for_hot_journal(options, copy)) {
        read = select_table(options, push_table_notification);
    }
    if (!read) {
        failure_line(path, library_error_text(options));
    }
    // Rows delivered before a failing step stay, and so do their handlers and channels.
    if (read || !options.m_notifications.empty()) {
        (void)select_and_say(options, push_table_handler);  // said, not fatal
        (void)select_and_say(options, push_table_channel);
        if (options.m_incl_settings) {
            (void)select_and_say(options, push_table_settings);
        }
    }
    // Every row is read: the connection goes before its copy does.
    options.m_db.close();
    options.m_db.set_db_path(path);
    return read ? db_failure::none : db_failure::select_failed;
}

db_failure read_database(velk_options& options, db_input& in) {
    db_failure fault = read_header(options, in);
    if (fault == db_failure::none) {
        fault = read_schema_and_masks(options, in);
    }
    if (fault != db_failure::none) {
        return fault;
    }
    if (options.m_carve) {
        walk_tables(options, in);
        return db_failure::none;
    }
    return select_tables(options, in.path);
}

}  // namespace

bool process_db_file(velk_options* options, std::string path) {
    if (options == nullptr) {
        return false;
    }
    if (path.empty()) {
        options->m_db_failure = db_failure::not_read;
        return false;
    }
    options->reset_results();
    db_input in;
    in.path = expand_input_path(*options, path);  // walked names are opened as found
    options->m_db.set_db_path(in.path);
    in.use_wal_image = options->m_carve;
    options->m_db_failure = read_database(*options, in);
    if (options->m_db_failure != db_failure::none) {
        return false;
    }
    options->m_have_input = true;
    return true;
}

int32 store_selected_row(velk_options& options, int32 count, const std::vector<const char*>& values,
                         const std::vector<uint32>& lengths) {
    return store_row(options, count, values, lengths, nullptr);
}

int on_select_row(void* context, int count, char** values, char** names) {
    (void)names;  // rows are mapped by their mask, never by column name
    if (context == nullptr) {
        return 1;
    }
    auto& options = *static_cast<velk_options*>(context);
    std::vector<const char*> row;
    if (values != nullptr && count > 0) {
        const std::span<char* const> texts(values, static_cast<std::size_t>(count));
        row.assign(texts.begin(), texts.end());
    }
    return store_selected_row(options, count, row, {});
}
