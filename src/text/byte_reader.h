#pragma once
// The one bounds-checked view through which every read of file bytes goes. Accessors
// return false and leave their output untouched when the bytes are not there; no check can
// wrap, because has() compares against the remaining size instead of adding offsets.

#include <cstring>

#include "text/kq_types.h"

namespace kq {

class byte_reader {
public:
    byte_reader() = default;
    // A null pointer is an empty view whatever the length says.
    byte_reader(const uint8* data, std::size_t size)
        : m_data(data), m_size(data == nullptr ? 0 : size) {}
    explicit byte_reader(const byte_array& bytes) : byte_reader(bytes.data(), bytes.size()) {}

    [[nodiscard]] std::size_t size() const { return m_size; }
    [[nodiscard]] bool empty() const { return m_size == 0; }
    // Start of the view, for handing a checked range to a copy; never index it.
    [[nodiscard]] const uint8* data() const { return m_data; }

    [[nodiscard]] bool has(std::size_t offset, std::size_t count) const {
        return offset <= m_size && count <= m_size - offset;
    }

    [[nodiscard]] bool u8_at(std::size_t offset, uint8& out) const {
        if (!has(offset, 1)) {
            return false;
        }
        out = m_data[offset];  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
        return true;
    }
    [[nodiscard]] bool be16_at(std::size_t offset, uint16& out) const {
        uint64 v = 0;
        if (!be_at(offset, 2, v)) {
            return false;
        }
        out = static_cast<uint16>(v);
        return true;
    }
    [[nodiscard]] bool be24_at(std::size_t offset, uint32& out) const {
        uint64 v = 0;
        if (!be_at(offset, 3, v)) {
            return false;
        }
        out = static_cast<uint32>(v);
        return true;
    }
    [[nodiscard]] bool be32_at(std::size_t offset, uint32& out) const {
        uint64 v = 0;
        if (!be_at(offset, 4, v)) {
            return false;
        }
        out = static_cast<uint32>(v);
        return true;
    }
    [[nodiscard]] bool be64_at(std::size_t offset, uint64& out) const {
        return be_at(offset, 8, out);
    }
    [[nodiscard]] bool le16_at(std::size_t offset, uint16& out) const {
        uint64 v = 0;
        if (!le_at(offset, 2, v)) {
            return false;
        }
        out = static_cast<uint16>(v);
        return true;
    }
    [[nodiscard]] bool le32_at(std::size_t offset, uint32& out) const {
        uint64 v = 0;
        if (!le_at(offset, 4, v)) {
            return false;
        }
        out = static_cast<uint32>(v);
        return true;
    }
    [[nodiscard]] bool le64_at(std::size_t offset, uint64& out) const {
        return le_at(offset, 8, out);
    }
    // Big-endian unsigned value of 1 to 8 bytes.
    [[nodiscard]] bool be_at(std::size_t offset, std::size_t count, uint64& out) const {
        if (count == 0 || count > 8 || !has(offset, count)) {
            return false;
        }
        uint64 v = 0;
        for (std::size_t i = 0; i < count; ++i) {
            v = (v << 8) | m_data[offset + i];  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
        }
        out = v;
        return true;
    }
    // Little-endian unsigned value of 1 to 8 bytes.
    [[nodiscard]] bool le_at(std::size_t offset, std::size_t count, uint64& out) const {
        if (count == 0 || count > 8 || !has(offset, count)) {
            return false;
        }
        uint64 v = 0;
        for (std::size_t i = count; i > 0; --i) {
            v = (v << 8) | m_data[offset + i - 1];  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
        }
        out = v;
        return true;
    }
    // Narrows to [offset, offset + count).
    [[nodiscard]] bool sub(std::size_t offset, std::size_t count, byte_reader& out) const {
        if (!has(offset, count)) {
            return false;
        }
        out = byte_reader(m_data + offset, count);  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
        return true;
    }
    // Narrows to everything from offset on.
    [[nodiscard]] bool tail(std::size_t offset, byte_reader& out) const {
        return sub(offset, offset <= m_size ? m_size - offset : 0, out);
    }
    // Copies count bytes into out (replacing its content).
    [[nodiscard]] bool copy_to(std::size_t offset, std::size_t count, byte_array& out) const {
        if (!has(offset, count)) {
            return false;
        }
        out.assign(m_data + offset, m_data + offset + count);  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
        return true;
    }
    // Copies count bytes into a caller buffer that holds at least count bytes.
    [[nodiscard]] bool copy_to(std::size_t offset, std::size_t count, uint8* out) const {
        if (!has(offset, count) || (count > 0 && out == nullptr)) {
            return false;
        }
        if (count > 0) {
            std::memcpy(out, m_data + offset, count);  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
        }
        return true;
    }

private:
    const uint8* m_data = nullptr;
    std::size_t m_size = 0;
};

}  // namespace kq
