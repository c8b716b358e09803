// The written forms of a command script: one record as a script line, all records as a
// dump or a dump file, as a C source table that load_table reads back once compiled, and a
// debug listing. The dump and the table keep only the arguments (and the dump the schedule):
// they are listings, not full copies of the script.

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <ostream>
#include <string>

#include "io/uni_encoding.h"
#include "resultsdb/cmd_record_list.h"
#include "time/kq_calendar.h"
#include "time/time_conversions.h"

namespace {

constexpr uint64 never_runs = ~0ULL;
// Repeat intervals, in FILETIME ticks, at which the dump's named repeats begin.
constexpr int64 one_hour = 36'000'000'000LL;
constexpr int64 two_days = 1'728'000'000'000LL;
constexpr int64 eight_days = 6'912'000'000'000LL;

std::string utf8(const std::wstring& text) { return uni::wstring_to_utf8(text); }

void append_directive(std::string& line, const char* marker, const std::wstring& value) {
    if (!value.empty()) {
        line += marker;
        line += utf8(value);
    }
}

std::string run_part(uint64 run_time) {
    if (run_time == never_runs) {
        return "!run-never, ";
    }
    const auto signed_time = static_cast<int64>(run_time);
    kq::filetime_pair pair;
    if (signed_time <= 0 || !kq::value_to_filetime_pair(pair, run_time, kq::tt_filetime)) {
        return "!run-now, ";
    }
    const kq::_windows_systemtime utc(pair);
    char text[64] = {};
    (void)std::snprintf(text, sizeof text, "!run-%02d/%02d/%04d::%02d:%02d:%02d, ", utc.month,
                        utc.day, utc.year, utc.hour, utc.minute, utc.second);
    return text;
}

const char* repeat_part(uint64 interval) {
    const auto signed_interval = static_cast<int64>(interval);
    if (signed_interval < one_hour) {
        return "!repeat-none";
    }
    if (signed_interval < two_days) {
        return "!repeat-daily";
    }
    if (signed_interval < eight_days) {
        return "!repeat-weekly";
    }
    return "!repeat-monthly";
}

// A C string literal's body: backslash and double quote escaped, control bytes and DEL as
// three-digit octal escapes, so no argument can end the literal or inject source text.
std::string c_literal_body(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[5] = {};
            (void)std::snprintf(escape, sizeof escape, "\\%03o", static_cast<unsigned>(byte));
            out += escape;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

bool cmd_record_list::format_record(int i, std::wstring& out) const {
    if (!valid_index(i)) {
        return false;
    }
    const auto at = static_cast<std::size_t>(i);
    std::string line = "!cmd";
    append_directive(line, ", !spawn-", m_spawns[at]);
    append_directive(line, ", !custom-", m_customs[at]);
    append_directive(line, ", !name-", m_names[at]);
    append_directive(line, ", !comment-", m_comments[at]);
    append_directive(line, ", !dir-", m_dirs[at]);
    if (m_timeouts[at] != 0) {
        line += ", !timeout-" + std::to_string(m_timeouts[at]);
    }
    append_directive(line, ", !repeat-", m_repeat_texts[at]);
    append_directive(line, ", !run-", m_run_texts[at]);
    for (const auto& arg : m_records[at]) {
        if (arg != L"!cmd") {
            line += ", \"" + utf8(arg) + "\"";
        }
    }
    out = uni::utf8_to_wstring(line);
    return true;
}

bool cmd_record_list::format_record(int i, std::string& out) const {
    std::wstring wide;
    if (!format_record(i, wide)) {
        return false;
    }
    out = utf8(wide);
    return true;
}

bool cmd_record_list::dump(std::ostream& out) const {
    if (m_records.empty()) {
        return false;
    }
    for (std::size_t at = 0; at < m_records.size(); ++at) {
        std::printf("0x%" PRIx64 "\n", m_run_times[at]);
        std::string line = "!cmd, ";
        for (const auto& arg : m_records[at]) {
            line += utf8(arg) + ", ";
        }
        line += run_part(m_run_times[at]);
        line += repeat_part(m_repeat_intervals[at]);
        out << line << '\n';
    }
    std::fflush(stdout);
    out << '\n';
    return true;
}

bool cmd_record_list::write_file(const std::string& file_name) const {
    std::ofstream file(file_name, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    if (m_records.empty()) {
        return true;
    }
    const bool ok = dump(file);
    file.close();
    return ok && !file.fail();
}

int cmd_record_list::largest_record() const {
    std::size_t largest = 0;
    for (const auto& record : m_records) {
        largest = std::max(largest, record.size());
    }
    return static_cast<int>(largest);
}

bool cmd_record_list::write_c_table(std::ostream& out) const {
    if (m_records.empty()) {
        return false;
    }
    const int fields = 1 + std::max(static_cast<int>(m_max_items), largest_record());
    std::string text = "const int NUM_FIELDS_PER_RECORD = " + std::to_string(fields) + ";\n\n";
    text += "const char * reg_cmds[][NUM_FIELDS_PER_RECORD] =\n{\n";
    text += "   {\n      g_record_start_char, g_cmd_terminator_char\n   },\n\n";
    for (const auto& record : m_records) {
        text += "   {\n      g_record_start_char,\n";
        for (std::size_t k = 0; k < record.size(); ++k) {
            text += "     \"" + c_literal_body(utf8(record[k])) + "\"";
            text += k + 1 < record.size() ? ",\n" : "\n";
        }
        text += "   },\n\n";
    }
    text += "   { g_cmd_terminator_char }\n};\n";
    out << text;
    return true;
}

void cmd_record_list::write_c_table_stdout() const {
    (void)write_c_table(std::cout);  // an empty list writes nothing
    std::cout.flush();
}

bool cmd_record_list::print() const {
    if (m_records.empty()) {
        return false;
    }
    for (std::size_t at = 0; at < m_records.size(); ++at) {
        std::printf("----- record %d -----\n", static_cast<int>(at));
        for (const auto& arg : m_records[at]) {
            std::printf("%s\n", utf8(arg).c_str());
        }
    }
    std::fflush(stdout);
    return true;
}
