#include "resultsdb/data_table_columns.h"

#include <utility>

#include "text/text_case.h"
#include "text/text_replace.h"
#include "text/text_split.h"

namespace {

// Captions are cut in characters, not bytes, so a name never ends in half a UTF-8 sequence.
constexpr std::size_t short_name_length = 8;
constexpr unsigned char continuation_mask = 0xC0;
constexpr unsigned char continuation_bits = 0x80;

void cut_to_characters(std::string& text, std::size_t characters) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & continuation_mask) == continuation_bits) {
            continue;
        }
        if (seen == characters) {
            text.resize(i);
            return;
        }
        ++seen;
    }
}

}  // namespace

std::string prepare_column_name(std::string caption, bool long_names) {
    if (!long_names) {
        cut_to_characters(caption, short_name_length);
    }
    for (const char c : {'[', ']', '#'}) {
        (void)remove_char(caption, c);  // the count removed is not needed
    }
    (void)trim_whitespace(caption);  // false only for a name that is empty now, which is kept
    replace_char(caption, ' ', '_', false);
    return caption;
}

bool prepare_column_names(metadata_record& run) {
    std::vector<std::string>& names = run.column_names;
    if (names.empty()) {
        if (!split_on_char(run.col_hdrs, '|', names, true, true, false)) {
            return false;
        }
        for (std::string& name : names) {
            name = prepare_column_name(name, run.long_column_names);
        }
    }
    if (names.empty() || names.front().find('[') != std::string::npos) {
        return !names.empty();
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string label = "[";
        if (run.numbered_columns) {
            label += std::to_string(i + 1);
            label += '-';
        }
        label += prepare_column_name(names[i], run.long_column_names);
        label += ']';
        names[i] = std::move(label);
    }
    return true;
}
