#include "app/handler_settings_record.h"

#include "app/push_record_fill.h"

namespace col = settings_column;

handler_settings_record::handler_settings_record() { clear(); }

void handler_settings_record::clear() {
    m_handler_id = 0;
    m_handler_id_null = false;
    m_name.clear();
    m_value = 0;
}

bool handler_settings_record::parse_fields(int32 count, const std::vector<const char*>& values,
                                           const std::vector<uint32>& lengths, bool recovered,
                                           uint64 record_offset, uint64 column_mask,
                                           int32 min_count, uint32 source) {
    // Settings rows are never carved: no value codes.
    return parse_push_row(
        count, values, lengths, {}, column_mask, col::last,
        [&](const std::vector<uint32>& known) {
            return begin_parse(count, values, known, min_count, recovered, record_offset, source);
        },
        [this](uint64 bit, const field_value& value) {
            switch (bit) {
                case col::handler_id:
                    m_handler_id = field_int64(value);
                    m_handler_id_null = field_is_null(value);
                    break;
                case col::name:
                    m_name = field_text(value);
                    break;
                case col::value:
                    m_value = field_int64(value);
                    break;
                default:
                    break;
            }
        });
}
