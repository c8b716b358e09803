#include "text/extras/query_and_json_rows.h"

#include <cstddef>

#include "text/json_like_text.h"
#include "text/text_case.h"
#include "text/text_escape.h"
#include "text/text_split.h"

namespace {

void add_query_part(const std::string& part, std::vector<std::string>& keys,
                    std::vector<std::string>& values) {
    const std::size_t equals = part.find('=');
    if (equals == std::string::npos) {
        keys.push_back(part);
        values.emplace_back();
        return;
    }
    keys.push_back(part.substr(0, equals));
    values.push_back(part.substr(equals + 1));
}

void fill_row(json_row& row, const std::vector<std::string>& keys) {
    row.m_keys.assign(row.m_values.size(), std::string());
    for (std::size_t i = 0; i < row.m_keys.size() && i < keys.size(); ++i) {
        row.m_keys[i] = keys[i];
        std::string lowered = keys[i];
        // emplace keeps the first index of a key asked for twice.
        (void)row.m_key_index.emplace(string_to_lower(lowered), static_cast<int32>(i));
    }
}

}  // namespace

bool parse_url_query(std::vector<std::string>& keys, std::vector<std::string>& values,
                     const std::string& url) {
    keys.clear();
    values.clear();
    if (url.empty()) {
        return false;
    }
    std::string decoded;
    if (!url_percent_decode(decoded, url, '\0', "")) {
        decoded = url;  // nothing escaped
    }
    const std::size_t question = decoded.find('?');
    if (question == std::string::npos || question + 1 == decoded.size()) {
        return false;
    }
    const std::string query = decoded.substr(question + 1);
    std::vector<std::string> parts;
    if (!split_on_char(query, '&', parts, true, true, false) || parts.empty()) {
        parts = {query};
    }
    for (const std::string& part : parts) {
        add_query_part(part, keys, values);
    }
    return !keys.empty();
}

bool interleave_pairs(std::vector<std::string>& out, const std::vector<std::string>& keys,
                      const std::vector<std::string>& values) {
    out.clear();
    if (keys.size() != values.size()) {
        return false;
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].empty()) {
            out.clear();
            break;
        }
        out.push_back(keys[i]);
        if (!values[i].empty()) {
            out.push_back(values[i]);
        }
    }
    return !out.empty();
}

void json_row::clear() {
    m_keys.clear();
    m_values.clear();
    m_key_index.clear();
}

bool parse_json_rows(std::vector<json_row>& out, const std::vector<std::string>& keys,
                     const std::string& text) {
    out.clear();
    std::vector<std::string> objects;
    if (!split_json_objects(objects, text)) {
        return false;
    }
    for (const std::string& object : objects) {
        json_row& row = out.emplace_back();
        if (parse_quoted_pairs(row.m_values, keys, object)) {
            fill_row(row, keys);
        }
    }
    return !out.empty();
}
