#pragma once
// The four classic file-system times of one item (M last modified, A last access, C metadata
// changed, B created) with their report labels and any further times; the base of the
// timeline context and the body-file record of the output layer.

#include <string>
#include <vector>

#include "text/kq_types.h"
#include "time/type_time.h"

struct macb_times {
    // The four times in the units of time_type; 0 means the item has no such time.
    int64 modified = 0;
    int64 accessed = 0;
    int64 changed = 0;
    int64 created = 0;
    std::string modified_label;
    std::string accessed_label;
    std::string changed_label;
    std::string created_label;
    // Written before bracketed marks ("file [M...]") when a time has no label.
    std::string label_prefix;
    int32 time_type = kq::tt_filetime;
    uint32 tag = 0;  // copied into every event built from the record
    // Further times (FILETIME) and their texts; the five lists run in parallel.
    std::vector<uint64> extra_times;
    std::vector<std::string> extra_labels;
    std::vector<std::string> extra_sources;
    std::vector<std::string> extra_filenames;
    std::vector<uint8> extra_used;  // set when an event has taken the time

    macb_times();

    // Times 0, texts and extra lists emptied, time_type FILETIME, tag 0.
    void reset();
    void set_default_labels();
    void set_labels(const std::string& m, const std::string& a, const std::string& c,
                    const std::string& b);
    // Stores the values as they are, with their kind.
    void set_times(int64 m, int64 a, int64 c, int64 b, kq::type_time type);
    // A time equal to existing extra times adds each non-empty text not already held to
    // those entries (after "; "); any other time is appended as a new, unused entry.
    void add_extra_time(uint64 time, const std::string& label, const std::string& source,
                        const std::string& filename);
    // Stores the values as Unix seconds (time_type 8). FILETIME, Chrome, Firefox 3 and Safari
    // values are converted, a 0 or a value the conversion refuses giving 0; Unix seconds are
    // copied. Any other kind changes nothing, time_type included.
    void set_unix(int64 m, int64 a, int64 c, int64 b, kq::type_time type);
};
