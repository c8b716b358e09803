// Carved hits become the recovered rows of a report: each must land in its table's list
// with the carved rowid as its key, indexed by handler id, and a hit the record refuses
// must neither leave a half-filled record nor stop the hits after it.

#include "app/carved_push_records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/carved_notifications.h"
#include "app/push_layouts.h"
#include "app/push_table_type.h"
#include "app/velk_options.h"
#include "sqlite/carved_record.h"
#include "text/guid16.h"

namespace {

const std::string guid_bytes("\x2a\x4b\x1f\x9c\x3e\x7d\x88\x4e\xb6\x00\x51\xc2\xd9\xe8\xf3\x70",
                             16);

carved_record hit(int32 table_type, uint64 mask, int64 rowid, std::vector<std::string> values) {
    carved_record h;
    h.table_type = table_type;
    h.column_mask = mask;
    h.column_count = static_cast<uint8>(values.size());
    h.rowid = rowid;
    h.file_offset = 0x4000 + static_cast<uint64>(rowid);
    h.source_word = record_source::with_source(0, record_source::carve_wal);
    h.values = std::move(values);
    return h;
}

// Ten columns (layout 0x3ff); the key is stored as NULL, as in every carved row.
carved_record notification_hit(int64 rowid, const std::string& handler) {
    return hit(push_table_notification, 0x3ff, rowid,
               {"", "22", handler, guid_bytes, "toast", "<toast>Lunch?</toast>", "chat", "Inbox",
                "132521875559025799", "132521874959025799"});
}

carved_record handler_hit(int64 rowid, const std::string& primary) {
    return hit(push_table_handler, 0x7fb, rowid,
               {"", primary, "NonImmersivePackage", "app:desktop", "0", "", "2023-03-14 08:02:11",
                "2023-03-15 07:55:31", "", ""});
}

carved_record channel_hit(const std::string& handler) {
    return hit(push_table_channel, 0x3f, 0,
               {"5f0c8d2e4b7a41c3a9e6d1b08f27c364", handler, "https://db5p.notify.windows.com/w/",
                "133235188320000000", "133232596320000000", "0"});
}

uint32 source_of(const sqlite_metadata& record) {
    return record_source::of_word(record.m_source_word);
}

TEST(AddCarvedRecords, NoHitsGivesZero) {
    velk_options options;
    std::vector<carved_record> hits;
    EXPECT_EQ(add_carved_records(hits, options), 0);
}

TEST(AddCarvedRecords, NotificationTakesTheRowidAsKeyAndMarksItsHandlerUsed) {
    velk_options options;
    // The schema's layout: the hit's own layout wins and the definition follows it.
    ASSERT_TRUE(build_notification_definition(options.m_notification_def, 0x3fff, false));
    std::vector<carved_record> hits = {notification_hit(9, "68")};
    EXPECT_EQ(add_carved_records(hits, options), 1);
    const auto notes = velk_test::carved_notifications(options);
    ASSERT_EQ(notes.size(), 1U);
    const notification_record& n = notes[0];
    EXPECT_EQ(n.m_id, 9);
    EXPECT_EQ(n.m_number_a, 22);
    EXPECT_EQ(n.m_handler_id, 68);
    EXPECT_EQ(guid_to_string(n.m_guid), "9c1f4b2a-7d3e-4e88-b600-51c2d9e8f370");
    EXPECT_EQ(n.m_type, "toast");
    EXPECT_EQ(n.m_arrival_time, 132521874959025799);
    EXPECT_TRUE(n.m_recovered);
    EXPECT_EQ(n.m_record_offset, 0x4009U);
    EXPECT_EQ(source_of(n), record_source::carve_wal);
    EXPECT_EQ(n.m_rowid, 9);
    EXPECT_EQ(n.m_table_type, push_table_notification);
    EXPECT_EQ(n.m_column_mask, 0x3ffU);
    EXPECT_EQ(options.m_used_handler_ids, std::unordered_set<int64>{68});
    EXPECT_EQ(options.m_notification_def.m_column_mask, 0x3ffU);
    EXPECT_EQ(options.m_notification_def.m_columns.size(), 10U);
}

TEST(AddCarvedRecords, HitWithoutMaskTakesTheDefinitionsLayout) {
    velk_options options;
    ASSERT_TRUE(build_notification_definition(options.m_notification_def, 0x3ff, false));
    std::vector<carved_record> hits = {notification_hit(4, "7")};
    hits[0].column_mask = 0;
    EXPECT_EQ(add_carved_records(hits, options), 1);
    EXPECT_EQ(hits[0].column_mask, 0x3ffU);
    const auto notes = velk_test::carved_notifications(options);
    ASSERT_EQ(notes.size(), 1U);
    EXPECT_EQ(notes[0].m_handler_id, 7);
}

TEST(AddCarvedRecords, HandlersOfOneIdAreAllKeptAndTheFirstIsIndexed) {
    velk_options options;
    std::vector<carved_record> hits = {handler_hit(5, "Contoso.Mail_8wekyb3d8bbwe!App"),
                                       handler_hit(5, "Contoso.Mail.Old_8wekyb3d8bbwe!App")};
    EXPECT_EQ(add_carved_records(hits, options), 1);
    ASSERT_EQ(options.m_handlers.size(), 2U);
    EXPECT_EQ(options.m_handlers[0].m_handler_id, 5);
    EXPECT_EQ(options.m_handlers[1].m_handler_id, 5);
    EXPECT_EQ(options.m_handlers[0].m_short_name, "Contoso.Mail");
    EXPECT_EQ(options.m_handlers[0].m_text_8, "NonImmersivePackage");  // bit 0x8, no 0x4
    EXPECT_EQ(options.m_handler_index.size(), 1U);
    EXPECT_EQ(options.m_handler_index.at(5), 0);
    EXPECT_EQ(options.m_handler_def.m_column_count, 10U);
    EXPECT_EQ(options.m_short_name_width, velk_options::min_short_name_width);
}

TEST(AddCarvedRecords, RefusedHitLeavesNothingAndLaterHitsStillCount) {
    velk_options options;
    std::vector<carved_record> hits = {handler_hit(3, "Shell_Tray"), channel_hit("7"),
                                       hit(push_table_settings, 0x7, 1, {"1", "s:toast", "1"}),
                                       hit(16, 0x3, 1, {"a", "b"}), channel_hit("9")};
    hits[0].column_mask = 0x1fb;  // no carved layout
    EXPECT_EQ(add_carved_records(hits, options), 1);
    EXPECT_TRUE(options.m_handlers.empty());
    EXPECT_TRUE(options.m_handler_index.empty());
    EXPECT_TRUE(options.m_handler_def.m_columns.empty());
    EXPECT_TRUE(options.m_settings.empty());
    ASSERT_EQ(options.m_channels.size(), 2U);
    EXPECT_EQ(options.m_channel_index.count(7), 1U);
    EXPECT_EQ(options.m_channel_index.count(9), 1U);
    EXPECT_EQ(options.m_channels[0].m_text_4, "https://db5p.notify.windows.com/w/");
    EXPECT_EQ(options.m_channel_def.m_column_mask, 0x3fU);
}

TEST(AddCarvedRecords, VerifySignsTheRebuiltDefinition) {
    velk_options options;
    options.m_verify = true;
    std::vector<carved_record> hits = {channel_hit("7")};
    EXPECT_EQ(add_carved_records(hits, options), 1);
    EXPECT_EQ(options.m_channel_def.m_schema_signature.size(), 36U);
    EXPECT_EQ(options.m_channel_def.m_columns[1].m_name_lower, "handlerid");
    ASSERT_EQ(options.m_channels.size(), 1U);
    EXPECT_EQ(options.m_channels[0].m_schema_signature, options.m_channel_def.m_schema_signature);
}

}  // namespace

