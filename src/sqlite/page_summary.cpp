#include "sqlite/page_summary.h"

#include <iomanip>
#include <ostream>

#include "io/uni_fileio.h"
#include "sqlite/btree_page.h"
#include "sqlite/db_file.h"
#include "sqlite/sqlite_format.h"
#include "sqlite/table_walk.h"
#include "text/byte_reader.h"

namespace fh = sqlite_format::file_header;
namespace bt = sqlite_format::btree_page;

namespace {

constexpr char rule[] = "-------------------------";
constexpr int page_number_width = 4;
// "without rowid" tables are told apart by their SQL text; a shorter text cannot hold the
// clause after a table name and a column.
constexpr std::size_t min_without_rowid_sql = 31;
constexpr char without_rowid[] = "without rowid";

void write_banner(std::ostream& out, uint64 page_number, bool zero_filled) {
    out << "Page Header: 0x" << std::hex << std::setfill(zero_filled ? '0' : ' ') << std::right
        << std::setw(page_number_width) << page_number << std::dec << std::setfill(' ')
        << std::left << '\n'
        << rule << '\n'
        << '\n'
        << "Cell data" << '\n'
        << rule << '\n'
        << '\n';
}

// The page size of a view that starts with a database header (its field 1 is 65536).
bool header_page_size(uint32& page_size, const kq::byte_reader& header) {
    return page_size_from_header(nullptr, page_size, header.data(),
                                 static_cast<uint32>(header.size()));
}

// Page size and reserved bytes from the file header at the start of page 1.
bool first_page_facts(std::ostream* out, uint32& page_size, uint8& reserved,
                      const kq::byte_reader& page) {
    if (out != nullptr) {
        *out << "first page of SQLite File" << '\n' << rule << '\n';
    }
    if (!header_page_size(page_size, page)) {
        return false;
    }
    if (out != nullptr) {
        *out << '\n';
    }
    (void)page.u8_at(fh::reserved_bytes, reserved);  // inside the 100 header bytes
    return true;
}

page_descriptor raw_copy(const kq::byte_reader& page, uint64 page_offset, uint64 page_number) {
    page_descriptor d;
    d.kind = row_kind::raw_page;
    d.page_offset = page_offset;
    d.page_number = page_number;
    (void)page.copy_to(0, page.size(), d.bytes);  // the whole view
    return d;
}

void sort_rows(page_summary& summary, page_descriptor_map& rows) {
    for (auto& [key, d] : rows) {
        d.without_rowid = d.without_rowid || says_without_rowid(d);
        page_descriptor_map* target = &summary.other_rows;
        if (d.kind == row_kind::table_cells || d.kind == row_kind::page_group) {
            target = &summary.table_rows;
        } else if (d.kind == row_kind::index_cells) {
            target = &summary.index_rows;
        }
        const uint64 at = row_entry_key(d);
        (void)target->emplace(at, std::move(d));  // a key seen before keeps its entry
    }
}

// The first page's facts for the summary; false when the page is not a database's first.
bool take_first_page(page_summary& summary, const kq::byte_reader& page) {
    if (!is_sqlite_header(page) || !summary.header_read) {
        return false;
    }
    if (summary.page_size == 0) {
        if (!header_page_size(summary.page_size, page)) {
            return false;
        }
        (void)page.u8_at(fh::reserved_bytes, summary.reserved);  // inside the header
    }
    return page.copy_to(0, page.size(), summary.header);
}

bool chunk_adapter(uni::fileio* file, void* context, const uint8* data, uint32 length,
                   uint32 overlap, uint64 offset) {
    (void)page_chunk_callback(file, context, data, length, overlap, offset);  // per page
    return true;
}

}  // namespace

bool is_schema_row_kind(uint64 kind) {
    return kind >= row_kind::schema_table && kind <= row_kind::schema_autoindex;
}

bool says_without_rowid(const page_descriptor& row) {
    const std::string& sql = row.lower_sql.empty() ? row.sql : row.lower_sql;
    return sql.size() >= min_without_rowid_sql && sql.find(without_rowid) != std::string::npos;
}

uint64 row_entry_key(const page_descriptor& entry) {
    return entry.page_offset + (is_schema_row_kind(entry.kind) ? entry.cell.offset : 0);
}

void page_summary::clear() {
    header.clear();
    raw_pages.clear();
    other_rows.clear();
    index_rows.clear();
    table_rows.clear();
    walked_pages.clear();
    unparsed_pages.clear();
    page_size = 0;
    reserved = 0;
    file_size = 0;
    header_read = false;
    path.clear();
}

bool dump_page(std::ostream* out, page_summary* summary, uint32& page_size, const uint8* page,
               uint32 length, uint64 file_offset) {
    const kq::byte_reader bytes(page, length);
    if (bytes.size() == 0) {
        return false;
    }
    if (summary != nullptr) {
        summary->clear();
    }
    uint8 reserved = 0;
    if (file_offset == 0) {
        if (!first_page_facts(out, page_size, reserved, bytes)) {
            return false;
        }
        if (summary != nullptr) {
            (void)bytes.copy_to(0, bytes.size(), summary->header);  // the whole view
            summary->page_size = page_size;
            summary->reserved = reserved;
        }
    }
    page_header_view view;
    if (!is_valid_page_size(page_size) || !read_page(view, bytes, page_size, reserved)) {
        return false;
    }
    const uint64 number = file_offset / page_size + 1;
    if (out != nullptr) {
        write_banner(*out, number, false);
    }
    if (summary != nullptr) {
        const uint64 at = file_offset + btree_header_offset(bytes);
        (void)summary->raw_pages.emplace(at, raw_copy(bytes, at, number));  // cleared above
    }
    return true;
}

