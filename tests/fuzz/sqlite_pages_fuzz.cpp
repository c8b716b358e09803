// The SQLite page readers and record decoders on arbitrary bytes.
//
// Input: [options][page size code][page index][image...]. The image stands for a database
// file (a memory-mode uni::fileio, so overflow chains are followed inside it); the page
// size is 512 << (code % 8); the page under test is image page (index % pages), or the whole
// image when it is shorter than one page. Option bits pick the readers' flags.

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_target.h"
#include "io/uni_fileio.h"
#include "sqlite/btree_page.h"
#include "sqlite/page_rows.h"
#include "sqlite/page_slack.h"
#include "sqlite/record_decoder.h"
#include "sqlite/record_header.h"
#include "sqlite/record_values.h"
#include "sqlite/serial_type.h"
#include "sqlite/varint.h"
#include "text/byte_reader.h"

namespace {

constexpr std::size_t prefix = 3;
// Records are tried from the page start and the first cells only, and the varint scans look
// at a header-sized window: enough to reach every branch, and fast enough to fuzz.
constexpr std::size_t max_record_starts = 32;
constexpr std::size_t scan_window = 64;

struct options {
    bool raw_blobs = false;
    bool skip_overflow = false;
    bool no_rowid = false;
    bool utf8 = true;
    text_encoding encoding = text_encoding::utf8;
    bool capture = false;
    bool annotate = false;
    uint8 reserved = 0;
};

options read_options(uint8 bits) {
    options o;
    o.raw_blobs = (bits & 0x01) != 0;
    o.skip_overflow = (bits & 0x02) != 0;
    o.no_rowid = (bits & 0x04) != 0;
    o.utf8 = (bits & 0x08) == 0;
    // UTF-16, in the byte order of the top bit (which the reserved bytes share).
    o.encoding = o.utf8 ? text_encoding::utf8
                        : ((bits & 0x80) != 0 ? text_encoding::utf16be : text_encoding::utf16le);
    o.capture = (bits & 0x10) != 0;
    o.annotate = (bits & 0x20) != 0;
    o.reserved = static_cast<uint8>((bits >> 6) * 32);
    return o;
}

void fuzz_page(const byte_array& image, uint64 page_offset, uint32 page_size,
               const kq::byte_reader& page, uni::fileio& file, const options& o) {
    page_header_view header;
    (void)read_page(header, page, page_size, o.reserved);
    cell_map cells;
    (void)read_cell_pointers(cells, page, page_size, o.reserved, o.no_rowid);
    region_map slack;
    (void)find_page_slack(slack, page, page_offset, false);
    (void)walk_freeblocks(slack, page, header.first_freeblock(), page_offset, true);
    std::vector<uint16> offsets;
    std::vector<uint16> sizes;
    (void)list_freeblocks(offsets, sizes, page.data(), static_cast<int32>(page.size()),
                          header.first_freeblock());
    const auto length = static_cast<uint32>(image.size());
    page_descriptor_map rows;
    (void)parse_btree_page(rows, image.data(), length, 0, page_offset, page_size, &file, o.annotate,
                           o.raw_blobs, o.skip_overflow, o.capture, o.encoding, o.no_rowid);
    page_descriptor children;
    (void)walk_pages(children, image.data(), length, 0, page_offset, page_size, &file, o.annotate,
                     o.raw_blobs, o.encoding);
}

// The record-level readers on the page bytes, from the start and from every cell.
void fuzz_records(const kq::byte_reader& page, const cell_map& cells, const options& o) {
    record_decoder d;
    std::vector<std::string> values;
    std::vector<std::size_t> starts{0};
    for (const auto& [at, cell] : cells) {
        if (starts.size() == max_record_starts) {
            break;
        }
        starts.push_back(at + cell.first_varint_length + cell.second_varint_length);
    }
    for (const std::size_t at : starts) {
        kq::byte_reader rec;
        if (!page.tail(at, rec)) {
            continue;
        }
        int32 consumed = 0;
        (void)decode_record(d, consumed, nullptr, rec, at, o.annotate, o.raw_blobs, o.encoding);
        uint32 header_size = 0;
        std::vector<uint32> codes;
        std::vector<uint32> sizes;
        kq::byte_reader body;
        if (parse_record_header_all(header_size, codes, sizes, rec) && rec.tail(header_size, body)) {
            bool allow = o.skip_overflow;
            (void)decode_record_values(values, body, codes, sizes, nullptr, o.raw_blobs, o.encoding,
                                       allow);
        }
        const auto n = static_cast<int32>(std::min(rec.size(), scan_window));
        (void)count_varints(rec.data(), n);
        (void)serial_type_varint_forward(rec.data(), n, 2, o.utf8);
        (void)serial_type_varint_backward(page, at, static_cast<int32>(at + 1), 2, o.utf8);
        uint64 payload = 0;
        uint64 sum = 0;
        (void)check_payload_length(payload, sum, page, at, static_cast<uint32>(n), 16);
    }
}

}  // namespace

VELK_FUZZ_TARGET(sqlite_pages) {
    const kq::byte_reader input(data, size);
    uint8 bits = 0;
    uint8 size_code = 0;
    uint8 index = 0;
    byte_array image;
    if (!input.u8_at(0, bits) || !input.u8_at(1, size_code) || !input.u8_at(2, index) ||
        !input.copy_to(prefix, input.size() - prefix, image)) {
        return 0;
    }
    const options o = read_options(bits);
    const uint32 page_size = 512u << (size_code % 8);
    uni::fileio file;
    if (!file.attach_memory(image, false, false)) {
        return 0;
    }
    const std::size_t pages = image.size() / page_size;
    const uint64 page_offset = pages == 0 ? 0 : uint64{index % pages} * page_size;
    kq::byte_reader page;
    if (!kq::byte_reader(image).sub(static_cast<std::size_t>(page_offset),
                                    pages == 0 ? image.size() : page_size, page)) {
        return 0;
    }
    fuzz_page(image, page_offset, page_size, page, file, o);
    cell_map cells;
    (void)read_cell_pointers(cells, page, page_size, o.reserved, o.no_rowid);
    fuzz_records(page, cells, o);
    return 0;
}
