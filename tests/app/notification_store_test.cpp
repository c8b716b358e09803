// Carved notifications are held packed until the report writes them: every member must come
// back as it went in, whatever its value, and records must come back in the order added.

#include "app/notification_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/notification_record.h"

namespace {

// Every member set away from a new record's value, numbers at their extremes.
notification_record every_member_set(int64 n) {
    notification_record r;
    r.m_reserved_a = -7;
    r.m_reserved_b = 2147483647;
    r.m_recovered = true;
    r.m_record_offset = 0xFFFFFFFFFFFFFFF0ULL + static_cast<uint64>(n % 8);
    r.m_source_word = 0xFFFFFFFFU;
    r.m_record_bytes = {0, 1, 0xFF, static_cast<uint8>(n)};
    r.m_column_mask = 0x3FFF;
    r.m_truncated = true;
    r.m_table_type = 1;
    r.m_rowid = INT64_MIN + n;
    r.m_reserved_bytes.fill(0xA5);
    r.m_reserved_text = "reserved";
    r.m_column_initials = "or-id-ha";
    r.m_schema_signature = "signature " + std::to_string(n % 3);
    r.m_id = -n;
    r.m_id_unknown = true;
    r.m_number_a = INT64_MAX;
    r.m_handler_id = -1;
    r.m_handler_id_null = true;
    r.m_guid.bytes.fill(0x11);
    r.m_guid_kind = 4;
    r.m_guid_value = std::string("\0guid\xFF", 6);
    r.m_type = "toast";
    r.m_payload = std::string(300, 'p') + std::to_string(n);  // a length past one varint byte
    r.m_text_a = "tag";
    r.m_text_b = "group";
    r.m_expiry_time = 133'000'000'000'000'000;
    r.m_arrival_time = -133'000'000'000'000'000;
    r.m_number_b = 1;
    r.m_format = "";
    r.m_number_c = -2;
    r.m_number_d = 3;
    return r;
}

void expect_same(const notification_record& a, const notification_record& b) {
    EXPECT_EQ(a.m_reserved_a, b.m_reserved_a);
    EXPECT_EQ(a.m_reserved_b, b.m_reserved_b);
    EXPECT_EQ(a.m_recovered, b.m_recovered);
    EXPECT_EQ(a.m_record_offset, b.m_record_offset);
    EXPECT_EQ(a.m_source_word, b.m_source_word);
    EXPECT_EQ(a.m_record_bytes, b.m_record_bytes);
    EXPECT_EQ(a.m_column_mask, b.m_column_mask);
    EXPECT_EQ(a.m_truncated, b.m_truncated);
    EXPECT_EQ(a.m_table_type, b.m_table_type);
    EXPECT_EQ(a.m_rowid, b.m_rowid);
    EXPECT_EQ(a.m_reserved_bytes, b.m_reserved_bytes);
    EXPECT_EQ(a.m_reserved_text, b.m_reserved_text);
    EXPECT_EQ(a.m_column_initials, b.m_column_initials);
    EXPECT_EQ(a.m_schema_signature, b.m_schema_signature);
    EXPECT_EQ(a.m_id, b.m_id);
    EXPECT_EQ(a.m_id_unknown, b.m_id_unknown);
    EXPECT_EQ(a.m_number_a, b.m_number_a);
    EXPECT_EQ(a.m_handler_id, b.m_handler_id);
    EXPECT_EQ(a.m_handler_id_null, b.m_handler_id_null);
    EXPECT_EQ(a.m_guid.bytes, b.m_guid.bytes);
    EXPECT_EQ(a.m_guid_kind, b.m_guid_kind);
    EXPECT_EQ(a.m_guid_value, b.m_guid_value);
    EXPECT_EQ(a.m_type, b.m_type);
    EXPECT_EQ(a.m_payload, b.m_payload);
    EXPECT_EQ(a.m_text_a, b.m_text_a);
    EXPECT_EQ(a.m_text_b, b.m_text_b);
    EXPECT_EQ(a.m_expiry_time, b.m_expiry_time);
    EXPECT_EQ(a.m_arrival_time, b.m_arrival_time);
    EXPECT_EQ(a.m_number_b, b.m_number_b);
    EXPECT_EQ(a.m_format, b.m_format);
    EXPECT_EQ(a.m_number_c, b.m_number_c);
    EXPECT_EQ(a.m_number_d, b.m_number_d);
}

TEST(CarvedNotificationStore, GivesEveryRecordBackAsAddedAndInOrder) {
    // Records alternate between every member set and a new record, so that a reader reusing
    // its record must put back the values of a new record too; enough of them to fill
    // several blocks.
    std::vector<notification_record> added;
    for (int64 n = 0; n < 12000; ++n) {
        added.push_back(n % 2 == 0 ? every_member_set(n) : notification_record());
    }
    carved_notification_store store;
    for (const notification_record& r : added) {
        store.add(r);
    }
    ASSERT_EQ(store.size(), added.size());
    carved_notification_store::reader reader(store);
    notification_record read;
    for (const notification_record& r : added) {
        ASSERT_TRUE(reader.next(read));
        expect_same(read, r);
    }
    EXPECT_FALSE(reader.next(read));

    store.clear();
    EXPECT_TRUE(store.empty());
    carved_notification_store::reader none(store);
    EXPECT_FALSE(none.next(read));
}

}  // namespace
