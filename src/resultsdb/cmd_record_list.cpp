// Loading command scripts: from files, texts, byte buffers and item lists, with the
// normalisation that gives every named record a comment (and, when names are required,
// every record a name). The directive items are read in cmd_record_directives.cpp, the
// compiled table in cmd_record_table.cpp.

#include "resultsdb/cmd_record_list.h"

#include <set>
#include <string>
#include <vector>

#include "cmdline/cmd_args.h"
#include "io/kq_dir_files.h"
#include "io/uni_encoding.h"
#include "io/uni_file_head.h"
#include "text/list_helpers.h"
#include "text/markup_elements.h"
#include "text/text_case.h"
#include "text/text_split.h"

namespace {

// UTF-8 to wide text. A malformed text is widened byte by byte instead, so an argument with
// a stray byte is kept whole rather than cut at the fault.
std::wstring widen(const std::string& text) {
    std::wstring out;
    if (uni::utf8_to_wstring(out, text)) {
        return out;
    }
    out.clear();
    for (const char c : text) {
        out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return out;
}

std::vector<std::wstring> widen_list(const std::vector<std::string>& list) {
    std::vector<std::wstring> out;
    out.reserve(list.size());
    for (const auto& item : list) {
        out.push_back(widen(item));
    }
    return out;
}

std::vector<std::string> narrow_list(const std::vector<std::wstring>& list) {
    std::vector<std::string> out;
    out.reserve(list.size());
    for (const auto& item : list) {
        out.push_back(uni::wstring_to_utf8(item));
    }
    return out;
}

std::string bytes_text(const byte_array& bytes) { return {bytes.begin(), bytes.end()}; }

// Every blank, comma and semicolon of a comment becomes '_' when it serves as a name.
std::string name_from_comment(std::string comment) {
    for (char& c : comment) {
        if (c == ' ' || c == ',' || c == ';') {
            c = '_';
        }
    }
    return comment;
}

}  // namespace

// ---- Construction ------------------------------------------------------------------------

cmd_record_list::cmd_record_list(const std::string& file_name, bool names_required) {
    byte_array bytes;
    if (uni::read_file_head(bytes, file_name, max_script_bytes)) {
        (void)load_text(bytes_text(bytes), names_required);  // the result is is_loaded()
    }
}

cmd_record_list::cmd_record_list(const std::wstring& file_name, bool names_required) {
    byte_array bytes;
    if (kqportdir::read_file_w(bytes, file_name, max_script_bytes)) {
        (void)load_text(bytes_text(bytes), names_required);  // the result is is_loaded()
    }
}

cmd_record_list::cmd_record_list(const std::wstring& file_name,
                                 const std::vector<std::string>& tags, bool names_required) {
    byte_array bytes;
    if (kqportdir::read_file_w(bytes, file_name, max_script_bytes)) {
        (void)parse_script_xml(bytes_text(bytes), L"", tags, {}, names_required);
    }
}

cmd_record_list::cmd_record_list(const byte_array& bytes, bool names_required) {
    (void)load_text(bytes_text(bytes), names_required);  // the result is is_loaded()
}

cmd_record_list::cmd_record_list(const byte_array& bytes, const std::vector<std::string>& tags,
                                 bool names_required) {
    (void)parse_script_xml(bytes_text(bytes), L"", tags, {}, names_required);
}

cmd_record_list::cmd_record_list(const std::vector<std::wstring>& items) {
    (void)load_list(items);  // the result is is_loaded()
}

cmd_record_list::cmd_record_list(const std::vector<std::string>& items) {
    (void)load_list_utf8(items);  // the result is is_loaded()
}

cmd_record_list::cmd_record_list(const std::vector<std::wstring>& items, bool split) {
    (void)expand_items(items, split);  // the result is is_loaded()
}

cmd_record_list::cmd_record_list(const std::vector<std::string>& items, bool split) {
    (void)expand_items(widen_list(items), split);  // the result is is_loaded()
}

cmd_record_list::cmd_record_list(const std::vector<std::wstring>& items,
                                 const std::vector<std::wstring>& tags, bool split) {
    (void)expand_items_xml(items, tags, split);  // the result is is_loaded()
}

cmd_record_list::cmd_record_list(const cmd_table_cell* table, bool wide) {
    (void)load_table(table, wide);  // the result is is_loaded()
}

cmd_record_list::cmd_record_list(const cmd_record_list& other)
    : m_records(other.m_records),
      m_run_texts(other.m_run_texts),
      m_run_times(other.m_run_times),
      m_repeat_texts(other.m_repeat_texts),
      m_repeat_intervals(other.m_repeat_intervals),
      m_timeouts(other.m_timeouts),
      m_dirs(other.m_dirs),
      m_names(other.m_names),
      m_comments(other.m_comments),
      m_spawns(other.m_spawns),
      m_customs(other.m_customs),
      m_max_items(other.m_max_items),
      m_loaded(other.m_loaded) {
    rebuild_argvs();
}

cmd_record_list& cmd_record_list::operator=(const cmd_record_list& other) {
    if (this != &other) {
        cmd_record_list copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void cmd_record_list::clear() {
    m_records.clear();
    m_argvs.clear();
    m_run_texts.clear();
    m_run_times.clear();
    m_repeat_texts.clear();
    m_repeat_intervals.clear();
    m_timeouts.clear();
    m_dirs.clear();
    m_names.clear();
    m_comments.clear();
    m_spawns.clear();
    m_customs.clear();
    m_max_items = 0;
    m_loaded = false;
}

// ---- Script texts ------------------------------------------------------------------------

bool cmd_record_list::load_file(const std::string& file_name, const std::wstring& hive,
                                const std::vector<std::string>& extra, bool names_required) {
    clear();
    byte_array bytes;
    // a short read keeps what arrived; only an empty result means nothing to parse
    (void)kqportdir::read_file(bytes, file_name, max_script_bytes);
    if (bytes.empty()) {
        return false;
    }
    (void)parse_script(bytes_text(bytes), hive, extra, names_required);  // sets m_loaded
    return m_loaded;
}

bool cmd_record_list::load_file(const std::string& file_name, bool names_required) {
    return load_file(file_name, L"", {}, names_required);
}

bool cmd_record_list::load_text(const std::string& text, bool names_required) {
    return parse_script(text, L"", {}, names_required);
}

bool cmd_record_list::parse_script(const std::string& text, const std::wstring& hive,
                                   const std::vector<std::string>& extra, bool names_required) {
    return parse_lines(text, hive, {}, extra, names_required, false);
}

bool cmd_record_list::parse_script_xml(const std::string& text, const std::wstring& hive,
                                       const std::vector<std::string>& tags,
                                       const std::vector<std::string>& extra,
                                       bool names_required) {
    return parse_lines(text, hive, tags, extra, names_required, true);
}

bool cmd_record_list::parse_lines(const std::string& text, const std::wstring& hive,
                                  const std::vector<std::string>& tags,
                                  const std::vector<std::string>& extra, bool names_required,
                                  bool xml) {
    if (text.empty()) {
        return false;
    }
    static const std::string marker = "!cmd,";
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t at = line.find(marker);
        if (line.starts_with("//") || at == std::string::npos) {
            continue;
        }
        std::vector<std::string> elements;
        std::string record_text = line.substr(at + marker.size());
        if (xml) {
            for (const auto& tag : tags) {
                std::string element;
                if (take_xml_element(element, line, tag)) {
                    elements.push_back(element);
                }
            }
            // Cutting elements shifts the line; the record text is read again after the
            // marker's length, as for a line that begins with the marker.
            if (!elements.empty()) {
                record_text = line.size() > marker.size() ? line.substr(marker.size()) : "";
            }
        }
        add_script_line(std::move(record_text), elements, hive, extra, names_required, xml);
    }
    finish_records();
    return true;
}

void cmd_record_list::add_script_line(std::string record_text,
                                      const std::vector<std::string>& elements,
                                      const std::wstring& hive,
                                      const std::vector<std::string>& extra, bool names_required,
                                      bool trim_items) {
    std::vector<std::string> args;
    if (record_text.empty()) {
        append_default_directives();
        args.emplace_back();
    } else {
        // false only for an empty text, handled above
        (void)split_on_char(record_text, ',', args, trim_items, false, false);
        if (!add_record(args)) {
            args.clear();
        }
    }
    args.insert(args.end(), elements.begin(), elements.end());
    normalise_args(args, hive, extra, names_required);
    m_records.push_back(widen_list(args));
}

void cmd_record_list::normalise_args(std::vector<std::string>& args, const std::wstring& hive,
                                     const std::vector<std::string>& extra,
                                     bool names_required) const {
    std::string name;
    std::string comment;
    (void)get_option_value("-name", name, args, true);  // absent: stays ""
    (void)get_option_value("-comment", comment, args, true);
    if (!name.empty() && comment.empty()) {
        args.emplace_back("-comment");
        args.push_back(name);
    }
    if (names_required && name.empty()) {
        args.emplace_back("-name");
        args.push_back(comment.empty() ? std::string("unk_name") : name_from_comment(comment));
    }
    if (!hive.empty()) {
        std::string old_hive;
        (void)take_option_value("-hive", old_hive, args);  // absent: nothing to replace
        args.emplace_back("-hive");
        args.push_back(uni::wstring_to_utf8(hive));
    }
    args.insert(args.end(), extra.begin(), extra.end());
}

bool cmd_record_list::add_record(std::vector<std::string>& items) {
    std::vector<std::wstring> wide = widen_list(items);
    if (!parse_directives(wide)) {
        return false;
    }
    items = narrow_list(wide);
    return true;
}

// Arguments are trimmed once more and every argv array built anew, as the records may have
// moved in memory since the last build.
void cmd_record_list::finish_records() {
    for (auto& record : m_records) {
        for (auto& arg : record) {
            (void)wtrim_whitespace(arg);  // false only reports an empty argument
        }
    }
    rebuild_argvs();
    m_loaded = true;
}

void cmd_record_list::rebuild_argvs() {
    m_argvs.clear();
    m_argvs.reserve(m_records.size());
    for (const auto& record : m_records) {
        std::vector<const wchar_t*> pointers;
        pointers.reserve(record.size());
        for (const auto& arg : record) {
            pointers.push_back(arg.c_str());
        }
        m_argvs.push_back(std::move(pointers));
    }
}

// ---- Item lists --------------------------------------------------------------------------

bool cmd_record_list::load_list(const std::vector<std::wstring>& items) {
    clear();
    std::vector<std::vector<std::wstring>> records;
    std::set<std::wstring> seen;
    bool started = false;
    for (const auto& item : items) {
        if (item == L"!cmd") {
            started = true;
            records.emplace_back();
        }
        if (started) {
            records.back().push_back(item);
            (void)wtrim_whitespace(records.back().back());  // empty items are kept
        }
    }
    if (!started) {
        return false;
    }
    for (auto& record : records) {
        std::wstring joined;
        for (const auto& item : record) {
            joined += item;
        }
        if (!seen.insert(joined).second) {
            continue;
        }
        (void)parse_directives(record);  // never empty: each record holds its "!cmd"
        m_records.push_back(std::move(record));
    }
    rebuild_argvs();
    m_loaded = true;
    return true;
}

bool cmd_record_list::load_list_utf8(const std::vector<std::string>& items) {
    return load_list(widen_list(items));
}

bool cmd_record_list::expand_items(const std::vector<std::wstring>& items, bool split) {
    return expand_items_xml(items, {}, split);
}

bool cmd_record_list::expand_items_xml(const std::vector<std::wstring>& items,
                                       const std::vector<std::wstring>& tags, bool split) {
    if (!split) {
        return load_list(items);
    }
    std::vector<std::wstring> unique = items;
    unique_wstring_list(unique);
    std::vector<std::wstring> pieces;
    for (auto item : unique) {
        std::vector<std::wstring> elements;
        for (const auto& tag : tags) {
            std::wstring element;
            if (take_xml_element_w(element, item, tag)) {
                elements.push_back(element);
            }
        }
        std::vector<std::wstring> parts;
        (void)wsplit_on_char(item, L',', parts, true, false);  // an empty item adds nothing
        pieces.insert(pieces.end(), parts.begin(), parts.end());
        pieces.insert(pieces.end(), elements.begin(), elements.end());
    }
    return load_list(pieces);
}

// ---- Accessors ---------------------------------------------------------------------------

bool cmd_record_list::get_args(int i, std::vector<std::string>& out) const {
    out.clear();
    if (!valid_index(i)) {
        return false;
    }
    out = narrow_list(m_records[static_cast<std::size_t>(i)]);
    return true;
}

bool cmd_record_list::get_args_w(int i, std::vector<std::wstring>& out) const {
    out.clear();
    if (!valid_index(i)) {
        return false;
    }
    out = m_records[static_cast<std::size_t>(i)];
    return true;
}

int cmd_record_list::argc(int i) const {
    if (!valid_index(i) || static_cast<std::size_t>(i) >= m_argvs.size()) {
        return 0;
    }
    return static_cast<int>(m_argvs[static_cast<std::size_t>(i)].size());
}

bool cmd_record_list::argv(int i, int& count_out, const wchar_t* const*& first) const {
    if (!valid_index(i) || static_cast<std::size_t>(i) >= m_argvs.size()) {
        return false;
    }
    const auto& pointers = m_argvs[static_cast<std::size_t>(i)];
    count_out = static_cast<int>(pointers.size());
    first = pointers.empty() ? nullptr : pointers.data();
    return true;
}

bool cmd_record_list::join_args(int i, std::wstring& out) const {
    out.clear();
    if (!valid_index(i)) {
        return false;
    }
    for (const auto& arg : m_records[static_cast<std::size_t>(i)]) {
        out += out.empty() ? L"\"" : L" \"";
        out += arg;
        out += L"\"";
    }
    return true;
}

bool cmd_record_list::join_args(int i, std::string& out) const {
    std::wstring wide;
    const bool ok = join_args(i, wide);
    out = uni::wstring_to_utf8(wide);
    return ok;
}

bool split_script_items(const std::string& text, std::vector<std::string>& out) {
    out.clear();
    return split_on_char(text, ',', out, true, false, false);
}
