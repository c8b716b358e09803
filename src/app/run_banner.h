#pragma once
// The first things a run decides and writes: whether the examiner asked for help, and the
// banner that heads every report, recording what was run, when, and on which machine.

#include <string>
#include <vector>

#include "time/kq_time.h"

// Takes "-h", then "-help", then "/?", then "--help" out of args (any letter case, any
// position; the first one found ends the search). True when one was found or when args
// holds only the program name.
[[nodiscard]] bool help_requested(std::vector<std::string>& args);

// The banner's three lines, each ending with a line feed:
//   the version line;
//   run date and time (UTC), host name and host description;
//   '"', a label, ": ", "<filelist> ... | " when "-pipe" is among the arguments after the
//   program name, the arguments joined by blanks (one holding a blank in single quotes), '"'.
// The date follows the "-dateformat" value when one is given, else mm/dd/yyyy; args is only
// read, so the option parser still sees "-dateformat".
[[nodiscard]] std::string banner_text(const std::vector<std::string>& args, const kq::time& start,
                                      const std::string& version_line);

// "<system name>;<version>;<release>;<bits>" of this host; then, when the executable lies on
// a network file system or a USB device, "; " and "<~>" for the first, ":=" for the second.
[[nodiscard]] std::string host_description();
