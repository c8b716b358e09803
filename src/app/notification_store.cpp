#include "app/notification_store.h"

#include <algorithm>
#include <array>

#include "text/kq_assert.h"

namespace {

// Blocks of 1 MiB: large enough that their own bookkeeping costs nothing, small enough that
// the last one, part empty, wastes little.
constexpr std::size_t block_size = std::size_t{1} << 20;

// Which members differ from those of a new record: one bit each, in this order.
enum member_bit : unsigned {
    b_reserved_a,
    b_reserved_b,
    b_recovered,
    b_record_offset,
    b_source_word,
    b_record_bytes,
    b_column_mask,
    b_truncated,
    b_table_type,
    b_rowid,
    b_reserved_bytes,
    b_reserved_text,
    b_column_initials,
    b_schema_signature,
    b_id,
    b_id_unknown,
    b_number_a,
    b_handler_id,
    b_handler_id_null,
    b_guid,
    b_guid_kind,
    b_guid_value,
    b_type,
    b_payload,
    b_text_a,
    b_text_b,
    b_expiry_time,
    b_arrival_time,
    b_number_b,
    b_format,
    b_number_c,
    b_number_d,
};

// Packing must name every member: one added to the record classes must be added here too,
// or it would be lost between the carve and the report. Its size tells.
static_assert(sizeof(notification_record) == 488,
              "a member of notification_record changed: pack and unpack it here");

constexpr uint64 bit(member_bit b) { return uint64{1} << b; }

const notification_record& new_record() {
    static const notification_record prototype;
    return prototype;
}

// ---- packing ----

void put_varint(std::string& out, uint64 value) {
    constexpr uint64 low_bits = 0x7F;
    constexpr uint8 more = 0x80;
    while (value > low_bits) {
        out.push_back(static_cast<char>((value & low_bits) | more));
        value >>= 7;
    }
    out.push_back(static_cast<char>(value));
}

// Small negative numbers stay short: -1 is 1, 1 is 2.
void put_zigzag(std::string& out, int64 value) {
    const auto u = static_cast<uint64>(value);
    put_varint(out, (u << 1) ^ (value < 0 ? ~uint64{0} : 0));
}

// The members of one record that differ from a new record's, packed after their bits.
struct packer {
    std::string& out;
    uint64 present;

    [[nodiscard]] bool has(member_bit b) const { return (present & bit(b)) != 0; }
    void put_signed(member_bit b, int64 value) {
        if (has(b)) {
            put_zigzag(out, value);
        }
    }
    void put_unsigned(member_bit b, uint64 value) {
        if (has(b)) {
            put_varint(out, value);
        }
    }
    void put_text(member_bit b, const std::string& text) {
        if (has(b)) {
            put_varint(out, text.size());
            out.append(text);
        }
    }
    void put_bytes(member_bit b, const byte_array& bytes) {
        if (has(b)) {
            put_varint(out, bytes.size());
            out.append(bytes.begin(), bytes.end());
        }
    }
    template <std::size_t n>
    void put_fixed(member_bit b, const std::array<uint8, n>& bytes) {
        if (has(b)) {
            out.append(bytes.begin(), bytes.end());
        }
    }
};

template <typename value_type>
void mark(uint64& present, member_bit b, const value_type& value, const value_type& fresh) {
    if (!(value == fresh)) {
        present |= bit(b);
    }
}

uint64 members_present(const notification_record& r) {
    const notification_record& n = new_record();
    uint64 present = 0;
    mark(present, b_reserved_a, r.m_reserved_a, n.m_reserved_a);
    mark(present, b_reserved_b, r.m_reserved_b, n.m_reserved_b);
    mark(present, b_recovered, r.m_recovered, n.m_recovered);
    mark(present, b_record_offset, r.m_record_offset, n.m_record_offset);
    mark(present, b_source_word, r.m_source_word, n.m_source_word);
    mark(present, b_record_bytes, r.m_record_bytes, n.m_record_bytes);
    mark(present, b_column_mask, r.m_column_mask, n.m_column_mask);
    mark(present, b_truncated, r.m_truncated, n.m_truncated);
    mark(present, b_table_type, r.m_table_type, n.m_table_type);
    mark(present, b_rowid, r.m_rowid, n.m_rowid);
    mark(present, b_reserved_bytes, r.m_reserved_bytes, n.m_reserved_bytes);
    mark(present, b_reserved_text, r.m_reserved_text, n.m_reserved_text);
    mark(present, b_column_initials, r.m_column_initials, n.m_column_initials);
    mark(present, b_schema_signature, r.m_schema_signature, n.m_schema_signature);
    mark(present, b_id, r.m_id, n.m_id);
    mark(present, b_id_unknown, r.m_id_unknown, n.m_id_unknown);
    mark(present, b_number_a, r.m_number_a, n.m_number_a);
    mark(present, b_handler_id, r.m_handler_id, n.m_handler_id);
    mark(present, b_handler_id_null, r.m_handler_id_null, n.m_handler_id_null);
    mark(present, b_guid, r.m_guid.bytes, n.m_guid.bytes);
    mark(present, b_guid_kind, r.m_guid_kind, n.m_guid_kind);
    mark(present, b_guid_value, r.m_guid_value, n.m_guid_value);
    mark(present, b_type, r.m_type, n.m_type);
    mark(present, b_payload, r.m_payload, n.m_payload);
    mark(present, b_text_a, r.m_text_a, n.m_text_a);
    mark(present, b_text_b, r.m_text_b, n.m_text_b);
    mark(present, b_expiry_time, r.m_expiry_time, n.m_expiry_time);
    mark(present, b_arrival_time, r.m_arrival_time, n.m_arrival_time);
    mark(present, b_number_b, r.m_number_b, n.m_number_b);
    mark(present, b_format, r.m_format, n.m_format);
    mark(present, b_number_c, r.m_number_c, n.m_number_c);
    mark(present, b_number_d, r.m_number_d, n.m_number_d);
    return present;
}

// ---- unpacking: our own bytes, written above; a short block is our own fault ----

// Our own bytes, written by packer: a block cut short is our own fault.
class unpacker {
public:
    unpacker(const std::string& block, std::size_t& at)
        : m_block(block), m_at(at), m_present(varint()) {}

