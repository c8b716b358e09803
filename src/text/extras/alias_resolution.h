#pragma once
// Paths of a case rewritten through the "-alias" and "-aliaspath" maps of the common options,
// so that a path recorded on the evidence machine names the examiner's copy.

#include <string>

class cmd_params;

// out is emptied and receives, and the call returns: with both maps empty, the text; else
// the "-alias" value whose key is the whole lower-cased text; else, trying the "-aliaspath"
// keys from the last in key order, the value of the first key shorter than the text found
// anywhere in its lower-cased form, followed by the text after that key (what stood before
// the key is dropped); else the text.
std::string& resolve_alias(const cmd_params& options, std::string& out, const std::string& text);
