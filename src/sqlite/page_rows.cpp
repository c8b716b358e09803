#include "sqlite/page_rows.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

#include "io/uni_fileio.h"
#include "sqlite/overflow_chain.h"
#include "sqlite/sqlite_format.h"
#include "sqlite/value_code.h"
#include "sqlite/varint.h"
#include "text/number_text.h"
#include "text/text_case.h"
#include "text/text_replace.h"

namespace bt = sqlite_format::btree_page;
namespace bc = sqlite_format::btree_cell;
namespace fh = sqlite_format::file_header;

namespace {

// Rows of a page read without rowids are numbered page number * 256 + cell index + 1: no
// page holds more than 256 cells of a real row, so the numbers of two pages never meet.
constexpr uint64 no_rowid_page_stride = 256;
// A schema row has type, name, tbl_name, rootpage and sql.
constexpr std::size_t schema_columns = 5;
constexpr std::size_t schema_name = 1;
constexpr std::size_t schema_table_name = 2;
constexpr std::size_t schema_root_page = 3;
constexpr std::size_t schema_sql = 4;

struct leaf_options {
    uni::fileio* file = nullptr;
    uint32 page_size = 0;
    bool annotate_times = false;
    bool raw_blobs = false;
    bool skip_overflow = false;
    bool capture_header = false;
    text_encoding encoding = text_encoding::utf8;
    bool no_rowid = false;
    bool keep_extras = true;
    leaf_reader* reader = nullptr;
};

// The page inside the caller's buffer: whole, or, when the buffer ends inside it (the last
// page of a file cut short), as far as the buffer goes; cells past that end are not read.
bool locate_page(kq::byte_reader& page, const uint8* buffer, uint32 buffer_length,
                 uint64 buffer_offset, uint64 page_offset, uint32 page_size) {
    const kq::byte_reader view(buffer, buffer_length);
    if (view.size() <= 3 || page_size < bt::min_page_size || page_offset < buffer_offset) {
        return false;
    }
    const uint64 at = page_offset - buffer_offset;
    if (at >= view.size()) {
        return false;
    }
    const auto start = static_cast<std::size_t>(at);
    const std::size_t length = std::min<std::size_t>(page_size, view.size() - start);
    return length >= bt::interior_header_size && view.sub(start, length, page);
}

std::string hex_key(uint64 value) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string key(16, '0');
    for (std::size_t i = key.size(); i > 0; --i) {
        key[i - 1] = digits[value & 0xf];
        value >>= 4;
    }
    return key;
}

bool file_usable(const uni::fileio* file) { return file != nullptr && file->is_open(); }

}  // namespace

void leaf_record_decoder::reset() {
    record_decoder::reset();
    rowid = 0;
    cell_file_offset = 0;
    cell_size = 0;
    record_file_offset = 0;
    index_key = 0;
    cell = cell_descriptor{};
    header_bytes.clear();
    header_captured = false;
}

void interior_record_decoder::reset() {
    record_decoder::reset();
    child_page = 0;
    cell = cell_descriptor{};
    cell_file_offset = 0;
    cell_size = 0;
    record_file_offset = 0;
    interior_key = 0;
    flag = 1;
}

void page_descriptor::reset() {
    kind = 0;
    page_offset = 0;
    page_number = 0;
    without_rowid = false;
    name.clear();
    table_name.clear();
    root_page = 0;
    sql.clear();
    lower_sql.clear();
    cell = cell_descriptor{};
    cells.clear();
    children.clear();
    bytes.clear();
}

