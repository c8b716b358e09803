#pragma once
// The progress callback of the options record called with texts, a number pair or a code,
// and diagnostics items built from string lists. The cmd_params members are declared in
// cmdline/cmd_params.h; this header holds what lives outside the record.
//
// The callback's four middle arguments carry addresses or numbers as the call requires:
// the pair form passes the addresses of its two texts, of the two numbers lying side by side
// as int32[2], and of the file record (null when the record holds no file); the code forms
// pass the address of the text, the number, 0, 0. The code tells the callee which it got.

#include <string>
#include <vector>

#include "text/kq_types.h"

class cmd_params;

namespace progress_codes {
inline constexpr uint32 text_and_number = 1;
inline constexpr uint32 text_and_number_2 = 2;
}  // namespace progress_codes

// One diagnostics item: the items joined as a quoted argument list (join_args_quoted with
// quoting), when that text is not empty. Nothing for a null record or an empty list.
void diag_list_quoted(const cmd_params* options, const std::vector<std::string>& list);
