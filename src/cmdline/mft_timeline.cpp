#include "cmdline/mft_timeline.h"

#include <string>

#include "io/uni_encoding.h"

namespace {

using letter_by_source = void (macb_flags::*)(int);

}  // namespace

void timeline_add_macb_times(mft_timeline& timeline, int source, uint64 m, uint64 a, uint64 c,
                             uint64 b, const wchar_t* name, bool short_name) {
    macb_flags work;
    std::string long_text;
    std::string short_text;
    if (name != nullptr) {
        // A name that does not encode whole (a character above 0x10FFFF) keeps the part
        // before it: the moment is still worth a line.
        const std::string utf8 = uni::wstring_to_utf8(std::wstring(name));
        (short_name ? short_text : long_text) = utf8;
        (short_name ? work.m_short_names : work.m_long_names).insert(utf8);
    }
    const struct {
        uint64 time;
        letter_by_source set_letter;
    } times[] = {{m, &macb_flags::set_m},
                 {a, &macb_flags::set_a},
                 {c, &macb_flags::set_c},
                 {b, &macb_flags::set_b}};
    for (const auto& [time, set_letter] : times) {
        if (time == 0) {
            continue;
        }
        work.reset();
        (work.*set_letter)(source);
        const auto [entry, added] = timeline.emplace(time, work);
        if (added) {
            continue;
        }
        macb_flags& existing = entry->second;
        (existing.*set_letter)(source);
        existing.m_long_names.insert(long_text);
        existing.m_short_names.insert(short_text);
    }
}
