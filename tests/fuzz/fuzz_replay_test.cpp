// Replays the committed corpus of every fuzz target, so that every test run (also without
// clang and libFuzzer) checks the inputs that once mattered, under the sanitizer build too.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_target.h"

namespace {

TEST(FuzzReplay, EveryTargetReplaysItsCorpus) {
    ASSERT_FALSE(velk_fuzz::targets().empty());
    for (const velk_fuzz::target& t : velk_fuzz::targets()) {
        const std::filesystem::path dir =
            std::filesystem::path(VELK_SOURCE_DIR) / "tests" / "fuzz" / "corpus" / t.name;
        ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
        int replayed = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const byte_array input{std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>()};
            EXPECT_EQ(t.entry(input.data(), input.size()), 0) << entry.path();
            ++replayed;
        }
        EXPECT_GT(replayed, 0) << t.name << " has no corpus";
    }
}

}  // namespace
