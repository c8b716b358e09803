#include "app/report_writer.h"

#include <sched.h>

#include <algorithm>
#include <array>
#include <bit>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <sstream>
#include <streambuf>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/handler_settings_record.h"
#include "app/notification_handler_record.h"
#include "app/notification_record.h"
#include "app/push_columns.h"
#include "app/push_table_type.h"
#include "app/report_text.h"
#include "app/velk_options.h"
#include "app/wns_push_channel_record.h"
#include "cmdline/bodyfile_record.h"
#include "cmdline/l2t_writer.h"
#include "cmdline/output_record.h"
#include "cmdline/record_writer.h"
#include "cmdline/timeline_collector.h"
#include "sqlite/carved_record.h"
#include "text/kq_variant_lite.h"
#include "time/kq_time.h"
#include "time/type_time.h"

namespace vt = variant_type;
namespace nc = notification_column;
namespace hc = handler_column;
namespace cc = channel_column;
namespace rs = record_source;

namespace {

// ---- Table layout ----

// The cells of a table row. Which of them a run has, and where, is fixed by the first
// header build of the run; the captions in the options' column list record it.
enum report_cell : std::size_t {
    cell_arrival,
    cell_expiry,
    cell_handler_created,
    cell_handler_modified,
    cell_channel_created,
    cell_channel_expiry,
    cell_type,
    cell_source,
    cell_id,
    cell_number_a,
    cell_handler_id,
    cell_guid,
    cell_text_a,
    cell_text_b,
    cell_number_b,
    cell_format,
    cell_misc,
    cell_handler_text_10,
    cell_handler_number_20,
    cell_primary_id,
    cell_handler_text_8,
    cell_db,
    cell_payload,
    cell_channel_text_4,
    cell_settings,
    cell_count,
};

// Row positions of the cells; -1 for a cell the run does not have (the row setters ignore
// it).
using cell_positions = std::array<int, cell_count>;

struct layout_column {
    report_cell cell;
    std::string caption;
    uint64 width;
    uint16 header_type;
};

// Caption words before the handler's and the channel's columns.
constexpr const char* handler_prefix = "Handler ";
constexpr const char* channel_prefix = "Channel ";
// A time column's caption: as wide as its values but without their pad blank.
constexpr uint16 time_caption_type = vt::unix_seconds;
// Misc data is wide enough for the metadata of a recovered row (source name and offset)
// when slack is read, and for "sqlite lib" alone otherwise.
constexpr uint64 misc_width_with_slack = 73;
constexpr uint64 misc_width_live = 12;
// Integer cells of the notification: decimal, right-aligned, signed as stored.
constexpr uint32 decimal_right = cell_flag::force_decimal | cell_flag::align_right;
constexpr uint16 stored_integer = vt::i64;
constexpr uint32 guid_size = 16;
// The precision a newly made stream starts with.
constexpr std::streamsize default_stream_precision = 6;
// Text after the input path of rows recovered from the companion files.
constexpr const char* wal_suffix = "-wal";
constexpr const char* journal_suffix = "-journal";

std::string role_name(uint32 table_type, uint64 bit) {
    const push_table_roles* table = push_roles_for(table_type);
    if (table == nullptr) {
        return {};
    }
    for (const push_column_role& role : table->columns) {
        if (role.bit == bit) {
            return role.name;
        }
    }
    return {};
}

std::string notification_table_name() {
    const push_table_roles* table = push_roles_for(push_table_notification);
    return table != nullptr ? table->name : std::string();
}

std::string note_role(uint64 bit) { return role_name(push_table_notification, bit); }

void add_time_columns(std::vector<layout_column>& layout, const velk_options& options) {
    const uint64 width = options.m_date_format.size() + options.m_time_format.size() + 2;
    const std::string note = notification_table_name() + " ";
    const std::string handler = handler_prefix;
    const std::string channel = channel_prefix;
    layout.push_back({cell_arrival, note + note_role(nc::arrival_time), width, time_caption_type});
    layout.push_back({cell_expiry, note + note_role(nc::expiry_time), width, time_caption_type});
    layout.push_back({cell_handler_created,
                      handler + role_name(push_table_handler, hc::time_text_80), width,
                      time_caption_type});
    layout.push_back({cell_handler_modified,
                      handler + role_name(push_table_handler, hc::time_text_100), width,
                      time_caption_type});
    layout.push_back({cell_channel_created, channel + role_name(push_table_channel, cc::time_10),
                      width, time_caption_type});
    layout.push_back({cell_channel_expiry, channel + role_name(push_table_channel, cc::expiry_time),
                      width, time_caption_type});
}

void add_notification_fields(std::vector<layout_column>& layout) {
    layout.push_back({cell_id, note_role(nc::id), 6, vt::empty});
    layout.push_back({cell_number_a, note_role(nc::number_a), 6, vt::empty});
    layout.push_back({cell_handler_id, note_role(nc::handler_id), 9, vt::empty});
    layout.push_back({cell_guid, note_role(nc::guid), 36, vt::empty});
    layout.push_back({cell_text_a, note_role(nc::text_a), 12, vt::empty});
    layout.push_back({cell_text_b, note_role(nc::text_b), 11, vt::empty});
    layout.push_back({cell_number_b, note_role(nc::number_b), 11, vt::empty});
    layout.push_back({cell_format, note_role(nc::format), 11, vt::empty});
}

void add_handler_fields(std::vector<layout_column>& layout) {
    const std::string handler = handler_prefix;
    layout.push_back(
        {cell_handler_text_10, role_name(push_table_handler, hc::text_10), 16, vt::empty});
    layout.push_back(
        {cell_handler_number_20, role_name(push_table_handler, hc::number_20), 17, vt::empty});
    layout.push_back(
        {cell_primary_id, handler + role_name(push_table_handler, hc::primary_id), 89, vt::empty});
    layout.push_back(
        {cell_handler_text_8, handler + role_name(push_table_handler, hc::text_8), 13, vt::empty});
}

// The report's columns in row order, for the options as they are now.
std::vector<layout_column> report_layout(const velk_options& options) {
    std::vector<layout_column> layout;
    add_time_columns(layout, options);
    layout.push_back({cell_type, note_role(nc::type), 5, vt::empty});
    layout.push_back({cell_source, "Source of " + notification_table_name(),
                      static_cast<uint64>(options.m_short_name_width), vt::empty});
    if (options.m_all_fields) {
        add_notification_fields(layout);
    }
    layout.push_back({cell_misc, "Misc data",
                      options.m_incl_slack ? misc_width_with_slack : misc_width_live, vt::empty});
    if (options.m_all_fields) {
        add_handler_fields(layout);
    }
    layout.push_back({cell_db, "DB", options.m_db.db_path().size(), vt::empty});
    layout.push_back({cell_payload, note_role(nc::payload), 36, vt::empty});
    layout.push_back({cell_channel_text_4,
                      channel_prefix + role_name(push_table_channel, cc::text_4), 15, vt::empty});
    if (options.m_incl_settings) {
        layout.push_back({cell_settings, "Settings", 50, vt::empty});
    }
    return layout;
}

void build_header_columns(velk_options& options) {
    const bool unpadded = options.m_no_whitespace || options.m_csv;
    for (const layout_column& column : report_layout(options)) {
        options.m_columns.emplace_back(column.caption, unpadded ? 0 : column.width,
                                       column.header_type, 0);
    }
}

// A caption of the column list as the layout names it: multiline output has given it a
// colon.
bool is_caption(const kq_variant_lite& column, const std::string& caption) {
    const std::string& text = column.m_text;
    return text == caption ||
           (text.size() == caption.size() + 1 && text.back() == ':' && text.starts_with(caption));
}

// Where the run's column list put each cell: found by caption, so the positions of the
// first header build hold for every later call of the run.
cell_positions find_positions(const velk_options& options) {
    cell_positions positions;
    positions.fill(-1);
    for (const layout_column& column : report_layout(options)) {
        for (std::size_t i = 0; i < options.m_columns.size(); ++i) {
            if (is_caption(options.m_columns[i], column.caption)) {
                positions[column.cell] = static_cast<int>(i);
                break;
            }
        }
    }
    return positions;
}

// ---- Joining a notification with its handler and channel ----

struct report_item {
    notification_record* notification = nullptr;
    notification_handler_record* handler = nullptr;
    const wns_push_channel_record* channel = nullptr;
};

// The handler and channel indexes as sorted arrays, made once per call: one small block
// searched per notification instead of a walk through scattered tree nodes. A multimap
// keeps the entries of one id in insertion order, and so does the copy; the first entry of
// an id is the first channel entered for it.
class id_lookup {
public:
    template <typename index_map>
    explicit id_lookup(const index_map& index) : m_entries(index.begin(), index.end()) {}

