#include "app/push_record_index.h"

#include <limits>

#include "app/velk_options.h"
#include "text/kq_assert.h"

namespace {

// Indexes hold int32 positions; a list can never grow that long from one database, so a
// larger position is our own fault.
int32 as_index(std::size_t position) {
    KQ_ASSERT(position <= static_cast<std::size_t>(std::numeric_limits<int32>::max()),
              "as_index(std::size_t)", "push_record_index");
    return static_cast<int32>(position);
}

}  // namespace

void index_notification(velk_options& options, std::size_t position) {
    const notification_record& notification = options.m_notifications.at(position);
    if (!notification.m_handler_id_null) {
        options.m_used_handler_ids.insert(notification.m_handler_id);
    }
}

void index_handler(velk_options& options, std::size_t position, bool widen_short_name) {
    const notification_handler_record& handler = options.m_handlers.at(position);
    (void)options.m_handler_index.emplace(handler.m_handler_id, as_index(position));
    if (!widen_short_name || options.m_no_whitespace) {
        return;
    }
    const std::size_t width = handler.m_short_name.size();
    if (width > static_cast<std::size_t>(options.m_short_name_width) &&
        width <= static_cast<std::size_t>(std::numeric_limits<int32>::max()) &&
        options.m_used_handler_ids.count(handler.m_handler_id) != 0) {
        options.m_short_name_width = static_cast<int32>(width);
    }
}

void index_channel(velk_options& options, std::size_t position) {
    const wns_push_channel_record& channel = options.m_channels.at(position);
    if (!channel.m_handler_id_null) {
        (void)options.m_channel_index.emplace(channel.m_handler_id, as_index(position));
    }
}

void index_settings(velk_options& options, std::size_t position) {
    const handler_settings_record& setting = options.m_settings.at(position);
    if (!setting.m_handler_id_null) {
        (void)options.m_settings_index.emplace(setting.m_handler_id, as_index(position));
    }
}
