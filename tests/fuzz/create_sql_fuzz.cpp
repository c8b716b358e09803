// The CREATE TABLE parser on arbitrary text, from position 0 and from a position taken from
// the input's first byte, with the column-count and column-name helpers after it.

#include <sstream>
#include <string>

#include "fuzz_target.h"
#include "sqlite/table_definition.h"

VELK_FUZZ_TARGET(create_sql) {
    if (size == 0) {
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    table_definition def;
    for (const int start : {0, static_cast<int>(static_cast<uint8>(text[0]) % 32)}) {
        int keyword_end = 0;
        (void)def.read_create_sql(keyword_end, text, start, (start & 1) == 0);
        def.m_column_mask = size * 0x9E3779B97F4A7C15ULL;
        (void)def.min_column_count();
        std::ostringstream names;
        def.write_column_names(names, start % 5);
    }
    table_definition copy = def;
    (void)copy.load_create_sql(text, false);
    return 0;
}
