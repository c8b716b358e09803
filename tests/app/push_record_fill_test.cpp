// The fill rule of the push record classes: a row of values, one per bit set in the row's
// mask, in ascending bit order, turned into members. Rows come from the SQLite library
// (terminated texts, no lengths) or from the carver (exact byte lengths, zero bytes inside,
// no terminator): every value here lives in a heap block of exactly its bytes, so a read
// past a value's length shows under the sanitizer build.

#include "app/push_record_fill.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/handler_settings_record.h"
#include "app/notification_handler_record.h"
#include "app/notification_record.h"
#include "app/wns_push_channel_record.h"
#include "sqlite/value_code.h"

namespace {

using namespace std::string_literals;

// The values of one row. Live rows end each text with its terminator and carry no lengths;
// carved rows carry exact lengths and no terminator.
class test_row {
public:
    test_row(const std::vector<std::optional<std::string>>& values, bool carved) {
        for (const auto& value : values) {
            if (!value) {
                m_pointers.push_back(nullptr);
                if (carved) {
                    m_lengths.push_back(0);
                }
                continue;
            }
            std::string bytes = *value;
            if (!carved) {
                bytes.push_back('\0');
            }
            m_blocks.push_back(std::make_unique<char[]>(bytes.size() + (bytes.empty() ? 1 : 0)));
            std::copy(bytes.begin(), bytes.end(), m_blocks.back().get());
            m_pointers.push_back(m_blocks.back().get());
            if (carved) {
                m_lengths.push_back(static_cast<uint32>(value->size()));
            }
        }
    }

