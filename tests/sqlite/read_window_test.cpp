#include "sqlite/read_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "io/io_test_support.h"
#include "io/uni_fileio.h"

namespace {

constexpr uint32 file_bytes = 5000;

// One read of a sequence: offset, length and how far it may read ahead.
struct window_read {
    uint64 offset;
    uint32 length;
    uint64 ahead;
};

struct window_case {
    const char* name;
    uint32 span;
    uint64 cut_to;  // the file is cut to this size after it was opened (0: not cut)
    std::vector<window_read> reads;
    bool following = false;  // read through view_following (ahead unused)
};

// clang-format off
const window_case window_cases[] = {
    {"forward_pages", 1024, 0,
     {{0, 512, 5000}, {512, 512, 5000}, {1024, 512, 5000}, {1536, 512, 5000}, {4608, 512, 5000}}},
    {"overlapping_and_backward", 2048, 0,
     {{100, 512, 3000}, {300, 512, 3000}, {200, 512, 3000}, {2900, 512, 3000}, {50, 512, 0}}},
    {"clipped_at_end_and_past_it", 4096, 0,
     {{4800, 512, 6000}, {4999, 512, 0}, {5000, 512, 6000}, {9000, 1, 0}}},
    {"no_read_ahead", 4096, 0, {{0, 512, 0}, {512, 512, 0}, {1000, 0, 0}}},
    {"cut_after_open", 4096, 3000,
     {{0, 512, 5000}, {2600, 512, 5000}, {2900, 512, 5000}, {3100, 512, 5000}}},
    {"following_out_of_order", 1024, 0,
     {{1024, 512, 0}, {1536, 512, 0}, {512, 512, 0}, {2048, 512, 0}, {2560, 512, 0},
      {2048, 512, 0}, {3584, 512, 0}, {4608, 512, 0}, {0, 512, 0}}, true},
    {"following_cut_after_open", 1024, 2600,
     {{0, 512, 0}, {512, 512, 0}, {1024, 512, 0}, {1536, 512, 0}, {2048, 512, 0},
      {2560, 512, 0}, {1024, 512, 0}}, true},
};
// clang-format on

class ReadWindow : public ::testing::TestWithParam<window_case> {};

// Whatever the window does, each chunk is what the file's own read of it alone gives.
TEST_P(ReadWindow, GivesWhatASingleReadGives) {
    const window_case& c = GetParam();
    velk_test::temp_dir dir;
    const std::string path = dir.file("pages");
    std::string bytes(file_bytes, '\0');
    for (uint32 i = 0; i < file_bytes; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    }
    velk_test::write_file(path, bytes);
    uni::fileio file(path, false, false, false);
    uni::fileio single(path, false, false, false);
    ASSERT_TRUE(file.is_open());
    if (c.cut_to != 0) {
        std::filesystem::resize_file(path, c.cut_to);
    }
    read_window window(file, c.span);
    for (const window_read& r : c.reads) {
        byte_array expected(r.length);
        uint32 got = r.length;
        const bool read = single.read_at(expected.data(), &got, r.offset) && got > 0;
        expected.resize(read ? got : 0);
        kq::byte_reader view;
        const bool viewed = c.following ? window.view_following(r.offset, r.length, view)
                                        : window.view(r.offset, r.length, r.ahead, view);
        ASSERT_EQ(viewed, read) << r.offset;
        EXPECT_EQ(byte_array(view.data(), view.data() + view.size()), expected) << r.offset;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadWindow, ::testing::ValuesIn(window_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
