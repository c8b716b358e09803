#include "app/push_record_finder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/push_layouts.h"
#include "app/push_table_type.h"
#include "app/recovery_fixture_hits.h"
#include "io/uni_fileio.h"
#include "real_data.h"
#include "sqlite/database_carver.h"
#include "sqlite/page_builder.h"
#include "sqlite/region_scan.h"
#include "sqlite/table_definition.h"
#include "sqlite/value_code.h"

namespace {

using test_pages::append;
using test_pages::put_be;
using test_pages::text_bytes;
using test_pages::varint;

constexpr uint64 chunk_at = 0x10000;

byte_array repeat(uint8 b, std::size_t n) { return byte_array(n, b); }

// A notification of ten columns with the header 0B | 00 01 01 2C 17 20 13 13 06 06: Id and
// HandlerId one byte each, a 16-byte ActivityId, a 5-byte Type, a 10-byte Payload, a Tag and
// a Group of 3 characters, two 8-byte times. size_byte replaces the header-size byte 0x0B.
byte_array notification_row(const std::string& type, uint8 size_byte = 0x0b) {
    byte_array r = {size_byte, 0x00, 0x01, 0x01, 0x2c, 0x17, 0x20, 0x13, 0x13, 0x06, 0x06};
    append(r, {0x15, 0x07});  // Id 21, HandlerId 7
    append(r, repeat(0xa5, 16));
    append(r, text_bytes(type));
    append(r, text_bytes("<toast/>.."));
    append(r, text_bytes("tag"));
    append(r, text_bytes("grp"));
    append(r, {0x01, 0xd9, 0x56, 0x63, 0x1b, 0x4c, 0x8e, 0x4c});
    append(r, {0x01, 0xd9, 0x56, 0x63, 0x10, 0x2a, 0x6d, 0x4c});
    return r;
}

// A five-column channel 06 1B 01 1B | 06 06: a 7-character id, handler 9, a 7-character URI
// and two 8-byte times.
byte_array channel_row(const std::string& id, uint8 size_byte = 0x06) {
    byte_array r = {size_byte, 0x1b, 0x01, 0x1b, 0x06, 0x06};
    append(r, text_bytes(id));
    append(r, {0x09});
    append(r, text_bytes("https:/"));
    append(r, repeat(0x31, 16));
    return r;
}

// A nine-column handler 0A 00 1F 0D 13 17 | 00 00 33 33: a 9-character primary id, an empty
// WNS id, a 3-character type, a 5-character text and the two time texts.
byte_array handler_row(const std::string& primary) {
    byte_array r = {0x0a, 0x00, 0x1f, 0x0d, 0x13, 0x17, 0x00, 0x00, 0x33, 0x33};
    append(r, text_bytes(primary));
    append(r, text_bytes("app"));
    append(r, text_bytes("wnf.."));
    append(r, text_bytes("2023-03-14 08:02:11"));
    append(r, text_bytes("2023-03-14 08:02:11"));
    return r;
}

// A ten-column handler without column 0x4: H | 00 55 00 1F | 00 00 33 33 | 00 00, with a
// 36-character primary id, NULL WNS id, a 9-character handler type and NULL parent and sid.
byte_array handler_ten_row(const std::string& primary, uint8 size_byte = 0x0b) {
    byte_array r = {size_byte, 0x00, 0x55, 0x00, 0x1f, 0x00, 0x00, 0x33, 0x33, 0x00, 0x00};
    append(r, text_bytes(primary));
    append(r, text_bytes("app:immer"));
    append(r, text_bytes("2023-03-14 08:02:11"));
    append(r, text_bytes("2023-03-14 08:02:11"));
    return r;
}

// A handler of the platform's ten columns without column 0x4 whose WNS id, handler type,
// property set and container are given: H | 00 <primary> <wns> <type> | <event> <property>
// 33 33 | <parent> [<container>]; texts of 'w', 't', 'p' and 'c' fill their lengths.
byte_array handler_columns(const std::string& primary, uint8 wns, uint8 type, uint8 property,
                           std::optional<uint8> container) {
    const auto text_of = [](uint8 serial, char c) {
        return serial >= 13 ? byte_array((serial - 12) / 2, static_cast<uint8>(c)) : byte_array{};
    };
    byte_array header = {
        0x00, static_cast<uint8>(13 + 2 * primary.size()), wns, type, 0x00, property, 0x33, 0x33,
        0x00};
    if (container) {
        header.push_back(*container);
    }
    byte_array r = {static_cast<uint8>(header.size() + 1)};
    append(r, header);
    append(r, text_bytes(primary));
    append(r, text_of(wns, 'w'));
    append(r, text_of(type, 't'));
    append(r, text_of(property, 'p'));
    append(r, text_bytes("2023-03-14 08:02:11"));
    append(r, text_bytes("2023-03-14 08:02:11"));
    if (container) {
        append(r, text_of(*container, 'c'));
    }
    return r;
}

// A five- or six-column channel whose handler id, URI and device version are given.
byte_array channel_columns(uint8 handler, uint8 uri, std::optional<uint8> device_version) {
    byte_array header = {0x1b, handler, uri, 0x06, 0x06};
    if (device_version) {
        header.push_back(*device_version);
    }
    byte_array r = {static_cast<uint8>(header.size() + 1)};
    append(r, header);
    append(r, text_bytes("abcdefg"));
    append(r, byte_array(handler >= 1 && handler <= 4 ? handler : 0, 0x07));
    append(r, byte_array(uri >= 13 ? (uri - 13) / 2 : 0, 'u'));
    append(r, repeat(0x31, 16));
    return r;
}

// The cell's payload length (the record's) and rowid 5 before the record, as on a page, and
// a few bytes after it.
byte_array in_cell(const byte_array& record) {
    byte_array chunk = varint(record.size());
    chunk.push_back(0x05);
    append(chunk, record);
    append(chunk, repeat(0x00, 4));
    return chunk;
}

byte_array without_size_byte(const byte_array& record) {
    return {record.begin() + 1, record.end()};
}

struct expected_hit {
    std::size_t offset;
    uint64 mask;
    int32 table_type;
    uint8 columns;
    uint8 corrected;
};

struct finder_case {
    const char* name;
    byte_array chunk;
    std::vector<expected_hit> hits;
};

const std::string guid_id = "3f2504e0-4f89-11d3-9a0c-0305e82c3301";

const finder_case finder_cases[] = {
    {"NotificationTenColumns",
     in_cell(notification_row("toast")),
     {{3, 0x3ff, push_table_notification, 10, 0}}},
    {"NotificationWrongSizeByte",
     in_cell(notification_row("toast", 0x0f)),
     {{3, 0x3ff, push_table_notification, 10, 1}}},
    {"NotificationTile",
     in_cell(notification_row("tile.")),
     {{3, 0x3ff, push_table_notification, 10, 0}}},
    {"NotificationOtherType", in_cell(notification_row("xyzzy")), {}},
    // The header-size byte is the chunk's first byte: the whole header is there, but not the
    // cell's rowid.
    {"NotificationSizeByteFirst",
     notification_row("toast"),
     {{1, 0x3ff, push_table_notification, 10, header_fix::cell_prefix}}},
    // The first serial type starts the chunk: its header-size byte would lie before data[0].
    {"NotificationTypesFirst", without_size_byte(notification_row("toast")), {}},
    {"ChannelTypesFirst", without_size_byte(channel_row("3;12345")), {}},
    {"HandlerTypesFirst", without_size_byte(handler_ten_row(guid_id)), {}},
    {"ChannelFiveColumns", in_cell(channel_row("abcdefg")), {{3, 0x1f, push_table_channel, 5, 0}}},
    {"ChannelWrongSizeByteIdConfirms",
     in_cell(channel_row("3;12345", 0x09)),
     {{3, 0x1f, push_table_channel, 5, 1}}},
    {"ChannelWrongSizeByteIdRejects", in_cell(channel_row("abcdefg", 0x09)), {}},
    {"HandlerNineColumns",
     in_cell(handler_row("Windows.D")),
     {{3, 0x1ff, push_table_handler, 9, 0}}},
    {"HandlerGuidPrimaryId",
     in_cell(handler_ten_row(guid_id)),
     {{3, 0x7fb, push_table_handler, 10, 0}}},
    {"HandlerLowerCasePrimaryId",
     in_cell(handler_ten_row("abcdefghijklmnopqrstuvwxyzabcdefghij")),
     {}},
    // The id reads right but the size byte disagrees with the ten-column layout: no handler,
    // even though 10 is the size of the shorter layout.
    {"HandlerSizeByteDisagrees", in_cell(handler_ten_row(guid_id, 0x0a)), {}},
    // Values the columns' declared types allow: a NULL HandlerType or ContainerSid, a text
    // ContainerSid, a blob property set; a NULL URI, a handler id of two bytes or 0, a device
    // version stored as 0.
    {"HandlerTypeNull",
     in_cell(handler_columns("Windows.Defender", 0x00, 0x00, 0x00, 0x00)),
     {{3, 0x7fb, push_table_handler, 10, 0}}},
    {"HandlerPropertySetBlob",
     in_cell(handler_columns("Windows.Defender", 0x00, 0x1f, 0x14, 0x00)),
     {{3, 0x7fb, push_table_handler, 10, 0}}},
    {"HandlerContainerText",
     in_cell(handler_columns("Windows.Defender", 0x00, 0x1f, 0x00, 0x15)),
     {{3, 0x7fb, push_table_handler, 10, 0}}},
    // Nine columns: the primary id's first byte, 'M', also reads as a text serial type, so
    // the ten-column layout matches too; the header-size byte picks the nine.
    {"HandlerNineColumnsIdLooksLikeAType",
     in_cell(handler_columns("Microsoft.Windows", 0x00, 0x1f, 0x00, std::nullopt)),
     {{3, 0x3fb, push_table_handler, 9, 0}}},
    {"ChannelUriNull",
     in_cell(channel_columns(0x01, 0x00, std::nullopt)),
     {{3, 0x1f, push_table_channel, 5, 0}}},
    {"ChannelHandlerIdTwoBytes",
     in_cell(channel_columns(0x02, 0x1b, std::nullopt)),
     {{3, 0x1f, push_table_channel, 5, 0}}},
    {"ChannelDeviceVersionZero",
     in_cell(channel_columns(0x08, 0x1b, 0x08)),
     {{3, 0x3f, push_table_channel, 6, 0}}},
};

class FindPushRecords : public ::testing::TestWithParam<finder_case> {};

TEST_P(FindPushRecords, HitsAsExpected) {
    const finder_case& c = GetParam();
    // An exact-size copy, so that a read before or past the chunk trips the sanitizer.
    const byte_array chunk = c.chunk;
    std::vector<carved_record> hits(2);
    const bool found = find_push_records_in(hits, chunk.data(), static_cast<uint32>(chunk.size()),
                                            chunk_at, false, all_push_tables);
    EXPECT_EQ(found, !c.hits.empty());
    ASSERT_EQ(hits.size(), c.hits.size());
    for (std::size_t i = 0; i < hits.size(); ++i) {
        const carved_record& h = hits[i];
        const expected_hit& e = c.hits[i];
        EXPECT_EQ(h.offset_in_chunk, e.offset);
        EXPECT_EQ(h.file_offset, chunk_at + e.offset);
        EXPECT_EQ(h.column_mask, e.mask);
        EXPECT_EQ(h.table_type, e.table_type);
        EXPECT_EQ(h.column_count, e.columns);
        EXPECT_EQ(h.header_corrected, e.corrected);
        EXPECT_TRUE(h.values.empty());
        EXPECT_TRUE(h.bytes.empty());
        EXPECT_EQ(h.rowid, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, FindPushRecords, ::testing::ValuesIn(finder_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// A notification record of the serial types given (Order's NULL first), its Type "toast" and
// every other content byte 'a'; its header-size byte is the header's size unless given.
byte_array notification_of(const std::vector<uint64>& types, int size_byte = -1) {
    byte_array header;
    byte_array content;
    for (std::size_t i = 0; i < types.size(); ++i) {
        const uint64 t = types[i];
        append(header, varint(t));
        const std::size_t size = t >= 12            ? (t - 12) / 2
                                 : t == 5           ? 6
                                 : t == 6 || t == 7 ? 8
                                 : t < 5            ? t
                                                    : 0;
        append(content, i == 4 ? text_bytes("toast") : byte_array(size, 'a'));
    }
    const auto h = static_cast<uint8>(size_byte >= 0 ? size_byte : header.size() + 1);
    byte_array r = {h};
    append(r, header);
    append(r, content);
    return r;
}

// The platform's fourteen serial types: Order, Id, HandlerId, ActivityId, Type, Payload, Tag,
// Group, ExpiryTime, ArrivalTime, DataVersion, PayloadType, BootId, ExpiresOnReboot.
std::vector<uint64> platform_types() {
    return {0, 2, 1, 0x2c, 0x17, 0x20, 0x13, 0x13, 6, 6, 8, 0x13, 6, 8};
}

std::vector<uint64> with(std::vector<uint64> types, std::size_t column, uint64 type) {
    types[column] = type;
    return types;
}

std::vector<uint64> first(std::vector<uint64> types, std::size_t n) {
    types.resize(n);
    return types;
}

struct value_case {
    const char* name;
    std::vector<uint64> types;
    int size_byte;  // -1: the header's own size
    uint64 mask;    // 0: no hit
    uint8 corrected;
};

// Every serial type a column's declared type and constraints allow: integers of any width
// and the constants 0 and 1, NULL where the column may be NULL, a text or blob payload, a
// GUID given as text or as a blob too long for a one-byte serial type.
const value_case value_cases[] = {
    {"Platform", platform_types(), -1, 0x3fff, 0},
    {"ExpiresOnRebootOne", with(platform_types(), 13, 9), -1, 0x3fff, 0},
    {"ExpiresOnRebootNull", with(platform_types(), 13, 0), -1, 0x3fff, 0},
    {"DataVersionTwo", with(platform_types(), 10, 1), -1, 0x3fff, 0},
    {"BootIdNull", with(platform_types(), 12, 0), -1, 0x3fff, 0},
    {"TagNull", with(platform_types(), 6, 0), -1, 0x3fff, 0},
    {"GroupNull", with(platform_types(), 7, 0), -1, 0x3fff, 0},
    {"HandlerIdNull", with(platform_types(), 2, 0), -1, 0x3fff, 0},
    {"HandlerIdThreeBytes", with(platform_types(), 2, 3), -1, 0x3fff, 0},
    {"IdEightBytes", with(platform_types(), 1, 6), -1, 0x3fff, 0},
    {"ExpiryTimeNull", with(platform_types(), 8, 0), -1, 0x3fff, 0},
    {"ArrivalTimeOneByte", with(platform_types(), 9, 1), -1, 0x3fff, 0},
    {"PayloadText", with(platform_types(), 5, 0x21), -1, 0x3fff, 0},
    {"PayloadLongText", with(platform_types(), 5, 0x1ff), -1, 0x3fff, 0},
    {"ActivityIdText", with(platform_types(), 3, 0x55), -1, 0x3fff, 0},
    {"ActivityIdLongBlob", with(platform_types(), 3, 0xd4), -1, 0x3fff, 0},
    {"ActivityIdNull", with(platform_types(), 3, 0), -1, 0x3fff, 0},
    // ActivityId's GUID type has numeric affinity: a number is kept as an integer or a real.
    {"ActivityIdIntegerOneByte", with(platform_types(), 3, 1), -1, 0x3fff, 0},
    {"ActivityIdIntegerThreeBytes", with(platform_types(), 3, 3), -1, 0x3fff, 0},
    {"ActivityIdIntegerSixBytes", with(platform_types(), 3, 5), -1, 0x3fff, 0},
    {"ActivityIdIntegerEightBytes", with(platform_types(), 3, 6), -1, 0x3fff, 0},
    {"ActivityIdReal", with(platform_types(), 3, 7), -1, 0x3fff, 0},
    {"ActivityIdZero", with(platform_types(), 3, 8), -1, 0x3fff, 0},
    {"ActivityIdOne", with(platform_types(), 3, 9), -1, 0x3fff, 0},
    {"ActivityIdRealSizeByteLost", with(platform_types(), 3, 7), 0x30, 0x3fff, 1},
    {"TwelveColumns", first(with(platform_types(), 10, 4), 12), -1, 0xfff, 0},
    {"ElevenColumnsSizeByteLost", first(platform_types(), 11), 0x30, 0x7ff, 1},
    {"WidenedValuesSizeByteLost", with(with(platform_types(), 13, 9), 2, 0), 0x30, 0x3fff, 1},
    // Ten columns under a lost size byte whose first content byte reads as an eleventh serial
    // type: the longer layouts fail their type sample, and ten columns are still tried.
    {"TenColumnsContentLooksLikeAType", first(with(platform_types(), 1, 1), 10), 0x30, 0x3ff, 1},
    // Id is NOT NULL; Type is a text.
    {"IdNull", with(platform_types(), 1, 0), -1, 0, 0},
    {"TypeBlob", with(platform_types(), 4, 0x16), -1, 0, 0},
    {"ExpiryTimeReal", with(platform_types(), 8, 7), -1, 0, 0},
    {"ActivityIdReserved", with(platform_types(), 3, 10), -1, 0, 0},
};

class FindNotificationValues : public ::testing::TestWithParam<value_case> {};

TEST_P(FindNotificationValues, EveryAllowedSerialType) {
    const value_case& c = GetParam();
    byte_array record = notification_of(c.types, c.size_byte);
    if (c.name == std::string("TenColumnsContentLooksLikeAType")) {
        record[c.types.size() + 1] = 0x05;  // Id's one content byte
    }
    const byte_array chunk = in_cell(record);
    std::vector<carved_record> hits;
    (void)find_push_records_in(hits, chunk.data(), static_cast<uint32>(chunk.size()), chunk_at,
                               false, all_push_tables);
    if (c.mask == 0) {
        EXPECT_TRUE(hits.empty());
        return;
    }
    ASSERT_EQ(hits.size(), 1U);
    EXPECT_EQ(hits[0].offset_in_chunk, varint(record.size()).size() + 2);
    EXPECT_EQ(hits[0].column_mask, c.mask);
    EXPECT_EQ(hits[0].column_count, std::popcount(c.mask));
    EXPECT_EQ(hits[0].header_corrected, c.corrected);
    EXPECT_EQ(hits[0].lost_types, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindNotificationValues, ::testing::ValuesIn(value_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// A schema that adds a column after the known ones: its records are taken with the known
// columns' layout and the added column counted, whether or not their size byte is there.
TEST(FindNotificationAddedColumns, RecordsOfTheSchemasLayout) {
    table_definition def;
    ASSERT_TRUE(def.load_create_sql(
        "CREATE TABLE [Notification]( [Order] INTEGER NOT NULL PRIMARY KEY, [Id] INTEGER NOT "
        "NULL, [HandlerId] INTEGER, [ActivityId] GUID,[Type] TEXT NOT NULL, [Payload] BLOB, "
        "[Tag] TEXT, [Group] TEXT, [ExpiryTime] INT64, [ArrivalTime] INT64, [DataVersion] INT64 "
        "DEFAULT '0', [PayloadType] TEXT NOT NULL, [BootId] INT64 DEFAULT '0', [ExpiresOnReboot] "
        "BOOLEAN DEFAULT 'FALSE', [Priority] INTEGER, UNIQUE([Id]) ON CONFLICT REPLACE)",
        true));
    const notification_schema_layout schema = notification_layout_of(def);
    ASSERT_EQ(schema.fit, notification_layout_fit::added_columns);
    std::vector<uint64> types = platform_types();
    types.push_back(0x81);  // a text of 58 bytes: a two-byte serial type
    for (const int size_byte : {-1, 0x30}) {
        const byte_array chunk = in_cell(notification_of(types, size_byte));
        std::vector<carved_record> hits;
        (void)find_push_records_in(hits, chunk.data(), static_cast<uint32>(chunk.size()), 0, false,
                                   all_push_tables, text_encoding::utf8, &schema);
        ASSERT_EQ(hits.size(), 1U) << size_byte;
        EXPECT_EQ(hits[0].column_mask, 0x3fffU);
        EXPECT_EQ(hits[0].column_count, 15);
        EXPECT_EQ(hits[0].header_corrected, size_byte < 0 ? 0 : 1);
        // Without the schema the added column shifts the content: no layout reads "toast".
        EXPECT_FALSE(find_push_records_in(hits, chunk.data(), static_cast<uint32>(chunk.size()), 0,
                                          false, all_push_tables));
    }
}

// A short record at a freeblock's start: the freeblock header (next pointer, size) took its
// payload length, rowid, header-size byte and Order's NULL. The hit names where Order stood,
// with that serial type lost and the rowid unknown; chunks of one freeblock and whole table
// leaf pages are both looked at.
byte_array short_badge() {
    std::vector<uint64> types = platform_types();
    types[5] = 0x30;  // an 18-byte payload
    byte_array r = notification_of(types);
    const byte_array cell_start = {static_cast<uint8>(r.size()), 0x05};
    r.insert(r.begin(), cell_start.begin(), cell_start.end());
    return r;
}

byte_array freeblock_over(byte_array cell, uint16 next) {
    put_be(cell, 0, next, 2);
    put_be(cell, 2, cell.size(), 2);
    return cell;
}

TEST(FindNotificationAtFreeblocks, ShortRecordWhoseStartWasTaken) {
    const byte_array one_freeblock = freeblock_over(short_badge(), 0);
    byte_array page(4096, 0);
    page[0] = 0x0d;
    const std::size_t at = 3000;
    put_be(page, 1, at, 2);
    const byte_array cell = freeblock_over(short_badge(), 0);
    std::copy(cell.begin(), cell.end(), page.begin() + at);
    byte_array not_a_leaf = page;
    not_a_leaf[0] = 0x05;
    byte_array looping = page;
    put_be(looping, at, at, 2);  // the chain points back at itself
    struct chunk_case {
        const char* name;
        byte_array chunk;
        std::size_t first;  // 0: no hit
    };
    const chunk_case cases[] = {
        {"OneFreeblock", one_freeblock, 3},
        {"LeafPage", page, at + 3},
        {"LoopingChain", looping, at + 3},
        {"InteriorPage", not_a_leaf, 0},
        {"IntactRecord", in_cell(notification_of(platform_types())), 3},
    };
    for (const chunk_case& c : cases) {
        std::vector<carved_record> hits;
        (void)find_push_records_in(hits, c.chunk.data(), static_cast<uint32>(c.chunk.size()), 0,
                                   false, push_table_notification);
        if (c.first == 0) {
            EXPECT_TRUE(hits.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(hits.size(), 1U) << c.name;
        EXPECT_EQ(hits[0].offset_in_chunk, c.first) << c.name;
        EXPECT_EQ(hits[0].column_count, 14) << c.name;
        const bool lost = c.name != std::string("IntactRecord");
        EXPECT_EQ(hits[0].lost_types, lost ? 1 : 0) << c.name;
        EXPECT_EQ(hits[0].header_corrected, lost ? 1 : 0) << c.name;
    }
}

// Neighbouring cells freed together: SQLite merges each freed cell with the freeblock of the
// one above it under its own header, so the lowest cell starts one freeblock over the run and
// every other cell keeps a stale header. Every record of the run is found once, in order.
TEST(FindNotificationAtFreeblocks, EveryRecordOfAMergedRun) {
    const byte_array cell = short_badge();
    for (std::size_t run = 1; run <= 6; ++run) {
        byte_array freeblock;
        for (std::size_t i = 0; i < run; ++i) {
            // Freed from the top down: each header's size covers the cells freed by then.
            append(freeblock, freeblock_over(cell, 0));
            put_be(freeblock, i * cell.size() + 2, (run - i) * cell.size(), 2);
        }
        byte_array page(4096, 0);
        page[0] = 0x0d;
        const std::size_t at = 2000;
        put_be(page, 1, at, 2);
        std::copy(freeblock.begin(), freeblock.end(), page.begin() + at);
        for (const auto& [chunk, base] :
             {std::pair{freeblock, std::size_t{0}}, std::pair{page, at}}) {
            std::vector<carved_record> hits;
            (void)find_push_records_in(hits, chunk.data(), static_cast<uint32>(chunk.size()), 0,
                                       false, push_table_notification);
            ASSERT_EQ(hits.size(), run) << run << " at " << base;
            for (std::size_t i = 0; i < run; ++i) {
                EXPECT_EQ(hits[i].offset_in_chunk, base + i * cell.size() + 3) << run;
                EXPECT_EQ(hits[i].lost_types, 1) << run;
            }
        }
    }
}

// The records the carver decodes from one chunk with the finder's hits.
std::vector<carved_record> carve_one_chunk(const byte_array& chunk) {
    uni::fileio file(chunk, false, false);
    std::vector<carved_record> rows;
    (void)scan_regions(
        rows, {{0, chunk.size()}}, file, table_definition(),
        [](std::vector<carved_record>& hits, const uint8* data, uint32 length, uint64 offset,
           bool append, text_encoding encoding, void*) {
            return find_push_records_in(hits, data, length, offset, append, all_push_tables,
                                        encoding);
        },
        record_source::main_db_slack, 4096, text_encoding::utf8, 1, 1, false, false, nullptr,
        nullptr, chunk_done_noop);
    return rows;
}

// A record of 128 bytes or more with a rowid of 128 or more: the freeblock header took just
// its payload length and rowid, its header-size byte is whole. The bytes before it are the
// header's, so no rowid is read; an intact cell's rowid is.
TEST(FindNotificationAtFreeblocks, RowidUnderAFreeblockHeaderIsNotRead) {
    std::vector<uint64> types = platform_types();
    types[5] = 0x101;  // a 122-byte payload text: the record is over 128 bytes
    const byte_array record = notification_of(types);
    ASSERT_GE(record.size(), 128U);
    byte_array cell = varint(record.size());
    append(cell, varint(300));
    append(cell, record);
    byte_array after_a_cell = {0x2a};  // the last byte of the cell before
    append(after_a_cell, cell);
    for (const bool freed : {false, true}) {
        const byte_array chunk = freed ? freeblock_over(cell, 0) : after_a_cell;
        std::vector<carved_record> hits;
        (void)find_push_records_in(hits, chunk.data(), static_cast<uint32>(chunk.size()), 0, false,
                                   push_table_notification);
        ASSERT_EQ(hits.size(), 1U) << freed;
        EXPECT_EQ(hits[0].offset_in_chunk, freed ? 5U : 6U);
        EXPECT_EQ(hits[0].lost_types, 0);
        EXPECT_EQ(hits[0].header_corrected, freed ? header_fix::cell_prefix : 0);
        // Either way the record is placed at its cell: where the payload length began, or
        // where the freeblock header that took it starts.
        const std::vector<carved_record> rows = carve_one_chunk(chunk);
        ASSERT_EQ(rows.size(), 1U) << freed;
        EXPECT_EQ(rows[0].file_offset, freed ? 0U : 1U);
        EXPECT_EQ(rows[0].rowid, freed ? 0 : 300);
    }
}

// The carver decodes such a hit with its lost serial type as NULL and no rowid.
TEST(FindNotificationAtFreeblocks, DecodedWithOrderAsNull) {
    const std::vector<carved_record> rows = carve_one_chunk(freeblock_over(short_badge(), 0));
    ASSERT_EQ(rows.size(), 1U);
    ASSERT_EQ(rows[0].values.size(), 14U);
    EXPECT_EQ(rows[0].values[0], "");
    EXPECT_EQ(rows[0].value_codes[0], value_code::null);
    EXPECT_EQ(rows[0].values[4], "toast");
    EXPECT_EQ(rows[0].values[11], "aaa");
    EXPECT_EQ(rows[0].rowid, 0);
    EXPECT_EQ(rows[0].file_offset, 0U);  // the freeblock's start, where the cell began
}

TEST(FindPushRecordsScan, SeveralRecordsInOneChunkWithTheirOwnPositions) {
    byte_array chunk = repeat(0x00, 21);  // zero runs are crossed eight bytes at a time
    append(chunk, {0x3c, 0x05});
    const std::size_t first_notification = chunk.size() + 1;
    append(chunk, notification_row("toast"));
    append(chunk, {0x81, 0x02, 0x07});
    const std::size_t handler = chunk.size() + 1;
    append(chunk, handler_row("Microsoft"));
    append(chunk, {0x22, 0x06});
    const std::size_t channel = chunk.size() + 1;
    append(chunk, channel_row("1;abcde"));
    std::vector<carved_record> hits;
    ASSERT_TRUE(find_push_records_in(hits, chunk.data(), static_cast<uint32>(chunk.size()), 0,
                                     false, all_push_tables));
    ASSERT_EQ(hits.size(), 3U);
    EXPECT_EQ(hits[0].offset_in_chunk, first_notification);
    EXPECT_EQ(hits[1].offset_in_chunk, handler);
    EXPECT_EQ(hits[2].offset_in_chunk, channel);
    for (const carved_record& h : hits) {
        EXPECT_EQ(h.file_offset, 0U);  // the carver did not know where the chunk lies
    }
    // The table selection leaves out what is not asked for.
    ASSERT_TRUE(find_push_records_in(hits, chunk.data(), static_cast<uint32>(chunk.size()), 0,
                                     false, push_table_handler | push_table_channel));
    ASSERT_EQ(hits.size(), 2U);
    EXPECT_EQ(hits[0].table_type, push_table_handler);
    EXPECT_EQ(hits[1].table_type, push_table_channel);
    EXPECT_FALSE(find_push_records_in(hits, chunk.data(), static_cast<uint32>(chunk.size()), 0,
                                      false, push_table_settings));
    EXPECT_TRUE(hits.empty());
}

TEST(FindPushRecordsScan, AppendKeepsEarlierHitsAndShortChunksAddNone) {
    const byte_array chunk = in_cell(notification_row("toast"));
    std::vector<carved_record> hits;
    ASSERT_TRUE(find_push_records_in(hits, chunk.data(), static_cast<uint32>(chunk.size()), 0,
                                     false, all_push_tables));
    ASSERT_TRUE(find_push_records_in(hits, chunk.data(), static_cast<uint32>(chunk.size()), 0, true,
                                     all_push_tables));
    EXPECT_EQ(hits.size(), 2U);
    // 28 bytes or fewer: nothing is looked at; with append false the list is emptied.
    const byte_array short_chunk(chunk.begin(), chunk.begin() + 28);
    EXPECT_FALSE(find_push_records_in(hits, short_chunk.data(), 28, 0, true, all_push_tables));
    EXPECT_EQ(hits.size(), 2U);
    EXPECT_FALSE(find_push_records_in(hits, short_chunk.data(), 28, 0, false, all_push_tables));
    EXPECT_TRUE(hits.empty());
    EXPECT_FALSE(find_push_records_in(hits, nullptr, 4096, 0, false, all_push_tables));
}

// Every record cut at every length and entered at every start: the finder sees only the
// bytes it is given (an exact-size copy each time, for the sanitizer), and a hit never
// points outside them.
TEST(FindPushRecordsBounds, CutAndShiftedChunksStayInside) {
    byte_array all = {0x3c, 0x05};
    append(all, notification_row("toast", 0x0f));
    append(all, {0x22, 0x06});
    append(all, channel_row("3;12345", 0x09));
    append(all, {0x01});
    append(all, handler_ten_row(guid_id));
    append(all, {0x41, 0x02});
    append(all, handler_row("_deadbeef"));
    std::vector<carved_record> hits;
    for (std::size_t from = 0; from < all.size(); ++from) {
        for (std::size_t to = from; to <= all.size(); ++to) {
            const byte_array chunk(all.begin() + static_cast<std::ptrdiff_t>(from),
                                   all.begin() + static_cast<std::ptrdiff_t>(to));
            (void)find_push_records_in(hits, chunk.data(), static_cast<uint32>(chunk.size()), 0,
                                       false, all_push_tables);
            for (const carved_record& h : hits) {
                ASSERT_GE(h.offset_in_chunk, 1U);
                ASSERT_LT(h.offset_in_chunk, chunk.size());
            }
        }
    }
    // Uncut, all four are there.
    EXPECT_TRUE(find_push_records_in(hits, all.data(), static_cast<uint32>(all.size()), 0, false,
                                     all_push_tables));
    EXPECT_EQ(hits.size(), 4U);
}

TEST(FindPushRecordsBounds, RandomChunksNeverFault) {
    std::mt19937 gen(20240611);
    // Bytes drawn mostly from the values the anchors and patterns look for, so that the
    // tests run deep.
    const uint8 alphabet[] = {0x00, 0x01, 0x02, 0x03, 0x06, 0x08, 0x09, 0x0b, 0x0d,
                              0x13, 0x17, 0x1b, 0x2c, 0x33, 0x3b, 0x55, 0x81, 0xff};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 1);
    std::uniform_int_distribution<std::size_t> size(0, 600);
    std::vector<carved_record> hits;
    for (int round = 0; round < 400; ++round) {
        byte_array chunk(size(gen));
        std::generate(chunk.begin(), chunk.end(), [&] { return alphabet[pick(gen)]; });
        (void)find_push_records_in(hits, chunk.data(), static_cast<uint32>(chunk.size()), 7, false,
                                   all_push_tables);
        for (const carved_record& h : hits) {
            ASSERT_LT(h.offset_in_chunk, chunk.size());
            ASSERT_EQ(h.file_offset, 7 + h.offset_in_chunk);
        }
    }
}

// The real database: its six live notifications, and nothing else the finder takes for a
// notification, page by page as the carver hands them over.
TEST(FindPushRecordsReal, FindsTheSixLiveNotifications) {
    VELK_NEED_REAL_DATA(test_pages::real_db_path());
    const byte_array file = test_pages::read_file(test_pages::real_db_path());
    constexpr std::size_t page = 4096;
    std::vector<uint64> offsets;
    std::vector<carved_record> hits;
    for (std::size_t at = 0; at + page <= file.size(); at += page) {
        if (!find_push_records_in(hits, file.data() + at, page, at, false,
                                  push_table_notification)) {
            continue;
        }
        for (const carved_record& h : hits) {
            EXPECT_EQ(h.column_mask, 0x3fffU);
            EXPECT_EQ(h.column_count, 14);
            offsets.push_back(h.file_offset);
        }
    }
    ASSERT_EQ(offsets.size(), 6U);
    // Order 1: its header-size byte at 28378, the first serial type after it.
    EXPECT_NE(std::find(offsets.begin(), offsets.end(), 0x6edbU), offsets.end());
}

}  // namespace

namespace {

bool every_table(std::vector<carved_record>& hits, const uint8* data, uint32 length,
                 uint64 chunk_offset, bool append, text_encoding encoding, void* /*context*/) {
    return find_push_records_in(hits, data, length, chunk_offset, append, all_push_tables,
                                encoding);
}

// The push database in each text encoding, read whole as raw pages: the finder takes the
// same rows (handlers by their time texts of 19 UTF-16 characters, notifications by a Type
// sample in the file's byte order) and the carver decodes the same values from them. Page
// splits left other copies in each file, whose last columns a later cell may overwrite, so
// distinct rows are compared by their first eight values (the texts included: a
// notification's Type, Payload, Tag and Group, a handler's names and time texts), channels
// by their first three.
TEST(FindPushRecordsEncodings, SameRowsInEveryEncoding) {
    const auto rows_in = [](const char* name, text_encoding encoding) {
        uni::fileio file(std::string(VELK_TEST_DATA_DIR) + "/encoding/" + name, false, false,
                         false);
        EXPECT_TRUE(file.is_valid()) << name;
        std::vector<carved_record> hits;
        (void)scan_regions(hits, {{0, file.query_size()}}, file, table_definition(), every_table,
                           record_source::carve_blob, 1024, encoding, 0, 0, false, false, nullptr,
                           nullptr, chunk_done_noop);  // none found fails below
        std::set<std::pair<int32, std::vector<std::string>>> rows;
        for (const carved_record& h : hits) {
            // A channel's texts and handler id come before its times, which a later cell
            // overwrote in one stale copy.
            const std::size_t compared = h.table_type == push_table_channel ? 3 : 8;
            const auto end =
                h.values.begin() + static_cast<std::ptrdiff_t>(std::min(h.values.size(), compared));
            rows.emplace(h.table_type, std::vector<std::string>(h.values.begin(), end));
        }
        return rows;
    };
    const auto utf8 = rows_in("utf8.db", text_encoding::utf8);
    const auto count = [&utf8](uint32 table) {
        return std::count_if(utf8.begin(), utf8.end(), [table](const auto& row) {
            return row.first == static_cast<int32>(table);
        });
    };
    EXPECT_EQ(count(push_table_handler), 11);      // its handler layouts take 11 of the 12
    EXPECT_EQ(count(push_table_notification), 7);  // the six live ones and the deleted one
    EXPECT_EQ(count(push_table_channel), 3);       // DeviceVersion 0 is stored as the constant
    EXPECT_EQ(rows_in("utf16le.db", text_encoding::utf16le), utf8);
    EXPECT_EQ(rows_in("utf16be.db", text_encoding::utf16be), utf8);
}

// The marker of a decoded notification hit: "VELK-RECOVERY-<kind>-<Order>" from its payload.
std::string marker_of(const carved_record& hit) {
    for (const std::string& v : hit.values) {
        const std::size_t at = v.find("VELK-RECOVERY-");
        if (at != std::string::npos) {
            return v.substr(at, v.find(' ', at) - at);
        }
    }
    return "";
}

struct carve_case {
    const char* name;
    const char* file;
    bool wal_valid_pages;
    std::vector<std::string> found;  // "<record source>:<marker>", in carving order
};

const carve_case carve_cases[] = {
    {"DeletedRowsInMainFileSlack", "deleted.db", false, recovery_hits::deleted_slack},
    {"RowsOverwrittenThroughTheWal", "wal.db", false, recovery_hits::wal_overwritten},
    {"CurrentWalPagesWhenAsked", "wal.db", true, recovery_hits::wal_with_valid_pages},
    // Deleted with secure delete on: the journal's page is all that keeps the row.
    {"RowKeptOnlyByTheJournal", "journal.db", false, recovery_hits::journal_pages},
};

class FindPushRecordsCarve : public ::testing::TestWithParam<carve_case> {};

// The finder behind the carver, on databases whose removed rows are known.
TEST_P(FindPushRecordsCarve, RecoversTheRemovedRows) {
    const carve_case& c = GetParam();
    const std::string path = std::string(VELK_TEST_DATA_DIR) + "/recovery/" + c.file;
    std::vector<carved_record> hits;
    std::string table;
    ASSERT_TRUE(carve_database(hits, path, table, every_table, false, true, 1, 1, c.wal_valid_pages,
                               false, false, nullptr));
    std::vector<std::string> found;
    for (const carved_record& h : hits) {
        ASSERT_EQ(h.table_type, push_table_notification);
        EXPECT_EQ(h.column_mask, 0x3fffU);
        ASSERT_EQ(h.values.size(), 14U);
        found.push_back(std::to_string(record_source::of_word(h.source_word)) + ":" + marker_of(h));
    }
    EXPECT_EQ(found, c.found);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindPushRecordsCarve, ::testing::ValuesIn(carve_cases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
