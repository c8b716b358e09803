#include "text/path_text.h"

#include <locale>
#include <stdexcept>

namespace {

// One split step for both text widths: `separator` is the one that decides, `parent_tail`
// what a final ".." leaves on the folder.
template <typename text>
bool split_at_last(const text& path, typename text::value_type separator,
                   const text& parent_tail, text& directory, text& file_name) {
    const auto at = path.rfind(separator);
    if (at == text::npos || at == 0) {
        return false;
    }
    directory = path.substr(0, at);
    file_name = path.substr(at + 1);
    const text parent(2, static_cast<typename text::value_type>('.'));
    if (file_name == parent) {
        file_name = text(1, static_cast<typename text::value_type>('.'));
        directory += parent_tail;
    }
    return true;
}

template <typename text>
void split_any(const text& path, text& directory, text& file_name) {
    using ch = typename text::value_type;
    const text back_parent = {static_cast<ch>('\\'), static_cast<ch>('.'), static_cast<ch>('.')};
    const text slash_parent = {static_cast<ch>('/'), static_cast<ch>('/'), static_cast<ch>('.'),
                               static_cast<ch>('.')};
    if (split_at_last(path, static_cast<ch>('\\'), back_parent, directory, file_name)) {
        return;
    }
    // '/' separates only in a path without any backslash.
    if (path.find(static_cast<ch>('\\')) == text::npos &&
        split_at_last(path, static_cast<ch>('/'), slash_parent, directory, file_name)) {
        return;
    }
    directory = text(1, static_cast<ch>('.'));
    file_name = path;
}

template <typename text>
void cut_extension(const text& file_name, text& base_name, text& extension) {
    const auto point = file_name.rfind(static_cast<typename text::value_type>('.'));
    if (point == text::npos) {
        base_name = file_name;
        return;
    }
    base_name = file_name.substr(0, point);
    extension = file_name.substr(point + 1);
}

template <typename text>
bool strip_slashes(text& value) {
    while (!value.empty() && (value.back() == '/' || value.back() == '\\')) {
        value.pop_back();
    }
    return !value.empty();
}

}  // namespace

bool split_path(const std::string& path, std::string& directory, std::string& file_name) {
    directory.clear();
    file_name.clear();
    if (path.empty()) {
        return false;
    }
    split_any(path, directory, file_name);
    return true;
}

bool wsplit_path(const std::wstring& path, std::wstring& directory, std::wstring& file_name) {
    if (path.empty()) {
        return false;
    }
    directory.clear();
    file_name.clear();
    split_any(path, directory, file_name);
    return true;
}

bool split_path_cstr(const char* path, std::string& directory, std::string& file_name) {
    if (path == nullptr) {
        return false;
    }
    return split_path(std::string(path), directory, file_name);
}

bool split_file_name(const char* path, std::string& directory, std::string& base_name,
                     std::string& extension) {
    directory.clear();
    base_name.clear();
    extension.clear();
    if (path == nullptr) {
        return false;
    }
    std::string file_name;
    // An empty path leaves every part empty; the split itself has nothing more to say.
    (void)split_path(std::string(path), directory, file_name);
    cut_extension(file_name, base_name, extension);
    return true;
}

bool split_file_name_w(const std::wstring& path, std::wstring& directory,
                       std::wstring& base_name, std::wstring& extension) {
    if (path.empty()) {
        return false;
    }
    base_name.clear();
    extension.clear();
    std::wstring file_name;
    (void)wsplit_path(path, directory, file_name);  // cannot fail: the path is not empty
    cut_extension(file_name, base_name, extension);
    return true;
}

bool strip_trailing_slashes(std::string& text) { return strip_slashes(text); }

bool strip_trailing_slashes_w(std::wstring& text) { return strip_slashes(text); }

int strip_trailing_newlines(std::string& text) {
    int erased = 0;
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
        text.pop_back();
        ++erased;
    }
    return erased;
}

bool is_locale_name(const char* name) {
    if (name == nullptr) {
        return false;
    }
    try {
        const std::locale probe(name);
        return true;
    } catch (const std::runtime_error&) {
        // The library reports an unknown locale name only by throwing.
        return false;
    }
}
