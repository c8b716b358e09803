#include "app/output_guard.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string_view>
#include <utility>

#include "app/velk_options.h"
#include "app/velk_usage.h"
#include "io/kq_dir_list.h"
#include "io/uni_file_head.h"
#include "io/uni_path.h"
#include "text/text_case.h"

namespace {

// The files the readers and the SQLite library open beside a database.
constexpr std::array<const char*, 4> input_suffixes = {"", "-wal", "-journal", "-shm"};
// Enough for the SQLite headers and for the first line of a diagnostics file, which holds the
// whole command line.
constexpr uint32 head_size = 0x10000;
// A report's first line is the version line; any longer line is something else.
constexpr std::size_t version_line_limit = 256;
constexpr std::string_view version_line_end = " -";
constexpr std::string_view diag_item_start = "->";
constexpr std::string_view diag_option = " -diags ";
// A file the run creates holds a report: readable by everyone, writable by its owner.
constexpr mode_t create_mode = 0644;
// Opened for reading (its first bytes are checked) and writing; never through a link in the
// last step, never blocking on a FIFO, never emptied here.
constexpr int open_flags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
// How often a name that changes between the look and the open is looked at again: a name
// that keeps changing is being played with, and refused.
constexpr int open_attempts = 3;

output_verdict refused(output_refusal refusal, int error, std::string other = {}) {
    output_verdict verdict;
    verdict.refusal = refusal;
    verdict.error = error;
    verdict.other = std::move(other);
    return verdict;
}

bool same_identity(const struct stat64& a, const struct stat64& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string first_line(const byte_array& head) {
    std::string text(head.begin(), head.end());
    const std::size_t end = text.find('\n');
    return end == std::string::npos ? std::string() : text.substr(0, end);
}

bool inside_folder(const std::string& resolved, const std::string& folder) {
    if (folder.empty() || resolved.size() <= folder.size() || !resolved.starts_with(folder)) {
        return false;
    }
    return folder == "/" || resolved[folder.size()] == '/';
}

// Whether the file a link in the walked folder leads to, or a companion beside that file,
// is the file info describes; clash receives its name.
bool link_reaches(const std::string& link, const struct stat64& info, std::string& clash) {
    std::string target;
    if (uni::resolve_path(link, target) != 0) {
        return false;  // leads nowhere: the walk reads nothing through it
    }
    for (const char* suffix : input_suffixes) {
        struct stat64 other {};
        if (::stat64((target + suffix).c_str(), &other) == 0 && same_identity(info, other)) {
            clash = suffix[0] == '\0' ? link : target + suffix;
            return true;
        }
    }
    return false;
}

// Whether the walk of the guard's folder, as deep as the run walks it, reaches the file info
// describes: as a file of the folder (companions lie beside their database, so they are
// listed too) or through a link in it. Filters are not applied: a file they would pass over
// is refused all the same, as a filter may test bytes the report would overwrite. Listed
// with lstat, so a link to a folder is not entered; the depth limit bounds the walk.
bool walk_reaches(const struct stat64& info, const output_guard& guard, std::string& clash) {
    // From the folder as the run walks it, so that a name found is the name the run reads.
    const std::string& root =
        guard.walked_folder_given.empty() ? guard.walked_folder : guard.walked_folder_given;
    std::vector<std::pair<std::string, uint32>> pending{{root, 0}};
    while (!pending.empty()) {
        auto [folder, depth] = std::move(pending.back());
        pending.pop_back();
        if (!folder.ends_with('/')) {
            folder += '/';
        }
        kqportdir::dir_listing entries;
        // A folder that cannot be listed is not walked by the run either.
        (void)kqportdir::list_dir(folder, entries, static_cast<int32>(depth), false, true);
        for (const kqportdir::dir_entry& entry : entries) {
            if (entry.m_is_folder) {
                if (depth < guard.walk_depth) {
                    pending.emplace_back(entry.m_path, depth + 1);
                }
                continue;
            }
            if (entry.m_device == static_cast<uint64>(info.st_dev) &&
                entry.m_inode == static_cast<uint64>(info.st_ino)) {
                clash = entry.m_path;
                return true;
            }
            if (S_ISLNK(entry.m_mode) && link_reaches(entry.m_path, info, clash)) {
                return true;
            }
        }
    }
    return false;
}

// The batch rule on a file whose first bytes are head and whose name, links resolved, is
// resolved and whose identity is info.
output_verdict batch_verdict(const std::string& resolved, const byte_array& head,
                             const output_guard& guard, const struct stat64& info) {
    if (is_earlier_output(head)) {
        return {};
    }
    if (inside_folder(resolved, guard.walked_folder)) {
        return refused(
            output_refusal::in_walked_folder, 0,
            guard.walked_folder_given.empty() ? guard.walked_folder : guard.walked_folder_given);
    }
    std::string clash;
    if (!guard.walked_folder.empty() && walk_reaches(info, guard, clash)) {
        return refused(output_refusal::is_input, 0, clash);
    }
    if (!guard.any_file_mode.empty() && !head.empty()) {
        return refused(output_refusal::may_be_chunk, 0, guard.any_file_mode);
    }
    return {};
}

// Whether info is one of the inputs or their companions, under the name given or the
// name its links resolve to; clash receives that name.
bool is_input_file(const struct stat64& info, const std::vector<std::string>& inputs,
                   std::string& clash) {
    for (const std::string& input : inputs) {
        std::string real;
        const bool resolved = uni::resolve_path(input, real) == 0 && real != input;
        for (const std::string& name : {input, resolved ? real : input}) {
            for (const char* suffix : input_suffixes) {
                struct stat64 other {};
                if (::stat64((name + suffix).c_str(), &other) == 0 && same_identity(info, other)) {
                    clash = name + suffix;
                    return true;
                }
            }
        }
    }
    return false;
}

// The first bytes of the open file; false, with errno, when they cannot be read.
bool read_head(int fd, uint64 size, byte_array& head) {
    head.assign(static_cast<std::size_t>(std::min<uint64>(size, head_size)), 0);
    std::size_t got = 0;
    while (got < head.size()) {
        const ssize_t n =
            ::pread64(fd, head.data() + got, head.size() - got, static_cast<off64_t>(got));
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0) {
            break;  // shorter than fstat said: judged on what is there
        }
        if (errno != EINTR) {
            return false;
        }
    }
    head.resize(got);
    return true;
}

// Every check of the guard, on the file open at fd under the name opened (its last step no
// link); created: the open made it.
output_verdict judge_descriptor(int fd, const std::string& opened, bool created,
                                const output_guard& guard, struct stat64& info) {
    if (::fstat64(fd, &info) != 0) {
        return refused(output_refusal::unchecked, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return refused(output_refusal::not_regular, 0);
    }
    std::string clash;
    if (is_input_file(info, guard.inputs, clash)) {
        return refused(output_refusal::is_input, 0, clash);
    }
    byte_array head;
    if (!read_head(fd, static_cast<uint64>(info.st_size), head)) {
        return refused(output_refusal::unchecked, errno);
    }
    if (const output_refusal what = sqlite_head_refusal(head); what != output_refusal::none) {
        return refused(what, 0);
    }
    output_verdict verdict = companion_verdict(opened);
    if (verdict.refusal != output_refusal::none || created) {
        return verdict;
    }
    std::string resolved;
    (void)uni::resolve_path(opened, resolved);  // one that does not resolve lies nowhere
    return batch_verdict(resolved, head, guard, info);
}

enum class attempt { done, again };

// Removes a file the run created and will not write after all, while the name still
// reaches it (another file put there meanwhile is not the run's to remove).
void remove_created(const std::string& path, const struct stat64& info) {
    struct stat64 now {};
    if (::lstat64(path.c_str(), &now) == 0 && same_identity(now, info)) {
        (void)::unlink(path.c_str());
    }
}

// The file the name reaches now: itself, or, for a link the examiner named, the file the link
// leads to (resolved this once). none, target set, or the refusal.
output_verdict open_target(const std::string& path, const struct stat64& link,
                           std::string& target) {
    target = path;
    if (!S_ISLNK(link.st_mode)) {
        return {};
    }
    const int error = uni::resolve_path(path, target);
    if (error == ENOENT) {
        return refused(output_refusal::dangling_link, 0);
    }
    return error == 0 ? output_verdict{} : refused(output_refusal::open_failed, error);
}

// One look at the name and one open; again when the name changed in between (appeared,
// vanished, or became a link), which the next look sees.
attempt try_open(const std::string& path, const output_guard& guard, int& fd, struct stat64& info,
                 output_verdict& verdict, bool& created) {
    struct stat64 link {};
    created = false;
    std::string target = path;
    const bool creating = ::lstat64(path.c_str(), &link) != 0;
    if (creating) {
        if (errno != ENOENT) {
            verdict = refused(output_refusal::open_failed, errno);
            return attempt::done;
        }
        // A new file, made here: O_EXCL fails on anything that took the name meanwhile, a
        // link included, and never follows one.
        fd = ::open64(path.c_str(), open_flags | O_CREAT | O_EXCL, create_mode);
        created = fd != -1;
    } else {
        verdict = open_target(path, link, target);
        if (verdict.refusal != output_refusal::none) {
            return attempt::done;
        }
        fd = ::open64(target.c_str(), open_flags);
    }
    if (fd == -1) {
        const int error = errno;
        // Made meanwhile; or gone, or a link now, since the look.
        if (creating ? error == EEXIST : (error == ENOENT || error == ELOOP)) {
            return attempt::again;
        }
        const bool special = error == EISDIR || error == ENXIO;  // a folder, a FIFO or device
        verdict =
            refused(special ? output_refusal::not_regular : output_refusal::open_failed, error);
        return attempt::done;
    }
    verdict = judge_descriptor(fd, target, created, guard, info);
    return attempt::done;
}

}  // namespace

output_guard output_guard_of(const velk_options& options) {
    output_guard guard;
    if (!options.m_pipe && !options.m_enum_dir_given) {
        std::string path = options.m_db.db_path();
        guard.inputs.push_back(expand_input_path(options, path));
    }
    if (input_names_are_walked(options)) {
        // A folder that does not resolve is walked as nothing: no file lies inside it.
        (void)uni::resolve_path(options.m_enum_dir, guard.walked_folder);
        guard.walked_folder_given = options.m_enum_dir;
    }
    guard.walk_depth = options.m_num_subdirs;
    if (options.m_pipe) {
        guard.any_file_mode = options.m_parse_chunk ? "-pipe -parse_chunk" : "-pipe";
    } else if (options.m_enum_dir_given && options.m_parse_chunk) {
        guard.any_file_mode = "-enumdir -parse_chunk";
    }
    return guard;
}

bool is_earlier_output(const byte_array& head) {
    const std::string line = first_line(head);
    const std::string version_start = velk_program_name + " - ";
    if (line.size() <= version_line_limit && line.starts_with(version_start) &&
        line.ends_with(version_line_end) &&
        line.size() >= version_start.size() + version_line_end.size()) {
        return true;
    }
    if (!line.starts_with(diag_item_start)) {
        return false;
    }
    std::string lowered = line + " ";
    return string_to_lower(lowered).find(diag_option) != std::string::npos;
}

output_verdict judge_batch_output(const std::string& path, const output_guard& guard) {
    if (guard.walked_folder.empty() && guard.any_file_mode.empty()) {
        return {};
    }
    struct stat64 info {};
    if (path.empty() || ::stat64(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};  // nothing there to lose; anything else the guard refuses by itself
    }
    byte_array head;
    if (info.st_size > 0 && !uni::read_file_head(head, path, head_size)) {
        return refused(output_refusal::unchecked, errno != 0 ? errno : EIO);
    }
    std::string resolved;
    (void)uni::resolve_path(path, resolved);
    return batch_verdict(resolved, head, guard, info);
}

opened_output::~opened_output() { close(); }

void opened_output::close() {
    if (m_fd != -1) {
        (void)::close(m_fd);  // nothing was written through it
        m_fd = -1;
        if (!m_created.empty()) {
            remove_created(m_created, m_info);
        }
    }
    m_known = false;
    m_created.clear();
}

bool opened_output::same_file_as(const opened_output& other) const {
    return m_known && other.m_known && same_identity(m_info, other.m_info);
}

bool opened_output::is_reached_by(const std::string& path) const {
    struct stat64 info {};
    return m_known && !path.empty() && ::stat64(path.c_str(), &info) == 0 &&
           same_identity(m_info, info);
}

bool opened_output::empty_it() {
    // Also when it was empty at the look: bytes written since then are not the report's.
    return is_open() && ::ftruncate64(m_fd, 0) == 0;
}

int opened_output::release() {
    const int fd = m_fd;
    m_fd = -1;
    m_created.clear();  // kept: the report goes there
    return fd;
}

output_verdict open_output_file(const std::string& path, const output_guard& guard,
                                opened_output& opened) {
    opened.close();
    for (int i = 0; i < open_attempts; ++i) {
        int fd = -1;
        output_verdict verdict;
        bool created = false;
        if (try_open(path, guard, fd, opened.m_info, verdict, created) == attempt::again) {
            continue;
        }
        if (verdict.refusal == output_refusal::none) {
            // Written as a blocking descriptor: the report waits for a slow disk.
            const int flags = ::fcntl(fd, F_GETFL);
            if (flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1) {
                verdict = refused(output_refusal::open_failed, errno);
            }
        }
        if (verdict.refusal != output_refusal::none) {
            if (fd != -1) {
                (void)::close(fd);
            }
            if (created) {
                remove_created(path, opened.m_info);
            }
            return verdict;
        }
        opened.m_fd = fd;
        opened.m_known = true;
        opened.m_created = created ? path : std::string();
        return verdict;
    }
    return refused(output_refusal::kept_changing, 0);
}

std::string output_files::reached_by(const std::string& path) const {
    if (results.is_reached_by(path)) {
        return "results file";
    }
    return diagnostics.is_reached_by(path) ? "diagnostics file" : "";
}
