// Recovering removed notifications as an examiner does: the built tool run on the recovery
// fixtures with "-incl_slack", "-carve" and "-parse_chunk".

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/velk_process.h"

namespace {

using velk_test::read_file;
using velk_test::run_velk;
using velk_test::temp_dir;
using velk_test::velk_result;

const std::string recovery_dir = std::string(VELK_TEST_DATA_DIR) + "/recovery";

std::string random_bytes(std::size_t n) {
    std::mt19937 gen(777);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string out(n, '\0');
    for (char& c : out) {
        c = static_cast<char>(byte(gen));
    }
    return out;
}

// ---- Page chunks: status and messages -------------------------------------------------

struct chunk_run_case {
    const char* name;
    std::string content;  // the chunk file's bytes
    std::vector<std::string> extra_args;
    int status;
    bool signatures_message;  // "problem finding proper signatures to parse" on stderr
    bool stderr_empty;
};

const chunk_run_case chunk_run_cases[] = {
    {"RandomBytes", random_bytes(12288), {}, 255, true, false},
    {"RandomBytesQuiet", random_bytes(12288), {"-quiet"}, 255, true, false},
    // Nothing could be read: no message at all, and a failed run.
    {"EmptyFileQuiet", "", {"-quiet"}, 255, false, true},
};

class RecoveryChunkRun : public ::testing::TestWithParam<chunk_run_case> {};

TEST_P(RecoveryChunkRun, EndsWithItsStatusAndMessages) {
    const chunk_run_case& c = GetParam();
    const temp_dir dir;
    velk_test::write_file(dir.file("chunk.bin"), c.content);
    std::vector<std::string> args = {"-parse_chunk", "-db", "chunk.bin", "-diags", "d.txt"};
    args.insert(args.end(), c.extra_args.begin(), c.extra_args.end());
    const velk_result result = run_velk(args, dir.path());
    EXPECT_EQ(result.status, c.status);
    const bool has_message =
        result.err.find("problem finding proper signatures to parse\n") != std::string::npos;
    EXPECT_EQ(has_message, c.signatures_message) << result.err;
    if (c.stderr_empty) {
        EXPECT_EQ(result.err, "");
    }
    EXPECT_NE(read_file(dir.file("d.txt")).find("problem parsing chunk"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cases, RecoveryChunkRun, ::testing::ValuesIn(chunk_run_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(RecoveryChunkRun, DatabasesAndLogsReadAsChunksSucceed) {
    for (const char* name : {"deleted.db", "wal1024.db-wal", "wal.db-wal"}) {
        const temp_dir dir;
        const velk_result result =
            run_velk({"-parse_chunk", "-db", recovery_dir + "/" + name, "-quiet"}, dir.path());
        EXPECT_EQ(result.status, 0) << name;
        EXPECT_EQ(result.err.find("problem"), std::string::npos) << name << result.err;
    }
}

}  // namespace
