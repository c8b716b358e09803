// Word lists from files: the printable runs of the raw bytes, filtered to plain words.

#include "resultsdb/word_list.h"

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "io/kq_dir_files.h"
#include "text/embedded_strings.h"

namespace {

// Characters that make a run something other than a plain word.
constexpr const char* non_word_chars = " :/\"')([]<>*#.~$|";

bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool is_word(const std::string& run, bool letters_only) {
    if (run.empty()) {
        return false;
    }
    if (letters_only && !is_ascii_letter(run.front())) {
        return false;
    }
    return run.find_first_of(non_word_chars) == std::string::npos;
}

}  // namespace

bool load_word_list(const std::string& file_name, std::set<std::string>& words, uint32 max_size,
                    uint32 min_length, bool letters_only) {
    words.clear();
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file_name, error);
    // extract_ascii_strings counts in int: a buffer past INT_MAX could not be scanned
    if (error || size > max_size || size > static_cast<std::uintmax_t>(INT_MAX)) {
        return false;
    }
    byte_array bytes;
    if (!kqportdir::read_file(bytes, file_name, static_cast<uint32>(size))) {
        return false;
    }
    std::vector<std::string> runs;
    std::vector<uint64> offsets;
    if (!extract_ascii_strings(bytes.data(), static_cast<int>(bytes.size()), min_length, runs,
                               offsets, false, false)) {
        return false;
    }
    for (const auto& run : runs) {
        if (is_word(run, letters_only)) {
            words.insert(run);
        }
    }
    return !words.empty();
}
