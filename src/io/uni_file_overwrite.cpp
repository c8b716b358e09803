#include "io/uni_file_overwrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <new>

#include "io/path_codec.h"
#include "io/uni_fileio.h"

namespace uni {
namespace {

// The overwrite writes whole sectors: a file's last partial sector is zeroed to its end too.
constexpr uint64 sector = 512;
// The pattern marks the start of every page-sized block.
constexpr uint64 stamp_every = 4096;
// Bytes written per call: a multiple of both, large enough to keep system calls few.
constexpr uint64 write_block = 0x10000;
static_assert(write_block % stamp_every == 0 && stamp_every % sector == 0);
constexpr std::size_t counter_bytes = 4;

// An existing regular file, never reached through a final link and never created; one
// retry, as a file just closed by another program may briefly refuse.
bool open_target(fileio& file, const std::wstring& path) {
    return file.open_regular_update(path, true) || file.open_regular_update(path, true);
}

// The pattern followed by the block's count, little-endian.
byte_array stamp_for(const byte_array& pattern, uint64 index) {
    byte_array stamp = pattern;
    const auto count = static_cast<uint32>(index);
    for (std::size_t i = 0; i < counter_bytes; ++i) {
        stamp.push_back(static_cast<uint8>(count >> (8 * i)));
    }
    return stamp;
}

// Zeros the block and, with a pattern, stamps each 4096-byte boundary inside it.
void fill_block(byte_array& block, uint64 length, uint64 offset, const byte_array& pattern) {
    std::fill(block.begin(), block.end(), 0);
    if (pattern.empty()) {
        return;
    }
    for (uint64 at = 0; at < length; at += stamp_every) {
        const byte_array stamp = stamp_for(pattern, (offset + at) / stamp_every);
        const auto n = static_cast<std::ptrdiff_t>(std::min<uint64>(stamp.size(), sector));
        std::copy(stamp.begin(), stamp.begin() + n,
                  block.begin() + static_cast<std::ptrdiff_t>(at));
    }
}

// Writes [0, end) of the open file in blocks; `end` may pass the file's length.
bool write_blocks(fileio& file, uint64 end, const byte_array& pattern) {
    byte_array block;
    try {
        block.resize(static_cast<std::size_t>(std::min(end, write_block)));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint64 offset = 0; offset < end;) {
        const uint64 length = std::min<uint64>(end - offset, block.size());
        fill_block(block, length, offset, pattern);
        if (!file.write_at(block.data(), static_cast<uint32>(length), offset)) {
            return false;
        }
        offset += length;
    }
    return true;
}

// round_up: the length is extended to whole sectors (the zero and pattern overwrites).
bool overwrite(const std::wstring& path, const byte_array& pattern, bool round_up) {
    fileio file;
    if (path.empty() || !open_target(file, path)) {
        return false;
    }
    const uint64 size = file.size();
    if (size == 0 || size > std::numeric_limits<uint64>::max() - sector) {
        // Nothing was written. An empty file holds nothing to zero; the sector overwrites
        // report it, as they promise a file of whole zeroed sectors.
        return file.close() && size == 0 && !round_up;
    }
    const uint64 end = round_up ? (size + sector - 1) / sector * sector : size;
    const bool written = write_blocks(file, end, pattern) && file.sync();
    return file.close() && written;
}

}  // namespace

bool fileio::open_regular_update(const std::wstring& path, bool crlf) {
    if (path.empty() || m_in_memory) {
        return false;
    }
    // Devices, FIFOs and links are never even opened: opening some devices has effects.
    std::string narrow;
    struct stat64 info {};
    if (!wide_path_to_narrow(path, narrow) || ::lstat64(narrow.c_str(), &info) != 0 ||
        !S_ISREG(info.st_mode)) {
        return false;
    }
    // O_NOFOLLOW and the check after the open close the gap in which the name could have
    // been replaced by a link or something other than a file.
    if (!open_with(path, O_RDWR | O_NOFOLLOW, 0, true, crlf)) {
        return false;
    }
    if (::fstat64(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        (void)close();  // nothing was written
        return false;
    }
    return true;
}

bool fileio::sync() {
    if (m_in_memory) {
        return true;
    }
    return is_valid() && ::fsync(m_fd) == 0;
}

bool overwrite_file_zeros(const std::wstring& path) { return overwrite(path, {}, true); }

bool overwrite_file_zeros(const std::string& path) {
    return overwrite_file_zeros(narrow_path_to_wide(path));
}

bool overwrite_file_pattern(const std::wstring& path, const byte_array& pattern) {
    return overwrite(path, pattern, true);
}

bool overwrite_file_pattern(const std::string& path, const byte_array& pattern) {
    return overwrite_file_pattern(narrow_path_to_wide(path), pattern);
}

bool zero_file(const std::string& path) { return overwrite(narrow_path_to_wide(path), {}, false); }

}  // namespace uni
