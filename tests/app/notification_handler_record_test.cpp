// The handler's derived members: the short application name the report shows in place of
// the package id, and the times parsed from the table's date-time texts.

#include "app/notification_handler_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct short_name_case {
    const char* name;
    const char* id;
    const char* short_name;
};

const short_name_case short_name_cases[] = {
    {"PackageFamilyWithApp", "Sample.Mail_x1y2!Main", "Sample.Mail"},
    {"AppWithoutPublisher", "Sample.Mail!Main", "Main"},
    {"UnderscoreWithoutApp", "Shell_Tray", "Shell"},
    {"PlainName", "Calendar", "Calendar"},
    {"ControlPanel",
     "windows.immersivecontrolpanel_cw5n1h2txyewy!microsoft.windows.immersivecontrolpanel",
     "windows.immersivecontrolpanel"},
    {"LastUnderscoreBeforeBang", "A_b_c!D_e", "A_b"},
    {"UnderscoreOnlyAfterBang", "Tool!Main_Entry", "Main_Entry"},
    {"EndsWithBang", "Contoso.Tool!", ""},
    {"Empty", "", ""},
};

class ShortName : public ::testing::TestWithParam<short_name_case> {};

TEST_P(ShortName, FromId) { EXPECT_EQ(short_name_from_id(GetParam().id), GetParam().short_name); }

INSTANTIATE_TEST_SUITE_P(Cases, ShortName, ::testing::ValuesIn(short_name_cases),
                         [](const auto& p) { return std::string(p.param.name); });

constexpr uint32 source_sqlite_lib = 1;

struct handler_case {
    const char* name;
    std::vector<const char*> values;
    uint64 mask;
    const char* short_name;
    int64 time_80;
    int64 time_100;
};

const handler_case handler_cases[] = {
    // The secondary id decides only while the primary id gave no short name.
    {"PrimaryDecides", {"Sample.Mail_x1y2!Main", "Other_Name"}, 0x6, "Sample.Mail", 0, 0},
    {"SecondaryWhenPrimaryGivesNone",
     {"Contoso.Tool!", "Contoso.Tool_8wekyb3d8bbwe"},
     0x6,
     "Contoso.Tool",
     0,
     0},
    {"SecondaryWithoutPrimary", {"Shell_Tray"}, 0x4, "Shell", 0, 0},
    {"TimeTexts",
     {"2020-12-11 19:09:13", "2023-03-15 07:55:31"},
     0x180,
     "",
     132521873530000000,
     133233405310000000},
    {"EmptyTimeTextLeavesZero", {"", nullptr}, 0x180, "", 0, 0},
};

class HandlerFill : public ::testing::TestWithParam<handler_case> {};

TEST_P(HandlerFill, DerivesNameAndTimes) {
    const handler_case& test = GetParam();
    notification_handler_record record;
    const auto count = static_cast<int32>(test.values.size());
    ASSERT_TRUE(
        record.parse_fields(count, test.values, {}, false, 0, test.mask, count, source_sqlite_lib));
    EXPECT_EQ(record.m_short_name, test.short_name);
    EXPECT_EQ(record.m_time_80, test.time_80);
    EXPECT_EQ(record.m_time_100, test.time_100);
}

INSTANTIATE_TEST_SUITE_P(Cases, HandlerFill, ::testing::ValuesIn(handler_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(HandlerFill, TakesEveryColumnInBitOrder) {
    const std::vector<const char*> values = {
        "9",      "Sample.Mail_x1y2!Main", "NonImmersivePackage", "app:immersive", "ten",     "42",
        "a\r\nb", "2020-12-11 19:09:13",   "2020-12-11 19:09:14", "parent",        "S-1-15-2"};
    notification_handler_record record;
    ASSERT_TRUE(record.parse_fields(11, values, {}, false, 0, 0x7FF, 11, source_sqlite_lib));
    EXPECT_EQ(record.m_handler_id, 9);
    EXPECT_EQ(record.m_primary_id, "Sample.Mail_x1y2!Main");
    EXPECT_EQ(record.m_secondary_id, "NonImmersivePackage");
    EXPECT_EQ(record.m_text_8, "app:immersive");
    EXPECT_EQ(record.m_text_10, "ten");
    EXPECT_EQ(record.m_number_20, 42);
    EXPECT_EQ(record.m_data_40, "ab");
    EXPECT_EQ(record.m_time_text_80, "2020-12-11 19:09:13");
    EXPECT_EQ(record.m_time_100, 132521873540000000);
    EXPECT_EQ(record.m_text_200, "parent");
    EXPECT_EQ(record.m_text_400, "S-1-15-2");
    EXPECT_EQ(record.m_short_name, "Sample.Mail");
}

}  // namespace
