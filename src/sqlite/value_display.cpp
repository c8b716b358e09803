#include "sqlite/value_display.h"

#include <algorithm>
#include <sstream>

#include "text/kq_hex_view.h"

namespace {
// A blob shows its first 16 bytes: one hex view line.
constexpr std::size_t blob_preview = 16;
// Hex lines without offsets (hex forms, line form).
constexpr uint16 blob_view_flags = kq::binary_data::flag_hex | kq::binary_data::flag_grouped;
}  // namespace

bool recognise_integer_time(value_time& out, uint64 /*value*/) {
    // Timestamp recognition belongs to the time library (kq::guess_time_type with the years
    // 2004 to this year + 2); until it is linked here no value is taken for a moment.
    out = value_time{};
    return false;
}

bool recognise_real_time(value_time& out, double /*value*/) {
    // kq::time::guess_from_double with the kinds 0x40008 and the years 2010 to this year + 2
    // belongs to the time library; until it is linked here no value is taken for a moment.
    out = value_time{};
    return false;
}

void append_time_annotation(std::string& /*text*/, uint64 /*filetime*/) {
    // The moment's text comes from the time library's kq::operator<<; no value is
    // recognised as a moment until that library is linked, so nothing is appended.
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
