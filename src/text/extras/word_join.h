#pragma once
// A few words joined into one name ("User.name", "Read|Write", "Ab__Cd") under the case and
// separator bits of the name-list flags (text/name_list.h): the low four bits give the word
// count, the others pick the letter case and the separator.

#include <array>
#include <span>
#include <string>

#include "text/kq_types.h"

// The first (flags & 0xF) words joined; a null word is an empty one, which under a
// capitalising flag writes nothing but keeps its separator. "" for a count of 0 or a count
// above the number of words given.
[[nodiscard]] std::string join_word_list(int32 flags, std::span<const char* const> words);

// join_word_list over the words given as arguments: join_words(2 | 0x1000000, "a", "b").
template <typename... Words>
[[nodiscard]] std::string join_words(int32 flags, const Words&... words) {
    const std::array<const char*, sizeof...(Words)> list{static_cast<const char*>(words)...};
    return join_word_list(flags, list);
}

// The names name_of gives for the values, joined as join_words does. With a count of 0 the
// values run up to their first 0 entry (at most 10 are read before it; more give "").
// "" for a null pointer and for a given count that includes a 0 value.
[[nodiscard]] std::string join_word_names(int32 flags, const char* (*name_of)(int),
                                          const int32* values);
