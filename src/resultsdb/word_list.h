#pragma once
// Word lists: the printable ASCII runs of a file, taken as words.

#include <set>
#include <string>

#include "text/kq_types.h"

// The words of the file: runs of printable ASCII of at least min_length characters, without
// those holding a blank or one of :/"')([]<>*#.~$| and, with letters_only, those not
// starting with an ASCII letter. False when the file cannot be read, is larger than
// max_size or gives no word.
bool load_word_list(const std::string& file_name, std::set<std::string>& words, uint32 max_size,
                    uint32 min_length, bool letters_only);
