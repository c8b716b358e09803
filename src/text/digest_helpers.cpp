#include "text/digest_helpers.h"

#include <bit>
#include <ostream>
#include <span>
#include <string_view>

#include "text/path_text.h"
// Upward include: the log prefix stamps the current time, which the time library reads and
// formats; the time library does not depend on this file.
#include "time/kq_time.h"
#include "time/time_format.h"

namespace {

// 100-nanosecond ticks in one minute.
constexpr uint64 ticks_per_minute = 600000000;
// Each part of a version code is one byte.
constexpr uint32 version_part_cap = 255;

uint32 le16(std::span<const uint8> bytes, std::size_t at) {
    return static_cast<uint32>(bytes[at]) | (static_cast<uint32>(bytes[at + 1]) << 8);
}

uint32 hash_tail(uint32 hash, std::span<const uint8> tail) {
    switch (tail.size()) {
        case 3:
            hash += le16(tail, 0);
            hash ^= hash << 16;
            hash ^= static_cast<uint32>(tail[2]) << 18;
            hash += hash >> 11;
            break;
        case 2:
            hash += le16(tail, 0);
            hash ^= hash << 11;
            hash += hash >> 17;
            break;
        case 1:
            hash += tail[0];
            hash ^= hash << 10;
            hash += hash >> 1;
            break;
        default:
            break;
    }
    return hash;
}

// Digits read as a number, capped so that a long run cannot overflow.
uint32 digits_value(std::string_view digits, bool stop_at_other) {
    uint32 value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            if (stop_at_other) {
                break;
            }
            continue;
        }
        value = value * 10 + static_cast<uint32>(c - '0');
        if (value > version_part_cap) {
            value = version_part_cap;
        }
    }
    return value;
}

}  // namespace

uint32 super_fast_hash(const void* data, uint32 length) {
    if (data == nullptr || length == 0) {
        return length;
    }
    const std::span<const uint8> bytes(static_cast<const uint8*>(data), length);
    uint32 hash = length;
    std::size_t at = 0;
    for (; bytes.size() - at >= 4; at += 4) {
        hash += le16(bytes, at);
        const uint32 temp = (le16(bytes, at + 2) << 11) ^ hash;
        hash = (hash << 16) ^ temp;
        hash += hash >> 11;
    }
    hash = hash_tail(hash, bytes.subspan(at));
    hash ^= hash << 3;
    hash += hash >> 5;
    hash ^= hash << 4;
    hash += hash >> 17;
    hash ^= hash << 25;
    hash += hash >> 6;
    return hash;
}

uint32 rotate_left32(uint32 value, uint32 n) { return std::rotl(value, static_cast<int>(n % 32)); }

int compare_ticks_to_minutes(uint64 ticks, uint32 minutes) {
    const uint64 limit = uint64{minutes} * ticks_per_minute;
    if (ticks > limit) {
        return -1;
    }
    return ticks < limit ? 1 : 0;
}

uint16 version_text_to_code(const std::string& text) {
    std::string_view view(text);
    const std::size_t blank = view.find(' ');
    if (blank != std::string_view::npos) {
        view.remove_prefix(blank + 1);
    }
    const std::size_t dot = view.find('.');
    if (view.empty() || dot == std::string_view::npos) {
        return 0;
    }
    const uint32 major = digits_value(view.substr(0, dot), false);
    const uint32 minor = digits_value(view.substr(dot + 1), true);
    return static_cast<uint16>((major << 8) | minor);
}

int compare_version_texts(const std::string& first, const std::string& second) {
    const uint16 a = version_text_to_code(first);
    const uint16 b = version_text_to_code(second);
    if (a == 0 || b == 0 || a == b) {
        return 0;
    }
    return a < b ? 1 : 2;
}

void write_utc_log_prefix(std::ostream& out, const char* path) {
    if (path == nullptr) {
        return;
    }
    std::string directory;
    std::string name;
    if (!split_path_cstr(path, directory, name)) {
        name = path;
    }
    std::string stamp;
    kq::append_date_time(stamp, kq::time::now());
    out << "[" << stamp << " UTC] : " << name << " ";
}
