#include "sqlite/table_dump.h"

#include "io/uni_fileio.h"
#include "sqlite/btree_page.h"
#include "sqlite/db_file.h"
#include "sqlite/page_summary.h"
#include "sqlite/table_walk.h"

namespace {

// The schema b-tree is rooted at page 1, whose b-tree header follows the file header.
constexpr uint64 schema_root_offset = 0;

// The root page of the schema row named exactly `name` (the last such row), walking the
// schema b-tree from page 1 down to its leaves as every table is walked; 0 when no row
// names it.
uint64 find_root(uni::fileio& file, uint32 page_size, text_encoding encoding,
                 const std::string& name) {
    page_list pages;
    page_descriptor_map unused;
    page_descriptor_map table_rows;
    page_descriptor_map index_rows;
    page_descriptor_map schema_rows;
    if (!read_page_records(pages, unused, file, schema_root_offset, page_size, true, encoding) ||
        !decode_page_payloads(table_rows, index_rows, schema_rows, pages, file, page_size, false,
                              encoding)) {
        return 0;
    }
    uint64 root = 0;
    for (const auto& [key, row] : schema_rows) {
        if (is_schema_row_kind(row.kind) && row.name == name) {
            root = row.root_page;
        }
    }
    return root;
}

std::string joined(const std::vector<std::string>& values) {
    std::string line;
    for (std::size_t i = 0; i < values.size(); ++i) {
        line += (i == 0 ? "" : " | ") + values[i];
    }
    return line;
}

}  // namespace

bool dump_table_by_name(std::vector<std::string>& lines, uint64& root_page,
                        const std::string& path, const std::string& table_name,
                        uint64 start_rowid, uint64 count, bool raw_blobs) {
    lines.clear();
    uni::fileio file;
    uint64 file_size = 0;
    uint32 page_size = 0;
    uint8 reserved = 0;
    byte_array first;
    page_header_view view;
    if (path.empty() || (root_page == 0 && table_name.empty()) ||
        !get_db_info(file, file_size, page_size, reserved, path) || page_size == 0 ||
        !read_page_bytes(file, 0, page_size, first) ||
        !read_page(view, first.data(), page_size, page_size, reserved)) {
        return false;
    }
    const uint64 pages_in_file = file_size / page_size;
    if (root_page == 0) {
        root_page = find_root(file, page_size, view.encoding, table_name);
    }
    if (root_page == 0 || root_page > pages_in_file) {
        return false;
    }
    std::vector<table_record> rows;
    const bool read = read_table_records(rows, file, (root_page - 1) * page_size, page_size,
                                         start_rowid, count, raw_blobs, false, view.encoding);
    for (const table_record& row : rows) {
        lines.push_back(joined(row.values));
    }
    return read;
}

bool print_table_dump(std::ostream& out, uint64& root_page, const std::string& path,
                      const std::string& table_name, uint64 start_rowid, uint64 count,
                      bool raw_blobs) {
    std::vector<std::string> lines;
    const bool read =
        dump_table_by_name(lines, root_page, path, table_name, start_rowid, count, raw_blobs);
    for (const std::string& line : lines) {
        out << line << '\n';
    }
    return read;
}
