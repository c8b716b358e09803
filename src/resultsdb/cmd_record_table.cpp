// Reading a compiled script table back: cell 0 holds the record-start marker and cell 1 the
// terminator, compared by pointer identity (the text behind them is never read), and the
// records follow from cell 2 on. The terminator is what ends every walk.

#include <string>
#include <vector>

#include "io/uni_encoding.h"
#include "resultsdb/cmd_record_list.h"

namespace {

constexpr std::size_t start_marker_cell = 0;
constexpr std::size_t terminator_cell = 1;
constexpr std::size_t first_record_cell = 2;

std::wstring cell_text(cmd_table_cell cell, bool wide) {
    if (wide) {
        return static_cast<const wchar_t*>(cell);
    }
    return uni::utf8_to_wstring(std::string(static_cast<const char*>(cell)));
}

bool ends_record(const cmd_table_cell* table, std::size_t at) {
    const cmd_table_cell cell = table[at];
    return cell == nullptr || cell == table[start_marker_cell] || cell == table[terminator_cell];
}

// The items of the record whose start marker is at `at`, and the cell that ended it.
std::size_t read_table_record(const cmd_table_cell* table, std::size_t at, bool wide,
                              std::vector<std::wstring>& items) {
    ++at;
    while (!ends_record(table, at)) {
        items.push_back(cell_text(table[at], wide));
        ++at;
    }
    return at;
}

}  // namespace

bool cmd_record_list::load_table(const cmd_table_cell* table, bool wide) {
    clear();
    if (table == nullptr) {
        return false;
    }
    const cmd_table_cell start = table[start_marker_cell];
    const cmd_table_cell terminator = table[terminator_cell];
    std::size_t at = first_record_cell;
    while (table[at] != terminator) {
        if (table[at] != start) {
            ++at;  // a null cell or a stray text outside any record
            continue;
        }
        std::vector<std::wstring> items;
        at = read_table_record(table, at, wide, items);
        m_max_items = std::max(m_max_items, static_cast<int32>(items.size()));
        m_records.push_back(std::move(items));
    }
    for (auto& record : m_records) {
        (void)parse_directives(record);  // an empty record gets the default entries
    }
    rebuild_argvs();
    m_loaded = true;
    return true;
}

bool find_table_record(const cmd_table_cell* table, int n, int& count,
                       const cmd_table_cell*& first) {
    if (table == nullptr || n < 0) {
        return false;
    }
    int seen = 0;
    for (std::size_t at = first_record_cell; table[at] != table[terminator_cell]; ++at) {
        if (table[at] != table[start_marker_cell]) {
            continue;
        }
        if (seen++ < n) {
            continue;
        }
        std::size_t end = at + 1;
        while (!ends_record(table, end)) {
            ++end;
        }
        first = &table[at + 1];
        count = static_cast<int>(end - at - 1);
        return count != 0;
    }
    return false;
}