    [[nodiscard]] int32 count() const { return static_cast<int32>(m_pointers.size()); }
    [[nodiscard]] const std::vector<const char*>& values() const { return m_pointers; }
    [[nodiscard]] const std::vector<uint32>& lengths() const { return m_lengths; }

private:
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::vector<const char*> m_pointers;
    std::vector<uint32> m_lengths;
};

constexpr uint32 source_sqlite_lib = 1;
constexpr uint32 source_carve_main = 3;

// ---- Notification rows, one table ----------------------------------------------------

struct fill_case {
    const char* name;
    std::vector<std::optional<std::string>> values;
    bool carved;
    std::vector<uint32> column_flags;
    uint64 mask;
    int32 minimum;
    bool accepted;
    // Expected members afterwards.
    int64 id;
    int64 number_a;
    int64 handler_id;
    uint8 guid_first_byte;
    std::string type;
    std::string payload;
    std::string text_a;
    std::string format;
};

const std::string guid_bytes = "\x3f\x25\x04\xe0\x4f\x89\x11\xd3\x9a\x0c\x03\x05\xe8\x2c\x33\x01"s;

const fill_case fill_cases[] = {
    {"KeyAndHandlerId", {"7", "42"}, false, {}, 0x5, 2, true, 7, 0, 42, 0, "", "", "", "xml"},
    {"ValueBeyondTheMaskIgnored",
     {"7", "42", "99"},
     false,
     {},
     0x5,
     3,
     true,
     7,
     0,
     42,
     0,
     "",
     "",
     "",
     "xml"},
    {"FewerValuesThanMaskBits", {"7"}, false, {}, 0x7, 1, true, 7, 0, 0, 0, "", "", "", "xml"},
    {"FewerValuesThanMinimum", {"7"}, false, {}, 0x5, 2, false, 0, 0, 0, 0, "", "", "", "xml"},
    {"NullValueGivesZeroAndEmpty",
     {std::nullopt, std::nullopt},
     false,
     {},
     0x11,
     2,
     true,
     0,
     0,
     0,
     0,
     "",
     "",
     "",
     "xml"},
    {"ShortGuidLeftZeroNextBitStillFilled",
     {guid_bytes.substr(0, 15), "toast"},
     true,
     {},
     0x18,
     2,
     true,
     0,
     0,
     0,
     0,
     "toast",
     "",
     "",
     "xml"},
    {"WholeGuidCopied",
     {guid_bytes, "tile"},
     true,
     {},
     0x18,
     2,
     true,
     0,
     0,
     0,
     0x3f,
     "tile",
     "",
     "",
     "xml"},
    {"LivePayloadOnOneLine",
     {"<toast>\r\n  <text>Hi\tthere</text>"},
     false,
     {},
     0x20,
     1,
     true,
     0,
     0,
     0,
     0,
     "",
     "<toast><text>Hithere</text>",
     "",
     "xml"},
    {"CarvedPayloadCutBeforeOverflowPageNumber",
     {"abc\0def"s},
     true,
     {},
     0x20,
     1,
     true,
     0,
     0,
     0,
     0,
     "",
     "abc [possible overflow page not parsed]",
     "",
     "xml"},
    {"CarvedPayloadWithStrayZeroByte",
     {"abc\0defgh"s},
     true,
     {},
     0x20,
     1,
     true,
     0,
     0,
     0,
     0,
     "",
     "abc [corrupted data detected]",
     "",
     "xml"},
    {"CarvedPayloadOnUnreadOverflowPage",
     {"abcdef", "tag"},
     true,
     {0x10000000, 0x10000000},
     0x60,
     2,
     true,
     0,
     0,
     0,
     0,
     "",
     "abcdef [overflow page]",
     "tag [overflow page]",
     "xml"},
    {"FormatEmptiedByNull", {std::nullopt}, false, {}, 0x800, 1, true, 0, 0, 0, 0, "", "", "", ""},
    // Carved values have no terminator: only their length may be read.
    {"UnterminatedValuesReadToTheirLength",
     {"1234", "toast"},
     true,
     {},
     0x11,
     2,
     true,
     1234,
     0,
     0,
     0,
     "toast",
     "",
     "",
     "xml"},
};

class NotificationFill : public ::testing::TestWithParam<fill_case> {};

TEST_P(NotificationFill, StoresValuesByMaskBit) {
    const fill_case& test = GetParam();
    const test_row row(test.values, test.carved);
    notification_record record;
    const bool accepted =
        record.parse_fields_ex(row.count(), row.values(), row.lengths(), test.column_flags,
                               test.carved, 0x4000, test.mask, test.minimum, source_carve_main);
    EXPECT_EQ(accepted, test.accepted);
    EXPECT_EQ(record.m_id, test.id);
    EXPECT_EQ(record.m_number_a, test.number_a);
    EXPECT_EQ(record.m_handler_id, test.handler_id);
    EXPECT_EQ(record.m_guid.bytes[0], test.guid_first_byte);
    EXPECT_EQ(record.m_type, test.type);
    EXPECT_EQ(record.m_payload, test.payload);
    EXPECT_EQ(record.m_text_a, test.text_a);
    EXPECT_EQ(record.m_format, test.format);
    EXPECT_EQ(record.m_record_offset, accepted ? 0x4000U : 0U);
}

INSTANTIATE_TEST_SUITE_P(Cases, NotificationFill, ::testing::ValuesIn(fill_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- The ActivityId as stored --------------------------------------------------------

struct activity_case {
    const char* name;
    std::optional<std::string> value;
    uint32 kind;  // the value's code; 0 for a row without codes
    activity_id_form form;
    std::string text;  // activity_text() for the text form
};

const std::string guid_text = "3f2504e0-4f89-11d3-9a0c-0305e82c3301";

const activity_case activity_cases[] = {
    {"guid_blob", guid_bytes, value_code::blob, activity_id_form::guid, ""},
    {"zero_blob", std::string(16, '\0'), value_code::blob, activity_id_form::none, ""},
    {"guid_text", guid_text, value_code::text, activity_id_form::text, guid_text},
    // 16 bytes of text are no GUID.
    {"sixteen_letters", "abcdefghijklmnop", value_code::text, activity_id_form::text,
     "abcdefghijklmnop"},
    {"text_ends_at_zero_byte", "ab\0cd"s, value_code::text, activity_id_form::text, "ab"},
    {"integer", "1234", value_code::integer, activity_id_form::text, "1234"},
    {"short_blob", "\x01\x02\x03"s, value_code::blob, activity_id_form::hex, ""},
    {"long_blob", guid_bytes + "\x00\x01"s, value_code::blob, activity_id_form::hex, ""},
    {"empty_blob", "", value_code::blob, activity_id_form::none, ""},
    {"null", std::nullopt, value_code::null, activity_id_form::none, ""},
    // Without codes the value is taken as the column's blob.
    {"no_code_sixteen_bytes", guid_bytes, 0, activity_id_form::guid, ""},
    {"no_code_other_length", "\x01\x02"s, 0, activity_id_form::hex, ""},
};

class ActivityIdFill : public ::testing::TestWithParam<activity_case> {};

TEST_P(ActivityIdFill, ShownByHowItWasStored) {
    const activity_case& c = GetParam();
    const test_row row({"7", c.value}, true);
    const std::vector<uint32> codes =
        c.kind == 0 ? std::vector<uint32>{} : std::vector<uint32>{value_code::integer, c.kind};
    notification_record record;
    ASSERT_TRUE(record.parse_fields_ex(row.count(), row.values(), row.lengths(), codes, true, 0,
                                       0x9, 2, source_carve_main));
    EXPECT_EQ(record.activity_form(), c.form);
    if (c.form == activity_id_form::text) {
        EXPECT_EQ(record.activity_text(), c.text);
    }
    EXPECT_EQ(record.m_guid_value, c.value.value_or(""));
}

INSTANTIATE_TEST_SUITE_P(Cases, ActivityIdFill, ::testing::ValuesIn(activity_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- Base fields ---------------------------------------------------------------------

TEST(PushRecordFill, RefusedRowChangesNothing) {
    notification_record record;
    record.m_source_word = 0x7;
    const test_row row({"1"}, false);
    EXPECT_FALSE(
        record.parse_fields(row.count(), row.values(), {}, true, 0x10, 0x1, 2, source_sqlite_lib));
    EXPECT_FALSE(record.parse_fields(0, {}, {}, true, 0x10, 0x1, 0, source_sqlite_lib));
    // A count beyond the values handed over would read past them.
    EXPECT_FALSE(record.parse_fields(3, row.values(), {}, true, 0x10, 0x7, 0, source_sqlite_lib));
    EXPECT_FALSE(record.m_recovered);
    EXPECT_EQ(record.m_record_offset, 0U);
    EXPECT_EQ(record.m_source_word, 0x7U);
    EXPECT_EQ(record.m_id, 0);
}

// A row of no values (but not a missing row) is accepted and stores only where it came from; the
// source goes above the two flag bits of the source word, which stay.
TEST(PushRecordFill, EmptyRowStoresOnlyTheOrigin) {
    wns_push_channel_record record;
    record.m_source_word = (12U << 2) | 0x2;
    record.m_text_1 = "kept";
    const std::vector<const char*> no_values = {nullptr};
    EXPECT_TRUE(record.parse_fields(0, no_values, {}, true, 0x2200, 0x3F, 0, source_carve_main));
    EXPECT_TRUE(record.m_recovered);
    EXPECT_EQ(record.m_record_offset, 0x2200U);
    EXPECT_EQ(record.m_source_word, (source_carve_main << 2) | 0x2);
    EXPECT_EQ(record.m_text_1, "kept");
}

TEST(PushRecordFill, ChannelTakesEveryColumn) {
    const test_row row({"0123abcd", "6", "https://wns.example/?token=1", "133232596135897932",
                        "133230004135897932", "0"},
                       false);
    wns_push_channel_record record;
    ASSERT_TRUE(
        record.parse_fields(row.count(), row.values(), {}, false, 0, 0x3F, 6, source_sqlite_lib));
    EXPECT_EQ(record.m_text_1, "0123abcd");
    EXPECT_EQ(record.m_handler_id, 6);
    EXPECT_EQ(record.m_text_4, "https://wns.example/?token=1");
    EXPECT_EQ(record.m_expiry_time, 133232596135897932);
    EXPECT_EQ(record.m_time_10, 133230004135897932);
    EXPECT_EQ(record.m_number_20, 0);
}

// Settings rows are only read live: the carved-row fill is the base's, which refuses; mask
// bits above the settings columns take no value.
TEST(PushRecordFill, SettingsFillPlainRowsOnly) {
    const test_row row({"9", "s:toast", "1"}, false);
    handler_settings_record record;
    EXPECT_FALSE(record.parse_fields_ex(row.count(), row.values(), {}, {}, false, 0, 0x7, 3,
                                        source_sqlite_lib));
    EXPECT_EQ(record.m_handler_id, 0);
    ASSERT_TRUE(
        record.parse_fields(row.count(), row.values(), {}, false, 0, 0x7, 3, source_sqlite_lib));
    EXPECT_EQ(record.m_handler_id, 9);
    EXPECT_EQ(record.m_name, "s:toast");
    EXPECT_EQ(record.m_value, 1);

    handler_settings_record high;
    const test_row two({"4", "ignored"}, false);
    EXPECT_TRUE(high.parse_fields(two.count(), two.values(), {}, false, 0, 0x1 | 0x8, 2,
                                  source_sqlite_lib));
    EXPECT_EQ(high.m_handler_id, 4);
    EXPECT_EQ(high.m_name, "");
}

TEST(PushRecordFill, ClearedNotificationFormatIsXml) {
    notification_record record;
    record.m_format = "Xml";
    record.m_type = "toast";
    record.clear();
    EXPECT_EQ(record.m_format, "xml");
    EXPECT_EQ(record.m_type, "");
}

// ---- Records in their lists ----------------------------------------------------------

// The record lists grow by moving their records: a class that could only be copied would
// copy every payload again at each growth.
static_assert(std::is_nothrow_move_constructible_v<notification_record>);
static_assert(std::is_nothrow_move_constructible_v<notification_handler_record>);
static_assert(std::is_nothrow_move_constructible_v<wns_push_channel_record>);
static_assert(std::is_nothrow_move_constructible_v<handler_settings_record>);

// Every field of a notification record, its base's included, for one comparison.
auto all_fields(const notification_record& r) {
    return std::tie(r.m_recovered, r.m_record_offset, r.m_source_word, r.m_record_bytes,
                    r.m_column_mask, r.m_table_type, r.m_rowid, r.m_column_initials,
                    r.m_schema_signature, r.m_id, r.m_number_a, r.m_handler_id, r.m_guid.bytes,
                    r.m_type, r.m_payload, r.m_text_a, r.m_text_b, r.m_expiry_time,
                    r.m_arrival_time, r.m_number_b, r.m_format, r.m_number_c, r.m_number_d);
}

TEST(PushRecordFill, GrowingListsKeepEveryField) {
    const test_row row({"7", "21", "10", "0123456789abcdef", "toast", std::string(5000, 'p'), "tag",
                        "group", "133232596135897932", "133230004135897932", "3", "Xml", "5", "1"},
                       true);
    notification_record filled;
    ASSERT_TRUE(filled.parse_fields_ex(row.count(), row.values(), row.lengths(), {}, true, 0x4000,
                                       0x3FFF, 14, source_carve_main));
    filled.m_record_bytes = {1, 2, 3};
    filled.m_column_mask = 0x3FFF;
    filled.m_table_type = 1;
    filled.m_rowid = -9;
    filled.m_column_initials = "or-id";
    filled.m_schema_signature = "sig";
    std::vector<notification_record> list;
    for (int i = 0; i < 100; ++i) {  // many growths, each moving what is there
        list.push_back(filled);
    }
    for (const notification_record& kept : list) {
        EXPECT_EQ(all_fields(kept), all_fields(filled));
    }
    const notification_record moved = std::move(list.front());
    EXPECT_EQ(all_fields(moved), all_fields(filled));

    const test_row handler_row({"10", "Sample.Mail_x1y2!Main", "", "wns", "app", "0", "data",
                                "2023-03-14 08:02:15", "2023-03-14 08:06:40", "", ""},
                               false);
    notification_handler_record handler;
    ASSERT_TRUE(handler.parse_fields(handler_row.count(), handler_row.values(), {}, false, 0, 0x7FF,
                                     11, source_sqlite_lib));
    handler.m_settings_text = "\"s\":\"1\"";
    std::vector<notification_handler_record> handlers(3, handler);
    handlers.push_back(std::move(handler));
    const notification_handler_record& last = handlers.back();
    EXPECT_EQ(last.m_primary_id, handlers.front().m_primary_id);
    EXPECT_EQ(last.m_short_name, "Sample.Mail");
    EXPECT_EQ(last.m_time_80, handlers.front().m_time_80);
    EXPECT_NE(last.m_time_100, 0);
    EXPECT_EQ(last.m_settings_text, "\"s\":\"1\"");
}

}  // namespace
