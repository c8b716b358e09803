// Carved records are parsed against these synthetic definitions: a layout accepted wrongly
// maps values onto the wrong members, one refused wrongly drops recovered rows.

#include "app/push_layouts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sqlite/table_definition.h"

namespace {

using builder_fn = bool (*)(table_definition&, uint64, bool);

struct layout_case {
    const char* name;
    builder_fn build;
    uint64 mask;
    bool accepted;
    std::vector<uint64> bits;
};

const layout_case layout_cases[] = {
    {"Notification3ff",
     build_notification_definition,
     0x3ff,
     true,
     {0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100, 0x200}},
    {"Notification7ff",
     build_notification_definition,
     0x7ff,
     true,
     {0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100, 0x200, 0x400}},
    {"Notificationfff",
     build_notification_definition,
     0xfff,
     true,
     {0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100, 0x200, 0x400, 0x800}},
    {"Notification3fff",
     build_notification_definition,
     0x3fff,
     true,
     {0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100, 0x200, 0x400, 0x800, 0x1000, 0x2000}},
    {"Handler1ff",
     build_handler_definition,
     0x1ff,
     true,
     {0x1, 0x2, 0x4, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100}},
    {"Handler3fb",
     build_handler_definition,
     0x3fb,
     true,
     {0x1, 0x2, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100, 0x200}},
    {"Handler7fb",
     build_handler_definition,
     0x7fb,
     true,
     {0x1, 0x2, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100, 0x200, 0x400}},
    {"Channel1f", build_channel_definition, 0x1f, true, {0x1, 0x2, 0x4, 0x8, 0x10}},
    {"Channel3f", build_channel_definition, 0x3f, true, {0x1, 0x2, 0x4, 0x8, 0x10, 0x20}},
    {"Handler1fb", build_handler_definition, 0x1fb, false, {}},
    {"Handler7ff", build_handler_definition, 0x7ff, false, {}},
    {"NotificationAsHandler", build_handler_definition, 0x3fff, false, {}},
    {"Notification1fff", build_notification_definition, 0x1fff, false, {}},
    {"ChannelZero", build_channel_definition, 0, false, {}},
    {"ChannelAllBits", build_channel_definition, ~uint64{0}, false, {}},
};

class SyntheticDefinition : public ::testing::TestWithParam<layout_case> {};

TEST_P(SyntheticDefinition, AcceptsExactlyTheCarvedLayouts) {
    const layout_case& c = GetParam();
    table_definition def;
    ASSERT_TRUE(def.load_create_sql("CREATE TABLE left_over (a TEXT, b INTEGER)", false));
    def.m_column_count = 2;
    EXPECT_EQ(c.build(def, c.mask, false), c.accepted);
    EXPECT_EQ(def.m_column_mask, c.accepted ? c.mask : 0U);
    EXPECT_TRUE(def.m_name.empty());
    EXPECT_EQ(def.m_column_count, 0U);
    EXPECT_TRUE(def.m_schema_signature.empty());
    ASSERT_EQ(def.m_columns.size(), c.bits.size());
    for (std::size_t i = 0; i < c.bits.size(); ++i) {
        EXPECT_EQ(def.m_columns[i].m_column_bit, c.bits[i]) << i;
        EXPECT_EQ(def.m_columns[i].m_selected, 1);
        EXPECT_TRUE(def.m_columns[i].m_name_lower.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SyntheticDefinition, ::testing::ValuesIn(layout_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(SyntheticDefinition, VerifyNamesTheColumnsAndSignsTheLayout) {
    table_definition def;
    ASSERT_TRUE(build_handler_definition(def, 0x3fb, true));
    ASSERT_EQ(def.m_columns.size(), 9U);
    EXPECT_EQ(def.m_columns[0].m_name_lower, "recordid");
    EXPECT_EQ(def.m_columns[2].m_name_lower, "wnsid");
    EXPECT_EQ(def.m_columns[8].m_name_lower, "parentid");
    EXPECT_EQ(def.m_schema_signature.size(), 36U);
    // The signature is the one the CREATE TABLE parser gives a table of the same columns,
    // so a carved layout and a schema of that layout compare equal.
    table_definition parsed;
    ASSERT_TRUE(parsed.load_create_sql(
        "CREATE TABLE x (RecordId INTEGER, PrimaryId TEXT, WNSId TEXT, HandlerType TEXT, "
        "WNFEventName INT64, SystemDataPropertySet BLOB, CreatedTime DATETIME, ModifiedTime "
        "DATETIME, ParentId TEXT)",
        false));
    EXPECT_EQ(def.m_schema_signature, parsed.m_schema_signature);
    table_definition other;
    ASSERT_TRUE(build_handler_definition(other, 0x1ff, true));
    EXPECT_NE(other.m_schema_signature, def.m_schema_signature);
}

TEST(CarvedLayout, OnlyTheThreeCarvedTables) {
    EXPECT_TRUE(is_carved_layout(1, 0x7ff));
    EXPECT_TRUE(is_carved_layout(4, 0x1f));
    EXPECT_FALSE(is_carved_layout(8, 0x7));
    EXPECT_FALSE(is_carved_layout(3, 0x3ff));
}

}  // namespace

namespace {

const char* const platform_notification =
    "CREATE TABLE [Notification]( [Order] INTEGER NOT NULL PRIMARY KEY, [Id] INTEGER NOT NULL, "
    "[HandlerId] INTEGER, [ActivityId] GUID,[Type] TEXT NOT NULL, [Payload] BLOB, [Tag] TEXT, "
    "[Group] TEXT, [ExpiryTime] INT64, [ArrivalTime] INT64, [DataVersion] INT64 DEFAULT '0', "
    "[PayloadType] TEXT NOT NULL, [BootId] INT64 DEFAULT '0', [ExpiresOnReboot] BOOLEAN "
    "DEFAULT 'FALSE'";

struct schema_case {
    const char* name;
    std::string sql;  // empty: no table read
    notification_layout_fit fit;
    uint64 known_mask;
    std::vector<std::string> added_patterns;
};

const schema_case schema_cases[] = {
    {"NoTable", "", notification_layout_fit::no_schema, 0, {}},
    {"Platform",
     std::string(platform_notification) + ", UNIQUE([Id]) ON CONFLICT REPLACE)",
     notification_layout_fit::carved,
     0x3fff,
     {}},
    {"AddedByAlterTable",
     std::string(platform_notification) +
         ", [Priority] INTEGER, [Note] TEXT NOT NULL, UNIQUE([Id]) ON CONFLICT REPLACE)",
     notification_layout_fit::added_columns,
     0x3fff,
     {"-+0123456789", "-+123456789"}},
    {"TenKnownThenAdded",
     "CREATE TABLE notification ([order] integer primary key, id int, handlerid int, activityid "
     "blob, type text, payload blob, tag text, [group] text, expirytime int, arrivaltime int, "
     "extra)",
     notification_layout_fit::added_columns,
     0x3ff,
     {"-+0123456789"}},
    {"AddedBetweenKnown",
     "CREATE TABLE notification ([order] integer primary key, id int, note text, handlerid int, "
     "activityid blob, type text, payload blob, tag text, [group] text, expirytime int, "
     "arrivaltime int)",
     notification_layout_fit::unknown,
     0,
     {}},
    {"ThirteenKnown",
     "CREATE TABLE notification ([order] integer primary key, id int, handlerid int, activityid "
     "blob, type text, payload blob, tag text, [group] text, expirytime int, arrivaltime int, "
     "dataversion int, payloadtype text, bootid int)",
     notification_layout_fit::unknown,
     0,
     {}},
};

class NotificationSchemaLayout : public ::testing::TestWithParam<schema_case> {};

TEST_P(NotificationSchemaLayout, KnownColumnsThenAddedOnes) {
    const schema_case& c = GetParam();
    table_definition def;
    if (!c.sql.empty()) {
        ASSERT_TRUE(def.load_create_sql(c.sql, true));
    }
    const notification_schema_layout layout = notification_layout_of(def);
    EXPECT_EQ(layout.fit, c.fit);
    EXPECT_EQ(layout.known_mask, c.known_mask);
    ASSERT_EQ(layout.added, c.added_patterns.size());
    for (std::size_t i = 0; i < layout.added; ++i) {
        EXPECT_EQ(std::string(layout.added_patterns[i]), c.added_patterns[i]);
    }
    // The finder cannot follow it: said, unless no schema was to be read.
    const bool unknown = c.fit == notification_layout_fit::unknown;
    EXPECT_EQ(notification_layout_unknown(def, true) != nullptr, unknown);
    EXPECT_EQ(notification_layout_unknown(def, false) != nullptr,
              unknown || c.fit == notification_layout_fit::no_schema);
}

INSTANTIATE_TEST_SUITE_P(Cases, NotificationSchemaLayout, ::testing::ValuesIn(schema_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
