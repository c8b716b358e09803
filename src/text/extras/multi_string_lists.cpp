#include "text/extras/multi_string_lists.h"

#include <cstddef>
#include <span>

#include "text/utf16_text.h"

namespace {

// Units to read for a byte count: -1 stands for the first string, whose length the capped
// measure gives; any other negative count reads nothing.
std::size_t unit_count(const uint16_t* units, int64_t byte_count) {
    if (byte_count == -1) {
        return static_cast<std::size_t>(utf16_length_capped(units));
    }
    return byte_count < 0 ? 0 : static_cast<std::size_t>(byte_count) / 2;
}

// The string at i up to a NUL or the end, each unit widened alone; i ends on that NUL or end.
template <typename Unit, typename Text>
Text take_string(std::span<const Unit> units, std::size_t& i) {
    Text text;
    while (i < units.size() && units[i] != 0) {
        text.push_back(static_cast<typename Text::value_type>(units[i]));
        ++i;
    }
    return text;
}

// Bytes before the first NUL: the caller of the -1 form promises one.
std::size_t nul_terminated_length(const uint8* data) {
    std::size_t size = 0;
    while (data[size] != 0) {  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
        ++size;
    }
    return size;
}

}  // namespace

void utf16_multi_to_wlist(const uint16_t* units, std::vector<std::wstring>& out,
                          int32 byte_count, bool stop_at_empty) {
    out.clear();
    if (units == nullptr || byte_count == 0) {
        return;
    }
    const std::span<const uint16_t> readable(units, unit_count(units, byte_count));
    std::size_t i = 0;
    while (i < readable.size()) {
        out.push_back(take_string<uint16_t, std::wstring>(readable, i));
        if (i < readable.size()) {
            ++i;  // its NUL
        }
        if (stop_at_empty) {
            if (i < readable.size() && readable[i] == 0) {
                return;
            }
            continue;
        }
        while (i < readable.size() && readable[i] == 0) {
            ++i;
        }
    }
}

bool utf16_multi_to_wlist_all(std::vector<std::wstring>& out, const uint16_t* units,
                              uint32 byte_count) {
    out.clear();
    if (units == nullptr || byte_count == 0) {
        return false;
    }
    // 0xFFFFFFFF is the -1 of the signed form.
    const int64_t count = byte_count == UINT32_MAX ? -1 : static_cast<int64_t>(byte_count);
    const std::span<const uint16_t> readable(units, unit_count(units, count));
    std::size_t i = 0;
    while (i < readable.size()) {
        out.push_back(take_string<uint16_t, std::wstring>(readable, i));
        ++i;  // exactly one NUL, or past the end
    }
    return !out.empty();
}

void multi_string_to_list(const uint8* data, std::vector<std::string>& out, int32 length) {
    if (data == nullptr || length == 0 || length < -1) {
        return;
    }
    const std::span<const uint8> readable(
        data, length == -1 ? nul_terminated_length(data) : static_cast<std::size_t>(length));
    std::size_t i = 0;
    while (i < readable.size()) {
        out.push_back(take_string<uint8, std::string>(readable, i));
        ++i;  // one NUL, or past the end
    }
}
