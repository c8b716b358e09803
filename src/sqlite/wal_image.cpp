#include "sqlite/wal_image.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <new>

#include "io/uni_fileio.h"
#include "sqlite/region_map.h"
#include "sqlite/sqlite_format.h"
#include "sqlite/wal_frames.h"
#include "sqlite/wal_header.h"

namespace wr = sqlite_format::wal_frame;

namespace {

constexpr std::string_view wal_suffix = "-wal";
// The main file is copied in pieces of this size, so no second whole-file buffer is needed.
constexpr uint64 copy_chunk = uint64{1} << 20;

struct image_plan {
    wal_frame_map winning;
    uint32 page_size = 0;   // the log's
    uint64 main_bytes = 0;  // bytes of the main file copied
    uint64 size = 0;
};

// known: the log's winning frames as a reader of this log already found them, or null.
bool plan_image(image_plan& plan, uni::fileio* main, uni::fileio& wal, uint64 max_size,
                const wal_frame_map* known = nullptr) {
    wal_header header;
    if (!read_wal_header(header, wal) || wal.size() >= max_wal_image_size) {
        return false;
    }
    // Only the winning frames shape the image: their regions and slack are not searched.
    if (known != nullptr) {
        plan.winning = *known;
    } else if (!read_wal_winning(plan.winning, wal)) {
        return false;
    }
    if (plan.winning.empty()) {
        return false;
    }
    plan.page_size = header.page_size();
    uint64 pages_end = 0;
    for (const auto& [number, frame] : plan.winning) {
        const uint64 end = number * plan.page_size;  // number < 2^32: no wrap in 64 bits
        if (end <= max_size) {
            pages_end = std::max(pages_end, end);
        }
    }
    const bool have_main = main != nullptr && main->is_open();
    plan.main_bytes = have_main ? std::min(main->size(), max_size) : 0;
    plan.size = std::max(plan.main_bytes, pages_end);
    return plan.size != 0;
}

using image_sink = std::function<bool(uint64 offset, const byte_array& bytes)>;

// Writes the main file's bytes, then the winning pages over them. A main file that stops
// reading early leaves the rest of the image zero; a winning page that cannot be read
// leaves the main file's version.
bool fill_image(const image_plan& plan, uni::fileio* main, uni::fileio& wal,
                const image_sink& write) {
    byte_array chunk;
    for (uint64 at = 0; at < plan.main_bytes; at += copy_chunk) {
        const uint64 length = std::min(copy_chunk, plan.main_bytes - at);
        if (!main->read_at(chunk, length, at) || chunk.size() != length) {
            break;
        }
        if (!write(at, chunk)) {
            return false;
        }
    }
    const uint64 page_size = plan.page_size;
    for (const auto& [number, frame] : plan.winning) {
        const uint64 at = (number - 1) * page_size;
        if (at + page_size > plan.size || !wal.read_at(chunk, page_size, frame + wr::header_size) ||
            chunk.size() != page_size) {
            continue;
        }
        if (!write(at, chunk)) {
            return false;
        }
    }
    return true;
}

// The log and, when it opens, the main file of a path naming either.
struct companion_files {
    uni::fileio main;
    // Held apart so that a live view can keep the log open once the rest is gone.
    std::unique_ptr<uni::fileio> log = std::make_unique<uni::fileio>();
    uni::fileio& wal = *log;
    bool have_main = false;

    bool open(const std::string& path) {
        std::string main_path;
        std::string wal_path;
        wal_companion_paths(main_path, wal_path, path);
        if (path.empty() || !wal.open(wal_path, false, true, false)) {
            return false;
        }
        have_main = main.open(main_path, false, true, false);
        return true;
    }
    uni::fileio* main_file() { return have_main ? &main : nullptr; }
};

}  // namespace

bool is_wal_path(const std::string& path) { return path.ends_with(wal_suffix); }

void wal_companion_paths(std::string& main_path, std::string& wal_path, const std::string& path) {
    if (is_wal_path(path)) {
        wal_path = path;
        main_path = path.substr(0, path.size() - wal_suffix.size());
        return;
    }
    main_path = path;
    wal_path = path + std::string(wal_suffix);
}

bool build_wal_image(byte_array& image, uni::fileio* main, uni::fileio& wal, uint64 max_size) {
    image.clear();
    bool built = false;
    try {
        image_plan plan;
        if (!plan_image(plan, main, wal, max_size)) {
            return false;
        }
        image.assign(static_cast<std::size_t>(plan.size), 0);
        built = fill_image(plan, main, wal, [&image](uint64 at, const byte_array& bytes) {
            if (at > image.size() || bytes.size() > image.size() - at) {
                return false;  // the plan keeps every write inside; never trust it blindly
            }
            std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
            return true;
        });
    } catch (const std::bad_alloc&) {
        built = false;
    }
    if (!built) {
        byte_array().swap(image);  // hand the memory back
    }
    return built;
}

bool build_wal_image(byte_array& image, const std::string& path) {
    image.clear();
    companion_files files;
    return files.open(path) &&
           build_wal_image(image, files.main_file(), files.wal, max_wal_image_size);
}

bool open_wal_image(uni::fileio& file, const std::string& wal_path) {
    (void)file.close();  // a file the reader had opened for reading: nothing to lose
    companion_files files;
    bool built = false;
    try {
        image_plan plan;
        built = files.open(wal_path) &&
                plan_image(plan, files.main_file(), files.wal, max_wal_image_size) &&
                file.open_memory(static_cast<uint32>(plan.size), true, true) &&
                fill_image(plan, files.main_file(), files.wal,
                           [&file](uint64 at, const byte_array& bytes) {
                               return file.write_at(bytes, at);
                           });
    } catch (const std::bad_alloc&) {
        built = false;
    }
    if (!built) {
        (void)file.close();
        return false;
    }
    (void)file.update_size();  // the writes kept it; refreshed as every image open does
    return true;
}

bool open_live_image(uni::fileio& file, const std::string& db_path, const wal_frame_map* winning) {
    (void)file.close();  // a file the reader had opened for reading: nothing to lose
    if (is_wal_path(db_path)) {
        return false;
    }
    companion_files files;
    std::map<uint64, uint64> pages;  // offset in the image -> offset of its bytes in the log
    uint64 size = 0;
    uint64 page_size = 0;
    bool built = false;
    try {
        image_plan plan;
        built = files.open(db_path) && files.have_main &&
                plan_image(plan, files.main_file(), files.wal, max_wal_image_size, winning);
        // Only where the log's pages lie is kept: they are read when a read reaches them,
        // and the main file's own pages where they lie.
        size = std::max(plan.size, files.main.size());
        page_size = plan.page_size;
        for (const auto& [number, frame] : plan.winning) {
            const uint64 at = (number - 1) * page_size;
            if (at + page_size <= plan.size) {
                pages.emplace_hint(pages.end(), at, frame + wr::header_size);
            }
        }
    } catch (const std::bad_alloc&) {
        built = false;
    }
    if (!built || !file.open(db_path, false, false, false) ||
        !file.set_read_patches(std::move(files.log), pages, page_size, size)) {
        (void)file.close();
        return false;
    }
    return true;
}
