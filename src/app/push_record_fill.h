#pragma once
// The fill rule shared by the four push record classes. A row never carries column names:
// each column the tool knows has one fixed bit, and a row brings one value per bit set in
// its mask, in ascending bit order. The helpers here walk such a row and turn its values
// into members without ever reading past a value's known length: carved values come from
// damaged pages, may hold zero bytes and need not be terminated where their length ends.

#include <string>
#include <vector>

#include "text/guid16.h"
#include "text/kq_types.h"

// One value of a row.
struct field_value {
    const char* text = nullptr;  // null for SQL NULL
    uint32 length = 0;           // bytes at text that may be read
    bool overflow = false;       // its code marks a value continued on an unread page
    uint32 kind = 0;             // its value_code kind (blob, text, ...); 0 without a code
};

// The byte length of every value of a row. Rows the SQLite library returns come without
// lengths: a value the lengths vector does not reach is a terminated text (or NULL, length
// 0). Returns lengths itself when it reaches every value, else scratch filled in.
[[nodiscard]] const std::vector<uint32>& row_lengths(int32 count,
                                                     const std::vector<const char*>& values,
                                                     const std::vector<uint32>& lengths,
                                                     std::vector<uint32>& scratch);

// The values of one row, taken in order. lengths reaches every value (row_lengths); a
// value's code, where the codes vector reaches it, tells how it was stored and whether it
// was cut short.
class row_cursor {
public:
    row_cursor(int32 count, const std::vector<const char*>& values,
               const std::vector<uint32>& lengths, const std::vector<uint32>& codes);

    [[nodiscard]] bool done() const { return m_next >= m_count; }
    // The next value; only called while !done().
    [[nodiscard]] field_value take();

private:
    std::size_t m_count;
    const std::vector<const char*>& m_values;
    const std::vector<uint32>& m_lengths;
    const std::vector<uint32>& m_codes;
    std::size_t m_next = 0;
};

// Walks bits 1, 2, 4, ... up to last_bit; each bit set in mask takes the next value, until
// the row has none left. Bits above last_bit are not the class's and are ignored.
template <typename store_fn>
void fill_by_mask(row_cursor& row, uint64 mask, uint64 last_bit, store_fn store) {
    for (uint64 bit = 1; bit != 0 && bit <= last_bit && !row.done(); bit <<= 1) {
        if ((mask & bit) != 0) {
            store(bit, row.take());
        }
    }
}

// The whole fill rule of one row: the values' lengths are completed (row_lengths), begin
// (the record's own begin_parse over those lengths) may refuse the row, and then each bit
// set in mask up to last_bit stores the next value through store.
template <typename begin_fn, typename store_fn>
bool parse_push_row(int32 count, const std::vector<const char*>& values,
                    const std::vector<uint32>& lengths, const std::vector<uint32>& codes,
                    uint64 mask, uint64 last_bit, begin_fn begin, store_fn store) {
    std::vector<uint32> scratch;
    const std::vector<uint32>& known = row_lengths(count, values, lengths, scratch);
    if (!begin(known)) {
        return false;
    }
    row_cursor row(count, values, known, codes);
    fill_by_mask(row, mask, last_bit, store);
    return true;
}

// 0 for SQL NULL or an empty text, else the number the text holds.
[[nodiscard]] int64 field_int64(const field_value& value);
// A value that keys no join: SQL NULL, which the library gives as a null text and the own
// parser as an empty one (an empty text equals no number either).
[[nodiscard]] bool field_is_null(const field_value& value);
// The text up to its first zero byte or its length; empty for SQL NULL.
[[nodiscard]] std::string field_text(const field_value& value);
// As field_text, with " [overflow page]" added when the value's code says it was cut short.
[[nodiscard]] std::string field_text_marked(const field_value& value);
// The first 16 bytes into out when the value holds more than 15; out untouched otherwise.
void field_guid(guid16& out, const field_value& value);
// Every byte of the value, zero bytes included; empty for SQL NULL.
[[nodiscard]] std::string field_bytes(const field_value& value);
// A stored text or blob shown on one line: line breaks, tabs and the blanks after a line
// break dropped, ending at the first zero byte, with a marker telling why a text may be
// incomplete (see the .cpp).
[[nodiscard]] std::string field_payload(const field_value& value);
