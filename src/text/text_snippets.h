#pragma once
// Small edits on output string streams and picks out of marked-up text: taking a trailing
// separator back off a stream that a writer is building, and the text between two markers.

#include <sstream>
#include <string>

#include "text/kq_types.h"

// Moves the put position back by n characters (to the start when fewer were written). False
// when the stream has failed or its put position cannot be told. Without rebuild the old
// characters stay in str() until later output overwrites them; with rebuild the text is cut
// at the new put position (and at any earlier NUL, which ends the text there too).
[[nodiscard]] bool ostream_erase_tail(std::ostringstream& stream, uint32 n, bool rebuild);
[[nodiscard]] bool ostream_erase_tail(std::stringstream& stream, uint32 n, bool rebuild);
// The same rule on any narrow or wide output stream (built for char and wchar_t); buffer is
// the stream's string buffer, needed only to rebuild (null: the text is never cut).
template <typename Char>
[[nodiscard]] bool erase_stream_tail(std::basic_ostream<Char>& stream,
                                     std::basic_stringbuf<Char>* buffer, uint32 n, bool rebuild);

// out receives the text between the opening and the closing marker that follow the first
// occurrence of anchor (the start of the text when anchor is null). Empties out first; false
// for a null text or marker and when the anchor or either marker is not found.
[[nodiscard]] bool extract_between_markers(const char* text, const char* anchor, const char* open,
                                           const char* close, std::string& out);
