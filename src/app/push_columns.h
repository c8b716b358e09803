#pragma once
// The columns the tool knows in the four tables of the push-notification database, each
// with its fixed bit of a 64-bit column mask, and the step from a parsed CREATE TABLE text
// to that mask and back to a SELECT of exactly the masked columns.
//
// A row's values always arrive in ascending bit order, one per set bit, so a SELECT built
// here feeds a record's fill rule directly. Outside the mask builders and the SELECT
// statements, a column is addressed by its bit only.
//
// Column names are those the platform's own schema uses; names shared by several tables
// (HandlerId, ExpiryTime, CreatedTime) are the same strings in each. Handler column 0x4 has
// no counterpart in the platform's schema; its name matches no real column.

#include <span>
#include <sstream>
#include <string>

#include "text/kq_types.h"

class table_definition;

// One known column: its bit, the name SELECT statements and report captions use, and the
// lower-case form compared with the lower-cased schema names.
struct push_column_role {
    uint64 bit;
    const char* name;
    const char* name_lower;
};

// One known table: its name as SELECT statements write it, the lower-case name by which
// the schema is searched, and its roles in ascending bit order.
struct push_table_roles {
    uint32 table_type;  // push_table_type: 1, 2, 4 or 8
    const char* name;
    const char* name_lower;
    std::span<const push_column_role> columns;
};

// The table of the first bit of table_type that is set, in the order 1, 2, 4, 8; null when
// none of them is.
[[nodiscard]] const push_table_roles* push_roles_for(uint32 table_type);

// The bit of the role whose lower-case name equals name_lower; 0 when none does.
[[nodiscard]] uint64 push_role_bit(const push_table_roles& table, const std::string& name_lower);

// Column masks of a parsed table: 0 when the definition has no columns or is another
// table's. Each column whose lower-cased name is a role's is marked selected and takes the
// role's bit; the mask is stored in the definition (also when 0) and returned.
[[nodiscard]] uint64 notification_column_mask(table_definition& def);
[[nodiscard]] uint64 handler_column_mask(table_definition& def);
[[nodiscard]] uint64 channel_column_mask(table_definition& def);
// The settings mask is only computed: the definition's columns and mask stay as they are.
[[nodiscard]] uint64 settings_column_mask(table_definition& def);

// out's text becomes "select `A`,`B` from T;" for the masked known columns of the table
// that table_type picks, in bit order (backquoted: "Order" and "Group" are SQL keywords).
// A mask without known bits still gives "select from T;". False, out empty, when
// table_type picks no table.
[[nodiscard]] bool build_select_sql(std::ostringstream& out, uint32 table_type, uint64 mask);
