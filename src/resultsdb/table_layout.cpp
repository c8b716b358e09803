#include "resultsdb/table_layout.h"

namespace {

// Layouts of the log rarely pass a few dozen columns; one reservation covers them.
constexpr std::size_t reserved_columns = 100;

}  // namespace

void table_layout::clear() {
    name.clear();
    columns.clear();
    columns.reserve(reserved_columns);
    positions.clear();
    run_key = 0;
}

void table_layout::add_column(const std::string& column_name, const std::string& type) {
    columns.emplace_back(column_name, type);
}

int32 table_layout::column_position(const std::string& column_name) const {
    if (positions.empty() || column_name.empty()) {
        return 0;
    }
    const auto found = positions.find(column_name);
    return found == positions.end() ? 0 : found->second;
}

std::string table_layout::joined_names(const std::string& separator) const {
    std::string out;
    for (std::size_t k = 0; k < columns.size(); ++k) {
        out += (k == 0 ? "" : separator) + columns[k].first;
    }
    return out;
}

std::string table_layout::joined_types(const std::string& separator) const {
    std::string out;
    for (std::size_t k = 0; k < columns.size(); ++k) {
        out += (k == 0 ? "" : separator) + columns[k].second;
    }
    return out;
}
