#include "io/uni_fileio.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "io/io_test_support.h"
#include "real_data.h"

namespace {

using velk_test::file_size;
using velk_test::read_file;
using velk_test::run_in_child;
using velk_test::temp_dir;
using velk_test::write_file;

const std::string real_db = std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db";

TEST(FileioRead, RealDatabaseHeaderSizeAndClipping) {
    VELK_NEED_REAL_DATA(real_db);
    uni::fileio db;
    ASSERT_TRUE(db.open(real_db, false, false, false));
    EXPECT_EQ(db.size(), 1048576U);

    std::string header;
    ASSERT_TRUE(db.read_at(header, 16, 0));
    EXPECT_EQ(header, std::string("SQLite format 3\0", 16));

    std::string past;
    EXPECT_FALSE(db.read_at(past, 10, 1048576));
    std::string last;
    ASSERT_TRUE(db.read_at(last, 10, 1048575));
    EXPECT_EQ(last.size(), 1U);

    char buf[10] = {};
    uint32 length = sizeof buf;
    ASSERT_TRUE(db.read_at(buf, &length, 1048575));
    EXPECT_EQ(length, 1U);
    length = sizeof buf;
    EXPECT_FALSE(db.read_at(buf, &length, 1048576));
}

TEST(FileioRead, OffsetsNearTheTopOfTheRangeNeverWrap) {
    temp_dir dir;
    write_file(dir.file("f"), "0123456789");
    uni::fileio f;
    ASSERT_TRUE(f.open(dir.file("f"), false, false, false));
    const uint64 top = std::numeric_limits<uint64>::max();
    for (const uint64 offset : {top, top - 5, top - 9, uint64{1} << 63U}) {
        char buf[16] = {};
        uint32 length = 10;
        EXPECT_FALSE(f.read_at(buf, &length, offset)) << offset;
        std::string out;
        EXPECT_FALSE(f.read_at(out, 10, offset)) << offset;
    }
    std::string tail;
    ASSERT_TRUE(f.read_at(tail, top, 8));
    EXPECT_EQ(tail, "89");
}

TEST(FileioRead, LengthZeroLeavesTheOutputAlone) {
    uni::fileio mem(byte_array{1, 2, 3}, false, false);
    std::string text = "keep";
    EXPECT_TRUE(mem.read_at(text, 0, 100));
    EXPECT_EQ(text, "keep");
    byte_array bytes{9};
    EXPECT_TRUE(mem.read_at(bytes, 0, 0));
    EXPECT_EQ(bytes, byte_array{9});
}

// Reads stop at the size cached at opening until update_size runs.
TEST(FileioRead, CachedSizeClipsUntilUpdated) {
    temp_dir dir;
    const std::string path = dir.file("grow");
    write_file(path, "abcd");
    uni::fileio f;
    ASSERT_TRUE(f.open(path, false, false, false));
    write_file(path, "abcdefgh");
    std::string out;
    ASSERT_TRUE(f.read_at(out, 8, 0));
    EXPECT_EQ(out, "abcd");
    EXPECT_EQ(f.update_size(), 8U);
    ASSERT_TRUE(f.read_at(out, 8, 0));
    EXPECT_EQ(out, "abcdefgh");
}

// A file cut short after opening: the bytes that are there are kept, and the read says
// it is short instead of passing for complete.
TEST(FileioRead, EarlyEndOfFileIsAFailureThatKeepsTheBytes) {
    temp_dir dir;
    const std::string path = dir.file("shrink");
    write_file(path, "abcdefgh");
    uni::fileio f;
    ASSERT_TRUE(f.open(path, false, false, false));
    write_file(path, "abc");
    std::string text;
    EXPECT_FALSE(f.read_at(text, 8, 0));
    EXPECT_EQ(text, "abc");
    byte_array bytes;
    EXPECT_FALSE(f.read_at(bytes, 8, 1));
    EXPECT_EQ(bytes, (byte_array{'b', 'c'}));
    char buf[8] = {};
    uint32 length = 8;
    EXPECT_FALSE(f.read_at(buf, &length, 0));
    EXPECT_EQ(length, 3U);
}

TEST(FileioRead, ProcFilesReportTheAssumedSize) {
    uni::fileio f;
    ASSERT_TRUE(f.open(std::string("/proc/self/status"), false, false, false));
    EXPECT_EQ(f.size(), 0x40000U);
    std::string text;
    EXPECT_FALSE(f.read_at(text, 0x40000, 0));  // the file ends long before
    EXPECT_NE(text.find("Name:"), std::string::npos);
}

TEST(FileioOpen, FifoAndSocketAreRefusedAtOnce) {
    temp_dir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    uni::fileio f;
    EXPECT_FALSE(f.open(fifo, false, false, false));
    EXPECT_FALSE(f.open(fifo, true, false, false));
    EXPECT_FALSE(f.is_open());
    EXPECT_EQ(uni::open_file(fifo, 0, 0), -1);

    const std::string sock_path = dir.file("sock");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, sock_path.c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_FALSE(f.open(sock_path, false, false, false));
    ::close(sock);
}

TEST(FileioOpen, TrailingSeparatorsAndTruncation) {
    temp_dir dir;
    const std::string path = dir.file("f");
    write_file(path, "keep me");
    uni::fileio f;
    ASSERT_TRUE(f.open(path + "//", true, false, false));
    EXPECT_EQ(f.path(), std::wstring(path.begin(), path.end()));
    EXPECT_EQ(f.size(), 7U);  // no truncation through open
    ASSERT_TRUE(f.close());
    EXPECT_FALSE(f.open(std::string("/"), false, false, false));
    EXPECT_FALSE(f.open(dir.file("missing"), true, false, false));  // update does not create

    uni::fileio truncating(path, true, false, false);
    ASSERT_TRUE(truncating.is_open());
    EXPECT_EQ(truncating.size(), 0U);
    uni::fileio missing(dir.file("missing"), false, false, false);
    EXPECT_FALSE(missing.is_open());
    EXPECT_EQ(missing.size(), 0U);
}

// Names are bytes on this system: one that is not UTF-8 must still open and keep its bytes.
TEST(FileioOpen, NonUtf8NameOpensThroughTheNarrowForm) {
    temp_dir dir;
    const std::string path = dir.file("bad\xff.db");
    write_file(path, "x");
    uni::fileio f;
    ASSERT_TRUE(f.open(path, false, false, false));
    EXPECT_EQ(f.path().back(), L'b');
    EXPECT_NE(f.path().find(static_cast<wchar_t>(0xDCFF)), std::wstring::npos);
    ASSERT_TRUE(f.open(f.path(), false, false, false));
    EXPECT_EQ(f.size(), 1U);
}

TEST(FileioOpen, CreatedFileIsNotWorldWritableUnderUmaskZero) {
    temp_dir dir;
    const std::string path = dir.file("report.txt");
    const int mode = run_in_child([&] {
        ::umask(0);
        uni::fileio f(path, true, false, false);
        return f.is_open() ? 0 : 255;
    });
    ASSERT_EQ(mode, 0);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777U, 0644U);
}