bool dump_page_banner(std::ostream& out, const uint8* page, uint32 length, uint32 page_size,
                      uint64 file_offset) {
    const kq::byte_reader bytes(page, length);
    page_header_view view;
    if (bytes.size() < bt::interior_header_size || !is_valid_page_size(page_size) ||
        !read_page(view, bytes, page_size, 0)) {
        return false;
    }
    write_banner(out, file_offset / page_size + 1, true);
    return true;
}

bool summarise_page(page_summary& summary, const uint8* page, uint32 length, uint64 file_offset,
                    bool parse, uni::fileio* file) {
    const kq::byte_reader bytes(page, length);
    if (bytes.size() == 0 || (file_offset == 0 && !take_first_page(summary, bytes)) ||
        !is_valid_page_size(summary.page_size)) {
        return false;
    }
    const uint32 size = summary.page_size;
    const uint64 number = file_offset / size + 1;
    page_header_view view;
    if (!read_page(view, bytes, size, summary.reserved)) {
        (void)summary.raw_pages.emplace(file_offset, raw_copy(bytes, file_offset, number));
        return false;
    }
    page_descriptor_map rows;
    if (parse_btree_page(rows, page, length, file_offset, file_offset, size, file, parse, false,
                         false, false, text_encoding::utf8, false)) {
        sort_rows(summary, rows);
        return true;
    }
    page_descriptor children;
    if (walk_pages(children, page, length, file_offset, file_offset, size, file, parse, false,
                   text_encoding::utf8)) {
        (void)summary.walked_pages.emplace(file_offset, std::move(children));  // one per page
        return true;
    }
    (void)summary.unparsed_pages.emplace(file_offset, raw_copy(bytes, file_offset, number));
    return true;
}

int page_chunk_callback(uni::fileio* file, void* context, const uint8* page, uint32 length,
                        uint32 overlap, uint64 file_offset) {
    (void)overlap;  // pages are read whole, without overlap
    auto* c = static_cast<page_chunk_context*>(context);
    if (file == nullptr || c == nullptr || c->ready == 0) {
        return -1;
    }
    if (c->summary != nullptr) {
        (void)summarise_page(*c->summary, page, length, file_offset, c->parse, file);  // sorted
    } else {
        (void)dump_page(c->out, nullptr, c->page_size, page, length, file_offset);  // banner
    }
    return 0;
}

bool summarise_file_pages(page_summary& summary, const std::string& path, bool guess_page_size,
                          bool parse) {
    summary.clear();
    uni::fileio file;
    byte_array head;
    if (!file.open(path, false, false, false) || file.size() < bt::min_page_size ||
        !file.read_at(head, fh::size, 0)) {
        return false;
    }
    const kq::byte_reader header(head);
    uint32 page_size = 0;
    if (!header_page_size(page_size, header) &&
        (!guess_page_size || !page_size_of_file(page_size, file))) {
        return false;
    }
    if (!is_valid_page_size(page_size)) {
        return false;
    }
    summary.path = path;
    summary.file_size = file.size();
    summary.header = head;
    summary.page_size = page_size;
    (void)header.u8_at(fh::reserved_bytes, summary.reserved);  // 100 bytes were read
    summary.header_read = true;
    page_chunk_context context{1, &summary, nullptr, page_size, parse};
    return file.for_each_chunk(chunk_adapter, &context, page_size, 0, 0);
}

bool dump_file_pages(std::ostream& out, const std::string& path) {
    uni::fileio file;
    uint64 file_size = 0;
    uint32 page_size = 0;
    uint8 reserved = 0;
    if (!get_db_info(file, file_size, page_size, reserved, path) ||
        !is_valid_page_size(page_size)) {
        return false;
    }
    page_chunk_context context{1, nullptr, &out, page_size, false};
    return file.for_each_chunk(chunk_adapter, &context, page_size, 0, 0);
}

bool summarise_one_page(page_summary& summary, const std::string& path, uint32 page_size,
                        uint64 page_number, text_encoding encoding) {
    summary.clear();
    uni::fileio file;
    if (path.empty() || !is_valid_page_size(page_size) || page_number == 0 ||
        !file.open(path, false, false, false) || file.size() / page_size < page_number) {
        return false;
    }
    summary.path = path;
    summary.page_size = page_size;
    summary.file_size = file.size();
    page_list pages;
    if (!read_page_records(pages, summary.walked_pages, file, page_size * (page_number - 1),
                           page_size, false, encoding)) {
        return false;
    }
    (void)decode_page_payloads(summary.table_rows, summary.index_rows, summary.other_rows, pages,
                               file, page_size, false, encoding);  // the maps say what came
    return !summary.table_rows.empty() || !summary.index_rows.empty() ||
           !summary.other_rows.empty();
}
