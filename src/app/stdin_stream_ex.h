#pragma once
// kqportdir::stdin_stream_ex: where the input loop gets its names, one per read_line,
// whatever their source: the lines of standard input ("-pipe") or the files of a folder
// walk ("-enumdir", at most "-num_subdirs" levels deep, through the file filters).
//
// The walk keeps two stacks, pending folders and pending files: a folder's files come out
// last listed first before any of its sub-folders is listed, and sub-folders are entered
// last listed first, so nothing is listed before the first read_line and memory holds one
// folder's files at a time. Walked names are paths found on disk, so they cross between
// wide and byte form through the reversible path codec: a name that is not UTF-8 still
// comes out as the very bytes that open it.
//
// The walk hands out regular files only, decided from the listing's own lstat: opening a
// device or a FIFO to look at it can act on it or block. A symbolic link is followed only
// to a regular file inside the walked folder (an absolute link in a mounted image would
// otherwise read the examiner's own files as evidence), and a file reached under two names
// (a link and its target, two hard links) is handed out once: links come last, so a file
// the walk also reaches directly keeps its own name. When the walked files are read as
// databases, a "-wal", "-journal" or "-shm" whose database lies beside it in the same folder
// is read with that database and not handed out on its own. Standard input lines that
// cannot be paths (longer than the system takes, or holding a NUL byte) are passed over.
// Everything passed over is said on standard error, also under "-quiet": a skipped name is
// evidence not looked at.
#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cmdline/filter_entry.h"
#include "io/kq_dir_list.h"
#include "io/uni_stdio.h"
#include "text/kq_types.h"

class cmd_params;

namespace kqportdir {

class stdin_stream_ex : public uni::stdin_stream {
public:
    // options: whose file filter test a walk uses; may be null. Every reset clears it.
    explicit stdin_stream_ex(const cmd_params* options);
    ~stdin_stream_ex() override;
    stdin_stream_ex(const stdin_stream_ex&) = delete;
    stdin_stream_ex& operator=(const stdin_stream_ex&) = delete;

    // Both stacks and the filter list emptied, depth limit 1, walk mode off, options
    // pointer cleared, not open.
    void reset();
    // Names from standard input. True when names can be read.
    [[nodiscard]] bool open_stdin(bool check);
    // Names from a walk of folder; depth_limit is the deepest level listed (the folder
    // itself is level 0). A folder that cannot be listed opens all the same and yields
    // nothing but one line on standard error naming it and why (also under "-quiet": a
    // skipped folder is evidence not looked at). The narrow form is false for an empty
    // folder.
    [[nodiscard]] bool open_dir(const std::wstring& folder, uint32 depth_limit,
                                const std::vector<filter_entry>& filters);
    [[nodiscard]] bool open_dir(const std::string& folder, uint32 depth_limit,
                                const std::vector<filter_entry>& filters);

    // The next name: in walk mode the next walked file (trim does not apply), else the next
    // standard-input line with its trailing CRs and LFs removed when trim is set. A line
    // longer than uni::stdin_stream::max_line_length bytes, or one holding a NUL byte, is
    // no path: it is passed over whole with one line on standard error naming its line
    // number. False at the end of the names or when nothing was opened.
    bool read_line(std::string& out, bool trim) override;
    bool read_line(std::wstring& out, bool trim) override;

    // The next walked file, listing folders as needed; false, out empty, when the walk is
    // over.
    [[nodiscard]] bool next_walked_file(std::wstring& out);
    // A file must pass the filter list (a file whose signature could not be read passes, so
    // an unreadable file still reaches the driver and its message); folders are not tested.
    // Either way a leading "\\?\" is removed unless the shadow-copy device path follows it.
    [[nodiscard]] bool accept_path(std::wstring& path, bool is_directory) const;

    // How the walked folder itself is named in messages (as typed and as expanded, say);
    // its walked path when unset. Set after open_dir, which clears it.
    void set_folder_shown(std::string shown) { m_folder_shown = std::move(shown); }

    // How many folders of the walk could not be listed, each already reported.
    [[nodiscard]] uint32 unlisted_folders() const { return m_unlisted_folders; }

    // Whether the walk's files are read as databases, which read their companions beside
    // them: a companion whose database the walk hands out is then passed over. Off by
    // default ("-parse_chunk" reads every file on its own); reset leaves it as it is.
    void set_companions_read_with_database(bool on) { m_companions_with_database = on; }

private:
    struct pending_dir {
        std::wstring m_path;
        int32 m_depth = 0;
    };
    // A file is known by its device and inode, whatever name reached it.
    using file_identity = std::pair<uint64, uint64>;
    struct pending_file {
        std::wstring m_path;
        file_identity m_identity;
        std::string m_link_target;  // where a link leads; empty for a file itself
    };

    // Lists one folder onto the stacks.
    void list_folder(const pending_dir& folder);
    // Drops from one folder's files the companions of a database among them.
    void drop_companions(std::vector<pending_file>& files) const;
    // Whether a listed non-folder entry is a regular file the walk may hand out, judged by
    // its lstat and, for a link, by where the link leads; id receives the file's identity.
    // False, said on standard error, for anything else.
    [[nodiscard]] bool walked_file(const dir_entry& entry, pending_file& file) const;
    [[nodiscard]] bool followed_link(const std::string& path, pending_file& file) const;
    // Takes the last pending file of a stack; false when it names a file already handed
    // out (said on standard error).
    [[nodiscard]] bool take_pending(std::deque<pending_file>& stack, std::wstring& out);
    [[nodiscard]] bool lies_in_walked_folder(const std::string& resolved) const;
    // The next standard-input line that can be a path.
    [[nodiscard]] bool next_stdin_line(std::string& out, bool trim);

    std::deque<pending_dir> m_pending_dirs;
    std::deque<pending_file> m_pending_files;
    // Links to files inside the walked folder wait for the end of the walk: a file reached
    // both directly and through a link is then read under its own name.
    std::deque<pending_file> m_pending_links;
    uint32 m_depth_limit = 1;
    std::vector<filter_entry> m_filters;
    bool m_walk_mode = false;
    const cmd_params* m_options = nullptr;
    bool m_open = false;
    uint32 m_unlisted_folders = 0;
    // The walked folder with its links resolved; empty when it cannot be.
    std::string m_walked_root;
    // Files already handed out by this walk.
    std::set<file_identity> m_taken;
    // Lines of standard input read so far, for the messages about skipped ones.
    uint64 m_line_number = 0;
    bool m_companions_with_database = false;
    std::string m_folder_shown;
};

}  // namespace kqportdir