TEST(FileioWrite, AppendPrintfAndLines) {
    temp_dir dir;
    const std::string path = dir.file("out");
    uni::fileio f(path, true, false, false);
    ASSERT_TRUE(f.is_open());
    EXPECT_FALSE(f.append(nullptr, 0));
    EXPECT_TRUE(f.append("x", 0));
    ASSERT_TRUE(f.printf("%s=%d;", "n", 42));
    ASSERT_TRUE(f.append_lines({"a", ""}));
    ASSERT_TRUE(f.write_fill('z', 3));
    EXPECT_FALSE(f.write_fill('z', 0));
    ASSERT_TRUE(f.write_at("N", 1, 0));
    EXPECT_EQ(f.size(), 13U);
    ASSERT_TRUE(f.close());
    EXPECT_EQ(read_file(path), "N=42;a\r\n\r\nzzz");
}

TEST(FileioWrite, AppendOpenAddsAtTheEnd) {
    temp_dir dir;
    const std::string path = dir.file("log");
    write_file(path, "one\n");
    uni::fileio f;
    ASSERT_TRUE(f.open_append(path, false));
    ASSERT_TRUE(f.write_at("two\n", 4, 0));  // O_APPEND puts every write at the end
    ASSERT_TRUE(f.close());
    EXPECT_EQ(read_file(path), "one\ntwo\n");
}

