#include "sqlite/record_dump.h"

#include <iomanip>

#include "sqlite/value_code.h"

namespace {

constexpr int offset_digits = 8;
constexpr int size_digits = 2;

void dump_column_size(std::ostream& out, uint32 code, uint32 size) {
    switch (value_code::kind_of(code)) {
        case value_code::zero:
            out << "cst0:0";
            return;
        case value_code::one:
            out << "cst1:0";
            return;
        case value_code::null:
            out << "null:0";
            return;
        case value_code::real:
            out << "real:8";
            return;
        case value_code::integer:
            out << "val:" << size;
            return;
        case value_code::text:
            out << "str:" << size;
            return;
        case value_code::blob:
            out << "blob:" << size;
            return;
        default:
            out << code << ':' << size;
            return;
    }
}

const char* value_prefix(uint32 kind) {
    switch (kind) {
        case value_code::real:
            return "dbl";
        case value_code::integer:
            return "val";
        case value_code::text:
            return "str";
        default:
            return "blb";
    }
}

}  // namespace

void dump_record_header(std::ostream& out, uint64 offset, uint32 header_size,
                        const std::vector<uint32>& codes, const std::vector<uint32>& sizes) {
    const std::ios_base::fmtflags saved = out.flags();
    out << std::hex << std::setfill('0') << std::setw(offset_digits) << offset << " : "
        << "header size  : 0x" << header_size << std::dec << ", "
        << (codes.size() == 1 ? "data size [" : "data sizes [");
    for (std::size_t i = 0; i < codes.size() && i < sizes.size(); ++i) {
        out << (i == 0 ? "" : ", ");
        dump_column_size(out, codes[i], sizes[i]);
    }
    out << "]\n";
    out.flags(saved);
}

void dump_record_values(std::ostream& out, const std::vector<uint32>& codes,
                        const std::vector<uint32>& sizes, const std::vector<std::string>& values,
                        bool page_reader_form) {
    const std::ios_base::fmtflags saved = out.flags();
    for (std::size_t i = 0; i < codes.size() && i < sizes.size() && i < values.size(); ++i) {
        const uint32 kind = value_code::kind_of(codes[i]);
        if (kind == value_code::zero || kind == value_code::one) {
            out << "cst:0x00 : " << (kind == value_code::one ? "1" : "0") << '\n';
            continue;
        }
        if (kind == value_code::null) {
            out << "nul:0x00 : -\n";
            continue;
        }
        out << value_prefix(kind) << ":0x" << (page_reader_form ? std::hex : std::dec)
            << std::setfill('0') << std::setw(size_digits) << sizes[i] << std::dec << " : "
            << values[i] << '\n';
    }
    if (page_reader_form) {
        out << '\n';
    }
    out.flags(saved);
}
