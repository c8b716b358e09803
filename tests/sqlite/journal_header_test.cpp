#include "sqlite/journal_header.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "io/uni_fileio.h"
#include "sqlite/page_builder.h"

namespace {

using test_pages::put_be;
using test_pages::read_file;

using page_map = std::map<uint64, uint64>;

const std::string data_dir = VELK_TEST_DATA_DIR;

bool read_pages(const byte_array& bytes, page_map& pages, uint32& page_size) {
    uni::fileio file(bytes, false, false);
    return read_journal_pages(pages, page_size, file);
}

// A header with the magic, nonce 0x11223344, initial size 4 and the given page size.
journal_header make_header(uint32 page_size) {
    journal_header h;
    const byte_array magic = {0xD9, 0xD5, 0x05, 0xF9, 0x20, 0xA1, 0x63, 0xD7};
    std::copy(magic.begin(), magic.end(), h.bytes.begin());
    byte_array b(h.bytes.begin(), h.bytes.end());
    put_be(b, 12, 0x11223344, 4);
    put_be(b, 16, 4, 4);
    put_be(b, 20, 512, 4);
    put_be(b, 24, page_size, 4);
    std::copy(b.begin(), b.end(), h.bytes.begin());
    return h;
}

// A journal of the given header and records (page number, fill byte).
byte_array make_journal(const journal_header& h, uint32 page_size,
                        const std::vector<std::pair<uint32, uint8>>& records) {
    byte_array out(h.bytes.begin(), h.bytes.begin() + 512);
    for (const auto& [number, fill] : records) {
        byte_array record(page_size + 8, fill);
        put_be(record, 0, number, 4);
        test_pages::append(out, record);
    }
    return out;
}

// ---- Header --------------------------------------------------------------------------

struct header_case {
    const char* name;
    uint32 page_size;
    bool zero_magic;
    bool zero_nonce_and_size;
    uint32 first_page;  // written at offset 512
    int32 length;
    journal_fault fault;
};

const header_case header_cases[] = {
    {"Magic", 4096, false, false, 0, 516, journal_fault::none},
    {"MagicIn512Bytes", 4096, false, false, 0, 512, journal_fault::none},
    {"TooShort", 4096, false, false, 0, 511, journal_fault::too_short},
    {"NoNonceNoSize", 4096, false, true, 1, 516, journal_fault::empty_header},
    {"PageSize0", 0, false, false, 1, 516, journal_fault::bad_page_size},
    {"PageSize1000", 1000, false, false, 1, 516, journal_fault::bad_page_size},
    {"PageSizeHuge", 0xFFFFFFFC, false, false, 1, 516, journal_fault::bad_page_size},
    {"PageSize256", 256, false, false, 1, 516, journal_fault::bad_page_size},
    {"PageSize131072", 131072, false, false, 1, 516, journal_fault::bad_page_size},
    {"PageSize65536", 65536, false, false, 1, 516, journal_fault::none},
    {"ZeroedBeforePage1", 4096, true, false, 1, 516, journal_fault::none},
    {"ZeroedBeforeLastPlausiblePage", 4096, true, false, 0x1FFFFF, 516, journal_fault::none},
    {"ZeroedBeforePage0", 4096, true, false, 0, 516, journal_fault::no_magic},
    {"ZeroedBeforeImplausiblePage", 4096, true, false, 0x200000, 516, journal_fault::no_magic},
    {"ZeroedWithoutTheRecord", 4096, true, false, 1, 515, journal_fault::no_magic},
};

class CheckJournalHeader : public ::testing::TestWithParam<header_case> {};

TEST_P(CheckJournalHeader, NamesTheReason) {
    const header_case& c = GetParam();
    journal_header h = make_header(c.page_size);
    byte_array b(h.bytes.begin(), h.bytes.end());
    if (c.zero_magic) {
        std::fill(b.begin(), b.begin() + 8, 0);
    }
    if (c.zero_nonce_and_size) {
        put_be(b, 12, 0, 4);
        put_be(b, 16, 0, 4);
    }
    put_be(b, 512, c.first_page, 4);
    std::copy(b.begin(), b.end(), h.bytes.begin());
    EXPECT_EQ(check_journal_header(h, c.length), c.fault);
    EXPECT_EQ(h.is_valid(c.length), c.fault == journal_fault::none);
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckJournalHeader, ::testing::ValuesIn(header_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(JournalHeader, FieldsAndClear) {
    journal_header h = make_header(2048);
    EXPECT_EQ(h.page_size(), 2048u);
    EXPECT_EQ(h.nonce(), 0x11223344u);
    EXPECT_EQ(h.initial_pages(), 4u);
    h.clear();
    EXPECT_EQ(h.page_size(), 0u);
    EXPECT_FALSE(h.is_valid(516));
}

// ---- Reading records -----------------------------------------------------------------

TEST(ReadJournalPages, RecordEndingAtTheEndOfTheFileIsRead) {
    // 512 + 2 * (page size + 8) bytes: both records.
    const byte_array journal = make_journal(make_header(512), 512, {{3, 0xAA}, {9, 0xBB}});
    ASSERT_EQ(journal.size(), 512u + 2 * 520u);
    page_map pages;
    uint32 page_size = 7;
    ASSERT_TRUE(read_pages(journal, pages, page_size));
    EXPECT_EQ(page_size, 512u);
    EXPECT_EQ(pages, (page_map{{3, 516}, {9, 1036}}));
}

TEST(ReadJournalPages, CutAtEveryLengthKeepsTheWholeRecords) {
    const byte_array journal =
        make_journal(make_header(512), 512, {{3, 0xAA}, {9, 0xBB}, {4, 0xCC}});
    for (std::size_t cut = 0; cut <= journal.size(); ++cut) {
        const byte_array part(journal.begin(), journal.begin() + static_cast<std::ptrdiff_t>(cut));
        page_map pages;
        uint32 page_size = 0;
        const bool read = read_pages(part, pages, page_size);
        const std::size_t whole = cut < 512 ? 0 : (cut - 512) / 520;
        EXPECT_EQ(read, whole > 0) << cut;
        EXPECT_EQ(pages.size(), whole) << cut;
    }
}

TEST(ReadJournalPages, RefusedHeadersGiveNoPages) {
    for (const uint32 size : {0U, 1000U, 0xFFFFFFFCU, 0xFFFFFFF8U}) {
        const byte_array journal = make_journal(make_header(size), 512, {{3, 0xAA}, {4, 0xBB}});
        page_map pages{{1, 1}};
        uint32 page_size = 0;
        EXPECT_FALSE(read_pages(journal, pages, page_size)) << size;
        EXPECT_TRUE(pages.empty());
    }
    page_map pages;
    uint32 page_size = 0;
    uni::fileio closed;
    EXPECT_FALSE(read_journal_pages(pages, page_size, closed));
}

TEST(ReadJournalPages, SegmentsFollowTheirHeaders) {
    // Segment 1 holds two records, ending at 1552; the second header sits at the next
    // 512-byte boundary, 2048, and its count 0 runs to the end of the file.
    journal_header h = make_header(512);
    byte_array first(h.bytes.begin(), h.bytes.end());
    put_be(first, 8, 2, 4);
    std::copy(first.begin(), first.end(), h.bytes.begin());
    byte_array journal = make_journal(h, 512, {{3, 0xAA}, {9, 0xBB}});
    journal.resize(2048, 0xEE);  // padding to the sector boundary
    journal_header second = make_header(512);
    byte_array unsynced = make_journal(second, 512, {{2, 0xCC}, {5, 0xDD}});
    std::fill(unsynced.begin(), unsynced.begin() + 8, 0);  // not yet synced
    test_pages::append(journal, unsynced);
    page_map pages;
    uint32 page_size = 0;
    ASSERT_TRUE(read_pages(journal, pages, page_size));
    EXPECT_EQ(pages, (page_map{{3, 516}, {9, 1036}, {2, 2048 + 516}, {5, 2048 + 1036}}));

    // A count with no header after it: what follows is read as records, as before.
    put_be(first, 8, 1, 4);
    std::copy(first.begin(), first.end(), h.bytes.begin());
    ASSERT_TRUE(read_pages(make_journal(h, 512, {{3, 0xAA}, {9, 0xBB}}), pages, page_size));
    EXPECT_EQ(pages, (page_map{{3, 516}, {9, 1036}}));
}

TEST(ReadJournalPages, CommittedFixtureWithThreeSegments) {
    const byte_array journal = read_file(data_dir + "/journal/wpndatabase.db-journal");
    ASSERT_EQ(journal.size(), 64008u);
    page_map pages;
    uint32 page_size = 0;
    ASSERT_TRUE(read_pages(journal, pages, page_size));
    EXPECT_EQ(page_size, 4096u);
    page_map expected;
    uint64 at = 516;
    for (const uint64 page : {15, 14, 13, 12, 11, 10, 9, 8, 7}) {
        expected[page] = at;
        at += 4104;
    }
    at = 37888 + 516;
    for (const uint64 page : {3, 2, 6, 5, 4}) {
        expected[page] = at;
        at += 4104;
    }
    expected[1] = 59392 + 516;  // the unsynced last segment's one record, ending the file
    EXPECT_EQ(pages, expected);
    // Page 7's saved image holds the row the transaction deleted.
    const std::string page7(journal.begin() + static_cast<std::ptrdiff_t>(pages[7]),
                            journal.begin() + static_cast<std::ptrdiff_t>(pages[7] + 4096));
    EXPECT_NE(page7.find("VELK-JOURNAL-DELETED-NOTIFICATION-1"), std::string::npos);
}

// The header pads to its own sector size (4096 here), and a record of page 0 saves no page.
TEST(ReadJournalPages, RecordsStartAtTheHeadersSectorSize) {
    const byte_array journal = read_file(data_dir + "/edge/journal_sector.db-journal");
    ASSERT_EQ(journal.size(), 4096u + 2 * 4104u);
    page_map pages;
    uint32 page_size = 0;
    ASSERT_TRUE(read_pages(journal, pages, page_size));
    EXPECT_EQ(page_size, 4096u);
    EXPECT_EQ(pages, (page_map{{7, 4096 + 4104 + 4}}));
    const std::string page7(journal.begin() + 4096 + 4104 + 4, journal.end() - 4);
    EXPECT_NE(page7.find("VELK-EDGE-JOURNAL-SECTOR-2"), std::string::npos);
    // A sector size the format does not allow falls back to 512.
    byte_array odd = journal;
    put_be(odd, 20, 3000, 4);
    journal_header h;
    std::copy(odd.begin(), odd.begin() + 516, h.bytes.begin());
    EXPECT_EQ(h.sector_size(), 512u);
}

TEST(ReadJournalPages, JournalCopiedBeforeItsFirstSync) {
    const byte_array journal = read_file(data_dir + "/carve/midway.db-journal");
    ASSERT_GT(journal.size(), 512u);
    ASSERT_EQ((journal.size() - 512) % 4104, 0u);
    journal_header h;
    std::copy(journal.begin(), journal.begin() + 516, h.bytes.begin());
    EXPECT_EQ(check_journal_header(h, 516), journal_fault::none);  // zeroed magic
    page_map pages;
    uint32 page_size = 0;
    ASSERT_TRUE(read_pages(journal, pages, page_size));
    ASSERT_EQ(pages.size(), (journal.size() - 512) / 4104);
    EXPECT_EQ(pages.rbegin()->second + 4096 + 4, journal.size());  // the last record included
    for (const auto& [number, offset] : pages) {
        const uint32 stored = be32_or_minus1(journal.data() + offset + 4096);
        EXPECT_EQ(static_cast<uint32>(journal_page_checksum(h, journal.data() + offset, 4096)),
                  stored)
            << number;
    }
}

TEST(ReadJournalPages, ScriptedJournalKeepsTheFirstImageOfAPage) {
    const byte_array journal = read_file(data_dir + "/carve/scripted.db-journal");
    ASSERT_EQ(journal.size(), 512u + 3 * 1032u);
    page_map pages;
    uint32 page_size = 0;
    ASSERT_TRUE(read_pages(journal, pages, page_size));
    EXPECT_EQ(page_size, 1024u);
    EXPECT_EQ(pages, (page_map{{5, 516}, {2, 516 + 1032}}));
    journal_header h;
    std::copy(journal.begin(), journal.begin() + 516, h.bytes.begin());
    EXPECT_EQ(h.nonce(), 0x5EED1234u);
    for (std::size_t record = 512; record < journal.size(); record += 1032) {
        const uint8* page = journal.data() + record + 4;
        EXPECT_EQ(static_cast<uint32>(journal_page_checksum(h, page, 1024)),
                  be32_or_minus1(page + 1024));
    }
}

// ---- Persisted journals: the header zeroed at commit ------------------------------------

// A zeroed header of `sector` bytes, then records of 512-byte pages (page number, fill byte).
byte_array persisted_journal(std::size_t sector,
                             const std::vector<std::pair<uint32, uint8>>& records) {
    byte_array out = make_journal(journal_header{}, 512, records);
    out.insert(out.begin() + 512, sector - 512, 0);
    return out;
}

// A record naming no page of a database, then records of pages 3 to 9 of bytes 0xAA.
byte_array implausible_first_record() {
    std::vector<std::pair<uint32, uint8>> records = {{0x200000, 0xAA}};
    for (uint32 page = 3; page <= 9; ++page) {
        records.emplace_back(page, 0xAA);
    }
    return persisted_journal(512, records);
}

struct persisted_case {
    const char* name;
    byte_array journal;
    uint32 page_size;  // the database's, passed in
    page_map pages;
};

const persisted_case persisted_cases[] = {
    {"Sector512", persisted_journal(512, {{3, 0xAA}, {9, 0xBB}}), 512, {{3, 516}, {9, 1036}}},
    // The header's padding puts page 0 at 512: the records follow a 4096-byte sector.
    {"Sector4096", persisted_journal(4096, {{3, 0xAA}, {9, 0xBB}}), 512, {{3, 4100}, {9, 4620}}},
    {"NoPageSizeGiven", persisted_journal(512, {{3, 0xAA}}), 0, {}},
    {"PageSizeTheFormatForbids", persisted_journal(512, {{3, 0xAA}}), 1000, {}},
    {"AllZero", byte_array(8192, 0), 512, {}},
    // At 512 no page of a database; at 4096, inside a later record's page, neither
    // (0xAAAAAAAA): whatever the records after them name, none is taken.
    {"FirstRecordNamesNoPage", implausible_first_record(), 512, {}},
    {"HeaderOnly", byte_array(512, 0), 512, {}},
};

class ReadPersistedJournal : public ::testing::TestWithParam<persisted_case> {};

TEST_P(ReadPersistedJournal, ReadsTheRecordsAtTheDatabasesPageSize) {
    const persisted_case& c = GetParam();
    const std::size_t available = std::min<std::size_t>(c.journal.size(), 516);
    journal_header h;
    std::copy(c.journal.begin(), c.journal.begin() + static_cast<std::ptrdiff_t>(available),
              h.bytes.begin());
    const auto length = static_cast<int32>(available);
    EXPECT_EQ(check_journal_header(h, length), journal_fault::persisted);
    EXPECT_FALSE(h.is_valid(length));  // the header alone gives no page size
    page_map pages{{1, 1}};
    uint32 page_size = c.page_size;
    EXPECT_EQ(read_pages(c.journal, pages, page_size), !c.pages.empty());
    EXPECT_EQ(pages, c.pages);
    EXPECT_EQ(page_size, c.page_size);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadPersistedJournal, ::testing::ValuesIn(persisted_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// A journal that SQLite left under journal_mode=PERSIST: a commit zeroed its header and left
// the records of the transaction, the Notification leaf's old image among them.
TEST(ReadJournalPages, PersistedFixtureAtEitherSector) {
    const byte_array persisted = read_file(data_dir + "/remnants/persisted.db-journal");
    ASSERT_EQ((persisted.size() - 512) % 4104, 0U);
    // 4096: the sector SQLite pads to on a device that promises no power-safe overwrites.
    for (const std::size_t sector : {512U, 4096U}) {
        byte_array journal = persisted;
        journal.insert(journal.begin() + 512, sector - 512, 0);
        page_map pages;
        uint32 page_size = 4096;
        ASSERT_TRUE(read_pages(journal, pages, page_size)) << sector;
        EXPECT_EQ(pages.size(), (journal.size() - sector) / 4104) << sector;
        ASSERT_EQ(pages.count(7), 1U);
        const std::string page7(journal.begin() + static_cast<std::ptrdiff_t>(pages[7]),
                                journal.begin() + static_cast<std::ptrdiff_t>(pages[7] + 4096));
        EXPECT_NE(page7.find("VELK-RECOVERY-PERSISTED-3"), std::string::npos) << sector;
        // Cut inside its last record, the journal keeps the whole ones.
        const byte_array cut(journal.begin(), journal.end() - 100);
        page_size = 4096;
        ASSERT_TRUE(read_pages(cut, pages, page_size));
        EXPECT_EQ(pages.size(), (journal.size() - sector) / 4104 - 1) << sector;
    }
}

TEST(JournalPageChecksum, RefusesWhatItCannotSum) {
    const journal_header h = make_header(1024);
    const byte_array page(1024, 1);
    // Bytes at 824, 624, 424, 224 and 24.
    EXPECT_EQ(journal_page_checksum(h, page.data(), 1024), 0x11223344 + 5);
    EXPECT_EQ(journal_page_checksum(h, nullptr, 1024), -1);
    EXPECT_EQ(journal_page_checksum(h, page.data(), 1023), -1);
    EXPECT_EQ(journal_page_checksum(make_header(0), page.data(), 1024), -1);
    journal_header no_nonce = h;
    std::fill(no_nonce.bytes.begin() + 12, no_nonce.bytes.begin() + 16, 0);
    EXPECT_EQ(journal_page_checksum(no_nonce, page.data(), 1024), -1);
}

TEST(Be32OrMinus1, ReadsBigEndian) {
    const byte_array word = {0x12, 0x34, 0x56, 0x78};
    EXPECT_EQ(be32_or_minus1(word.data()), 0x12345678u);
    EXPECT_EQ(be32_or_minus1(nullptr), 0xFFFFFFFFu);
}

}  // namespace

// A rollback writes back the records of the segments whose headers keep their magic, as
// many as each counts; a journal without its magic restores nothing.
TEST(ReadRollbackPages, TheSyncedSegmentsCountedRecords) {
    journal_header counted = make_header(512);
    counted.bytes[11] = 2;  // two records counted
    byte_array two_segments = make_journal(counted, 512, {{3, 0xAA}, {9, 0xBB}});
    // A second segment at the next sector boundary (512 + 2 * 520 = 1552 -> 2048).
    two_segments.resize(2048, 0);
    journal_header second = counted;
    second.bytes[11] = 1;
    test_pages::append(two_segments, make_journal(second, 512, {{5, 0xCC}, {6, 0xDD}}));
    byte_array unsynced_second = two_segments;
    std::fill(unsynced_second.begin() + 2048, unsynced_second.begin() + 2048 + 12, uint8{0});
    journal_header no_sync = make_header(512);
    std::fill(no_sync.bytes.begin() + 8, no_sync.bytes.begin() + 12, uint8{0xFF});
    byte_array persisted = make_journal(counted, 512, {{3, 0xAA}});
    std::fill(persisted.begin(), persisted.begin() + 28, uint8{0});
    // The same journal ending with a super-journal's name: the library plays it back only
    // while that file exists, and beside the private copy it never does. A trailer whose
    // checksum does not match names none.
    const auto with_super = [&](uint32 checksum) {
        byte_array bytes = two_segments;
        const std::string name = "/cases/x-mj01";
        test_pages::append(bytes, {0, 0, 0x40, 0x01});  // the locking page's number
        bytes.insert(bytes.end(), name.begin(), name.end());
        test_pages::append(bytes, {0, 0, 0, static_cast<uint8>(name.size())});
        test_pages::append(bytes, {static_cast<uint8>(checksum >> 24), static_cast<uint8>(checksum >> 16),
                                   static_cast<uint8>(checksum >> 8), static_cast<uint8>(checksum)});
        test_pages::append(bytes, {0xD9, 0xD5, 0x05, 0xF9, 0x20, 0xA1, 0x63, 0xD7});
        return bytes;
    };
    uint32 name_sum = 0;
    for (const char ch : std::string("/cases/x-mj01")) {
        name_sum += static_cast<uint8>(ch);
    }
    const struct {
        const char* name;
        byte_array bytes;
        std::set<uint64> pages;
    } cases[] = {
        {"two_synced_segments", two_segments, {3, 9, 5}},
        {"second_segment_not_synced", unsynced_second, {3, 9}},
        {"no_sync_mode_to_the_end", make_journal(no_sync, 512, {{4, 1}, {8, 2}}), {4, 8}},
        {"nothing_counted_yet", make_journal(make_header(512), 512, {{4, 1}}), {}},
        {"persisted", persisted, {}},
        {"names_a_super_journal", with_super(name_sum), {}},
        {"trailer_checksum_off", with_super(name_sum + 1), {3, 9, 5}},
        {"cut_in_the_magic", byte_array(two_segments.begin(), two_segments.begin() + 7), {}},
    };
    for (const auto& c : cases) {
        uni::fileio file(c.bytes, false, false);
        page_map pages;
        uint32 page_size = 0;
        EXPECT_EQ(read_rollback_pages(pages, page_size, file), !c.pages.empty()) << c.name;
        std::set<uint64> numbers;
        for (const auto& [number, offset] : pages) {
            numbers.insert(number);
        }
        EXPECT_EQ(numbers, c.pages) << c.name;
    }
}
