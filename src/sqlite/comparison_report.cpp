#include "sqlite/comparison_report.h"

#include <algorithm>
#include <iomanip>
#include <sstream>
#include <vector>

#include "sqlite/carve_output.h"
#include "text/hex_text.h"
#include "text/list_helpers.h"

namespace {

constexpr int name_width = 20;
constexpr int data_indent = 23;
constexpr int phase_indent = 21;
constexpr std::size_t shown_mismatches = 2;
// The prefix key's column initials print as write_letter_pairs prints a push channel's.
constexpr int32 initials_table_type = 4;

struct mismatch {
    int64 rowid = 0;
    const sqlite_metadata* first = nullptr;
    const sqlite_metadata* second = nullptr;
};

class report_lines {
public:
    report_lines(std::ostream& out, const record_group& group, bool verbose)
        : m_out(out), m_group(group), m_verbose(verbose) {}

    std::ostream& phase1_first() {
        return m_out << "// " << std::left << std::setw(name_width) << m_group.name
                     << std::setw(0) << " : ";
    }
    std::ostream& phase1_more() {
        m_out << "// ";
        write_blanks(m_out, data_indent);
        return m_out;
    }
    std::ostream& phase_line() {
        m_out << "// ";
        write_blanks(m_out, phase_indent);
        return m_out << ": ";
    }
    std::ostream& data() {
        if (m_verbose) {
            write_blanks(m_out, data_indent);
        }
        return m_out;
    }
    [[nodiscard]] bool verbose() const { return m_verbose; }
    std::ostream& out() { return m_out; }

private:
    std::ostream& m_out;
    const record_group& m_group;
    bool m_verbose;
};

std::string initials_of(const record_set& set) {
    std::ostringstream text;
    (void)write_letter_pairs(text, set.prefix_key, initials_table_type);  // none: empty text
    return text.str();
}

bool fields_mixed(const record_group& group) {
    if (group.sets.size() < 2) {
        return false;
    }
    const std::string first = initials_of(group.sets.begin()->second);
    return std::any_of(group.sets.begin(), group.sets.end(), [&first](const auto& entry) {
        const std::string other = initials_of(entry.second);
        return !(first.starts_with(other) || other.starts_with(first));
    });
}

// The line left open by the first text is continued by the next one.
std::ostream& next_line(report_lines& lines, bool& open) {
    if (open) {
        open = false;
        return lines.out();
    }
    return lines.phase1_more();
}

void write_special_case(report_lines& lines, const report_options& options, std::size_t b,
                        std::size_t g) {
    std::ostream& out = lines.phase1_first()
                        << "Phase 1: Special Case: SQL Select option parsed 0 records. ";
    bool open = true;
    if (!options.error_text.empty()) {
        out << "Error detected: [" << options.error_text << "]." << '\n';
        open = false;
    } else if (b == 0 && g != 0) {
        out << "[Mostly likely - Separate table (not in db schema) found in slack outside of "
               "normal data]"
            << '\n';
        open = false;
    }
    if (b != 0) {
        next_line(lines, open) << "Carve option parsed " << b << " records. "
                               << "Signature option parsed " << g << " records." << '\n';
    } else if (g != 0) {
        next_line(lines, open) << "Signature option parsed " << g << " records." << '\n';
    }
    if (open) {
        out << '\n';
    }
}

// Phase 1 lines (verbose only). True when Phase 3 is to be skipped.
bool write_phase1(report_lines& lines, const record_group& group, const report_options& options) {
    const std::size_t a = group.rowids[0].size();
    const std::size_t b = group.rowids[1].size();
    const std::size_t g = group.rowids[2].size();
    if (b < a) {
        if (lines.verbose()) {
            lines.phase1_first() << "Phase 1: Failed: carve option did not ID'd the same records "
                                    "that SQL Select option did (short "
                                 << a - b << " records)." << '\n';
        }
        return true;
    }
    if (!lines.verbose()) {
        return false;
    }
    if (a == 0) {
        write_special_case(lines, options, b, g);
        return false;
    }
    const uint64 p = group.counts[0];
    const uint64 q = group.counts[1];
    std::vector<int64> missing;
    if (int64_set_difference(missing, group.rowids[0], group.rowids[1])) {
        lines.phase1_first()
            << "Phase 1: Passed: carve option ID'd the same records that SQL Select option did."
            << '\n';
        if (p < q) {
            lines.phase1_more() << "Carve option parsed " << q - p
                                << " exta records over SQL Select opton." << '\n';
        }
    } else {
        lines.phase1_first() << "Phase 1: Warning: [diff routine problem]: SQL Select rowids: "
                             << a << ", Carve option rowids: " << b << "." << '\n';
    }
    if (group.counts[2] < q) {
        lines.phase1_more() << "Signature option can be improved." << '\n';
    }
    return false;
}

// The record at the first position of the list that lies inside it, or null.
const sqlite_metadata* first_listed(const std::vector<sqlite_metadata>& list,
                                     const std::vector<int>& positions) {
    for (const int at : positions) {
        if (at >= 0 && static_cast<std::size_t>(at) < list.size()) {
            return &list[static_cast<std::size_t>(at)];
        }
    }
    return nullptr;
}

// A record without a fingerprint compared nothing: it counts as a mismatch, never as a pass.
bool same_values(const sqlite_metadata& a, const sqlite_metadata& b) {
    return has_fingerprint(a) && has_fingerprint(b) && a.m_reserved_bytes == b.m_reserved_bytes;
}

std::vector<mismatch> find_mismatches(const record_group& group) {
    std::vector<mismatch> out;
    for (const auto& [key, set] : group.sets) {
        for (const auto& [rowid, positions] : set.rowid_index[0]) {
            const auto other = set.rowid_index[1].find(rowid);
            if (other == set.rowid_index[1].end()) {
                continue;
            }
            const sqlite_metadata* a = first_listed(set.records[0], positions);
            const sqlite_metadata* b = first_listed(set.records[1], other->second);
            if (a != nullptr && b != nullptr && !same_values(*a, *b)) {
                out.push_back({rowid, a, b});
            }
        }
    }
    return out;
}

void write_phase3(report_lines& lines, const record_group& group) {
    const std::vector<mismatch> found = find_mismatches(group);
    if (found.empty()) {
        if (lines.verbose()) {
            lines.phase_line() << "Phase 3: Passed: Quick look comparison of values between each "
                                  "record of parsers found no mismatches."
                               << '\n';
        }
        lines.data() << "+ [" << 0 << " : " << 0 << "]" << '\n';
        return;
    }
    const std::size_t shown = std::min(found.size(), shown_mismatches);
    if (lines.verbose()) {
        lines.phase_line() << "Phase 3: Warning: Quick look comparison of values between each "
                              "record of parsers found "
                           << found.size() << " mismatches." << '\n';
    }
    lines.data() << "+ [" << found.size() << " : " << shown << "]" << '\n';
    for (std::size_t i = 0; i < shown; ++i) {
        lines.data() << "# [" << found[i].rowid << " : " << found[i].first->m_reserved_text
                     << " : " << found[i].second->m_reserved_text << "]" << '\n';
    }
}

std::string joined_sizes(const record_set& set) {
    std::string text;
    for (const auto& [size, count] : set.record_sizes) {
        if (size == 0) {
            continue;
        }
        text += (text.empty() ? "" : "; ") + std::to_string(size) + "-" + std::to_string(count);
    }
    return text;
}

std::string signature_text(const record_set& set) {
    class_key_set keys;
    std::vector<std::string> strings;
    if (!build_signature_strings(set, keys, strings)) {
        return {};
    }
    std::string text;
    for (const std::string& s : strings) {
        text += s + "; ";
    }
    for (const byte_array& key : keys) {
        std::string hex;
        (void)byte_array_to_hex_text(hex, key, "e", false);  // keys are never empty
        text += hex + "; ";
    }
    text.resize(text.size() - 2);
    return text;
}

void write_counts(report_lines& lines, const record_group& group) {
    lines.data() << "> [" << group.rowids[0].size() << "-" << group.rowids[1].size() << "-"
                 << group.rowids[2].size() << "]" << " : [" << group.counts[0] << "-"
                 << group.counts[1] << "-" << group.counts[2] << "]" << '\n';
    for (const auto& [key, set] : group.sets) {
        lines.data() << "* [" << set.records[0].size() << "-" << set.records[1].size() << "-"
                     << set.records[2].size() << "]" << " : [" << key << "]" << " : ["
                     << joined_sizes(set) << "]" << " : [" << signature_text(set) << "]" << '\n';
    }
}

}  // namespace

void write_comparison_report(const record_group& group, std::ostream& out,
                             const report_options& options) {
    report_lines lines(out, group, options.verbose);
    const bool mixed = fields_mixed(group);
    const bool skip_phase3 = write_phase1(lines, group, options);
    if (options.verbose) {
        lines.phase_line() << (mixed ? "Phase 2: Warning: Ordering of fields mixed in parsing "
                                       "results [caution using signature-based parsing]."
                                     : "Phase 2: Passed: Ordering of fields consistent.")
                           << '\n';
    }
    if (!skip_phase3) {
        write_phase3(lines, group);
    }
    write_counts(lines, group);
}