namespace {

// The bytes a record is decoded from: the cell's local part, extended by its overflow chain
// or by the marker of a chain not followed.
struct record_span {
    kq::byte_reader bytes;
    std::size_t local = 0;    // record bytes in the cell, less an overflow page number
    bool complete = true;     // the whole payload is at hand
};

// How a cell's overflow chain is treated when it is not (or cannot be) followed.
enum class chain_rule {
    follow,             // index leaves: follow with a file, else drop the page number
    follow_or_marker,   // table leaves: as follow, but a failed chain leaves the marker
};

// Local bytes followed by the overflow chain read from the file; false when none of the
// chain could be read (scratch then holds the local bytes alone).
bool gather_chain(byte_array& scratch, const kq::byte_reader& local, const cell_descriptor& cell,
                  const leaf_options& o) {
    if (!file_usable(o.file)) {
        return false;
    }
    // Room for the whole payload up front, so the chain's pages are appended without the
    // buffer growing page by page; a payload size no file of this size can hold is not
    // trusted that far.
    const uint64 wanted = std::min<uint64>(cell.payload_size, o.file->size()) + o.page_size;
    scratch.reserve(static_cast<std::size_t>(wanted));
    (void)local.copy_to(0, local.size(), scratch);  // the whole view: cannot fail
    return o.reader != nullptr
               ? read_overflow_chain(scratch, o.reader->pages, cell.overflow_page, o.page_size)
               : read_overflow_chain(scratch, *o.file, cell.overflow_page, o.page_size);
}

void append_marker(byte_array& scratch) {
    const std::string_view marker(overflow_marker);
    scratch.insert(scratch.end(), marker.begin(), marker.end());
}

void take_overflowing(record_span& out, byte_array& scratch, const kq::byte_reader& record,
                      const cell_descriptor& cell, const leaf_options& o, chain_rule rule) {
    out.complete = false;
    const std::size_t page_number = bc::overflow_page_size;
    const bool skip = rule == chain_rule::follow_or_marker && o.skip_overflow;
    if (skip && record.size() <= page_number) {
        out.bytes = record;  // too short to hold a page number: decoded as it is
        out.local = record.size();
        return;
    }
    out.local = record.size() > page_number ? record.size() - page_number : 0;
    kq::byte_reader local;
    (void)record.sub(0, out.local, local);  // inside the record by construction
    out.bytes = local;
    try {
        if (!skip && gather_chain(scratch, local, cell, o)) {
            out.bytes = kq::byte_reader(scratch);
            out.complete = true;
            return;
        }
        if (rule == chain_rule::follow_or_marker && (skip || file_usable(o.file))) {
            (void)local.copy_to(0, local.size(), scratch);
            append_marker(scratch);
            out.bytes = kq::byte_reader(scratch);
        }
    } catch (const std::bad_alloc&) {
        out.bytes = local;  // the local part alone still decodes
    }
}

// The record of a leaf cell: `length` bytes from `start` of the page (cut at the page end),
// with its overflow chain handled by `rule`.
void take_record(record_span& out, byte_array& scratch, const kq::byte_reader& page,
                 std::size_t start, uint64 length, const cell_descriptor& cell,
                 const leaf_options& o, chain_rule rule) {
    out = record_span{};
    const std::size_t available = start <= page.size() ? page.size() - start : 0;
    kq::byte_reader record;
    (void)page.sub(start, static_cast<std::size_t>(std::min<uint64>(length, available)), record);
    if (cell.has_overflow == 0) {
        out.bytes = record;
        out.local = record.size();
        return;
    }
    take_overflowing(out, scratch, record, cell, o, rule);
}

// With local size known the cell holds it plus the 4-byte page number; otherwise the cell's
// extent past its varints is all there is.
uint64 record_length(const cell_descriptor& cell, std::size_t varints) {
    if (cell.has_overflow != 0 && cell.local_size != 0) {
        return uint64{cell.local_size} + bc::overflow_page_size;
    }
    return cell.extent > varints ? cell.extent - varints : 0;
}

void finish_cell(leaf_record_decoder& rec, const record_span& span, std::size_t varints,
                 uint64 page_offset, const leaf_options& o) {
    rec.cell_file_offset = page_offset + rec.cell.offset;
    rec.cell_size = varints + (span.complete ? rec.cell.payload_size : span.local);
    rec.record_file_offset = rec.cell_file_offset + varints;
    uint8 header_size = 0;
    if (o.capture_header && span.bytes.u8_at(0, header_size)) {
        (void)span.bytes.copy_to(0, std::min<std::size_t>(header_size, span.bytes.size()),
                                 rec.header_bytes);  // clipped to the bytes at hand
        rec.header_captured = true;
    }
    // A NULL column 0 is the rowid alias of an INTEGER PRIMARY KEY: SQLite stores NULL there
    // and the rowid stands for it. Rowids are signed 64-bit numbers.
    if (rec.value_codes.size() == rec.values.size()) {
        for (std::size_t i = 0; i < rec.values.size(); ++i) {
            if (rec.value_codes[i] == value_code::null) {
                rec.values[i] = i == 0 ? std::to_string(static_cast<int64>(rec.rowid)) : "";
            }
        }
    }
}

void decode_leaf_cell(leaf_record_decoder& rec, byte_array& scratch, const kq::byte_reader& page,
                      uint8 type, uint64 page_offset, const leaf_options& o) {
    const cell_descriptor& cell = rec.cell;
    std::size_t varints = cell.first_varint_length;
    if (type == bt::leaf_table && !o.no_rowid) {
        uint64 rowid = 0;
        int32 n = 0;
        if (read_varint(rowid, n, page, cell.offset + varints)) {
            rec.rowid = rowid;
        }
        varints += cell.second_varint_length;
    }
    record_span span;
    take_record(span, scratch, page, cell.offset + varints, record_length(cell, varints), cell, o,
                type == bt::leaf_table ? chain_rule::follow_or_marker : chain_rule::follow);
    int32 consumed = 0;
    const bool decoded = decode_record(rec, consumed, nullptr, span.bytes, 0, o.annotate_times,
                                       o.raw_blobs, o.encoding, o.keep_extras);
    if (type == bt::leaf_index && decoded && rec.values.size() > 1) {
        // The key is a signed rowid: a negative one keeps its bits. 0 when not a number.
        (void)parse_int64_bits(rec.values[1].c_str(), &rec.index_key);
    }
    finish_cell(rec, span, varints, page_offset, o);
}

}  // namespace

