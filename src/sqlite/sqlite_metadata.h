#pragma once
// sqlite_metadata, the base of every record the tool reports. It holds what a record carries
// whatever its table (where it came from, its file offset and raw bytes, its rowid, table
// type and column mask, and the text identifying the table layout), and turns a row of value
// texts into the value arrays that a derived class's parse_fields reads: entry k of the
// arrays holds the value of the k-th set bit of the column mask, counting from bit 0.
//
// Three sources feed it: rows the SQLite library returns (the caller calls parse_fields
// itself), rows of the own table walk (parse_table_record) and carved hits
// (parse_carved_record). A record parses first and, on success, takes one setter.

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "text/kq_types.h"

struct carved_record;
struct table_record;
class table_definition;

class sqlite_metadata {
public:
    int32 m_reserved_a = -1;   // no operation reads or changes it
    int32 m_reserved_b = -1;   // likewise
    bool m_recovered = false;  // from the own parser or the carver, not a live library read
    uint64 m_record_offset = 0;
    uint32 m_source_word = 0;  // record_source << 2 over two flag bits
    byte_array m_record_bytes;
    uint64 m_column_mask = 0;
    bool m_truncated = false;  // the carved record was cut short
    uint32 m_table_type = 0;
    int64 m_rowid = 0;
    std::array<uint8, 16> m_reserved_bytes{};  // set by nothing; printed by record diagnostics
    std::string m_reserved_text;               // likewise
    std::string m_column_initials;   // first two characters of each column name, "-"-joined
    std::string m_schema_signature;  // the definition's signature

    sqlite_metadata();
    virtual ~sqlite_metadata();
    sqlite_metadata(const sqlite_metadata&) = default;
    sqlite_metadata& operator=(const sqlite_metadata&) = default;
    sqlite_metadata(sqlite_metadata&&) = default;
    sqlite_metadata& operator=(sqlite_metadata&&) = default;

    // Every field back to the value a new record has.
    void reset();

    // Whether m_record_offset is a place: any offset but 0, and 0 for a record at a file's
    // first byte (record_source::offset_zero_flag).
    [[nodiscard]] bool has_record_offset() const;

    // Fill the derived record's columns: values[k] and lengths[k] hold the value of the k-th
    // set bit of column_mask (a null pointer for an empty value of arrays built in the
    // order given). A derived class starts with begin_parse. The base parses nothing.
    [[nodiscard]] virtual bool parse_fields(int32 count, const std::vector<const char*>& values,
                                            const std::vector<uint32>& lengths, bool recovered,
                                            uint64 record_offset, uint64 column_mask,
                                            int32 min_count, uint32 source);
    // As parse_fields with the carved record's value codes (value_code.h); a code's
    // cut_flag marks a value continued on an overflow page.
    [[nodiscard]] virtual bool parse_fields_ex(int32 count, const std::vector<const char*>& values,
                                               const std::vector<uint32>& lengths,
                                               const std::vector<uint32>& codes, bool recovered,
                                               uint64 record_offset, uint64 column_mask,
                                               int32 min_count, uint32 source);
    [[nodiscard]] virtual int32 reserved_hook_a();  // 0; nothing overrides or calls it
    [[nodiscard]] virtual int32 reserved_hook_b();  // likewise

    // Items "key":value joined by "; ": "src" (with_source), "record offset" as "0x" and
    // lower-case hex (with_offset, left out at 0), "truncated" (when set) and "rowid"
    // unquoted in the stream's current base (with_rowid); inside name={...} when a name is
    // given and {...} when braces are asked for. Leaves the stream in decimal.
    virtual std::ostream& print_metadata(std::ostream& out, const std::string& name, bool braces,
                                         bool with_offset, bool with_rowid, bool with_source);
    // [{]name={"rowid":<decimal>}[}]
    virtual std::ostream& print_rowid(std::ostream& out, const std::string& name, bool braces);

    // ---- setters, after a successful parse ----

    // The mask when not 0, the bytes when the hit has any, the rowid when not 0, the
    // truncated flag and the table type always, the column initials, and the definition's
    // signature when it has one.
    void set_from_carved(const carved_record& hit, uint64 column_mask, uint32 table_type,
                         const table_definition& definition);
    // The same for a row of the own table walk, without a truncated flag.
    void set_from_table_record(const table_record& row, uint64 column_mask, uint32 table_type,
                               const table_definition& definition);
    // For a row the library returned: mask (when not 0), table type, initials, signature.
    void set_mask_and_table(uint64 column_mask, uint32 table_type,
                            const table_definition& definition);
    // The definition's column names cut to n characters, "-"-joined, lower-cased.
    void set_column_initials(const table_definition& definition, int n);
    // Recomputes the signature from the definition's columns: as many as its mask selects
    // when that is fewer, each lower-cased name included (empty ones too).
    void set_signature_from_definition(const table_definition& definition);

    // ---- parse helpers ----

    // The values in the order given, no column map; false for no values.
    [[nodiscard]] bool parse_record_values(const std::vector<std::string>& values, bool recovered,
                                           uint64 record_offset, uint64 column_mask, uint32 source);
    // Value k belongs to the k-th selected column of the definition, as a SELECT of the
    // selected columns delivers them. The column map is cached in the definition and rebuilt
    // when its mask or column count differ from the row's, which rewrites the definition's
    // m_column_mask and m_column_count (the report reads them later). The top eight bits of
    // the definition's mask survive a rebuild.
    [[nodiscard]] bool parse_table_record(const std::vector<std::string>& values, bool recovered,
                                          uint64 record_offset, uint64 column_mask, uint32 source,
                                          table_definition& definition);
    // As parse_table_record for a carved hit, against the hit's own mask, offset and source;
    // parse_fields_ex when the hit carries value codes.
    [[nodiscard]] bool parse_carved_record(const carved_record& hit, bool recovered,
                                           table_definition& definition);
    // A carved hit without a definition: the values in the order given.
    [[nodiscard]] bool parse_carved_values(const carved_record& hit, bool recovered);

protected:
    // What every derived parse does first: false when count is below min_count, or the
    // arrays are empty or hold fewer than count entries; otherwise stores the recovered flag,
    // the offset and the source (keeping the source word's two flag bits).
    [[nodiscard]] bool begin_parse(int32 count, const std::vector<const char*>& values,
                                   const std::vector<uint32>& lengths, int32 min_count,
                                   bool recovered, uint64 record_offset, uint32 source);
};
