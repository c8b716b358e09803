#include "time/time_dump.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "io/io_test_support.h"
#include "real_data.h"
#include "time/packed_times.h"
#include "time/time_bytes_support.h"
#include "time/time_value_scans.h"

namespace {

using time_test::le_bytes;

constexpr uint64 from_1900 = 94354848000000000;
constexpr uint64 to_2100 = 157469184000000000;
constexpr uint64 from_2020 = 132223104000000000;
constexpr uint64 to_2022 = 132854688000000000;
// The record of the notification with Order 1 in the real database.
constexpr std::size_t record_offset = 28378;
constexpr std::size_t record_size = 294;

byte_array real_record() {
    const velk_test::temp_dir dir;
    const std::string copy = dir.file("wpndatabase.db");
    std::filesystem::copy_file(std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db", copy);
    const std::string file = velk_test::read_file(copy);
    if (file.size() < record_offset + record_size) {
        return {};
    }
    return {file.begin() + record_offset, file.begin() + record_offset + record_size};
}

int dump(std::ostream& out, const byte_array& bytes, uint64 latest, uint64 earliest, uint64 base,
         uint32 kinds) {
    return kq::dump_times_in_buffer(out, bytes.data(), static_cast<int>(bytes.size()), latest,
                                    earliest, base, kinds);
}

// 1,400,000,000 is 0x53724E00.
TEST(PrintTimeHit, LittleAndBigEndianUnixLines) {
    const byte_array value = le_bytes(1400000000, 4);
    const uint64 filetime = 130444736000000000;
    std::ostringstream out;
    kq::print_time_hit(kq::time_hit(value.data(), filetime, 300, kq::tt_unix, true, 4), out);
    kq::print_time_hit(kq::time_hit(value.data(), filetime, 300, kq::tt_unix, false, 4), out);
    EXPECT_EQ(out.str(),
              "00012c, LE, unix time , 2014-05-13 16:53:20.000000000 UTC, 00 4e 72 53 \n"
              "00012c, BE, unix time , 2014-05-13 16:53:20.000000000 UTC, 53 72 4e 00 \n");
    EXPECT_EQ(out.flags() & std::ios_base::basefield, std::ios_base::hex);
    EXPECT_EQ(out.flags() & std::ios_base::adjustfield, std::ios_base::left);
}

TEST(PrintTimeHit, DosTimesAreLocalAndLongOffsetsKeepTheirDigits) {
    const byte_array value = {0x0a, 0x8e, 0xad, 0x44};
    std::ostringstream out;
    kq::print_time_hit(
        kq::time_hit(value.data(), 130444736000000000, 0x1234567, kq::tt_dos, true, 4), out);
    EXPECT_EQ(out.str(),
              "1234567, LE, dos time  , 2014-05-13 16:53:20.000000000 LOC, 0a 8e ad 44 \n");
}

TEST(DumpTimesInBuffer, RealNotificationRecord) {
    VELK_NEED_REAL_DATA(std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db");
    const byte_array record = real_record();
    ASSERT_EQ(record.size(), record_size);
    std::ostringstream out;
    EXPECT_EQ(dump(out, record, to_2022, from_2020, record_offset, kq::tt_filetime), 3);
    EXPECT_EQ(out.str(),
              "006fe5, BE, filetime  , 2020-12-11 19:12:35.902579900 UTC, "
              "01 d6 cf f1 95 aa 0c 87 \n"
              "006fed, BE, filetime  , 2020-12-11 19:11:35.902579900 UTC, "
              "01 d6 cf f1 71 e6 c6 87 \n"
              "006ff8, BE, filetime  , 2020-12-11 19:08:54.163615700 UTC, "
              "01 d6 cf f1 11 7f 5e 3d \n");

    std::ostringstream short_out;
    EXPECT_EQ(dump(short_out, byte_array(record.begin(), record.begin() + 3), to_2022, from_2020, 0,
                   kq::tt_all),
              0);
    EXPECT_EQ(short_out.str(), "");
}

TEST(DumpTimesInBuffer, CountsSuccessfulScansNotHits) {
    // One 4-byte value fits three kinds read either way: two scans, six lines.
    std::ostringstream out;
    const uint32 kinds = kq::tt_unix | kq::tt_hfs_plus | kq::tt_safari;
    EXPECT_EQ(dump(out, le_bytes(1400000000, 4), to_2100, from_1900, 0, kinds), 2);
    const std::string text = out.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6);
    EXPECT_EQ(text.rfind("000000, LE, unix time , 2014-05-13 16:53:20", 0), 0u);
}

TEST(DumpTimesInBuffer, RecordKindsAndOleOnlyWhenAsked) {
    byte_array bytes(3, 0);
    const byte_array ole = le_bytes(std::bit_cast<uint64>(44176.5), 8);  // 2020-12-11 12:00
    bytes.insert(bytes.end(), ole.begin(), ole.end());
    std::ostringstream ole_out;
    EXPECT_EQ(dump(ole_out, bytes, to_2022, from_2020, 0, kq::tt_ole), 1);
    EXPECT_EQ(ole_out.str(),
              "000003, LE, ole       , 2020-12-11 12:00:00.000000000 UTC, "
              "00 00 00 00 10 92 e5 40 \n");
    std::ostringstream filetime_out;
    EXPECT_EQ(dump(filetime_out, bytes, to_2022, from_2020, 0, kq::tt_filetime), 0);
    EXPECT_EQ(filetime_out.str(), "");

    const uint64 snowflake = 283996800000ULL << 22;  // 2024-01-01
    std::ostringstream snow_out;
    EXPECT_EQ(dump(snow_out, le_bytes(snowflake, 8), UINT64_MAX >> 1, 0, 0x10, kq::tt_snowflake),
              1);
    EXPECT_EQ(snow_out.str().rfind("000010, LE, snowflake time, 2024-01-01 00:00:00", 0), 0u);
}

// SQLite varint of v: eight 7-bit groups most significant first, then one 8-bit byte.
byte_array nine_byte_varint(uint64 v) {
    byte_array bytes;
    for (int shift = 57; shift >= 8; shift -= 7) {
        bytes.push_back(static_cast<uint8>(0x80 | ((v >> shift) & 0x7F)));
    }
    bytes.push_back(static_cast<uint8>(v & 0xFF));
    return bytes;
}

TEST(DumpTimesWithVarints, PrintsAHeaderOnlyForASweepThatFoundSomething) {
    const byte_array varint = nine_byte_varint(132521874959025799);
    std::ostringstream out;
    EXPECT_EQ(kq::dump_times_with_varints(out, varint.data(), static_cast<int>(varint.size()),
                                          to_2022, from_2020, 0, kq::tt_filetime),
              1);
    EXPECT_EQ(out.str(),
              "Variable int BE\n"
              "000000, LE, filetime  , 2020-12-11 19:11:35.902579900 UTC, "
              "87 c6 e6 71 f1 cf d6 01 \n");
}

TEST(DumpTimesInArray, EmptyArraysAndChunks) {
    std::ostringstream out;
    EXPECT_EQ(kq::dump_times_in_array(out, {}, to_2022, from_2020, 0, kq::tt_all), 0);
    EXPECT_EQ(kq::dump_times_in_array_with_varints(out, {}, to_2022, from_2020, 0, kq::tt_all), 0);
    VELK_NEED_REAL_DATA(std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db");
    const byte_array record = real_record();
    ASSERT_EQ(record.size(), record_size);
    EXPECT_EQ(kq::dump_times_in_array(out, record, to_2022, from_2020, 0, kq::tt_filetime), 3);

    kq::time_dump_context ctx{&out, to_2022, from_2020, kq::tt_filetime, 4};
    const int count = static_cast<int>(record.size());
    EXPECT_EQ(kq::dump_times_chunk(nullptr, ctx, record.data(), count, 0, record_offset), 0);
    EXPECT_EQ(ctx.total, 7);
    EXPECT_EQ(kq::dump_times_chunk(nullptr, ctx, nullptr, count, 0, 0), -1);
    EXPECT_EQ(kq::dump_times_chunk(nullptr, ctx, record.data(), 0, 0, 0), -1);
    kq::time_dump_context no_stream{nullptr, to_2022, from_2020, kq::tt_filetime, 0};
    EXPECT_EQ(kq::dump_times_chunk(nullptr, no_stream, record.data(), count, 0, 0), -1);
    EXPECT_EQ(ctx.total, 7);
}

// Every sweep and scanner over one buffer, with every kind and the widest windows.
void sweep_everything(const uint8* data, std::size_t length) {
    const auto n = static_cast<int>(length);
    const auto u = static_cast<uint32>(length);
    std::ostringstream out;
    EXPECT_GE(kq::dump_times_in_buffer(out, data, n, UINT64_MAX, 0, 0, kq::tt_all), 0);
    EXPECT_GE(kq::dump_times_with_varints(out, data, n, INT64_MAX, 0, UINT64_MAX - 3, kq::tt_all),
              0);
    std::vector<kq::time> times;
    std::vector<uint32> offsets;
    (void)kq::scan_unix32_times(data, u, times, offsets);
    (void)kq::scan_unix_and_filetime(data, u, times, offsets);
    std::vector<uint64> found;
    (void)kq::find_values_in_range(
        found, static_cast<const uint64*>(static_cast<const void*>(data)), u, 0, 0, UINT64_MAX, 8);
    std::vector<uint64> packed;
    EXPECT_LE(kq::decode_packed_times(data, u, packed), u);
}

// Buffers of every short length, each in a heap block of exactly that size, so that the
// sanitizer build catches any read past it.
TEST(HostileBuffers, EveryLengthStaysInsideItsBuffer) {
    const uint8 fills[] = {0x00, 0xFF, 0x7F, 0x01, 0x80};
    for (const uint8 fill : fills) {
        for (std::size_t length = 0; length <= 40; ++length) {
            auto block = std::make_unique<uint8[]>(length == 0 ? 1 : length);
            for (std::size_t i = 0; i < length; ++i) {
                block[i] = static_cast<uint8>(fill ^ (i * 37));
            }
            sweep_everything(block.get(), length);
        }
    }
}

TEST(HostileBuffers, NegativeCountsAndNullBuffersGiveNothing) {
    std::ostringstream out;
    const uint8 one = 1;
    EXPECT_EQ(kq::dump_times_in_buffer(out, &one, -1, UINT64_MAX, 0, 0, kq::tt_all), 0);
    EXPECT_EQ(kq::dump_times_with_varints(out, &one, INT32_MIN, UINT64_MAX, 0, 0, kq::tt_all), 0);
    EXPECT_EQ(kq::dump_times_in_buffer(out, nullptr, 100, UINT64_MAX, 0, 0, kq::tt_all), 0);
    EXPECT_EQ(out.str(), "");
}

}  // namespace
