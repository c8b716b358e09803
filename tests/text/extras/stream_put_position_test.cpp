#include "text/extras/stream_put_position.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cmdline/cmd_params.h"

namespace {

TEST(OstreamBackUp, LaterOutputOverwritesFromTheNewPosition) {
    std::ostringstream stream;
    stream << "abcdef";
    EXPECT_TRUE(ostream_back_up(stream, 2));
    stream << "XY";
    EXPECT_EQ(stream.str(), "abcdXY");
    EXPECT_TRUE(ostream_back_up(stream, 100));  // more than written: back to the start
    stream << "Z";
    EXPECT_EQ(stream.str(), "ZbcdXY");
}

TEST(OstreamBackUp, FailedStreamIsRefused) {
    std::ostringstream stream;
    stream << "abc";
    stream.setstate(std::ios::failbit);
    EXPECT_FALSE(ostream_back_up(stream, 1));
    EXPECT_EQ(ostream_position(stream), 0U);
}

TEST(WostreamBackUp, RebuildCutsTheTail) {
    std::wostringstream stream;
    stream << L"abcdef";
    EXPECT_TRUE(wostream_back_up(stream, 2, true));
    EXPECT_EQ(stream.str(), L"abcd");
    stream << L"Z";
    EXPECT_EQ(stream.str(), L"abcdZ");

    std::wostringstream kept;
    kept << L"abcdef";
    EXPECT_TRUE(wostream_back_up(kept, 2, false));
    EXPECT_EQ(kept.str(), L"abcdef");
}

TEST(OstreamPosition, TellsThePutPosition) {
    std::ostringstream stream;
    EXPECT_EQ(ostream_position(stream), 0U);
    stream << "abcdef";
    EXPECT_EQ(ostream_position(stream), 6U);
}

TEST(MessageOrSharedStream, OwnStreamOrAnEmptiedSharedOne) {
    const cmd_params with_stream(0, true);
    with_stream.message_or_shared_stream() << "kept";
    EXPECT_EQ(with_stream.message_or_shared_stream().str(), "kept");

    const cmd_params without_stream(0, false);
    std::ostringstream& shared = without_stream.message_or_shared_stream();
    shared << "old";
    EXPECT_EQ(&without_stream.message_or_shared_stream(), &shared);
    EXPECT_EQ(shared.str(), "");
}

}  // namespace