    // The position entered first for the id, when it lies in a list of `size` records.
    [[nodiscard]] std::optional<std::size_t> first(int64 id, std::size_t size) const {
        const auto found = std::lower_bound(
            m_entries.begin(), m_entries.end(), id,
            [](const std::pair<int64, int32>& entry, int64 key) { return entry.first < key; });
        if (found == m_entries.end() || found->first != id || found->second < 0 ||
            static_cast<std::size_t>(found->second) >= size) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(found->second);
    }

private:
    std::vector<std::pair<int64, int32>> m_entries;
};

struct record_lookups {
    id_lookup handlers;
    id_lookup channels;

    explicit record_lookups(const velk_options& options)
        : handlers(options.m_handler_index), channels(options.m_channel_index) {}
};

// A NULL HandlerId joins nothing (SQL's rule), not the handler or channel of id 0.
notification_handler_record* find_handler(velk_options& options, const record_lookups& lookups,
                                          const notification_record& notification) {
    if (options.m_handler_def.m_column_count == 0 || notification.m_handler_id_null) {
        return nullptr;
    }
    const std::optional<std::size_t> at =
        lookups.handlers.first(notification.m_handler_id, options.m_handlers.size());
    return at ? &options.m_handlers[*at] : nullptr;
}

// The first channel entered for the notification's handler id.
const wns_push_channel_record* find_channel(const velk_options& options,
                                            const record_lookups& lookups,
                                            const notification_record& notification) {
    if (options.m_channel_def.m_column_count == 0 || notification.m_handler_id_null) {
        return nullptr;
    }
    const std::optional<std::size_t> at =
        lookups.channels.first(notification.m_handler_id, options.m_channels.size());
    return at ? &options.m_channels[*at] : nullptr;
}

uint32 source_of(const notification_record& notification) {
    return rs::of_word(notification.m_source_word);
}

// The input path as the row's origin names it: recovered rows of the write-ahead log and
// of the rollback journal come from the companion file, not from the database itself.
std::string origin_path(const velk_options& options, const notification_record& notification) {
    std::string path = options.m_db.db_path();
    if (!notification.m_recovered) {
        return path;
    }
    const uint32 source = source_of(notification);
    if (source >= rs::wal_page_superseded && source <= rs::carve_wal) {
        path += wal_suffix;
    } else if (source == rs::carve_journal) {
        path += journal_suffix;
    }
    return path;
}

bool has_column(const velk_options& options, uint64 bit) {
    return (options.m_notification_def.m_column_mask & bit) != 0;
}

// Record offsets (never 0) in one flat table with linear probing: a carve of millions of
// records would otherwise hold a tree node of several words for each.
class offset_set {
public:
    // True when the offset was not in the set yet.
    [[nodiscard]] bool insert(uint64 offset) {
        if ((m_count + 1) * load_denominator > m_slots.size() * load_numerator) {
            grow();
        }
        std::size_t i = home(offset);
        while (m_slots[i] != 0) {
            if (m_slots[i] == offset) {
                return false;
            }
            i = (i + 1) & (m_slots.size() - 1);
        }
        m_slots[i] = offset;
        ++m_count;
        return true;
    }

private:
    // At most three slots in four in use: probes stay short, and a carve of millions of
    // records costs its table little more than the offsets themselves.
    static constexpr std::size_t load_numerator = 3;
    static constexpr std::size_t load_denominator = 4;
    static constexpr std::size_t first_slots = 64;

