#pragma once
// handler_settings_record: one row of the handler-settings table, a named value of one
// handler. Settings are read only from the live table ("-incl_settings"), never carved, so
// the class fills plain rows only: its parse_fields_ex stays the base's and refuses.

#include <string>
#include <vector>

#include "sqlite/sqlite_metadata.h"
#include "text/kq_types.h"

// Column bits of the handler-settings table.
namespace settings_column {
inline constexpr uint64 handler_id = 0x1;
inline constexpr uint64 name = 0x2;
inline constexpr uint64 value = 0x4;
inline constexpr uint64 last = value;
}  // namespace settings_column

class handler_settings_record : public sqlite_metadata {
public:
    handler_settings_record();

    // Every number 0, the name empty; the base part is not touched.
    void clear();

    // The fill rule (notification_record.h), without column flags.
    [[nodiscard]] bool parse_fields(int32 count, const std::vector<const char*>& values,
                                    const std::vector<uint32>& lengths, bool recovered,
                                    uint64 record_offset, uint64 column_mask, int32 min_count,
                                    uint32 source) override;

    int64 m_handler_id = 0;
    bool m_handler_id_null = false;  // a NULL HandlerId belongs to no handler
    std::string m_name;
    int64 m_value = 0;
};
