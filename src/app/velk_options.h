#pragma once
// velk_options: the tool's options record and, at the same time, the store of everything
// read from the current input: the database connection, the four table definitions, the
// four record lists with their indexes by handler id, and a few per-input values. It
// derives from cmd_params, so every common option and output setting is reachable through
// it. main keeps one for the whole run; reset_results empties the store at the start of
// every input.

#include <map>
#include <sstream>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/handler_settings_record.h"
#include "app/notification_handler_record.h"
#include "app/notification_record.h"
#include "app/notification_store.h"
#include "app/wns_push_channel_record.h"
#include "cmdline/cmd_params.h"
#include "sqlite/sqlite_wrapper.h"
#include "sqlite/table_definition.h"
#include "text/kq_types.h"

// Why database processing could not read the current input. main ends a single "-db" run
// that gave no live rows with a failing status for every kind (db_failure_is_fatal), unless
// the slack carve still recovers records from it: an empty report with status 0 must mean
// a database read and found empty.
enum class db_failure : uint8 {
    none,               // the rows were read
    not_read,           // not opened or not readable, also by the library; or not tried yet
    not_sqlite,         // the header does not begin with "sqlite"
    schema_unreadable,  // the schema could not be read, not even with the "-wal" applied
    tables_missing,     // no notification or no handler table
    masks_missing,      // a table holds none of the columns the tool knows
    select_failed,      // the notification SELECT failed
    walk_failed,        // "-carve": the notification table's b-tree could not be walked
};

// Every kind but none.
[[nodiscard]] bool db_failure_is_fatal(db_failure kind);

class velk_options : public cmd_params {
public:
    // Width of the handler short-name column, never narrower.
    static constexpr int32 min_short_name_width = 22;

    velk_options();
    ~velk_options() override;
    velk_options(const velk_options&) = delete;
    velk_options& operator=(const velk_options&) = delete;

    // Every flag false, page size 0, all tables looked for, the default table names, then
    // reset_results. The constructor's own step.
    void reset();
    // Empties the store of the current input: closes the database, clears the definitions,
    // the record lists and their indexes; short-name width back to 22, no input defined.
    void reset_results();

    // Takes the common options and the tool's own out of args and fills this record; what
    // is left in args no option took. Options velk does not implement are taken out first,
    // as if not given (option_review.h). False, with a line on standard error saying why,
    // when the common parser fails, a value option stands last without its value or is
    // followed by an option name, "-db" is empty, or no input is named ("-db", "-pipe" or
    // "-enumdir").
    [[nodiscard]] bool parse(std::vector<std::string>& args);

    // The notifications of the store: read (m_notifications) and carved.
    [[nodiscard]] std::size_t notification_count() const;
    // Empties both lists of notifications; handlers, channels and settings stay.
    void clear_notifications();

    sqlite_wrapper m_db;  // its path member holds the current input path
    // The current input resolved to the regular file it reaches (links followed): what
    // the readers open, its companions taken beside it. Set by database processing; empty
    // when the input reaches no regular file.
    std::string m_db_file;
    std::ostringstream m_messages;  // error lines of failed SQL statements; nothing prints it
    bool m_have_input = false;
    bool m_all_fields = false;
    bool m_incl_slack = false;
    bool m_incl_settings = false;
    bool m_carve = false;  // tables read by the own page parser, not the SQLite library
    bool m_parse_chunk = false;
    uint32 m_page_size = 0;
    uint64 m_carve_tables = ~0ULL;  // bits of push_table_type the record finder looks for
    table_definition m_notification_def;
    table_definition m_handler_def;
    table_definition m_channel_def;
    table_definition m_settings_def;
    uint32 m_table_type = 0;  // push_table_type of the running SELECT
    std::vector<notification_record> m_notifications;
    // The notifications a carve recovered, after those of m_notifications: held packed, as a
    // chunk or a slack carve may recover millions.
    carved_notification_store m_carved_notifications;
    // Hashed: every notification row looks its handler id up, and a tree's nodes lie
    // scattered among the payloads, one cache miss per level.
    std::unordered_set<int64> m_used_handler_ids;
    std::vector<notification_handler_record> m_handlers;
    std::map<int64, int32> m_handler_index;  // first record of an id wins
    int32 m_short_name_width = min_short_name_width;
    std::vector<wns_push_channel_record> m_channels;
    std::multimap<int64, int32> m_channel_index;
    std::vector<handler_settings_record> m_settings;
    std::multimap<int64, int32> m_settings_index;
    std::string m_notification_table;  // compared with lower-cased schema names
    std::string m_handler_table;
    std::string m_channel_table;
    std::string m_settings_table;
    bool m_verify = false;
    db_failure m_db_failure = db_failure::not_read;  // set by database processing
    // What parsing has to say about options the run does not act on, one line each; the
    // entry point writes them once the options are accepted.
    std::vector<std::string> m_option_notes;

private:
    // Steps 4 to 9 of parse: "-all_fields", "-verify", "-parse_chunk" and, without it,
    // "-carve", "-incl_slack", "-incl_settings".
    void take_tool_flags(std::vector<std::string>& args);
};
