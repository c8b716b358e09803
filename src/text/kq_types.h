#pragma once
// Fixed-width integer names used across every layer, and the one byte buffer type.

#include <cstddef>
#include <cstdint>
#include <vector>

using int8 = std::int8_t;
using int16 = std::int16_t;
using int32 = std::int32_t;
using int64 = std::int64_t;
using uint8 = std::uint8_t;
using uint16 = std::uint16_t;
using uint32 = std::uint32_t;
using uint64 = std::uint64_t;
using long64 = std::int64_t;
using ulong64 = std::uint64_t;
using byte = std::uint8_t;

// A growable buffer of raw bytes: pages, records, payloads, serialised cells.
using byte_array = std::vector<uint8>;
