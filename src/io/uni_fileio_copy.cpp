// Whole-file and byte-range copies of a uni::fileio into another file or onto a stream.
// Every open, read, write and close is checked: a copy cut short by a full disk, a file
// that shrank or a vanished target is a failed copy, never a quiet success.

#include <algorithm>
#include <new>
#include <ostream>
#include <string>

#include "io/path_codec.h"
#include "io/uni_file_info.h"
#include "io/uni_fileio.h"
#include "text/console_output.h"

namespace uni {
namespace {

// A memory image is copied in one append; larger ones are refused.
constexpr uint64 memory_copy_limit = 0x7FFFFFF;
// Largest single read of copy_to, and the default chunk of the range copies.
constexpr uint64 copy_to_chunk = 0x1000000;
constexpr uint32 default_range_chunk = 0x400000;
// Chunks between two progress lines: often enough to see movement, seldom enough not to
// slow a copy of small chunks down.
constexpr uint64 file_progress_every = 31;
constexpr uint64 stream_progress_every = 71;

// True when path names the file open in source, also through a link: truncating the
// target would destroy the bytes before they are read.
bool names_same_file(fileio& source, const std::wstring& path) {
    struct stat64 own {};
    struct stat64 other {};
    if (source.in_memory() || !source.stat(own) || !stat_path(other, path)) {
        return false;
    }
    return own.st_dev == other.st_dev && own.st_ino == other.st_ino;
}

bool open_target(fileio& target, const std::wstring& path, bool append) {
    return append ? target.open_append(path, true) : target.open(path, true, true, true);
}

// Nothing to copy: an empty target when the caller allows one (truncated even in append
// mode), else failure.
bool make_empty_target(const std::wstring& path, bool allow_empty) {
    if (!allow_empty) {
        return false;
    }
    fileio target;
    return target.open(path, true, true, true) && target.close();
}

template <typename buffer_type>
bool allocate(buffer_type& buffer, uint64 size) {
    try {
        buffer.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Appends `remaining` bytes read from source's current position to target.
bool append_remaining(fileio& source, fileio& target, uint64 remaining) {
    byte_array buffer;
    if (!allocate(buffer, std::min(remaining, copy_to_chunk))) {
        return false;
    }
    while (remaining > 0) {
        auto got = static_cast<uint32>(std::min<uint64>(remaining, buffer.size()));
        // Nothing read before the end was reached: the file shrank. Stop rather than spin.
        if (!source.read(buffer.data(), &got) || got == 0) {
            return false;
        }
        if (!target.append(buffer.data(), got)) {
            return false;
        }
        remaining -= got;
    }
    return true;
}

// Reads n bytes from offset in chunks and hands each to sink (data, count) -> bool, printing
// a progress line every `every` chunks when asked. The buffer is text so that streams take
// it as it is.
template <typename sink_fn>
bool copy_chunks(fileio& source, uint64 offset, uint64 n, uint32 chunk, bool progress, uint64 every,
                 sink_fn sink) {
    std::string buffer;
    if (!allocate(buffer, std::min<uint64>(n, chunk))) {
        return false;
    }
    uint64 done = 0;
    for (uint64 index = 0; done < n; ++index) {
        auto got = static_cast<uint32>(std::min<uint64>(n - done, buffer.size()));
        if (!source.read_at(buffer.data(), &got, offset + done) || got == 0) {
            return false;
        }
        if (!sink(buffer.data(), got)) {
            return false;
        }
        if (progress && index % every == 0) {
            (void)print_status_err("percent done %4.2f",
                                   static_cast<double>(done) / static_cast<double>(n) * 100.0);
        }
        done += got;
    }
    return true;
}

}  // namespace

bool fileio::copy_to(const std::wstring& target, bool append, bool allow_empty) {
    if (!is_valid() || target.empty() || names_same_file(*this, target)) {
        return false;
    }
    if (m_in_memory) {
        if (m_size > memory_copy_limit) {
            return false;
        }
        if (m_buffer.empty()) {
            return make_empty_target(target, allow_empty);
        }
        fileio out;
        const bool written = open_target(out, target, append) && out.append_bytes(m_buffer);
        return out.close() && written;
    }
    const uint64 position = tell();
    const uint64 remaining = m_size > position ? m_size - position : 0;
    if (remaining == 0) {
        return make_empty_target(target, allow_empty);
    }
    fileio out;
    if (!open_target(out, target, append)) {
        return false;
    }
    const bool copied = append_remaining(*this, out, remaining);
    return out.close() && copied;
}

bool fileio::copy_to(const std::string& target, bool append, bool allow_empty) {
    return copy_to(narrow_path_to_wide(target), append, allow_empty);
}

bool fileio::copy_range(fileio& target, uint64 offset, uint64 length, uint64 target_offset,
                        uint32 chunk, bool progress) {
    if (!is_valid() || length == 0 || seek(static_cast<int64>(offset)) < 0) {
        return false;
    }
    // The size now, not at open: reads are clipped at the cached value.
    const uint64 size = update_size();
    if (size == 0 || offset > size) {
        return false;
    }
    const bool copied = copy_chunks(
        *this, offset, std::min(size - offset, length), chunk == 0 ? default_range_chunk : chunk,
        progress, file_progress_every, [&target, &target_offset](const char* data, uint32 count) {
            if (!target.write_at(data, count, target_offset)) {
                return false;
            }
            target_offset += count;
            return true;
        });
    if (progress) {
        clear_status_line();
    }
    return copied;
}

bool fileio::copy_range_to_stream(std::ostream& out, uint64 offset, uint64 length, uint32 chunk,
                                  bool progress) {
    if (!is_valid()) {
        return false;
    }
    if (length == 0) {
        return true;
    }
    if (seek(static_cast<int64>(offset)) < 0) {
        return false;
    }
    const uint64 size = update_size();
    if (size == 0 || offset > size) {
        return false;
    }
    return copy_chunks(*this, offset, std::min(size - offset, length),
                       chunk == 0 ? default_range_chunk : chunk, progress, stream_progress_every,
                       [&out](const char* data, uint32 count) {
                           out.write(data, count);
                           return static_cast<bool>(out);
                       });
}

}  // namespace uni
