// The common option parser: takes the common options out of the argument list, in a fixed
// order, and fills the options record. Options are found wherever they stand, regardless
// of letter case (cmd_args.h); what the parser does not know stays for the tool's own
// parser. Its messages are plain standard-error writes: the status line is not running yet.
//
// The parser opens no file: the results and diagnostics files are only named here. The
// entry point opens them once the whole command line is known and it has checked that
// neither is evidence, so a run that fails its options leaves every file as it was.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "cmdline/cmd_args.h"
#include "cmdline/cmd_params.h"
#include "cmdline/file_filters.h"
#include "cmdline/macos_version.h"
#include "io/path_codec.h"
#include "text/control_escape.h"
#include "text/env_expand.h"
#include "text/hex_text.h"
#include "text/number_text.h"
#include "text/text_case.h"
#include "text/text_join.h"
#include "text/text_replace.h"
#include "text/text_split.h"
#include "text/time_display_spec.h"
#include "time/date_parse.h"
#include "time/kq_calendar.h"
#include "time/kq_time.h"

namespace {

using arg_list = std::vector<std::string>;

// Time templates: "hh:mm:ss", or "hh:mm:ss." with three to nine fraction digits and room
// for a trailing designator.
constexpr std::size_t time_template_plain = 8;
constexpr std::size_t time_template_min_fraction = 12;
constexpr std::size_t time_template_max = 18;

// Characters no separator may hold: each splits or joins fields in every CSV reader.
constexpr const char* separator_breakers = "\"\n\r";

// The window's end of day when "-cmd_stop_time" names a date only.
constexpr const char* end_of_day = "23:59:59";

void print_error(const std::string& text) {
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

// ---- Start of the list ----

void note_command_line(cmd_params& options, const arg_list& args) {
    if (options.m_command_line.empty()) {
        (void)join_quoted(options.m_command_line, args, '"');  // always true
    }
    if (options.m_program_name.empty()) {
        std::string name = args.front();
        const auto slash = name.rfind('/');
        if (slash != std::string::npos) {
            name.erase(0, slash + 1);
        }
        const auto point = name.rfind('.');
        if (point != std::string::npos) {
            name.erase(point);
        }
        options.m_program_name = name;
    }
}

// An empty path names no file; taking it would fail later with a message about "".
bool refuse_empty_path(const char* option, const std::string& value) {
    if (!value.empty()) {
        return true;
    }
    report_missing_value(option);
    return false;
}

// "-diags" names the diagnostics file, which the entry point opens. "-l2" and "-l3" belong
// to it and are looked for only beside it.
bool parse_diags(cmd_params& options, arg_list& args) {
    std::string path;
    if (!take_option_value("-diags", path, args)) {
        return true;
    }
    if (!refuse_empty_path("-diags", path)) {
        return false;
    }
    options.m_diag_path = path;
    if (take_flag("-l2", args, false)) {
        options.m_diag_level = 2;
    } else if (take_flag("-l3", args, false)) {
        options.m_diag_level = 3;
    }
    return true;
}

// ---- Output forms ----

// The five exclusive form flags, written together; m_csvgen is set apart.
void set_form(cmd_params& options, bool xml, bool csv, bool csvl2t, bool bodyfile, bool multiline) {
    options.m_xml = xml;
    options.m_csv = csv;
    options.m_csvl2t = csvl2t;
    options.m_bodyfile = bodyfile;
    options.m_multiline = multiline;
}

void parse_forms(cmd_params& options, arg_list& args) {
    if (take_flag("-csv", args, false)) {
        set_form(options, false, true, false, false, false);
        options.set_separator(",", false);
        // Paired date-and-time cells keep their fill so the pair stays readable.
        options.m_no_whitespace = !options.m_pair_datetime;
    }
    if (take_flag("-csvgen", args, false)) {
        set_form(options, false, false, false, false, false);
        options.m_csvgen = true;
        options.set_separator(",", false);
        options.m_no_whitespace = true;
    }
    if (take_flag("-csvl2t", args, false)) {
        set_form(options, false, false, true, false, false);
        options.m_header_pending = true;
        options.set_separator(",", false);
    }
    if (take_flag("-bodyfile", args, false)) {
        set_form(options, false, false, false, true, false);
        options.m_header_pending = true;
        options.set_separator("|", false);
    }
    if (take_flag("-xml", args, false)) {
        set_form(options, true, false, false, false, false);
        options.m_header_pending = false;
        options.set_separator("", false);
    }
    if (take_flag("-multiline", args, false)) {
        set_form(options, false, false, false, false, true);
        options.m_header_pending = true;
        options.m_separator.clear();
        options.m_delimiter = 0;
        options.m_delimiter_substitute = 0;
    }
}

// ---- Aliases ----

bool report_imbalance() {
    std::fprintf(stderr, "%s, aborting\n", "imbalanced alias to true pathfiles");
    std::fflush(stderr);
    return false;
}

// "-alias a|A|b|B": pairs of alias and true path. The first path given for an alias stays.
bool parse_alias(cmd_params& options, arg_list& args) {
    std::string value;
    if (!take_option_value("-alias", value, args)) {
        return true;
    }
    arg_list items;
    if (!split_on_char(value, '|', items, true, false, false) || items.size() % 2 != 0) {
        return report_imbalance();
    }
    for (std::size_t i = 0; i < items.size(); i += 2) {
        std::string alias = expand_env_vars(items[i], true);
        std::string path = expand_env_vars(items[i + 1], true);
        (void)string_to_lower(alias);
        options.m_aliases.emplace(alias, path);
    }
    return true;
}

void drop_one_trailing_slash(std::string& text) {
    if (!text.empty() && text.back() == '/') {
        text.pop_back();
    }
}

// "-aliaspath": pairs of folder alias and true folder; a value without items maps "*".
bool parse_alias_path(cmd_params& options, arg_list& args) {
    std::string value;
    if (!take_option_value("-aliaspath", value, args)) {
        return true;
    }
    arg_list items;
    if (!split_on_char(value, '|', items, true, false, false)) {
        options.m_alias_paths.emplace("*", expand_env_vars(value, true));
        return true;
    }
    if (items.size() % 2 != 0) {
        return report_imbalance();
    }
    for (std::size_t i = 0; i < items.size(); i += 2) {
        std::string alias = expand_env_vars(items[i], true);
        std::string path = expand_env_vars(items[i + 1], true);
        (void)string_to_lower(alias);
        drop_one_trailing_slash(alias);
        (void)remove_char(path, '"');
        drop_one_trailing_slash(path);
        options.m_alias_paths.emplace(alias, path);
    }
    return true;
}

// ---- Numbers ----

// A whole number in decimal, or in hexadecimal after "0x", that fits its type; nothing
// before or after it. The general number readers take "12abc" as 12 and "-1" as a wrapped
// value, which would turn a typo into a setting the examiner never asked for.
template <typename number>
bool read_whole_number(const std::string& text, number& out) {
    std::string_view digits(text);
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    if (digits.empty() || digits.front() == '+' || digits.front() == '-') {
        return false;
    }
    number value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value, base);
    if (error != std::errc() || stop != end) {
        return false;
    }
    out = value;
    return true;
}

// The value of a numeric option: absent is fine, anything but a number in range fails the
// parse with the option and the value named.
template <typename number>
bool take_number(const char* option, number& out, arg_list& args, bool& given) {
    std::string value;
    given = take_option_value(option, value, args);
    if (!given || read_whole_number(value, out)) {
        return true;
    }
    report_bad_value(option, value);
    return false;
}

template <typename number>
bool take_number(const char* option, number& out, arg_list& args) {
    bool given = false;
    return take_number(option, out, args, given);
}

// ---- Stored settings ----

bool parse_compression(cmd_params& options, arg_list& args) {
    std::string value;
    if (take_flag("-gzip", args, false)) {
        options.m_compress = true;
        options.m_gzip = true;
    }
    if (take_flag("-zlib", args, false)) {
        options.m_compress = true;
        options.m_zlib = true;
    }
    if (!take_number("-threads", options.m_threads, args)) {
        return false;
    }
    if (take_option_value("-zlibex", value, args)) {
        options.m_compress = true;
        options.m_zlibex = true;
        options.m_zlibex_text = value;
    }
    return true;
}

// "-sqlite" only asks for a results database; the line ends stay on until a writer is
// attached, since until then every row still goes to the output stream and rows without
// line ends would run together.
void parse_results_db(cmd_params& options, arg_list& args) {
    std::string value;
    if (take_option_value("-sqlite_log", value, args)) {
        options.m_sqlite_log_path = value;
    }
    if (take_option_value("-sqlite", value, args)) {
        options.m_sqlite = true;
        options.m_sqlite_path = value;
    }
}

void parse_names(cmd_params& options, arg_list& args) {
    std::string value;
    if (take_option_value("-signal", value, args)) {
        options.m_signal_text = value;
    }
    if (take_option_value("-hostname", value, args)) {
        options.m_host_name = value;
        options.m_host_given = true;
    }
    if (take_flag("-split_pathfile", args, false)) {
        options.m_split_pathfile = true;
    }
    if (take_option_value("-username", value, args)) {
        options.m_user_name = value;
        options.m_user_given = true;
    }
}

bool parse_cpu_and_files(cmd_params& options, arg_list& args) {
    bool fragments = false;
    if (!take_number("-cpuinst", options.m_cpu_instance, args) ||
        !take_number("-cpu", options.m_cpu, args) ||
        !take_number("-fragment_files", options.m_fragment_count, args, fragments)) {
        return false;
    }
    if (fragments || take_flag("-separate_files", args, false)) {
        options.m_separate_files = true;
    }
    return true;
}

// ---- Results file ----

// "-out", else "-outfile": only named here. The entry point checks the path and creates the
// file anew when it writes the report ("-append" included), so nothing at the path changes
// while the options are read.
bool parse_out(cmd_params& options, arg_list& args) {
    std::string value;
    const char* option = "-out";
    if (!take_option_value(option, value, args)) {
        option = "-outfile";
        if (!take_option_value(option, value, args)) {
            return true;
        }
    }
    if (!refuse_empty_path(option, value)) {
        return false;
    }
    std::string path = expand_env_vars(value, true);
    replace_char(path, '\\', '/', false);
    options.m_out_path = path;
    options.m_out_given = true;
    return true;
}

bool parse_inputs(cmd_params& options, arg_list& args) {
    std::string value;
    if (take_option_value("-outdir", value, args)) {
        options.m_out_dir = expand_env_vars(value, true);
        options.m_outdir_given = true;
    }
    if (take_option_value("-enumdir", value, args)) {
        if (!refuse_empty_path("-enumdir", value)) {
            return false;
        }
        // A folder read as named when it exists: it may really be called "%CASE%".
        options.m_enum_dir = expand_missing_name(value);
        options.m_enum_dir_typed = value;
        options.m_enum_dir_given = true;
    }
    if (!take_number("-num_subdirs", options.m_num_subdirs, args)) {
        return false;
    }
    if (take_flag("-profile", args, false)) {
        options.m_profile = true;
    }
    if (take_flag("-pipe", args, false)) {
        options.m_pipe = true;
    }
    return true;
}

// ---- File filters ----

// Every occurrence of option adds its entries to list. "-filter_path" is applied once, to
// the first list that has entries when it is looked for.
void parse_filter_list(const char* option, std::vector<filter_entry>& list, arg_list& args) {
    std::string value;
    while (take_option_value(option, value, args)) {
        std::vector<filter_entry> parsed;
        (void)parse_file_filter_list(parsed, value);  // the count is parsed.size()
        list.insert(list.end(), parsed.begin(), parsed.end());
        std::string folder;
        if (list.empty() || !take_option_value("-filter_path", folder, args)) {
            continue;
        }
        (void)string_to_lower(folder);
        const std::wstring wide = uni::narrow_path_to_wide(folder);
        for (filter_entry& entry : list) {
            entry.m_path = wide;
            entry.m_path_len = static_cast<uint32>(folder.size());
        }
    }
}

// A signature offset: decimal, or hexadecimal after "0x" or "x", or octal after "o", all of
// the text (the number reader alone stops at the first stray character).
bool read_offset(const std::string& text, uint64& offset) {
    std::string digits = text;
    (void)string_to_lower(digits);
    std::string_view rest(digits);
    const char* allowed = "0123456789";
    if (rest.rfind("0x", 0) == 0 || rest.rfind('x', 0) == 0) {
        rest.remove_prefix(rest.find('x') + 1);
        allowed = "0123456789abcdef";
    } else if (rest.rfind('o', 0) == 0) {
        rest.remove_prefix(1);
        allowed = "01234567";
    }
    return !rest.empty() && rest.find_first_not_of(allowed) == std::string_view::npos &&
           string_to_uint64(text, &offset);
}

// "-filter_sig 4d 5a|512": the bytes, blank-separated hexadecimal, and an optional offset.
// An offset that is no number fails the parse: a test at offset 0 would pass other files.
bool parse_signature_filters(cmd_params& options, arg_list& args) {
    std::string value;
    while (take_option_value("-filter_sig", value, args)) {
        const arg_list items = split_filter_items(value);
        if (items.empty()) {
            continue;
        }
        filter_entry entry;
        (void)parse_hex_bytes(entry.m_signature, items[0], ' ', true);
        if (items.size() == 2 && !read_offset(items[1], entry.m_offset)) {
            report_bad_value("-filter_sig", value);
            return false;
        }
        if (!entry.m_signature.empty()) {
            options.m_filters.push_back(entry);
        }
    }
    return true;
}

// ---- Time window ----

// Date and time parts of a window value, cut at its first blank. False when the date part
// is empty or names no '/' or '-' separator, which fails the whole parse.
bool split_window_value(const std::string& value, const std::string& default_time,
                        std::string& date, std::string& time, char& separator) {
    const auto blank = value.find(' ');
    date = value.substr(0, blank);
    time = blank == std::string::npos ? default_time : value.substr(blank + 1);
    if (date.find('/') != std::string::npos) {
        separator = '/';
        return true;
    }
    separator = '-';
    return date.find('-') != std::string::npos;
}

// The 32-bit Unix bound of a moment. File times before 1970 are placed by the FILETIME
// bound instead, and the 32-bit scale ends in 2106, so a bound outside that range is
// clamped to its end rather than cut to 32 bits, which would move it to another year.
uint32 unix_bound(int64 seconds) {
    if (seconds < 0) {
        return 0;
    }
    if (seconds > static_cast<int64>(UINT32_MAX)) {
        return UINT32_MAX;
    }
    return static_cast<uint32>(seconds);
}

// The moment of a window value as FILETIME and Unix bound; false when it reads as none.
bool read_window_time(const std::string& date, const std::string& time, char separator,
                      uint64& filetime, uint32& unix_seconds) {
    kq::_windows_systemtime fields;
    if (!kq::parse_systemtime(date.c_str(), time.c_str(), "YMD", separator, fields)) {
        return false;
    }
    const int64 value = kq::systemtime_to_filetime(fields);
    const kq::time moment(static_cast<uint64>(value), kq::tt_filetime);
    if (value <= 0 || !moment.is_valid) {
        return false;
    }
    filetime = static_cast<uint64>(value);
    unix_seconds = unix_bound(moment.unix_seconds);
    return true;
}

void clear_stop(cmd_params& options) {
    options.m_stop_valid = false;
    options.m_stop_filetime = 0;
    options.m_stop_unix = 0;
}

// "-cmd_start_time": the start of the window; the end stays open until a stop is given.
bool parse_start_time(cmd_params& options, arg_list& args) {
    std::string value;
    if (!take_option_value("-cmd_start_time", value, args)) {
        return true;
    }
    options.m_start_valid = false;
    options.m_start_filetime = 0;
    options.m_start_unix = 0;
    std::string date;
    std::string time;
    char separator = 0;
    if (!split_window_value(value, "", date, time, separator)) {
        report_bad_value("-cmd_start_time", value);
        return false;
    }
    options.m_start_valid =
        read_window_time(date, time, separator, options.m_start_filetime, options.m_start_unix);
    if (!options.m_start_valid) {
        // A window the examiner mistyped must stop the run: going on without it would
        // report files from outside the period asked for.
        options.m_start_filetime = 0;
        options.m_start_unix = 0;
        clear_stop(options);
        print_error("invalid start time\n");
        return false;
    }
    options.m_stop_valid = true;
    options.m_stop_filetime = UINT64_MAX;
    options.m_stop_unix = UINT32_MAX;
    return true;
}

// "-cmd_stop_time": the end of the window, a date alone meaning its last second. An end
// before the start is refused.
bool parse_stop_time(cmd_params& options, arg_list& args) {
    std::string value;
    if (!take_option_value("-cmd_stop_time", value, args)) {
        return true;
    }
    clear_stop(options);
    std::string date;
    std::string time;
    char separator = 0;
    if (!split_window_value(value, end_of_day, date, time, separator)) {
        report_bad_value("-cmd_stop_time", value);
        return false;
    }
    options.m_stop_valid =
        read_window_time(date, time, separator, options.m_stop_filetime, options.m_stop_unix);
    if (!options.m_stop_valid ||
        (options.m_start_valid && options.m_stop_filetime < options.m_start_filetime)) {
        clear_stop(options);
        print_error("invalid stop time\n");  // refused like a mistyped start
        return false;
    }
    return true;
}

// ---- Number bases, separators and templates ----

bool parse_separators(cmd_params& options, arg_list& args) {
    std::string value;
    if (take_flag("-base10", args, false)) {
        options.m_base16 = false;
    }
    if (take_flag("-base16", args, false)) {
        options.m_base16 = true;
    }
    // "-multiline" writes one value a line and "-bodyfile" fixed fields between bars: a
    // separator, quoting or unpadding asked for beside them has nothing to act on, and a
    // separator set all the same would still rewrite the values that hold it. The options
    // are taken but not applied; the tool says so.
    const bool own_layout = options.m_multiline || options.m_bodyfile;
    if (take_option_value("-csv_separator", value, args)) {
        // An empty separator would run every cell of a line into the next; a double quote
        // opens a quoted field, and a line break ends the row, in every CSV reader.
        if (value.empty() || value.find_first_of(separator_breakers) != std::string::npos) {
            report_bad_value("-csv_separator", value);
            return false;
        }
        if (!own_layout) {
            options.set_separator(value, false);
        }
    }
    if (own_layout) {
        (void)take_flag("-enable_quoted_csv_fields", args, false);  // not applied, above
        (void)take_flag("-no_whitespace", args, false);
        return true;
    }
    // Both options below drop the blanks around a separator (" | " becomes "|"). A separator
    // of blanks alone keeps them: emptied, it would run every cell of a line into the next.
    const bool blanks_only = options.m_separator.find_first_not_of(' ') == std::string::npos;
    if (take_flag("-enable_quoted_csv_fields", args, false)) {
        options.m_quoted_csv = true;
        if (!blanks_only && options.m_separator.find('\t') == std::string::npos) {
            (void)trim_whitespace(options.m_separator);
        }
        options.m_pad = false;
        options.m_delimiter = 0;
    }
    if (take_flag("-no_whitespace", args, false)) {
        options.m_no_whitespace = true;
        options.m_pad = false;
        if (!blanks_only) {
            (void)remove_char(options.m_separator, ' ');
        }
    }
    return true;
}

void report_bad_template(const char* option, const std::string& typed) {
    print_error(std::string("bad value for ") + option + ": " + typed + ", using default format\n");
}

// A date template is taken only when every date of the report is then written as the
// template reads: one of the three field orders, each field present, one separator or none
// (time_display_spec.h). Anything else would print every date in a form not asked for.
void parse_date_template(cmd_params& options, arg_list& args) {
    std::string value;
    if (!take_option_value("-dateformat", value, args)) {
        return;
    }
    std::string accepted;
    if (!accept_date_template(value, accepted)) {
        report_bad_template("-dateformat", value);
        return;
    }
    options.m_date_format = accepted;
}

void parse_time_template(cmd_params& options, arg_list& args) {
    std::string value;
    if (!take_option_value("-timeformat", value, args)) {
        return;
    }
    const std::size_t length = value.size();
    const bool length_ok = length == time_template_plain ||
                           (length >= time_template_min_fraction && length <= time_template_max);
    if (!length_ok || value.find(':') == std::string::npos) {
        report_bad_template("-timeformat", value);
        return;
    }
    options.m_time_format = value;
    (void)string_to_lower(options.m_time_format);
}

void parse_console(cmd_params& options, arg_list& args) {
    if (take_flag("-verbose", args, false) || take_flag("-v", args, false)) {
        options.m_verbose = true;
    }
    if (take_flag("-quiet", args, false)) {
        options.m_status_output = false;
    }
}

void probe_os_version(cmd_params& options) {
    macos_version version;
    if (!read_macos_version(macos_version_plist, version)) {
        return;
    }
    options.m_os_version = version.m_text;
    options.m_os_version_major = version.m_major;
    options.m_os_version_minor = version.m_minor;
    options.m_os_version_patch = version.m_patch;
}

}  // namespace

