#pragma once
// Whole-file rewriters for markup and text: script elements removed from an HTML file, a
// text erased wherever it occurs, every element of one tag name removed (8-bit or UTF-16LE
// text), and tab-separated text laid out as an aligned table. Each reads its input whole
// first and writes through replace_file_contents, so a failure never leaves a destination
// half written, and a file that cannot be read whole is never rewritten from part of it.

// Removes every "script" element. The result goes over the input with in_place, else to
// output when one is named, else to standard output. False when the input cannot be read
// whole or the destination cannot be written (nothing then reaches standard output).
[[nodiscard]] bool strip_script_elements(const char* input, const char* output, bool in_place);

// Rewrites the file without any occurrence of text (letters compared without regard to case
// with ignore_case); a text that does not occur rewrites the same bytes. False for a null
// path or text, a file not read whole or a failed rewrite.
[[nodiscard]] bool erase_text_in_file(const char* path, const char* text, bool ignore_case);

// Removes every element named tag and writes the rest to output (the input when null). A
// buffer beginning FF FE is UTF-16LE and keeps its byte-order mark; other buffers are 8-bit.
// False for a null input or tag, a file not read whole, a removal that fails or a failed
// write.
[[nodiscard]] bool remove_element_in_file(const char* input, const char* output, const char* tag);

// The input's tab-separated text laid out with expand_tabs (column gap 0 means 4; with
// utf16_switch UTF-16LE text is recognised) and written to output. False, nothing written,
// for a null path, a negative gap, an input not read whole or a text without tabs.
[[nodiscard]] bool tsv_file_to_table(const char* input, const char* output, int gap,
                                     bool utf16_switch);