    // Fibonacci hashing: offsets a page apart spread over the whole table.
    [[nodiscard]] std::size_t home(uint64 offset) const {
        constexpr uint64 golden = 0x9E3779B97F4A7C15ULL;
        return static_cast<std::size_t>((offset * golden) >> m_shift);
    }
    void grow() {
        std::vector<uint64> old = std::move(m_slots);
        const std::size_t slots = old.empty() ? first_slots : old.size() * 2;
        m_slots.assign(slots, 0);
        m_shift = 64U - static_cast<unsigned>(std::countr_zero(slots));
        m_count = 0;
        for (const uint64 offset : old) {
            if (offset != 0) {
                (void)insert(offset);
            }
        }
    }

    std::vector<uint64> m_slots;  // 0: empty; the size is a power of two
    std::size_t m_count = 0;
    unsigned m_shift = 64;
};

// A recovered row read twice (the same record offset in the same file) is written once;
// rows of the main file and rows of the companion files are counted apart, as their
// offsets belong to different files.
struct seen_offsets {
    offset_set main_file;
    offset_set companion;

    [[nodiscard]] bool first_time(const notification_record& notification) {
        if (!notification.m_recovered || notification.m_record_offset == 0) {
            return true;
        }
        const uint32 source = source_of(notification);
        const bool main = source == rs::main_db_slack || source == rs::carve_main ||
                          source == rs::main_page_overwritten ||
                          source == rs::carve_main_from_wal || source == rs::main_db_past_end ||
                          source == rs::main_page_restored_from_journal;
        return (main ? main_file : companion).insert(notification.m_record_offset);
    }
};

// ---- Table rows ----

void set_time(output_record& row, int position, int64 value, uint32 flags) {
    if (value != 0) {
        (void)row.set_num(position, static_cast<uint64>(value), vt::filetime, flags);  // always 1
    }
}

void set_text(output_record& row, int position, const std::string& text) {
    if (!text.empty()) {
        (void)row.set_str(position, text, vt::text, 0);  // always 1
    }
}

// The ActivityId as stored: a GUID, a text, or the bytes of a blob of another length.
void set_activity_id(output_record& row, int position, const notification_record& n) {
    switch (n.activity_form()) {
        case activity_id_form::guid:
            (void)row.set_bytes(position, n.m_guid.bytes.data(), guid_size, vt::guid, 0);
            break;
        case activity_id_form::text:
            (void)row.set_str(position, n.activity_text(), vt::text, 0);  // always 1
            break;
        case activity_id_form::hex:
            (void)row.set_byte_vector(position,
                                      byte_array(n.m_guid_value.begin(), n.m_guid_value.end()),
                                      vt::bytes_hex, 0);  // always 1
            break;
        case activity_id_form::none:
            break;
    }
}

void set_notification_fields(output_record& row, const cell_positions& at,
                             const velk_options& options, const notification_record& n) {
    if (has_column(options, nc::id) && !n.m_id_unknown) {
        (void)row.set_num(at[cell_id], static_cast<uint64>(n.m_id), stored_integer, decimal_right);
    }
    if (has_column(options, nc::number_a)) {
        (void)row.set_num(at[cell_number_a], static_cast<uint64>(n.m_number_a), stored_integer,
                          decimal_right);
    }
    // A NULL HandlerId is shown empty: it is no id, not 0.
    if (has_column(options, nc::handler_id) && !n.m_handler_id_null) {
        (void)row.set_num(at[cell_handler_id], static_cast<uint64>(n.m_handler_id), stored_integer,
                          decimal_right);
    }
    set_activity_id(row, at[cell_guid], n);
    set_text(row, at[cell_text_a], n.m_text_a);
    set_text(row, at[cell_text_b], n.m_text_b);
    if (n.m_number_b != 0) {
        (void)row.set_num(at[cell_number_b], static_cast<uint64>(n.m_number_b), stored_integer,
                          decimal_right);
    }
    set_text(row, at[cell_format], n.m_format);
}

void set_handler_cells(output_record& row, const cell_positions& at,
                       const notification_handler_record& handler) {
    set_time(row, at[cell_handler_created], handler.m_time_80, 0);
    set_time(row, at[cell_handler_modified], handler.m_time_100, 0);
    set_text(row, at[cell_source], handler.m_short_name);
    set_text(row, at[cell_handler_text_10], handler.m_text_10);
    if (handler.m_number_20 != 0) {
        (void)row.set_num(at[cell_handler_number_20], static_cast<uint64>(handler.m_number_20),
                          stored_integer, 0);
    }
    set_text(row, at[cell_primary_id], handler.m_primary_id);
    set_text(row, at[cell_handler_text_8], handler.m_text_8);
}

void set_misc_cells(output_record& row, const cell_positions& at, velk_options& options,
                    const report_item& item) {
    // One stream for every row, emptied and set back to a new stream's state: making a
    // stream per row cost more than printing into it.
    thread_local std::ostringstream metadata;
    metadata.str(std::string());
    metadata.clear();
    metadata.flags(std::ios_base::skipws | std::ios_base::dec);
    metadata.fill(' ');
    metadata.width(0);
    metadata.precision(default_stream_precision);
    // No name, braces, the offset and the source, no rowid.
    (void)item.notification->print_metadata(metadata, "", true, true, false, true);
    (void)row.set_stream_text(at[cell_misc], metadata, vt::text, 0);
    (void)row.set_str(at[cell_db], origin_path(options, *item.notification), vt::text, 0);
    if (item.handler != nullptr && at[cell_settings] >= 0) {
        std::ostringstream settings;
        settings << std::dec << '['
                 << handler_settings_text(*item.handler, options.m_settings,
                                          options.m_settings_index)
                 << ']';
        (void)row.set_stream_text(at[cell_settings], settings, vt::text, 0);
    }
}

void write_table_row(std::ostream& out, velk_options& options, const cell_positions& at,
                     const report_item& item) {
    output_record row(static_cast<int>(options.m_columns.size()), true);
    const notification_record& n = *item.notification;
    set_time(row, at[cell_arrival], n.m_arrival_time, cell_flag::align_right);
    set_time(row, at[cell_expiry], n.m_expiry_time, 0);
    set_text(row, at[cell_type], n.m_type);
    set_notification_fields(row, at, options, n);
    if (item.handler != nullptr) {
        set_handler_cells(row, at, *item.handler);
    }
    if (item.channel != nullptr) {
        set_time(row, at[cell_channel_created], item.channel->m_time_10, 0);
        set_time(row, at[cell_channel_expiry], item.channel->m_expiry_time, 0);
        set_text(row, at[cell_channel_text_4], item.channel->m_text_4);
    }
    set_misc_cells(row, at, options, item);
    set_text(row, at[cell_payload], n.m_payload);
    write_record(out, row, options);
}

// ---- Timeline and body-file forms ----

constexpr const char* timeline_source = "VELK_DB";
constexpr const char* artifact_live = "PushNotification artifact";
constexpr const char* artifact_recovered = "PushNotification artifact [recovered data]";

// Parts joined by "; ", empty parts left out.
std::string join_parts(const std::vector<std::string>& parts) {
    std::string joined;
    for (const std::string& part : parts) {
        if (part.empty()) {
            continue;
        }
        if (!joined.empty()) {
            joined += "; ";
        }
        joined += part;
    }
    return joined;
}

void fill_timeline_texts(timeline_collector& timeline, velk_options& options,
                         const report_item& item) {
    const notification_record& n = *item.notification;
    const bool typed = has_column(options, nc::type);
    timeline.m_sourcetype = n.m_recovered ? artifact_recovered : artifact_live;
    timeline.m_source = timeline_source;
    timeline.m_timezone = "UTC";
    if (item.handler != nullptr) {
        timeline.m_short = item.handler->m_short_name;
        if (typed) {
            timeline.m_short += " (" + n.m_type + ")";
        }
        timeline.m_notes = "PrimaryID: " + item.handler->m_primary_id;
    } else if (typed) {
        timeline.m_short = n.m_type;
    }
    if (has_column(options, nc::payload)) {
        timeline.m_desc = n.m_payload;
    }
    std::vector<std::string> extra;
    if (n.m_recovered) {
        extra.push_back(
            recovered_source_text(source_of(n), n.m_record_offset, n.has_record_offset(),
                                  options.m_base16, true));
    }
    if (!options.m_db.db_path().empty()) {
        extra.push_back("db: " + origin_path(options, n));
    }
    timeline.m_extra = join_parts(extra);
}

void merge_time(timeline_collector& timeline, int64 filetime, const char* mark,
                const char* description) {
    if (filetime == 0) {
        return;
    }
    timeline_event event(static_cast<uint64>(filetime), mark, description, timeline_source, nullptr,
                         nullptr, nullptr, nullptr, kq::tt_filetime);
    if (event.valid) {
        (void)timeline.merge_event(event);  // a valid event with a source and a MACB letter
    }
}

void write_timeline(std::ostream& out, velk_options& options, const report_item& item) {
    timeline_collector timeline;
    timeline.init_from_options(&options);
    timeline.set_labels("Last Modified", "Last Access", "ExpiryTime", "ArrivalTime");
    fill_timeline_texts(timeline, options, item);
    merge_time(timeline, item.notification->m_arrival_time, "B", "ArrivalTime");
    merge_time(timeline, item.notification->m_expiry_time, "C", "ExpiryTime");
    (void)write_l2t_rows(options.m_header_pending, out, timeline);  // always 1
}

void write_body_line(std::ostream& out, velk_options& options, const report_item& item) {
    const notification_record& n = *item.notification;
    bodyfile_record record;
    // A time outside the years every other form shows (a far-future value the table leaves
    // blank) is no time: 0, which body-file readers take for "not set", not a date in the
    // year 30120.
    const bool shown = kq::time(n.m_arrival_time, kq::tt_filetime).is_valid;
    record.m_times.set_unix(0, 0, 0, shown ? n.m_arrival_time : 0, kq::tt_filetime);
    record.m_timezone = "UTC";
    record.m_options = &options;
    std::vector<std::string> parts;
    if (n.m_recovered) {
        parts.emplace_back("Recovered Data");
    }
    parts.emplace_back(artifact_live);
    if (has_column(options, nc::type)) {
        parts.push_back("Type: " + n.m_type);
    }
    if (item.handler != nullptr) {
        parts.push_back("PrimaryID: " + item.handler->m_primary_id);
    }
    if (has_column(options, nc::payload)) {
        parts.push_back("Payload: " + n.m_payload);
    }
    record.m_name = join_parts(parts);
    (void)write_bodyfile_record(options.m_header_pending, out, record);  // always 1
}

bool table_form(const velk_options& options) { return !options.m_csvl2t && !options.m_bodyfile; }

// ---- Table rows formatted on several threads ----

// Formatting a row (cells, times, padding) costs several times what writing its bytes
// does, so on a machine with cores to spare, workers format blocks of rows into texts and
// the calling thread writes the texts in the rows' order, formatting blocks itself while
// the next one to write is not ready: the report is byte for byte the one a single thread
// writes. Blocks are formatted at most a few ahead of the writer, so the report is never
// held whole.
constexpr std::size_t rows_per_block = 32;
constexpr std::size_t blocks_ahead_per_formatter = 2;
constexpr unsigned most_format_workers = 4;

// An output stream's buffer that appends to a text: a worker's block.
class text_sink : public std::streambuf {
public:
    explicit text_sink(std::string& text) : m_text(text) {}

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            m_text.push_back(traits_type::to_char_type(c));
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* data, std::streamsize count) override {
        m_text.append(data, static_cast<std::size_t>(count));
        return count;
    }

private:
    std::string& m_text;
};

