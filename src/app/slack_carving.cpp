#include "app/slack_carving.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "app/carved_push_records.h"
#include "app/input_path.h"
#include "app/push_record_finder.h"
#include "app/velk_options.h"
#include "io/uni_file_info.h"
#include "io/uni_fileio.h"
#include "sqlite/carved_record.h"
#include "sqlite/database_carver.h"
#include "sqlite/db_file.h"
#include "sqlite/page_phase.h"
#include "sqlite/region_map.h"
#include "sqlite/region_scan.h"
#include "sqlite/table_definition.h"
#include "sqlite/wal_header.h"
#include "text/console_output.h"
#include "text/percent_progress.h"

namespace {

// A chunk of raw pages carries no header that gives its page size; the platform writes
// its databases with 4096-byte pages.
constexpr uint32 chunk_page_size = 4096;
// Without a schema, the notification table is taken in its ten-column layout until a hit
// says otherwise (add_carved_records rebuilds the definition per hit).
constexpr uint64 chunk_notification_mask = 0x3FF;
constexpr uint32 chunk_notification_columns = 10;
// The bytes whose page headers say where a chunk's pages begin: a thousand pages.
constexpr uint64 chunk_phase_sample = uint64{4} << 20;

// How a chunk file is read: its byte regions, their page size, whether every page sits
// behind a WAL frame header, and the text encoding of its records.
struct chunk_layout {
    region_map regions;
    uint32 page_size = chunk_page_size;
    bool wal_frames = false;
    text_encoding encoding = text_encoding::utf8;
    bool across_chunk_ends = false;  // records may lie across the ends of the reads
};

// A chunk that begins with a database header (a whole file, or its first pages) declares
// the encoding of its texts there. Bare pages and WAL frames declare none: their texts are
// read as UTF-8.
text_encoding chunk_encoding(uni::fileio& file) {
    sqlite_db_header header;
    uint32 got = static_cast<uint32>(header.bytes.size());
    // A file shorter than the header reads short (and false): it declares nothing.
    if (!file.read_at(header.bytes.data(), &got, 0) ||
        !is_sqlite_header(kq::byte_reader(header.bytes.data(), header.bytes.size()))) {
        return text_encoding::utf8;
    }
    return header.encoding();
}

// Whether a chunk of plain pages holds pages, and where they begin, by the page headers of its
// first bytes: a chunk cut at a sector boundary holds pages that start some bytes in, and a
// read that ended inside a page would cut the record lying across that point. A few MiB say
// it for any chunk of pages; beyond that the look costs time and says no more. False, phase
// 0, when the bytes cannot be read or hold no pages.
bool chunk_phase(uni::fileio& file, uint64 size, uint32& phase) {
    phase = 0;
    byte_array head;
    if (!file.read_at(head, std::min<uint64>(size, chunk_phase_sample), 0)) {
        return false;
    }
    return chunk_page_phase(kq::byte_reader(head), chunk_page_size, phase);
}

// A file that begins with a valid WAL header is read as frames from the end of that header,
// at the page size the header gives (validated there: a power of two from 512 to 65536);
// frames of another size read as 4096-byte chunks would straddle frame headers and cut the
// records at every frame boundary. Any other file is one region of plain pages. False when
// the file's first bytes cannot be read (an empty file).
bool read_chunk_layout(uni::fileio& file, chunk_layout& layout) {
    byte_array head(wal_header::size);
    uint32 got = wal_header::size;
    if (!file.read_at(head.data(), &got, 0)) {
        return false;
    }
    layout.encoding = chunk_encoding(file);
    wal_header header;
    header.clear();
    (void)header.read(head.data(), got);  // a short file is no log: the header stays clear
    const uint64 size = file.query_size();
    layout.regions.clear();
    if (header.is_valid() && size > wal_header::size) {
        layout.regions[wal_header::size] = size - wal_header::size;
        layout.page_size = header.page_size();
        layout.wal_frames = true;
        return true;
    }
    layout.page_size = chunk_page_size;
    layout.wal_frames = false;
    uint32 phase = 0;
    // Pages end where the next begins: no record lies across a read's end. Bytes that hold
    // no pages (a run of bare records) have no such ends.
    layout.across_chunk_ends = !chunk_phase(file, size, phase);
    // The bytes before the first whole page (the tail of a page the cut went through) are
    // read as a piece of their own; from there on every read is one page.
    if (phase != 0) {
        layout.regions[0] = phase;
    }
    layout.regions[phase] = size - phase;
    return true;
}

// Why a chunk could not be opened or read (error: errno of the failure): what the file is
// when it is no regular file, that it is empty, or the system's reason.
std::string chunk_access_failure(const std::string& path, int error) {
    struct stat64 info {};
    if (::stat64(path.c_str(), &info) != 0) {
        return std::strerror(errno);
    }
    if (const char* kind = uni::special_file_kind(info.st_mode); kind != nullptr) {
        return std::string(kind) + ", not a regular file";
    }
    if (info.st_size == 0) {
        return "the file is empty";
    }
    return std::strerror(error != 0 ? error : EIO);
}

// A copy cut short (a partial acquisition, a truncated image) holds the rows of the pages it
// still has and no more: said, also under "-quiet", so that a short report is not taken for
// the whole database. A page cut inside is missing as a page (its rows past the cut are
// gone), though what it still holds is read as far as it goes.
void say_if_cut_off(const std::string& path, const std::string& shown) {
    uni::fileio db;
    sqlite_db_header header;
    if (!open_db_file(db, header, path)) {
        return;  // no page size to count in: the read has said why
    }
    const uint32 page_size = header.page_size();
    const uint64 whole = db.size() / page_size;
    const uint32 counted = header.page_count();
    if (whole >= counted) {
        return;  // also when the header's count is not to be trusted (0)
    }
    const std::string part =
        db.size() % page_size != 0 ? " (and part of page " + std::to_string(whole + 1) + ")" : "";
    stderr_printf("prob reading %s: cut off after %llu of its %u pages%s: only those were read\n",
                  shown.c_str(), static_cast<unsigned long long>(whole), counted, part.c_str());
}

}  // namespace

