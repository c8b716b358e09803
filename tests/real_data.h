#pragma once
// The shared real-data folder (VELK_REAL_DATA_DIR) is not part of the repository. On a
// developer's machine without it the tests that read it skip with a message; when the
// environment variable CI is set its absence fails them instead, so that a CI run never
// passes without having read the real files.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace velk_test {

inline bool real_data_required() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && *ci != '\0';
}

}  // namespace velk_test

// Ends the calling test (or void helper) when path is missing: skipped, or failed under CI.
#define VELK_NEED_REAL_DATA(path)                                                       \
    do {                                                                                \
        const std::string velk_real_path_(path);                                        \
        if (!std::filesystem::exists(velk_real_path_)) {                                \
            if (velk_test::real_data_required()) {                                      \
                FAIL() << "real data missing while CI is set: " << velk_real_path_;     \
            }                                                                           \
            GTEST_SKIP() << "real data absent: " << velk_real_path_;                    \
        }                                                                               \
    } while (0)
