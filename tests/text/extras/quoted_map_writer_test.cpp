#include "text/extras/quoted_map_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using text_map = std::map<std::string, std::string>;

TEST(WriteQuotedMap, PairsInKeyOrder) {
    std::ostringstream out;
    write_quoted_map(out, {{"b", "2"}, {"a", "1"}}, ',');
    EXPECT_EQ(out.str(), "\"a\":\"1\", \"b\":\"2\"");
    std::ostringstream empty;
    write_quoted_map(empty, {}, ',');
    EXPECT_EQ(empty.str(), "");
}

struct zone_case {
    const char* name;
    text_map map;
    bool name_zones;
    const char* written;
};

const zone_case zone_cases[] = {
    {"internet",
     {{"HostUrl", "u"}, {"ZoneId", "3"}},
     true,
     "zone_info={\"HostUrl\":\"u\";\"ZoneId\":\"3 [internet]\"}"},
    {"labels_off",
     {{"HostUrl", "u"}, {"ZoneId", "3"}},
     false,
     "zone_info={\"HostUrl\":\"u\";\"ZoneId\":\"3\"}"},
    {"zone_7_no_label", {{"ZoneId", "7"}}, true, "zone_info={\"ZoneId\":\"7\"}"},
    {"zone_0", {{"ZoneId", "0"}}, true, "zone_info={\"ZoneId\":\"0 [local machine]\"}"},
    {"zone_4", {{"ZoneId", "4"}}, true, "zone_info={\"ZoneId\":\"4 [untrusted]\"}"},
    {"not_a_number_is_zone_0",
     {{"ZoneId", "abc"}},
     true,
     "zone_info={\"ZoneId\":\"abc [local machine]\"}"},
    {"key_beginning_with_zoneid",
     {{"ZoneIdX", "1"}},
     true,
     "zone_info={\"ZoneIdX\":\"1 [intranet]\"}"},
    {"key_case_matters", {{"zoneid", "2"}}, true, "zone_info={\"zoneid\":\"2\"}"},
    {"empty", {}, true, ""},
};

class WriteZoneInfo : public ::testing::TestWithParam<zone_case> {};

TEST_P(WriteZoneInfo, LabelsTheZone) {
    std::ostringstream out;
    write_zone_info(out, GetParam().map, GetParam().name_zones);
    EXPECT_EQ(out.str(), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteZoneInfo, ::testing::ValuesIn(zone_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
