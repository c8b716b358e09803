#include "resultsdb/file_listing_row.h"

#include <vector>

#include "io/uni_file_head.h"
#include "resultsdb/file_table_columns.h"
#include "text/path_text.h"

file_listing_row::file_listing_row(const std::string& label_text, const std::string& path,
                                   uint64 copied_value, const std::string& text,
                                   bool want_attribute_lists)
    : want_attributes(want_attribute_lists) {
    fill_from_path(label_text, path, copied_value, text);
}

file_listing_row::file_listing_row(const std::string& label_text, file_entry_ex& record,
                                   uint64 copied_value, file_entry_ex* source,
                                   bool want_attribute_lists)
    : want_attributes(want_attribute_lists) {
    if (source == nullptr) {
        fill_from_path(label_text, record.m_path, copied_value, "");
        return;
    }
    clear();
    assign(*source);
    source->clear();  // the row owns the record now
    if (want_attributes) {
        request_attribute_lists(record.m_path);
    }
    if (m_path.empty()) {
        m_path = record.m_path;
    } else if (record.m_path.empty()) {
        record.m_path = m_path;
    }
    (void)split_path(record.m_path, dir, name);  // an empty path leaves both empty
    copied = copied_value;
    settle_directory();
    end_dir_with_slash();
}

void file_listing_row::clear() {
    file_entry::clear();
    label.clear();
    dir.clear();
    name.clear();
    copied = 0;
}

void file_listing_row::fill_from_path(const std::string& label_text, const std::string& path,
                                      uint64 copied_value, const std::string& text) {
    clear();
    label = label_text;
    if (!load_path(path, text)) {
        // Nothing to stat (a listing of a vanished file): the row keeps the split path only
        // and, without a path of its own, is not written.
        (void)split_path(path, dir, name);  // an empty path leaves both empty
        end_dir_with_slash();
        copied = copied_value;
        return;
    }
    if (label.empty() || want_attributes) {
        request_attribute_lists(path);
    }
    (void)split_path(m_path, dir, name);  // m_path is not empty after a load
    settle_directory();
    copied = copied_value;
    end_dir_with_slash();
}

void file_listing_row::request_attribute_lists(const std::string& path) {
    std::vector<std::string> names;
    std::vector<std::string> values;
    if (!uni::path_lists_stub(names, values, path)) {
        return;
    }
    m_attr_names = std::move(names);
    m_attr_values = std::move(values);
    m_attributes |= attribute_lists_obtained;
    m_status = attribute_lists_status;
}

void file_listing_row::settle_directory() {
    // A directory is listed by its whole path; its size says nothing about its contents.
    if (m_is_dir) {
        dir = m_path;
        name.clear();
        m_size = 0;
    }
}

void file_listing_row::end_dir_with_slash() {
    if (!dir.empty() && dir.back() != '/') {
        dir += '/';
    }
}