// The steps run in this fixed order; a later step sees the list without what earlier ones
// took. Options taken before a failure stay in the record: the caller ends the run.
bool cmd_params::parse_common_options(std::vector<std::string>& args) {
    if (args.empty()) {
        return false;
    }
    note_command_line(*this, args);
    if (take_flag("-pair_datetime", args, false)) {
        m_pair_datetime = true;
    }
    if (!parse_diags(*this, args)) {
        return false;
    }
    parse_forms(*this, args);
    if (!parse_alias(*this, args) || !parse_alias_path(*this, args) ||
        !parse_compression(*this, args)) {
        return false;
    }
    parse_results_db(*this, args);
    parse_names(*this, args);
    if (!parse_cpu_and_files(*this, args) || !parse_out(*this, args) ||
        !parse_inputs(*this, args)) {
        return false;
    }
    parse_filter_list("-filter_skip", m_skip_filters, args);
    parse_filter_list("-filter", m_filters, args);
    if (!parse_signature_filters(*this, args) || !parse_start_time(*this, args) ||
        !parse_stop_time(*this, args) || !parse_separators(*this, args)) {
        return false;
    }
    parse_date_template(*this, args);
    parse_time_template(*this, args);
    parse_console(*this, args);
    (void)m_time_spec.parse(m_date_format, m_time_format, m_pair_datetime);  // both were checked
    probe_os_version(*this);
    return true;
}

