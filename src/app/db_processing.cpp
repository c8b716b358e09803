#include "app/db_processing.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_set>
#include <utility>

#include "app/input_path.h"
#include "app/private_db_copy.h"
#include "app/push_columns.h"
#include "app/push_query.h"
#include "app/push_record_index.h"
#include "app/push_table_type.h"
#include "app/velk_options.h"
#include "io/uni_file_info.h"
#include "io/uni_fileio.h"
#include "io/uni_path.h"
#include "sqlite/carved_record.h"
#include "sqlite/database_carver.h"
#include "sqlite/db_file.h"
#include "sqlite/record_bits.h"
#include "sqlite/record_header.h"
#include "sqlite/schema_reader.h"
#include "sqlite/sqlite_api.h"
#include "sqlite/table_definition.h"
#include "sqlite/table_walk.h"
#include "sqlite/value_code.h"
#include "sqlite/wal_frames.h"
#include "sqlite/wal_image.h"
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
    std::string path;       // as given, %VAR%-expanded: the input's name in the report
    std::string real_path;  // the file it reaches, links resolved: what is opened
    std::string shown;      // the name for messages: both names where a link lies between
    uni::fileio file;       // the original; with the image flag, its WAL-applied image
    // The library's rows are read with the log applied: file then holds that image, for the
    // schema, the roots and any walk done in place of a SELECT.
    bool live_image = false;
    sqlite_db_header header;
    std::vector<std::string> names;
    std::vector<std::string> sql_texts;
    std::vector<uint64> root_pages;
    bool use_wal_image = false;
    // Per table: its root page names a page of the file, so a walk may start there.
    std::array<bool, 4> root_usable{};
    std::array<uint64, 4> root_page{};  // per table, as the schema gives it
    // The main-file pages (offsets) the companion replaces, when the walk reads the file as
    // it stands, and the label their rows take.
    std::set<uint64> replaced_pages;
    uint32 replaced_source = 0;
    // Where the log's checksum chain breaks, as the live view's walk of it found.
    wal_chain_break chain_break;
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

