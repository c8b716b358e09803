// The push record finder on arbitrary chunks: every hit must lie inside the chunk it came
// from, with a file offset that follows from the chunk's.
//
// Input: [table bits][bytes...]: the first byte selects the tables looked for (push table
// type bits; 0 stands for all), the rest is the chunk.

#include <vector>

#include "app/push_record_finder.h"
#include "fuzz_target.h"
#include "sqlite/carved_record.h"
#include "text/kq_assert.h"

namespace {

// A file offset far from 0 and from the top, so that a wrong position shows in the sum.
constexpr uint64 chunk_offset = 0x100000;

}  // namespace

VELK_FUZZ_TARGET(push_record_finder) {
    if (size == 0) {
        return 0;
    }
    const uint64 tables = data[0] == 0 ? all_push_tables : data[0];
    std::vector<carved_record> hits;
    const auto length = static_cast<uint32>(size - 1);
    (void)find_push_records_in(hits, data + 1, length, chunk_offset, false, tables);
    for (const carved_record& h : hits) {
        KQ_ASSERT(h.offset_in_chunk >= 1 && h.offset_in_chunk < length,
                  "velk_fuzz_push_record_finder", "push_record_finder_fuzz.cpp");
        KQ_ASSERT(h.file_offset == chunk_offset + h.offset_in_chunk, "velk_fuzz_push_record_finder",
                  "push_record_finder_fuzz.cpp");
    }
    return 0;
}
