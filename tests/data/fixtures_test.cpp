// The committed fixtures are what the carving, WAL and journal tests stand on: every row
// deleted while they were written must have left its marker in the raw bytes, the -wal must
// hold whole frames and the journal must be hot. make_fixtures.py checks this as it writes;
// these tests keep the committed copies honest. Files are only read, never opened by SQLite.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <string_view>

#include "text/byte_reader.h"
#include "text/kq_types.h"

namespace {

constexpr uint32 page_size = 4096;

byte_array read_fixture(const std::string& relative) {
    std::ifstream in(std::string(VELK_TEST_DATA_DIR) + "/" + relative,
                     std::ios::binary | std::ios::ate);
    if (!in) {
        return {};
    }
    const std::streamsize size = in.tellg();
    byte_array bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    // A byte buffer handed to the stream as chars; nothing is overlaid on file bytes.
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    return in ? bytes : byte_array{};
}

bool contains(const byte_array& bytes, std::string_view text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end(),
                       [](uint8 b, char c) { return b == static_cast<uint8>(c); }) != bytes.end();
}

struct marker_case {
    const char* name;
    const char* file;
    const char* marker;
};

// Rows deleted (or values overwritten) while the fixtures were written, and the file that
// must still hold their residue.
const marker_case marker_cases[] = {
    {"DeletedNotification1", "sample/wpndatabase.db", "VELK-DELETED-NOTIFICATION-1"},
    {"DeletedNotification2", "sample/wpndatabase.db", "VELK-DELETED-NOTIFICATION-2"},
    {"DeletedNotification3", "sample/wpndatabase.db", "VELK-DELETED-NOTIFICATION-3"},
    {"DeletedHandler", "sample/wpndatabase.db", "VELK-DELETED-HANDLER-1"},
    {"PayloadBeforeWalUpdate", "sample/wpndatabase.db", "VELK-WAL-UPDATE-BEFORE-1"},
    {"WalDeletedNotification", "sample/wpndatabase.db-wal", "VELK-WAL-DELETED-NOTIFICATION-1"},
    {"JournalDeletedNotification", "journal/wpndatabase.db-journal",
     "VELK-JOURNAL-DELETED-NOTIFICATION-1"},
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const marker_case& c, std::ostream* os) { *os << c.name; }

class FixtureMarker : public ::testing::TestWithParam<marker_case> {};

TEST_P(FixtureMarker, ResidueIsInRawBytes) {
    const marker_case& c = GetParam();
    const byte_array bytes = read_fixture(c.file);
    ASSERT_FALSE(bytes.empty()) << "missing fixture " << c.file;
    EXPECT_TRUE(contains(bytes, c.marker)) << c.marker << " not in " << c.file;
}

INSTANTIATE_TEST_SUITE_P(Cases, FixtureMarker, ::testing::ValuesIn(marker_cases),
                         [](const auto& test_info) { return std::string(test_info.param.name); });

// Checks the 100-byte database header fields the readers rely on first.
void expect_db_header(const byte_array& bytes, uint8 format_version) {
    const kq::byte_reader file(bytes);
    ASSERT_TRUE(file.has(0, 100));
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 16, "SQLite format 3"));
    uint16 size_field = 0;
    uint8 write_version = 0;
    uint8 read_version = 0;
    uint32 page_count = 0;
    uint32 user_version = 0;
    ASSERT_TRUE(file.be16_at(16, size_field) && file.u8_at(18, write_version) &&
                file.u8_at(19, read_version) && file.be32_at(28, page_count) &&
                file.be32_at(60, user_version));
    EXPECT_EQ(size_field, page_size);
    EXPECT_EQ(write_version, format_version);
    EXPECT_EQ(read_version, format_version);
    EXPECT_EQ(user_version, 7u);
    EXPECT_EQ(bytes.size(), std::size_t{page_count} * page_size);
}

TEST(SampleFixture, MainFileIsWalModePushDatabase) {
    expect_db_header(read_fixture("sample/wpndatabase.db"), 2);
}

TEST(SampleFixture, WalHoldsWholeFramesAfterItsHeader) {
    const byte_array wal = read_fixture("sample/wpndatabase.db-wal");
    const kq::byte_reader file(wal);
    uint32 magic = 0;
    uint32 version = 0;
    uint32 wal_page_size = 0;
    ASSERT_TRUE(file.be32_at(0, magic) && file.be32_at(4, version) &&
                file.be32_at(8, wal_page_size));
    EXPECT_TRUE(magic == 0x377F0682u || magic == 0x377F0683u) << std::hex << magic;
    EXPECT_EQ(version, 3007000u);
    EXPECT_EQ(wal_page_size, page_size);
    constexpr std::size_t header = 32;
    constexpr std::size_t frame = 24 + page_size;
    ASSERT_GT(wal.size(), header);
    EXPECT_EQ((wal.size() - header) % frame, 0u);
}

TEST(JournalFixture, JournalIsHotAndHoldsWhatTheFileLost) {
    const byte_array db = read_fixture("journal/wpndatabase.db");
    const byte_array journal = read_fixture("journal/wpndatabase.db-journal");
    expect_db_header(db, 1);
    const uint8 magic[] = {0xD9, 0xD5, 0x05, 0xF9, 0x20, 0xA1, 0x63, 0xD7};
    ASSERT_GE(journal.size(), sizeof magic);
    EXPECT_TRUE(std::equal(std::begin(magic), std::end(magic), journal.begin()));
    // Secure delete zeroed the row in the written-out page: the journal is its only copy.
    EXPECT_FALSE(contains(db, "VELK-JOURNAL-DELETED-NOTIFICATION-1"));
}

// The damaged copies must come from the committed sample and differ from it in the
// notification leaf (page 7) alone, or tests would blame the wrong page.
TEST(DamagedFixtures, DifferFromSampleOnlyInNotificationLeaf) {
    const byte_array sample = read_fixture("sample/wpndatabase.db");
    ASSERT_FALSE(sample.empty());
    constexpr std::size_t leaf_start = 6 * std::size_t{page_size};
    constexpr std::size_t leaf_end = leaf_start + page_size;
    for (const char* name : {"damaged/cell_pointer_past_end.db", "damaged/freeblock_loop.db"}) {
        const byte_array damaged = read_fixture(name);
        ASSERT_EQ(damaged.size(), sample.size()) << name;
        const auto first = std::mismatch(damaged.begin(), damaged.end(), sample.begin());
        const auto at = static_cast<std::size_t>(first.first - damaged.begin());
        EXPECT_GE(at, leaf_start) << name;
        EXPECT_LT(at, leaf_end) << name;
        EXPECT_TRUE(
            std::equal(damaged.begin() + leaf_end, damaged.end(), sample.begin() + leaf_end))
            << name;
    }
    const byte_array cut = read_fixture("damaged/truncated.db");
    ASSERT_GT(cut.size(), leaf_start);
    EXPECT_LT(cut.size(), leaf_end);
    EXPECT_TRUE(std::equal(cut.begin(), cut.end(), sample.begin()));
}

}  // namespace