// A file that could not be opened or read, with the system's reason (or what the file is).
void access_failure(const std::string& shown, const std::string& reason) {
    (void)stderr_printf("prob accessing file %s: %s\n", shown.c_str(), reason.c_str());
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

// ---- the file and its companions ----

// The input's name for messages: as given, followed by the file it reaches when a link
// lies on the way (a relative name alone is no reason to say both).
std::string shown_name(const std::string& given, const std::string& real_path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(given, error);
    if (!error && absolute.lexically_normal() == real_path) {
        return given;
    }
    return given + " (resolved: " + real_path + ")";
}

// A companion's name for messages: beside the name given, or beside the file reached
// when a link lies between them, as the companion is read there.
std::string companion_shown(const db_input& in, const std::string& suffix) {
    if (suffix.empty()) {
        return in.shown;
    }
    return (in.shown == in.path ? in.path : in.real_path) + suffix;
}

// Resolves the name once (realpath) to the file it reaches: the database, its "-wal" and
// "-journal" beside that file, as the SQLite library takes them, and the private copy all
// come from there. Only a regular file is opened: a FIFO could block the run, a device be
// read without end, a folder read as nothing.
db_failure locate_input(db_input& in) {
    const int error = uni::resolve_path(in.path, in.real_path);
    if (error != 0) {
        access_failure(in.shown, std::strerror(error));  // a dangling link, a missing file
        return db_failure::not_read;
    }
    in.shown = shown_name(in.path, in.real_path);
    struct stat64 info {};
    if (::stat64(in.real_path.c_str(), &info) != 0) {
        access_failure(in.shown, std::strerror(errno));
        return db_failure::not_read;
    }
    if (const char* kind = uni::special_file_kind(info.st_mode); kind != nullptr) {
        access_failure(in.shown, std::string(kind) + ", not a regular file");
        return db_failure::not_read;
    }
    return db_failure::none;
}

// The own walk ("-carve") reads the main file, and its "-wal" only when page 1 does not
// parse; a companion that is there but cannot be read is said, and the rows of the main
// file are read all the same.
void check_companions(const db_input& in) {
    for (const char* suffix : {"-wal", "-journal"}) {
        const std::string path = in.real_path + suffix;
        struct stat64 info {};
        if (::stat64(path.c_str(), &info) != 0) {
            if (errno != ENOENT && errno != ENOTDIR) {
                access_failure(companion_shown(in, suffix), std::strerror(errno));
            }
            continue;
        }
        if (const char* kind = uni::special_file_kind(info.st_mode); kind != nullptr) {
            access_failure(companion_shown(in, suffix), std::string(kind) + ", not a regular file");
        } else if (::access(path.c_str(), R_OK) != 0) {
            access_failure(companion_shown(in, suffix), std::strerror(errno));
        }
    }
}

// ---- header and schema ----

db_failure read_header(velk_options& options, db_input& in) {
    byte_array head;
    if (!in.file.open(in.real_path, false, false, false)) {
        access_failure(in.shown, std::strerror(errno));
        return db_failure::not_read;
    }
    if (!in.file.read_at(head, header_length, 0) || head.empty()) {
        access_failure(in.shown, head.empty() && in.file.size() == 0
                                     ? std::string("the file is empty")
                                     : std::strerror(errno));
        return db_failure::not_read;
    }
    // A file shorter than the header reads as far as it goes; the rest stays zero.
    std::copy_n(head.begin(), std::min(head.size(), in.header.bytes.size()),
                in.header.bytes.begin());
    std::string format(in.header.bytes.begin(), in.header.bytes.begin() + format_text_length);
    if (!string_to_lower(format).starts_with(format_word)) {
        error_line("prob processing file", in.shown + ": not an SQLite database");
        return db_failure::not_sqlite;
    }
    status_line(options, "analyzing", in.shown);
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
        in.root_page[slot_of(table_type)] = in.root_pages[i];
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

// Only the notification table is needed: a database without the handler (or channel)
// table still holds its notifications, which are reported with those cells empty.
db_failure build_masks(velk_options& options) {
    if (options.m_notification_def.m_columns.empty()) {
        options.diag_line("prob finding schemas that should be present");
        return db_failure::tables_missing;
    }
    const bool have_handlers = !options.m_handler_def.m_columns.empty();
    const uint64 notification_mask = notification_column_mask(options.m_notification_def);
    const uint64 handler_mask = have_handlers ? handler_column_mask(options.m_handler_def) : 0;
    if (notification_mask == 0 || (have_handlers && handler_mask == 0)) {
        options.diag_line("prob getting masks for schemas");
        return db_failure::masks_missing;
    }
    count_columns(options.m_notification_def);
    if (have_handlers) {
        count_columns(options.m_handler_def);
    }
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

// The library reads the database with its log applied (up to the last commit the
// checksum chain reaches), so the pages the own parser reads beside it (the schema, the
// roots, a walk in place of a failed SELECT) come from the same image: a page 1 or root
// the main file holds damaged, but the log holds whole, is read as the library reads it.
// Without a log, or with one that commits no page, the main file is read as it stands.
db_failure open_live_view(db_input& in) {
    struct stat64 info {};
    if (is_wal_path(in.real_path) || ::stat64((in.real_path + "-wal").c_str(), &info) != 0) {
        return db_failure::none;  // no log; a log given as the database has none of its own
    }
    // One walk of the log finds both its winning frames and where its chain breaks.
    wal_frame_map winning;
    {
        uni::fileio log;
        if (log.open(in.real_path + "-wal", false, true, false)) {
            (void)read_wal_winning(winning, log, &in.chain_break);
        }
    }
    in.live_image = open_live_image(in.file, in.real_path, &winning);
    if (in.live_image || in.file.open(in.real_path, false, false, false)) {
        return db_failure::none;
    }
    access_failure(in.shown, std::strerror(errno));  // gone since its header was read
    return db_failure::not_read;
}

// The tables that may be missing without hiding the notifications: said, and their cells
// stay empty in the report.
void say_missing_tables(velk_options& options, const db_input& in) {
    const std::array<std::pair<uint32, const char*>, 3> optional = {
        {{push_table_handler, "handler"},
         {push_table_channel, "channel"},
         {push_table_settings, "settings"}}};
    for (const auto& [table_type, what] : optional) {
        const table_definition& def = definition_of(options, table_type);
        if (!def.m_columns.empty() ||
            (table_type == push_table_settings && !options.m_incl_settings)) {
            continue;
        }
        failure_line(in.shown, std::string("no ") + push_roles_for(table_type)->name +
                                   " table: the notifications are reported without their " + what);
    }
}

db_failure read_schema_and_masks(velk_options& options, db_input& in) {
    // The live image is already the log's view: no further image is looked for.
    const std::string log_of = in.live_image ? std::string() : in.real_path;
    if (!read_schema(in.names, in.sql_texts, in.root_pages, in.file, options.m_page_size, log_of,
                     in.use_wal_image)) {
        options.diag_line("prob parsing sqlite schema");
        failure_line(in.shown, in.header.page_size_valid()
                                   ? "the sqlite schema cannot be parsed"
                                   : "the page size is not one the format allows");
        return db_failure::schema_unreadable;
    }
    load_definitions(options, in);
    const db_failure fault = build_masks(options);
    if (fault == db_failure::tables_missing) {
        failure_line(in.shown,
                     std::string("no ") + push_roles_for(push_table_notification)->name + " table");
    } else if (fault == db_failure::masks_missing) {
        failure_line(in.shown, "a push table holds none of the known columns");
    } else {
        say_missing_tables(options, in);
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

bool is_rowid_alias(const column_definition& col) {
    return (col.m_constraints & col_primary_key) != 0 && col.m_type_mask == col_type_integer;
}

// The walker stands the rowid in for a NULL first column, as an INTEGER PRIMARY KEY is
// stored as NULL there. In a table whose first column is no such key (HandlerSettings keys
// on HandlerId and SettingKey) a stored NULL is the value itself, and a NULL HandlerId must
// stay NULL: the record header read with the row tells which it was.
void restore_null_first_column(const table_definition& def, table_record& row) {
    if (row.values.empty() || def.m_columns.empty() || is_rowid_alias(def.m_columns.front())) {
        return;
    }
    uint32 header_size = 0;
    std::vector<uint32> codes;
    std::vector<uint32> sizes;
    if (parse_record_header_all(header_size, codes, sizes, kq::byte_reader(row.bytes)) &&
        !codes.empty() && value_code::kind_of(codes.front()) == value_code::null) {
        row.values.front().clear();
    }
}

// The walk hands every value over as its text, which no longer tells a text ActivityId
// from a blob of the same bytes; the row's record header does. A row written before the
// column was added holds none and takes the declared default: none, or a text. 0 when the
// header cannot be read.
uint32 walked_activity_kind(const table_definition& def, const table_record& row) {
    for (std::size_t i = 0; i < def.m_columns.size(); ++i) {
        const column_definition& col = def.m_columns[i];
        if (col.m_selected == 0 || col.m_column_bit != notification_column::guid) {
            continue;
        }
        uint32 header_size = 0;
        std::vector<uint32> codes;
        std::vector<uint32> sizes;
        if (!parse_record_header_all(header_size, codes, sizes, kq::byte_reader(row.bytes))) {
            return 0;
        }
        if (i < codes.size()) {
            return value_code::kind_of(codes[i]);
        }
        return col.m_default.empty() ? value_code::null : value_code::text;
    }
    return 0;
}

uint64 payload_bit_of(uint32 table_type);

// A payload read whole from a live cell is shown as the library shows it, up to its first
// zero byte: a zero byte there is stored data, not the damage a carved value's one may be.
void trim_walked_payload(uint32 table_type, uint64 mask, std::vector<std::string>& values) {
    const uint64 payload_bit = payload_bit_of(table_type);
    if (payload_bit == 0 || (mask & payload_bit) == 0) {
        return;
    }
    const auto index = static_cast<std::size_t>(count_mask_bits(mask & (payload_bit - 1)));
    if (index < values.size()) {
        values[index].resize(std::min(values[index].size(), values[index].find('\0')));
    }
}

template <typename record_type>
bool add_walked(std::vector<record_type>& list, table_definition& def, uint32 table_type,
                table_record& row, uint32 source) {
    const uint64 mask = def.m_column_mask;
    restore_null_first_column(def, row);
    keep_known_values(def, table_type, row.values);
    trim_walked_payload(table_type, mask, row.values);
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

// Joins a table's notification handler ids to m_used_handler_ids once the table is read:
// one look-up per distinct id instead of one per row, each a cache miss once the payloads
// lie between the set's nodes. The handlers, read after, find them there.
void join_used_handler_ids(velk_options& options, std::vector<int64>& ids) {
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    options.m_used_handler_ids.insert(ids.begin(), ids.end());
}

// A walked row as a record; a notification's handler id is left in handler_ids, for
// join_used_handler_ids when the walk ends.
void add_walked_row(velk_options& options, uint32 table_type, table_record& row, uint32 source,
                    std::vector<int64>& handler_ids) {
    table_definition& def = definition_of(options, table_type);
    switch (table_type) {
        case push_table_notification:
            if (add_walked(options.m_notifications, def, table_type, row, source)) {
                notification_record& notification = options.m_notifications.back();
                notification.m_guid_kind = walked_activity_kind(def, row);
                if (!notification.m_handler_id_null) {
                    handler_ids.push_back(notification.m_handler_id);
                }
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

// Whether a walk can start at the table's root: the root names a page of the file that is
// a b-tree page. An empty table's root is a leaf without cells, and reads.
bool root_reads(velk_options& options, db_input& in, uint32 table_type) {
    const uint64 root = in.root_page[slot_of(table_type)];
    tree_pages trees;
    map_tree_pages(trees, in.file, root, options.m_page_size);
    return in.root_usable[slot_of(table_type)] &&
           (trees.leaves.count(root) != 0 || trees.interior.count(root) != 0);
}

// A row of a main-file page that the companion replaces is that page's stale version: it
// takes the label the slack carve gives the page (which leaves such rows to this walk), so
// it is reported once, as what it is.
uint32 walked_row_source(const db_input& in, const table_record& row, uint32 source) {
    const uint64 page_size = in.header.page_size();
    if (in.replaced_pages.empty() || page_size == 0) {
        return source;
    }
    const uint64 page = row.file_offset - row.file_offset % page_size;
    return in.replaced_pages.count(page) != 0 ? in.replaced_source : source;
}

// Walks one table, each row becoming a record as its leaf is read: the table is never held
// as rows and as records at once. Every page is read at most once per walk, so links that
// loop end it. False when the walk gave no row.
bool walk_table_rows(velk_options& options, db_input& in, uint32 table_type, uint32 source) {
    const table_definition& def = definition_of(options, table_type);
    if (!in.root_usable[slot_of(table_type)]) {
        return false;
    }
    std::vector<int64> handler_ids;
    // Start 0 and a count with all bits set: every rowid, negative ones included. Texts are
    // read in the encoding the header declares.
    const bool walked = for_each_table_record(
        in.file, def.m_root_page_offset, options.m_page_size, 0,
        std::numeric_limits<uint64>::max(), true, true, in.header.encoding(),
        [&options, &in, table_type, source, &handler_ids](table_record& row) {
            add_walked_row(options, table_type, row, walked_row_source(in, row, source),
                           handler_ids);
        });
    join_used_handler_ids(options, handler_ids);
    return walked;
}

// As walk_table_rows; false when the walk could not start at the table's root (said here):
// the carve that follows reads the leaves no walk reaches.
bool walk_table(velk_options& options, db_input& in, uint32 table_type, uint32 source) {
    if (walk_table_rows(options, in, table_type, source)) {
        return true;
    }
    if (root_reads(options, in, table_type)) {
        return true;  // a table without rows
    }
    const table_definition& def = definition_of(options, table_type);
    failure_line(in.path, "the " + def.m_name + " table cannot be walked from its root page " +
                              std::to_string(in.root_page[slot_of(table_type)]));
    return false;
}

// Every row of every table found, in b-tree order. A walk that fails leaves its table
// empty and the others are still walked; a notification table that cannot be walked fails
// the read, as its SELECT would.
db_failure walk_tables(velk_options& options, db_input& in) {
    uint32 source = record_source::carve_main;
    if (in.use_wal_image) {
        source = record_source::carve_main_from_wal;
        // The image already holds the log's current pages: the slack carve of this input
        // must not report them again.
        options.m_carve = false;
    } else {
        // Read once per input: no companion, or one that does not read, replaces nothing.
        (void)find_replaced_pages(in.replaced_pages, in.replaced_source, in.real_path,
                                  in.header.page_size(), in.file.size());
    }
    db_failure fault = db_failure::none;
    for (const uint32 table_type : table_order) {
        const table_definition& def = definition_of(options, table_type);
        if (def.m_columns.empty() ||
            (table_type == push_table_settings && !options.m_incl_settings)) {
            continue;
        }
        if (!walk_table(options, in, table_type, source) && table_type == push_table_notification) {
            fault = db_failure::walk_failed;
        }
    }
    return fault;
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
    // The notifications' handler ids, for join_used_handler_ids when the SELECT ends.
    std::vector<int64> handler_ids;
};

// The fill of a selected row. A notification takes the kinds of its values too: its
// ActivityId is shown by how it was stored.
template <typename record_type>
bool fill_selected(record_type& record, const table_definition& def, int32 count,
                   const std::vector<const char*>& values, const std::vector<uint32>& lengths,
                   const std::vector<uint32>& codes) {
    const auto minimum = static_cast<int32>(def.m_column_count);
    if constexpr (std::is_same_v<record_type, notification_record>) {
        return record.parse_fields_ex(count, values, lengths, codes, false, 0, def.m_column_mask,
                                      minimum, record_source::sqlite_lib);
    } else {
        return record.parse_fields(count, values, lengths, false, 0, def.m_column_mask, minimum,
                                   record_source::sqlite_lib);
    }
}

// A record of the list from one selected row. Within a SELECT, the record's base part
// starts as the SELECT's shape and the parse adds where the row came from; a lone row
// takes its mask and table from the definition itself.
template <typename record_type>
bool add_selected(std::vector<record_type>& list, table_definition& def, uint32 table_type,
                  int32 count, const std::vector<const char*>& values,
                  const std::vector<uint32>& lengths, const std::vector<uint32>& codes,
                  const selected_rows* rows) {
    record_type& record = list.emplace_back();
    if (rows != nullptr) {
        static_cast<sqlite_metadata&>(record) = rows->shape;
    }
    if (!fill_selected(record, def, count, values, lengths, codes)) {
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
    const notification_record& notification = options.m_notifications.back();
    if (!notification.m_handler_id_null) {
        rows->handler_ids.push_back(notification.m_handler_id);
    }
}

int32 store_row(velk_options& options, int32 count, const std::vector<const char*>& values,
                const std::vector<uint32>& lengths, const std::vector<uint32>& codes,
                selected_rows* rows) {
    if (!options.m_db.is_open()) {
        return 1;
    }
    const uint32 table_type = options.m_table_type;
    switch (table_type) {
        case push_table_notification:
            if (add_selected(options.m_notifications, options.m_notification_def, table_type, count,
                             values, lengths, codes, rows)) {
                index_selected_notification(options, rows);
            }
            break;
        case push_table_handler:
            if (add_selected(options.m_handlers, options.m_handler_def, table_type, count, values,
                             lengths, codes, rows)) {
                index_handler(options, options.m_handlers.size() - 1, true);
            }
            break;
        case push_table_channel:
            if (add_selected(options.m_channels, options.m_channel_def, table_type, count, values,
                             lengths, codes, rows)) {
                index_channel(options, options.m_channels.size() - 1);
            }
            break;
        case push_table_settings:
            if (add_selected(options.m_settings, options.m_settings_def, table_type, count, values,
                             lengths, codes, rows)) {
                index_settings(options, options.m_settings.size() - 1);
            }
            break;
        default:
            break;
    }
    return 0;
}

int32 on_push_row(velk_options& options, int32 count, const std::vector<const char*>& values,
                  std::vector<uint32>& lengths, const std::vector<uint32>& codes,
                  selected_rows& rows) {
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
    return store_row(options, count, values, lengths, codes, &rows);
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
    const bool read = select_push_rows(
        options, &options.m_db, sql.str(),
        [&rows](velk_options& o, int32 count, const std::vector<const char*>& values,
                std::vector<uint32>& lengths, const std::vector<uint32>& codes) {
            return on_push_row(o, count, values, lengths, codes, rows);
        });
    // Rows delivered before a failing step stay, and so do their handler ids.
    join_used_handler_ids(options, rows.handler_ids);
    return read;
}

// ---- a SELECT that failed partway ----

// The rows a failed SELECT left, set aside while the own walk reads the table anew.
struct set_aside_rows {
    std::vector<notification_handler_record> handlers;
    std::vector<wns_push_channel_record> channels;
    std::vector<handler_settings_record> settings;
};

std::size_t rows_of(const velk_options& options, uint32 table_type) {
    switch (table_type) {
        case push_table_notification:
            return options.m_notifications.size();
        case push_table_handler:
            return options.m_handlers.size();
        case push_table_channel:
            return options.m_channels.size();
        default:
            return options.m_settings.size();
    }
}

// Empties the table and its index. The notifications are not kept: without them, the input
// is read again as "-carve" reads it (velk_run.cpp).
void set_aside(velk_options& options, uint32 table_type, set_aside_rows& out) {
    switch (table_type) {
        case push_table_notification:
            options.m_notifications.clear();
            options.m_used_handler_ids.clear();
            break;
        case push_table_handler:
            out.handlers = std::exchange(options.m_handlers, {});
            options.m_handler_index.clear();
            break;
        case push_table_channel:
            out.channels = std::exchange(options.m_channels, {});
            options.m_channel_index.clear();
            break;
        default:
            out.settings = std::exchange(options.m_settings, {});
            options.m_settings_index.clear();
            break;
    }
}

// The rows set aside, back in the store with their index, when the walk found none.
void put_back(velk_options& options, uint32 table_type, set_aside_rows& rows) {
    switch (table_type) {
        case push_table_handler:
            options.m_handlers = std::move(rows.handlers);
            for (std::size_t i = 0; i < options.m_handlers.size(); ++i) {
                index_handler(options, i, true);
            }
            break;
        case push_table_channel:
            options.m_channels = std::move(rows.channels);
            for (std::size_t i = 0; i < options.m_channels.size(); ++i) {
                index_channel(options, i);
            }
            break;
        case push_table_settings:
            options.m_settings = std::move(rows.settings);
            for (std::size_t i = 0; i < options.m_settings.size(); ++i) {
                index_settings(options, i);
            }
            break;
        default:
            break;
    }
}

// Over a b-tree whose links loop, the library gives the same rows again and again until it
// notices. A live table holds each rowid once, so a notification whose Order came before
// is the library going round the loop: it is dropped, and that is said.
void drop_repeated_notifications(velk_options& options, const db_input& in) {
    std::vector<notification_record>& list = options.m_notifications;
    if ((options.m_notification_def.m_column_mask & notification_column::id) == 0) {
        return;  // no Order to tell a repeat by
    }
    std::unordered_set<int64> seen;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!seen.insert(list[i].m_id).second) {
            continue;
        }
        if (kept != i) {
            list[kept] = std::move(list[i]);
        }
        ++kept;
    }
    const std::size_t given = list.size();
    if (kept == given) {
        return;
    }
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(kept), list.end());
    failure_line(in.shown, "the library gave " + std::to_string(given - kept) + " of its " +
                               std::to_string(given) + " " + options.m_notification_def.m_name +
                               " rows again before it failed: each row is reported once");
}

// What stands for the rows of a table whose SELECT failed. Under "-incl_slack" the own walk
// of the live view reads the table in place of whatever the library gave, and says so; a
// walk that finds no row leaves a handler, channel or settings table as the library left it,
// and the notification table empty. Without "-incl_slack" the library's rows stay, each
// notification once. True when the walk read the table.
bool mend_failed_select(velk_options& options, db_input& in, uint32 table_type) {
    if (!options.m_incl_slack) {
        if (table_type == push_table_notification) {
            drop_repeated_notifications(options, in);
        }
        return false;
    }
    const std::size_t given = rows_of(options, table_type);
    set_aside_rows aside;
    set_aside(options, table_type, aside);
    const uint32 source =
        in.live_image ? record_source::carve_main_from_wal : record_source::carve_main;
    if (!walk_table_rows(options, in, table_type, source)) {
        put_back(options, table_type, aside);
        return false;
    }
    failure_line(in.shown, "the library failed on the " +
                               definition_of(options, table_type).m_name + " table after " +
                               std::to_string(given) +
                               " rows: velk's own walk read the table in their place (" +
                               std::to_string(rows_of(options, table_type)) + " rows)");
    return true;
}

// A handler, channel or settings table: one the schema lacks was said when it was read; a
// failed SELECT is said with the library's own text and mended. The notifications stand
// either way.
void select_other_table(velk_options& options, db_input& in, uint32 table_type) {
    if (definition_of(options, table_type).m_columns.empty() ||
        (table_type == push_table_settings && !options.m_incl_settings) ||
        select_table(options, table_type)) {
        return;
    }
    failure_line(in.shown, library_error_text(options));
    (void)mend_failed_select(options, in, table_type);
}

// A hot rollback journal (an interrupted transaction) makes a read-only open fail: the
// library must roll the journal back before it can read, and that is a write. The library
// works on our private copy, so the copy may be opened read-write and rolled back there,
// which gives the last committed state; the evidence itself is never written, and the
// library reaches no file outside the copy's folder whatever the journal names. True when
// the copy has a journal and was reopened.
bool reopen_for_hot_journal(velk_options& options, const private_db_copy& copy) {
    std::error_code ignored;
    if (copy.path().empty() || !std::filesystem::exists(copy.path() + "-journal", ignored)) {
        return false;
    }
    const std::string path = options.m_db.db_path();
    options.m_db.close();
    const bool reopened = options.m_db.open_confined(copy.path(), copy.folder(), true);
    options.m_db.set_db_path(path);
    return reopened;
}

// Why the private copy could not be made: a file that could not be read is named with the
// system's reason; a temporary folder that could not take the copy is named with its own.
void say_copy_failure(const db_input& in, const private_db_copy& copy) {
    const copy_failure& failure = copy.failure();
    const std::string name = companion_shown(in, failure.suffix);
    if (failure.fault == copy_fault::source) {
        access_failure(name, failure.reason);
        return;
    }
    (void)stderr_printf("cannot copy %s into TMPDIR %s: %s\n", name.c_str(),
                        copy.temp_base().c_str(), failure.reason.c_str());
}

// The connection for the evidence. A database with no log or journal beside it is read in
// place, immutable: nothing is written and no temporary space is needed. Any other, and
// one whose path is too long for the library, is read from a private copy, through a file
// layer that keeps the library inside the copy's folder.
bool open_for_select(velk_options& options, private_db_copy& copy, const db_input& in) {
    if (!needs_private_copy(in.real_path)) {
        if (options.m_db.open_immutable(in.real_path)) {
            return true;
        }
    } else if (!copy.make(in.real_path)) {
        say_copy_failure(in, copy);
        return false;
    } else if (options.m_db.open_confined(copy.path(), copy.folder(), false)) {
        return true;
    }
    access_failure(in.shown, "the SQLite library cannot open it");
    return false;
}

// The library applies a log only up to the first frame that breaks its checksum chain; the
// frames past it hold rows the live view cannot show. Said, not fatal: the live view stays
// what the library shows. The break is the one the live view's walk found in the log the
// library's copy was made of.
void say_wal_chain_break(const private_db_copy& copy, const db_input& in) {
    const wal_chain_break& broken = in.chain_break;
    const std::string& path = in.path;
    if (copy.path().empty() || broken.frames == 0) {
        return;
    }
    const auto frames = static_cast<unsigned long long>(broken.frames);
    (void)stderr_printf(
        "prob reading %s-wal: its checksum chain breaks at frame %llu: %llu frame%s not applied "
        "to the live rows (-carve and -incl_slack read them)\n",
        path.c_str(), static_cast<unsigned long long>(broken.first_frame), frames,
        frames == 1 ? "" : "s");
}

// The names outside the copy's folder that the library reached for while it rolled the
// copy's journal back (a super-journal and what it lists): refused, each said once (the
// message writes a control character in the name as a visible escape). The live rows are
// what the library shows without them.
void say_refused_names(const velk_options& options, const std::string& shown) {
    for (const std::string& name : options.m_db.refused_names()) {
        failure_line(
            shown, "the -journal names a super-journal outside the copy: " + name + "; left alone");
    }
}

db_failure select_tables(velk_options& options, db_input& in) {
    auto owned_copy = std::make_unique<private_db_copy>();
    private_db_copy& copy = *owned_copy;
    const std::string& path = in.path;
    if (!open_for_select(options, copy, in)) {
        options.m_db.set_db_path(path);
        return db_failure::not_read;
    }
    say_wal_chain_break(copy, in);
    options.m_db.set_db_path(path);
    // Notifications first: the handlers' short-name width follows the handlers they use.
    // A hot journal fails the first statement before any row; the retry on the rolled-back
    // copy is the one whose failure counts.
    bool read = select_table(options, push_table_notification);
    if (!read && options.m_notifications.empty() && reopen_for_hot_journal(options, copy)) {
        read = select_table(options, push_table_notification);
    }
    if (!read) {
        failure_line(in.shown, library_error_text(options));
        read = mend_failed_select(options, in, push_table_notification);
    }
    // Rows delivered before a failing step stay, and so do their handlers and channels.
    if (read || !options.m_notifications.empty()) {
        for (const uint32 table_type :
             {push_table_handler, push_table_channel, push_table_settings}) {
            select_other_table(options, in, table_type);  // said, not fatal
        }
    }
    say_refused_names(options, in.shown);
    // Every row is read: the connection goes before its copy does, which is removed while
    // the report is written.
    options.m_db.close();
    options.m_db.set_db_path(path);
    remove_in_background(std::move(owned_copy));
    return read ? db_failure::none : db_failure::select_failed;
}

db_failure read_database(velk_options& options, db_input& in) {
    db_failure fault = locate_input(in);
    // The slack carve of this input reads the same file and the companions beside it; a
    // name that reaches no file may still have them (a log whose database is gone), while
    // a name that reaches a device, FIFO or folder has nothing to carve.
    if (!in.real_path.empty()) {
        options.m_db_file = fault == db_failure::none ? in.real_path : std::string();
    } else {
        options.m_db_file = in.path;
    }
    if (fault != db_failure::none) {
        return fault;
    }
    fault = read_header(options, in);
    if (fault == db_failure::none && !options.m_carve) {
        fault = open_live_view(in);
    }
    if (fault == db_failure::none) {
        fault = read_schema_and_masks(options, in);
    }
    if (fault != db_failure::none) {
        return fault;
    }
    if (options.m_carve) {
        check_companions(in);
        return walk_tables(options, in);
    }
    return select_tables(options, in);
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
    options->m_db_file.clear();
    db_input in;
    in.shown = input_name_shown(*options, path);
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

void trim_live_payload(uint32 table_type, uint64 mask, std::vector<std::string>& values) {
    trim_walked_payload(table_type, mask, values);
}

int32 store_selected_row(velk_options& options, int32 count, const std::vector<const char*>& values,
                         const std::vector<uint32>& lengths) {
    return store_row(options, count, values, lengths, {}, nullptr);
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
