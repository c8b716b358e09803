#include "time/time_dump.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>
#include <iomanip>
#include <sstream>
#include <string>

#include "text/byte_reader.h"
#include "text/number_text.h"
#include "time/kq_time.h"
#include "time/time_format.h"
#include "time/time_hit_recorders.h"

namespace kq {

namespace {

// Kinds the 4-byte sweeps try: Unix seconds, DOS, Safari and HFS+.
constexpr uint32 four_byte_kinds = tt_unix | tt_dos | tt_safari | tt_hfs_plus;
// Kinds that start the 8-byte sweeps, and the ones handed to the integer scanner there (OLE
// goes to its own recorder, snowflakes to theirs).
constexpr uint32 eight_byte_trigger =
    tt_filetime | tt_chrome | tt_firefox3 | tt_ntp | tt_ole | tt_dotnet | tt_safari | tt_hfs_plus;
constexpr uint32 eight_byte_kinds =
    tt_filetime | tt_chrome | tt_firefox3 | tt_ntp | tt_dotnet | tt_safari | tt_hfs_plus;
constexpr uint32 systemtime_kinds = tt_systemtime | tt_systemtime_local;
constexpr std::size_t record_size = 16;
constexpr std::size_t value_size = 8;
constexpr int offset_digits = 6;
constexpr int kind_name_width = 10;
// A SQLite varint takes at most nine bytes.
constexpr std::size_t varint_max_size = 9;

struct sweep {
    time_hit_map hits;
    uint64 latest;
    uint64 earliest;
    uint64 base_offset;
    uint32 kinds;
    int total = 0;

