#pragma once
// notification_handler_record: one row of the handler table, the application that receives
// notifications. Besides its columns it keeps two times parsed from its date-time texts,
// the short application name the report shows, and the settings summary the report writer
// caches here.

#include <string>
#include <vector>

#include "sqlite/sqlite_metadata.h"
#include "text/kq_types.h"

struct field_value;

// Column bits of the handler table.
namespace handler_column {
inline constexpr uint64 handler_id = 0x1;  // carved rows store NULL here and take the rowid
inline constexpr uint64 primary_id = 0x2;
inline constexpr uint64 secondary_id = 0x4;
inline constexpr uint64 text_8 = 0x8;
inline constexpr uint64 text_10 = 0x10;
inline constexpr uint64 number_20 = 0x20;
inline constexpr uint64 data_40 = 0x40;
inline constexpr uint64 time_text_80 = 0x80;    // "yyyy-mm-dd hh:mm:ss"
inline constexpr uint64 time_text_100 = 0x100;  // likewise
inline constexpr uint64 text_200 = 0x200;
inline constexpr uint64 text_400 = 0x400;
inline constexpr uint64 last = text_400;
}  // namespace handler_column

// The short application name of a handler id: without "!", the id up to its last "_" (the
// whole id when it has none); with "!", the id up to the last "_" before the first "!",
// or, when no "_" comes before it, the text after that "!". Package family names
// ("Name_publisherhash!App") thus give the package name.
[[nodiscard]] std::string short_name_from_id(const std::string& id);

class notification_handler_record : public sqlite_metadata {
public:
    notification_handler_record();

    // Every number 0, every text empty; the base part is not touched.
    void clear();

    // parse_fields_ex without column flags.
    [[nodiscard]] bool parse_fields(int32 count, const std::vector<const char*>& values,
                                    const std::vector<uint32>& lengths, bool recovered,
                                    uint64 record_offset, uint64 column_mask, int32 min_count,
                                    uint32 source) override;
    // The fill rule (notification_record.h); the short name follows the primary id, or the
    // secondary id when the primary gives none, and a non-empty date-time text sets its time.
    [[nodiscard]] bool parse_fields_ex(int32 count, const std::vector<const char*>& values,
                                       const std::vector<uint32>& lengths,
                                       const std::vector<uint32>& codes, bool recovered,
                                       uint64 record_offset, uint64 column_mask, int32 min_count,
                                       uint32 source) override;

    int64 m_handler_id = 0;
    std::string m_primary_id;
    std::string m_secondary_id;
    std::string m_text_8;
    std::string m_text_10;
    int64 m_number_20 = 0;
    std::string m_data_40;
    std::string m_time_text_80;
    std::string m_time_text_100;
    std::string m_text_200;
    std::string m_text_400;
    int64 m_time_80 = 0;   // FILETIME of m_time_text_80; 0 when it does not parse
    int64 m_time_100 = 0;  // FILETIME of m_time_text_100
    std::string m_short_name;
    std::string m_settings_text;  // computed by the report writer on first use

private:
    void store_column(uint64 bit, const field_value& value);
};
