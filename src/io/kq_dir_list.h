#pragma once
// One-level folder listings: the listing entries, listing with a file-name pattern, "*"
// folder components, and small list and print wrappers. Entries are listed with lstat, so a
// link to a folder is a file entry and no walk ever follows one into a loop. Folder entries
// carry the folder's path with a '/' at the end, an empty name and the depth one deeper.
// Names may hold any bytes: the wide forms cross through the reversible path form.

#include <iosfwd>
#include <string>
#include <vector>

#include "text/kq_types.h"

namespace kqportdir {

struct dir_entry {
    // The long-prefix flag is set when the path is longer than 4 bytes and begins "\\?\".
    dir_entry(std::string path, std::string name, bool is_folder, int32 depth);

    std::string m_path;
    std::string m_name;
    bool m_is_folder = false;
    bool m_long_prefix = false;
    int32 m_depth = 0;
    // From the listing's lstat of the entry (a link is described, not followed), so that a
    // walk can tell a regular file from a device, a FIFO or a link without opening it:
    // the file-type and permission bits, device and inode; all 0 with m_stat_error holding
    // the errno when the lstat failed.
    uint32 m_mode = 0;
    uint64 m_device = 0;
    uint64 m_inode = 0;
    int m_stat_error = 0;
};

struct dir_entry_w {
    // As dir_entry; a long path also longer than the shadow-copy prefix gets the globalroot
    // flag when "globalroot" (any case) follows its first four characters.
    dir_entry_w(std::wstring path, std::wstring name, bool is_folder, int32 depth);

    // Empties path and name, clears is-folder and globalroot, depth 0; the long-prefix flag
    // keeps its value.
    void clear();
    // clear, then the entry's path and name in wide form, its is-folder flag and depth; the
    // prefix flags are not copied.
    void assign(const dir_entry& entry);

    std::wstring m_path;
    std::wstring m_name;
    bool m_is_folder = false;
    bool m_long_prefix = false;
    bool m_globalroot = false;
    int32 m_depth = 0;
};

using dir_listing = std::vector<dir_entry>;
using dir_listing_w = std::vector<dir_entry_w>;

// Appends the entries of one folder (its text must end with a separator: entry paths are
// the folder text plus the name) in readdir order; "." and ".." are skipped. The separator
// after folder entries is '/' with forward_slash, else '\'. Each entry keeps its lstat
// facts; one that cannot be lstat-ed (it vanished, or its name cannot be reached) is
// listed as a file with its errno. True when
// anything was appended. read_error, when given, receives the errno of the opendir or
// readdir call that failed, else 0: an empty folder and one that cannot be read both list
// nothing, and a walk must tell the examiner about the second.
[[nodiscard]] bool list_dir(const std::string& folder, dir_listing& out, int32 depth,
                            bool folders_only, bool forward_slash, int* read_error = nullptr);

// Expands the first "/*/" ("\*\" without forward_slash) of each entry present at the call
// into one entry per sub-folder; an entry whose parent lists no sub-folder is emptied. True
// when any entry changed: callers repeat until false, one "*" level per call.
[[nodiscard]] bool expand_dir_wildcards(std::vector<std::string>& list, bool forward_slash);

// Empties out, then lists the folder ('/' appended when missing; "*" components expanded)
// and keeps every folder entry and each file whose base name and extension match the
// pattern's, case-blind. A pattern part is "*" or a whole name; an empty pattern is "*.*",
// and a file without an extension matches only the extension "*".
void list_dir_pattern(const std::string& folder, const std::string& pattern, dir_listing& out);
// The same in wide form; out is NOT emptied first.
void list_dir_pattern_w(const std::wstring& folder, const std::wstring& pattern,
                        dir_listing_w& out);

// Appends the paths of the matching files, and of the folders with with_folders.
void list_paths(const std::string& folder, const std::string& pattern,
                std::vector<std::string>& out, bool with_folders);
// Folders included; a null pointer is an empty text.
void list_paths_cstr(const char* folder, const char* pattern, std::vector<std::string>& out);
void list_folder_cstr(const char* folder, std::vector<std::string>& out);
void list_files_w(const std::wstring& folder, const std::wstring& pattern,
                  std::vector<std::wstring>& out);
// Appends the folder entries' paths.
void list_subfolders(const std::string& folder, std::vector<std::string>& out);
// Empties out, then appends the file entries' paths.
void list_files_only(const std::string& folder, std::vector<std::string>& out);

// Appends the path and expands its "/*/" components in the list; true.
bool expand_wildcard_path(const char* path, std::vector<std::string>& out);
bool expand_wildcard_path_w(const std::wstring& path, std::vector<std::wstring>& out);
void print_wildcard_expansion(const std::string& path, std::ostream& out);

// One line per entry: the depth in three hex digits, ": " and the path. The stream keeps
// its hex, fill '0' and right-alignment settings afterwards.
void print_listing(const std::string& folder, std::ostream& out);

// Empties the list; false.
bool clear_list(std::vector<std::string>& list);

}  // namespace kqportdir
