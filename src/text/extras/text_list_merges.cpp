#include "text/extras/text_list_merges.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "io/uni_encoding.h"
#include "text/extras/packed_option_name.h"
#include "text/number_text.h"
#include "text/text_case.h"
#include "text/text_lines.h"
#include "text/text_split.h"

namespace {

// Reads one trimmed number; false when the piece is not one. The number reader takes a
// lone "x" or "o" prefix as 0, so a piece without any digit is refused first.
bool read_u64(std::string piece, uint64& value) {
    (void)trim_whitespace(piece);
    const bool has_digit = std::any_of(piece.begin(), piece.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0;
    });
    return has_digit && string_to_uint64(piece, &value);
}

bool read_range(const std::string& piece, char range, std::pair<uint64, uint64>& out) {
    const std::size_t at = piece.find(range);
    if (at == std::string::npos) {
        return read_u64(piece, out.first) && read_u64(piece, out.second);
    }
    return read_u64(piece.substr(0, at), out.first) && read_u64(piece.substr(at + 1), out.second);
}

}  // namespace

bool take_item_with_prefix(const std::string& text, std::wstring& out,
                           std::vector<std::wstring>& list) {
    const std::wstring prefix = uni::utf8_to_wstring(text);
    if (prefix.empty()) {
        return false;
    }
    for (auto item = list.begin(); item != list.end(); ++item) {
        if (wcsstr_nocase(item->c_str(), prefix.c_str()) == item->c_str()) {
            out = std::move(*item);
            list.erase(item);
            return true;
        }
    }
    return false;
}

bool take_packed_flag_w(uint64 packed, std::vector<std::wstring>& list, bool keep) {
    const std::wstring word = uni::utf8_to_wstring(packed_option_name(packed));
    for (auto item = list.begin(); item != list.end(); ++item) {
        std::wstring candidate = *item;  // compared on copies: the comparison lower-cases
        std::wstring wanted = word;
        if (wstring_equals_nocase(candidate, wanted)) {
            if (!keep) {
                list.erase(item);
            }
            return true;
        }
    }
    return false;
}

bool has_vmdk_option(const std::vector<std::wstring>& /*list*/) { return false; }

void dedupe_keep_order(std::vector<std::string>& list) {
    std::set<std::string> seen;
    const auto repeated = [&seen](const std::string& item) { return !seen.insert(item).second; };
    list.erase(std::remove_if(list.begin(), list.end(), repeated), list.end());
}

std::string& join_keys(std::string& out, const std::set<std::string>& keys,
                       const std::string& separator, bool skip_empty) {
    out.clear();
    for (auto key = keys.begin(); key != keys.end(); ++key) {
        if (skip_empty && key->empty()) {
            continue;
        }
        out += *key;
        if (std::next(key) != keys.end()) {
            out += separator;
        }
    }
    if (skip_empty && !out.empty() && !separator.empty() && out.back() == separator.front()) {
        out.pop_back();
    }
    return out;
}

bool merge_unique_sorted(const std::vector<std::string>& a, const std::vector<std::string>& b,
                         std::vector<std::string>& out, bool lower_case) {
    std::set<std::string> merged;
    for (const auto* list : {&a, &b}) {
        for (std::string text : *list) {
            merged.insert(lower_case ? string_to_lower(text) : text);
        }
    }
    out.insert(out.end(), merged.begin(), merged.end());
    return true;
}

bool u64_set_union(std::vector<uint64>& out, const std::set<uint64>& a, const std::set<uint64>& b) {
    out.clear();
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return !out.empty();
}

bool parse_u64_ranges(std::vector<std::pair<uint64, uint64>>& out, const std::string& text,
                      char separator, char range) {
    out.clear();
    if (text.empty()) {
        return false;
    }
    std::vector<std::string> pieces;
    (void)split_on_char(text, separator, pieces, false, false, false);
    for (std::string& piece : pieces) {
        std::pair<uint64, uint64> pair{0, 0};
        if (trim_whitespace(piece) && read_range(piece, range, pair)) {
            out.push_back(pair);
        }
    }
    return true;
}

bool load_key_value_map(std::map<std::string, std::string>& out, const byte_array& bytes) {
    out.clear();
    std::vector<std::string> lines;
    if (bytes.empty() || !byte_array_to_lines(bytes, lines)) {
        return false;
    }
    for (const std::string& line : lines) {
        const std::size_t at = line.find('=');
        if (at != std::string::npos) {
            out.emplace(line.substr(0, at), line.substr(at + 1));
        }
    }
    return !out.empty();
}
