#include "text/extras/word_join.h"

#include <functional>
#include <sstream>

#include "text/name_list.h"

namespace nf = name_list_flags;

namespace {

// The name list needs values ending in a 0 entry; a count fits in its four bits, so
// sixteen entries always leave room for the end.
constexpr std::size_t max_words = nf::count_mask + 1;

}  // namespace

std::string join_word_list(int32 flags, std::span<const char* const> words) {
    const auto count = static_cast<std::size_t>(static_cast<uint32>(flags) & nf::count_mask);
    if (count == 0 || count > words.size()) {
        return std::string();
    }
    // Word i is named by the value i + 1, so no value is 0 and the count is the flags' own.
    std::array<int, max_words> values{};
    for (std::size_t i = 0; i < count; ++i) {
        values[i] = static_cast<int>(i + 1);
    }
    const auto name_of = [words](int value) {
        const char* word = words[static_cast<std::size_t>(value - 1)];
        return word == nullptr ? std::string() : std::string(word);
    };
    std::stringstream out;
    print_name_list(out, static_cast<uint32>(flags), name_of, values.data());
    return out.str();
}

std::string join_word_names(int32 flags, const char* (*name_of)(int), const int32* values) {
    if (name_of == nullptr || values == nullptr) {
        return std::string();
    }
    const auto name_text = [name_of](int value) {
        const char* name = name_of(value);
        return name == nullptr ? std::string() : std::string(name);
    };
    std::stringstream out;
    print_name_list(out, static_cast<uint32>(flags), name_text, values);
    return out.str();
}
