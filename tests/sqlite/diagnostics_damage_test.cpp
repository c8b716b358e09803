// The diagnostics on damaged input: a real page and a real record cut at every length, and
// varints running off the end. Nothing may read outside the bytes given (the sanitizer build
// checks), and what is reported must follow from what is there.

#include <gtest/gtest.h>

#include <sstream>

#include "real_data.h"
#include "sqlite/anchored_carve.h"
#include "sqlite/cell_page_size.h"
#include "sqlite/column_locate.h"
#include "sqlite/page_summary.h"
#include "sqlite/real_db_bytes.h"
#include "sqlite/record_class_key.h"
#include "sqlite/sqlite_metadata.h"

namespace {

constexpr uint32 page_size = 4096;
constexpr uint64 notification_page = 7;
constexpr uint64 record_offset = 28378;
constexpr uint32 record_length = 294;

using velk_test::real_db_bytes;

TEST(DiagnosticsDamage, PageCutAtEveryLength) {
    VELK_NEED_REAL_DATA(velk_test::real_wpndatabase());
    const byte_array page = real_db_bytes((notification_page - 1) * page_size, page_size);
    ASSERT_EQ(page.size(), page_size);
    const uint64 offset = (notification_page - 1) * page_size;
    for (uint32 length = 0; length <= page_size; length += (length < 64 ? 1 : 61)) {
        page_summary s;
        s.page_size = page_size;
        const bool read = summarise_page(s, page.data(), length, offset, false, nullptr);
        // Without the 8-byte leaf header nothing reads; a page that does not read is kept raw.
        if (length < 8) {
            EXPECT_FALSE(read) << length;
        }
        if (!read && length > 0) {
            EXPECT_EQ(s.raw_pages.size(), 1U) << length;
        }
        uint32 size = page_size;
        std::ostringstream out;
        (void)dump_page(&out, nullptr, size, page.data(), length, offset);
        (void)guess_page_size_from_cells(size, page.data(), length);
        page_descriptor_map carved;
        (void)carve_buffer_pages(carved, page.data(), length, false, offset, page_size);
    }
    page_summary whole;
    whole.page_size = page_size;
    EXPECT_TRUE(summarise_page(whole, page.data(), page_size, offset, false, nullptr));
    EXPECT_FALSE(whole.table_rows.empty());
}

TEST(DiagnosticsDamage, RecordCutAtEveryLength) {
    VELK_NEED_REAL_DATA(velk_test::real_wpndatabase());
    const byte_array record = real_db_bytes(record_offset, record_length);
    ASSERT_EQ(record.size(), record_length);
    for (uint32 length = 0; length <= record_length; ++length) {
        byte_array key;
        // Only the header exactly, 16 bytes, gives a key.
        EXPECT_EQ(header_class_key(key, record.data(), length, 1, 0x3FFF, true), length == 16)
            << length;
        sqlite_metadata r;
        r.m_record_bytes.assign(record.begin(), record.begin() + length);
        EXPECT_EQ(record_class_key(key, r), length >= 16) << length;
        for (int32 position = 0; position < 16; ++position) {
            const uint8* content = nullptr;
            uint32 size = 0;
            bool cut = false;
            if (locate_column(content, size, cut, record.data(), length, position) &&
                content != nullptr) {
                EXPECT_LE(content + size, record.data() + length);
            }
        }
    }
}

TEST(DiagnosticsDamage, VarintsRunningOffTheEnd) {
    // Header size 5 claimed, serial types whose continuation bits run to the end.
    const byte_array bytes = {0x05, 0x81, 0x81, 0x81, 0x81};
    byte_array key;
    // The cut varint is one serial type: one code is no key.
    EXPECT_FALSE(header_class_key(key, bytes.data(), 5, 0, 0, false));
    EXPECT_EQ(key.size(), 1U);
    const uint8* content = nullptr;
    uint32 size = 0;
    bool cut = false;
    EXPECT_FALSE(locate_column(content, size, cut, bytes.data(), 5, 4));
    const byte_array nine = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
    // A nine-byte header size puts the content past the bytes: cut, nothing to point at.
    ASSERT_TRUE(locate_column(content, size, cut, nine.data(), 11, 1));
    EXPECT_TRUE(cut);
    EXPECT_EQ(content, nullptr);
    EXPECT_EQ(size, 0U);
    page_descriptor_map out;
    const std::string text = "abcdefghijklmnop";
    byte_array chunk = {0x00, 0x81, 0x81, 0x81, 0x02, 0x01};
    chunk.insert(chunk.end(), text.begin(), text.end());
    EXPECT_FALSE(find_records_by_strings(out, chunk.data(), static_cast<uint32>(chunk.size()), 0,
                                         page_size));
}

}  // namespace
