#pragma once
// One-line helpers of the text layer: byte-array copies, backing up a wide output stream,
// errno, pointer-and-count stores, and placeholders kept for interface completeness.

#include <ostream>

#include "text/kq_types.h"

void byte_array_clear(byte_array& bytes);
// A copy of length bytes; empty for a null pointer, a length of 0 or less, or a failed
// allocation.
[[nodiscard]] byte_array byte_array_from_buffer(const uint8* data, int length);

// Moves the write position back by n characters (to the start when fewer were written).
// False when the stream has failed or its position cannot be told.
[[nodiscard]] bool wstream_back_up(std::wostream& stream, uint32 n);

[[nodiscard]] int last_errno();

// Stores the count and the pointer, then returns the count sign-extended
// (store_pointer_and_count) or zero-extended (store_pointer_and_count_u).
int64 store_pointer_and_count(const void* pointer, int count, int* count_out,
                              const void** pointer_out);
uint64 store_pointer_and_count_u(const void* pointer, int count, int* count_out,
                                 const void** pointer_out);

struct count_pointer_pair {
    int count = 0;
    const void* pointer = nullptr;
};
void make_count_pointer_pair(const void* pointer, int count, count_pointer_pair& out);

// Placeholders for services this platform does not offer; nothing calls them.
[[nodiscard]] bool placeholder_true();
[[nodiscard]] bool placeholder_true_alt();
[[nodiscard]] bool placeholder_false();
void placeholder_noop();
