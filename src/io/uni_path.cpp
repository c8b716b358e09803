#include "io/uni_path.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <vector>

#include "io/path_codec.h"
#include "text/text_case.h"

namespace uni {
namespace {

// getcwd needs room for the whole path; the buffer doubles up to the longest path the
// kernel can hand back (PATH_MAX is no bound for a folder reached by relative steps).
constexpr std::size_t first_cwd_buffer = 512;
constexpr std::size_t last_cwd_buffer = 1U << 20U;

void unquote(std::string& path) {
    for (char& c : path) {
        if (c == '"') {
            c = ' ';
        }
    }
    const auto first = path.find('\'');
    if (first == std::string::npos || path.find('\'', first + 1) == std::string::npos) {
        return;
    }
    for (char& c : path) {
        if (c == '\'') {
            c = ' ';
        }
    }
}

char pick_separator(const std::string& path, char default_separator) {
    if (path.find('/') != std::string::npos) {
        return '/';
    }
    if (path.find('\\') != std::string::npos) {
        return '\\';
    }
    return default_separator;
}

bool has_drive_letter(const std::string& path) { return path.size() > 1 && path[1] == ':'; }

// Appends the components of `text` split at `sep`, resolving "." and ".." by name; a ".."
// never removes the first `floor` parts. True when the last component names a folder
// ("", "." or "..").
bool add_components(std::vector<std::string>& parts, const std::string& text, char sep,
                    std::size_t floor) {
    bool folder_end = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find(sep, start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string part = text.substr(start, end - start);
        folder_end = part.empty() || part == "." || part == "..";
        if (part == ".." && parts.size() > floor) {
            parts.pop_back();
        } else if (!folder_end) {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return folder_end;
}

std::string join_components(const std::vector<std::string>& parts, char sep, bool folder_end) {
    std::string out;
    for (const auto& part : parts) {
        out += sep;
        out += part;
    }
    if (out.empty() || folder_end) {
        out += sep;
    }
    return out;
}

}  // namespace

std::string get_current_dir() {
    std::vector<char> buffer(first_cwd_buffer);
    while (buffer.size() <= last_cwd_buffer) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
            return buffer.data();
        }
        if (errno != ERANGE) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

std::wstring get_current_dir_w() { return narrow_path_to_wide(get_current_dir()); }

std::string get_full_path(std::string path, char default_separator) {
    unquote(path);
    (void)trim_whitespace(path);  // an all-blank path is empty now, tested next
    if (path.empty()) {
        return {};
    }
    const char sep = pick_separator(path, default_separator);
    if (path.front() == sep) {
        return path;
    }
    std::vector<std::string> parts;
    std::size_t floor = 0;
    if (has_drive_letter(path)) {
        floor = 1;
    } else {
        const std::string cwd = get_current_dir();
        if (cwd.empty()) {
            return {};
        }
        // The current folder is a POSIX path: '/' separates it whatever the path uses.
        (void)add_components(parts, cwd, '/', 0);
    }
    const bool folder_end = add_components(parts, path, sep, floor);
    return join_components(parts, sep, folder_end);
}

std::wstring get_full_path(const std::wstring& path, wchar_t default_separator) {
    std::string bytes;
    if (!wide_path_to_narrow(path, bytes)) {
        return {};
    }
    // Separators are ASCII; any other default cannot separate a byte path.
    const char sep = default_separator < 0x80 ? static_cast<char>(default_separator) : '/';
    return narrow_path_to_wide(get_full_path(bytes, sep));
}

int resolve_path(const std::string& path, std::string& resolved) {
    resolved.clear();
    if (path.empty()) {
        return ENOENT;
    }
    if (path.find('\0') != std::string::npos) {
        return EINVAL;
    }
    // A null buffer lets the system allocate what the path needs: no buffer of ours limits
    // it.
    const std::unique_ptr<char, decltype(&std::free)> found(::realpath(path.c_str(), nullptr),
                                                            &std::free);
    if (found == nullptr) {
        return errno != 0 ? errno : ENOENT;
    }
    resolved = found.get();
    return 0;
}

}  // namespace uni
