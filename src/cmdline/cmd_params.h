#pragma once
// cmd_params: the record of the common command-line options. The option parser fills it
// once; every writer, filter and driver reads it for the rest of the run. The tool's own
// options record derives from it.
//
// The settings are plain values held in cmd_params_settings, whose in-class initialisers
// are the defaults; cmd_params adds the two streams it owns: an optional in-memory message
// stream and the "-diags" file. Diagnostics are lines for whoever investigates a run
// afterwards: they go only to that file, never to the console. Every item starts with "->",
// ends with one line feed and is flushed at once, so a run that dies still leaves every
// item written before it. m_diag_on is true exactly while m_diag_stream holds a stream that
// opened without error.

#include <cstdarg>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "cmdline/filter_entry.h"
#include "io/fd_ostream.h"
#include "io/file_entry.h"
#include "text/kq_types.h"
#include "text/kq_variant_lite.h"
#include "text/time_display_spec.h"

// Results database writer (results database layer); the record only points to one that the
// results-database set-up attaches, and never owns or copies it.
class results_db_writer;

// Progress callback: (user value, four arguments, pointer to a code) -> int32. The four middle
// arguments carry either numbers or addresses (of texts, of a number pair, of a file record),
// so they are pointer-sized.
using progress_callback = int32 (*)(uint32 user, std::uintptr_t, std::uintptr_t, std::uintptr_t,
                                    std::uintptr_t, uint32* code);

struct cmd_params_settings {
    uint64 m_start_time = 0;        // FILETIME of the run's start; reset keeps it
    std::string m_command_line;     // arguments joined by blanks, blank-holding ones quoted
    std::string m_program_name;     // argument 0 after its last '/', before its last '.'
    std::string m_out_path;         // "-out"/"-outfile": %VAR% expanded, '\' made '/'
    std::string m_out_dir;          // "-outdir"
    std::string m_user_name;        // "-username"
    std::string m_host_name;        // "-hostname"
    std::string m_artifact_type;    // source type of timeline lines, results-db artifact type
    std::string m_analyzed_folder;  // read by the results-database set-up
    std::map<std::string, std::string> m_alias_paths;  // "-aliaspath": lower-cased alias -> path
    std::map<std::string, std::string> m_aliases;      // "-alias": lower-cased alias -> path
    std::string m_date_format = "yyyy-mm-dd";          // "-dateformat", lower-cased
    std::string m_time_format = "hh:mm:ss.xxx";        // "-timeformat", lower-cased
    time_display_spec m_time_spec;      // compiled when parsing ends; uncompiled until then
    char m_delimiter = '|';             // output values may not hold it (0: none)
    char m_delimiter_substitute = ';';  // written in its place
    std::string m_separator = " | ";    // between output cells
    bool m_no_whitespace = false;       // cells are not filled to their column width
    bool m_pad = true;                  // one blank before date-and-time values and some captions
    bool m_base16 = true;               // numbers in hexadecimal
    bool m_user_given = false;
    bool m_host_given = false;
    bool m_split_pathfile = false;
    bool m_quoted_csv = false;  // CSV cells may be quoted; no delimiter substitution
    bool m_compress = false;
    bool m_gzip = false;
    bool m_zlib = false;
    bool m_zlibex = false;
    std::string m_zlibex_text;
    int32 m_threads = 0;
    bool m_sqlite = false;
    std::string m_sqlite_path;
    results_db_writer* m_results_db = nullptr;  // attached, never owned, never copied
    bool m_outdir_given = false;
    bool m_out_given = false;
    uint32 m_cpu_instance = 0xFFFFFFFF;
    uint32 m_cpu = 0;
    bool m_separate_files = false;
    uint32 m_fragment_count = 0;
    std::string m_sqlite_log_path;
    bool m_progress_on = false;
    progress_callback m_progress_fn = nullptr;
    uint32 m_progress_user = 0;
    file_entry_ex m_file_entry;  // a file record for the caller's use
    // Output form flags, written together by the form options; m_csvgen stands apart.
    bool m_xml = false;
    bool m_csv = false;
    bool m_csvl2t = false;
    bool m_csvgen = false;
    bool m_bodyfile = false;
    bool m_multiline = false;
    bool m_extra_form_a = false;
    bool m_extra_form_b = false;
    bool m_verbose = true;
    bool m_status_output = true;             // progress and status lines on standard error
    bool m_record_newline = true;            // each written row ends with a line break
    bool m_pair_datetime = false;            // date and time in one cell
    bool m_header_pending = true;            // the caption line is still to be written
    std::vector<kq_variant_lite> m_columns;  // header cells of the report
    bool m_diag_on = false;
    int32 m_diag_level = 0;  // 2 with "-l2", 3 with "-l3"
    std::string m_diag_path;
    bool m_profile = false;
    std::string m_signal_text;
    std::vector<filter_entry> m_filters;       // "-filter", "-filter_sig"
    std::vector<filter_entry> m_skip_filters;  // "-filter_skip"
    bool m_pipe = false;
    std::string m_enum_dir;
    std::string m_enum_dir_typed;  // "-enumdir" as typed, before %VAR% expansion, for messages
    uint32 m_num_subdirs = 0;
    bool m_enum_dir_given = false;
    std::string m_os_version;  // macOS product version text
    uint32 m_os_version_major = 0;
    uint32 m_os_version_minor = 0;
    uint32 m_os_version_patch = 0;
    // Time window of "-cmd_start_time"/"-cmd_stop_time".
    bool m_start_valid = false;
    uint64 m_start_filetime = 0;
    uint32 m_start_unix = 0;
    bool m_stop_valid = false;
    uint64 m_stop_filetime = 0;
    uint32 m_stop_unix = 0;
};