    void count(bool found) { total += found ? 1 : 0; }
};

void sweep_4byte(sweep& s, const byte_reader& bytes, bool little_endian) {
    uint32 value = 0;
    for (std::size_t j = 0; little_endian ? bytes.le32_at(j, value) : bytes.be32_at(j, value);
         ++j) {
        s.count(scan_time_8byte(s.hits, value, s.latest, s.earliest, s.base_offset + j,
                                little_endian, false, s.kinds & four_byte_kinds));
    }
}

void sweep_8byte(sweep& s, const byte_reader& bytes) {
    uint64 value = 0;
    for (std::size_t j = 0; bytes.le64_at(j, value); ++j) {
        s.count(scan_time_8byte(s.hits, value, s.latest, s.earliest, s.base_offset + j, true, false,
                                s.kinds & eight_byte_kinds));
        // Only when asked for: OLE days fit so many doubles that they would crowd out the
        // kinds the caller wanted.
        if ((s.kinds & tt_ole) != 0) {
            s.count(record_ole_hit(s.hits, std::bit_cast<double>(value), s.latest, s.earliest,
                                   s.base_offset + j, false));
        }
    }
    for (std::size_t j = 0; bytes.be64_at(j, value); ++j) {
        s.count(scan_time_8byte(s.hits, value, s.latest, s.earliest, s.base_offset + j, false,
                                false, s.kinds & eight_byte_kinds));
    }
}

// GUIDs, SYSTEMTIMEs and snowflakes, at every position with room for them.
void sweep_records(sweep& s, const byte_reader& bytes) {
    if ((s.kinds & (tt_guid | systemtime_kinds | tt_snowflake)) == 0) {
        return;
    }
    for (std::size_t j = 0; bytes.has(j, value_size); ++j) {
        const uint64 at = s.base_offset + j;
        byte_reader record;
        if (bytes.sub(j, record_size, record)) {
            if ((s.kinds & tt_guid) != 0) {
                s.count(record_guid_hit(s.hits, record.data(), s.latest, s.earliest, at, false));
            }
            if ((s.kinds & systemtime_kinds) != 0) {
                s.count(scan_systemtime16(s.hits, record.data(), s.latest, s.earliest, at, false));
            }
        }
        std::array<uint8, value_size> raw{};
        if ((s.kinds & tt_snowflake) != 0 && bytes.copy_to(j, raw.size(), raw.data())) {
            uint64 id = 0;  // the data's bytes in memory order, as the recorder reads them
            std::memcpy(&id, raw.data(), raw.size());
            s.count(record_snowflake_hit(s.hits, &id, s.latest, s.earliest, at, false));
        }
    }
}

std::string moment_text(const time_hit& hit) {
    const time moment(static_cast<int64>(hit.filetime), tt_filetime);
    std::string date;
    std::string clock;
    (void)format_time_by_template(date, clock, moment, std::string("yyyy-mm-dd"),
                                  std::string("hh:mm:ss.xxxxxxxxx"));  // invalid: both empty
    // DOS words carry no zone: their fields are the writer's local clock.
    return date + " " + clock + (hit.type == tt_dos ? " LOC" : " UTC");
}

// The leading varint of the buffer, read one way, as 8 bytes least significant first.
bool varint_bytes(const byte_reader& bytes, bool most_significant_first, byte_array& out) {
    byte_array head;
    if (!bytes.copy_to(0, std::min(bytes.size(), varint_max_size), head)) {
        return false;
    }
    uint64 value = 0;
    const int length = static_cast<int>(head.size());
    if (!(most_significant_first ? read_varint_be(&value, head, length)
                                 : read_varint_le(&value, head, length))) {
        return false;
    }
    out.assign(value_size, 0);
    for (std::size_t i = 0; i < value_size; ++i) {
        out[i] = static_cast<uint8>(value >> (8 * i));
    }
    return true;
}

int dump_varint(std::ostream& out, const byte_reader& bytes, bool most_significant_first,
                uint64 latest, uint64 earliest, uint64 base_offset, uint32 kinds) {
    byte_array value;
    if (!varint_bytes(bytes, most_significant_first, value)) {
        return 0;
    }
    std::ostringstream lines;
    const int found = dump_times_in_buffer(lines, value.data(), static_cast<int>(value.size()),
                                           latest, earliest, base_offset, kinds);
    if (found > 0) {
        out << (most_significant_first ? "Variable int BE" : "Variable int LE") << std::endl
            << lines.str();
    }
    return found;
}

int clamped_count(const byte_array& bytes) {
    return bytes.size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX
                                                            : static_cast<int>(bytes.size());
}

}  // namespace

void print_time_hit(const time_hit& hit, std::ostream& out) {
    const char fill = out.fill();
    out << std::hex << std::right << std::setfill('0') << std::setw(offset_digits) << hit.offset
        << ", " << (hit.little_endian != 0 ? "LE" : "BE") << ", " << std::left << std::setfill(' ')
        << std::setw(kind_name_width) << type_time_name(static_cast<type_time>(hit.type)) << ", "
        << moment_text(hit) << ", " << std::right << std::setfill('0');
    for (const uint8 b : hit.bytes) {
        out << std::setw(2) << static_cast<unsigned>(b) << ' ';
    }
    out << std::left << std::setfill(fill) << std::endl;
}

int dump_times_in_buffer(std::ostream& out, const uint8* data, int count, uint64 latest,
                         uint64 earliest, uint64 base_offset, uint32 kinds) {
    const byte_reader bytes(data, count > 0 ? static_cast<std::size_t>(count) : 0);
    if (bytes.empty()) {
        return 0;
    }
    sweep s{{}, latest, earliest, base_offset, kinds};
    if ((kinds & four_byte_kinds) != 0) {
        sweep_4byte(s, bytes, true);
        sweep_4byte(s, bytes, false);
    }
    if ((kinds & eight_byte_trigger) != 0) {
        sweep_8byte(s, bytes);
    }
    sweep_records(s, bytes);
    if (s.total > 0) {
        for (const auto& [offset, hit] : s.hits) {
            print_time_hit(hit, out);
        }
    }
    return s.total;
}

int dump_times_with_varints(std::ostream& out, const uint8* data, int count, uint64 latest,
                            uint64 earliest, uint64 base_offset, uint32 kinds) {
    const byte_reader bytes(data, count > 0 ? static_cast<std::size_t>(count) : 0);
    const int plain = dump_times_in_buffer(out, data, count, latest, earliest, base_offset, kinds);
    if (bytes.empty()) {
        return plain;
    }
    const int be = dump_varint(out, bytes, true, latest, earliest, base_offset, kinds);
    const int le = dump_varint(out, bytes, false, latest, earliest, base_offset, kinds);
    return plain + be + le;
}

int dump_times_in_array(std::ostream& out, const byte_array& bytes, uint64 latest, uint64 earliest,
                        uint64 base_offset, uint32 kinds) {
    if (bytes.empty()) {
        return 0;
    }
    return dump_times_in_buffer(out, bytes.data(), clamped_count(bytes), latest, earliest,
                                base_offset, kinds);
}

int dump_times_in_array_with_varints(std::ostream& out, const byte_array& bytes, uint64 latest,
                                     uint64 earliest, uint64 base_offset, uint32 kinds) {
    if (bytes.empty()) {
        return 0;
    }
    return dump_times_with_varints(out, bytes.data(), clamped_count(bytes), latest, earliest,
                                   base_offset, kinds);
}

int dump_times_chunk(const void* /*reader*/, time_dump_context& ctx, const uint8* data, int count,
                     uint32 /*overlap*/, uint64 offset) {
    if (ctx.out == nullptr || data == nullptr || count <= 0) {
        return -1;
    }
    ctx.total +=
        dump_times_in_buffer(*ctx.out, data, count, ctx.latest, ctx.earliest, offset, ctx.kinds);
    return 0;
}

}  // namespace kq
