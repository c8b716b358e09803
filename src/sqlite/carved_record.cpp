#include "sqlite/carved_record.h"

#include <array>

namespace {

// Indexed by source; 0 and 5 have no name. Reports print these texts byte for byte,
// "superceded" included.
constexpr std::array<const char*, 15> source_names = {
    "",
    "sqlite lib",
    "main db slack",
    "carve main",
    "carve blob",
    "",
    "main db page to be overwritten from wal",
    "wal file page superceded by new page",
    "wal file slack in valid page",
    "wal file valid page",
    "carve wal",
    "carve journal",
    "carve main from wal data",
    "main db past end",
    "main db page to be overwritten from journal",
};

}  // namespace

std::string record_source_name(uint32 source) {
    return source < source_names.size() ? source_names.at(source) : "";
}

void carved_record::clear() {
    source_word &= record_source::flag_bits;
    table_type = 0;
    spare_word = 0;
    column_count = 0;
    truncated = 0;
    column_mask = 0;
    lost_types = 0;
    bytes.clear();
}

int chunk_done_noop(std::vector<carved_record>& /*hits*/, void* /*context*/) { return 0; }
