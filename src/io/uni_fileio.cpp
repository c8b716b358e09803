#include "io/uni_fileio.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iomanip>
#include <limits>
#include <new>
#include <span>

#include "io/path_codec.h"
#include "io/uni_streams.h"
#include "text/number_text.h"
#include "text/path_text.h"

// Evidence files pass 4 GiB; every offset must be 64 bits wide.
static_assert(sizeof(off64_t) == 8, "64-bit file offsets are required");

namespace uni {
namespace {

// Files the tool creates hold reports: readable by everyone, writable by the owner only,
// whatever the umask says.
constexpr int read_mode = 0404;
constexpr int create_mode = 0644;
constexpr int update_flags = O_RDWR;
constexpr int create_flags = O_RDWR | O_CREAT | O_TRUNC;
constexpr int append_flags = O_RDWR | O_CREAT | O_APPEND;

// One read(2) or write(2) never moves more than this; the kernel caps a call near 2 GiB.
constexpr uint64 io_piece = 0x10000000;

// Files under /proc report no length; reads of them are clipped here instead.
constexpr uint64 proc_file_size = 0x40000;

constexpr auto max_offset = static_cast<uint64>(std::numeric_limits<int64>::max());

// A descriptor opened with O_NONBLOCK on a terminal or device may answer EAGAIN; wait
// until it is ready as a blocking descriptor would.
bool wait_ready(int fd, short events) {
    pollfd request{fd, events, 0};
    for (;;) {
        if (::poll(&request, 1, -1) >= 0) {
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

bool retry_after(int fd, short events) {
    if (errno == EINTR) {
        return true;
    }
    return (errno == EAGAIN || errno == EWOULDBLOCK) && wait_ready(fd, events);
}

enum class read_outcome { complete, early_end, failed };

// Reads all `into.size()` bytes from `offset`, repeating after partial reads and
// interruptions. pread: one system call per read instead of an lseek and a read, which the
// page-by-page readers of large databases pay for on every page.
read_outcome read_fully(int fd, std::span<uint8> into, uint64 offset, uint64& got) {
    got = 0;
    while (got < into.size()) {
        const std::span<uint8> rest = into.subspan(static_cast<std::size_t>(got));
        const std::size_t piece = std::min<std::size_t>(rest.size(), io_piece);
        const ssize_t n = ::pread64(fd, rest.data(), piece, static_cast<off64_t>(offset + got));
        if (n > 0) {
            got += static_cast<uint64>(n);
            continue;
        }
        if (n == 0) {
            return read_outcome::early_end;
        }
        if (!retry_after(fd, POLLIN)) {
            return read_outcome::failed;
        }
    }
    return read_outcome::complete;
}

// Writes every byte, repeating after partial writes and interruptions.
bool write_fully(int fd, std::span<const uint8> data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const std::span<const uint8> rest = data.subspan(done);
        const std::size_t piece = std::min<std::size_t>(rest.size(), io_piece);
        const ssize_t n = ::write(fd, rest.data(), piece);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        // A write of nothing for a non-empty request would never progress.
        if (n == 0 || !retry_after(fd, POLLOUT)) {
            return false;
        }
    }
    return true;
}

std::span<const uint8> bytes_of(const void* data, uint64 length) {
    return {static_cast<const uint8*>(data), static_cast<std::size_t>(length)};
}

}  // namespace

int open_file(const std::string& path, int flags, int mode) {
    // A NUL inside the text would silently name another file.
    if (path.empty() || path.find('\0') != std::string::npos) {
        return -1;
    }
    const int fd = ::open64(path.c_str(), flags | O_NONBLOCK, static_cast<mode_t>(mode));
    if (fd == -1) {
        return -1;
    }
    struct stat64 info {};
    if (::fstat64(fd, &info) != 0 || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int open_file(const std::wstring& path, int flags, int mode) {
    std::string narrow;
    if (path.empty() || !wide_path_to_narrow(path, narrow)) {
        return -1;
    }
    return open_file(narrow, flags, mode);
}

fileio::fileio() = default;

fileio::fileio(const std::string& path, bool write, bool crlf, bool /*unused*/) {
    if (!open(path, write, crlf, true)) {
        reset();
    }
}

fileio::fileio(const std::wstring& path, bool write, bool crlf, bool /*unused*/) {
    if (!open(path, write, crlf, true)) {
        reset();
    }
}

fileio::fileio(const byte_array& data, bool write, bool crlf) {
    if (!attach_memory(data, write, crlf)) {
        reset();
    }
}

fileio::~fileio() {
    // Callers that must know whether the last bytes reached the file call close() first.
    (void)close();
}

void fileio::reset() {
    // The output stream is freed by close() alone, before it calls this.
    m_fd = -1;
    m_size = 0;
    m_write = false;
    m_open = false;
    m_crlf = false;
    m_path.clear();
    m_buffer.clear();
    m_in_memory = false;
    m_position = 0;
    m_patches.clear();
    m_patch_source.reset();
    m_patched_size = 0;
    m_file_size = 0;
}

bool fileio::open(const std::wstring& path, bool write, bool crlf, bool truncate) {
    if (path.empty() || m_in_memory) {
        return false;
    }
    int flags = O_RDONLY;
    int mode = read_mode;
    if (write) {
        flags = truncate ? create_flags : update_flags;
        mode = create_mode;
    }
    return open_with(path, flags, mode, write, crlf);
}

bool fileio::open(const std::string& path, bool write, bool crlf, bool truncate) {
    return open(narrow_path_to_wide(path), write, crlf, truncate);
}

bool fileio::open(const std::string& path, bool write, bool crlf, bool truncate, bool /*unused*/) {
    return open(path, write, crlf, truncate);
}

bool fileio::open_append(const std::wstring& path, bool crlf) {
    if (path.empty() || m_in_memory) {
        return false;
    }
    return open_with(path, append_flags, create_mode, true, crlf);
}

bool fileio::open_append(const std::string& path, bool crlf) {
    return open_append(narrow_path_to_wide(path), crlf);
}

bool fileio::open_with(const std::wstring& path, int flags, int mode, bool write, bool crlf) {
    std::wstring stripped = path;
    (void)strip_trailing_slashes_w(stripped);  // a path of separators only is refused below
    // Closing first writes a stream's pending bytes before its descriptor goes; a reopen
    // starts with a clean write status.
    (void)close();
    m_write_failed = false;
    m_crlf = crlf;
    m_write = write;
    m_path = stripped;
    m_fd = open_file(m_path, flags, mode);
    if (m_fd == -1) {
        return false;
    }
    m_open = true;
    m_size = query_size();
    return true;
}

bool fileio::attach_descriptor(int fd, const std::string& path, bool crlf) {
    if (fd == -1 || m_in_memory) {
        if (fd != -1) {
            (void)::close(fd);  // taken over: nothing was written through it
        }
        return false;
    }
    (void)close();
    m_write_failed = false;
    m_crlf = crlf;
    m_write = true;
    m_path = narrow_path_to_wide(path);
    m_fd = fd;
    m_open = true;
    m_size = query_size();
    return true;
}

bool fileio::open_memory(uint32 size, bool write, bool crlf) {
    (void)close();
    m_write_failed = false;
    try {
        m_buffer.assign(size, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_in_memory = true;
    m_write = write;
    m_crlf = crlf;
    m_size = size;
    m_position = 0;
    m_open = true;
    return true;
}

bool fileio::attach_memory(const byte_array& data, bool write, bool crlf) {
    (void)close();
    m_write_failed = false;
    try {
        m_buffer = data;
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_in_memory = true;
    m_write = write;
    m_crlf = crlf;
    m_size = m_buffer.size();
    m_position = static_cast<int64>(m_size);
    m_open = true;
    return true;
}

bool fileio::is_open() const { return m_in_memory || (m_fd != -1 && m_open); }

bool fileio::is_valid() const { return is_open(); }

uint64 fileio::size() const { return is_valid() ? m_size : 0; }

uint64 fileio::query_size() {
    if (m_in_memory) {
        return m_buffer.size();
    }
    if (!is_valid()) {
        return 0;
    }
    const off64_t position = ::lseek64(m_fd, 0, SEEK_CUR);
    // lseek64 sets errno only when it fails; a stale value must not pass for its answer.
    errno = 0;
    const off64_t end = ::lseek64(m_fd, 0, SEEK_END);
    const int end_error = errno;
    uint64 result = end < 0 ? 0 : static_cast<uint64>(end);
    if ((end == -1 || end == 0) && end_error == EINVAL && m_path.starts_with(L"/proc")) {
        result = proc_file_size;
    }
    if (position >= 0) {
        (void)::lseek64(m_fd, position, SEEK_SET);  // the size is known either way
    }
    return result;
}

uint64 fileio::update_size() {
    if (!is_valid()) {
        return 0;
    }
    m_size = m_patches.empty() ? query_size() : m_patched_size;
    return m_size;
}

bool fileio::can_take_patches() const { return is_valid() && !m_in_memory && !m_write; }

bool fileio::set_read_patches(std::map<uint64, byte_array> patches, uint64 size) {
    if (!can_take_patches()) {
        return false;
    }
    for (const auto& [at, bytes] : patches) {
        if (at > size || bytes.size() > size - at) {
            return false;
        }
    }
    m_file_size = query_size();
    m_patches.clear();
    m_patch_source.reset();
    for (auto& [at, bytes] : patches) {
        const uint64 length = bytes.size();
        m_patches.emplace(at, read_patch{std::move(bytes), 0, length});
    }
    m_patched_size = size;
    m_size = size;
    return true;
}

bool fileio::set_read_patches(std::unique_ptr<fileio> source, const std::map<uint64, uint64>& pages,
                              uint64 length, uint64 size) {
    if (!can_take_patches() || source == nullptr || !source->is_valid() || length == 0) {
        return false;
    }
    for (const auto& [at, from] : pages) {
        if (at > size || length > size - at) {
            return false;
        }
    }
    const uint64 source_size = source->size();
    std::map<uint64, read_patch> laid;
    for (const auto& [at, from] : pages) {
        if (from <= source_size && length <= source_size - from) {
            laid.emplace_hint(laid.end(), at, read_patch{{}, from, length});
        }
    }
    m_file_size = query_size();
    m_patches = std::move(laid);
    m_patch_source = std::move(source);
    m_patched_size = size;
    m_size = size;
    return true;
}

// The file's bytes up to its end, zeros past it, then every patch over them: a patch starts
// at its key and the patches never overlap (each is one page of the log).
bool fileio::has_patch_within(uint64 offset, uint64 length) const {
    if (m_patches.empty() || length == 0) {
        return false;
    }
    auto patch = m_patches.upper_bound(offset);
    if (patch != m_patches.begin()) {
        const auto before = std::prev(patch);  // starts at or before offset: may reach in
        if (before->second.length > offset - before->first) {
            return true;
        }
    }
    return patch != m_patches.end() && patch->first - offset < length;
}

bool fileio::read_patched(uint8* buf, uint64 offset, uint64 length, uint64& got) {
    got = 0;
    const std::span<uint8> into(buf, static_cast<std::size_t>(length));
    const uint64 from_file = offset < m_file_size ? std::min(length, m_file_size - offset) : 0;
    if (from_file != 0 && read_fully(m_fd, into.first(static_cast<std::size_t>(from_file)), offset,
                                     got) != read_outcome::complete) {
        return false;
    }
    std::fill(into.begin() + static_cast<std::ptrdiff_t>(from_file), into.end(), uint8{0});
    auto patch = m_patches.upper_bound(offset);
    if (patch != m_patches.begin()) {
        --patch;  // the one that may start before offset and reach into the read
    }
    for (; patch != m_patches.end() && patch->first < offset + length; ++patch) {
        const uint64 start = std::max(offset, patch->first);
        const read_patch& laid = patch->second;
        const uint64 end = std::min(offset + length, patch->first + laid.length);
        if (start >= end) {
            continue;
        }
        const uint64 within = start - patch->first;
        const auto target = into.begin() + static_cast<std::ptrdiff_t>(start - offset);
        if (laid.bytes.empty()) {
            uint64 read = end - start;
            if (!m_patch_source->read_at(&*target, &read, laid.source_offset + within) ||
                read != end - start) {
                return false;
            }
            continue;
        }
        const auto source = laid.bytes.begin() + static_cast<std::ptrdiff_t>(within);
        std::copy(source, source + static_cast<std::ptrdiff_t>(end - start), target);
    }
    got = length;
    return true;
}

uint64 fileio::tell() {
    if (!is_valid()) {
        return 0;
    }
    if (m_in_memory) {
        return static_cast<uint64>(m_position);
    }
    const off64_t position = ::lseek64(m_fd, 0, SEEK_CUR);
    return position < 0 ? 0 : static_cast<uint64>(position);
}

bool fileio::stat(struct stat64& out) {
    out = {};
    if (!is_valid()) {
        return false;
    }
    if (m_in_memory) {
        out.st_size = static_cast<off64_t>(m_size);
        return true;
    }
    return ::fstat64(m_fd, &out) == 0;
}

bool fileio::read_clipped(void* buf, uint64 offset, uint64 length, uint64& got) {
    got = 0;
    // Callers have checked offset < m_size, so neither the clip nor the copy can wrap.
    length = std::min(length, m_size - offset);
    if (m_in_memory) {
        if (offset >= m_buffer.size()) {
            return false;
        }
        length = std::min<uint64>(length, m_buffer.size() - offset);
        const auto from = m_buffer.begin() + static_cast<std::ptrdiff_t>(offset);
        std::copy(from, from + static_cast<std::ptrdiff_t>(length), static_cast<uint8*>(buf));
        got = length;
        return true;
    }
    if (offset > max_offset || length > max_offset - offset) {
        return false;
    }
    if (!m_patches.empty()) {
        return read_patched(static_cast<uint8*>(buf), offset, length, got);
    }
    const std::span<uint8> into(static_cast<uint8*>(buf), static_cast<std::size_t>(length));
    return read_fully(m_fd, into, offset, got) == read_outcome::complete;
}

bool fileio::read_at(void* buf, uint32* length, uint64 offset) {
    if (length == nullptr || buf == nullptr || !is_valid() || offset >= m_size) {
        return false;
    }
    if (*length == 0) {
        return true;
    }
    uint64 got = 0;
    const bool complete = read_clipped(buf, offset, *length, got);
    *length = static_cast<uint32>(got);
    return complete;
}

bool fileio::read_at(void* buf, uint64* length, uint64 offset) {
    if (length == nullptr || *length > std::numeric_limits<uint32>::max()) {
        return false;
    }
    auto narrow = static_cast<uint32>(*length);
    if (!read_at(buf, &narrow, offset)) {
        *length = 0;
        return false;
    }
    *length = narrow;
    return true;
}

template <typename buffer>
bool fileio::read_into(buffer& out, uint64 length, uint64 offset) {
    if (!is_valid()) {
        return false;
    }
    if (length == 0) {
        return true;
    }
    if (offset >= m_size) {
        return false;
    }
    length = std::min(length, m_size - offset);
    if (length > out.max_size()) {
        return false;
    }
    try {
        out.resize(static_cast<std::size_t>(length));
    } catch (const std::bad_alloc&) {
        return false;
    }
    uint64 got = 0;
    const bool complete = read_clipped(out.data(), offset, length, got);
    // What was read before a failure stays for the caller; the result says it is short.
    out.resize(static_cast<std::size_t>(got));
    if (m_in_memory) {
        m_position = static_cast<int64>(offset + got);
    }
    return complete;
}

bool fileio::read_at(std::string& out, uint64 length, uint64 offset) {
    return read_into(out, length, offset);
}

bool fileio::read_at(byte_array& out, uint64 length, uint64 offset) {
    return read_into(out, length, offset);
}

bool fileio::read(void* buf, uint32* length) {
    if (length == nullptr || buf == nullptr || !is_valid()) {
        return false;
    }
    if (*length == 0) {
        return true;
    }
    uint64 position = 0;
    if (m_in_memory) {
        position = static_cast<uint64>(m_position);
    } else {
        const off64_t at = ::lseek64(m_fd, 0, SEEK_CUR);
        if (at < 0) {
            return false;
        }
        position = static_cast<uint64>(at);
    }
    // At or past the cached end there is nothing to read, which is not an error.
    if (position >= m_size) {
        *length = 0;
        return true;
    }
    uint64 got = 0;
    const bool complete = read_clipped(buf, position, *length, got);
    *length = static_cast<uint32>(got);
    if (m_in_memory) {
        m_position = static_cast<int64>(position + got);
    } else {
        // The positioned read leaves the descriptor's offset alone; this read moves it on.
        (void)::lseek64(m_fd, static_cast<off64_t>(position + got), SEEK_SET);
    }
    return complete;
}

bool fileio::memory_append(const uint8* data, uint64 length) {
    const std::span<const uint8> bytes = bytes_of(data, length);
    try {
        m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    } catch (const std::bad_alloc&) {
        m_write_failed = true;
        return false;
    }
    m_size = m_buffer.size();
    m_position = static_cast<int64>(m_size);
    return true;
}

bool fileio::descriptor_write(const void* data, uint32 length, int64 offset, int whence) {
    if (::lseek64(m_fd, offset, whence) < 0 || !write_fully(m_fd, bytes_of(data, length))) {
        m_write_failed = true;
        return false;
    }
    const off64_t end = ::lseek64(m_fd, 0, SEEK_END);
    if (end >= 0) {
        m_size = static_cast<uint64>(end);
    }
    return true;
}

bool fileio::append(const void* data, uint32 length) {
    if (!is_valid() || data == nullptr) {
        return false;
    }
    if (length == 0) {
        return true;
    }
    if (m_in_memory) {
        return memory_append(static_cast<const uint8*>(data), length);
    }
    return descriptor_write(data, length, 0, SEEK_END);
}

bool fileio::append_span(const void* data, uint64 length) {
    const std::span<const uint8> bytes = bytes_of(data, length);
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t piece = std::min<std::size_t>(bytes.size() - done, io_piece);
        if (!append(bytes.subspan(done).data(), static_cast<uint32>(piece))) {
            return false;
        }
        done += piece;
    }
    return true;
}

bool fileio::append_bytes(const byte_array& data) {
    if (data.empty()) {
        return false;
    }
    return is_valid() && append_span(data.data(), data.size());
}

bool fileio::append_stream(const std::ostringstream& text) {
    if (!is_valid()) {
        return false;
    }
    const std::string bytes = text.str();
    return bytes.empty() || append_span(bytes.data(), bytes.size());
}

bool fileio::vprintf_append(const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    char scratch[1] = {0};
    const int length = std::vsnprintf(scratch, sizeof scratch, format, args);
    if (length < 0) {
        va_end(again);
        return false;
    }
    std::vector<char> text;
    try {
        text.assign(static_cast<std::size_t>(length) + 1, 0);
    } catch (const std::bad_alloc&) {
        va_end(again);
        return false;
    }
    const int written = std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    if (written != length) {
        return false;
    }
    return append(text.data(), static_cast<uint32>(length));
}

bool fileio::printf(const char* format, ...) {
    if (!is_valid() || format == nullptr) {
        return false;
    }
    va_list args;
    va_start(args, format);
    const bool ok = vprintf_append(format, args);
    va_end(args);
    return ok;
}

bool fileio::append_lines(const std::vector<std::string>& lines) {
    if (!is_valid() || lines.empty()) {
        return false;
    }
    // Every line ends in CR LF whatever m_crlf says: the format readers of these lists
    // expect. A failed line stops the list and fails the call, so a half-written list is
    // never reported as written.
    for (const std::string& line : lines) {
        const std::string text = line + "\r\n";
        if (!append_span(text.data(), text.size())) {
            return false;
        }
    }
    return true;
}

bool fileio::write_fill(uint8 value, uint32 count) {
    if (count == 1) {
        return append(&value, 1);
    }
    byte_array fill;
    try {
        fill.assign(count, value);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return append_bytes(fill);
}

bool fileio::memory_write_at(const uint8* data, uint32 length, uint64 offset) {
    const std::span<const uint8> bytes = bytes_of(data, length);
    // Tested as a difference so that an offset near 2^64 cannot wrap.
    if (offset < m_size && length < m_size - offset) {
        std::copy(bytes.begin(), bytes.end(),
                  m_buffer.begin() + static_cast<std::ptrdiff_t>(offset));
        m_position = static_cast<int64>(offset + length);
        return true;
    }
    std::size_t copied = 0;
    if (offset < m_size) {
        copied = static_cast<std::size_t>(m_size - offset);
        const std::span<const uint8> head = bytes.first(copied);
        std::copy(head.begin(), head.end(), m_buffer.begin() + static_cast<std::ptrdiff_t>(offset));
        if (copied == bytes.size()) {
            m_position = static_cast<int64>(m_size);
            return true;
        }
    }
    // Past the end the bytes land at the end: a memory image has no holes to fill.
    const std::span<const uint8> tail = bytes.subspan(copied);
    return memory_append(tail.data(), tail.size());
}

bool fileio::write_at(const void* data, uint32 length, uint64 offset) {
    if (!is_valid() || data == nullptr) {
        return false;
    }
    if (length == 0) {
        return true;
    }
    if (m_in_memory) {
        return memory_write_at(static_cast<const uint8*>(data), length, offset);
    }
    if (offset > max_offset) {
        return false;
    }
    return descriptor_write(data, length, static_cast<int64>(offset), SEEK_SET);
}

bool fileio::write_at(const byte_array& data, uint64 offset) {
    if (data.empty()) {
        return false;
    }
    const std::span<const uint8> bytes(data);
    for (std::size_t done = 0; done < bytes.size();) {
        const std::size_t piece = std::min<std::size_t>(bytes.size() - done, io_piece);
        if (offset > std::numeric_limits<uint64>::max() - done) {
            return false;
        }
        if (!write_at(bytes.subspan(done).data(), static_cast<uint32>(piece), offset + done)) {
            return false;
        }
        done += piece;
    }
    return true;
}

bool fileio::hex_dump(const uint8* data, uint32 length, uint64 offset) {
    if (!is_valid() || data == nullptr) {
        return false;
    }
    if (length == 0) {
        return true;
    }
    const std::span<const uint8> bytes(data, length);
    const char* line_end = m_crlf ? "\r\n" : "\n";
    std::ostringstream text;
    text << std::hex << std::setfill('0');
    text << "0x" << std::setw(6) << offset << " : ";
    constexpr std::size_t per_line = 16;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text << std::setw(2) << static_cast<unsigned>(bytes[i]) << ' ';
        if ((i + 1) % per_line != 0) {
            continue;
        }
        for (const uint8 b : bytes.subspan(i + 1 - per_line, per_line)) {
            text << (b >= 0x20 && b <= 0x7E ? static_cast<char>(b) : '.');
        }
        text << line_end << "0x" << std::setw(6) << (offset + i + 1) << " : ";
    }
    text << line_end;
    return append_stream(text);
}

bool fileio::hex_dump(const byte_array& data, uint64 offset) {
    if (data.empty()) {
        return true;
    }
    if (data.size() > std::numeric_limits<uint32>::max()) {
        return false;
    }
    return hex_dump(data.data(), static_cast<uint32>(data.size()), offset);
}

void fileio::resize(uint64 length) {
    if (!is_valid()) {
        return;
    }
    if (m_in_memory) {
        try {
            m_buffer.resize(static_cast<std::size_t>(length), 0);
        } catch (const std::bad_alloc&) {
            return;  // everything stays as it was
        }
        m_size = length;
        m_position = 0;
        return;
    }
    // The cached size follows the file only when the file really changed.
    if (length <= max_offset && ::ftruncate64(m_fd, static_cast<off64_t>(length)) == 0) {
        m_size = length;
    }
}

bool fileio::chmod(const std::string& octal_mode) {
    if (m_in_memory) {
        return true;
    }
    if (m_fd == -1) {
        return false;
    }
    // Only permission digits: the parser would read "rw" as mode 0 and lock the file.
    const bool octal_digits = !octal_mode.empty() && octal_mode.size() <= 4 &&
                              octal_mode.find_first_not_of("01234567") == std::string::npos;
    int mode = 0;
    if (!octal_digits || !string_to_int("O" + octal_mode, &mode)) {
        return false;
    }
    return ::fchmod(m_fd, static_cast<mode_t>(mode)) == 0;
}

bool fileio::save_memory_to(const std::string& path) {
    if (!m_in_memory || m_buffer.empty() || path.empty()) {
        return false;
    }
    fileio out(path, true, true, false);
    if (!out.is_open()) {
        return false;
    }
    const bool appended = out.append_bytes(m_buffer);
    const bool closed = out.close();
    return appended && closed;
}

int64 fileio::seek(int64 offset) {
    if (!is_valid()) {
        return -1;
    }
    if (m_in_memory) {
        if (offset < 0 || static_cast<uint64>(offset) > m_buffer.size()) {
            return -1;
        }
        m_position = offset;
        return offset;
    }
    return ::lseek64(m_fd, offset, SEEK_SET);
}

int64 fileio::seek_relative(int64 delta) {
    if (!is_valid()) {
        return -1;
    }
    if (!m_in_memory) {
        return ::lseek64(m_fd, delta, SEEK_CUR);
    }
    int64 target = 0;
    if (__builtin_add_overflow(m_position, delta, &target) || target < 0 ||
        static_cast<uint64>(target) > m_size) {
        return -1;
    }
    m_position = target;
    return target;
}

int64 fileio::seek_from_end(uint64 n) {
    if (!is_valid()) {
        return -1;
    }
    if (m_in_memory) {
        m_position = n > m_size ? 0 : static_cast<int64>(m_size - n);
        return m_position;
    }
    if (n > max_offset) {
        return -1;
    }
    return ::lseek64(m_fd, -static_cast<off64_t>(n), SEEK_END);
}

bool fileio::for_each_chunk(chunk_callback callback, void* context, uint32 chunk_length,
                            uint32 overlap, uint64 start) {
    if (!is_valid() || callback == nullptr || chunk_length == 0) {
        return false;
    }
    const uint64 total = query_size();
    if (start >= total) {
        return true;  // nothing left to hand over
    }
    uint32 length = chunk_length;
    if (total - start < chunk_length) {
        length = static_cast<uint32>(total - start);
        overlap = 0;
    }
    byte_array chunk;
    try {
        chunk.assign(length, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    uint64 offset = start;
    do {
        if (offset >= m_size) {
            return false;  // the file grew past the size cached when it was opened
        }
        uint32 got = length;  // read_at sets it to the bytes read, also on a short read
        const bool complete = read_at(chunk.data(), &got, offset);
        // Each chunk (but a last short one) repeats the overlap at the start of the next,
        // so a record lying across a chunk border is seen whole once.
        const uint32 used = overlap < got ? overlap : 0;
        overlap = used;
        if (got > 0) {
            (void)callback(this, context, chunk.data(), got, used, offset);  // not consulted
        }
        if (!complete) {
            return false;  // short or failed read: the bytes that came were handed over first
        }
        offset += got - used;
        if (offset >= total) {
            length = 0;
        } else if (offset + got > total) {
            length = static_cast<uint32>(total - offset);
        } else {
            length = got;
        }
    } while (offset < total && length > 0);
    return true;
}

std::ostream* fileio::get_ostream() {
    if (!is_valid()) {
        m_output.reset();
        return nullptr;
    }
    if (m_output) {
        return m_output.get();
    }
    auto stream =
        std::unique_ptr<fileio_output>(new (std::nothrow) fileio_output(this, output_buffer_size));
    // A stream without its buffer would drop every byte in silence; hand out none instead.
    if (!stream || !stream->attached()) {
        return nullptr;
    }
    m_output = std::move(stream);
    return m_output.get();
}

void fileio::flush() {
    if (m_output) {
        m_output->flush();
    }
}

bool fileio::close() {
    if (m_output) {
        m_output->flush();
        m_output.reset();  // its buffer's destructor appends the pending bytes
    }
    bool ok = !m_write_failed;
    if (m_in_memory) {
        m_buffer.clear();
        m_position = 0;
        m_size = 0;
    } else if (m_fd != -1) {
        // A delayed write error (network and some local file systems) shows here only.
        if (::close(m_fd) != 0 && m_write) {
            ok = false;
        }
    }
    reset();
    m_write_failed = !ok;
    return ok;
}

}  // namespace uni
