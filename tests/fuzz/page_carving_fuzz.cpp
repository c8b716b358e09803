// The page dumps, page summaries, page-size guess and string-anchored carver on arbitrary
// bytes, read back through a memory-mode file as the tool reads a chunk.
//
// Input: [page-size choice][base choice][bytes...]. The page size is one of those the format
// allows, one it does not (0, 1, 511, 3000, 65537) or none (0: the carver guesses).

#include <array>
#include <ostream>
#include <sstream>

#include "fuzz_target.h"
#include "io/uni_fileio.h"
#include "sqlite/anchored_carve.h"
#include "sqlite/cell_page_size.h"
#include "sqlite/page_summary.h"

namespace {

constexpr std::size_t prefix = 2;
constexpr std::array<uint32, 10> page_sizes = {0, 1, 511, 512, 1024, 3000, 4096, 65536, 65537, 2048};
constexpr std::array<uint64, 4> bases = {0, 512, 4096, 0xFFFFFFFFFFFF0000ULL};

// Every page-size chunk through the dump and the summary, the first as page 1.
void pages(const byte_array& bytes, uint32 page_size, uint64 base) {
    const std::size_t step = page_size == 0 ? bytes.size() : page_size;
    page_summary summary;
    summary.header_read = true;
    summary.page_size = page_size;
    std::ostringstream out;
    for (std::size_t at = 0; at < bytes.size() && step != 0; at += step) {
        const auto length = static_cast<uint32>(std::min(step, bytes.size() - at));
        const uint8* page = bytes.data() + at;  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
        uint32 size = page_size;
        page_summary dumped;
        (void)dump_page(&out, &dumped, size, page, length, at);
        (void)dump_page(nullptr, nullptr, size, page, length, base + at);
        (void)dump_page_banner(out, page, length, page_size, base + at);
        (void)summarise_page(summary, page, length, at, (at & 1) != 0, nullptr);
        uint32 guessed = 0;
        (void)guess_page_size_from_cells(guessed, page, length);
    }
}

}  // namespace

VELK_FUZZ_TARGET(page_carving) {
    if (size < prefix) {
        return 0;
    }
    const uint32 page_size = page_sizes[data[0] % page_sizes.size()];
    const uint64 base = bases[data[1] % bases.size()];
    uni::fileio file(byte_array(data + prefix, data + size), false, false);  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
    byte_array bytes;
    if (!file.read_at(bytes, file.size(), 0)) {
        return 0;
    }
    page_descriptor_map out;
    (void)carve_buffer_pages(out, bytes.data(), static_cast<uint32>(bytes.size()), true, base,
                             page_size);
    (void)find_records_by_strings(out, bytes.data(), static_cast<uint32>(bytes.size()), base,
                                  page_size);
    pages(bytes, page_size, base);
    return 0;
}
