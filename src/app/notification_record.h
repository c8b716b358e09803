#pragma once
// notification_record: one row of the notification table, the item the report is made of.
// Filled from a row of values by the column bits below (push_record_fill.h); the base
// record says where the row came from.

#include <string>
#include <vector>

#include "sqlite/sqlite_metadata.h"
#include "text/guid16.h"
#include "text/kq_types.h"

struct field_value;

// How the report shows an ActivityId, by what the row stored: a 16-byte blob as a GUID
// (none when all zero, as a GUID that was never set), a blob of any other length in hex, a
// text (or a number) as its text, NULL and an empty value as nothing.
enum class activity_id_form { none, guid, text, hex };

// Column bits of the notification table.
namespace notification_column {
inline constexpr uint64 id = 0x1;  // carved rows store NULL here and take the rowid instead
inline constexpr uint64 number_a = 0x2;
inline constexpr uint64 handler_id = 0x4;
inline constexpr uint64 guid = 0x8;
inline constexpr uint64 type = 0x10;  // "tile...", "toast...", "badge..."
inline constexpr uint64 payload = 0x20;
inline constexpr uint64 text_a = 0x40;
inline constexpr uint64 text_b = 0x80;
inline constexpr uint64 expiry_time = 0x100;   // FILETIME
inline constexpr uint64 arrival_time = 0x200;  // FILETIME
inline constexpr uint64 number_b = 0x400;
inline constexpr uint64 format = 0x800;
inline constexpr uint64 number_c = 0x1000;  // filled, never reported
inline constexpr uint64 number_d = 0x2000;  // filled, never reported
inline constexpr uint64 last = number_d;
}  // namespace notification_column

class notification_record : public sqlite_metadata {
public:
    notification_record();

    // Every number 0, the GUID zero, every text empty but m_format, which is "xml". The
    // base part is not touched.
    void clear();

    // parse_fields_ex without column flags.
    [[nodiscard]] bool parse_fields(int32 count, const std::vector<const char*>& values,
                                    const std::vector<uint32>& lengths, bool recovered,
                                    uint64 record_offset, uint64 column_mask, int32 min_count,
                                    uint32 source) override;
    // The fill rule: false, nothing changed, for fewer than min_count values, no values, or
    // a count beyond the values given; otherwise one value per bit set in column_mask, in
    // ascending bit order, until count values are taken. lengths may stop short: the values
    // it does not reach are terminated texts.
    [[nodiscard]] bool parse_fields_ex(int32 count, const std::vector<const char*>& values,
                                       const std::vector<uint32>& lengths,
                                       const std::vector<uint32>& codes, bool recovered,
                                       uint64 record_offset, uint64 column_mask, int32 min_count,
                                       uint32 source) override;

    int64 m_id = 0;
    // A carved record whose rowid was not read (its header-size byte or first bytes lost):
    // its key is unknown, not 0.
    bool m_id_unknown = false;
    int64 m_number_a = 0;
    int64 m_handler_id = 0;  // links the notification to its handler, channel and settings
    bool m_handler_id_null = false;  // a NULL HandlerId links to nothing, not to id 0
    guid16 m_guid;                   // the first 16 bytes of an ActivityId of 16 or more bytes
    // The ActivityId as stored: its value_code kind (blob, text, integer, ...; 0 when the
    // row did not say, as in rows of sqlite3_exec) and its bytes. A text and a 16-byte
    // blob may hold the same bytes: only the kind tells them apart.
    uint32 m_guid_kind = 0;
    std::string m_guid_value;
    std::string m_type;
    std::string m_payload;
    std::string m_text_a;
    std::string m_text_b;
    int64 m_expiry_time = 0;
    int64 m_arrival_time = 0;
    int64 m_number_b = 0;
    std::string m_format;
    int64 m_number_c = 0;
    int64 m_number_d = 0;

    // How the report shows the ActivityId; a row that did not say its kind is taken as a
    // blob, the column's declared type.
    [[nodiscard]] activity_id_form activity_form() const;
    // The ActivityId's text for activity_id_form::text: up to its first zero byte, as any
    // text cell.
    [[nodiscard]] std::string activity_text() const;

private:
    void store_column(uint64 bit, const field_value& value);
};
