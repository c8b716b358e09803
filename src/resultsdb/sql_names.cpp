#include "resultsdb/sql_names.h"

std::string backquoted_name(const std::string& name) {
    std::string out = "`";
    for (const char c : name) {
        out += c;
        if (c == '`') {
            out += '`';
        }
    }
    out += '`';
    return out;
}

std::string bracketed_name(const std::string& name) {
    if (name.find(']') != std::string::npos) {
        return backquoted_name(name);
    }
    return "[" + name + "]";
}
