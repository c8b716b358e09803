#pragma once
// cmd_record_list: a command script, one record per "!cmd," line, each record a program's
// arguments mixed with directives that schedule ("!run-", "!repeat-"), limit ("!timeout-")
// and describe ("!dir-", "!name-", "!comment-", "!spawn-", "!custom-") the command. The
// list keeps each record's arguments, an argv-style pointer array over them and one entry
// per record in every directive list, so that a record without a directive of a kind still
// has that kind's default (empty text, 0).
//
// Scripts come from files (at most 16 MiB read), texts, byte buffers, item lists or a
// compiled table as write_c_table writes it. Texts are held as UTF-32; narrow input is
// UTF-8, and invalid UTF-8 or NUL bytes in it never stop a load.

#include <ostream>
#include <string>
#include <vector>

#include "text/kq_types.h"

// One cell of a compiled script table: a text pointer, a marker pointer or null. The table
// is a flat run of cells: the record-start marker, the terminator marker, then per record
// the start marker and its items, ending with the terminator.
using cmd_table_cell = const void*;

class cmd_record_list {
public:
    // Largest script read from a file: a longer file is read only this far.
    static constexpr uint32 max_script_bytes = 0x1000000;

    cmd_record_list() = default;
    cmd_record_list(const std::string& file_name, bool names_required);
    cmd_record_list(const std::wstring& file_name, bool names_required);
    cmd_record_list(const std::wstring& file_name, const std::vector<std::string>& tags,
                    bool names_required);
    cmd_record_list(const byte_array& bytes, bool names_required);
    cmd_record_list(const byte_array& bytes, const std::vector<std::string>& tags,
                    bool names_required);
    explicit cmd_record_list(const std::vector<std::wstring>& items);
    explicit cmd_record_list(const std::vector<std::string>& items);
    cmd_record_list(const std::vector<std::wstring>& items, bool split);
    cmd_record_list(const std::vector<std::string>& items, bool split);
    cmd_record_list(const std::vector<std::wstring>& items, const std::vector<std::wstring>& tags,
                    bool split);
    cmd_record_list(const cmd_table_cell* table, bool wide);

    // The argv arrays point into m_records: a copy must rebuild its own.
    cmd_record_list(const cmd_record_list& other);
    cmd_record_list& operator=(const cmd_record_list& other);
    cmd_record_list(cmd_record_list&&) = default;
    cmd_record_list& operator=(cmd_record_list&&) = default;
    ~cmd_record_list() = default;

    void clear();

    // ---- Loads -------------------------------------------------------------------------
    bool load_file(const std::string& file_name, const std::wstring& hive,
                   const std::vector<std::string>& extra, bool names_required);
    bool load_file(const std::string& file_name, bool names_required);
    bool load_text(const std::string& text, bool names_required);
    bool parse_script(const std::string& text, const std::wstring& hive,
                      const std::vector<std::string>& extra, bool names_required);
    bool parse_script_xml(const std::string& text, const std::wstring& hive,
                          const std::vector<std::string>& tags,
                          const std::vector<std::string>& extra, bool names_required);
    // Both append one entry to every directive list without adding a record: the caller
    // adds the record itself.
    bool add_record(std::vector<std::string>& items);
    bool parse_directives(std::vector<std::wstring>& items);
    bool load_list(const std::vector<std::wstring>& items);
    bool load_list_utf8(const std::vector<std::string>& items);
    bool expand_items(const std::vector<std::wstring>& items, bool split);
    bool expand_items_xml(const std::vector<std::wstring>& items,
                          const std::vector<std::wstring>& tags, bool split);
    bool load_table(const cmd_table_cell* table, bool wide);

    // ---- Accessors (a bad index is negative or not below count()) ----------------------
    [[nodiscard]] int count() const { return static_cast<int>(m_records.size()); }
    [[nodiscard]] bool is_loaded() const { return m_loaded; }
    bool get_args(int i, std::vector<std::string>& out) const;
    bool get_args_w(int i, std::vector<std::wstring>& out) const;
    [[nodiscard]] int argc(int i) const;
    // first receives the record's argv array (null for a record without arguments).
    bool argv(int i, int& count_out, const wchar_t* const*& first) const;
    bool join_args(int i, std::wstring& out) const;
    bool join_args(int i, std::string& out) const;
    bool get_record(int i, uint64& run_time, uint64& interval, uint32& timeout, std::wstring& dir,
                    std::wstring& name, std::wstring& comment, std::wstring& spawn,
                    std::wstring& custom) const;
    bool get_record(int i, uint64& run_time, uint64& interval, uint32& timeout, std::string& dir,
                    std::string& name, std::string& comment, std::string& spawn,
                    std::string& custom) const;
    bool set_record(int i, uint64 run_time, uint64 interval, uint32 timeout,
                    const std::wstring& dir, const std::wstring& name, const std::wstring& comment,
                    const std::wstring& spawn, const std::wstring& custom);
    bool set_record(int i, uint64 run_time, uint64 interval, uint32 timeout,
                    const std::string& dir, const std::string& name, const std::string& comment,
                    const std::string& spawn, const std::string& custom);
    bool disable_record(int i);
    // A record that never runs (run time all ones) is never due.
    [[nodiscard]] bool has_due_record(uint64 time) const;

    // ---- Output forms (cmd_record_output.cpp) -------------------------------------------
    bool format_record(int i, std::wstring& out) const;
    bool format_record(int i, std::string& out) const;
    // "0x" lines with each run time go to standard output, the records to out.
    bool dump(std::ostream& out) const;
    bool write_file(const std::string& file_name) const;
    bool write_c_table(std::ostream& out) const;
    void write_c_table_stdout() const;
    bool print() const;

private:
    [[nodiscard]] bool valid_index(int i) const { return i >= 0 && i < count(); }
    void append_default_directives();
    void add_script_line(std::string record_text, const std::vector<std::string>& elements,
                         const std::wstring& hive, const std::vector<std::string>& extra,
                         bool names_required, bool trim_items);
    void normalise_args(std::vector<std::string>& args, const std::wstring& hive,
                        const std::vector<std::string>& extra, bool names_required) const;
    bool parse_lines(const std::string& text, const std::wstring& hive,
                     const std::vector<std::string>& tags, const std::vector<std::string>& extra,
                     bool names_required, bool xml);
    void rebuild_argvs();
    void finish_records();
    [[nodiscard]] int largest_record() const;

public:
    // One entry per record, at the record's index: its arguments, its argv array over them
    // and each of its directive values.
    std::vector<std::vector<std::wstring>> m_records;
    std::vector<std::vector<const wchar_t*>> m_argvs;
    std::vector<std::wstring> m_run_texts;
    std::vector<uint64> m_run_times;
    std::vector<std::wstring> m_repeat_texts;
    std::vector<uint64> m_repeat_intervals;
    std::vector<uint32> m_timeouts;
    std::vector<std::wstring> m_dirs;
    std::vector<std::wstring> m_names;
    std::vector<std::wstring> m_comments;
    std::vector<std::wstring> m_spawns;
    std::vector<std::wstring> m_customs;
    int32 m_max_items = 0;
    bool m_loaded = false;
};

// The text split at ',' into trimmed items, empty ones dropped; false for an empty text.
bool split_script_items(const std::string& text, std::vector<std::string>& out);
// Record n (from 0) of a compiled table: first is the cell after its start marker, count the
// cells up to a null cell, a start marker or the terminator. False when the record has no
// items or the terminator comes first.
bool find_table_record(const cmd_table_cell* table, int n, int& count, const cmd_table_cell*& first);
