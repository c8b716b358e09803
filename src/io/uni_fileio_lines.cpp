// Line readers of uni::fileio: a block reader that resumes where the last whole line ended,
// and a chunked reader with byte-order marks, a line limit and progress. Both see every
// line once, in order, whatever chunk border it lies across, and fail when a read fails.

#include <algorithm>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "io/uni_encoding.h"
#include "io/uni_fileio.h"
#include "text/console_output.h"
#include "text/text_case.h"
#include "text/text_lines.h"

namespace uni {
namespace {

constexpr uint32 line_block = 0x10000;
constexpr uint64 line_chunk = 0x100000;
constexpr uint64 no_line_limit = std::numeric_limits<uint64>::max();

constexpr char cr = '\r';
constexpr char lf = '\n';

bool is_break(char c) { return c == cr || c == lf; }

void add_trimmed(std::vector<std::string>& lines, std::string line) {
    (void)trim_whitespace(line);  // a line of blanks becomes empty and is dropped
    if (!line.empty()) {
        lines.push_back(std::move(line));
    }
}

// Adds the lines of text ended by CR LF, LF CR, LF or CR; returns where the text after the
// last break starts.
std::size_t scan_block_lines(const std::string& text, std::vector<std::string>& lines) {
    std::size_t start = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        if (!is_break(text[at])) {
            ++at;
            continue;
        }
        add_trimmed(lines, text.substr(start, at - start));
        const bool pair =
            at + 1 < text.size() && is_break(text[at + 1]) && text[at + 1] != text[at];
        at += pair ? 2 : 1;
        start = at;
    }
    return start;
}

// ---- chunked reader ----

// Byte-order marks recognised at the start of the file.
constexpr uint8 bom_utf16le[] = {0xFF, 0xFE};
constexpr uint8 bom_utf8[] = {0xEF, 0xBB, 0xBF};

template <std::size_t n>
bool starts_with(const byte_array& bytes, const uint8 (&mark)[n]) {
    return bytes.size() >= n && std::equal(mark, mark + n, bytes.begin());
}

bool is_high_surrogate(uint16 unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

struct line_reader_state {
    std::string carry;  // text after the last LF seen so far
    byte_array held;    // UTF-16 bytes kept for the next chunk: an odd byte, half a pair
    bool utf16 = false;
    uint64 total = 0;  // lines offered so far
};

// Converts a UTF-16LE chunk to UTF-8. Except in the last chunk, an odd last byte and a last
// high surrogate wait for the next chunk, so no character is cut at a chunk border.
std::string utf16_chunk_text(line_reader_state& state, const byte_array& chunk, bool last) {
    byte_array bytes = std::move(state.held);
    state.held.clear();
    bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    std::size_t keep = last ? 0 : bytes.size() % 2;
    std::vector<uint16_t> units;
    (void)bytes_to_utf16(units, bytes);  // an odd last byte is not taken; empty input gives none
    if (!last && keep == 0 && !units.empty() && is_high_surrogate(units.back())) {
        keep = 2;
        units.pop_back();
    }
    state.held.assign(bytes.end() - static_cast<std::ptrdiff_t>(keep), bytes.end());
    std::string text;
    // A failed conversion keeps the text before the fault; that is all there is to read.
    (void)utf16_to_utf8(text, units);
    return text;
}

// The chunk as text: a byte-order mark at the file's start is taken off (ff fe switching this
// and every later chunk to UTF-16LE), and UTF-16 chunks are converted.
std::string chunk_text(line_reader_state& state, byte_array& chunk, bool first, bool last,
                       bool handle_bom) {
    if (first && handle_bom && chunk.size() > 2) {
        if (starts_with(chunk, bom_utf16le)) {
            state.utf16 = true;
            chunk.erase(chunk.begin(), chunk.begin() + sizeof bom_utf16le);
        } else if (starts_with(chunk, bom_utf8)) {
            chunk.erase(chunk.begin(), chunk.begin() + sizeof bom_utf8);
        }
    }
    if (state.utf16) {
        return utf16_chunk_text(state, chunk, last);
    }
    return {chunk.begin(), chunk.end()};
}

// The complete lines of carry + text; the text after the last LF becomes the new carry, or,
// in the last chunk, one more line.
bool chunk_lines(line_reader_state& state, const std::string& text, bool last, bool trim,
                 bool skip_empty, std::vector<std::string>& lines) {
    lines.clear();
    state.carry += text;
    if (state.carry.size() > std::numeric_limits<uint32>::max()) {
        return false;
    }
    uint32 consumed = 0;
    if (!state.carry.empty()) {
        (void)split_text_lines(&consumed, lines, state.carry.data(),
                               static_cast<uint32>(state.carry.size()), trim, skip_empty);
    }
    state.carry.erase(0, consumed);
    if (last && !state.carry.empty()) {
        std::string line = std::move(state.carry);
        state.carry.clear();
        if (trim) {
            (void)trim_whitespace(line);
        }
        if (!skip_empty || !line.empty()) {
            lines.push_back(std::move(line));
        }
    }
    return true;
}

}  // namespace

bool fileio::read_lines_at(std::vector<std::string>& lines, uint32* length, uint64 offset) {
    if (!is_valid() || length == nullptr || *length == 0 || offset >= m_size) {
        return false;
    }
    const bool last = *length >= m_size - offset;
    if (last) {
        *length = static_cast<uint32>(m_size - offset);
    }
    std::string block;
    if (!read_at(block, *length, offset) || block.empty()) {
        return false;
    }
    const std::size_t rest = scan_block_lines(block, lines);
    if (last) {
        add_trimmed(lines, block.substr(rest));
        return true;
    }
    // The caller resumes at the start of the unfinished line.
    *length = static_cast<uint32>(rest);
    return true;
}

bool fileio::read_all_lines(std::vector<std::string>& lines) {
    lines.clear();
    if (!is_valid()) {
        return false;
    }
    uint64 offset = 0;
    uint32 block = line_block;
    while (offset < m_size) {
        uint32 length = block;
        if (!read_lines_at(lines, &length, offset)) {
            return false;
        }
        if (length > 0) {
            offset += length;
            continue;
        }
        // No break in the whole block: grow it until it holds one or reaches the end.
        if (block == std::numeric_limits<uint32>::max()) {
            return false;
        }
        block = block > std::numeric_limits<uint32>::max() / 2 ? std::numeric_limits<uint32>::max()
                                                               : block * 2;
    }
    return !lines.empty();
}

bool fileio::read_lines(lines_callback callback, void* context, bool trim, bool skip_empty,
                        bool progress, uint64 max_lines, bool handle_bom) {
    if (!is_valid() || !m_crlf || callback == nullptr) {
        return false;
    }
    // The size now, not at open: reads are clipped at the cached value.
    const uint64 size = update_size();
    line_reader_state state;
    std::vector<std::string> lines;
    for (uint64 offset = 0; offset < size && state.total < max_lines;) {
        byte_array chunk;
        const uint64 wanted = std::min(line_chunk, size - offset);
        if (!read_at(chunk, wanted, offset) || chunk.size() != wanted) {
            return false;
        }
        const bool last = offset + wanted >= size;
        const std::string text = chunk_text(state, chunk, offset == 0, last, handle_bom);
        if (!chunk_lines(state, text, last, trim, skip_empty, lines)) {
            return false;
        }
        const uint64 count = std::min<uint64>(lines.size(), max_lines - state.total);
        if (count > 0) {
            (void)callback(this, context, lines, count, offset);  // not consulted
            state.total += count;
        }
        if (progress) {
            const double done =
                max_lines == no_line_limit
                    ? static_cast<double>(offset) / static_cast<double>(size)
                    : static_cast<double>(state.total) / static_cast<double>(max_lines);
            (void)print_status_err("percent done %d\n", static_cast<int>(done * 100.0));
        }
        offset += wanted;
    }
    if (progress) {
        clear_status_line();
    }
    return true;
}

}  // namespace uni