bool carve_db_slack(const std::string& path, bool append, bool include_wal_valid_pages,
                    velk_options& options) {
    if (path.empty()) {
        return false;
    }
    if (!append) {
        // Handlers, channels and settings stay: the recovered notifications are linked to the
        // live ones.
        options.clear_notifications();
    }
    // Messages name the input as the examiner gave it; path may be the file a link reaches.
    const std::string& shown = options.m_db.db_path().empty() ? path : options.m_db.db_path();
    say_if_cut_off(path, shown);
    say_if_notification_layout_unknown(options, shown);
    std::string no_table;
    // Each hit becomes a record as it is found: a carve is never held as hits too.
    carved_record_adder adder(options);
    // The carver reads the database's text encoding from its header and tells the finder.
    const bool found =
        carve_database(adder, path, no_table, find_push_records, true, 1, 1,
                       include_wal_valid_pages, false, options.m_status_output, &options);
    adder.finish();
    return found;
}

bool parse_chunk_file(velk_options* options, std::string path) {
    if (options == nullptr || path.empty()) {
        return false;
    }
    options->reset_results();
    const std::string shown = input_name_shown(*options, path);
    // Expands in place (walked names stay as found); the copy it returns is not needed.
    (void)expand_input_path(*options, path);
    options->m_db.set_db_path(path);
    uni::fileio file(path, false, false, false);
    chunk_layout layout;
    if (!file.is_valid() || !read_chunk_layout(file, layout)) {
        // Missing, empty, unreadable or a folder; said, with why, also under "-quiet".
        const int error = errno;
        stderr_printf("prob accessing file %s: %s\n", shown.c_str(),
                      chunk_access_failure(path, error).c_str());
        return false;
    }
    if (options->m_status_output) {
        stderr_printf("analyzing %s\n", path.c_str());
    }
    options->m_notification_def.m_column_mask = chunk_notification_mask;
    options->m_notification_def.m_column_count = chunk_notification_columns;
    const table_definition no_schema;
    percent_progress progress(options->m_status_output);
    progress.add_work(region_bytes(layout.regions));
    // Each hit becomes a record as it is found: a chunk of millions of records is never held
    // as hits too.
    carved_record_adder adder(*options);
    const bool found =
        scan_regions(adder, layout.regions, file, no_schema, find_push_records,
                     record_source::carve_blob, layout.page_size, layout.encoding, 0, 0,
                     layout.wal_frames, false, &progress, options, layout.across_chunk_ends);
    adder.finish();
    progress.finish();
    if (!found) {
        // Written whatever "-quiet" says: the examiner must learn that the chunk gave nothing.
        stderr_printf("problem finding proper signatures to parse in %s\n", shown.c_str());
        return false;
    }
    if (options->notification_count() == 0) {
        // Without a schema a notification is known by its layout alone: one whose table has
        // other columns than the platform's (an added column, say) is not recognised.
        const std::size_t others =
            options->m_handlers.size() + options->m_channels.size() + options->m_settings.size();
        stderr_printf(
            "prob reading %s: no notification found: a chunk is read without a "
            "schema, and no record in it has a notification layout velk knows "
            "(%zu other records found)\n",
            path.c_str(), others);
    }
    return true;
}
