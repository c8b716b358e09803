// sqlite_metadata's parse helpers: a row of value texts becomes the value arrays a derived
// parse_fields reads, in the order given or through the definition's cached column map.

#include <algorithm>
#include <limits>
#include <map>
#include <new>

#include "sqlite/carved_record.h"
#include "sqlite/sqlite_metadata.h"
#include "sqlite/table_definition.h"

namespace {

// The top eight bits of a definition's mask are no columns; a table-record parse keeps them
// over a rebuild of the map.
constexpr uint64 mask_top_byte = 0xFF00000000000000ULL;

struct value_arrays {
    std::vector<const char*> values;
    std::vector<uint32> lengths;
};

uint32 length_of(const std::string& value) {
    return value.size() > std::numeric_limits<uint32>::max() ? std::numeric_limits<uint32>::max()
                                                             : static_cast<uint32>(value.size());
}

// Entry i for value i; an empty value gets a null pointer. False for no values, or when the
// arrays cannot be allocated.
bool arrays_in_order(value_arrays& out, const std::vector<std::string>& values) {
    if (values.empty()) {
        return false;
    }
    try {
        out.values.reserve(values.size());
        out.lengths.reserve(values.size());
        for (const std::string& v : values) {
            out.values.push_back(v.empty() ? nullptr : v.c_str());
            out.lengths.push_back(length_of(v));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// One entry per map entry, in ascending order of column bit; empty values get a pointer
// too. A map index outside the row (a map cached for another row shape) gives false.
bool arrays_through_map(value_arrays& out, const std::map<uint64, int64>& map,
                        const std::vector<std::string>& values) {
    try {
        out.values.reserve(map.size());
        out.lengths.reserve(map.size());
        for (const auto& [bit, index] : map) {
            if (index < 0 || static_cast<uint64>(index) >= values.size()) {
                return false;
            }
            const std::string& v = values[static_cast<std::size_t>(index)];
            out.values.push_back(v.c_str());
            out.lengths.push_back(length_of(v));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Rebuilds the definition's map for a row of n values: value k goes to the k-th selected
// column. The mask of the columns mapped, which the definition takes (with its count) when
// the map is not empty.
uint64 rebuild_map(table_definition& def, std::size_t n, bool keep_top_byte) {
    def.m_column_map.clear();
    uint64 running = 0;
    int64 assigned = 0;
    for (const column_definition& col : def.m_columns) {
        if (static_cast<std::size_t>(assigned) >= n) {
            break;
        }
        if (col.m_selected == 0) {
            continue;
        }
        def.m_column_map[col.m_column_bit] = assigned++;
        running |= col.m_column_bit;
    }
    if (keep_top_byte) {
        running |= def.m_column_mask & mask_top_byte;
    }
    if (!def.m_column_map.empty()) {
        def.m_column_count = static_cast<uint32>(def.m_column_map.size());
        def.m_column_mask = running;
    }
    return running;
}

// The arrays for a row of a definition's table, and the mask the field parser gets with
// them. False when the row holds more values than the table has columns.
bool mapped_arrays(value_arrays& out, uint64& mask, table_definition& def,
                   const std::vector<std::string>& values, uint64 row_mask, bool keep_top_byte) {
    const std::size_t n = values.size();
    if (n > def.m_columns.size()) {
        return false;
    }
    mask = def.m_column_mask;
    const bool reuse =
        !def.m_column_map.empty() && def.m_column_mask == row_mask && def.m_column_count == n;
    if (!reuse) {
        const uint64 running = rebuild_map(def, n, keep_top_byte);
        mask = def.m_column_map.empty() ? running : def.m_column_mask;
    }
    if (def.m_column_map.empty()) {
        return arrays_in_order(out, values);
    }
    return arrays_through_map(out, def.m_column_map, values);
}

int32 count_of(const value_arrays& arrays) {
    return static_cast<int32>(
        std::min<std::size_t>(arrays.values.size(), std::numeric_limits<int32>::max()));
}

}  // namespace

bool sqlite_metadata::parse_record_values(const std::vector<std::string>& values, bool recovered,
                                          uint64 record_offset, uint64 column_mask, uint32 source) {
    value_arrays arrays;
    if (!arrays_in_order(arrays, values)) {
        return false;
    }
    const int32 count = count_of(arrays);
    return parse_fields(count, arrays.values, arrays.lengths, recovered, record_offset, column_mask,
                        count, source);
}

bool sqlite_metadata::parse_table_record(const std::vector<std::string>& values, bool recovered,
                                         uint64 record_offset, uint64 column_mask, uint32 source,
                                         table_definition& definition) {
    value_arrays arrays;
    uint64 mask = 0;
    if (!mapped_arrays(arrays, mask, definition, values, column_mask, true)) {
        return false;
    }
    const int32 count = count_of(arrays);
    return parse_fields(count, arrays.values, arrays.lengths, recovered, record_offset, mask, count,
                        source);
}

bool sqlite_metadata::parse_carved_record(const carved_record& hit, bool recovered,
                                          table_definition& definition) {
    value_arrays arrays;
    uint64 mask = 0;
    if (!mapped_arrays(arrays, mask, definition, hit.values, hit.column_mask, false)) {
        return false;
    }
    const int32 count = count_of(arrays);
    const uint32 source = record_source::of_word(hit.source_word);
    if (!hit.value_codes.empty()) {
        return parse_fields_ex(count, arrays.values, arrays.lengths, hit.value_codes, recovered,
                               hit.file_offset, hit.column_mask, count, source);
    }
    return parse_fields(count, arrays.values, arrays.lengths, recovered, hit.file_offset, mask,
                        count, source);
}

bool sqlite_metadata::parse_carved_values(const carved_record& hit, bool recovered) {
    value_arrays arrays;
    if (!arrays_in_order(arrays, hit.values)) {
        return false;
    }
    const int32 count = count_of(arrays);
    const uint32 source = record_source::of_word(hit.source_word);
    if (!hit.value_codes.empty()) {
        return parse_fields_ex(count, arrays.values, arrays.lengths, hit.value_codes, recovered,
                               hit.file_offset, hit.column_mask, count, source);
    }
    return parse_fields(count, arrays.values, arrays.lengths, recovered, hit.file_offset,
                        hit.column_mask, count, source);
}