class block_formatter {
public:
    block_formatter(velk_options& options, const cell_positions& at,
                    const std::vector<report_item>& items, unsigned workers)
        : m_options(options),
          m_at(at),
          m_items(items),
          m_workers(workers),
          m_blocks((items.size() + rows_per_block - 1) / rows_per_block),
          m_ahead((std::size_t{workers} + 1) * blocks_ahead_per_formatter),
          m_texts(m_blocks),
          m_failures(m_blocks),
          m_done(m_blocks, 0) {}

    // Writes every block in order; a row whose formatting threw throws here, at its place,
    // once the workers have stopped.
    void write_all(std::ostream& out) {
        std::vector<std::jthread> threads;
        threads.reserve(m_workers);
        for (unsigned i = 0; i < m_workers; ++i) {
            threads.emplace_back([this] { work(); });
        }
        for (std::size_t block = 0; block < m_blocks; ++block) {
            // While the block to write is not ready, this thread formats one of its own.
            while (take_and_format(block)) {
            }
            std::string text;
            std::exception_ptr failure;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [&] { return m_done[block] != 0; });
                text = std::move(m_texts[block]);
                failure = m_failures[block];
            }
            if (failure) {
                stop();
                threads.clear();  // joins
                std::rethrow_exception(failure);
            }
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            {
                const std::lock_guard lock(m_mutex);
                ++m_written;
            }
            m_room.notify_all();
        }
    }

