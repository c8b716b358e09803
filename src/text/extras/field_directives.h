#pragma once
// Reading one output column text: a field name with "!" directives embedded in it
// ("Name!B64", "t!TU", "n!SC(caption)", "f!S(key:value)") and a few reserved names such as
// "(all dates)". Every directive recognised is taken out of the text and recorded in an
// output_field_spec; what remains, trimmed, is the field name.
//
// Directive searches are exact and case-sensitive and match inside words ("x!Rx" loses its
// "!R"). Column texts come from users and scripts, so any text is accepted: a "!" word that
// is no directive stays in the name and a broken argument is dropped, never an error.

#include <string>

#include "text/extras/output_field_spec.h"

// Clears spec, takes the directives out of text (edited in place) and fills spec; on return
// text equals spec.m_name. Always true.
bool parse_field_spec(output_field_spec& spec, std::string& text);

// The macOS library path (macos_library_path) of the low 32 bits of the number text holds;
// "" when text is no number. "5" gives "Library/SyncedPreferences/".
[[nodiscard]] std::string library_path_from_text(const std::string& text);