TEST(FileioWrite, SeekAndResizeOnADescriptor) {
    temp_dir dir;
    const std::string path = dir.file("ten");
    write_file(path, "0123456789");
    uni::fileio f;
    ASSERT_TRUE(f.open(path, true, false, false));
    EXPECT_EQ(f.seek_from_end(3), 7);
    char c = 0;
    uint32 length = 1;
    ASSERT_TRUE(f.read(&c, &length));
    EXPECT_EQ(c, '7');
    EXPECT_EQ(f.seek_relative(-2), 6);
    EXPECT_EQ(f.tell(), 6U);
    f.resize(4);
    EXPECT_EQ(f.size(), 4U);
    EXPECT_EQ(file_size(path), 4);
}

TEST(FileioWrite, ChmodTakesOctalPermissionDigitsOnly) {
    temp_dir dir;
    const std::string path = dir.file("m");
    uni::fileio f(path, true, false, false);
    ASSERT_TRUE(f.chmod("600"));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777U, 0600U);
    for (const char* bad : {"", "rw", "9", "12345", "0x1ff"}) {
        EXPECT_FALSE(f.chmod(bad)) << bad;
    }
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777U, 0600U);
    uni::fileio closed;
    EXPECT_FALSE(closed.chmod("644"));
    uni::fileio mem(byte_array{1}, true, false);
    EXPECT_TRUE(mem.chmod("644"));
}

// Mend: a write that fails (here: past the file size limit) is reported by the call and
// again by close(), also when the stream's last block is the one that fails.
TEST(FileioWrite, FailedWritesAreReportedAndSticky) {
    temp_dir dir;
    const auto limited = [](const std::function<int()>& body) {
        return run_in_child([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{1000, 1000};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
                return 100;
            }
            return body();
        });
    };
    const std::string block(2000, 'x');
    EXPECT_EQ(limited([&] {
                  uni::fileio f(dir.file("a"), true, false, false);
                  const bool appended = f.append(block.data(), 2000);
                  const bool closed = f.close();
                  return (appended ? 1 : 0) + (closed ? 2 : 0) + (f.write_failed() ? 0 : 4);
              }),
              0);
    EXPECT_EQ(limited([&] {
                  uni::fileio f(dir.file("b"), true, false, false);
                  std::ostream* out = f.get_ostream();
                  if (out == nullptr) {
                      return 8;
                  }
                  *out << block;
                  return f.close() ? 1 : 0;
              }),
              0);
}

// Mend: reopening writes what the stream still holds into the first file.
TEST(FileioWrite, ReopenWritesPendingStreamBytesFirst) {
    temp_dir dir;
    uni::fileio f(dir.file("first"), true, false, false);
    std::ostream* out = f.get_ostream();
    ASSERT_NE(out, nullptr);
    *out << "12345";
    ASSERT_TRUE(f.open(dir.file("second"), true, false, true));
    EXPECT_EQ(read_file(dir.file("first")), "12345");
    EXPECT_EQ(file_size(dir.file("second")), 0);
}

TEST(FileioStream, BlocksOnlyAndFlushWritesNothing) {
    temp_dir dir;
    const std::string small = dir.file("small");
    uni::fileio f(small, true, false, false);
    std::ostream* out = f.get_ostream();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(f.get_ostream(), out);
    *out << "0123456789" << std::flush;
    f.flush();
    EXPECT_EQ(file_size(small), 0);
    ASSERT_TRUE(f.close());
    EXPECT_EQ(file_size(small), 10);

    const std::string big = dir.file("big");
    uni::fileio g(big, true, false, false);
    out = g.get_ostream();
    ASSERT_NE(out, nullptr);
    out->write(std::string(0x3FFFF, 'a').data(), 0x3FFFF);
    *out << std::endl;  // the one more byte fills the block
    EXPECT_EQ(file_size(big), 0x40000);
    EXPECT_EQ(g.size(), 0x40000U);
    *out << 'b';
    ASSERT_TRUE(g.close());
    EXPECT_EQ(file_size(big), 0x40001);
}