private:
    void stop() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_room.notify_all();
    }

    void work() {
        for (;;) {
            std::size_t block = 0;
            {
                std::unique_lock lock(m_mutex);
                m_room.wait(lock, [&] {
                    return m_stop || m_next >= m_blocks || m_next < m_written + m_ahead;
                });
                if (m_stop || m_next >= m_blocks) {
                    return;
                }
                block = m_next++;
            }
            format_and_keep(block);
        }
    }

    // The writer's turn at formatting: true when it formatted a block, false when the block
    // it waits for is done or no block may be taken now.
    bool take_and_format(std::size_t waited) {
        std::size_t block = 0;
        {
            const std::lock_guard lock(m_mutex);
            if (m_done[waited] != 0 || m_next >= m_blocks || m_next >= m_written + m_ahead) {
                return false;
            }
            block = m_next++;
        }
        format_and_keep(block);
        return true;
    }

    void format_and_keep(std::size_t block) {
        std::string text;
        std::exception_ptr failure;
        try {
            format_block(block, text);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            const std::lock_guard lock(m_mutex);
            m_texts[block] = std::move(text);
            m_failures[block] = failure;
            m_done[block] = 1;
        }
        m_ready.notify_all();
    }

    void format_block(std::size_t block, std::string& text) {
        text_sink sink(text);
        std::ostream out(&sink);
        const std::size_t first = block * rows_per_block;
        const std::size_t last = std::min(first + rows_per_block, m_items.size());
        for (std::size_t i = first; i < last; ++i) {
            write_table_row(out, m_options, m_at, m_items[i]);
        }
    }

    velk_options& m_options;
    const cell_positions& m_at;
    const std::vector<report_item>& m_items;
    const unsigned m_workers;
    const std::size_t m_blocks;
    const std::size_t m_ahead;
    std::mutex m_mutex;
    std::condition_variable m_ready;  // a block was formatted
    std::condition_variable m_room;   // a block was written, or the workers must stop
    std::size_t m_next = 0;
    std::size_t m_written = 0;
    bool m_stop = false;
    std::vector<std::string> m_texts;
    std::vector<std::exception_ptr> m_failures;
    std::vector<char> m_done;
};

