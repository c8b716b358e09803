#include "app/velk_options.h"

#include "app/option_review.h"
#include "app/velk_usage.h"
#include "cmdline/cmd_args.h"
#include "time/kq_time.h"

bool db_failure_is_fatal(db_failure kind) { return kind != db_failure::none; }

velk_options::velk_options() : cmd_params(static_cast<uint64>(kq::time::now().filetime), true) {
    reset();
}

velk_options::~velk_options() = default;

void velk_options::reset() {
    m_have_input = false;
    m_all_fields = false;
    m_incl_slack = false;
    m_incl_settings = false;
    m_carve = false;
    m_parse_chunk = false;
    m_verify = false;
    m_page_size = 0;
    m_carve_tables = ~0ULL;
    m_notification_table = "notification";
    m_handler_table = "notificationhandler";
    m_channel_table = "wnspushchannel";
    m_settings_table = "handlersettings";
    reset_results();
}

void velk_options::reset_results() {
    if (m_db.is_open()) {
        m_db.close();
    }
    m_notification_def.clear();
    m_handler_def.clear();
    m_channel_def.clear();
    m_settings_def.clear();
    m_table_type = 0;
    m_notifications.clear();
    m_carved_notifications.clear();
    m_used_handler_ids.clear();
    m_handlers.clear();
    m_handler_index.clear();
    m_short_name_width = min_short_name_width;
    m_channels.clear();
    m_channel_index.clear();
    m_settings.clear();
    m_settings_index.clear();
    m_have_input = false;
    // Until database processing says otherwise, the input counts as not read.
    m_db_failure = db_failure::not_read;
}

std::size_t velk_options::notification_count() const {
    return m_notifications.size() + m_carved_notifications.size();
}

void velk_options::clear_notifications() {
    // Its block too: the carve that follows a read fills the packed store, not this list.
    m_notifications = std::vector<notification_record>();
    m_carved_notifications.clear();
}

void velk_options::take_tool_flags(std::vector<std::string>& args) {
    m_all_fields = take_flag("-all_fields", args, false);
    m_verify = take_flag("-verify", args, false);
    m_parse_chunk = take_flag("-parse_chunk", args, false);
    if (m_parse_chunk) {
        // A page chunk has no schema, no slack of its own and no settings table to read:
        // these options stay in the list and have no effect.
        return;
    }
    if (take_flag("-carve", args, false)) {
        m_carve = true;
        m_incl_slack = true;
    }
    if (take_flag("-incl_slack", args, false)) {
        m_incl_slack = true;
    }
    m_incl_settings = take_flag("-incl_settings", args, false);
}

bool velk_options::parse(std::vector<std::string>& args) {
    if (!check_option_values(args)) {
        return false;
    }
    // Looked for before the common parser takes it out: "-csv" keeps padded cells unless
    // the examiner asked for none.
    const bool no_whitespace_given = has_option("-no_whitespace", args, true);
    take_unimplemented_options(args, m_option_notes);
    const std::vector<std::string> given = args;
    if (!parse_common_options(args)) {
        return false;
    }
    m_pair_datetime = true;
    m_pad = false;
    if (m_csv && !no_whitespace_given) {
        m_no_whitespace = false;
        m_pad = true;
    }
    take_tool_flags(args);
    // Names come from the list or the walk; "-db" is then not read.
    const bool names_given = m_pipe || m_enum_dir_given;
    std::string path;
    const bool db_given = !names_given && take_option_value("-db", path, args);
    if (!review_options(*this, given, args, m_option_notes)) {
        return false;
    }
    if (!names_given && !db_given) {
        report_missing_input();
        return false;
    }
    if (db_given && path.empty()) {
        report_missing_value("-db");
        return false;
    }
    if (db_given) {
        m_db.set_db_path(path);
    }
    m_have_input = true;
    return true;
}
