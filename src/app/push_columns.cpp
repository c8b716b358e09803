#include "app/push_columns.h"

#include <array>

#include "sqlite/table_definition.h"
#include "text/kq_assert.h"
#include "text/text_case.h"

namespace {

constexpr std::array<push_column_role, 14> notification_roles = {{
    {0x1, "Order", "order"},
    {0x2, "Id", "id"},
    {0x4, "HandlerId", "handlerid"},
    {0x8, "ActivityId", "activityid"},
    {0x10, "Type", "type"},
    {0x20, "Payload", "payload"},
    {0x40, "Tag", "tag"},
    {0x80, "Group", "group"},
    {0x100, "ExpiryTime", "expirytime"},
    {0x200, "ArrivalTime", "arrivaltime"},
    {0x400, "DataVersion", "dataversion"},
    {0x800, "PayloadType", "payloadtype"},
    {0x1000, "BootId", "bootid"},
    {0x2000, "ExpiresOnReboot", "expiresonreboot"},
}};

constexpr std::array<push_column_role, 11> handler_roles = {{
    {0x1, "RecordId", "recordid"},
    {0x2, "PrimaryId", "primaryid"},
    // No platform schema has this column; carved handler layouts leave its bit out.
    {0x4, "SecondaryAppId", "secondaryappid"},
    {0x8, "WNSId", "wnsid"},
    {0x10, "HandlerType", "handlertype"},
    {0x20, "WNFEventName", "wnfeventname"},
    {0x40, "SystemDataPropertySet", "systemdatapropertyset"},
    {0x80, "CreatedTime", "createdtime"},
    {0x100, "ModifiedTime", "modifiedtime"},
    {0x200, "ParentId", "parentid"},
    {0x400, "ContainerSid", "containersid"},
}};

constexpr std::array<push_column_role, 6> channel_roles = {{
    {0x1, "ChannelId", "channelid"},
    {0x2, "HandlerId", "handlerid"},
    {0x4, "Uri", "uri"},
    {0x8, "ExpiryTime", "expirytime"},
    {0x10, "CreatedTime", "createdtime"},
    {0x20, "DeviceVersion", "deviceversion"},
}};

constexpr std::array<push_column_role, 3> settings_roles = {{
    {0x1, "HandlerId", "handlerid"},
    {0x2, "SettingKey", "settingkey"},
    {0x4, "Value", "value"},
}};

const std::array<push_table_roles, 4> tables = {{
    {1, "Notification", "notification", notification_roles},
    {2, "NotificationHandler", "notificationhandler", handler_roles},
    {4, "WNSPushChannel", "wnspushchannel", channel_roles},
    {8, "HandlerSettings", "handlersettings", settings_roles},
}};

const push_table_roles& roles_of(uint32 table_type) {
    const push_table_roles* table = push_roles_for(table_type);
    KQ_ASSERT(table != nullptr, "roles_of(uint32)", "push_columns");
    return *table;
}

// Steps 1 and 2 of every mask builder: a definition with columns, named as the table.
bool is_table(const table_definition& def, const push_table_roles& table) {
    if (def.m_columns.empty()) {
        return false;
    }
    std::string name = def.m_name;
    return string_to_lower(name) == table.name_lower;
}

// Step 3: the mask of the recognised columns; with mark, they take their bit and the
// selected flag. Columns matching no role are left as they are.
uint64 match_columns(table_definition& def, const push_table_roles& table, bool mark) {
    uint64 mask = 0;
    for (column_definition& col : def.m_columns) {
        const uint64 bit = push_role_bit(table, col.m_name_lower);
        if (bit == 0) {
            continue;
        }
        if (mark) {
            col.m_selected = 1;
            col.m_column_bit = bit;
        }
        mask |= bit;
    }
    return mask;
}

uint64 mark_and_store(table_definition& def, uint32 table_type) {
    const push_table_roles& table = roles_of(table_type);
    if (!is_table(def, table)) {
        return 0;
    }
    def.m_column_mask = match_columns(def, table, true);
    return def.m_column_mask;
}

}  // namespace

const push_table_roles* push_roles_for(uint32 table_type) {
    for (const push_table_roles& table : tables) {
        if ((table_type & table.table_type) != 0) {
            return &table;
        }
    }
    return nullptr;
}

uint64 push_role_bit(const push_table_roles& table, const std::string& name_lower) {
    for (const push_column_role& role : table.columns) {
        if (name_lower == role.name_lower) {
            return role.bit;
        }
    }
    return 0;
}

uint64 notification_column_mask(table_definition& def) { return mark_and_store(def, 1); }

uint64 handler_column_mask(table_definition& def) { return mark_and_store(def, 2); }

uint64 channel_column_mask(table_definition& def) { return mark_and_store(def, 4); }

uint64 settings_column_mask(table_definition& def) {
    const push_table_roles& table = roles_of(8);
    return is_table(def, table) ? match_columns(def, table, false) : 0;
}

bool build_select_sql(std::ostringstream& out, uint32 table_type, uint64 mask) {
    out.str("");
    out.clear();
    const push_table_roles* table = push_roles_for(table_type);
    if (table == nullptr) {
        return false;
    }
    out << "select";
    bool first = true;
    for (const push_column_role& role : table->columns) {
        if ((mask & role.bit) == 0) {
            continue;
        }
        out << (first ? " " : ",") << '`' << role.name << '`';
        first = false;
    }
    out << " from " << table->name << ';';
    return true;
}
