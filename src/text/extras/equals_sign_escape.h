#pragma once
// The equals-sign escaping of mail bodies (quoted-printable in its simplest form): "=" is
// written "=3D" and long lines get soft breaks "=\r\n"; and the reverse step that drops the
// marks without decoding them.

#include <string>

// out receives text with every "=" as "=3D" and a soft break "=\r\n" inserted whenever a line
// has reached 75 characters. The character written right after a soft break is not counted,
// so the first line holds 75 characters and later ones 76; a CR or LF starts a new count. A
// break never splits an "=3D": it goes before that "=" instead. Returns out.
std::string& qp_escape_text(std::string& out, const std::string& text);

// out receives text without its marks: an "=" is dropped and the two characters after it are
// written as they are ("=3D" gives "3D"); an "=" with fewer than two characters after it is
// dropped and what follows it is written. Returns out.
std::string& qp_strip_marks(std::string& out, const std::string& text);
