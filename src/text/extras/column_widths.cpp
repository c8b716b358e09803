#include "text/extras/column_widths.h"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace {

uint32 cell_length(const std::string& cell) {
    return static_cast<uint32>(
        std::min<std::size_t>(cell.size(), std::numeric_limits<uint32>::max()));
}

}  // namespace

bool column_widths(std::vector<uint32>& widths, const std::vector<std::vector<std::string>>& rows) {
    widths.clear();
    for (const std::vector<std::string>& row : rows) {
        for (std::size_t j = 0; j < row.size(); ++j) {
            const uint32 length = cell_length(row[j]);
            if (j >= widths.size()) {
                widths.push_back(length);
            } else {
                widths[j] = std::max(widths[j], length);
            }
        }
    }
    return !widths.empty();
}

bool column_widths_add_row(std::vector<uint32>& widths, const std::vector<std::string>& row,
                           uint32 cap) {
    if (row.empty()) {
        return false;
    }
    for (std::size_t j = 0; j < row.size(); ++j) {
        const uint32 length = cell_length(row[j]);
        if (j >= widths.size()) {
            widths.push_back(std::min(length, cap));
        } else if (widths[j] < length) {
            widths[j] = std::min(length, cap);
        }
    }
    return true;
}

bool all_empty(const std::vector<std::string>& list) {
    return std::all_of(list.begin(), list.end(),
                       [](const std::string& item) { return item.empty(); });
}
