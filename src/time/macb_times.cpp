#include "time/macb_times.h"

#include "time/time_conversions.h"

namespace {

// Unix seconds of one stored value of a convertible kind, 0 when there is none.
int64 to_unix_seconds(int64 value, kq::type_time type) {
    if (value == 0) {
        return 0;
    }
    int64 out = 0;
    bool ok = false;
    switch (type) {
        case kq::tt_filetime:
            ok = kq::filetime_to_unix(value, out);
            break;
        // Chrome and Safari values are unsigned counts; a negative one is damage, not a date.
        case kq::tt_chrome:
            ok = value > 0 && kq::chrome_to_unix(static_cast<uint64>(value), out);
            break;
        case kq::tt_firefox3:
            ok = kq::firefox3_to_unix(value, out);
            break;
        case kq::tt_safari:
            ok = value > 0 && kq::safari_to_unix(static_cast<uint64>(value), out);
            break;
        default:
            break;
    }
    return ok ? out : 0;
}

// Appends text after "; " unless it is empty or already held.
void merge_text(std::string& held, const std::string& text) {
    if (text.empty() || held.find(text) != std::string::npos) {
        return;
    }
    held += "; ";
    held += text;
}

}  // namespace

macb_times::macb_times() { reset(); }

void macb_times::reset() {
    modified = 0;
    accessed = 0;
    changed = 0;
    created = 0;
    modified_label.clear();
    accessed_label.clear();
    changed_label.clear();
    created_label.clear();
    label_prefix.clear();
    time_type = kq::tt_filetime;
    tag = 0;
    extra_times.clear();
    extra_labels.clear();
    extra_sources.clear();
    extra_filenames.clear();
    extra_used.clear();
}

void macb_times::set_default_labels() {
    set_labels("Last Modified", "Last Access", "Metadata Changed", "Created");
}

void macb_times::set_labels(const std::string& m, const std::string& a, const std::string& c,
                            const std::string& b) {
    modified_label = m;
    accessed_label = a;
    changed_label = c;
    created_label = b;
}

void macb_times::set_times(int64 m, int64 a, int64 c, int64 b, kq::type_time type) {
    modified = m;
    accessed = a;
    changed = c;
    created = b;
    time_type = static_cast<int32>(type);
}

void macb_times::add_extra_time(uint64 time, const std::string& label, const std::string& source,
                                const std::string& filename) {
    bool merged = false;
    for (std::size_t i = 0; i < extra_times.size(); ++i) {
        if (extra_times[i] != time) {
            continue;
        }
        merge_text(extra_labels[i], label);
        merge_text(extra_sources[i], source);
        merge_text(extra_filenames[i], filename);
        merged = true;
    }
    if (merged) {
        return;
    }
    extra_times.push_back(time);
    extra_labels.push_back(label);
    extra_sources.push_back(source);
    extra_filenames.push_back(filename);
    extra_used.push_back(0);
}

void macb_times::set_unix(int64 m, int64 a, int64 c, int64 b, kq::type_time type) {
    switch (type) {
        case kq::tt_unix:
            set_times(m, a, c, b, kq::tt_unix);
            return;
        case kq::tt_filetime:
        case kq::tt_chrome:
        case kq::tt_firefox3:
        case kq::tt_safari:
            set_times(to_unix_seconds(m, type), to_unix_seconds(a, type), to_unix_seconds(c, type),
                      to_unix_seconds(b, type), kq::tt_unix);
            return;
        default:
            return;  // no conversion to Unix seconds: the record stays as it was
    }
}
