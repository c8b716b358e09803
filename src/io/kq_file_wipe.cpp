#include "io/kq_file_wipe.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

// The wipe selects with the common options' filters and reports through their diagnostics
// and status flag, which live a layer up.
#include "cmdline/cmd_params.h"
#include "io/file_entry.h"
#include "io/kq_file_move.h"
#include "io/kq_tree_walk.h"
#include "io/path_codec.h"
#include "io/uni_file_overwrite.h"
#include "io/uni_fileio.h"
#include "text/console_output.h"
#include "text/env_expand.h"
#include "text/random_text.h"

namespace kqportdir {
namespace {

constexpr int random_name_length = 4;
// Random names already taken in the folder are drawn again, this many times at most.
constexpr int name_draws = 16;

std::string shown(const std::wstring& path) {
    std::string text;
    (void)uni::wide_path_to_narrow(path, text);  // a character without bytes ends the text
    return text;
}

bool status_on(const cmd_params* options) { return options != nullptr && options->m_status_output; }

bool lstat_path(const std::string& path, struct stat64& info) {
    return !path.empty() && ::lstat64(path.c_str(), &info) == 0;
}

// A regular file whose bytes belong to this name alone. Through a second hard link they
// are another file's too, possibly outside the tree: such a file is never overwritten.
bool own_regular_file(const std::string& path) {
    struct stat64 info {};
    return lstat_path(path, info) && S_ISREG(info.st_mode) && info.st_nlink == 1;
}

std::string without_trailing_slashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string parent_of(const std::string& path) {
    const std::string text = without_trailing_slashes(path);
    const auto slash = text.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : text.substr(0, slash);
}

bool resolve(const std::string& path, std::string& out) {
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                           &std::free);
    if (!real) {
        return false;
    }
    out = real.get();
    return true;
}

struct wipe_walk {
    wipe_results results;
    const std::vector<filter_entry>* filters = nullptr;
    cmd_params* options = nullptr;
    std::string root;       // as walked, without trailing '/'
    std::string real_root;  // resolved
    file_entry_ex cache;
    bool left_alone = false;  // a selected entry was not touched
};

// The root itself (still the folder that was checked), or an entry whose folder resolves
// inside the root: a folder swapped for a link during the wipe leads nowhere else.
bool may_touch(const wipe_walk& walk, const std::string& path) {
    std::string real;
    if (without_trailing_slashes(path) == walk.root) {
        struct stat64 info {};
        return lstat_path(walk.root, info) && S_ISDIR(info.st_mode) && resolve(path, real) &&
               real == walk.real_root;
    }
    if (!resolve(parent_of(path), real)) {
        return false;
    }
    return real == walk.real_root ||
           real.starts_with(walk.real_root == "/" ? walk.real_root : walk.real_root + "/");
}

void leave_alone(wipe_walk& walk, const std::string& text) {
    walk.left_alone = true;
    if (status_on(walk.options)) {
        (void)stderr_printf("can't access: %s\n", text.c_str());
    }
}

// The walk passes a file whose signature test could not open it; a wipe takes only what
// the filters positively select.
bool chosen(wipe_walk& walk, const std::wstring& path) {
    if (walk.filters->empty()) {
        return true;
    }
    bool could_not_open = false;
    walk.cache.m_modified = 0;  // refilled for this path
    return cmd_params::match_file_filter(*walk.options, &could_not_open, path, *walk.filters,
                                         &walk.cache, false);
}

void walk_entry(const std::wstring& path, bool is_folder, void* context, cmd_params* options) {
    auto& walk = *static_cast<wipe_walk*>(context);
    if (!chosen(walk, path)) {
        return;
    }
    std::string bytes;
    if (!uni::wide_path_to_narrow(path, bytes) || !may_touch(walk, bytes)) {
        leave_alone(walk, shown(path));
        return;
    }
    (void)wipe_callback(path, is_folder, &walk.results, options);  // always 0
}

// Truncates to nothing and writes one 'a': the file's size no longer tells its old length.
bool shrink_to_one_byte(const std::string& path) {
    const std::wstring wide = uni::narrow_path_to_wide(path);
    uni::fileio file;
    if (!file.open_regular_update(wide, true) && !file.open_regular_update(wide, true)) {
        return false;
    }
    file.resize(0);
    const bool shrunk = file.size() == 0 && file.write_fill('a', 1);
    return file.close() && shrunk;
}

// Renames current to random letters and digits plus suffix in its own folder; letters and
// digits only, as '/' or '.' would move the file elsewhere. A name already taken is drawn
// again, never replaced. name receives the last name drawn.
bool rename_randomly(std::string& current, const std::string& suffix, std::string& name) {
    const auto slash = current.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : current.substr(0, slash + 1);
    for (int draw = 0; draw < name_draws; ++draw) {
        name = random_alnum_text(random_name_length) + suffix;
        const rename_outcome outcome = rename_no_replace(current, folder + name);
        if (outcome == rename_outcome::done) {
            current = folder + name;
            return true;
        }
        if (outcome == rename_outcome::failed) {
            return false;
        }
    }
    return false;
}

// Moves current into %TEMP% under name, never over a file there. An unset TEMP stays the
// text "%TEMP%", which names no folder, and the file is then removed where it is.
bool move_to_temp(std::string& current, const std::string& name) {
    std::wstring temp = L"%TEMP%";
    (void)wexpand_env_vars(temp);  // expands in place
    std::string folder;
    if (name.empty() || !uni::wide_path_to_narrow(temp, folder)) {
        return false;
    }
    const std::string target = folder + "/" + name;
    if (rename_no_replace(current, target) != rename_outcome::done) {
        return false;
    }
    current = target;
    return true;
}

void remove_entry(const wipe_walk& walk, const std::string& current, const std::string& text,
                  uint64& code) {
    const bool removed = remove_file(current);
    if (removed) {
        code |= wipe_code::deleted;
    }
    if (status_on(walk.options)) {
        walk.options->diag_printf("delete: %s", current.c_str());
        (void)stderr_printf("deleted: %s - %s\n", text.c_str(), removed ? "success" : "failed");
    }
}

// Shrinks, renames, moves and removes one selected file. A link, or a file with another
// hard link, loses only its name.
void wipe_entry(wipe_walk& walk, const std::wstring& key, uint64& code, std::size_t count) {
    const std::string text = shown(key);
    walk.options->diag_printf("-----------");
    walk.options->diag_printf("resize: %s", text.c_str());
    std::string path;
    struct stat64 info {};
    if (!uni::wide_path_to_narrow(key, path) || !may_touch(walk, path) || !lstat_path(path, info)) {
        leave_alone(walk, text);
        return;
    }
    if (S_ISLNK(info.st_mode) || (S_ISREG(info.st_mode) && info.st_nlink > 1)) {
        remove_entry(walk, path, text, code);
        return;
    }
    if (!shrink_to_one_byte(path)) {
        leave_alone(walk, text);
        return;
    }
    code |= wipe_code::shrunk;
    std::string current = path;
    std::string name;
    if (rename_randomly(current, std::to_string(count), name)) {
        walk.options->diag_printf("rename: %s => %s", path.c_str(), current.c_str());
        code |= wipe_code::renamed;
    }
    const std::string before_move = current;
    if (move_to_temp(current, name)) {
        walk.options->diag_printf("move: %s => %s", before_move.c_str(), current.c_str());
        code |= wipe_code::moved;
    }
    remove_entry(walk, current, text, code);
}

bool is_real_folder(const std::string& path) {
    struct stat64 info {};
    return lstat_path(without_trailing_slashes(path), info) && S_ISDIR(info.st_mode);
}

// Folders last key first, so each one's contents went before it; only empty ones go.
void remove_folders(wipe_walk& walk) {
    for (auto entry = walk.results.rbegin(); entry != walk.results.rend(); ++entry) {
        std::string path;
        if (entry->second != wipe_code::folder || !uni::wide_path_to_narrow(entry->first, path)) {
            continue;
        }
        if (!may_touch(walk, path) || !is_real_folder(path) ||
            ::rmdir(without_trailing_slashes(path).c_str()) != 0) {
            continue;
        }
        entry->second |= wipe_code::deleted;
        if (status_on(walk.options)) {
            (void)stderr_printf("deleted: %s\n", shown(entry->first).c_str());
        }
    }
}

// The root as given must be a folder itself, not a link to one elsewhere.
bool take_root(const std::wstring& root, wipe_walk& walk) {
    std::string bytes;
    struct stat64 info {};
    if (!uni::wide_path_to_narrow(root, bytes)) {
        return false;
    }
    walk.root = without_trailing_slashes(bytes);
    return lstat_path(walk.root, info) && S_ISDIR(info.st_mode) &&
           resolve(walk.root, walk.real_root);
}

bool everything_gone(const wipe_walk& walk, bool folders_removed) {
    if (walk.left_alone) {
        return false;
    }
    for (const auto& [path, code] : walk.results) {
        const bool is_file = (code & wipe_code::visited) != 0;
        if ((is_file || folders_removed) && (code & wipe_code::deleted) == 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

int wipe_callback(const std::wstring& path, bool is_folder, wipe_results* results,
                  cmd_params* options) {
    if (path.empty() || results == nullptr) {
        return 0;
    }
    if (is_folder) {
        if (path != L"." && path != L"..") {
            results->emplace(path, wipe_code::folder);
        }
        return 0;
    }
    const std::string text = shown(path);
    std::string bytes;
    const bool wiped = uni::wide_path_to_narrow(path, bytes) && own_regular_file(bytes) &&
                       uni::overwrite_file_zeros(path);
    results->emplace(path, wiped ? wipe_code::visited | wipe_code::zeroed : wipe_code::visited);
    if (wiped) {
        diag_msg(options, "wipe: %s", text.c_str());
    } else {
        diag_msg(options, "not wiped: %s", text.c_str());
    }
    if (status_on(options)) {
        (void)stderr_printf(wiped ? "wiped: %s\n" : "not wiped: %s\n", text.c_str());
    }
    return 0;
}

bool wipe_tree(const std::wstring& root, const std::vector<filter_entry>& filters, int32 levels,
               cmd_params* options, wipe_results* results) {
    if (root.empty() || options == nullptr) {
        return false;
    }
    std::wstring expanded = root;
    (void)wexpand_env_vars(expanded);  // expands in place
    wipe_walk walk;
    walk.filters = &filters;
    walk.options = options;
    if (!take_root(expanded, walk)) {
        return false;
    }
    walk_tree_w(expanded, filters, walk_entry, &walk, options, levels);
    if (walk.results.empty()) {
        return false;
    }
    std::size_t count = 0;
    for (auto entry = walk.results.rbegin(); entry != walk.results.rend(); ++entry, ++count) {
        if (entry->second != wipe_code::folder) {
            wipe_entry(walk, entry->first, entry->second, count);
        }
    }
    const bool folders_removed = filters.empty() || filters.front().m_match_all;
    if (folders_removed) {
        remove_folders(walk);
    }
    if (results != nullptr) {
        *results = walk.results;
    }
    return everything_gone(walk, folders_removed);
}

bool wipe_file(const std::wstring& path) {
    std::string current;
    struct stat64 info {};
    if (path.empty() || !uni::wide_path_to_narrow(path, current) || !lstat_path(current, info) ||
        !S_ISREG(info.st_mode) || info.st_nlink != 1) {
        return false;
    }
    // An empty file has no bytes to overwrite; it still loses its name.
    const bool zeroed = info.st_size == 0 || uni::overwrite_file_zeros(path);
    if (!shrink_to_one_byte(current)) {
        return false;
    }
    std::string name;
    (void)rename_randomly(current, "", name);  // a file that keeps its name is still removed
    (void)move_to_temp(current, name);         // likewise where it is
    return remove_file(current) && zeroed;
}

}  // namespace kqportdir
