#pragma once
// Turning the carver's hits into push records. Each hit is parsed against the options'
// definition of its table; when the hit's layout differs from that definition, the
// definition is rebuilt in place from the hit's carved layout (push_layouts.h), so after
// carving it describes the last layout that changed it, which the report writer reads.

#include <string>
#include <vector>

#include "app/notification_record.h"
#include "sqlite/carved_record.h"
#include "sqlite/region_scan.h"
#include "sqlite/table_definition.h"

class velk_options;

// Adds each hit of a scan as the scan finds it, as add_carved_records does, so that the
// hits of a large carve are never held all at once: notifications go packed into the
// options' carved store, handlers and channels into their lists. The record finder reads the
// options' definitions while the scan runs, so the hits are read against copies of them that
// finish() puts back: the scan sees the definitions it would see if every hit were added
// after it.
class carved_record_adder : public carved_hit_sink {
public:
    explicit carved_record_adder(velk_options& options);
    void take(carved_record& hit) override;
    // The definitions as the hits left them, into the options.
    void finish();
    // The hits taken, recognised or not.
    [[nodiscard]] std::size_t taken() const { return m_taken; }

private:
    velk_options& m_options;
    table_definition m_notification_def;
    table_definition m_handler_def;
    table_definition m_channel_def;
    notification_record m_scratch;
    std::size_t m_taken = 0;
};

// Adds one record per hit of table type 1, 2 or 4 that its record class accepts, marked
// recovered and indexed by handler id (notifications into the carved store); other hits are
// skipped. A hit without a mask takes
// the definition's (the hit is changed). Carved keys are stored as NULL, so a
// notification's and a handler's key become the hit's rowid. Each hit's values and bytes
// are released once it is read. 0 for no hits, else 1.
int add_carved_records(std::vector<carved_record>& hits, velk_options& options);

// Under a slack carve: says, once for the input, when the notification table's layout is
// unknown (no schema read, or columns other than the known ones followed by added ones), so
// that deleted rows of another layout are only looked for in the layouts velk knows. shown
// names the input.
void say_if_notification_layout_unknown(const velk_options& options, const std::string& shown);
