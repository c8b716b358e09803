#include "cmdline/results_columns.h"

results_columns::results_columns() { clear(); }

void results_columns::clear() {
    val1 = 0;
    val2 = 0;
    val3 = 0;
    val4 = 0;
    val5 = 0;
    str1.clear();
    str2.clear();
}

void results_columns::set(uint32 flags, uint64 value, const std::string& text) {
    switch (flags & results_role::mask) {
        case results_role::val1:
            val1 = value;
            break;
        case results_role::val2:
            val2 = value;
            break;
        case results_role::val3:
            val3 = value;
            break;
        case results_role::val4:
            val4 = value;
            break;
        case results_role::val5:
            val5 = value;
            break;
        case results_role::str1:
            str1 = text;
            break;
        case results_role::str2:
            str2 = text;
            break;
        default:
            break;
    }
}
