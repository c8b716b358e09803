#pragma once
// Multi-strings, as REG_MULTI_SZ values and similar records store them: strings each ended by
// a NUL, in UTF-16 units (machine byte order) or in bytes, read into lists. Nothing past the
// given count is read; a last string without its NUL ends at the count.

#include <cstdint>
#include <string>
#include <vector>

#include "text/kq_types.h"

// out receives the strings of byte_count / 2 units (-1: the first string only, which must
// then end in a NUL within 513 units). Each unit is widened alone. A leading NUL gives an
// empty first item. After each string one NUL is stepped over; then with stop_at_empty a
// further NUL (an empty item) ends the list, without it all further NULs are skipped.
void utf16_multi_to_wlist(const uint16_t* units, std::vector<std::wstring>& out,
                          int32 byte_count, bool stop_at_empty);
// The same keeping every item, empty ones included: exactly one NUL is stepped over after
// each string (byte_count 0xFFFFFFFF: the first string only). True when out is not empty.
[[nodiscard]] bool utf16_multi_to_wlist_all(std::vector<std::wstring>& out,
                                            const uint16_t* units, uint32 byte_count);
// Appends the NUL-ended byte strings of length bytes (-1: the text up to its first NUL) to
// out, empty ones too, bytes 0x80-0xFF kept as they are.
void multi_string_to_list(const uint8* data, std::vector<std::string>& out, int32 length);
