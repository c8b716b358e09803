#include "resultsdb/generic_data_row.h"

#include <array>

#include "text/number_text.h"

namespace {

constexpr std::size_t stored_column_count = 9;

}  // namespace

generic_data_row::generic_data_row() { reset(); }

void generic_data_row::reset() {
    metaref = 0;
    val1 = 0;
    val2 = 0;
    val3 = 0;
    val4 = 0;
    val5 = 0;
    str1.clear();
    str2.clear();
    desired_output.clear();
    values.clear();
}

bool generic_data_row::parse_row(const std::vector<std::string>& row) {
    reset();
    if (row.size() != stored_column_count) {
        return false;
    }
    const std::array<int64*, 6> numbers = {&metaref, &val1, &val2, &val3, &val4, &val5};
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        uint64 value = 0;
        *numbers[i] = string_to_uint64(row[i], &value) ? static_cast<int64>(value) : 0;
    }
    str1 = row[6];
    str2 = row[7];
    desired_output = row[8];
    return true;
}
