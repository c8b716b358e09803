#include "app/notification_record.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/push_record_fill.h"
#include "sqlite/value_code.h"

namespace col = notification_column;

namespace {

// A real as the SQLite library writes it as text: 15 significant digits, and a ".0" where
// nothing shows it is a real (3.0, 1.0e+20). A carved real comes at the carver's precision;
// written again this way it reads as the library gives the same value of a live row.
std::string library_real_text(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(value)) {
        return text;
    }
    constexpr int library_digits = 15;
    std::array<char, 32> buffer{};
    const int n = std::snprintf(buffer.data(), buffer.size(), "%.*g", library_digits, value);
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) {
        return text;
    }
    std::string out(buffer.data(), static_cast<std::size_t>(n));
    const std::size_t exponent = out.find('e');
    if (out.find('.') == std::string::npos) {
        out.insert(exponent == std::string::npos ? out.size() : exponent, ".0");
    }
    return out;
}

}  // namespace

notification_record::notification_record() { clear(); }

void notification_record::clear() {
    m_id = 0;
    m_id_unknown = false;
    m_number_a = 0;
    m_handler_id = 0;
    m_handler_id_null = false;
    m_guid.clear();
    m_guid_kind = 0;
    m_guid_value.clear();
    m_type.clear();
    m_payload.clear();
    m_text_a.clear();
    m_text_b.clear();
    m_expiry_time = 0;
    m_arrival_time = 0;
    m_number_b = 0;
    m_format = "xml";
    m_number_c = 0;
    m_number_d = 0;
}

bool notification_record::parse_fields(int32 count, const std::vector<const char*>& values,
                                       const std::vector<uint32>& lengths, bool recovered,
                                       uint64 record_offset, uint64 column_mask, int32 min_count,
                                       uint32 source) {
    return parse_fields_ex(count, values, lengths, {}, recovered, record_offset, column_mask,
                           min_count, source);
}

bool notification_record::parse_fields_ex(int32 count, const std::vector<const char*>& values,
                                          const std::vector<uint32>& lengths,
                                          const std::vector<uint32>& codes, bool recovered,
                                          uint64 record_offset, uint64 column_mask, int32 min_count,
                                          uint32 source) {
    return parse_push_row(
        count, values, lengths, codes, column_mask, col::last,
        [&](const std::vector<uint32>& known) {
            return begin_parse(count, values, known, min_count, recovered, record_offset, source);
        },
        [this](uint64 bit, const field_value& value) { store_column(bit, value); });
}

void notification_record::store_column(uint64 bit, const field_value& value) {
    switch (bit) {
        case col::id:
            m_id = field_int64(value);
            break;
        case col::number_a:
            m_number_a = field_int64(value);
            break;
        case col::handler_id:
            m_handler_id = field_int64(value);
            m_handler_id_null = field_is_null(value);
            break;
        case col::guid:
            field_guid(m_guid, value);
            m_guid_kind = value.kind;
            m_guid_value = field_bytes(value);
            if (value.kind == value_code::real) {
                m_guid_value = library_real_text(m_guid_value);
            }
            break;
        case col::type:
            m_type = field_text(value);
            break;
        case col::payload:
            m_payload = field_payload(value);
            break;
        case col::text_a:
            m_text_a = field_text_marked(value);
            break;
        case col::text_b:
            m_text_b = field_text_marked(value);
            break;
        case col::expiry_time:
            m_expiry_time = field_int64(value);
            break;
        case col::arrival_time:
            m_arrival_time = field_int64(value);
            break;
        case col::number_b:
            m_number_b = field_int64(value);
            break;
        case col::format:
            m_format = field_text(value);
            break;
        case col::number_c:
            m_number_c = field_int64(value);
            break;
        case col::number_d:
            m_number_d = field_int64(value);
            break;
        default:
            break;
    }
}

activity_id_form notification_record::activity_form() const {
    switch (m_guid_kind) {
        case value_code::null:
            return activity_id_form::none;
        case 0:
        case value_code::blob:
            break;
        default:
            return activity_text().empty() ? activity_id_form::none : activity_id_form::text;
    }
    if (m_guid_value.size() != m_guid.bytes.size()) {
        return m_guid_value.empty() ? activity_id_form::none : activity_id_form::hex;
    }
    const bool all_zero =
        std::all_of(m_guid_value.begin(), m_guid_value.end(), [](char b) { return b == 0; });
    return all_zero ? activity_id_form::none : activity_id_form::guid;
}

std::string notification_record::activity_text() const {
    return m_guid_value.substr(0, m_guid_value.find('\0'));
}
