#pragma once
// multi_value_record: a record of several typed values built by the text-extras layer (one
// row of numbers, buffers and texts with a 16-byte key). Only its construction and reset
// live here; nothing in the tool's own run reads its fields.

#include <array>
#include <string>
#include <vector>

#include "text/kq_types.h"

struct multi_value_record {
    multi_value_record() { (void)clear(); }

    // Back to the state of a new record: version 1, everything else zero or empty. Returns 0.
    int clear();

    uint16 m_version = 1;
    uint16 m_kind = 0;
    uint32 m_flags = 0;
    uint32 m_count = 0;
    std::vector<uint64> m_numbers;
    std::vector<int64> m_signed_numbers;
    std::vector<double> m_reals;
    std::vector<byte_array> m_buffers;
    std::vector<std::string> m_texts;
    std::array<uint8, 16> m_key{};
};
