#include "app/slack_carving.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/carved_notifications.h"
#include "app/db_processing.h"
#include "app/push_record_finder.h"
#include "app/push_table_type.h"
#include "app/recovery_fixture_hits.h"
#include "app/velk_options.h"
#include "io/io_test_support.h"
#include "real_data.h"
#include "sqlite/carved_record.h"
#include "sqlite/page_builder.h"

namespace {

using velk_test::temp_dir;

const std::string recovery_dir = std::string(VELK_TEST_DATA_DIR) + "/recovery";

std::string fixture(const std::string& name) { return recovery_dir + "/" + name; }

// "<record source>:<marker>" of every notification in the store, in store order.
std::vector<std::string> found(const velk_options& options) {
    std::vector<std::string> out;
    for (const notification_record& n : velk_test::carved_notifications(options)) {
        const std::size_t at = n.m_payload.find("VELK-RECOVERY-");
        const std::string marker =
            at == std::string::npos ? "" : n.m_payload.substr(at, n.m_payload.find(' ', at) - at);
        out.push_back(std::to_string(record_source::of_word(n.m_source_word)) + ":" + marker);
    }
    return out;
}

void copy_into(const temp_dir& dir, const std::string& from, const std::string& to) {
    std::filesystem::copy_file(fixture(from), dir.file(to));
}

// ---- Slack of a database just read ----------------------------------------------------

TEST(CarveDbSlack, ReplacesTheNotificationsAndKeepsTheLiveHandlers) {
    velk_options options;
    options.m_status_output = false;
    ASSERT_TRUE(process_db_file(&options, fixture("deleted.db")));
    ASSERT_EQ(options.m_notifications.size(), 5U);
    const std::size_t handlers = options.m_handlers.size();
    const std::size_t channels = options.m_channels.size();
    ASSERT_EQ(handlers, 7U);

    ASSERT_TRUE(carve_db_slack(options.m_db.db_path(), false, false, options));
    EXPECT_EQ(found(options),
              (std::vector<std::string>{"2:VELK-RECOVERY-DELETED-7", "2:VELK-RECOVERY-DELETED-5",
                                        "2:VELK-RECOVERY-DELETED-2"}));
    for (const notification_record& n : velk_test::carved_notifications(options)) {
        EXPECT_TRUE(n.m_recovered);
        EXPECT_EQ(n.m_type, "toast");
        EXPECT_NE(n.m_record_offset, 0U);
        // The deleted rows' handlers are live ones: the report can link them.
        EXPECT_NE(options.m_handler_index.find(n.m_handler_id), options.m_handler_index.end());
    }
    EXPECT_EQ(options.m_handlers.size(), handlers);
    EXPECT_EQ(options.m_channels.size(), channels);

    // Appending keeps what is there.
    ASSERT_TRUE(carve_db_slack(options.m_db.db_path(), true, false, options));
    EXPECT_EQ(options.notification_count(), 6U);
}

struct companion_case {
    const char* name;
    std::vector<std::pair<const char*, const char*>> files;  // fixture -> name in the folder
    bool empty_wal;  // a 0-byte "-wal" beside the database, as a library leaves one
    bool wal_valid_pages;
    std::vector<std::string> found;
};

const companion_case companion_cases[] = {
    {"NoCompanion", {{"deleted.db", "db"}}, false, false, recovery_hits::deleted_slack},
    // An empty log is no log: the main file's slack is still carved.
    {"EmptyWalIgnored", {{"deleted.db", "db"}}, true, false, recovery_hits::deleted_slack},
    {"JournalPages",
     {{"journal.db", "db"}, {"journal.db-journal", "db-journal"}},
     false,
     false,
     recovery_hits::journal_pages},
    // Both companions: the log is carved, the journal is not looked at.
    {"WalWinsOverJournal",
     {{"wal.db", "db"}, {"wal.db-wal", "db-wal"}, {"journal.db-journal", "db-journal"}},
     false,
     false,
     recovery_hits::wal_overwritten},
    // "-carve" passes its setting on: the log's current pages are carved too.
    {"WalValidPagesWhenAsked",
     {{"wal.db", "db"}, {"wal.db-wal", "db-wal"}},
     false,
     true,
     recovery_hits::wal_with_valid_pages},
};

class CarveDbSlackCompanions : public ::testing::TestWithParam<companion_case> {};

TEST_P(CarveDbSlackCompanions, CarvesTheFileAndTheRightCompanion) {
    const companion_case& c = GetParam();
    const temp_dir dir;
    for (const auto& [from, to] : c.files) {
        copy_into(dir, from, to);
    }
    if (c.empty_wal) {
        velk_test::write_file(dir.file("db-wal"), "");
    }
    velk_options options;
    options.m_status_output = false;
    ASSERT_TRUE(carve_db_slack(dir.file("db"), false, c.wal_valid_pages, options));
    EXPECT_EQ(found(options), c.found);
}

INSTANTIATE_TEST_SUITE_P(Cases, CarveDbSlackCompanions, ::testing::ValuesIn(companion_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// ---- Where removed rows hide: a persisted journal, a cut copy, pages past the end -------

const std::string remnants_dir = std::string(VELK_TEST_DATA_DIR) + "/remnants";

struct remnant_case {
    const char* name;
    std::vector<const char*> files;  // of remnants/, copied under their own names
    std::vector<std::string> found;
    std::string said;  // what standard error holds, "%s" standing for the database's path
};

// Orders 8 to 1 of the Notification leaf, as the carver meets them, with the source given
// and the kind of marker each Order carries.
std::vector<std::string> leaf_rows(uint32 source, const std::map<int, std::string>& kinds) {
    std::vector<std::string> out;
    for (int order = 8; order >= 1; --order) {
        const auto kind = kinds.find(order);
        out.push_back(std::to_string(source) + ":VELK-RECOVERY-" +
                      (kind == kinds.end() ? "LIVE" : kind->second) + "-" + std::to_string(order));
    }
    return out;
}

const remnant_case remnant_cases[] = {
    // The commit zeroed the journal's header: its records, the leaf's image before the
    // delete among them, are read at the database's page size.
    {"PersistedJournal",
     {"persisted.db", "persisted.db-journal"},
     leaf_rows(record_source::carve_journal, {{3, "PERSISTED"}}),
     ""},
    // A stale leaf past the header's page count: carved as space past the end, not as a
    // page of the live tree.
    {"LeafPastTheEnd",
     {"tail_leaf.db"},
     leaf_rows(record_source::main_db_past_end, {{4, "TAIL"}, {6, "TAIL"}}),
     ""},
    // Cut inside its last page: said, and what the pages hold is read.
    {"CutInsideTheLastPage",
     {"cut_page.db"},
     {"2:VELK-RECOVERY-CUT-DELETED-5", "2:VELK-RECOVERY-CUT-DELETED-2"},
     "prob reading %s: cut off after 20 of its 21 pages (and part of page 21): only those were "
     "read\n"},
};

class CarveDbSlackRemnants : public ::testing::TestWithParam<remnant_case> {};

TEST_P(CarveDbSlackRemnants, FindsEveryRowWhereItSurvives) {
    const remnant_case& c = GetParam();
    const temp_dir dir;
    for (const char* name : c.files) {
        std::filesystem::copy_file(remnants_dir + "/" + name, dir.file(name));
    }
    const std::string db = dir.file(c.files[0]);
    velk_options options;
    options.m_status_output = false;
    ::testing::internal::CaptureStderr();
    const bool carved = carve_db_slack(db, false, false, options);
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(carved);
    EXPECT_EQ(found(options), c.found);
    std::string said = c.said;
    if (const auto at = said.find("%s"); at != std::string::npos) {
        said.replace(at, 2, db);
    }
    EXPECT_TRUE(said.empty() ? err.empty() : err.ends_with(said)) << err;
}

INSTANTIATE_TEST_SUITE_P(Cases, CarveDbSlackRemnants, ::testing::ValuesIn(remnant_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// A page cut inside is missing: only whole pages count as held.
TEST(CarveDbSlack, CutOffCountsWholePages) {
    const byte_array whole = test_pages::read_file(remnants_dir + "/persisted.db");
    ASSERT_EQ(whole.size(), 21U * 4096);
    const temp_dir dir;
    const std::string db = dir.file("cut.db");
    const std::pair<std::size_t, const char*> cuts[] = {
        {21 * 4096, ""},
        {21 * 4096 - 1, "cut off after 20 of its 21 pages (and part of page 21): only"},
        {20 * 4096, "cut off after 20 of its 21 pages: only those were read"},
        {4096 + 1, "cut off after 1 of its 21 pages (and part of page 2): only"},
    };
    for (const auto& [size, said] : cuts) {
        velk_test::write_file(
            db, std::string(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
        velk_options options;
        options.m_status_output = false;
        ::testing::internal::CaptureStderr();
        (void)carve_db_slack(db, false, false, options);  // the message is what is tested
        const std::string err = ::testing::internal::GetCapturedStderr();
        if (*said == '\0') {
            EXPECT_EQ(err.find("cut off"), std::string::npos) << size;
        } else {
            EXPECT_NE(err.find(said), std::string::npos) << size << ": " << err;
        }
    }
}

TEST(CarveDbSlack, NothingFoundOrNoPath) {
    const temp_dir dir;
    velk_test::write_file(dir.file("text.db"), std::string(5000, 'a'));
    velk_options options;
    options.m_status_output = false;
    EXPECT_FALSE(carve_db_slack("", false, false, options));
    EXPECT_FALSE(carve_db_slack(dir.file("text.db"), false, false, options));
    EXPECT_FALSE(carve_db_slack(dir.file("missing.db"), false, false, options));
    EXPECT_TRUE(options.notification_count() == 0);
}

// ---- Page chunks ------------------------------------------------------------------------

TEST(ParseChunkFile, ADatabaseReadAsRawPagesGivesLiveAndDeletedRows) {
    velk_options options;
    options.m_status_output = false;
    options.m_notifications.resize(3);  // an earlier input's store is emptied first
    ASSERT_TRUE(::setenv("VELK_CHUNK_DIR", recovery_dir.c_str(), 1) == 0);
    ASSERT_TRUE(parse_chunk_file(&options, "%VELK_CHUNK_DIR%/deleted.db"));
    EXPECT_EQ(options.m_db.db_path(), fixture("deleted.db"));
    // Page 7 from its end: Orders 8 to 1, the deleted ones among them.
    EXPECT_EQ(found(options),
              (std::vector<std::string>{"4:VELK-RECOVERY-LIVE-8", "4:VELK-RECOVERY-DELETED-7",
                                        "4:VELK-RECOVERY-LIVE-6", "4:VELK-RECOVERY-DELETED-5",
                                        "4:VELK-RECOVERY-LIVE-4", "4:VELK-RECOVERY-LIVE-3",
                                        "4:VELK-RECOVERY-DELETED-2", "4:VELK-RECOVERY-LIVE-1"}));
    for (const notification_record& n : velk_test::carved_notifications(options)) {
        EXPECT_TRUE(n.m_recovered);
        EXPECT_GE(n.m_record_offset, 6U * 4096);
        EXPECT_LT(n.m_record_offset, 7U * 4096);
    }
    EXPECT_EQ(options.m_notification_def.m_column_mask, 0x3fffU);  // the hits' layout
}

// The page size of a log given as a chunk comes from its header: 1024-byte frames read as
// 4096-byte chunks would cut records at frame boundaries and read frame headers as data.
TEST(ParseChunkFile, AWalOfSmallPagesIsReadFrameByFrame) {
    const std::string wal_path = fixture("wal1024.db-wal");
    const byte_array wal = test_pages::read_file(wal_path);
    constexpr std::size_t page = 1024;
    constexpr std::size_t frame = 24 + page;
    ASSERT_EQ((wal.size() - 32) % frame, 0U);
    // What the finder sees in each frame's page on its own.
    std::multiset<uint64> expected;
    std::vector<carved_record> hits;
    for (std::size_t at = 32 + 24; at + page <= wal.size(); at += frame) {
        if (find_push_records_in(hits, wal.data() + at, page, at, false, push_table_notification)) {
            for (const carved_record& h : hits) {
                // Reported at the cell: a two-byte payload length and a one-byte rowid
                // before the header-size byte.
                expected.insert(h.file_offset - 4);
            }
        }
    }
    ASSERT_GT(expected.size(), 8U);

    velk_options options;
    options.m_status_output = false;
    ASSERT_TRUE(parse_chunk_file(&options, wal_path));
    std::multiset<uint64> offsets;
    std::set<std::string> markers;
    for (const notification_record& n : velk_test::carved_notifications(options)) {
        offsets.insert(n.m_record_offset);
        EXPECT_EQ(record_source::of_word(n.m_source_word), record_source::carve_blob);
        markers.insert(n.m_payload.substr(n.m_payload.find("VELK-RECOVERY-"), 30));
    }
    EXPECT_EQ(offsets, expected);
    for (const char* m : {"VELK-RECOVERY-WAL-DELETED-4 me", "VELK-RECOVERY-WAL-UPDATE-BEFOR",
                          "VELK-RECOVERY-WAL-UPDATE-AFTER", "VELK-RECOVERY-LIVE-8 message 8"}) {
        EXPECT_EQ(markers.count(m), 1U) << m;
    }
}

TEST(ParseChunkFile, AWalOfPlatformPagesIsCarveBlobThroughout) {
    velk_options options;
    options.m_status_output = false;
    ASSERT_TRUE(parse_chunk_file(&options, fixture("wal.db-wal")));
    // Frame 1 (the updated page 7) and frame 2 (after the delete, the row in a freeblock).
    EXPECT_EQ(found(options).size(), 16U);
    for (const std::string& f : found(options)) {
        EXPECT_EQ(f.substr(0, 2), "4:");
    }
}

TEST(ParseChunkFile, HandlersAndChannelsAloneSucceedWithoutNotifications) {
    byte_array chunk(100, 0);
    const std::string guid = "3f2504e0-4f89-11d3-9a0c-0305e82c3301";
    byte_array handler = {0x3c, 0x05, 0x0b, 0x00, 0x55, 0x00, 0x1f,
                          0x00, 0x00, 0x33, 0x33, 0x00, 0x00};
    test_pages::append(handler, test_pages::text_bytes(guid + "app:immer"));
    test_pages::append(handler, test_pages::text_bytes("2023-03-14 08:02:112023-03-14 08:02:11"));
    test_pages::append(chunk, handler);
    test_pages::append(chunk, {0x22, 0x06, 0x06, 0x1b, 0x01, 0x1b, 0x06, 0x06});
    test_pages::append(chunk, test_pages::text_bytes("3;12345\x09https:/"));
    test_pages::append(chunk, byte_array(16, 0x01));
    chunk.resize(4096, 0);
    const temp_dir dir;
    velk_test::write_file(dir.file("page.bin"), std::string(chunk.begin(), chunk.end()));

    velk_options options;
    options.m_status_output = false;
    ASSERT_TRUE(parse_chunk_file(&options, dir.file("page.bin")));
    EXPECT_TRUE(options.notification_count() == 0);
    ASSERT_EQ(options.m_handlers.size(), 1U);
    ASSERT_EQ(options.m_channels.size(), 1U);
    EXPECT_EQ(options.m_channels[0].m_handler_id, 9);
}

struct chunk_failure_case {
    const char* name;
    std::string content;  // written to the chunk file; "<missing>" writes none
    bool status_output;
    std::string stderr_text;  // what standard error ends with, "%s" standing for the path
};

std::string random_bytes(std::size_t n) {
    std::mt19937 gen(4242);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string out(n, '\0');
    for (char& c : out) {
        c = static_cast<char>(byte(gen));
    }
    return out;
}

const chunk_failure_case chunk_failure_cases[] = {
    {"RandomBytes", random_bytes(8192), false,
     "problem finding proper signatures to parse in %s\n"},
    // Nothing read: no progress line, but the failure is said.
    {"EmptyFile", "", true, "prob accessing file %s: the file is empty\n"},
    {"MissingFile", "<missing>", true, "prob accessing file %s: No such file or directory\n"},
    {"Folder", "<folder>", true, "prob accessing file %s: a folder, not a regular file\n"},
};

class ParseChunkFileFailure : public ::testing::TestWithParam<chunk_failure_case> {};

TEST_P(ParseChunkFileFailure, FailsWithItsMessage) {
    const chunk_failure_case& c = GetParam();
    const temp_dir dir;
    const std::string path = dir.file("chunk.bin");
    if (c.content == "<folder>") {
        ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    } else if (c.content != "<missing>") {
        velk_test::write_file(path, c.content);
    }
    velk_options options;
    options.m_status_output = c.status_output;
    ::testing::internal::CaptureStderr();
    const bool ok = parse_chunk_file(&options, path);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(ok);
    std::string expected = c.stderr_text;
    if (const auto at = expected.find("%s"); at != std::string::npos) {
        expected.replace(at, 2, path);
    }
    // stderr_printf clears the status line before the text.
    EXPECT_TRUE(err.ends_with(expected)) << err;
    EXPECT_EQ(err.find("analyzing"), std::string::npos);
    EXPECT_TRUE(options.notification_count() == 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseChunkFileFailure, ::testing::ValuesIn(chunk_failure_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ParseChunkFile, NoOptionsOrNoPath) {
    velk_options options;
    EXPECT_FALSE(parse_chunk_file(nullptr, fixture("deleted.db")));
    EXPECT_FALSE(parse_chunk_file(&options, ""));
}

}  // namespace

namespace {

// ---- The real database ------------------------------------------------------------------

struct seen_notification {
    int64 arrival;
    int64 expiry;
    std::string type;
    std::string payload;
    auto operator<=>(const seen_notification&) const = default;
};

std::multiset<seen_notification> seen(const velk_options& options) {
    std::multiset<seen_notification> out;
    std::vector<notification_record> all = velk_test::carved_notifications(options);
    all.insert(all.end(), options.m_notifications.begin(), options.m_notifications.end());
    for (const notification_record& n : all) {
        out.insert({n.m_arrival_time, n.m_expiry_time, n.m_type, n.m_payload});
    }
    return out;
}

// It holds no deleted notification: its slack gives none, and read as a chunk it gives the
// six live ones, as raw records.
TEST(RecoveryRealDatabase, SlackHoldsNoNotificationAndTheChunkTheSixLiveOnes) {
    const std::string real = test_pages::real_db_path();
    VELK_NEED_REAL_DATA(real);
    const temp_dir dir;
    std::filesystem::copy_file(real, dir.file("wpndatabase.db"));
    velk_options live;
    live.m_status_output = false;
    ASSERT_TRUE(process_db_file(&live, dir.file("wpndatabase.db")));
    ASSERT_EQ(live.m_notifications.size(), 6U);
    const std::size_t handlers = live.m_handlers.size();

    (void)carve_db_slack(live.m_db.db_path(), false, false, live);
    EXPECT_TRUE(live.notification_count() == 0);
    EXPECT_GE(live.m_handlers.size(), handlers);

    velk_options live_again;
    live_again.m_status_output = false;
    ASSERT_TRUE(process_db_file(&live_again, dir.file("wpndatabase.db")));
    velk_options chunk;
    chunk.m_status_output = false;
    ASSERT_TRUE(parse_chunk_file(&chunk, dir.file("wpndatabase.db")));
    EXPECT_EQ(seen(chunk), seen(live_again));
    bool order_one = false;
    for (const notification_record& n : velk_test::carved_notifications(chunk)) {
        EXPECT_EQ(record_source::of_word(n.m_source_word), record_source::carve_blob);
        order_one = order_one || n.m_record_offset == 0x6ed7;  // its cell
    }
    EXPECT_TRUE(order_one);
}

}  // namespace
