#include "sqlite/table_dump.h"

#include <set>

#include "io/uni_fileio.h"
#include "sqlite/btree_page.h"
#include "sqlite/db_file.h"
#include "sqlite/page_summary.h"
#include "sqlite/table_walk.h"

namespace {

constexpr uint64 schema_root = 1;

struct root_search {
    const std::string& name;
    text_encoding encoding;  // the schema's names are stored in it
    uint64 root = 0;
    bool no_rowid = false;
};

// The schema rows of one leaf page; the last row named as searched gives the root.
void scan_schema_rows(root_search& search, const page_descriptor_map& rows) {
    for (const auto& [key, row] : rows) {
        if (!is_schema_row_kind(row.kind) || row.name != search.name) {
            continue;
        }
        search.root = row.root_page;
        // The rest of the schema is read the way such a table is stored.
        search.no_rowid = search.no_rowid || says_without_rowid(row);
    }
}

// Walks the schema b-tree from page 1, level by level, each page read once: leaf pages give
// their rows, interior pages their children.
uint64 find_root(uni::fileio& file, uint32 page_size, uint64 pages_in_file, const std::string& name,
                 text_encoding encoding) {
    root_search search{name, encoding};
    std::vector<uint64> pages{schema_root};
    std::set<uint64> seen;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const uint64 number = pages[i];
        const uint64 offset = (number - 1) * page_size;
        byte_array page;
        if (number == 0 || number > pages_in_file || !seen.insert(number).second ||
            !read_page_bytes(file, offset, page_size, page)) {
            continue;
        }
        page_descriptor_map rows;
        page_descriptor interior;
        if (parse_btree_page(rows, page.data(), page_size, offset, offset, page_size, &file, false,
                             false, false, false, encoding, search.no_rowid)) {
            scan_schema_rows(search, rows);
        } else if (walk_pages(interior, page.data(), page_size, offset, offset, page_size, &file,
                              false, false, encoding)) {
            for (const auto& [key, child] : interior.children) {
                pages.push_back(child.child_page);
            }
        }
    }
    return search.root;
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
        root_page = find_root(file, page_size, pages_in_file, table_name, view.encoding);
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