TEST(FileioStream, ClosedObjectGivesNoStream) {
    uni::fileio closed;
    EXPECT_EQ(closed.get_ostream(), nullptr);
    EXPECT_FALSE(closed.append("x", 1));
    EXPECT_EQ(closed.size(), 0U);
    EXPECT_EQ(closed.seek(0), -1);
}

TEST(FileioMemory, WriteAtOverwritesThenAppends) {
    uni::fileio mem;
    ASSERT_TRUE(mem.attach_memory({'a', 'b', 'c', 'd'}, true, false));
    ASSERT_TRUE(mem.write_at("WXYZ", 4, 2));
    EXPECT_EQ(mem.size(), 6U);
    std::string all;
    ASSERT_TRUE(mem.read_at(all, 100, 0));
    EXPECT_EQ(all, "abWXYZ");

    ASSERT_TRUE(mem.attach_memory({'a', 'b', 'c', 'd'}, true, false));
    ASSERT_TRUE(mem.write_at("WXYZ", 4, 10));
    ASSERT_TRUE(mem.write_at("!", 1, std::numeric_limits<uint64>::max()));
    ASSERT_TRUE(mem.read_at(all, 100, 0));
    EXPECT_EQ(all, "abcdWXYZ!");
    EXPECT_EQ(mem.seek_from_end(20), 0);
}

TEST(FileioMemory, SequentialReadsAndSaving) {
    temp_dir dir;
    uni::fileio mem;
    ASSERT_TRUE(mem.open_memory(4, true, false));
    ASSERT_TRUE(mem.append("tail", 4));
    EXPECT_EQ(mem.seek(2), 2);
    char buf[16] = {};
    uint32 length = sizeof buf;
    ASSERT_TRUE(mem.read(buf, &length));
    EXPECT_EQ(std::string(buf, length), std::string("\0\0tail", 6));
    EXPECT_FALSE(mem.open(dir.file("x"), true, false, true));  // memory mode refuses
    ASSERT_TRUE(mem.save_memory_to(dir.file("saved")));
    EXPECT_EQ(read_file(dir.file("saved")), std::string("\0\0\0\0tail", 8));
}

struct chunk_call {
    uint64 offset;
    uint32 length;
    uint32 used;
    bool operator==(const chunk_call&) const = default;
};

bool record_chunk(uni::fileio* /*file*/, void* context, const uint8* /*data*/, uint32 length,
                  uint32 used, uint64 offset) {
    static_cast<std::vector<chunk_call>*>(context)->push_back({offset, length, used});
    return true;
}

TEST(FileioChunks, OverlappingChunksCoverTheFile) {
    uni::fileio mem(byte_array(250, 7), false, false);
    std::vector<chunk_call> calls;
    ASSERT_TRUE(mem.for_each_chunk(record_chunk, &calls, 100, 10, 0));
    const std::vector<chunk_call> expected = {
        {0, 100, 10}, {90, 100, 10}, {180, 70, 10}, {240, 10, 0}};
    EXPECT_EQ(calls, expected);

    calls.clear();
    ASSERT_TRUE(mem.for_each_chunk(record_chunk, &calls, 1000, 10, 200));
    EXPECT_EQ(calls, (std::vector<chunk_call>{{200, 50, 0}}));
}

// Mend: a chunk that cannot be read fails the walk instead of ending it as if complete.
// The file grew after opening: the walk sizes itself from the file, reads stop at the
// cached size, so the third chunk cannot be read.
TEST(FileioChunks, FailedReadFailsTheWalk) {
    temp_dir dir;
    const std::string path = dir.file("grows");
    write_file(path, std::string(150, 'x'));
    uni::fileio f;
    ASSERT_TRUE(f.open(path, false, false, false));
    write_file(path, std::string(250, 'x'));
    std::vector<chunk_call> calls;
    EXPECT_FALSE(f.for_each_chunk(record_chunk, &calls, 100, 0, 0));
    EXPECT_EQ(calls, (std::vector<chunk_call>{{0, 100, 0}, {100, 50, 0}}));
}

