#pragma once
// The record finder the carver runs over unallocated and raw bytes of a push-notification
// database: page slack, freeblocks, old WAL frames, journal pages and loose page chunks,
// where no b-tree says where a record begins. It recognises the record headers of the
// notification, handler and push-channel tables by the serial types their rows must have,
// confirms a candidate by a sample of its column text where the types alone are too weak,
// and reports each hit with its position, table type, column layout and header size. At each
// freeblock it also looks for a short notification whose first bytes the freeblock header
// took. The carver decodes the hits; handler settings are never looked for.

#include <vector>

#include "sqlite/carved_record.h"
#include "sqlite/text_encoding.h"
#include "text/kq_types.h"

struct notification_schema_layout;

// The finder's table selection: push_table_type bits. A hit of a table whose bit is clear is
// never reported.
inline constexpr uint64 all_push_tables = ~0ULL;

// The record_finder_fn handed to carve_database and scan_regions. context is the
// velk_options whose m_carve_tables selects the tables (all tables when it is null). The
// serial types of known text lengths and the column samples are read in the database's
// text encoding. Unless append, hits is emptied first. True when hits were added.
[[nodiscard]] bool find_push_records(std::vector<carved_record>& hits, const uint8* data,
                                     uint32 length, uint64 chunk_offset, bool append,
                                     text_encoding encoding, void* context);

// The same scan with the table selection given as push_table_type bits and, when a schema was
// read, the notification layout it gives (push_layouts.h; null: the carved layouts alone).
[[nodiscard]] bool find_push_records_in(std::vector<carved_record>& hits, const uint8* data,
                                        uint32 length, uint64 chunk_offset, bool append,
                                        uint64 tables, text_encoding encoding = text_encoding::utf8,
                                        const notification_schema_layout* schema = nullptr);
