#pragma once
// kqportdir::stdin_stream_ex: where the input loop gets its names, one per read_line,
// whatever their source: the lines of standard input ("-pipe") or the files of a folder
// walked depth first down to "-num_subdirs" levels and filtered by the file filters
// ("-enumdir").

#include <deque>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "cmdline/filter_entry.h"
#include "io/uni_stdio.h"
#include "text/kq_types.h"

namespace kqportdir {

class stdin_stream_ex : public uni::stdin_stream {
public:
    // options (may be null) supplies the time window of the walk's file filter test.
    explicit stdin_stream_ex(const cmd_params* options);
    ~stdin_stream_ex() override;
    stdin_stream_ex(const stdin_stream_ex&) = delete;
    stdin_stream_ex& operator=(const stdin_stream_ex&) = delete;

    // Both stacks emptied, depth limit 1, no filters, walk mode off, no options.
    void reset();
    // Names from standard input. True when they can be read.
    [[nodiscard]] bool open_stdin(bool check);
    // Names from a walk of folder, down to depth_limit levels below it, filtered by filters.
    [[nodiscard]] bool open_dir(const std::wstring& folder, uint32 depth_limit,
                                const std::vector<filter_entry>& filters);
    // False for an empty folder; otherwise the wide form.
    [[nodiscard]] bool open_dir(const std::string& folder, uint32 depth_limit,
                                const std::vector<filter_entry>& filters);

    // The next name: the next walked file, or the next line of standard input with its
    // trailing line breaks removed when trim is set. False at the end.
    bool read_line(std::string& out, bool trim) override;
    bool read_line(std::wstring& out, bool trim) override;

    [[nodiscard]] bool next_walked_file(std::wstring& out);
    // Tests a file against the filters and strips a "\\?\" prefix; folders are not tested.
    [[nodiscard]] bool accept_path(std::wstring& path, bool is_directory);

private:
    struct pending_dir {
        std::wstring path;
        int32 depth = 0;
    };

    std::deque<pending_dir> m_pending_dirs;    // a stack: the last added is taken next
    std::deque<std::wstring> m_pending_files;  // a stack as well
    uint32 m_depth_limit = 1;
    std::vector<filter_entry> m_filters;
    bool m_walk_mode = false;
    const cmd_params* m_options = nullptr;
};

}  // namespace kqportdir