    [[nodiscard]] bool has(member_bit b) const { return (m_present & bit(b)) != 0; }

    template <typename number>
    void get_signed(member_bit b, number& out) {
        if (has(b)) {
            const uint64 u = varint();
            out = static_cast<number>(static_cast<int64>((u >> 1) ^ (~(u & 1) + 1)));
        }
    }
    template <typename number>
    void get_unsigned(member_bit b, number& out) {
        if (has(b)) {
            out = static_cast<number>(varint());
        }
    }
    void get_text(member_bit b, std::string& out) {
        if (has(b)) {
            const auto size = static_cast<std::size_t>(varint());
            check(size);
            out.assign(m_block, m_at, size);
            m_at += size;
        }
    }
    void get_bytes(member_bit b, byte_array& out) {
        if (has(b)) {
            const auto size = static_cast<std::size_t>(varint());
            out.assign(at(size), at(size) + static_cast<std::ptrdiff_t>(size));
            m_at += size;
        }
    }
    template <std::size_t n>
    void get_fixed(member_bit b, std::array<uint8, n>& out) {
        if (has(b)) {
            std::transform(at(n), at(n) + static_cast<std::ptrdiff_t>(n), out.begin(),
                           [](char c) { return static_cast<uint8>(c); });
            m_at += n;
        }
    }
    void get_shared(member_bit b, const std::vector<std::string>& texts, std::string& out) {
        if (has(b)) {
            out = texts.at(static_cast<std::size_t>(varint()));
        }
    }

private:
    uint64 varint() {
        uint64 value = 0;
        for (unsigned shift = 0;; shift += 7) {
            const auto byte = static_cast<uint8>(*at(1));
            ++m_at;
            value |= uint64{byte & 0x7FU} << shift;
            if ((byte & 0x80U) == 0) {
                return value;
            }
        }
    }
    // The block must hold the next size bytes.
    void check(std::size_t size) const {
        KQ_ASSERT(m_at <= m_block.size() && size <= m_block.size() - m_at, "unpacker::check",
                  "notification_store");
    }
    [[nodiscard]] std::string::const_iterator at(std::size_t size) const {
        check(size);
        return m_block.begin() + static_cast<std::ptrdiff_t>(m_at);
    }

    const std::string& m_block;
    std::size_t& m_at;
    uint64 m_present;
};

}  // namespace

uint32 carved_notification_store::text_index(const std::string& text) {
    const auto [it, added] = m_text_index.emplace(text, static_cast<uint32>(m_texts.size()));
    if (added) {
        m_texts.push_back(text);
    }
    return it->second;
}