class cmd_params : public cmd_params_settings {
public:
    // What call_progress hands the callback as its code.
    static constexpr uint32 progress_code = 4;

    cmd_params(uint64 start_time, bool want_message_stream);
    cmd_params(const cmd_params& other);
    cmd_params& operator=(const cmd_params& other);
    virtual ~cmd_params();

    // Every setting back to its default; the start time and both streams stay.
    void reset();
    // Empties the message stream and clears the file record.
    void reset_output();
    // Takes every setting of other; the results writer is not taken, diagnostics stay off
    // at level 0. Streams this record held are released first.
    void assign(const cmd_params& other);
    // assign, then a diagnostics stream of its own on other's "-diags" file (appending to
    // it) and a message stream of its own when other has one.
    void copy_from(const cmd_params& other);

    // The message stream, or the shared stream that discards everything.
    [[nodiscard]] std::ostream& message_stream() const;
    void clear_message_stream();
    void reset_file_entry();
    // The callback's result, or -1 when none is set or progress is off.
    [[nodiscard]] int32 call_progress() const;
    void set_separator(const std::string& text, bool comma_substitute_semicolon);

    // Takes the common options out of args and fills this record (cmd_params_parse.cpp).
    // Opens no file: "-out" and "-diags" are only named. False, with a line on standard
    // error naming the option, for an empty list, an unbalanced alias list, an empty path
    // ("-out", "-outfile", "-diags", "-enumdir"), a number that is not a whole number of its
    // type, an empty "-csv_separator", an unreadable "-filter_sig" offset or time-window
    // value; the caller then ends the run. An option standing last keeps no value and stays.
    [[nodiscard]] bool parse_common_options(std::vector<std::string>& args);

    // Whether path passes list (file_filters.cpp): with a file record, first the time
    // window of options; then an empty list or a lone match-all entry passes, else the
    // first entry that matches the folder, stream, file name or signature decides.
    // *could_not_open (when given) tells whether a signature test could not open the file.
    [[nodiscard]] static bool match_file_filter(const cmd_params& options, bool* could_not_open,
                                                const std::wstring& path,
                                                const std::vector<filter_entry>& list,
                                                file_entry_ex* record, bool streams);

    // ---- Diagnostics file ----

    // Opens path for diagnostics, emptied, and writes the command line as the first item.
    // False, diagnostics off, when it cannot be opened or exists and is no regular file
    // (opening a FIFO for writing would wait for a reader forever).
    [[nodiscard]] bool open_diag_file(const std::string& path);
    // The same with a file the caller opened (for writing), checked and emptied: fd is taken
    // over, written in append mode, and never reopened by its name path, which is only
    // kept for messages. False, diagnostics off, for -1.
    [[nodiscard]] bool attach_diag_file(int fd, const std::string& path);
    bool close_diag_file();
    // Whether a write to the diagnostics file failed (a full disk); from then on nothing
    // more is written to it, and the run must not end as a success.
    [[nodiscard]] bool diag_write_failed() const { return m_diag_write_failed; }
    void flush_diag() const;
    void clear_diag_state() const;

    // One item each: "->", the text, a line feed, then a flush. The _level forms write only
    // when m_diag_level is at least the level given.
    void diag_line(const std::string& text) const;
    void diag_line_level(int32 level, const std::string& text) const;
    void diag_stream(const std::ostringstream& text) const;
    void diag_stream_level(int32 level, const std::ostringstream& text) const;
    // Formats may hold %ls for wide text, written as UTF-8 whatever the process locale (%S
    // is the same conversion, but the compiler's format check flags it as non-ISO). The
    // text is cut to strlen(format) + 254 characters.
    void diag_printf(const char* format, ...) const __attribute__((format(printf, 2, 3)));
    // "->" [label " : "] text [": " suffix] "\n".
    void diag_printf_labelled(const char* label, const char* suffix, const char* format, ...) const
        __attribute__((format(printf, 4, 5)));
    void diag_printf_level(int32 level, const char* format, ...) const
        __attribute__((format(printf, 3, 4)));
    void diag_vprintf(const char* label, const char* suffix, const char* format, va_list args) const
        __attribute__((format(printf, 4, 0)));
    // The same line without the diagnostics-on test, for callers that made it.
    void diag_vprintf_raw(const char* label, const char* suffix, const char* format,
                          va_list args) const __attribute__((format(printf, 4, 0)));
    // A hex dump of length bytes as one item; offsets count from base.
    void diag_hex_dump(const uint8* bytes, int32 length, uint64 base) const;
    void diag_hex_dump_level(int32 level, const uint8* bytes, int32 length, uint64 base) const;