// A file cut short while it is walked: the bytes of the short read still reach the
// callback, and only then does the walk report the short read.
struct shrinking_walk {
    std::string path;
    std::vector<chunk_call> calls;
};

bool cut_after_first_chunk(uni::fileio* /*file*/, void* context, const uint8* /*data*/,
                           uint32 length, uint32 used, uint64 offset) {
    auto* walk = static_cast<shrinking_walk*>(context);
    walk->calls.push_back({offset, length, used});
    if (walk->calls.size() == 1) {
        EXPECT_EQ(::truncate(walk->path.c_str(), 150), 0);
    }
    return true;
}

TEST(FileioChunks, ShortReadHandsItsBytesOverBeforeFailing) {
    temp_dir dir;
    shrinking_walk walk{dir.file("shrinks"), {}};
    write_file(walk.path, std::string(250, 'x'));
    uni::fileio f;
    ASSERT_TRUE(f.open(walk.path, false, false, false));
    EXPECT_FALSE(f.for_each_chunk(cut_after_first_chunk, &walk, 100, 10, 0));
    EXPECT_EQ(walk.calls, (std::vector<chunk_call>{{0, 100, 10}, {90, 60, 10}}));
}

TEST(FileioHexDump, LinesPrefixesAndCharacterColumn) {
    uni::fileio mem;
    ASSERT_TRUE(mem.open_memory(0, true, false));
    ASSERT_TRUE(mem.hex_dump(std::vector<uint8>{0x41, 0x00, 0x7f}.data(), 3, 0x10));
    std::string text;
    ASSERT_TRUE(mem.read_at(text, 1000, 0));
    EXPECT_EQ(text, "0x000010 : 41 00 7f \n");

    ASSERT_TRUE(mem.open_memory(0, true, true));
    byte_array sixteen;
    for (uint8 b = 0x3e; b < 0x4e; ++b) {
        sixteen.push_back(b);
    }
    sixteen[0] = 0x0a;
    ASSERT_TRUE(mem.hex_dump(sixteen, 0x1234567));
    ASSERT_TRUE(mem.read_at(text, 1000, 0));
    EXPECT_EQ(text,
              "0x1234567 : 0a 3f 40 41 42 43 44 45 46 47 48 49 4a 4b 4c 4d "
              ".?@ABCDEFGHIJKLM\r\n0x1234577 : \r\n");
    EXPECT_TRUE(mem.hex_dump(byte_array{}, 0));
}

}  // namespace