namespace {

// A decoded table row whose first value is "table" or "index" is a row of the schema table:
// type, name, tbl_name, rootpage, sql.
uint64 schema_kind(const leaf_record_decoder& rec) {
    if (rec.values.size() < schema_columns) {
        return 0;
    }
    if (rec.values[0] == "table") {
        return row_kind::schema_table;
    }
    if (rec.values[0] == "index") {
        return rec.values[schema_name].find("sqlite_autoindex") != std::string::npos
                   ? row_kind::schema_autoindex
                   : row_kind::schema_index;
    }
    return 0;
}

page_descriptor schema_entry(const leaf_record_decoder& rec, uint64 kind,
                             const page_descriptor& page) {
    page_descriptor e;
    e.kind = kind;
    e.page_offset = page.page_offset;
    e.page_number = page.page_number;
    e.name = rec.values[schema_name];
    e.table_name = rec.values[schema_table_name];
    (void)string_to_uint64(rec.values[schema_root_page], &e.root_page);  // 0 for no number
    e.sql = rec.values[schema_sql];
    (void)remove_char(e.sql, '\t');
    e.lower_sql = e.sql;
    (void)string_to_lower(e.lower_sql);
    e.without_rowid = e.lower_sql.find("without rowid") != std::string::npos;
    e.cell = rec.cell;
    return e;
}

// Schema rows become entries of their own (their cells gathered in the page group); every
// other cell joins the page's ordinary cells. The cell is moved in: rec is reset before the
// next cell is decoded into it, and a page of large payloads is not copied twice.
void place_cell(page_descriptor_map& out, page_descriptor& ordinary, page_descriptor& group,
                leaf_record_decoder& rec, uint8 type) {
    const uint64 kind = type == bt::leaf_table ? schema_kind(rec) : 0;
    if (kind != 0) {
        page_descriptor e = schema_entry(rec, kind, ordinary);
        const uint64 root = e.root_page;
        (void)out.emplace(root, std::move(e));  // a repeated root page keeps its first row
        group.kind = row_kind::page_group;
        (void)group.cells.try_emplace(hex_key(rec.rowid), std::move(rec));
        return;
    }
    ordinary.kind = type == bt::leaf_table ? row_kind::table_cells : row_kind::index_cells;
    const uint64 key = type == bt::leaf_table ? rec.rowid : rec.index_key;
    // A repeated key keeps its first cell.
    (void)ordinary.cells.try_emplace(hex_key(key), std::move(rec));
}

void decode_leaf_cells(page_descriptor_map& out, const kq::byte_reader& page,
                       const cell_map& cells, uint8 type, uint64 page_offset,
                       const leaf_options& o) {
    page_descriptor ordinary;
    page_descriptor group;
    ordinary.page_offset = group.page_offset = page_offset;
    ordinary.page_number = group.page_number = group.root_page = page_offset / o.page_size + 1;
    leaf_record_decoder rec;
    byte_array own_scratch;
    byte_array& scratch = o.reader != nullptr ? o.reader->scratch : own_scratch;
    for (const auto& [offset, cell] : cells) {
        // A cell of a page cut short whose record would start at or past the cut holds
        // nothing to read: its varints, the rowid above all, may be cut too.
        const bool cut = page.size() < o.page_size;
        const std::size_t record_start =
            std::size_t{offset} + cell.first_varint_length + cell.second_varint_length;
        if (offset >= o.page_size || (cut && record_start >= page.size())) {
            continue;
        }
        rec.reset();
        rec.cell = cell;
        rec.rowid = uint64{cell.index} + 1;
        if (o.no_rowid) {
            rec.rowid = ordinary.page_number * no_rowid_page_stride + cell.index + 1;
            rec.cell.second_varint_skipped = 1;
        }
        decode_leaf_cell(rec, scratch, page, type, page_offset, o);
        place_cell(out, ordinary, group, rec, type);
    }
    // Ordinary cells sit under root page 0 and the page group under its page number, so a
    // schema page holding a view row keeps both.
    if (!ordinary.cells.empty()) {
        (void)out.emplace(ordinary.root_page, std::move(ordinary));
    }
    if (group.kind == row_kind::page_group) {
        (void)out.emplace(group.page_number, std::move(group));
    }
}

}  // namespace

