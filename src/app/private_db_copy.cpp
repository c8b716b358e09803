#include "app/private_db_copy.h"

#include <fcntl.h>
#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): mkdtemp is POSIX, not <cstdlib>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "io/stop_cleanup.h"
#include "io/uni_file_info.h"

namespace fs = std::filesystem;

namespace {

// The companions the library reads with a database: its write-ahead log and its rollback
// journal (a hot journal is rolled back on open).
constexpr std::array<const char*, 2> companion_suffixes = {"-wal", "-journal"};
// What the library may add beside the copy besides them: the log's shared-memory index.
constexpr const char* index_suffix = "-shm";

// The variables naming the temporary folder, in the order the C++ library reads them.
constexpr std::array<const char*, 4> temp_variables = {"TMPDIR", "TMP", "TEMP", "TEMPDIR"};
constexpr const char* default_temp_folder = "/tmp";

// The SQLite library's unix file layer takes paths of at most 512 bytes (its
// MAX_PATHNAME), and its pager refuses a database whose "-journal" name would not fit, so
// a database path may be at most 8 bytes shorter. A longer path is read through a copy.
constexpr std::size_t library_path_limit = 512;
constexpr std::size_t journal_suffix_length = 8;

// Bytes moved per read and write while copying.
constexpr std::size_t copy_block = std::size_t{1} << 20U;
// Bytes asked of one kernel copy call: large, so a big database takes few calls, and
// below the 2 GiB - 4 KiB that Linux moves at most per call anyway.
constexpr std::size_t kernel_copy_step = std::size_t{1} << 30U;

// Owner read and write only: the copy holds evidence.
constexpr mode_t copy_mode = S_IRUSR | S_IWUSR;

bool library_takes_path(const std::string& path) {
    return path.size() + journal_suffix_length <= library_path_limit;
}

std::string error_text(int error) { return std::strerror(error); }

// Closes a descriptor on every path out of a copy.
class descriptor {
public:
    explicit descriptor(int fd) : m_fd(fd) {}
    ~descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    descriptor(const descriptor&) = delete;
    descriptor& operator=(const descriptor&) = delete;
    [[nodiscard]] int get() const { return m_fd; }
    // Closes now; the errno of a failed close (a late write error), else 0.
    [[nodiscard]] int close_now() {
        const int fd = m_fd;
        m_fd = -1;
        return fd >= 0 && ::close(fd) != 0 ? errno : 0;
    }

private:
    int m_fd;
};

// Why a file cannot be a source of a copy: the system's text, or what kind of file it is.
// Empty when it is a regular file.
std::string refusal_of(const struct stat& info) {
    const char* kind = uni::special_file_kind(info.st_mode);
    return kind == nullptr ? std::string() : std::string(kind) + ", not a regular file";
}

struct copy_result {
    copy_fault fault = copy_fault::none;
    std::string reason;
};

copy_result failed(copy_fault fault, const std::string& reason) { return {fault, reason}; }

// Writes every byte of data; the errno of the failure, else 0.
int write_all(int fd, const char* data, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd, data + done, length - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : EIO;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// Moves what is left of one open source into one open target with read and write: the
// last of the three ways, which always works where the files can be read and written, and
// whose failure tells which side failed and why.
copy_result read_write_bytes(int from, int to) {
    std::vector<char> block;
    try {
        block.resize(copy_block);
    } catch (const std::bad_alloc&) {
        return failed(copy_fault::target, error_text(ENOMEM));
    }
    for (;;) {
        const ssize_t got = ::read(from, block.data(), block.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return failed(copy_fault::source, error_text(errno));
        }
        if (got == 0) {
            return {};
        }
        const int error = write_all(to, block.data(), static_cast<std::size_t>(got));
        if (error != 0) {
            return failed(copy_fault::target, error_text(error));
        }
    }
}

// One kernel copy call: copy_file_range, or sendfile. Both move the descriptors' offsets
// by what they copied, so another way can go on from wherever one stops.
using kernel_copy_call = ssize_t (*)(int from, int to, std::size_t count);

ssize_t copy_range_call(int from, int to, std::size_t count) {
    return ::copy_file_range(from, nullptr, to, nullptr, count, 0);
}

ssize_t sendfile_call(int from, int to, std::size_t count) {
    return ::sendfile(to, from, nullptr, count);
}

// Copies with one kernel call until it reports the end or fails. Where it fails (no such
// call, file systems it does not join, any error), the next way goes on from there and
// meets a real fault again itself; where it reports the end, the read and write that
// follow confirm it (a file system may report an early end to a kernel copy).
void kernel_copy(kernel_copy_call call, int from, int to) {
    for (;;) {
        const ssize_t moved = call(from, to, kernel_copy_step);
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved <= 0) {
            return;
        }
    }
}

// Moves the bytes of one open source into one open target: inside the kernel where it
// can (copy_file_range, then sendfile), no byte passing through this process; what is
// left, if anything, by read and write.
copy_result move_bytes(int from, int to) {
    kernel_copy(&copy_range_call, from, to);
    kernel_copy(&sendfile_call, from, to);
    return read_write_bytes(from, to);
}

// A plain copy of the bytes of a regular file into a new file that only its owner may
// read; writable, as the library writes its shared-memory index and may replay a log into
// a read-only original's copy. The source is opened without blocking and checked again
// once open, so a FIFO put in its place is never waited on.
copy_result copy_one(const std::string& from, const std::string& to) {
    const descriptor source(::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (source.get() < 0) {
        return failed(copy_fault::source, error_text(errno));
    }
    struct stat info {};
    if (::fstat(source.get(), &info) != 0) {
        return failed(copy_fault::source, error_text(errno));
    }
    if (const std::string refused = refusal_of(info); !refused.empty()) {
        return failed(copy_fault::source, refused);
    }
    descriptor target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, copy_mode));
    if (target.get() < 0) {
        return failed(copy_fault::target, error_text(errno));
    }
    copy_result moved = move_bytes(source.get(), target.get());
    if (moved.fault != copy_fault::none) {
        return moved;
    }
    const int error = target.close_now();
    return error == 0 ? copy_result{} : failed(copy_fault::target, error_text(error));
}

