#include "app/wns_push_channel_record.h"

#include "app/push_record_fill.h"

namespace col = channel_column;

wns_push_channel_record::wns_push_channel_record() { clear(); }

void wns_push_channel_record::clear() {
    m_text_1.clear();
    m_handler_id = 0;
    m_handler_id_null = false;
    m_text_4.clear();
    m_expiry_time = 0;
    m_time_10 = 0;
    m_number_20 = 0;
}

bool wns_push_channel_record::parse_fields(int32 count, const std::vector<const char*>& values,
                                           const std::vector<uint32>& lengths, bool recovered,
                                           uint64 record_offset, uint64 column_mask,
                                           int32 min_count, uint32 source) {
    return parse_fields_ex(count, values, lengths, {}, recovered, record_offset, column_mask,
                           min_count, source);
}

bool wns_push_channel_record::parse_fields_ex(int32 count, const std::vector<const char*>& values,
                                              const std::vector<uint32>& lengths,
                                              const std::vector<uint32>& codes, bool recovered,
                                              uint64 record_offset, uint64 column_mask,
                                              int32 min_count, uint32 source) {
    return parse_push_row(
        count, values, lengths, codes, column_mask, col::last,
        [&](const std::vector<uint32>& known) {
            return begin_parse(count, values, known, min_count, recovered, record_offset, source);
        },
        [this](uint64 bit, const field_value& value) {
            switch (bit) {
                case col::text_1:
                    m_text_1 = field_text(value);
                    break;
                case col::handler_id:
                    m_handler_id = field_int64(value);
                    m_handler_id_null = field_is_null(value);
                    break;
                case col::text_4:
                    m_text_4 = field_text(value);
                    break;
                case col::expiry_time:
                    m_expiry_time = field_int64(value);
                    break;
                case col::time_10:
                    m_time_10 = field_int64(value);
                    break;
                case col::number_20:
                    m_number_20 = field_int64(value);
                    break;
                default:
                    break;
            }
        });
}