void carved_notification_store::add(const notification_record& r) {
    packer out{m_packed, members_present(r)};
    m_packed.clear();
    put_varint(m_packed, out.present);
    // Bools are their bits alone; every other member follows in bit order when present.
    out.put_signed(b_reserved_a, r.m_reserved_a);
    out.put_signed(b_reserved_b, r.m_reserved_b);
    out.put_unsigned(b_record_offset, r.m_record_offset);
    out.put_unsigned(b_source_word, r.m_source_word);
    out.put_bytes(b_record_bytes, r.m_record_bytes);
    out.put_unsigned(b_column_mask, r.m_column_mask);
    out.put_unsigned(b_table_type, r.m_table_type);
    out.put_signed(b_rowid, r.m_rowid);
    out.put_fixed(b_reserved_bytes, r.m_reserved_bytes);
    out.put_text(b_reserved_text, r.m_reserved_text);
    if (out.has(b_column_initials)) {
        put_varint(m_packed, text_index(r.m_column_initials));
    }
    if (out.has(b_schema_signature)) {
        put_varint(m_packed, text_index(r.m_schema_signature));
    }
    out.put_signed(b_id, r.m_id);
    out.put_signed(b_number_a, r.m_number_a);
    out.put_signed(b_handler_id, r.m_handler_id);
    out.put_fixed(b_guid, r.m_guid.bytes);
    out.put_unsigned(b_guid_kind, r.m_guid_kind);
    out.put_text(b_guid_value, r.m_guid_value);
    out.put_text(b_type, r.m_type);
    out.put_text(b_payload, r.m_payload);
    out.put_text(b_text_a, r.m_text_a);
    out.put_text(b_text_b, r.m_text_b);
    out.put_signed(b_expiry_time, r.m_expiry_time);
    out.put_signed(b_arrival_time, r.m_arrival_time);
    out.put_signed(b_number_b, r.m_number_b);
    out.put_text(b_format, r.m_format);
    out.put_signed(b_number_c, r.m_number_c);
    out.put_signed(b_number_d, r.m_number_d);
    append_packed();
}

void carved_notification_store::append_packed() {
    if (m_blocks.empty() || m_blocks.back().capacity() - m_blocks.back().size() < m_packed.size()) {
        std::string& block = m_blocks.emplace_back();
        block.reserve(std::max(block_size, m_packed.size()));
    }
    std::string& block = m_blocks.back();
    block.append(m_packed);
    ++m_count;
}

void carved_notification_store::clear() {
    m_blocks = {};
    m_count = 0;
    m_texts = {};
    m_text_index = {};
    m_packed = {};
}

bool carved_notification_store::reader::next(notification_record& r) {
    while (m_block < m_store.m_blocks.size() && m_at >= m_store.m_blocks[m_block].size()) {
        ++m_block;
        m_at = 0;
    }
    if (m_block >= m_store.m_blocks.size()) {
        return false;
    }
    unpacker in(m_store.m_blocks[m_block], m_at);
    r.reset();
    r.clear();
    r.m_recovered = in.has(b_recovered);
    r.m_truncated = in.has(b_truncated);
    r.m_id_unknown = in.has(b_id_unknown);
    r.m_handler_id_null = in.has(b_handler_id_null);
    in.get_signed(b_reserved_a, r.m_reserved_a);
    in.get_signed(b_reserved_b, r.m_reserved_b);
    in.get_unsigned(b_record_offset, r.m_record_offset);
    in.get_unsigned(b_source_word, r.m_source_word);
    in.get_bytes(b_record_bytes, r.m_record_bytes);
    in.get_unsigned(b_column_mask, r.m_column_mask);
    in.get_unsigned(b_table_type, r.m_table_type);
    in.get_signed(b_rowid, r.m_rowid);
    in.get_fixed(b_reserved_bytes, r.m_reserved_bytes);
    in.get_text(b_reserved_text, r.m_reserved_text);
    in.get_shared(b_column_initials, m_store.m_texts, r.m_column_initials);
    in.get_shared(b_schema_signature, m_store.m_texts, r.m_schema_signature);
    in.get_signed(b_id, r.m_id);
    in.get_signed(b_number_a, r.m_number_a);
    in.get_signed(b_handler_id, r.m_handler_id);
    in.get_fixed(b_guid, r.m_guid.bytes);
    in.get_unsigned(b_guid_kind, r.m_guid_kind);
    in.get_text(b_guid_value, r.m_guid_value);
    in.get_text(b_type, r.m_type);
    in.get_text(b_payload, r.m_payload);
    in.get_text(b_text_a, r.m_text_a);
    in.get_text(b_text_b, r.m_text_b);
    in.get_signed(b_expiry_time, r.m_expiry_time);
    in.get_signed(b_arrival_time, r.m_arrival_time);
    in.get_signed(b_number_b, r.m_number_b);
    in.get_text(b_format, r.m_format);
    in.get_signed(b_number_c, r.m_number_c);
    in.get_signed(b_number_d, r.m_number_d);
    return true;
}
