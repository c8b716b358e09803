#pragma once
// The notifications a carve put into the options' carved store, unpacked in store order.

#include <vector>

#include "app/notification_record.h"
#include "app/notification_store.h"
#include "app/velk_options.h"

namespace velk_test {

inline std::vector<notification_record> carved_notifications(const velk_options& options) {
    std::vector<notification_record> out;
    carved_notification_store::reader reader(options.m_carved_notifications);
    for (notification_record record; reader.next(record);) {
        out.push_back(record);
    }
    return out;
}

}  // namespace velk_test
