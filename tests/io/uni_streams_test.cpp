#include "io/uni_streams.h"

#include <gtest/gtest.h>

#include <string>

#include "io/null_out_stream.h"
#include "io/uni_fileio.h"

namespace {

// A sink that takes at most `per_call` characters a call and fails while `failing` is set:
// the buffer must hand every byte over exactly once, whatever the sink does.
class picky_buffer : public uni::streambuf_generic_output<char> {
public:
    explicit picky_buffer(int size) : streambuf_generic_output<char>(size) {}
    ~picky_buffer() override { (void)flush(); }
    picky_buffer(const picky_buffer&) = delete;
    picky_buffer& operator=(const picky_buffer&) = delete;

    int write(const char* data, int length) override {
        if (failing) {
            return -1;
        }
        const int taken = length < per_call ? length : per_call;
        received.append(data, static_cast<std::size_t>(taken));
        ++calls;
        return taken;
    }

    std::string received;
    int per_call = 3;
    bool failing = false;
    int calls = 0;
};

TEST(GenericOutputBuffer, FullBlockGoesOutWithTheOverflowingCharacter) {
    picky_buffer buffer(8);
    std::ostream out(&buffer);
    out << "1234567";
    EXPECT_TRUE(buffer.received.empty());
    out << '8';
    EXPECT_EQ(buffer.received, "12345678");  // in pieces of 3, all of them
    EXPECT_EQ(buffer.calls, 3);
    out << "9" << std::flush;  // the generic buffer's sync does write
    EXPECT_EQ(buffer.received, "123456789");
}

// A failed write keeps what was not taken; a later flush sends it once, nothing twice.
TEST(GenericOutputBuffer, FailedWriteLosesAndRepeatsNothing) {
    picky_buffer buffer(8);
    std::ostream out(&buffer);
    out << "abcdefg";
    buffer.failing = true;
    out << 'h';
    EXPECT_TRUE(out.bad());
    EXPECT_EQ(buffer.flush(), -1);
    buffer.failing = false;
    EXPECT_EQ(buffer.flush(), 0);
    EXPECT_EQ(buffer.received, "abcdefgh");

    out.clear();
    out << "ijk";
    buffer.per_call = 2;
    buffer.failing = false;
    EXPECT_EQ(buffer.flush(), 0);
    EXPECT_EQ(buffer.received, "abcdefghijk");
}

TEST(FileioStats, SumsEveryByteWritten) {
    uni::fileio_stats stats;
    const uint8 two_ff[] = {0xff, 0xff};
    EXPECT_TRUE(stats.add(two_ff, 2));
    EXPECT_EQ(stats.total(), 510U);
    EXPECT_FALSE(stats.add(nullptr, 2));
    EXPECT_FALSE(stats.add(two_ff, 0));

    std::ostream* out = stats.get_ostream();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(stats.get_ostream(), out);
    *out << "AB" << std::flush;
    stats.flush();
    EXPECT_EQ(stats.total(), 510U);  // flushing writes nothing
    stats.close_ostream();
    EXPECT_EQ(stats.total(), 510U + 0x41 + 0x42);
}

TEST(FileioOutput, UnusableSinkGivesABadStream) {
    uni::fileio closed;
    uni::fileio_output out(&closed, 16);
    EXPECT_FALSE(out.attached());
    EXPECT_TRUE(out.bad());
    out << "dropped";
    EXPECT_EQ(closed.size(), 0U);
}

TEST(NullOutStream, AcceptsEverythingAndNeverGoesBad) {
    g_null_out_stream << std::string(100000, 'x') << 42 << std::endl;
    g_null_out_stream.write("abc", 3);
    g_null_out_stream.put('z');
    EXPECT_TRUE(g_null_out_stream.good());
}

}  // namespace
