#include "text/extras/windows_release_name.h"

#include <array>

namespace {

// Each release covers the builds from the previous row's last build + 1 up to its own.
struct release_row {
    uint16 last_build;
    const char* name;
};

constexpr uint16 first_named_build = 2600;

constexpr std::array<release_row, 6> release_rows{{
    {2600, "WinXP"},
    {3790, "Win03"},
    {6002, "Vista"},
    {7601, "Win7"},
    {9600, "Win8"},
    {19045, "Win10"},
}};

}  // namespace

std::string windows_release_name(uint32 build) {
    const auto number = static_cast<uint16>(build & 0xFFFF);
    if (number >= first_named_build) {
        for (const release_row& row : release_rows) {
            if (number <= row.last_build) {
                return row.name;
            }
        }
    }
    return "post Win10";
}
