#pragma once
// table_layout: the columns of one table of the queued results log, in table order, with the
// parameter position each column takes in the log's insert statement. The first column
// always receives the row key.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "text/kq_types.h"

struct table_layout {
    table_layout() { clear(); }

    // Empties name, columns and positions; run_key 0.
    void clear();
    // Appends (name, type); the position is the caller's to record.
    void add_column(const std::string& column_name, const std::string& type);
    // 1-based parameter position; 0 when there are no positions, the name is empty or it is
    // not a column.
    [[nodiscard]] int32 column_position(const std::string& column_name) const;
    // The column names, or their types, joined by separator.
    [[nodiscard]] std::string joined_names(const std::string& separator) const;
    [[nodiscard]] std::string joined_types(const std::string& separator) const;

    std::string name;
    std::vector<std::pair<std::string, std::string>> columns;
    std::map<std::string, int32> positions;
    // Key of the metadata row that describes the table's rows in this run; 0 when none.
    int64 run_key = 0;
};
