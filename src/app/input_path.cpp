#include "app/input_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "cmdline/cmd_params.h"
#include "io/uni_file_head.h"
#include "sqlite/db_file.h"
#include "sqlite/sqlite_format.h"
#include "text/byte_reader.h"
#include "text/env_expand.h"
#include "text/text_case.h"

namespace {

namespace fs = std::filesystem;
namespace wal = sqlite_format::wal_file;
namespace journal = sqlite_format::journal;

// The files the readers and the SQLite library open beside a database; "-shm" only the
// library, but writing it would still change what the library sees of the evidence.
constexpr std::array<const char*, 4> input_suffixes = {"", "-wal", "-journal", "-shm"};
constexpr std::array<const char*, 3> companion_suffixes = {"-wal", "-shm", "-journal"};
// Enough for the longest header compared: the database header's text.
constexpr uint32 head_size = 16;

// An absolute path with the links of its existing part resolved; empty when it cannot be
// worked out.
fs::path resolved(const std::string& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    if (error) {
        return {};
    }
    fs::path result = fs::weakly_canonical(absolute, error);
    return error ? fs::path() : result;
}

// The name, and the name its links resolve to when that differs.
std::vector<std::string> spellings(const std::string& path) {
    std::vector<std::string> names{path};
    const std::string real = resolved(path).string();
    if (!real.empty() && real != path) {
        names.push_back(real);
    }
    return names;
}

bool is_regular_file(const std::string& path) {
    struct stat64 info {};
    return ::stat64(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The existing file whose "-wal", "-shm" or "-journal" the name is. Letter case is ignored:
// on a case-blind volume "X.DB-WAL" is the log all the same.
bool companion_owner(const std::string& path, std::string& owner) {
    std::string lowered = path;
    (void)string_to_lower(lowered);
    for (const char* suffix : companion_suffixes) {
        const std::size_t length = std::strlen(suffix);
        if (lowered.size() <= length ||
            lowered.compare(lowered.size() - length, length, suffix) != 0) {
            continue;
        }
        const std::string base = path.substr(0, path.size() - length);
        if (is_regular_file(base)) {
            owner = base;
            return true;
        }
    }
    return false;
}

// What the first bytes of an existing, non-empty regular file say it is.
output_refusal head_refusal(const std::string& path, int& error) {
    byte_array head;
    errno = 0;
    if (!uni::read_file_head(head, path, head_size)) {
        error = errno != 0 ? errno : EIO;
        return output_refusal::unchecked;
    }
    return sqlite_head_refusal(head);
}

bool clashes_with_input(const std::string& path, const std::vector<std::string>& inputs,
                        std::string& clash) {
    for (const std::string& input : inputs) {
        for (const std::string& name : spellings(input)) {
            for (const char* suffix : input_suffixes) {
                if (same_file(path, name + suffix)) {
                    clash = name + suffix;
                    return true;
                }
            }
        }
    }
    return false;
}

output_verdict refused(output_refusal refusal, int error) {
    output_verdict verdict;
    verdict.refusal = refusal;
    verdict.error = error;
    return verdict;
}

// A file that exists: it must be a regular file holding no SQLite data, bear no companion's
// name and be writable.
output_verdict judge_existing(const std::string& path, const struct stat64& info) {
    if (!S_ISREG(info.st_mode)) {
        return refused(output_refusal::not_regular, 0);
    }
    int error = 0;
    const output_refusal head =
        info.st_size == 0 ? output_refusal::none : head_refusal(path, error);
    if (head != output_refusal::none) {
        return refused(head, error);
    }
    output_verdict verdict = companion_verdict(path);
    if (verdict.refusal == output_refusal::none && ::access(path.c_str(), W_OK) != 0) {
        return refused(output_refusal::not_writable, errno);
    }
    return verdict;
}

// A file to be created: no companion's name, in a folder that exists and takes new files.
output_verdict judge_new(const std::string& path) {
    output_verdict verdict = companion_verdict(path);
    if (verdict.refusal != output_refusal::none) {
        return verdict;
    }
    const fs::path parent = fs::path(path).parent_path();
    const fs::path folder = parent.empty() ? fs::path(".") : parent;
    struct stat64 info {};
    if (::stat64(folder.c_str(), &info) != 0) {
        return refused(output_refusal::no_folder, errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return refused(output_refusal::no_folder, ENOTDIR);
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return refused(output_refusal::not_writable, errno);
    }
    return verdict;
}

// given as typed and opened as the driver opens it: the one that exists, else both.
std::string name_shown(const std::string& given, const std::string& opened) {
    if (opened == given || name_exists(opened)) {
        return opened;
    }
    return given + " (expanded: " + opened + ")";
}

}  // namespace

output_refusal sqlite_head_refusal(const byte_array& head) {
    const kq::byte_reader bytes(head.data(), head.size());
    if (is_sqlite_header(bytes)) {
        return output_refusal::sqlite_database;
    }
    uint32 magic = 0;
    if (bytes.be32_at(wal::magic, magic) &&
        (magic == wal::magic_little_endian || magic == wal::magic_big_endian)) {
        return output_refusal::sqlite_wal;
    }
    if (bytes.has(0, journal::magic_size) &&
        std::memcmp(bytes.data(), journal::magic, journal::magic_size) == 0) {
        return output_refusal::sqlite_journal;
    }
    return output_refusal::none;
}

output_verdict companion_verdict(const std::string& path) {
    output_verdict verdict;
    for (const std::string& name : spellings(path)) {
        if (companion_owner(name, verdict.other)) {
            verdict.refusal = output_refusal::companion_name;
            return verdict;
        }
    }
    return verdict;
}

bool input_names_are_walked(const cmd_params& options) {
    return options.m_enum_dir_given && !options.m_pipe;
}

std::string expand_input_path(const cmd_params& options, std::string& path) {
    if (!input_names_are_walked(options)) {
        path = expand_missing_name(path);
    }
    return path;
}

std::string input_name_shown(const cmd_params& options, const std::string& given) {
    std::string opened = given;
    (void)expand_input_path(options, opened);
    return name_shown(given, opened);
}

std::string walked_folder_shown(const cmd_params& options) {
    // Expanded when the option was read (walked names are not expanded again).
    const std::string& typed =
        options.m_enum_dir_typed.empty() ? options.m_enum_dir : options.m_enum_dir_typed;
    return name_shown(typed, options.m_enum_dir);
}

bool same_file(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) {
        return false;
    }
    std::error_code error;
    if (fs::exists(a, error) && fs::exists(b, error)) {
        return fs::equivalent(a, b, error) && !error;
    }
    const fs::path left = resolved(a);
    return !left.empty() && left == resolved(b);
}

output_verdict judge_output_file(const std::string& path, const std::vector<std::string>& inputs) {
    output_verdict verdict;
    if (clashes_with_input(path, inputs, verdict.other)) {
        verdict.refusal = output_refusal::is_input;
        return verdict;
    }
    struct stat64 info {};
    if (::stat64(path.c_str(), &info) == 0) {
        return judge_existing(path, info);
    }
    const int error = errno;
    if (::lstat64(path.c_str(), &info) == 0) {
        return refused(output_refusal::dangling_link, 0);
    }
    if (error != ENOENT) {
        return refused(output_refusal::no_folder, error);
    }
    return judge_new(path);
}

std::string refusal_text(const output_verdict& verdict) {
    switch (verdict.refusal) {
        case output_refusal::none:
            return "";
        case output_refusal::is_input:
            return "it is the input " + verdict.other;
        case output_refusal::sqlite_database:
            return "it holds an SQLite database";
        case output_refusal::sqlite_wal:
            return "it holds an SQLite write-ahead log";
        case output_refusal::sqlite_journal:
            return "it holds an SQLite rollback journal";
        case output_refusal::companion_name:
            return "it is named as a companion of " + verdict.other;
        case output_refusal::unchecked:
            return std::string("its first bytes cannot be read to check them: ") +
                   std::strerror(verdict.error);
        case output_refusal::not_regular:
            return "it is not a regular file";
        case output_refusal::dangling_link:
            return "it is a symbolic link to nothing";
        case output_refusal::in_walked_folder:
            return "it lies in the walked folder " + verdict.other +
                   " and holds no earlier output of velk";
        case output_refusal::may_be_chunk:
            return "under " +
                   (verdict.other.empty() ? std::string("-pipe -parse_chunk") : verdict.other) +
                   " any file may be an input, and it holds no earlier output of velk";
        case output_refusal::kept_changing:
            return "it changed while it was being opened";
        case output_refusal::no_folder:
        case output_refusal::not_writable:
        case output_refusal::open_failed:
            return std::strerror(verdict.error);
    }
    return "";
}

std::string output_named_by(const cmd_params& options, const std::string& input) {
    if (same_file(options.m_out_path, input)) {
        return "results file";
    }
    if (same_file(options.m_diag_path, input)) {
        return "diagnostics file";
    }
    return "";
}