namespace {

// A record of a table with a column added after the known ones holds one value more than its
// carved layout has columns; it is read with the layout whatever hit came before it, and the
// rowid of a hit whose first bytes were lost stays unknown.
TEST(AddCarvedRecords, AddedColumnsAfterAnotherLayoutAndLostRowids) {
    velk_options options;
    carved_record added = notification_hit(12, "7");
    added.values.insert(added.values.end(), {"20", "Xml", "133000000000000000", "0", "3"});
    added.column_mask = 0x3fff;
    added.column_count = 15;
    carved_record lost = notification_hit(0, "9");
    lost.lost_types = 1;
    std::vector<carved_record> hits = {notification_hit(4, "6"), added, lost};
    EXPECT_EQ(add_carved_records(hits, options), 1);
    const auto notes = velk_test::carved_notifications(options);
    ASSERT_EQ(notes.size(), 3U);
    const notification_record& n = notes[1];
    EXPECT_EQ(n.m_id, 12);
    EXPECT_EQ(n.m_handler_id, 7);
    EXPECT_EQ(n.m_number_b, 20);
    EXPECT_EQ(n.m_format, "Xml");
    EXPECT_EQ(n.m_number_d, 0);
    EXPECT_FALSE(n.m_id_unknown);
    EXPECT_TRUE(notes[2].m_id_unknown);
    EXPECT_FALSE(notes[0].m_id_unknown);
}

// A cell of a live page read whole shows its payload as the library does, up to its first
// zero byte; the same bytes anywhere else keep the damage marker.
TEST(AddCarvedRecords, LiveCellPayloadIsCutAtItsZeroByteWithoutMarker) {
    const std::string payload("<toast>HEAD\0TAIL</toast>", 24);
    const struct {
        const char* name;
        uint32 flags;
        std::string expected;
    } cases[] = {{"live_cell", record_source::live_cell_flag, "<toast>HEAD"},
                 {"carved", 0, "<toast>HEAD [corrupted data detected]"}};
    for (const auto& c : cases) {
        velk_options options;
        carved_record h = notification_hit(3, "9");
        h.values[5] = payload;
        h.source_word = record_source::with_source(c.flags, record_source::wal_valid_page);
        std::vector<carved_record> hits = {h};
        EXPECT_EQ(add_carved_records(hits, options), 1) << c.name;
        const auto notes = velk_test::carved_notifications(options);
        ASSERT_EQ(notes.size(), 1U) << c.name;
        EXPECT_EQ(notes[0].m_payload, c.expected) << c.name;
        EXPECT_EQ(source_of(notes[0]), record_source::wal_valid_page) << c.name;
    }
}

}  // namespace
