#include "text/small_helpers.h"

#include <cerrno>
#include <new>
#include <span>

void byte_array_clear(byte_array& bytes) { bytes.clear(); }

byte_array byte_array_from_buffer(const uint8* data, int length) {
    if (data == nullptr || length <= 0) {
        return {};
    }
    const std::span<const uint8> source(data, static_cast<std::size_t>(length));
    try {
        return {source.begin(), source.end()};
    } catch (const std::bad_alloc&) {
        return {};
    }
}

bool wstream_back_up(std::wostream& stream, uint32 n) {
    if (stream.fail()) {
        return false;
    }
    const std::wostream::pos_type at = stream.tellp();
    if (at == std::wostream::pos_type(-1)) {
        return false;
    }
    const auto written = static_cast<std::streamoff>(at);
    const auto back = static_cast<std::streamoff>(n);
    stream.seekp(written < back ? 0 : written - back);
    return true;
}

int last_errno() { return errno; }

int64 store_pointer_and_count(const void* pointer, int count, int* count_out,
                              const void** pointer_out) {
    if (count_out != nullptr) {
        *count_out = count;
    }
    if (pointer_out != nullptr) {
        *pointer_out = pointer;
    }
    return count;
}

uint64 store_pointer_and_count_u(const void* pointer, int count, int* count_out,
                                 const void** pointer_out) {
    (void)store_pointer_and_count(pointer, count, count_out, pointer_out);  // the count is known
    return static_cast<uint32>(count);
}

void make_count_pointer_pair(const void* pointer, int count, count_pointer_pair& out) {
    out.count = count;
    out.pointer = pointer;
}

bool placeholder_true() { return true; }
bool placeholder_true_alt() { return true; }
bool placeholder_false() { return false; }
void placeholder_noop() {}
