#include "sqlite/sqlite_metadata.h"

#include <sstream>

#include "sqlite/carved_record.h"
#include "sqlite/record_bits.h"
#include "sqlite/table_definition.h"
#include "sqlite/table_walk.h"
#include "text/guid16.h"
#include "text/md5_digest.h"
#include "text/number_text.h"
#include "text/text_case.h"

namespace {

// The signature text starts with these two characters, as the definition's own does; then
// ";" and each lower-cased column name.
constexpr char signature_start[] = "sz";
constexpr int initials_width = 2;
// The offset in hex without zero fill: one digit at least.
constexpr int offset_hex_width = 1;

// Writes "; " before every item but the first.
void separate(std::ostream& out, bool& first) {
    if (!first) {
        out << "; ";
    }
    first = false;
}

}  // namespace

sqlite_metadata::sqlite_metadata() { reset(); }

sqlite_metadata::~sqlite_metadata() = default;

void sqlite_metadata::reset() {
    m_reserved_a = -1;
    m_reserved_b = -1;
    m_recovered = false;
    m_record_offset = 0;
    m_source_word = 0;
    m_record_bytes.clear();
    m_column_mask = 0;
    m_truncated = false;
    m_table_type = 0;
    m_rowid = 0;
    m_reserved_bytes.fill(0);
    m_reserved_text.clear();
    m_column_initials.clear();
    m_schema_signature.clear();
}

bool sqlite_metadata::parse_fields(int32 /*count*/, const std::vector<const char*>& /*values*/,
                                   const std::vector<uint32>& /*lengths*/, bool /*recovered*/,
                                   uint64 /*record_offset*/, uint64 /*column_mask*/,
                                   int32 /*min_count*/, uint32 /*source*/) {
    return false;
}

bool sqlite_metadata::parse_fields_ex(int32 /*count*/, const std::vector<const char*>& /*values*/,
                                      const std::vector<uint32>& /*lengths*/,
                                      const std::vector<uint32>& /*codes*/, bool /*recovered*/,
                                      uint64 /*record_offset*/, uint64 /*column_mask*/,
                                      int32 /*min_count*/, uint32 /*source*/) {
    return false;
}

int32 sqlite_metadata::reserved_hook_a() { return 0; }

int32 sqlite_metadata::reserved_hook_b() { return 0; }

bool sqlite_metadata::begin_parse(int32 count, const std::vector<const char*>& values,
                                  const std::vector<uint32>& lengths, int32 min_count,
                                  bool recovered, uint64 record_offset, uint32 source) {
    if (count < min_count || count < 0 || values.empty() ||
        static_cast<std::size_t>(count) > values.size() ||
        static_cast<std::size_t>(count) > lengths.size()) {
        return false;
    }
    m_recovered = recovered;
    m_record_offset = record_offset;
    m_source_word = record_source::with_source(m_source_word, source);
    return true;
}

bool sqlite_metadata::has_record_offset() const {
    return m_record_offset != 0 || (m_source_word & record_source::offset_zero_flag) != 0;
}

std::ostream& sqlite_metadata::print_metadata(std::ostream& out, const std::string& name,
                                              bool braces, bool with_offset, bool with_rowid,
                                              bool with_source) {
    if (braces) {
        out << '{';
    }
    if (!name.empty()) {
        out << name << "={";
    }
    bool first = true;
    if (with_source) {
        separate(out, first);
        out << "\"src\":\"" << record_source_name(record_source::of_word(m_source_word)) << '"';
    }
    if (with_offset && has_record_offset()) {
        separate(out, first);
        out << "\"record offset\":\"" << uint64_to_text(m_record_offset, true, offset_hex_width)
            << '"';
    }
    if (m_truncated) {
        separate(out, first);
        out << "\"truncated\":\"true\"";
    }
    if (with_rowid) {
        separate(out, first);
        out << "\"rowid\":" << static_cast<uint64>(m_rowid);
    }
    if (!name.empty()) {
        out << '}';
    }
    if (braces) {
        out << '}';
    }
    out << std::dec;
    return out;
}

std::ostream& sqlite_metadata::print_rowid(std::ostream& out, const std::string& name,
                                           bool braces) {
    if (braces) {
        out << '{';
    }
    out << name << "={\"rowid\":" << std::dec << static_cast<uint64>(m_rowid) << '}';
    if (braces) {
        out << '}';
    }
    return out;
}

void sqlite_metadata::set_from_carved(const carved_record& hit, uint64 column_mask,
                                      uint32 table_type, const table_definition& definition) {
    if (column_mask != 0) {
        m_column_mask = column_mask;
    }
    if (!hit.bytes.empty()) {
        m_record_bytes = hit.bytes;
    }
    if (hit.rowid != 0) {
        m_rowid = hit.rowid;
    }
    m_truncated = hit.truncated != 0;
    set_mask_and_table(0, table_type, definition);
}

void sqlite_metadata::set_from_table_record(const table_record& row, uint64 column_mask,
                                            uint32 table_type, const table_definition& definition) {
    if (!row.bytes.empty()) {
        m_record_bytes = row.bytes;
    }
    if (row.rowid != 0) {
        m_rowid = row.rowid;
    }
    set_mask_and_table(column_mask, table_type, definition);
}

void sqlite_metadata::set_mask_and_table(uint64 column_mask, uint32 table_type,
                                         const table_definition& definition) {
    if (column_mask != 0) {
        m_column_mask = column_mask;
    }
    m_table_type = table_type;
    set_column_initials(definition, initials_width);
    if (!definition.m_schema_signature.empty()) {
        m_schema_signature = definition.m_schema_signature;
    }
}

void sqlite_metadata::set_column_initials(const table_definition& definition, int n) {
    m_column_initials = definition.column_names_text(n);
    string_to_lower(m_column_initials);
}

void sqlite_metadata::set_signature_from_definition(const table_definition& definition) {
    m_schema_signature.clear();
    const std::vector<column_definition>& columns = definition.m_columns;
    if (columns.empty()) {
        return;
    }
    std::size_t used = columns.size();
    const auto selected = static_cast<std::size_t>(count_mask_bits(definition.m_column_mask));
    if (definition.m_column_mask != 0 && selected < used) {
        used = selected;
    }
    const bool stored_lower = !columns.front().m_name_lower.empty();
    std::string text(signature_start);
    for (std::size_t i = 0; i < used; ++i) {
        std::string name = stored_lower ? columns[i].m_name_lower : columns[i].m_name;
        text += ';';
        text += string_to_lower(name);
    }
    guid16 digest;
    if (md5_digest(text.data(), static_cast<uint32>(text.size()), digest)) {
        m_schema_signature = guid_to_string(digest);
    }
}
