#include "cmdline/macos_version.h"

#include <string_view>
#include <vector>

#include "io/uni_file_head.h"
#include "text/number_text.h"
#include "text/text_split.h"

namespace {

constexpr std::string_view version_key = ">ProductVersion<";
constexpr std::string_view value_open = "<string>";
constexpr std::string_view value_close = "</s";

// A version property list holds a few hundred bytes; a larger file is no such list, and
// reading it whole would only cost memory.
constexpr uint32 max_plist_bytes = 0x100000;

}  // namespace

bool parse_macos_version(const std::string& plist, macos_version& out) {
    const auto key = plist.find(version_key);
    if (key == std::string::npos) {
        return false;
    }
    const auto open = plist.find(value_open, key + version_key.size());
    if (open == std::string::npos) {
        return false;
    }
    const auto begin = open + value_open.size();
    const auto close = plist.find(value_close, begin);
    const std::string text =
        plist.substr(begin, close == std::string::npos ? std::string::npos : close - begin);
    if (text.empty()) {
        return false;
    }
    macos_version found;
    found.m_text = text;
    std::vector<std::string> numbers;
    (void)split_on_char(text, '.', numbers, true, false, false);  // text is not empty
    // A part that is no number reads as 0, as the version's absent parts do.
    if (!numbers.empty()) {
        (void)string_to_uint32(numbers[0], &found.m_major);
    }
    if (numbers.size() >= 2) {
        (void)string_to_uint32(numbers[1], &found.m_minor);
    }
    if (numbers.size() >= 3) {
        (void)string_to_uint32(numbers[2], &found.m_patch);
    }
    out = found;
    return true;
}

bool read_macos_version(const std::string& path, macos_version& out) {
    byte_array bytes;
    if (!uni::read_file_head(bytes, path, max_plist_bytes) || bytes.empty()) {
        return false;
    }
    return parse_macos_version(std::string(bytes.begin(), bytes.end()), out);
}
