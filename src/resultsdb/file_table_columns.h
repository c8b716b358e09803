#pragma once
// The columns of a file-listing table of the results log. A 64-bit flag word chosen when
// the table is created selects them; the same word later decides what each queued file
// record binds. The table always starts with the row key `metaref`; the other columns
// follow in the order of file_columns, which is not the order of their bits.

#include <array>

#include "resultsdb/table_layout.h"
#include "text/kq_types.h"

namespace file_column_flag {
inline constexpr uint64 path = 0x1;
inline constexpr uint64 name = 0x2;
inline constexpr uint64 extension = 0x4;
inline constexpr uint64 is_dir = 0x8;
inline constexpr uint64 size = 0x10;
inline constexpr uint64 modified = 0x20;
inline constexpr uint64 created = 0x40;
inline constexpr uint64 metachanged = 0x80;
inline constexpr uint64 accessed = 0x100;
inline constexpr uint64 mode = 0x200;
inline constexpr uint64 copied = 0x400;
inline constexpr uint64 inode = 0x800;
inline constexpr uint64 seqnum = 0x1000;
inline constexpr uint64 ntfsraw = 0x2000;
inline constexpr uint64 offset = 0x4000;
inline constexpr uint64 notes = 0x8000;
inline constexpr uint64 source = 0x10000;
// One varchar column per name of the platform's attribute listing.
inline constexpr uint64 attribute_columns = 0x100000;
// No column: queued records ask the platform for their attribute lists.
inline constexpr uint64 want_attributes = 0x200000;
}  // namespace file_column_flag

// The attribute flag and status a record gets once its attribute lists were obtained.
inline constexpr uint64 attribute_lists_obtained = 0x80;
inline constexpr uint8 attribute_lists_status = 1;

struct file_column {
    uint64 flag;
    const char* name;
    const char* type;
};

inline constexpr const char* file_key_column = "metaref";
inline constexpr std::array<file_column, 17> file_columns = {{
    {file_column_flag::path, "path", "varchar"},
    {file_column_flag::name, "name", "varchar"},
    {file_column_flag::extension, "extension", "varchar"},
    {file_column_flag::is_dir, "is_dir", "integer"},
    {file_column_flag::size, "size", "integer"},
    {file_column_flag::modified, "modified", "varchar"},
    {file_column_flag::created, "created", "varchar"},
    {file_column_flag::metachanged, "metachanged", "varchar"},
    {file_column_flag::accessed, "accessed", "varchar"},
    {file_column_flag::mode, "mode", "varchar"},
    {file_column_flag::inode, "inode", "integer"},
    {file_column_flag::seqnum, "seqnum", "integer"},
    {file_column_flag::copied, "copied", "integer"},
    {file_column_flag::ntfsraw, "ntfsraw", "integer"},
    {file_column_flag::offset, "offset", "integer"},
    {file_column_flag::notes, "notes", "varchar"},
    {file_column_flag::source, "source", "varchar"},
}};

// Clears the layout and adds `metaref` and the columns the flags select, with positions.
// False when flags is 0, when attribute columns are asked for and the listing fails, or
// when no column besides `metaref` results.
[[nodiscard]] bool file_table_columns(table_layout& layout, uint64 flags);
