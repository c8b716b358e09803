#pragma once
// File filters restricted to a folder: the "-filter_path" text that every filter entry can
// carry is used here. The list parser stores a folder text in each entry it makes; the test
// takes a file's folder and name apart and lets an entry match only when its folder text
// occurs in the file's folder (a substring test: "logs" also matches "/blogs/"). The test
// itself is cmd_params::match_folder_and_name (cmdline/cmd_params.h).

#include <string>
#include <vector>

#include "cmdline/filter_entry.h"
#include "text/kq_types.h"

// parse_file_filter_list of text (lower-cased in place), then, when folder is not empty,
// every entry, a match-all one included, holds the folder lower-cased and widened, and its
// length in wide characters. Returns the number of entries.
uint32 parse_file_filter_list_with_path(std::vector<filter_entry>& list, std::string& text,
                                        const std::string& folder);