// What lies at a companion's name: false with reason empty when nothing does (a dangling
// link counts as nothing, as for the library); false with a reason when it cannot be
// read or is no regular file.
bool companion_present(const std::string& path, std::string& reason) {
    reason.clear();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            reason = error_text(errno);
        }
        return false;
    }
    reason = refusal_of(info);
    return reason.empty();
}

// Everything a copy folder may hold, for the signal handler.
void list_for_cleanup(uni::stop_cleanup_list& list, const std::string& folder,
                      const std::string& copy) {
    list.files = {copy, copy + companion_suffixes[0], copy + companion_suffixes[1],
                  copy + index_suffix};
    list.folder = folder;
}

}  // namespace

std::string temp_folder_base() {
    for (const char* name : temp_variables) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return default_temp_folder;
}

private_db_copy::~private_db_copy() { remove(); }

bool private_db_copy::fail(copy_fault fault, const std::string& suffix, const std::string& why) {
    remove();
    m_failure = {fault, suffix, why};
    return false;
}

bool private_db_copy::make_folder(const std::string& name, int& error) {
    std::string pattern = m_base + "/velk-db-XXXXXX";
    // Made and registered with the stop signals held: a signal between the two steps
    // would leave the folder behind.
    const uni::stop_signals_held held;
    if (::mkdtemp(pattern.data()) == nullptr) {
        error = errno;
        return false;
    }
    m_folder = pattern;
    m_path = m_folder + "/" + name;
    list_for_cleanup(m_cleanup, m_folder, m_path);
    m_cleanup_slot = uni::register_stop_cleanup(m_cleanup);
    return true;
}

bool private_db_copy::make(const std::string& db_path) {
    remove();
    m_failure = {};
    m_base = temp_folder_base();
    struct stat info {};
    if (db_path.empty() || ::stat(db_path.c_str(), &info) != 0) {
        return fail(copy_fault::source, "", error_text(db_path.empty() ? ENOENT : errno));
    }
    if (const std::string refused = refusal_of(info); !refused.empty()) {
        return fail(copy_fault::source, "", refused);
    }
    int error = 0;
    if (!make_folder(fs::path(db_path).filename().string(), error)) {
        return fail(copy_fault::temp_folder, "", error_text(error));
    }
    if (!library_takes_path(m_path)) {
        return fail(copy_fault::target, "",
                    "the copy's path is longer than the SQLite library takes");
    }
    const copy_result result = copy_one(db_path, m_path);
    if (result.fault != copy_fault::none) {
        return fail(result.fault, "", result.reason);
    }
    return copy_companions(db_path);
}

bool private_db_copy::copy_companions(const std::string& db_path) {
    for (const char* suffix : companion_suffixes) {
        std::string reason;
        if (!companion_present(db_path + suffix, reason)) {
            if (reason.empty()) {
                continue;
            }
            return fail(copy_fault::source, suffix, reason);
        }
        const copy_result result = copy_one(db_path + suffix, m_path + suffix);
        if (result.fault != copy_fault::none) {
            return fail(result.fault, suffix, result.reason);
        }
    }
    return true;
}

void private_db_copy::remove() {
    if (!m_folder.empty()) {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    // Unregistered only once the files are gone: a signal in between finds nothing left.
    uni::unregister_stop_cleanup(m_cleanup_slot);
    m_cleanup_slot = -1;
    m_folder.clear();
    m_path.clear();
}

namespace {

// The removal under way. Made on first use, after the stop-signal lists it unregisters from,
// so at the end of the process it is joined before they go.
std::jthread& background_removal() {
    static std::jthread removal;
    return removal;
}

}  // namespace

void finish_background_removal() {
    std::jthread& removal = background_removal();
    if (removal.joinable()) {
        removal.join();
    }
}

void remove_in_background(std::unique_ptr<private_db_copy> copy) {
    finish_background_removal();
    if (copy == nullptr || copy->folder().empty()) {
        return;
    }
    try {
        background_removal() = std::jthread([owned = std::move(copy)]() mutable { owned.reset(); });
    } catch (const std::system_error&) {
        // No thread: the copy went with the function that would have run there.
    }
}

bool needs_private_copy(const std::string& db_path) {
    std::error_code error;
    if (!fs::is_regular_file(db_path, error) || error || !library_takes_path(db_path)) {
        return true;
    }
    for (const char* suffix : companion_suffixes) {
        // Anything but "not there", a failed look included, is taken as a companion.
        if (fs::status(db_path + suffix, error).type() != fs::file_type::not_found) {
            return true;
        }
    }
    return false;
}
