#include "resultsdb/file_table_columns.h"

#include <map>
#include <string>

#include "io/uni_file_head.h"

namespace {

void add_positioned(table_layout& layout, const std::string& column_name, const char* type) {
    layout.add_column(column_name, type);
    layout.positions[column_name] = static_cast<int32>(layout.columns.size());
}

}  // namespace

bool file_table_columns(table_layout& layout, uint64 flags) {
    layout.clear();
    if (flags == 0) {
        return false;
    }
    add_positioned(layout, file_key_column, "integer");
    for (const file_column& column : file_columns) {
        if ((flags & column.flag) != 0) {
            add_positioned(layout, column.name, column.type);
        }
    }
    if ((flags & file_column_flag::attribute_columns) != 0) {
        std::map<std::string, std::string> attributes;
        if (!uni::fill_map_stub(attributes)) {
            return false;
        }
        for (const auto& [attribute, unused] : attributes) {
            add_positioned(layout, attribute, "varchar");
        }
    }
    return layout.columns.size() > 1;
}
