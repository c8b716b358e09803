#pragma once
// Two texts of the report: the settings summary of a handler and the origin of a recovered
// row.

#include <map>
#include <string>
#include <vector>

#include "text/kq_types.h"

class notification_handler_record;
class handler_settings_record;

// The handler's settings as "name":"value" entries joined by "; ", only settings whose value
// is not 0, in the order the index lists them for the handler's id. Computed on first use
// and kept in the handler's m_settings_text, which is returned.
std::string& handler_settings_text(notification_handler_record& handler,
                                   const std::vector<handler_settings_record>& settings,
                                   const std::multimap<int64, int32>& settings_index);

// "source":"<record_source_name>", then, for an offset other than 0, "; " and
// "offset":"<offset>" (hex: "0x" and at least 8 lower-case digits; else decimal); inside
// braces when asked.
[[nodiscard]] std::string recovered_source_text(uint32 source, uint64 offset, bool hex,
                                                bool braces);
// As above; with offset_known an offset of 0 is written too (a record at a file's first
// byte).
[[nodiscard]] std::string recovered_source_text(uint32 source, uint64 offset, bool offset_known,
                                                bool hex, bool braces);
