#include "text/extras/name_list_printers.h"

#include <gtest/gtest.h>

#include <string>

#include "text/name_list.h"

namespace {

std::string name_of(int value) { return "n" + std::to_string(value); }

TEST(PrintNames, WritesAllNamesWhenNoneIsZero) {
    const int pipe = static_cast<int>(name_list_flags::sep_pipe);
    std::stringstream stream;
    stream << "stale";
    EXPECT_EQ(print_names2(stream, pipe, name_of, 1, 2).str(), "n1|n2");
    EXPECT_EQ(print_names3(stream, pipe, name_of, 1, 2, 3).str(), "n1|n2|n3");
    EXPECT_EQ(print_names4(stream, pipe, name_of, 1, 2, 3, 4).str(), "n1|n2|n3|n4");
    EXPECT_EQ(print_names5(stream, pipe, name_of, 1, 2, 3, 4, 5).str(), "n1|n2|n3|n4|n5");
    EXPECT_EQ(print_names6(stream, pipe, name_of, 1, 2, 3, 4, 5, 6).str(), "n1|n2|n3|n4|n5|n6");
    EXPECT_EQ(print_names7(stream, pipe, name_of, 1, 2, 3, 4, 5, 6, 7).str(),
              "n1|n2|n3|n4|n5|n6|n7");
}

TEST(PrintNames, AZeroValueLeavesTheStreamEmpty) {
    std::stringstream stream;
    stream << "stale";
    EXPECT_EQ(print_names3(stream, 0, name_of, 1, 0, 2).str(), "");
    stream << "stale";
    EXPECT_EQ(print_names7(stream, 0, name_of, 1, 2, 3, 4, 5, 6, 0).str(), "");
    // The stream is emptied also when the caller asks print_name_list to keep it.
    stream << "stale";
    const int keep = static_cast<int>(name_list_flags::keep_stream);
    EXPECT_EQ(print_names2(stream, keep, name_of, 0, 1).str(), "");
}

// A count left in the flags' low bits must not be taken over: 5 or 15 names read from a
// list of 2 or 7 would run past it (the sanitizer build sees the read).
TEST(PrintNames, CountBitsInTheFlagsAreReplaced) {
    const int pipe = static_cast<int>(name_list_flags::sep_pipe);
    std::stringstream stream;
    EXPECT_EQ(print_names2(stream, 0x5, name_of, 1, 2).str(), "n1n2");
    EXPECT_EQ(print_names2(stream, pipe | 0xF, name_of, 1, 2).str(), "n1|n2");
    EXPECT_EQ(print_names7(stream, pipe | 0x9, name_of, 1, 2, 3, 4, 5, 6, 7).str(),
              "n1|n2|n3|n4|n5|n6|n7");
}

}  // namespace
