#include "cmdline/filter_entry.h"

void filter_entry::clear() { *this = filter_entry(); }
