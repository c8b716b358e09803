#include "text/json_like_text.h"

#include "text/text_case.h"

namespace {

// End (exclusive) of the value that starts at start, or npos when nothing ends it.
std::size_t pair_value_end(const std::string& text, std::size_t start) {
    const std::size_t comma_quote = text.find(",\"", start);
    if (comma_quote != std::string::npos) {
        // A value that closes a nested object stops before the object's "}".
        return comma_quote > start && text[comma_quote - 1] == '}' ? comma_quote - 1 : comma_quote;
    }
    const std::size_t comma = text.find(',', start);
    if (comma == std::string::npos) {
        return text.find('}', start);
    }
    const std::size_t open = text.find('"', start);
    if (open != std::string::npos && open < comma) {
        const std::size_t close = text.find('"', open + 1);
        if (close != std::string::npos && close > comma) {
            return close + 1;
        }
    }
    return comma;
}

std::string pair_value(const std::string& text, const std::string& lowered,
                       const std::string& key) {
    std::string quoted = "\"" + key + "\"";
    string_to_lower(quoted);
    std::size_t from = 0;
    for (std::size_t at = lowered.find(quoted); at != std::string::npos;
         at = lowered.find(quoted, from)) {
        from = at + quoted.size();
        const std::size_t colon = text.find(':', from);
        if (colon == std::string::npos) {
            continue;
        }
        const std::size_t end = pair_value_end(text, colon + 1);
        if (end == std::string::npos) {
            continue;
        }
        std::string value = text.substr(colon + 1, end - colon - 1);
        trim_quotes(value);
        return value;
    }
    return {};
}

}  // namespace

bool split_json_objects(std::vector<std::string>& list, const std::string& text) {
    list.clear();
    const std::size_t bracket = text.find('[');
    const std::size_t first = text.find('{');
    if (bracket == std::string::npos || (first != std::string::npos && first < bracket)) {
        list.push_back(text);
        return true;
    }
    if (first == std::string::npos) {
        return false;
    }
    std::size_t opens = 0;
    std::size_t closes = 0;
    std::size_t start = 0;
    for (std::size_t i = first; i < text.size(); ++i) {
        if (text[i] == '{') {
            start = opens == 0 ? i : start;
            ++opens;
        } else if (text[i] == '}' && opens > 0 && ++closes == opens) {
            list.push_back(text.substr(start, i - start + 1));
            opens = 0;
            closes = 0;
        }
    }
    return !list.empty();
}

bool parse_quoted_pairs(std::vector<std::string>& values, const std::vector<std::string>& keys,
                        const std::string& text) {
    values.clear();
    if (text.empty() || keys.empty()) {
        return false;
    }
    values.assign(keys.size(), std::string());
    std::string lowered = text;
    string_to_lower(lowered);
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (!keys[k].empty()) {
            values[k] = pair_value(text, lowered, keys[k]);
        }
    }
    return true;
}

void write_quoted_pairs(std::ostream& out, const std::vector<std::string>& keys,
                        const std::vector<std::string>& values, char separator) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i > 0) {
            out << separator << ' ';
        }
        out << '"' << keys[i] << "\":\"" << (i < values.size() ? values[i] : std::string()) << '"';
    }
}
