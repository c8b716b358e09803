#pragma once
// Cutting whole XML/HTML elements out of text: one element taken out of a string, or every
// element of a name removed from a counted buffer in place.

#include <string>

// Moves the first element named tag ("<tag" through the first "</tag>" after it) from text
// into out; a longer name that begins with tag also opens one. False, text unchanged, when
// either end is missing or text or tag is empty; out is cleared first.
bool take_xml_element(std::string& out, std::string& text, const std::string& tag);
bool take_xml_element_w(std::wstring& out, std::wstring& text, const std::wstring& tag);

// Removes every element named tag (case-blind) from the first *length bytes of buffer and
// sets *length to what is left. Nested elements count down to their own "/>", but a closing
// "</tag>" ends the element at any depth; an element that never closes is removed to the
// end. The byte after "<tag" is skipped unseen, so "<tag/>" is not read as self-closing.
// False for a null buffer, tag or length pointer, an empty tag, a length below 1, or when no
// work buffer can be had.
bool remove_xml_element(char* buffer, int* length, const char* tag);
// The wide form: *length counts bytes (a whole number of wchar_t); it knows no nesting, each
// element running from "<tag" to the next "</tag>".
bool wremove_xml_element(wchar_t* buffer, int* length, const wchar_t* tag);