    // Clears the console status line when status output is on.
    void clear_status_line() const;

    // ---- Progress callbacks with texts, list diagnostics, folder filters ----
    // (text/extras/progress_callbacks.cpp, text/extras/folder_file_filters.cpp)

    // The callback with (user, &text, &second, &{first, second number}, file record or
    // null, null code). -1, no call, for an empty text or when progress is off or unset.
    [[nodiscard]] int32 call_progress_pair(const std::string& text, const std::string& second,
                                           int32 first_number, int32 second_number) const;
    // The second text is handed on in its UTF-8 form.
    [[nodiscard]] int32 call_progress_pair_w(const std::string& text, const std::wstring& second,
                                             int32 first_number, int32 second_number) const;
    // The callback with (user, &text, number, 0, 0, &code) and the code 1, respectively 2.
    [[nodiscard]] int32 call_progress_code1(const std::string& text, int32 number) const;
    [[nodiscard]] int32 call_progress_code2(const std::string& text, int32 number) const;
    // One item: the list joined with "; ", empty items kept.
    void diag_list(const std::vector<std::string>& list) const;
    // One item: the text with every occurrence of pattern replaced.
    void diag_line_replaced(const std::string& text, const std::string& pattern,
                            const std::string& replacement) const;
    // One item: "->", the formatted text, ": ", the list joined with ";".
    void diag_printf_list(const std::vector<std::string>& list, const char* format, ...) const
        __attribute__((format(printf, 3, 4)));
    // Whether the file folder/name passes list: the time window as match_file_filter (the
    // record filled from folder "/" name), then an entry passes only when its stored folder
    // text occurs in the folder. An empty folder hands the whole test to match_file_filter.
    [[nodiscard]] static bool match_folder_and_name(const cmd_params& options, bool* could_not_open,
                                                    const std::wstring& folder,
                                                    const std::wstring& name,
                                                    const std::vector<filter_entry>& list,
                                                    file_entry_ex* record, bool streams);

    // The message stream, or else a string stream shared by the process, emptied first
    // (text/extras/message_stream_fallback.cpp).
    [[nodiscard]] std::ostringstream& message_or_shared_stream() const;

    std::unique_ptr<std::ostringstream> m_message_stream;  // owned; null when not asked for
    std::unique_ptr<uni::fd_ostream> m_diag_stream;        // owned; the "-diags" file

private:
    // A stream appending to path, created or emptied when truncate is set (otherwise the
    // file must still be there); null when the file cannot be opened or is no regular file.
    [[nodiscard]] static std::unique_ptr<uni::fd_ostream> open_diag_stream(const std::string& path,
                                                                           bool truncate);
    // Diagnostics on with stream, the command line written as the first item.
    void start_diag(std::unique_ptr<uni::fd_ostream> stream, const std::string& path);
    [[nodiscard]] bool diag_writable() const;
    void write_diag_item(const std::string& text) const;

    // Set by the const writers, which is why it is mutable: a failed write is an event of the
    // file, not a setting.
    mutable bool m_diag_write_failed = false;
};

// What the common parser knows an argument as: one of its flags, one of its options that
// take a value, or neither.
enum class option_kind : uint8 { unknown, flag, value };
[[nodiscard]] option_kind common_option_kind(const std::string& word);

// The lines an option failure writes before the usage text: "missing value for <option>"
// and "bad value for <option>: <value>" (an empty value shown as "").
void report_missing_value(const std::string& option);
void report_bad_value(const std::string& option, const std::string& value);

// Diagnostics for callers that may hold no options record: a null record writes nothing.
void diag_text(const cmd_params* options, const std::string& text);
void diag_stream_text(const cmd_params* options, const std::ostringstream& text);
// Formats may hold %ls (or %S) for wide text, as diag_printf.
void diag_msg(const cmd_params* options, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
// "->" label ": 0x.." ["/0x.."] [" [n]"]: the value and, when not 0, the second value in
// hexadecimal, and the number in decimal when not 0.
void diag_value_line(const cmd_params* options, const char* label, uint64 value, uint64 second,
                     uint32 number);
void clear_status_line_if(const cmd_params* options);
