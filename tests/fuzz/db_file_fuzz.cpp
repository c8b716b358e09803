// Fuzz target: the input is a database image read from a memory-mode file; from the first
// WAL magic number on, its tail is a write-ahead log. The schema is read, every table it
// names is walked, and the log's frames are read and applied to the image. Whatever the
// bytes, each must end with a result, never a crash, a hang or a read out of bounds.

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <string>
#include <vector>

#include "fuzz/fuzz_target.h"
#include "io/uni_fileio.h"
#include "sqlite/db_file.h"
#include "sqlite/region_map.h"
#include "sqlite/schema_reader.h"
#include "sqlite/table_walk.h"
#include "sqlite/wal_frames.h"
#include "sqlite/wal_image.h"
#include "text/byte_reader.h"

namespace {

// An image past this is not built here: the fuzzer's memory limit, not the reader's.
constexpr uint64 fuzz_image_cap = uint64{16} << 20;
// Tables walked per input; a hostile schema may name thousands.
constexpr std::size_t max_tables = 32;

// The offset of the first WAL magic number (either byte order), or the input's size.
std::size_t log_start(const byte_array& input) {
    static constexpr std::array<uint8, 3> magic{0x37, 0x7F, 0x06};
    for (auto it = input.begin();; ++it) {
        it = std::search(it, input.end(), magic.begin(), magic.end());
        if (it == input.end() || input.end() - it < 4) {
            return input.size();
        }
        const uint8 last = *(it + 3);
        if (last == 0x82 || last == 0x83) {
            return static_cast<std::size_t>(it - input.begin());
        }
    }
}

// The header's page size when it is one the format allows, else the smallest.
uint32 page_size_of(const byte_array& image) {
    uint16 field = 0;
    if (!kq::byte_reader(image).be16_at(16, field)) {
        return 512;
    }
    const uint32 size = field == 1 ? 65536u : field;
    return std::has_single_bit(size) && size >= 512 ? size : 512;
}

void walk_tables(uni::fileio& db, uint32 page_size) {
    std::vector<std::string> names;
    std::vector<std::string> sql;
    std::vector<uint64> roots;
    bool use_wal_image = false;
    (void)read_schema(names, sql, roots, db, page_size, "", use_wal_image);  // may find none
    roots.push_back(1);
    std::vector<table_record> rows;
    for (std::size_t i = 0; i < roots.size() && i < max_tables; ++i) {
        if (roots[i] != 0 && roots[i] <= std::numeric_limits<uint32>::max()) {
            (void)read_table_records(rows, db, (roots[i] - 1) * page_size, page_size, 0,
                                     std::numeric_limits<uint64>::max(), true, true,
                                     text_encoding::utf8);
            (void)read_table_records(rows, db, (roots[i] - 1) * page_size, page_size, 0, 0xFFFFFFFF,
                                     false, false, text_encoding::utf16be);
        }
    }
}

}  // namespace

VELK_FUZZ_TARGET(db_file) {
    const byte_array input(data, data + size);
    const std::size_t split = log_start(input);
    const byte_array image_bytes(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(split));
    const byte_array log_bytes(input.begin() + static_cast<std::ptrdiff_t>(split), input.end());
    uni::fileio db(image_bytes, false, false);
    uni::fileio wal(log_bytes, false, false);
    const uint32 page_size = page_size_of(image_bytes);
    walk_tables(db, page_size);

    region_map overwritten;
    wal_frame_map winning;
    region_map superseded;
    region_map slack;
    (void)read_wal_frames(overwritten, winning, superseded, slack, wal);
    byte_array applied;
    if (build_wal_image(applied, &db, wal, fuzz_image_cap)) {
        uni::fileio image(applied, false, false);
        walk_tables(image, page_size);
    }
    return 0;
}
