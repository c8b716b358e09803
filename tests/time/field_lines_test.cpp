#include "time/field_lines.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

TEST(PrintFieldLine, NumbersTextsAndNotes) {
    std::ostringstream out;
    EXPECT_EQ(kq::print_field_line(out, "record size", uint32{300}, 16, 12), 4);
    EXPECT_EQ(kq::print_field_line(out, "rowid", uint64{0x2a}, 0x123456789, 6, nullptr, 0), 8);
    EXPECT_EQ(kq::print_field_line(out, "flags", uint64{5}, 2, 6, "leaf", 2), 2);
    EXPECT_EQ(kq::print_field_line(out, "name", std::string("abc"), 3, 6, "text"), 4);
    EXPECT_EQ(kq::print_byte_field_line(out, "type", uint8{0x0d}, 7, 6, nullptr), 1);
    EXPECT_EQ(out.str(),
              "00000010 : record size : 0000012c\n"
              "123456789 : rowid : 000000000000002a\n"
              "00000002 : flags : 0005 [leaf]\n"
              "00000003 : name  : abc [text]\n"
              "00000007 : type  : 0d\n");
}

TEST(PrintFieldLine, NullLabelWritesNothingAndStreamSettingsSurvive) {
    std::ostringstream out;
    out << std::dec << std::left;
    EXPECT_EQ(kq::print_field_line(out, nullptr, uint32{1}, 0, 4), 0);
    EXPECT_EQ(kq::print_field_line(out, nullptr, std::string("x"), 0, 4), 0);
    EXPECT_EQ(kq::print_byte_field_line(out, nullptr, uint8{1}, 0, 4), 0);
    EXPECT_EQ(kq::print_filetime_field_line(out, nullptr, 1, 0, 4), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(kq::print_field_line(out, "n", uint32{1}, 0, 2), 4);
    out.str("");
    out << 10;
    EXPECT_EQ(out.str(), "10");
}

TEST(PrintFiletimeFieldLine, NoteIsTheMomentOrABlank) {
    std::ostringstream out;
    EXPECT_EQ(kq::print_filetime_field_line(out, "arrival", 132521874959025799, 0x6fed, 8), 8);
    EXPECT_EQ(kq::print_filetime_field_line(out, "none", 0, 0, 8), 8);
    EXPECT_EQ(out.str(),
              "00006fed : arrival : 01d6cff171e6c687 [2020-12-11 19:11:35.902]\n"
              "00000000 : none    : 0000000000000000 [ ]\n");
}

TEST(PrintFieldLine, OutputContextFormsPrintOnlyWhenEnabled) {
    std::ostringstream out;
    output_context off{false, &out};
    output_context no_stream{true, nullptr};
    EXPECT_EQ(kq::print_field_line(off, "a", uint32{1}, 0, 2), 0);
    EXPECT_EQ(kq::print_filetime_field_line(no_stream, "a", 1, 0, 2), 0);
    EXPECT_EQ(kq::print_byte_field_line(off, "a", uint8{1}, 0, 2), 0);
    EXPECT_EQ(out.str(), "");
    output_context on{true, &out};
    EXPECT_EQ(kq::print_field_line(on, "a", uint32{1}, 0, 2), 4);
    EXPECT_EQ(kq::print_byte_field_line(on, "b", uint8{0xff}, 1, 2), 1);
    EXPECT_EQ(kq::print_filetime_field_line(on, "c", 0, 2, 2), 8);
    on.write_line("done");
    kq::print_lines(out, {"x", "", "y"});
    EXPECT_EQ(out.str(),
              "00000000 : a : 00000001\n"
              "00000001 : b : ff\n"
              "00000002 : c : 0000000000000000 [ ]\n"
              "done\nx\n\ny\n");
}

}  // namespace
