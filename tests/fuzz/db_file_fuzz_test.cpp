// Replays the committed corpus of the database-file fuzz target on every test run, so that
// each input that once crashed the reader stays fixed (and the target itself keeps building).

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fuzz/fuzz_target.h"
#include "sqlite/page_builder.h"

VELK_FUZZ_TARGET(velk_fuzz_db_file);

namespace {

TEST(DbFileFuzzCorpus, EveryInputRuns) {
    const std::filesystem::path corpus =
        std::filesystem::path(VELK_SOURCE_DIR) / "tests" / "fuzz" / "corpus" / "db_file";
    std::size_t inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const byte_array input = test_pages::read_file(entry.path().string());
        EXPECT_EQ(velk_fuzz_db_file(input.data(), input.size()), 0) << entry.path();
        ++inputs;
    }
    EXPECT_GE(inputs, 4u) << "the corpus is missing";
    EXPECT_EQ(velk_fuzz_db_file(nullptr, 0), 0);
}

}  // namespace
