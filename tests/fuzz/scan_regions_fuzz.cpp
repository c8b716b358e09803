// The region scanner on arbitrary bytes, with a finder that proposes hits where the input
// says.
//
// Input: [page size code][flags][hit count n][n x (position u16, columns, flags)]
// [region count r][r x (offset u16, length u16)][file image...]. The page size is
// 512 << (code % 4) and the code's next two bits pick the text encoding; flags bit 0 WAL
// frames, bit 1 structured, bit 2 a 3-column table definition. A hit's flags bit 0 marks its
// header as corrected.

#include <string>
#include <vector>

#include "fuzz_target.h"
#include "io/uni_fileio.h"
#include "sqlite/region_scan.h"
#include "text/byte_reader.h"

namespace {

struct proposals {
    std::vector<carved_record> hits;
};

bool propose(std::vector<carved_record>& hits, const uint8* /*data*/, uint32 /*length*/,
             uint64 chunk_file_offset, bool append, text_encoding /*encoding*/, void* context) {
    if (!append) {
        hits.clear();
    }
    const auto* p = static_cast<const proposals*>(context);
    for (carved_record hit : p->hits) {
        hit.file_offset = chunk_file_offset + hit.offset_in_chunk;
        hits.push_back(hit);
    }
    return !p->hits.empty();
}

// Reads the prefix; at is moved past it. False when the input ends inside it.
bool read_prefix(const kq::byte_reader& in, std::size_t& at, proposals& p, region_map& regions) {
    uint8 count = 0;
    if (!in.u8_at(at++, count)) {
        return false;
    }
    for (uint8 i = 0; i < count % 17; ++i, at += 4) {
        uint16 position = 0;
        uint8 columns = 0;
        uint8 flags = 0;
        if (!in.be16_at(at, position) || !in.u8_at(at + 2, columns) ||
            !in.u8_at(at + 3, flags)) {
            return false;
        }
        carved_record& hit = p.hits.emplace_back();
        hit.offset_in_chunk = position;
        hit.column_count = columns;
        hit.header_corrected = flags & 1;
    }
    if (!in.u8_at(at++, count)) {
        return false;
    }
    for (uint8 i = 0; i < count % 5; ++i, at += 4) {
        uint16 offset = 0;
        uint16 length = 0;
        if (!in.be16_at(at, offset) || !in.be16_at(at + 2, length)) {
            return false;
        }
        regions[offset] = length;
    }
    return true;
}

}  // namespace

VELK_FUZZ_TARGET(scan_regions) {
    const kq::byte_reader in(data, size);
    uint8 code = 0;
    uint8 flags = 0;
    std::size_t at = 2;
    proposals p;
    region_map regions;
    byte_array image;
    if (!in.u8_at(0, code) || !in.u8_at(1, flags) || !read_prefix(in, at, p, regions) ||
        !in.copy_to(at, in.size() - at, image)) {
        return 0;
    }
    table_definition def;
    if ((flags & 4) != 0) {
        (void)def.load_create_sql("CREATE TABLE t (a INTEGER, b TEXT, c BLOB)", true);
    }
    uni::fileio file;
    if (!file.attach_memory(image, false, false)) {
        return 0;
    }
    std::vector<carved_record> hits;
    const text_encoding encoding = text_encoding_of(code >> 2);
    if ((flags & 8) != 0) {
        // The raw-chunk form: hits one at a time, records read across the ends of the reads.
        carved_hit_vector_sink sink(hits);
        (void)scan_regions(sink, regions, file, def, propose, 2, 512U << (code % 4), encoding, 1,
                           4, (flags & 1) != 0, (flags & 2) != 0, nullptr, &p, true);
    } else {
        (void)scan_regions(hits, regions, file, def, propose, 2, 512U << (code % 4), encoding, 1,
                           4, (flags & 1) != 0, (flags & 2) != 0, nullptr, &p, chunk_done_noop);
    }
    for (const carved_record& r : hits) {
        (void)record_source_name(record_source::of_word(r.source_word));
    }
    return 0;
}
