#pragma once
// The command script most command-script tests start from: a comment line holding the
// marker, a record behind junk text with three directives, an empty record and a named one.

#include <string>

namespace script_test {

inline const std::string check_script =
    "// !cmd,x\n"
    "junk !cmd,prog,-x,!run-now,!repeat-daily,!timeout-30\n"
    "!cmd,\n"
    "!cmd,tool,-name,t1";

}  // namespace script_test
