#include "sqlite/schema_reader.h"

#include <limits>
#include <new>
#include <set>

#include "io/uni_fileio.h"
#include "sqlite/btree_page.h"
#include "sqlite/db_file.h"
#include "sqlite/page_rows.h"
#include "sqlite/sqlite_format.h"
#include "sqlite/table_walk.h"
#include "sqlite/wal_image.h"

namespace bt = sqlite_format::btree_page;

namespace {

struct schema_lists {
    std::vector<std::string>& names;
    std::vector<std::string>& sql_texts;
    std::vector<uint64>& root_pages;
};

// Opens the file (or checks the caller's page size) and reads page 1 whole.
bool read_page_one(byte_array& page, uint8& reserved, uni::fileio& file, uint32& page_size,
                   const std::string& path) {
    reserved = 0;
    if (file.is_open()) {
        // The size of a file opened by the caller may have changed since; reads clip at it.
        (void)file.update_size();
        if (!is_valid_page_size(page_size)) {
            return false;
        }
    } else {
        uint64 file_size = 0;
        if (path.empty() || !get_db_info(file, file_size, page_size, reserved, path)) {
            return false;
        }
    }
    return file.is_open() && page_size != 0 && read_page_bytes(file, 0, page_size, page);
}

bool is_schema_row(uint64 kind) {
    return kind == row_kind::schema_table || kind == row_kind::schema_index ||
           kind == row_kind::schema_other || kind == row_kind::schema_autoindex;
}

// The schema rows below one child of page 1, in ascending root-page order.
void read_child(schema_lists& out, uni::fileio& file, uint64 child, uint32 page_size,
                text_encoding encoding) {
    page_list pages;
    page_descriptor_map unused;
    page_descriptor_map table_rows;
    page_descriptor_map index_rows;
    page_descriptor_map other_rows;
    if (!read_page_records(pages, unused, file, (child - 1) * page_size, page_size, true,
                           encoding) ||
        !decode_page_payloads(table_rows, index_rows, other_rows, pages, file, page_size, false,
                              encoding)) {
        return;
    }
    for (const auto& [root, row] : other_rows) {
        if (!is_schema_row(row.kind)) {
            continue;
        }
        out.names.push_back(row.name.empty() ? "<noname>" : row.name);
        out.root_pages.push_back(row.root_page);
        out.sql_texts.push_back(row.sql);
    }
}

// Page 1 is the root of the schema b-tree: a leaf holds the rows itself, an interior page
// lists the pages below it. Each child is read once.
void read_schema_tree(schema_lists& out, uni::fileio& file, const byte_array& page_one,
                      const page_header_view& view, uint32 page_size) {
    std::vector<uint64> children;
    if (view.is_leaf()) {
        children.push_back(1);
    } else {
        page_descriptor top;
        if (!walk_pages(top, page_one.data(), page_size, 0, 0, page_size, &file, false, false,
                        view.encoding)) {
            return;
        }
        for (const auto& [key, child] : top.children) {
            children.push_back(child.child_page);
        }
    }
    std::set<uint64> visited;
    for (const uint64 child : children) {
        if (child != 0 && visited.insert(child).second) {
            read_child(out, file, child, page_size, view.encoding);
        }
    }
}

// Page 1 is the root of the schema table, a table b-tree (1.6): a page whose type byte is
// no table type is damaged, even when its cell pointers still read.
bool reads_as_schema_root(page_header_view& view, const byte_array& page_one, uint32 page_size,
                          uint8 reserved) {
    return read_page(view, kq::byte_reader(page_one), page_size, reserved) &&
           (view.page_type() == bt::leaf_table || view.page_type() == bt::interior_table);
}

// The schema rows of the tree whose page 1 the file holds; empty when page 1 is no schema
// root or gives a page size other than the caller's.
void read_schema_of(schema_lists& out, uni::fileio& file, const byte_array& page_one,
                    uint32 page_size, uint8 reserved) {
    page_header_view view;
    if (reads_as_schema_root(view, page_one, page_size, reserved) && view.page_size == page_size) {
        read_schema_tree(out, file, page_one, view, page_size);
    }
}

}  // namespace

bool read_schema(std::vector<std::string>& names, std::vector<std::string>& sql_texts,
                 std::vector<uint64>& root_pages, uni::fileio& file, uint32& page_size,
                 const std::string& path, bool& use_wal_image) {
    names.clear();
    sql_texts.clear();
    root_pages.clear();
    schema_lists out{names, sql_texts, root_pages};
    try {
        byte_array page_one;
        uint8 reserved = 0;
        if (!read_page_one(page_one, reserved, file, page_size, path)) {
            return false;
        }
        read_schema_of(out, file, page_one, page_size, reserved);
        if (!names.empty()) {
            use_wal_image = false;
            return true;
        }
        // A page 1 that is damaged, or whose schema is still in the log alone (tables created
        // since the last checkpoint), is read as the log makes it. A log read as a database
        // has no log beside it; without a path there is no log to look for.
        if (path.empty() || is_wal_path(path)) {
            return false;
        }
        uni::fileio local;
        uni::fileio& image = use_wal_image ? file : local;
        if (!open_wal_image(image, path + "-wal") ||
            !read_page_bytes(image, 0, page_size, page_one)) {
            return false;
        }
        read_schema_of(out, image, page_one, page_size, reserved);
    } catch (const std::bad_alloc&) {
        // The names found so far stay.
    }
    return !names.empty();
}