namespace {

// How the patches' bytes are laid: held, or left in a second file ("..XY....ZW") and read
// from there when a read reaches them.
enum class patch_form { held, in_source };

bool lay_patches(uni::fileio& file, patch_form form, const temp_dir& dir) {
    if (form == patch_form::held) {
        std::map<uint64, byte_array> patches;
        patches[2] = {'X', 'Y'};
        patches[10] = {'Z', 'W'};  // past the file's end: zeros before it
        return file.set_read_patches(std::move(patches), 12);
    }
    const std::string source_path = dir.file("source");
    write_file(source_path, "..XY....ZW");
    auto source = std::make_unique<uni::fileio>();
    return source->open(source_path, false, false, false) &&
           file.set_read_patches(std::move(source), {{2, 2}, {10, 8}}, 2, 12);
}

class FileioReadPatchForms : public ::testing::TestWithParam<patch_form> {};

// A file of "abcdefgh" with patches laid over it: reads see each patch in place of the
// file's bytes and zeros past the file's end, in any split of a read.
TEST_P(FileioReadPatchForms, ReadsSeeThePatchesOverTheFile) {
    const temp_dir dir;
    const std::string path = dir.file("base");
    write_file(path, "abcdefgh");
    uni::fileio file;
    ASSERT_TRUE(file.open(path, false, false, false));
    ASSERT_TRUE(lay_patches(file, GetParam(), dir));
    EXPECT_EQ(file.size(), 12U);
    EXPECT_EQ(file.update_size(), 12U);
    const struct {
        uint64 offset;
        uint64 length;
        std::string want;
    } reads[] = {{0, 12, std::string("abXYefgh\0\0ZW", 12)},
                 {3, 2, "Ye"},
                 {1, 2, "bX"},
                 {7, 4, std::string("h\0\0Z", 4)},
                 {11, 5, "W"}};
    for (const auto& r : reads) {
        std::string got;
        ASSERT_TRUE(file.read_at(got, r.length, r.offset)) << r.offset;
        EXPECT_EQ(got, r.want) << r.offset;
    }
    ASSERT_TRUE(file.close());
    ASSERT_TRUE(file.open(path, false, false, false));  // a new opening has none
    std::string plain;
    ASSERT_TRUE(file.read_at(plain, 8, 0));
    EXPECT_EQ(plain, "abcdefgh");
}

INSTANTIATE_TEST_SUITE_P(Forms, FileioReadPatchForms,
                         ::testing::Values(patch_form::held, patch_form::in_source),
                         [](const auto& param_info) {
                             return param_info.param == patch_form::held ? "Held" : "InSource";
                         });

// Patches left in a source: one the source does not hold whole is not laid (the file's own
// bytes stay), and a source that loses a patch's bytes after they were laid fails the read
// rather than giving the file's bytes or zeros in their place.
TEST(FileioReadPatchesInSource, OnlyWhatTheSourceHoldsIsLaid) {
    const temp_dir dir;
    const std::string path = dir.file("base");
    write_file(path, "abcdefgh");
    const std::string source_path = dir.file("source");
    write_file(source_path, "0123456789");
    uni::fileio file;
    ASSERT_TRUE(file.open(path, false, false, false));
    EXPECT_FALSE(file.set_read_patches(nullptr, {{0, 0}}, 2, 8));
    auto source = std::make_unique<uni::fileio>();
    ASSERT_TRUE(source->open(source_path, false, false, false));
    // Offsets 8 (whole: "89"), 9 (one byte short) and past the source's end.
    ASSERT_TRUE(file.set_read_patches(std::move(source), {{0, 8}, {4, 9}, {6, 11}}, 2, 8));
    std::string got;
    ASSERT_TRUE(file.read_at(got, 8, 0));
    EXPECT_EQ(got, "89cdefgh");
    write_file(source_path, "01");  // cut short under the laid patch
    EXPECT_FALSE(file.read_at(got, 2, 0));
    ASSERT_TRUE(file.read_at(got, 4, 2));  // away from it the file reads as before
    EXPECT_EQ(got, "cdef");
}

// Which ranges a patch reaches into: a reader may take bytes it read of the file itself
// for the others only.
TEST(FileioReadPatches, TellWhichRangesTheyCover) {
    const temp_dir dir;
    const std::string path = dir.file("base");
    write_file(path, "abcdefgh");
    uni::fileio file;
    ASSERT_TRUE(file.open(path, false, false, false));
    EXPECT_FALSE(file.has_patch_within(0, 8));  // none laid yet
    ASSERT_TRUE(file.set_read_patches({{2, {'X', 'Y'}}, {10, {'Z', 'W'}}}, 12));
    const struct {
        uint64 offset;
        uint64 length;
        bool covered;
    } ranges[] = {{0, 2, false}, {0, 3, true},   {3, 1, true},  {4, 6, false}, {4, 7, true},
                  {11, 5, true}, {12, 3, false}, {2, 0, false}, {1, 12, true}};
    for (const auto& r : ranges) {
        EXPECT_EQ(file.has_patch_within(r.offset, r.length), r.covered)
            << r.offset << "+" << r.length;
    }
}

TEST(FileioReadPatches, RefusedWhereTheyCannotHold) {
    const temp_dir dir;
    const std::string path = dir.file("base");
    write_file(path, "abcdefgh");
    uni::fileio file;
    ASSERT_TRUE(file.open(path, false, false, false));
    EXPECT_FALSE(file.set_read_patches({{7, {'a', 'b'}}}, 8));  // past the size given
    EXPECT_EQ(file.size(), 8U);
    uni::fileio memory;
    ASSERT_TRUE(memory.open_memory(8, true, false));
    EXPECT_FALSE(memory.set_read_patches({{0, {'a'}}}, 8));
}

}  // namespace
