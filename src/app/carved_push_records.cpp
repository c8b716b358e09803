#include "app/carved_push_records.h"

#include <algorithm>

#include "app/db_processing.h"
#include "app/notification_record.h"
#include "app/push_layouts.h"
#include "app/push_record_index.h"
#include "app/push_table_type.h"
#include "app/velk_options.h"
#include "sqlite/table_definition.h"
#include "text/console_output.h"

namespace {

using builder_fn = bool (*)(table_definition&, uint64, bool);

// Steps 1 to 3: the mask (and column count) the hit is read with, the definition rebuilt
// when it does not describe that mask. A mask outside the carved layouts leaves the
// definition empty, and the parse that follows fails.
void prepare_definition(carved_record& hit, table_definition& def, builder_fn build, bool verify,
                        uint64& mask, uint32& count) {
    mask = def.m_column_mask;
    count = def.m_column_count;
    if (hit.column_mask == 0) {
        hit.column_mask = def.m_column_mask;
    }
    if (hit.column_mask != 0) {
        mask = hit.column_mask;
        count = hit.column_count;
    }
    // A record with columns added after the known ones holds more values than the carved
    // layout has columns: the definition gets a nameless, unselected column for each.
    const std::size_t values = std::max<std::size_t>(hit.values.size(), hit.column_count);
    if (def.m_columns.empty() || def.m_column_mask != mask || def.m_columns.size() < values) {
        if (build(def, mask, verify)) {
            def.m_columns.resize(std::max(def.m_columns.size(), values));
        }
    }
}

// Steps 4 to 6 up to the table's own step: the filled record, or null when the record
// class refused the hit and nothing was added.
template <typename record_type>
record_type* add_record(std::vector<record_type>& list, carved_record& hit, table_definition& def,
                        uint64 mask, uint32 table_type) {
    // A cell of a live page read whole holds a live row: its payload is shown as a walked
    // row's is.
    if ((hit.source_word & record_source::live_cell_flag) != 0) {
        trim_live_payload(table_type, mask, hit.values);
    }
    record_type& record = list.emplace_back();
    if (!record.parse_carved_record(hit, true, def)) {
        list.pop_back();
        return nullptr;
    }
    record.set_from_carved(hit, mask, table_type, def);
    return &record;
}

// The scratch record a notification is filled in before it is packed into the store.
void add_notification(carved_record& hit, velk_options& options, table_definition& def,
                      notification_record& record) {
    uint64 mask = 0;
    uint32 count = 0;
    prepare_definition(hit, def, build_notification_definition, options.m_verify, mask, count);
    // A cell of a live page read whole holds a live row: its payload is shown as a walked
    // row's is.
    if ((hit.source_word & record_source::live_cell_flag) != 0) {
        trim_live_payload(push_table_notification, mask, hit.values);
    }
    record.reset();
    record.clear();
    if (!record.parse_carved_record(hit, true, def)) {
        return;
    }
    record.set_from_carved(hit, mask, push_table_notification, def);
    record.m_source_word |= hit.source_word & record_source::offset_zero_flag;
    record.m_id = hit.rowid;
    record.m_id_unknown = hit.header_corrected != 0 || hit.lost_types != 0;
    if (!record.m_handler_id_null) {
        options.m_used_handler_ids.insert(record.m_handler_id);
    }
    options.m_carved_notifications.add(record);
}

void add_handler(carved_record& hit, velk_options& options, table_definition& def) {
    uint64 mask = 0;
    uint32 count = 0;
    prepare_definition(hit, def, build_handler_definition, options.m_verify, mask, count);
    notification_handler_record* record =
        add_record(options.m_handlers, hit, def, mask, push_table_handler);
    if (record == nullptr) {
        return;
    }
    if (def.m_column_count == 0) {
        def.m_column_count = count;
    }
    record->m_handler_id = hit.rowid;
    index_handler(options, options.m_handlers.size() - 1, false);
}

void add_channel(carved_record& hit, velk_options& options, table_definition& def) {
    uint64 mask = 0;
    uint32 count = 0;
    prepare_definition(hit, def, build_channel_definition, options.m_verify, mask, count);
    if (add_record(options.m_channels, hit, def, mask, push_table_channel) == nullptr) {
        return;
    }
    if (def.m_column_count == 0) {
        def.m_column_count = count;
    }
    index_channel(options, options.m_channels.size() - 1);
}

// Room for every hit of each table at once: a list of tens of thousands of records that
// doubled its way there would hold its old and its new block side by side at each step.
void reserve_lists(const std::vector<carved_record>& hits, velk_options& options) {
    std::size_t handlers = 0;
    std::size_t channels = 0;
    for (const carved_record& hit : hits) {
        handlers += hit.table_type == push_table_handler ? 1 : 0;
        channels += hit.table_type == push_table_channel ? 1 : 0;
    }
    options.m_handlers.reserve(options.m_handlers.size() + handlers);
    options.m_channels.reserve(options.m_channels.size() + channels);
}

}  // namespace

carved_record_adder::carved_record_adder(velk_options& options)
    : m_options(options),
      m_notification_def(options.m_notification_def),
      m_handler_def(options.m_handler_def),
      m_channel_def(options.m_channel_def) {}

void carved_record_adder::take(carved_record& hit) {
    ++m_taken;
    switch (hit.table_type) {
        case push_table_notification:
            add_notification(hit, m_options, m_notification_def, m_scratch);
            break;
        case push_table_handler:
            add_handler(hit, m_options, m_handler_def);
            break;
        case push_table_channel:
            add_channel(hit, m_options, m_channel_def);
            break;
        default:
            break;  // settings are never carved; anything else is no push table
    }
}

void carved_record_adder::finish() {
    m_options.m_notification_def = m_notification_def;
    m_options.m_handler_def = m_handler_def;
    m_options.m_channel_def = m_channel_def;
}

int add_carved_records(std::vector<carved_record>& hits, velk_options& options) {
    if (hits.empty()) {
        return 0;
    }
    reserve_lists(hits, options);
    carved_record_adder adder(options);
    for (carved_record& hit : hits) {
        adder.take(hit);
        // The record holds its own copy now: a large carve keeps one copy of each value at
        // a time, not the hits and the records side by side.
        hit.values = {};
        hit.bytes = {};
    }
    adder.finish();
    return 1;
}

void say_if_notification_layout_unknown(const velk_options& options, const std::string& shown) {
    const char* why = notification_layout_unknown(
        options.m_notification_def, options.m_db_failure != db_failure::schema_unreadable);
    if (why != nullptr) {
        stderr_printf(
            "prob reading %s: the Notification table's layout is unknown (%s): its deleted "
            "rows are looked for in the layouts velk knows only\n",
            shown.c_str(), why);
    }
}
