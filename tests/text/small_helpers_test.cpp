#include "text/small_helpers.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

namespace {

TEST(ByteArrayHelpers, CopyAndClear) {
    const uint8 source[] = {1, 2, 3};
    byte_array copy = byte_array_from_buffer(source, 3);
    EXPECT_EQ(copy, (byte_array{1, 2, 3}));
    EXPECT_TRUE(byte_array_from_buffer(source, 0).empty());
    EXPECT_TRUE(byte_array_from_buffer(source, -4).empty());
    EXPECT_TRUE(byte_array_from_buffer(nullptr, 3).empty());
    byte_array_clear(copy);
    EXPECT_TRUE(copy.empty());
}

TEST(WstreamBackUp, MovesBackOrToStart) {
    std::wostringstream out;
    out << L"abcdef";
    ASSERT_TRUE(wstream_back_up(out, 2));
    out << L"XY!";
    EXPECT_EQ(out.str(), L"abcdXY!");
    ASSERT_TRUE(wstream_back_up(out, 100));
    out << L"z";
    EXPECT_EQ(out.str(), L"zbcdXY!");
    out.setstate(std::ios::failbit);
    EXPECT_FALSE(wstream_back_up(out, 1));
}

TEST(PointerAndCount, StoresBothAndExtendsTheCount) {
    const int target = 5;
    int count = 0;
    const void* pointer = nullptr;
    EXPECT_EQ(store_pointer_and_count(&target, -1, &count, &pointer), -1);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(pointer, &target);
    EXPECT_EQ(store_pointer_and_count_u(&target, -1, &count, &pointer), 0xFFFFFFFFULL);

    count_pointer_pair pair;
    make_count_pointer_pair(&target, 3, pair);
    EXPECT_EQ(pair.count, 3);
    EXPECT_EQ(pair.pointer, &target);
}

TEST(SmallHelpers, ErrnoAndPlaceholders) {
    errno = ENOENT;
    EXPECT_EQ(last_errno(), ENOENT);
    EXPECT_TRUE(placeholder_true());
    EXPECT_TRUE(placeholder_true_alt());
    EXPECT_FALSE(placeholder_false());
    placeholder_noop();
}

}  // namespace
