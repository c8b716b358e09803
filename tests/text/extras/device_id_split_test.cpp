#include "text/extras/device_id_split.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct device_case {
    const char* name;
    std::string text;
    std::string separator_in;
    bool found;
    std::string item;
    std::string base;
    std::string separator_out;
};

const device_case device_cases[] = {
    // The second character is "&": the item is its own base.
    {"UsbHashForm", "USB#VID_1&PID_2#6&2a1b&0&1", "", true, "6&2a1b&0&1", "6&2a1b&0&1", "#"},
    {"ShortSuffixDropped", "USB#VID_1&PID_2#ABCD1234&0", "", true, "ABCD1234&0", "ABCD1234", "#"},
    {"RevComponent", "STOR#Disk&Ven_X&Rev_1#SER1&0#{guid}", "/", true, "SER1&0", "SER1", "#"},
    {"ShortItemKept", "USB#PID_2#ab&0", "", true, "ab&0", "ab&0", "#"},
    {"SlashLastPart", "a/b/c", "", true, "c", "c", "/"},
    {"TrailingSeparator", "a/b/c/", "", true, "c", "c", "/"},
    {"Backslash", "a\\bc", "", true, "bc", "bc", "\\"},
    {"CallersSeparator", "x|y/z|qq", "|", true, "qq", "qq", "|"},
    {"CallersSeparatorAbsent", "a/b", "|", false, "", "", "|"},
    {"NoSeparator", "abc", "", false, "", "", ""},
    {"Empty", "", "", false, "", "", ""},
    {"HashOnly", "#", "", false, "", "", "#"},
    {"SlashOnly", "/", "", false, "", "", "/"},
    {"TwoSlashes", "//", "", false, "", "", "/"},
    {"HashComponentLast", "USB#PID_1#", "", false, "", "", "#"},
    {"HashNoNextSeparator", "USB#PID_1", "", false, "", "", "#"},
};

class SplitDeviceId : public ::testing::TestWithParam<device_case> {};

TEST_P(SplitDeviceId, CutsTheInstancePart) {
    const device_case& c = GetParam();
    std::string item = "stale";
    std::string base = "stale";
    std::string separator = c.separator_in;
    EXPECT_EQ(split_device_id(item, base, separator, c.text), c.found);
    EXPECT_EQ(item, c.item);
    EXPECT_EQ(base, c.base);
    EXPECT_EQ(separator, c.separator_out);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitDeviceId, ::testing::ValuesIn(device_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
