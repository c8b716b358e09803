#include "text/extras/column_name_header.h"

#include <algorithm>
#include <iomanip>
#include <sstream>

#include "io/uni_encoding.h"
#include "text/extras/stream_put_position.h"
#include "text/text_case.h"

namespace {

// Three blanks take the last separator's place, so the caption line is as wide as the rows
// that end in a padded cell.
constexpr char last_separator_blanks[] = "   ";

std::string name_key(std::string name) {
    (void)trim_whitespace(name);
    return string_to_lower(name);
}

std::wstring name_key(std::wstring name) {
    (void)wtrim_whitespace(name);
    return wstring_to_lower(name);
}

uint32 clamp_u32(std::size_t value) {
    return static_cast<uint32>(std::min<std::size_t>(value, UINT32_MAX));
}

// Writes every name and its separator into line and fills the three outputs.
template <typename Char>
bool build_header(std::basic_ostringstream<Char>& line, std::vector<uint32>& positions,
                  std::map<std::basic_string<Char>, uint32>& by_name, std::vector<uint32>& widths,
                  const std::vector<std::basic_string<Char>>& names,
                  const std::basic_string<Char>& separator) {
    positions.clear();
    by_name.clear();
    if (names.empty()) {
        return false;
    }
    const bool given = widths.size() == names.size();
    std::vector<uint32> used;
    line << std::left << std::setfill(static_cast<Char>(' '));
    positions.push_back(0);
    for (std::size_t i = 0; i < names.size(); ++i) {
        uint32 width = clamp_u32(names[i].size());
        if (given && widths[i] > width) {
            width = widths[i];
        }
        line << std::setw(static_cast<int>(std::min<uint32>(width, INT32_MAX))) << names[i]
             << separator;
        used.push_back(width);
        positions.push_back(positions.back() + width + clamp_u32(separator.size()));
        uint32& known = by_name[name_key(names[i])];
        known = std::max(known, width);
    }
    widths = std::move(used);
    return true;
}

}  // namespace

bool write_name_header(std::ostream& out, std::vector<uint32>& positions,
                       std::map<std::string, uint32>& by_name, std::vector<uint32>& widths,
                       const std::vector<std::string>& names, const std::string& separator,
                       bool end_line) {
    std::ostringstream line;
    if (!build_header(line, positions, by_name, widths, names, separator)) {
        return false;
    }
    (void)ostream_back_up(line, clamp_u32(separator.size()));  // a string stream can always back up
    line << last_separator_blanks;
    if (end_line) {
        line << '\n';
    }
    out << line.str();
    return true;
}

bool write_name_header_w(std::ostream& out, std::vector<uint32>& positions,
                         std::map<std::wstring, uint32>& by_name, std::vector<uint32>& widths,
                         const std::vector<std::wstring>& names, const std::wstring& separator) {
    std::wostringstream line;
    if (!build_header(line, positions, by_name, widths, names, separator)) {
        return false;
    }
    (void)wostream_back_up(line, clamp_u32(separator.size()), true);  // as above
    out << uni::wstring_to_utf8(line.str()) << '\n';
    return true;
}
