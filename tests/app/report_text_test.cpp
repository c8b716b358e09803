#include "app/report_text.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/handler_settings_record.h"
#include "app/notification_handler_record.h"

namespace {

struct source_case {
    const char* name;
    uint32 source;
    uint64 offset;
    bool hex;
    bool braces;
    const char* expected;
};

const source_case source_cases[] = {
    {"HexWithBraces", 2, 0x2c5a, true, true,
     R"({"source":"main db slack"; "offset":"0x00002c5a"})"},
    {"OffsetZero", 2, 0, true, true, R"({"source":"main db slack"})"},
    {"Decimal", 11, 11354, false, false, R"("source":"carve journal"; "offset":"11354")"},
    {"WideHex", 9, 0x123456789aULL, true, false,
     R"("source":"wal file valid page"; "offset":"0x123456789a")"},
    {"UnknownSource", 5, 0, false, true, R"({"source":""})"},
};

class RecoveredSourceText : public ::testing::TestWithParam<source_case> {};

TEST_P(RecoveredSourceText, Text) {
    const source_case& c = GetParam();
    EXPECT_EQ(recovered_source_text(c.source, c.offset, c.hex, c.braces), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, RecoveredSourceText, ::testing::ValuesIn(source_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// A record at a raw chunk's first byte has offset 0 as its place: written, not left out.
TEST(RecoveredSourceText, KnownOffsetZeroIsWritten) {
    EXPECT_EQ(recovered_source_text(4, 0, true, true, true),
              R"({"source":"carve blob"; "offset":"0x00000000"})");
    EXPECT_EQ(recovered_source_text(4, 0, false, true, true), R"({"source":"carve blob"})");
}

handler_settings_record setting(int64 handler_id, const char* name, int64 value) {
    handler_settings_record record;
    record.m_handler_id = handler_id;
    record.m_name = std::string(name);  // not = name: GCC 12 -Wrestrict false alarm
    record.m_value = value;
    return record;
}

TEST(HandlerSettingsText, NonZeroValuesOfTheHandlerOnce) {
    std::vector<handler_settings_record> settings{setting(7, "s:tile", 0), setting(8, "s:other", 3),
                                                  setting(7, "s:banner", 2),
                                                  setting(7, "s:toast", 5)};
    std::multimap<int64, int32> index{{7, 0}, {8, 1}, {7, 2}, {7, 3}};
    notification_handler_record handler;
    handler.m_handler_id = 7;
    EXPECT_EQ(handler_settings_text(handler, settings, index), R"("s:banner":"2"; "s:toast":"5")");
    // Kept in the handler: a later change of the list does not show.
    settings[0].m_value = 9;
    EXPECT_EQ(handler_settings_text(handler, settings, index), R"("s:banner":"2"; "s:toast":"5")");
}

TEST(HandlerSettingsText, PositionOutsideTheListEndsTheSummary) {
    std::vector<handler_settings_record> settings{setting(7, "a", 1), setting(7, "b", 1)};
    std::multimap<int64, int32> index{{7, 0}, {7, 5}, {7, 1}};
    notification_handler_record handler;
    handler.m_handler_id = 7;
    EXPECT_EQ(handler_settings_text(handler, settings, index), R"("a":"1")");

    notification_handler_record negative;
    negative.m_handler_id = 3;
    const std::multimap<int64, int32> bad{{3, -1}};
    EXPECT_EQ(handler_settings_text(negative, settings, bad), "");
    EXPECT_EQ(handler_settings_text(negative, {}, index), "");
}

}  // namespace
