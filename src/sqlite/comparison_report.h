#pragma once
// The report on one record group (record_groups.h): did the own b-tree walk find every row
// the library found (Phase 1), do all layouts order the fields alike (Phase 2), and do the
// rows both read under one rowid hold the same values (Phase 3)? Then the counts and, per
// layout, its record counts, key, record sizes and signature patterns.

#include <ostream>
#include <string>

#include "sqlite/record_groups.h"

struct report_options {
    bool verbose = false;     // the Phase lines too, data lines indented under them
    std::string error_text;   // named when the library read nothing
};

void write_comparison_report(const record_group& group, std::ostream& out,
                             const report_options& options);
