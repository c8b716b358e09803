#pragma once
// wns_push_channel_record: one row of the push-channel table, the WNS channel through which
// a handler receives its notifications.

#include <string>
#include <vector>

#include "sqlite/sqlite_metadata.h"
#include "text/kq_types.h"

// Column bits of the push-channel table.
namespace channel_column {
inline constexpr uint64 text_1 = 0x1;  // also confirms some carved candidates
inline constexpr uint64 handler_id = 0x2;
inline constexpr uint64 text_4 = 0x4;
inline constexpr uint64 expiry_time = 0x8;  // FILETIME
inline constexpr uint64 time_10 = 0x10;     // FILETIME
inline constexpr uint64 number_20 = 0x20;   // filled, never reported
inline constexpr uint64 last = number_20;
}  // namespace channel_column

class wns_push_channel_record : public sqlite_metadata {
public:
    wns_push_channel_record();

    // Every number 0, every text empty; the base part is not touched.
    void clear();

    // parse_fields_ex without column flags.
    [[nodiscard]] bool parse_fields(int32 count, const std::vector<const char*>& values,
                                    const std::vector<uint32>& lengths, bool recovered,
                                    uint64 record_offset, uint64 column_mask, int32 min_count,
                                    uint32 source) override;
    // The fill rule (notification_record.h).
    [[nodiscard]] bool parse_fields_ex(int32 count, const std::vector<const char*>& values,
                                       const std::vector<uint32>& lengths,
                                       const std::vector<uint32>& codes, bool recovered,
                                       uint64 record_offset, uint64 column_mask, int32 min_count,
                                       uint32 source) override;

    std::string m_text_1;
    int64 m_handler_id = 0;
    bool m_handler_id_null = false;  // a NULL HandlerId belongs to no handler
    std::string m_text_4;
    int64 m_expiry_time = 0;
    int64 m_time_10 = 0;
    int64 m_number_20 = 0;
};
