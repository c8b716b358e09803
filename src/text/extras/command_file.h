#pragma once
// Command files: a text of "<!cmd>...</!cmd>" blocks, each a command line with optional
// named arguments written as "<!arg=name>value</!arg>".

#include <string>
#include <vector>

// One list per command, in file order: the command's whole text, then a name and a value per
// complete argument element (the name without quotes, the value as written), then the
// remaining words (a double-quoted group is one word, its quotes removed). A block with
// nothing in it gives an empty list. CRs and TABs are dropped and, unless keep_line_breaks,
// LFs read as blanks. An argument element left unclosed ends the arguments of that command;
// it only ever takes the command text out of the list, never a name or value before it.
// False for an empty path, a file that cannot be read or is empty, or no command.
[[nodiscard]] bool parse_command_file(std::vector<std::vector<std::string>>& out,
                                      const std::string& path, bool keep_line_breaks);
