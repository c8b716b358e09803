#pragma once
// The fixed column layouts the record finder recognises in raw bytes, and the synthetic
// table definitions built from them. A carved record whose layout differs from the schema,
// or a page chunk read without any schema, is parsed against such a definition.
//
// Every layout's columns are the set bits of its mask, in ascending order:
//   notification 0x3ff, 0x7ff, 0xfff, 0x3fff (10, 11, 12, 14 columns)
//   handler      0x1ff, 0x3fb, 0x7fb         (9, 9, 10; the last two without 0x4)
//   channel      0x1f, 0x3f                  (5, 6)

#include <array>
#include <cstddef>

#include "text/kq_types.h"

class table_definition;

// True when mask is one of the carved layouts of the table type (1, 2 or 4).
[[nodiscard]] bool is_carved_layout(uint32 table_type, uint64 mask);

// def is cleared; when mask is one of the table's layouts it takes the mask and one
// nameless column per bit (selected, with its bit), and with verify each column also its
// lower-case role name and def the MD5 signature of those names. The name and column count
// stay empty until a record is parsed with the definition. False, def cleared, for any
// other mask.
[[nodiscard]] bool build_notification_definition(table_definition& def, uint64 mask, bool verify);
[[nodiscard]] bool build_handler_definition(table_definition& def, uint64 mask, bool verify);
[[nodiscard]] bool build_channel_definition(table_definition& def, uint64 mask, bool verify);

// How a database's schema lets the record finder read its notification records.
enum class notification_layout_fit {
    no_schema,      // no notification table was read: the carved layouts alone are tried
    carved,         // the table is one of the carved layouts
    added_columns,  // a carved layout's columns, then columns the tool does not know
    unknown,        // any other order of columns: the carved layouts alone are tried
};

// The columns a schema may add after the known ones that the finder follows: a record holds
// at most 255 (the carved column count is one byte).
inline constexpr std::size_t max_added_columns = 240;

struct notification_schema_layout {
    notification_layout_fit fit = notification_layout_fit::no_schema;
    uint64 known_mask = 0;  // with added columns: the carved layout of the known ones
    std::size_t added = 0;  // the columns after them, one serial-type pattern each
    std::array<const char*, max_added_columns> added_patterns{};
};

// The layout the notification table's definition (parsed from the schema; its columns are
// known by name) gives its records. An added column may hold any serial type
// (a declared type only sets an affinity), NULL too unless it is NOT NULL.
[[nodiscard]] notification_schema_layout notification_layout_of(const table_definition& def);

// Why the finder cannot follow the notification layout of the table: null when it can, or
// when there is no table to follow (schema_read: the schema was read, and it has none).
[[nodiscard]] const char* notification_layout_unknown(const table_definition& def,
                                                      bool schema_read);
