#include "text/byte_search.h"

#include <array>
#include <cstring>
#include <limits>

// Upward include: the signature filter reads the command line's filter entries, which are
// plain records with no dependency back on this layer.
#include "cmdline/filter_entry.h"
#include "text/byte_reader.h"

namespace {

using kq::byte_reader;

// Smallest block that find_nonzero_u64_per_block looks at: one 4 KiB page of 64-bit words.
constexpr uint32 minimum_block_words = 512;

bool matches_at(const byte_reader& haystack, std::size_t at, const byte_reader& pattern) {
    byte_reader window;
    return haystack.sub(at, pattern.size(), window) &&
           std::memcmp(window.data(), pattern.data(), pattern.size()) == 0;
}

// Hands every match (resuming after each) to sink, which returns false to stop the scan.
template <typename sink_fn>
void scan_plain(const byte_reader& haystack, const byte_reader& pattern, sink_fn sink) {
    const std::size_t m = pattern.size();
    for (std::size_t p = 0; haystack.has(p, m);) {
        if (!matches_at(haystack, p, pattern)) {
            ++p;
            continue;
        }
        if (!sink(p)) {
            return;
        }
        p += m;
    }
}

// Boyer-Moore-Horspool: a mismatch moves the window by the shift of its last byte.
template <typename sink_fn>
void scan_table(const byte_reader& haystack, const byte_reader& pattern, sink_fn sink) {
    const std::size_t m = pattern.size();
    std::array<std::size_t, 256> shift{};
    shift.fill(m);
    for (std::size_t i = 0; i + 1 < m; ++i) {
        uint8 b = 0;
        (void)pattern.u8_at(i, b);  // i < m
        shift[b] = m - 1 - i;
    }
    for (std::size_t p = 0; haystack.has(p, m);) {
        if (matches_at(haystack, p, pattern)) {
            if (!sink(p)) {
                return;
            }
            p += m;
            continue;
        }
        uint8 last = 0;
        (void)haystack.u8_at(p + m - 1, last);  // the window lies inside the haystack
        p += shift[last];
    }
}

template <typename offset_type>
bool find_all(const uint8* buffer, uint32 n, const uint8* pattern, uint32 m,
              std::vector<offset_type>& out, uint64 base, bool use_table, bool stop_at_first) {
    const byte_reader haystack(buffer, n);
    const byte_reader needle(pattern, m);
    out.clear();
    if (haystack.empty() || needle.empty() || m > n) {
        return false;
    }
    auto sink = [&](std::size_t p) {
        out.push_back(static_cast<offset_type>(base + p));
        return !stop_at_first;
    };
    if (use_table) {
        scan_table(haystack, needle, sink);
    } else {
        scan_plain(haystack, needle, sink);
    }
    return !out.empty();
}

// The next position of an aligned walk. Without a sector only multiples of align; with one,
// each position of a sector and then the next multiple of align. Always past i, so the walk
// ends whatever sector and align say (align 1 with a sector would otherwise stay at i).
uint64 next_aligned(uint64 i, uint32 sector, uint32 align) {
    if (sector == 0) {
        return (i + align) / align * align;
    }
    if ((i + 1) % sector != 0) {
        return i + 1;
    }
    const uint64 next = (i + align - 1) / align * align;
    return next > i ? next : i + 1;
}

// Copies a value of the machine's byte order out of the bytes at offset.
template <typename value_type>
bool value_at(const byte_reader& bytes, std::size_t offset, value_type& out) {
    byte_reader window;
    if (!bytes.sub(offset, sizeof(value_type), window)) {
        return false;
    }
    std::memcpy(&out, window.data(), sizeof(value_type));
    return true;
}

template <typename value_type>
bool find_strided(std::vector<uint64>& out, const uint8* buffer, uint32 n, value_type key,
                  uint32 stride, bool stop_at_first) {
    const byte_reader bytes(buffer, n);
    constexpr uint32 width = sizeof(value_type);
    if (bytes.size() < width || stride < width) {
        return false;
    }
    const uint32 step = stride / width;
    const uint32 values = n / width;
    bool found = false;
    for (uint64 index = 0; index < values; index += step) {
        value_type value = 0;
        if (!value_at(bytes, static_cast<std::size_t>(index * width), value) || value != key) {
            continue;
        }
        out.push_back(index * width);
        found = true;
        if (stop_at_first) {
            break;
        }
    }
    return found;
}

}  // namespace

bool find_all_bmh(const uint8* buffer, uint32 n, const uint8* pattern, uint32 m,
                  std::vector<uint64>& out, uint64 base, bool use_table, bool stop_at_first) {
    return find_all(buffer, n, pattern, m, out, base, use_table, stop_at_first);
}

bool find_all_bmh32(const uint8* buffer, uint32 n, const uint8* pattern, uint32 m,
                    std::vector<uint32>& out, bool use_table, bool stop_at_first) {
    return find_all(buffer, n, pattern, m, out, 0, use_table, stop_at_first);
}

bool find_first_bmh(const uint8* buffer, uint32 n, const uint8* pattern, uint32 m, uint64& out,
                    bool use_table) {
    out = 0;
    std::vector<uint64> found;
    if (!find_all_bmh(buffer, n, pattern, m, found, 0, use_table, true)) {
        return false;
    }
    out = found.front();
    return true;
}

