#pragma once
// The fixed column layouts the record finder recognises in raw bytes, and the synthetic
// table definitions built from them. A carved record whose layout differs from the schema,
// or a page chunk read without any schema, is parsed against such a definition.
//
// Every layout's columns are the set bits of its mask, in ascending order:
//   notification 0x3ff, 0x7ff, 0xfff, 0x3fff (10, 11, 12, 14 columns)
//   handler      0x1ff, 0x3fb, 0x7fb         (9, 9, 10; the last two without 0x4)
//   channel      0x1f, 0x3f                  (5, 6)

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
