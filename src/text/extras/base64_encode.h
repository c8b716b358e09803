#pragma once
// Base64 encoding (RFC 4648 alphabet, "=" padding) with optional 76-character lines, as mail
// and certificate text carries it. Decoding lives in text/base64_text.h.

#include <vector>

#include "text/kq_types.h"

// out is replaced by the encoding of length bytes. With wrap_lines and crlf together a line
// break "\r\n" follows every 76 characters; crlf alone adds only the final "\r\n", which crlf
// always writes (so a text whose last line is full ends in two breaks); wrap_lines alone
// changes nothing. append_nul adds one 0 byte last. False, out empty, for null data, a length
// of 0 or less, or no memory.
[[nodiscard]] bool base64_encode(const uint8* data, int32 length, std::vector<char>& out,
                                 bool wrap_lines, bool append_nul, bool crlf);
