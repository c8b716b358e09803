#pragma once
// Moving the put position of an output stream back, so a writer can take back a separator
// it wrote after the last item, and reading that position.

#include <ostream>
#include <sstream>

#include "text/kq_types.h"

// The put position moves back by count (to the start when fewer characters were written);
// later output overwrites from there. False for a failed or bad stream or one whose put
// position cannot be told.
[[nodiscard]] bool ostream_back_up(std::ostream& stream, uint32 count);
// The same for a wide string stream; with rebuild the text is then cut at the new position
// (and at any earlier NUL), so the characters after it are gone.
[[nodiscard]] bool wostream_back_up(std::wostringstream& stream, uint32 count, bool rebuild);
// The low 32 bits of the put position; 0 for a failed or bad stream or an unknown position.
[[nodiscard]] uint32 ostream_position(std::ostream& stream);
