#pragma once
// A short report of the host a tool runs on, one labelled line per fact, for logs that
// record where evidence was processed.

#include <ostream>

#include "text/host_info.h"

// Writes "os       : ", "nodename : " (only for a known node name), "version  : ",
// "build    : " (the release) and "machine  : " ("64 bit" or "32 bit") lines.
std::ostream& print_system_info(const host_info& host, std::ostream& out);