// The cores this process may run on: those of its affinity mask (a run pinned to one core
// gains nothing from workers), else those the system has.
unsigned usable_cores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        return static_cast<unsigned>(CPU_COUNT(&set));
    }
    return std::thread::hardware_concurrency();
}

// Workers for the table rows of one call; 0 when one thread writes them. Rows handed to a
// results log, multiline rows and short reports stay on the calling thread.
unsigned format_workers(const velk_options& options, std::size_t rows) {
    if (!table_form(options) || options.m_sqlite || options.m_multiline ||
        options.m_header_pending || rows < 2 * rows_per_block) {
        return 0;
    }
    const unsigned cores = usable_cores();
    return cores < 2 ? 0 : std::min(cores - 1, most_format_workers);
}

// What one call writes with: the column positions, the handler and channel lookups and the
// offsets already written.
struct report_run {
    velk_options& options;
    cell_positions positions;
    record_lookups lookups;
    seen_offsets seen;
};

// The notification as an item to write, joined with its handler and channel; nothing when
// its record offset was written already.
void add_item(report_run& run, std::vector<report_item>& items, notification_record& notification) {
    velk_options& options = run.options;
    if (!run.seen.first_time(notification)) {
        return;
    }
    report_item& item = items.emplace_back();
    item.notification = &notification;
    item.handler = find_handler(options, run.lookups, notification);
    item.channel = find_channel(options, run.lookups, notification);
    if (item.handler != nullptr && table_form(options) && run.positions[cell_settings] >= 0) {
        // The summary is kept in the handler when first made: made here, on this thread,
        // the rows' formatting only reads it.
        (void)handler_settings_text(*item.handler, options.m_settings, options.m_settings_index);
    }
}

