#include "app/report_text.h"

#include <iomanip>
#include <sstream>

#include "app/handler_settings_record.h"
#include "app/notification_handler_record.h"
#include "sqlite/carved_record.h"

namespace {

// Offsets of recovered rows are shown with at least this many hex digits, so that a list
// of them lines up.
constexpr int offset_hex_digits = 8;

}  // namespace

std::string& handler_settings_text(notification_handler_record& handler,
                                   const std::vector<handler_settings_record>& settings,
                                   const std::multimap<int64, int32>& settings_index) {
    if (!handler.m_settings_text.empty() || settings.empty() || settings_index.empty()) {
        return handler.m_settings_text;
    }
    std::ostringstream text;
    text << std::dec;
    const auto [first, last] = settings_index.equal_range(handler.m_handler_id);
    for (auto it = first; it != last; ++it) {
        // The index holds positions; one that the list does not reach ends the summary.
        if (it->second < 0 || static_cast<std::size_t>(it->second) >= settings.size()) {
            break;
        }
        const handler_settings_record& setting = settings[static_cast<std::size_t>(it->second)];
        if (setting.m_value != 0) {
            text << '"' << setting.m_name << "\":\"" << setting.m_value << "\"; ";
        }
    }
    std::string summary = text.str();
    if (!summary.empty()) {
        summary.resize(summary.size() - 2);  // the last "; "
        handler.m_settings_text = summary;
    }
    return handler.m_settings_text;
}

std::string recovered_source_text(uint32 source, uint64 offset, bool hex, bool braces) {
    return recovered_source_text(source, offset, offset != 0, hex, braces);
}

std::string recovered_source_text(uint32 source, uint64 offset, bool offset_known, bool hex,
                                  bool braces) {
    std::ostringstream text;
    if (braces) {
        text << '{';
    }
    text << "\"source\":\"" << record_source_name(source) << '"';
    if (offset_known) {
        text << "; \"offset\":\"";
        if (hex) {
            text << "0x" << std::hex << std::setfill('0') << std::setw(offset_hex_digits) << offset
                 << std::dec;
        } else {
            text << offset;
        }
        text << '"';
    }
    if (braces) {
        text << '}';
    }
    return text.str();
}
