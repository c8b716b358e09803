#pragma once
// queued_text_row: one row of text values waiting in the results log's queue for its table.

#include <string>
#include <utility>
#include <vector>

struct queued_text_row {
    queued_text_row() = default;
    explicit queued_text_row(std::string table_name) : table(std::move(table_name)) {}
    queued_text_row(std::string table_name, std::vector<std::string> row_values)
        : table(std::move(table_name)), values(std::move(row_values)) {}

    void clear() {
        table.clear();
        values.clear();
    }
    // Empties the values; false for an empty list, else takes a copy of it.
    [[nodiscard]] bool set_values(const std::vector<std::string>& row_values) {
        values.clear();
        if (row_values.empty()) {
            return false;
        }
        values = row_values;
        return true;
    }

    std::string table;
    std::vector<std::string> values;
};