void write_items(std::ostream& out, report_run& run, const std::vector<report_item>& items) {
    velk_options& options = run.options;
    const unsigned workers = format_workers(options, items.size());
    if (workers > 0) {
        block_formatter(options, run.positions, items, workers).write_all(out);
        return;
    }
    for (const report_item& item : items) {
        if (options.m_bodyfile) {
            write_body_line(out, options, item);
        } else if (options.m_csvl2t) {
            write_timeline(out, options, item);
        } else {
            write_table_row(out, options, run.positions, item);
        }
    }
}

// Carved notifications are unpacked a window at a time, written, and their window reused:
// a carve of millions of records is never held unpacked.
constexpr std::size_t carved_window_rows = 1024;

void write_carved(std::ostream& out, report_run& run, const carved_notification_store& carved) {
    std::vector<notification_record> window(std::min(carved.size(), carved_window_rows));
    std::vector<report_item> items;
    items.reserve(window.size());
    carved_notification_store::reader reader(carved);
    for (bool more = true; more;) {
        items.clear();
        std::size_t filled = 0;
        while (filled < window.size() && (more = reader.next(window[filled]))) {
            add_item(run, items, window[filled]);
            ++filled;
        }
        write_items(out, run, items);
    }
}

// The header when the run has not written it, then the notifications of the list and
// those of the carved store, in that order.
void write_lists(std::ostream& out, velk_options& options,
                 std::vector<notification_record>& notifications,
                 const carved_notification_store* carved) {
    if (notifications.empty() && (carved == nullptr || carved->empty())) {
        return;
    }
    // The column list is built whenever a table form finds it empty, not only while the
    // header is pending: forms that write no header line ("-xml") still need the cells.
    if (table_form(options) && options.m_multiline) {
        // One value per line after its caption: values are not filled to a width, and the
        // record writer names the captions instead of writing a caption line.
        options.m_no_whitespace = true;
    }
    if (table_form(options) && options.m_columns.empty()) {
        build_header_columns(options);
    }
    if (table_form(options) && options.m_header_pending && !options.m_multiline) {
        write_header_row(out, options);
    }
    report_run run{options, find_positions(options), record_lookups(options), {}};
    std::vector<report_item> items;
    items.reserve(notifications.size());
    for (notification_record& notification : notifications) {
        add_item(run, items, notification);
    }
    write_items(out, run, items);
    if (carved != nullptr && !carved->empty()) {
        write_carved(out, run, *carved);
    }
}

}  // namespace

void write_results(std::ostream& out, velk_options& options,
                   std::vector<notification_record>& notifications) {
    write_lists(out, options, notifications, nullptr);
}

void write_results(std::ostream& out, velk_options& options) {
    write_lists(out, options, options.m_notifications, &options.m_carved_notifications);
}