bool parse_btree_page(page_descriptor_map& out, const uint8* buffer, uint32 buffer_length,
                      uint64 buffer_offset, uint64 page_offset, uint32 page_size, uni::fileio* file,
                      bool annotate_times, bool raw_blobs, bool skip_overflow, bool capture_header,
                      text_encoding encoding, bool no_rowid, bool keep_extras,
                      leaf_reader* reader) {
    out.clear();
    kq::byte_reader page;
    uint8 reserved = 0;
    if (!locate_page(page, buffer, buffer_length, buffer_offset, page_offset, page_size) ||
        !usable_page(page, page_size, reserved)) {
        return false;
    }
    cell_map cells;
    if (read_cell_pointers(cells, page, page_size, reserved, no_rowid) != page_fault::none) {
        return false;
    }
    uint8 type = 0;
    (void)page.u8_at(btree_header_offset(page) + bt::type, type);  // read by the cell reader
    // Interior pages carry no rows: their first cell ends the work.
    if (type != bt::leaf_table && type != bt::leaf_index) {
        return false;
    }
    const leaf_options o{file,           page_size, annotate_times, raw_blobs,   skip_overflow,
                         capture_header, encoding,  no_rowid,       keep_extras, reader};
    decode_leaf_cells(out, page, cells, type, page_offset, o);
    return !out.empty();
}

