#pragma once
// Helpers for the output-writer tests: options as the common parser leaves them, and the
// lines and fields of what a writer wrote.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"

namespace output_test {

// The options the common parser makes of args (the program name is put in front).
inline cmd_params parsed_options(std::vector<std::string> args) {
    cmd_params options(0, false);
    args.insert(args.begin(), "velk");
    EXPECT_TRUE(options.parse_common_options(args));
    return options;
}

inline std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

inline std::size_t field_count(const std::string& line, char separator) {
    std::size_t count = 1;
    for (const char c : line) {
        count += c == separator ? 1 : 0;
    }
    return count;
}

}  // namespace output_test
