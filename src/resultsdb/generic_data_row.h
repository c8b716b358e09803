#pragma once
// generic_data_row: one row of a run's data, as handed in by an output writer and as read
// back from the "generic_data" table. The roles of the five numbers and two texts are the
// run's gen_hdrs; desired_output is the whole output line as the writer formatted it.

#include <string>
#include <vector>

#include "text/kq_types.h"

class generic_data_row {
public:
    generic_data_row();

    // Numbers 0, texts and the value list empty.
    void reset();
    // reset, then metaref, val1 to val5, str1, str2 and desired_output from exactly 9 values
    // in that order; numbers that do not parse read 0.
    [[nodiscard]] bool parse_row(const std::vector<std::string>& values);

    int64 metaref = 0;  // run key
    int64 val1 = 0;
    int64 val2 = 0;
    int64 val3 = 0;
    int64 val4 = 0;
    int64 val5 = 0;
    std::string str1;
    std::string str2;
    std::string desired_output;
    // When not empty, the column values for a named data table.
    std::vector<std::string> values;
};
