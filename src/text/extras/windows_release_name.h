#pragma once
// The short name of a Windows release from its build number ("WinXP", "Win7", "Win10"), as
// found in registry values and event records.

#include <string>

#include "text/kq_types.h"

// Only the low 16 bits of build count. Builds below 2600 and above 19045 give "post Win10".
[[nodiscard]] std::string windows_release_name(uint32 build);