namespace {

// Every option the common parser looks for, "-append", "-filter_path", "-l2", "-l3" and "-v"
// included, which it looks for only beside another option.
constexpr const char* common_flags[] = {
    "-pair_datetime",
    "-l2",
    "-l3",
    "-csv",
    "-csvgen",
    "-csvl2t",
    "-bodyfile",
    "-xml",
    "-multiline",
    "-gzip",
    "-zlib",
    "-split_pathfile",
    "-separate_files",
    "-append",
    "-profile",
    "-pipe",
    "-base10",
    "-base16",
    "-enable_quoted_csv_fields",
    "-no_whitespace",
    "-verbose",
    "-v",
    "-quiet",
};
constexpr const char* common_value_options[] = {
    "-diags",       "-alias",      "-aliaspath",      "-threads",       "-zlibex",
    "-sqlite_log",  "-sqlite",     "-signal",         "-hostname",      "-username",
    "-cpuinst",     "-cpu",        "-fragment_files", "-out",           "-outfile",
    "-outdir",      "-enumdir",    "-num_subdirs",    "-filter_skip",   "-filter",
    "-filter_path", "-filter_sig", "-cmd_start_time", "-cmd_stop_time", "-csv_separator",
    "-dateformat",  "-timeformat",
};

template <std::size_t count>
bool names_one_of(const std::string& word, const char* const (&names)[count]) {
    for (const char* name : names) {
        if (option_name_matches(word, name)) {
            return true;
        }
    }
    return false;
}

}  // namespace

option_kind common_option_kind(const std::string& word) {
    if (names_one_of(word, common_flags)) {
        return option_kind::flag;
    }
    return names_one_of(word, common_value_options) ? option_kind::value : option_kind::unknown;
}

void report_missing_value(const std::string& option) {
    print_error("missing value for " + option + "\n");
}

// An empty value is shown as "" so that the line still says what was given; controls and
// line breaks as visible escapes, so that the message stays one line and steers no terminal.
void report_bad_value(const std::string& option, const std::string& value) {
    std::string shown = value.empty() ? "\"\"" : value;
    (void)escape_terminal_controls(shown);  // edits in place
    replace_all(shown, "\n", "\\x0a");
    replace_all(shown, "\r", "\\x0d");
    print_error("bad value for " + option + ": " + shown + "\n");
}