namespace {

// An interior index cell carries a whole index record beside its child page number; it is
// decoded from at most its payload size of the bytes at hand.
void decode_index_child(interior_record_decoder& rec, byte_array& scratch,
                        const kq::byte_reader& page, const leaf_options& o) {
    const cell_descriptor& cell = rec.cell;
    const std::size_t varints = bc::child_page_size + cell.first_varint_length;
    record_span span;
    take_record(span, scratch, page, cell.offset + varints, record_length(cell, varints), cell, o,
                chain_rule::follow);
    kq::byte_reader bytes = span.bytes;
    if (bytes.size() > cell.payload_size) {
        (void)span.bytes.sub(0, static_cast<std::size_t>(cell.payload_size), bytes);
    }
    int32 consumed = 0;
    (void)decode_record(rec, consumed, nullptr, bytes, 0, o.annotate_times, o.raw_blobs,
                        o.encoding);  // a record that does not decode leaves no values
    rec.child_page = cell.child_page;
    rec.interior_key = cell.interior_key;
    rec.cell_size = cell.payload_size + varints;
    rec.record_file_offset = rec.cell_file_offset + varints;
}

// Adds one child entry per interior cell; false when the page turns out to be a leaf.
bool add_children(page_descriptor& out, const kq::byte_reader& page, const cell_map& cells,
                  uint8 type, uint64 page_offset, const leaf_options& o) {
    interior_record_decoder rec;
    byte_array scratch;
    bool added = false;
    for (const auto& [offset, cell] : cells) {
        if (type == bt::leaf_table || type == bt::leaf_index) {
            break;
        }
        rec.reset();
        rec.cell = cell;
        rec.cell_file_offset = page_offset + offset;
        if (type == bt::interior_index) {
            out.kind = row_kind::index_child;
            decode_index_child(rec, scratch, page, o);
            (void)out.children.emplace(rec.child_page, rec);  // first cell per child kept
            added = true;
        } else if (type == bt::interior_table) {
            out.kind = row_kind::table_child;
            rec.child_page = cell.child_page;
            rec.interior_key = cell.interior_key;
            rec.cell_size = uint64{cell.first_varint_length} + bc::child_page_size;
            (void)out.children.emplace(rec.interior_key, rec);  // first cell per key kept
            added = true;
        }
    }
    return added;
}

}  // namespace

bool walk_pages(page_descriptor& out, const uint8* buffer, uint32 buffer_length,
                uint64 buffer_offset, uint64 page_offset, uint32 page_size, uni::fileio* file,
                bool annotate_times, bool raw_blobs, text_encoding encoding) {
    kq::byte_reader page;
    if (!locate_page(page, buffer, buffer_length, buffer_offset, page_offset, page_size)) {
        return false;
    }
    out.page_offset = page_offset;
    out.page_number = page_offset / page_size + 1;
    uint8 reserved = 0;
    cell_map cells;
    if (!usable_page(page, page_size, reserved) ||
        read_cell_pointers(cells, page, page_size, reserved, false) != page_fault::none) {
        return false;
    }
    const std::size_t header = btree_header_offset(page);
    uint8 type = 0;
    uint32 right_child = 0;
    (void)page.u8_at(header + bt::type, type);  // read by the cell reader already
    const leaf_options o{file, page_size, annotate_times, raw_blobs, false, false, encoding, false};
    const bool added = add_children(out, page, cells, type, page_offset, o);
    if ((!cells.empty() && !added) || (type & bt::leaf_flag) != 0 ||
        !page.be32_at(header + bt::right_child, right_child) || right_child == 0) {
        return false;
    }
    interior_record_decoder right;
    right.child_page = right_child;
    (void)out.children.emplace(std::numeric_limits<uint64>::max(), right);
    return true;
}
