#pragma once
// carved_notification_store: the notifications a carve recovers, held compactly until the
// report writes them. A raw chunk of a few hundred MB can hold millions of records; kept as
// notification_record objects (a dozen strings and numbers each, most of them empty or
// small) they took thirty times the chunk's size. Here each record is packed into a few
// dozen bytes (only the members that differ from a new record, numbers as varints, the
// per-definition texts once for the store) and unpacked, member for member the same, when
// read back.

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/notification_record.h"
#include "text/kq_types.h"

class carved_notification_store {
public:
    // Packs a copy of the record at the end.
    void add(const notification_record& record);
    [[nodiscard]] std::size_t size() const { return m_count; }
    [[nodiscard]] bool empty() const { return m_count == 0; }
    // Forgets every record and gives their memory back.
    void clear();

    // Reads the records back in the order they were added. The store must not change while
    // a reader reads it.
    class reader {
    public:
        explicit reader(const carved_notification_store& store) : m_store(store) {}
        // The next record into out, every member set (out may be a record read before);
        // false after the last.
        [[nodiscard]] bool next(notification_record& out);

    private:
        const carved_notification_store& m_store;
        std::size_t m_block = 0;
        std::size_t m_at = 0;
    };

private:
    // The index of a text in m_texts, added when new.
    [[nodiscard]] uint32 text_index(const std::string& text);
    void append_packed();

    std::vector<std::string> m_blocks;  // packed bytes; records never straddle two blocks
    std::size_t m_count = 0;
    // Texts that every record of a definition shares (column initials, schema signature).
    std::vector<std::string> m_texts;
    std::unordered_map<std::string, uint32> m_text_index;
    std::string m_packed;  // the record being added
};