bool find_bytes(const uint8* buffer, uint32 n, const byte_array& pattern, uint64& out, uint64 base,
                bool use_table) {
    out = 0;
    if (buffer == nullptr || n == 0 || pattern.empty() ||
        pattern.size() > std::numeric_limits<uint32>::max()) {
        return false;
    }
    std::vector<uint64> found;
    if (!find_all_bmh(buffer, n, pattern.data(), static_cast<uint32>(pattern.size()), found, base,
                      use_table, true)) {
        return false;
    }
    out = found.front();
    return true;
}

bool find_last_in_tail(const uint8* buffer, uint32 n, const uint8* pattern, uint32 m, uint32 w,
                       uint64& out) {
    const byte_reader haystack(buffer, n);
    const byte_reader needle(pattern, m);
    out = 0;
    if (haystack.empty() || needle.empty() || w == 0 || m > n) {
        return false;
    }
    const uint32 lowest = w >= n ? 0 : n - w;
    for (uint64 p = uint64{n} - m + 1; p-- > lowest;) {
        if (matches_at(haystack, static_cast<std::size_t>(p), needle)) {
            out = p;
            return true;
        }
    }
    return false;
}

bool find_all_aligned(std::vector<uint64>& out, const uint8* buffer, uint32 n, const uint8* pattern,
                      uint32 m, uint32 sector, uint32 align, bool stop_at_first) {
    const byte_reader haystack(buffer, n);
    const byte_reader needle(pattern, m);
    if (haystack.empty() || needle.empty() || align == 0 || m > n) {
        return false;
    }
    for (uint64 i = 0; i <= uint64{n} - m; i = next_aligned(i, sector, align)) {
        if (!matches_at(haystack, static_cast<std::size_t>(i), needle)) {
            continue;
        }
        out.push_back(i);
        if (stop_at_first) {
            return true;
        }
    }
    return !out.empty();
}

bool find_any_aligned(std::vector<uint64>& offsets, std::vector<uint32>& indices,
                      const uint8* buffer, uint32 n, const std::vector<byte_array>& patterns,
                      uint32 sector, uint32 align, bool stop_at_first) {
    const byte_reader haystack(buffer, n);
    offsets.clear();
    indices.clear();
    if (patterns.empty() || align == 0 || haystack.empty()) {
        return false;
    }
    for (uint64 i = 0; i < n; i = next_aligned(i, sector, align)) {
        for (std::size_t k = 0; k < patterns.size(); ++k) {
            const byte_reader needle(patterns[k]);
            if (needle.empty() || !matches_at(haystack, static_cast<std::size_t>(i), needle)) {
                continue;
            }
            offsets.push_back(i);
            indices.push_back(static_cast<uint32>(k));
            if (stop_at_first) {
                return true;
            }
            break;
        }
    }
    return !indices.empty();
}

bool find_u64_strided(std::vector<uint64>& out, const uint8* buffer, uint32 n, uint64 key,
                      uint32 stride, bool stop_at_first) {
    return find_strided(out, buffer, n, key, stride, stop_at_first);
}

bool find_u32_strided(std::vector<uint64>& out, const uint8* buffer, uint32 n, uint32 key,
                      uint32 stride, bool stop_at_first) {
    return find_strided(out, buffer, n, key, stride, stop_at_first);
}

bool find_u16_strided(std::vector<uint64>& out, const uint8* buffer, uint32 n, uint16 key,
                      uint32 stride) {
    return find_strided(out, buffer, n, key, stride, false);
}

bool find_u64_at_u32_steps(std::vector<uint64>& out, const uint8* buffer, uint32 n, uint32 key_low,
                           uint32 key_high, bool stop_at_first) {
    const byte_reader bytes(buffer, n);
    if (bytes.size() < 4) {
        return false;
    }
    bool found = false;
    for (std::size_t at = 0; bytes.has(at, 8); at += 4) {
        uint32 low = 0;
        uint32 high = 0;
        if (!value_at(bytes, at, low) || !value_at(bytes, at + 4, high) || low != key_low ||
            high != key_high) {
            continue;
        }
        out.push_back(at);
        found = true;
        if (stop_at_first) {
            break;
        }
    }
    return found;
}

bool find_nonzero_u64_per_block(std::vector<uint64>& out, const void* words, uint32 count,
                                uint32 block, bool stop_at_first, uint64 base) {
    out.clear();
    if (words == nullptr || count == 0) {
        return false;
    }
    const byte_reader bytes(static_cast<const uint8*>(words), std::size_t{count} * 8);
    if (block < minimum_block_words) {
        block = minimum_block_words;
    }
    if (count < block) {
        return false;
    }
    const uint32 blocks = stop_at_first ? 1 : count / block;
    for (uint32 b = 0; b < blocks; ++b) {
        const uint64 first = uint64{b} * block;
        for (uint64 index = first; index < first + block / 8; ++index) {
            uint64 value = 0;
            if (value_at(bytes, static_cast<std::size_t>(index * 8), value) && value != 0) {
                out.push_back(base + index);
                break;
            }
        }
    }
    return true;
}

bool filter_signature_indices(const void* /*unused*/, std::vector<uint32>& out,
                              const std::vector<filter_entry>& filters) {
    out.clear();
    for (std::size_t i = 0; i < filters.size(); ++i) {
        if (!filters[i].m_signature.empty()) {
            out.push_back(static_cast<uint32>(i));
        }
    }
    return !out.empty();
}
