#pragma once
// Recorders for the timestamp encodings that the integer scanner (scan_time_8byte) does not
// cover: version-1 GUIDs, snowflake identifiers, OLE day numbers and 16-byte SYSTEMTIMEs.
// Each decodes one value, tests its moment against a FILETIME window and, when it fits, adds
// a time_hit beside any hit already at that offset.
//
// The recorders compare the window as signed FILETIMEs (their moments are never negative);
// scan_systemtime16 compares unsigned, as scan_time_8byte does, since both take the same
// latest/earliest bounds in a sweep.

#include "text/kq_types.h"
#include "time/time_hit.h"

namespace kq {

// The 16 bytes at `bytes` as a version-1 GUID, else as two 32-bit values and a FILETIME;
// kind 128, 16 bytes. A null pointer gives false.
bool record_guid_hit(time_hit_map& hits, const uint8* bytes, uint64 max, uint64 min, uint64 offset,
                     bool clear_first);
// The 8 bytes at `value` as a little-endian snowflake identifier; kind 0x20000, 8 bytes.
bool record_snowflake_hit(time_hit_map& hits, const uint64* value, uint64 max, uint64 min,
                          uint64 offset, bool clear_first);
// A double of OLE days (NaN and infinities name no moment); kind 256, 8 bytes.
bool record_ole_hit(time_hit_map& hits, double value, uint64 max, uint64 min, uint64 offset,
                    bool clear_first);
// The 16 bytes at `data` as a SYSTEMTIME of UTC fields, then the same bytes reversed; each
// valid reading inside the window is a kind-512 hit keeping the first 8 bytes read.
bool scan_systemtime16(time_hit_map& hits, const uint8* data, uint64 latest, uint64 earliest,
                       uint64 offset, bool clear_first);

}  // namespace kq
