#include "app/notification_handler_record.h"

#include "app/push_record_fill.h"
#include "time/kq_time.h"

namespace col = handler_column;

namespace {

// The handler table keeps its times as text, "yyyy-mm-dd hh:mm:ss".
constexpr const char* stored_date_order = "YMD";
constexpr char stored_date_separator = '-';

// 0 for a text that does not parse.
int64 filetime_from_text(const std::string& text) {
    std::string order = stored_date_order;  // the parser may rewrite its copy
    const kq::time moment(text.c_str(), order, stored_date_separator);
    return moment.filetime;
}

}  // namespace

std::string short_name_from_id(const std::string& id) {
    const std::size_t bang = id.find('!');
    if (bang == std::string::npos) {
        const std::size_t underscore = id.rfind('_');
        return underscore == std::string::npos ? id : id.substr(0, underscore);
    }
    const std::size_t underscore = id.rfind('_', bang);
    if (underscore != std::string::npos) {
        return id.substr(0, underscore);
    }
    return id.substr(bang + 1);
}

notification_handler_record::notification_handler_record() { clear(); }

void notification_handler_record::clear() {
    m_handler_id = 0;
    m_primary_id.clear();
    m_secondary_id.clear();
    m_text_8.clear();
    m_text_10.clear();
    m_number_20 = 0;
    m_data_40.clear();
    m_time_text_80.clear();
    m_time_text_100.clear();
    m_text_200.clear();
    m_text_400.clear();
    m_time_80 = 0;
    m_time_100 = 0;
    m_short_name.clear();
    m_settings_text.clear();
}

bool notification_handler_record::parse_fields(int32 count, const std::vector<const char*>& values,
                                               const std::vector<uint32>& lengths, bool recovered,
                                               uint64 record_offset, uint64 column_mask,
                                               int32 min_count, uint32 source) {
    return parse_fields_ex(count, values, lengths, {}, recovered, record_offset, column_mask,
                           min_count, source);
}

bool notification_handler_record::parse_fields_ex(int32 count,
                                                  const std::vector<const char*>& values,
                                                  const std::vector<uint32>& lengths,
                                                  const std::vector<uint32>& codes, bool recovered,
                                                  uint64 record_offset, uint64 column_mask,
                                                  int32 min_count, uint32 source) {
    return parse_push_row(
        count, values, lengths, codes, column_mask, col::last,
        [&](const std::vector<uint32>& known) {
            return begin_parse(count, values, known, min_count, recovered, record_offset, source);
        },
        [this](uint64 bit, const field_value& value) { store_column(bit, value); });
}

void notification_handler_record::store_column(uint64 bit, const field_value& value) {
    switch (bit) {
        case col::handler_id:
            m_handler_id = field_int64(value);
            break;
        case col::primary_id:
            m_primary_id = field_text(value);
            m_short_name = short_name_from_id(m_primary_id);
            break;
        case col::secondary_id:
            m_secondary_id = field_text(value);
            if (m_short_name.empty()) {
                m_short_name = short_name_from_id(m_secondary_id);
            }
            break;
        case col::text_8:
            m_text_8 = field_text(value);
            break;
        case col::text_10:
            m_text_10 = field_text(value);
            break;
        case col::number_20:
            m_number_20 = field_int64(value);
            break;
        case col::data_40:
            m_data_40 = field_payload(value);
            break;
        case col::time_text_80:
            m_time_text_80 = field_text(value);
            if (!m_time_text_80.empty()) {
                m_time_80 = filetime_from_text(m_time_text_80);
            }
            break;
        case col::time_text_100:
            m_time_text_100 = field_text(value);
            if (!m_time_text_100.empty()) {
                m_time_100 = filetime_from_text(m_time_text_100);
            }
            break;
        case col::text_200:
            m_text_200 = field_text(value);
            break;
        case col::text_400:
            m_text_400 = field_text(value);
            break;
        default:
            break;
    }
}
