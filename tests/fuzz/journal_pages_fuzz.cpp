// The rollback-journal reader on arbitrary bytes: the input is the journal file (a
// memory-mode uni::fileio) of a database of 512-byte pages. Every page it maps must lie
// whole inside the input, and the checksum is computed over each.

#include <algorithm>
#include <cstdlib>
#include <map>

#include "fuzz_target.h"
#include "io/uni_fileio.h"
#include "sqlite/journal_header.h"
#include "text/byte_reader.h"

VELK_FUZZ_TARGET(journal_pages) {
    const kq::byte_reader input(data, size);
    byte_array bytes;
    if (!input.copy_to(0, input.size(), bytes)) {
        return 0;
    }
    journal_header header;
    (void)input.copy_to(0, std::min(input.size(), header.bytes.size()), header.bytes.data());
    (void)check_journal_header(header, static_cast<int32>(std::min<std::size_t>(size, 0x7FFFFFFF)));
    uni::fileio file;
    if (!file.attach_memory(bytes, false, false)) {
        return 0;
    }
    std::map<uint64, uint64> pages;
    // The database's page size, at which a header zeroed at commit is read; a header that
    // gives its own replaces it.
    uint32 page_size = 512;
    if (!read_journal_pages(pages, page_size, file)) {
        return 0;
    }
    for (const auto& [number, offset] : pages) {
        kq::byte_reader page;
        // A mapped page and its checksum lie inside the file: anything else is a reader bug.
        if (!input.sub(static_cast<std::size_t>(offset), page_size + 4ULL, page)) {
            std::abort();
        }
        (void)journal_page_checksum(header, page.data(), page_size);
        (void)be32_or_minus1(page.data());
    }
    return 0;
}
