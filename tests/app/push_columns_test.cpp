// The mask builders and SELECT statements decide which stored value lands in which record
// member: a wrong bit or a wrong column order silently swaps fields in a report.

#include "app/push_columns.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "sqlite/table_definition.h"

namespace {

// The platform's own CREATE TABLE texts.
const char* const notification_sql =
    "CREATE TABLE [Notification]( [Order] INTEGER NOT NULL PRIMARY KEY, [Id] INTEGER NOT "
    "NULL, [HandlerId] INTEGER CONSTRAINT[NotificationToHandler] "
    "REFERENCES[NotificationHandler]([RecordId]) ON DELETE CASCADE ON UPDATE CASCADE, "
    "[ActivityId] GUID,[Type] TEXT NOT NULL, [Payload] BLOB, [Tag] TEXT, [Group] TEXT, "
    "[ExpiryTime] INT64, [ArrivalTime] INT64, [DataVersion] INT64 DEFAULT '0', [PayloadType] "
    "TEXT NOT NULL, [BootId] INT64 DEFAULT '0', [ExpiresOnReboot] BOOLEAN DEFAULT 'FALSE', "
    "UNIQUE([Id]) ON CONFLICT REPLACE)";
const char* const handler_sql =
    "CREATE TABLE [NotificationHandler] ( [RecordId] INTEGER PRIMARY KEY, [PrimaryId] TEXT NOT "
    "NULL COLLATE NOCASE, [WNSId] TEXT COLLATE NOCASE, [HandlerType] TEXT, [WNFEventName] "
    "INT64, [SystemDataPropertySet] BLOB, [CreatedTime] DATETIME, [ModifiedTime] DATETIME, "
    "[ParentId] TEXT COLLATE NOCASE, [ContainerSid] TEXT COLLATE NOCASE)";
const char* const channel_sql =
    "CREATE TABLE [WNSPushChannel]( [ChannelId] TEXT NOT NULL, [HandlerId] INTEGER "
    "REFERENCES[NotificationHandler]([RecordId]) ON DELETE CASCADE ON UPDATE CASCADE, [Uri] "
    "TEXT, [ExpiryTime] INT64, [CreatedTime] INT64, [DeviceVersion] INT64 DEFAULT '0', "
    "CONSTRAINT[] PRIMARY KEY([ChannelId]) ON CONFLICT REPLACE)";
const char* const settings_sql =
    "CREATE TABLE [HandlerSettings]( [HandlerId] INTEGER CONSTRAINT[SettingsToHandler] "
    "REFERENCES[NotificationHandler]([RecordId]) ON DELETE CASCADE ON UPDATE CASCADE, "
    "[SettingKey] TEXT NOT NULL, [Value] INT, CONSTRAINT[] PRIMARY KEY([SettingKey], "
    "[HandlerId]) ON CONFLICT REPLACE)";

table_definition parsed(const std::string& sql) {
    table_definition def;
    EXPECT_TRUE(def.load_create_sql(sql, true)) << sql;
    return def;
}

std::string upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

TEST(PushColumnMask, PlatformSchemaGivesEveryKnownBit) {
    table_definition notification = parsed(notification_sql);
    table_definition handler = parsed(handler_sql);
    table_definition channel = parsed(channel_sql);
    EXPECT_EQ(notification_column_mask(notification), 0x3fffU);
    EXPECT_EQ(notification.m_column_mask, 0x3fffU);
    // The platform has no column for handler bit 0x4.
    EXPECT_EQ(handler_column_mask(handler), 0x7fbU);
    EXPECT_EQ(handler.m_column_mask, 0x7fbU);
    EXPECT_EQ(channel_column_mask(channel), 0x3fU);
    // Each column takes its role's bit in definition order.
    ASSERT_EQ(notification.m_columns.size(), 14U);
    for (std::size_t i = 0; i < notification.m_columns.size(); ++i) {
        EXPECT_EQ(notification.m_columns[i].m_column_bit, uint64{1} << i) << i;
        EXPECT_EQ(notification.m_columns[i].m_selected, 1);
    }
    EXPECT_EQ(handler.m_columns[2].m_column_bit, 0x8U);  // WNSId
}

TEST(PushColumnMask, UpperCaseNamesStillMatch) {
    table_definition def = parsed(upper(notification_sql));
    ASSERT_EQ(def.m_name, "NOTIFICATION");
    EXPECT_EQ(notification_column_mask(def), 0x3fffU);
    table_definition handler = parsed(upper(handler_sql));
    EXPECT_EQ(handler_column_mask(handler), 0x7fbU);
}

TEST(PushColumnMask, UnknownColumnKeepsNoBit) {
    table_definition def =
        parsed("CREATE TABLE Notification ([Order] INTEGER, [SourceNote] TEXT, [Type] TEXT)");
    EXPECT_EQ(notification_column_mask(def), 0x11U);
    EXPECT_EQ(def.m_columns[1].m_selected, 0);
    EXPECT_EQ(def.m_columns[1].m_column_bit, 0U);
    EXPECT_EQ(def.m_columns[2].m_column_bit, 0x10U);
}

TEST(PushColumnMask, AnotherTablesDefinitionGivesZeroAndIsLeftAlone) {
    table_definition handler = parsed(handler_sql);
    handler.m_column_mask = 0x55;
    EXPECT_EQ(notification_column_mask(handler), 0U);
    EXPECT_EQ(handler.m_column_mask, 0x55U);
    for (const column_definition& col : handler.m_columns) {
        EXPECT_EQ(col.m_selected, 0);
    }
    table_definition empty;
    EXPECT_EQ(channel_column_mask(empty), 0U);
}

TEST(PushColumnMask, NoKnownColumnStoresZero) {
    table_definition def = parsed("CREATE TABLE [Notification]( [Serial] INTEGER, [Body] TEXT)");
    def.m_column_mask = 0x7;
    EXPECT_EQ(notification_column_mask(def), 0U);
    EXPECT_EQ(def.m_column_mask, 0U);
}

TEST(PushColumnMask, SettingsBuilderNeitherMarksNorStores) {
    table_definition def = parsed(settings_sql);
    EXPECT_EQ(settings_column_mask(def), 0x7U);
    EXPECT_EQ(def.m_column_mask, 0U);
    for (const column_definition& col : def.m_columns) {
        EXPECT_EQ(col.m_selected, 0);
        EXPECT_EQ(col.m_column_bit, 0U);
    }
    table_definition notification = parsed(notification_sql);
    EXPECT_EQ(settings_column_mask(notification), 0U);
}

struct select_case {
    const char* name;
    uint32 table_type;
    uint64 mask;
    bool built;
    const char* sql;
};

const select_case select_cases[] = {
    {"NotificationAll", 1, 0x3fff, true,
     "select `Order`,`Id`,`HandlerId`,`ActivityId`,`Type`,`Payload`,`Tag`,`Group`,`ExpiryTime`,"
     "`ArrivalTime`,`DataVersion`,`PayloadType`,`BootId`,`ExpiresOnReboot` from Notification;"},
    {"TypeThreeIsNotification", 3, 0x5, true, "select `Order`,`HandlerId` from Notification;"},
    {"HandlerPlatform", 2, 0x7fb, true,
     "select `RecordId`,`PrimaryId`,`WNSId`,`HandlerType`,`WNFEventName`,"
     "`SystemDataPropertySet`,`CreatedTime`,`ModifiedTime`,`ParentId`,`ContainerSid` from "
     "NotificationHandler;"},
    {"Channel", 4, 0x3f, true,
     "select `ChannelId`,`HandlerId`,`Uri`,`ExpiryTime`,`CreatedTime`,`DeviceVersion` from "
     "WNSPushChannel;"},
    {"Settings", 8, 0x7, true, "select `HandlerId`,`SettingKey`,`Value` from HandlerSettings;"},
    {"MaskWithoutKnownBits", 4, 0x4000, true, "select from WNSPushChannel;"},
    {"MaskZero", 1, 0, true, "select from Notification;"},
    {"TypeSixteen", 16, 0x3fff, false, ""},
    {"TypeZero", 0, 0x3fff, false, ""},
};

class BuildSelectSql : public ::testing::TestWithParam<select_case> {};

TEST_P(BuildSelectSql, WritesMaskedColumnsInBitOrder) {
    const select_case& c = GetParam();
    std::ostringstream out;
    out << "left over";
    EXPECT_EQ(build_select_sql(out, c.table_type, c.mask), c.built);
    EXPECT_EQ(out.str(), c.sql);
}

INSTANTIATE_TEST_SUITE_P(Cases, BuildSelectSql, ::testing::ValuesIn(select_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(PushColumnRoles, SharedNamesAreTheSameText) {
    const push_table_roles* notification = push_roles_for(1);
    const push_table_roles* handler = push_roles_for(2);
    const push_table_roles* channel = push_roles_for(4);
    const push_table_roles* settings = push_roles_for(8);
    ASSERT_TRUE(notification && handler && channel && settings);
    EXPECT_EQ(push_role_bit(*notification, "handlerid"), 0x4U);
    EXPECT_EQ(push_role_bit(*channel, "handlerid"), 0x2U);
    EXPECT_EQ(push_role_bit(*settings, "handlerid"), 0x1U);
    EXPECT_EQ(push_role_bit(*notification, "expirytime"), 0x100U);
    EXPECT_EQ(push_role_bit(*channel, "expirytime"), 0x8U);
    EXPECT_EQ(push_role_bit(*handler, "createdtime"), 0x80U);
    EXPECT_EQ(push_role_bit(*channel, "createdtime"), 0x10U);
    EXPECT_EQ(push_role_bit(*handler, "handlerid"), 0U);
}

}  // namespace
