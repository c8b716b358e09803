#pragma once
// Turning the carver's hits into push records. Each hit is parsed against the options'
// definition of its table; when the hit's layout differs from that definition, the
// definition is rebuilt in place from the hit's carved layout (push_layouts.h), so after
// carving it describes the last layout that changed it, which the report writer reads.

#include <string>
#include <vector>

#include "sqlite/carved_record.h"

class velk_options;

// Adds one record per hit of table type 1, 2 or 4 that its record class accepts, marked
// recovered and indexed by handler id; other hits are skipped. A hit without a mask takes
// the definition's (the hit is changed). Carved keys are stored as NULL, so a
// notification's and a handler's key become the hit's rowid. Each hit's values and bytes
// are released once it is read. 0 for no hits, else 1.
int add_carved_records(std::vector<carved_record>& hits, velk_options& options);

// Under a slack carve: says, once for the input, when the notification table's layout is
// unknown (no schema read, or columns other than the known ones followed by added ones), so
// that deleted rows of another layout are only looked for in the layouts velk knows. shown
// names the input.
void say_if_notification_layout_unknown(const velk_options& options, const std::string& shown);
