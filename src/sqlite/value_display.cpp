#include "sqlite/value_display.h"

#include <algorithm>
#include <sstream>

#include "text/kq_hex_view.h"
#include "time/kq_time.h"
#include "time/time_format.h"
#include "time/time_hit.h"
#include "time/type_time.h"

namespace {
// A blob shows its first 16 bytes: one hex view line.
constexpr std::size_t blob_preview = 16;
// Hex lines without offsets (hex forms, line form).
constexpr uint16 blob_view_flags = kq::binary_data::flag_hex | kq::binary_data::flag_grouped;

// Windows began writing these stores in the mid-2000s: earlier integer moments are counters
// or identifiers, not times. Reals (Unix or Safari seconds) are taken from 2010 on.
constexpr int first_integer_year = 2004;
constexpr uint16 first_real_year = 2010;
constexpr uint32 real_time_kinds = kq::tt_unix | kq::tt_safari;
// A moment more than two years past the run's own year is no time the data can hold.
constexpr uint16 years_ahead = 2;

// Fixed on first use for the rest of the run, so every record of a run is judged alike.
uint16 last_plausible_year() {
    static const auto year = static_cast<uint16>(kq::time::now().year() + years_ahead);
    return year;
}
}  // namespace

bool recognise_integer_time(value_time& out, uint64 value) {
    out = value_time{};
    uint64 filetime = 0;
    uint32 kind = 0;
    if (!kq::guess_time_type(filetime, kind, value, last_plausible_year(), first_integer_year)) {
        return false;
    }
    out = value_time{filetime, kind};
    return true;
}

bool recognise_real_time(value_time& out, double value) {
    out = value_time{};
    kq::time moment;
    uint32 kind = 0;
    if (!moment.guess_from_double(kind, last_plausible_year(), first_real_year, value,
                                  real_time_kinds)) {
        return false;
    }
    out = value_time{static_cast<uint64>(moment.filetime), kind};
    return true;
}

void append_time_annotation(std::string& text, uint64 filetime) {
    const kq::time moment(filetime, kq::tt_filetime);
    std::ostringstream written;
    written << moment;
    text += " [";
    text += written.str();
    text += "]";
}

void blob_hex_text(std::string& out, const kq::byte_reader& blob) {
    out.clear();
    const std::size_t shown = std::min(blob.size(), blob_preview);
    if (shown == 0) {
        return;
    }
    kq::binary_data view(blob.data(), static_cast<uint32>(shown), true);
    view.set_flags(blob_view_flags);
    std::ostringstream line;
    view.dump(line, 0, static_cast<uint32>(blob_preview), 0);
    out = line.str();
    if (blob.size() > blob_preview) {
        out += " ...";
    }
}
