#include "io/kq_file_select.h"

#include <algorithm>
#include <new>

#include "io/kq_dir_list.h"
#include "io/kq_dir_node.h"
#include "io/uni_fileio.h"
#include "text/byte_search.h"
#include "text/text_case.h"

namespace kqportdir {
namespace {

// ---- names ----

struct name_pattern {
    std::string whole;   // the lower-cased pattern
    std::string prefix;  // with '?': the text before the first one
    std::string suffix;  // with '?': the text after the last one
    std::string listing;
    bool wild = false;
};

name_pattern compile_name_pattern(std::string text) {
    name_pattern out;
    string_to_lower(text);
    const auto point = text.rfind('.');
    std::string extension = point == std::string::npos ? std::string() : text.substr(point + 1);
    out.wild = text.find('?') != std::string::npos;
    if (out.wild) {
        const auto last = text.rfind('?');
        if (point == std::string::npos || last > point) {
            extension.clear();  // the wildcard reaches into the extension
        }
        out.prefix = text.substr(0, text.find('?'));
        out.suffix = text.substr(last + 1);
    }
    out.listing = extension.empty() ? "*.*" : "*." + extension;
    out.whole = std::move(text);
    return out;
}

bool name_fits(const name_pattern& pattern, const std::string& name) {
    if (!pattern.wild) {
        return name == pattern.whole;
    }
    // The characters between prefix and suffix are not counted: "rep??.txt" fits rep.txt.
    return name.starts_with(pattern.prefix) && !pattern.suffix.empty() &&
           name.ends_with(pattern.suffix);
}

// ---- contents ----

// Reads blocks of this size where a filter searches a range or 512-byte steps.
constexpr uint32 read_block = 0x4000;
constexpr uint64 sector_step = 512;
constexpr uint32 max_sector_length = 511;
constexpr uint32 max_tail_length = 0x3FFF;

// True when pattern lies wholly inside [from, to) of the file. Blocks overlap by the
// pattern's length less one, so a match across a block border is found too.
bool range_holds(uni::fileio& file, uint64 from, uint64 to, const byte_array& pattern) {
    to = std::min(to, file.size());
    const uint64 block = std::max<uint64>(read_block, 2 * pattern.size());
    const uint64 step = block - (pattern.size() - 1);
    byte_array bytes;
    for (uint64 at = from; at < to && to - at >= pattern.size(); at += step) {
        const uint64 length = std::min(block, to - at);
        uint64 found = 0;
        if (!file.read_at(bytes, length, at)) {
            return false;
        }
        if (find_bytes(bytes.data(), static_cast<uint32>(bytes.size()), pattern, found, 0, true)) {
            return true;
        }
        if (length < block) {
            break;
        }
    }
    return false;
}

// True when pattern lies in the first `window` bytes of some 512-byte step of the file.
// Whole blocks of steps are read at once; a window never crosses a step.
bool sectors_hold(uni::fileio& file, uint32 window, const byte_array& pattern) {
    byte_array bytes;
    for (uint64 at = 0; at < file.size(); at += read_block) {
        if (!file.read_at(bytes, std::min<uint64>(read_block, file.size() - at), at)) {
            return false;
        }
        for (uint64 step = 0; step < bytes.size(); step += sector_step) {
            const auto n = static_cast<uint32>(std::min<uint64>(window, bytes.size() - step));
            uint64 found = 0;
            if (find_bytes(&bytes[static_cast<std::size_t>(step)], n, pattern, found, 0, true)) {
                return true;
            }
        }
    }
    return false;
}

bool tail_holds(uni::fileio& file, uint32 window, const byte_array& pattern) {
    const uint64 length = std::min<uint64>(window, file.size());
    return range_holds(file, file.size() - length, file.size(), pattern);
}

bool range_set(const content_filter& filter) {
    return !filter.m_range_pattern.empty() && filter.m_range_end != 0;
}

bool has_patterns(const content_filter& filter) {
    return range_set(filter) || !filter.m_sector_pattern.empty() || !filter.m_tail_pattern.empty();
}

bool contents_fit(uni::fileio& file, const content_filter& filter) {
    if (range_set(filter) &&
        !range_holds(file, filter.m_range_start, filter.m_range_end, filter.m_range_pattern)) {
        return false;
    }
    if (!filter.m_sector_pattern.empty() &&
        (filter.m_sector_length == 0 || filter.m_sector_length > max_sector_length ||
         !sectors_hold(file, filter.m_sector_length, filter.m_sector_pattern))) {
        return false;
    }
    return filter.m_tail_pattern.empty() ||
           (filter.m_tail_length != 0 && filter.m_tail_length <= max_tail_length &&
            tail_holds(file, filter.m_tail_length, filter.m_tail_pattern));
}

bool metadata_fits(const _DIR_NODE& node, const content_filter& filter) {
    if (!filter.m_extension.empty() && filter.m_extension != node.m_ext) {
        return false;
    }
    if (node.m_size < filter.m_min_size || node.m_size > filter.m_max_size) {
        return false;
    }
    return filter.m_time_threshold <= node.m_created || filter.m_time_threshold <= node.m_altered;
}

// Every filter must accept; the file is opened once, when the first pattern needs it.
bool file_fits(const std::string& path, const std::vector<content_filter>& filters) {
    _DIR_NODE node;
    if (!_DIR_NODE::from_path(path.c_str(), node)) {
        return false;
    }
    uni::fileio file;
    for (const content_filter& filter : filters) {
        if (!metadata_fits(node, filter)) {
            return false;
        }
        if (!has_patterns(filter)) {
            continue;
        }
        if (!file.is_open() && !file.open(path, false, false, false)) {
            return false;
        }
        if (!contents_fit(file, filter)) {
            return false;
        }
    }
    return true;
}

// ---- relative paths ----

bool is_separator(char c) { return c == '/' || c == '\\'; }

// Start offsets and lengths of the non-empty components of a path.
struct component {
    std::size_t start = 0;
    std::size_t length = 0;
};

std::vector<component> components_of(const std::string& path) {
    std::vector<component> out;
    for (std::size_t at = 0; at < path.size();) {
        if (is_separator(path[at])) {
            ++at;
            continue;
        }
        const std::size_t start = at;
        while (at < path.size() && !is_separator(path[at])) {
            ++at;
        }
        out.push_back({start, at - start});
    }
    return out;
}

bool same_component(const std::string& a, component x, const std::string& b, component y) {
    return a.compare(x.start, x.length, b, y.start, y.length) == 0;
}

}  // namespace

bool find_files_matching(const std::string& pattern, std::map<std::string, std::string>& out) {
    out.clear();
    if (pattern.empty()) {
        return false;
    }
    auto cut = pattern.rfind('/');
    if (cut == std::string::npos) {
        cut = pattern.rfind('\\');
    }
    const std::string folder = cut == std::string::npos ? "./" : pattern.substr(0, cut + 1);
    const name_pattern compiled =
        compile_name_pattern(cut == std::string::npos ? pattern : pattern.substr(cut + 1));
    std::vector<std::string> listed;
    list_paths(folder, compiled.listing, listed, true);
    for (const std::string& path : listed) {
        // Listings join with '/', and no name holds one; folder entries end with it, so
        // their name is empty and never fits.
        std::string name = path.substr(path.rfind('/') + 1);
        string_to_lower(name);
        if (!name.empty() && name_fits(compiled, name)) {
            out.emplace(std::move(name), path);  // a name seen before keeps its first path
        }
    }
    return !out.empty();
}

bool filter_files_by_content(std::vector<std::string>& paths,
                             const std::vector<content_filter>& filters) {
    if (paths.empty()) {
        return false;
    }
    if (filters.empty()) {
        return true;
    }
    std::vector<std::string> kept;
    for (std::string& path : paths) {
        if (file_fits(path, filters)) {
            kept.push_back(std::move(path));
        }
    }
    paths.swap(kept);
    return !paths.empty();
}

bool make_relative_path(std::string& out, const std::string& base, const std::string& target,
                        int maximum) {
    out.clear();
    const std::size_t limit = maximum < 0 ? 0 : static_cast<std::size_t>(maximum);
    constexpr std::size_t shortest = 3;
    if (base.size() > limit || target.size() > limit || base.size() <= shortest ||
        target.size() <= shortest) {
        return false;
    }
    if (base.front() != target.front()) {
        out = target;
        return true;
    }
    const std::vector<component> from = components_of(base);
    const std::vector<component> to = components_of(target);
    std::size_t shared = 0;
    while (shared < from.size() && shared < to.size() &&
           same_component(base, from[shared], target, to[shared])) {
        ++shared;
    }
    const std::size_t ups = from.size() - shared;
    const std::string rest = shared < to.size() ? target.substr(to[shared].start) : std::string();
    if (ups == 0 && rest.empty()) {
        out.assign(1, '.');  // the target is the base folder itself
        return true;
    }
    std::string relative;
    for (std::size_t i = 0; i < ups; ++i) {
        relative += "../";
    }
    relative += rest;
    if (relative.size() > limit) {
        return false;
    }
    out = std::move(relative);
    return true;
}

}  // namespace kqportdir
