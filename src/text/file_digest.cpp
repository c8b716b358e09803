#include "text/file_digest.h"

#include <algorithm>
#include <cstdio>
#include <functional>

// Upward includes: whole-file digests read through the file layer's uni::fileio and its
// path codec, which the text layer's build order places beneath them.
#include "io/path_codec.h"
#include "io/uni_fileio.h"
#include "text/adler32_checksum.h"
#include "text/byte_buffer.h"
#include "text/console_output.h"
#include "text/crc32_checksum.h"
#include "text/md5_digest.h"
#include "text/sha1_digest.h"
#include "text/sha256_digest.h"

namespace {

// 16 MiB: large reads for speed, one bounded buffer whatever the file's size.
constexpr uint64 chunk_limit = 0x1000000;
// Above this share of the file the progress line shows 100.
constexpr double nearly_done = 0.99;

enum class file_read_fault { none, empty_path, cannot_open, empty_file, no_memory, short_read };

using chunk_sink = std::function<void(const uint8* data, uint32 length)>;

void show_progress(uint64 offset, uint64 size) {
    const double ratio = static_cast<double>(offset) / static_cast<double>(size);
    (void)print_status_err("percent done %4.2f", ratio > nearly_done ? 100.0 : ratio * 100.0);
}

// Reads the whole file chunk by chunk into sink. Anything but none means the sink did not
// see every byte of the file.
file_read_fault read_file_chunks(const std::wstring& path, bool progress, const chunk_sink& sink) {
    if (path.empty()) {
        return file_read_fault::empty_path;
    }
    uni::fileio file;
    if (!file.open(path, false, false, false)) {
        return file_read_fault::cannot_open;
    }
    const uint64 size = file.size();
    if (size == 0) {
        return file_read_fault::empty_file;
    }
    byte_array buffer;
    byte_array_alloc(buffer, static_cast<std::size_t>(std::min(chunk_limit, size)));
    if (buffer.empty()) {
        return file_read_fault::no_memory;
    }
    uint64 offset = 0;
    while (offset < size) {
        auto length = static_cast<uint32>(std::min<uint64>(buffer.size(), size - offset));
        const bool complete = file.read_at(buffer.data(), &length, offset);
        if (length == 0) {
            break;
        }
        sink(buffer.data(), length);
        offset += length;
        if (progress) {
            show_progress(offset, size);
        }
        if (!complete) {
            break;
        }
    }
    if (progress) {
        clear_status_line();
    }
    (void)file.close();  // opened for reading: nothing written that could be lost
    return offset == size ? file_read_fault::none : file_read_fault::short_read;
}

bool read_whole_file(const std::wstring& path, bool progress, const chunk_sink& sink) {
    return read_file_chunks(path, progress, sink) == file_read_fault::none;
}

}  // namespace

bool sha1_file(const std::wstring& path, std::array<uint8, 20>& out, bool progress) {
    sha1_context context;
    (void)sha1_init(&context);  // a context on the stack is never null
    if (!read_whole_file(path, progress, [&context](const uint8* data, uint32 length) {
            (void)sha1_update(&context, data, length);  // data and length are never empty
        })) {
        return false;
    }
    return sha1_final(out, &context);
}

bool sha1_file_utf8(const std::string& path, std::array<uint8, 20>& out, bool progress) {
    return sha1_file(uni::narrow_path_to_wide(path), out, progress);
}

bool md5_file(const std::wstring& path, std::array<uint8, 16>& out, bool progress) {
    md5_context context;
    md5_init(context);
    if (!read_whole_file(path, progress, [&context](const uint8* data, uint32 length) {
            (void)md5_update(&context, data, length);  // data and length are never empty
        })) {
        return false;
    }
    return md5_final(out, &context);
}

bool md5_file_utf8(const std::string& path, std::array<uint8, 16>& out, bool progress) {
    return md5_file(uni::narrow_path_to_wide(path), out, progress);
}

bool crc32_file(const std::wstring& path, uint32& out, bool progress) {
    crc32_context context;
    if (!crc32_init_table(&context) ||
        !read_whole_file(path, progress, [&context](const uint8* data, uint32 length) {
            (void)crc32_update(&context, data, length);  // the table was built above
        })) {
        return false;
    }
    out = crc32_final_text(&context);
    return true;
}

bool crc32_file_utf8(const char* path, uint32& out, bool progress) {
    return path != nullptr && crc32_file(uni::narrow_path_to_wide(path), out, progress);
}

bool adler32_file(const std::wstring& path, uint32& out, bool progress) {
    adler32_context context;
    // RFC 1950 starts the sums at 1; a bare context starts at 0.
    context.value = 1;
    context.started = 1;
    if (!read_whole_file(path, progress, [&context](const uint8* data, uint32 length) {
            (void)adler32_update(&context, data, length);  // data and length are never empty
        })) {
        return false;
    }
    out = adler32_final_text(&context);
    return true;
}

bool adler32_file_utf8(const char* path, uint32& out) {
    return path != nullptr && adler32_file(uni::narrow_path_to_wide(path), out, false);
}

bool sha256_file(const char* path, std::array<uint8, 32>& out) {
    if (path == nullptr) {
        std::printf("sha1: invalid parameters, aborting\n");
        return false;
    }
    sha256_context context;
    bool hashed = true;
    const file_read_fault fault = read_file_chunks(
        uni::narrow_path_to_wide(path), false, [&](const uint8* data, uint32 length) {
            hashed = sha256_update(&context, data, length) && hashed;
        });
    if (fault == file_read_fault::cannot_open || fault == file_read_fault::empty_path) {
        std::printf("prob opening file %s, aborting\n", path);
    } else if (fault == file_read_fault::no_memory) {
        std::printf("prob allocating heap, aborting\n");
    }
    if (fault != file_read_fault::none || !hashed) {
        return false;
    }
    return sha256_final(&context, out);
}
