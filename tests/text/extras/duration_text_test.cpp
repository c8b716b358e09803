#include "text/extras/duration_text.h"

#include <gtest/gtest.h>

namespace {

struct duration_case {
    const char* name;
    uint32 seconds;
    const char* expected;
};

class SecondsToText : public ::testing::TestWithParam<duration_case> {};

TEST_P(SecondsToText, WritesUnitsInWords) {
    EXPECT_EQ(seconds_to_text(GetParam().seconds), GetParam().expected);
}

const duration_case duration_cases[] = {
    {"OneSecond", 1, "1 sec"},
    {"TwoMinutes", 120, "2 mins"},
    {"EachUnitOnce", 3661, "1 hour 1 min 1 sec"},
    {"OneDay", 86400, "1 day"},
    {"DayAndRest", 90061, "1 day 1 hour 1 min 1 sec"},
    {"Largest", 0xFFFFFFFE, "49710 days 6 hours 28 mins 14 secs"},
    {"Zero", 0, ""},
    {"Unset", 0xFFFFFFFF, ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, SecondsToText, ::testing::ValuesIn(duration_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
