#pragma once
// file_listing_row: one file record queued for a file-listing table of the results log: the
// record itself, the table it was queued for, its path split into folder and name, and a
// number the caller hands in with it.

#include <string>

#include "io/file_entry.h"
#include "text/kq_types.h"

class file_listing_row : public file_entry_ex {
public:
    file_listing_row() { clear(); }
    // Examines the path (fill_from_path).
    file_listing_row(const std::string& label_text, const std::string& path, uint64 copied_value,
                     const std::string& text, bool want_attribute_lists);
    // Takes over *source when given: it is copied in, then cleared. The record's path fills
    // in for a source without one (and the other way round: record is changed). Without a
    // source the row is filled from the record's path.
    file_listing_row(const std::string& label_text, file_entry_ex& record, uint64 copied_value,
                     file_entry_ex* source, bool want_attribute_lists);

    // Clears the file_entry part, the texts and the number; want_attributes stays.
    void clear();
    // Clears, then stats the path and splits it; a path that cannot be examined is still
    // split into folder and name.
    void fill_from_path(const std::string& label_text, const std::string& path,
                        uint64 copied_value, const std::string& text);

    std::string label;
    std::string dir;  // ends in '/' unless empty
    std::string name;
    uint64 copied = 0;
    bool want_attributes = false;

private:
    // Asks the platform for the path's attribute lists; marks the row when it has them.
    void request_attribute_lists(const std::string& path);
    void settle_directory();
    void end_dir_with_slash();
};
