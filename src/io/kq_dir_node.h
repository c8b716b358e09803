#pragma once
// Metadata records of one directory entry: _DIR_NODE_STL keeps UTF-8 strings, _DIR_NODE
// wide text in fixed buffers. Both carry a mode that is either POSIX st_mode bits or a
// small flag value below 9 whose bit 1 means directory (sources that deliver flags, not
// st_mode). Windows naming habits are kept: names compare without regard to case.

#include <array>
#include <string>

#include "text/kq_types.h"

namespace kqportdir {

struct _DIR_NODE;  // NOLINT(bugprone-reserved-identifier,readability-identifier-naming): historical
                   // name

struct _DIR_NODE_STL {  // NOLINT(bugprone-reserved-identifier,readability-identifier-naming):
                        // historical name
    _DIR_NODE_STL() { clear(); }
    // Filled as from_fields does; the UTF-8 forms hold the path as bytes.
    _DIR_NODE_STL(const wchar_t* path, uint64 size, uint64 index, uint16 sequence, uint32 mode,
                  uint64 created, uint64 altered, uint64 mft_changed, uint64 accessed,
                  uint32 permissions);
    _DIR_NODE_STL(const std::string& path, uint64 size, uint64 index, uint16 sequence, uint32 mode,
                  uint64 created, uint64 altered, uint64 mft_changed, uint64 accessed,
                  uint32 permissions);
    // This form takes no sequence and does not store its index: both stay 0.
    _DIR_NODE_STL(const std::string& path, uint64 size, uint64 index, uint32 mode, uint64 created,
                  uint64 altered, uint64 mft_changed, uint64 accessed, uint32 permissions);

    // Empties lower path, dir, name and ext (the path stays: every filler overwrites it),
    // zeroes every number and sets m_using_st_mode_flags.
    void clear();
    [[nodiscard]] bool is_dir() const;

    // Stats the path (links followed) and splits it; a folder's name keeps its extension
    // after a point ("docs" gives "docs."). False, node cleared, for a null path or a
    // failed stat.
    [[nodiscard]] static bool from_path(const char* path, _DIR_NODE_STL& node);
    static void from_fields(_DIR_NODE_STL& node, const wchar_t* path, uint64 size, uint64 index,
                            uint16 sequence, uint32 mode, uint64 created, uint64 altered,
                            uint64 mft_changed, uint64 accessed, uint32 permissions);
    // path = dir + '\' + name + '.' + ext, always with both joiners.
    static void assign(_DIR_NODE_STL& narrow, const _DIR_NODE& wide);

    std::string m_path;
    std::string m_lower_path;
    std::string m_dir;
    std::string m_name;
    std::string m_ext;  // without the point
    uint64 m_index = 0;
    uint16 m_sequence = 0;
    uint64 m_size = 0;
    uint32 m_mode = 0;
    uint64 m_created = 0;  // st_ctime seconds when filled from stat
    uint64 m_altered = 0;  // st_mtime seconds
    uint64 m_mft_changed = 0;
    uint64 m_accessed = 0;  // st_atime seconds
    uint32 m_permissions = 0;
    bool m_using_st_mode_flags = true;
};

struct _DIR_NODE {  // NOLINT(bugprone-reserved-identifier,readability-identifier-naming):
                    // historical name
    // Room for 511 characters and the terminator: longer parts are cut, never left
    // unterminated.
    static constexpr std::size_t buffer_length = 512;

    _DIR_NODE() { clear(); }

    // Empties ext and name, zeroes the numbers, sets m_using_st_mode_flags and clears the
    // two spare flags. The folder buffer keeps its text.
    void clear();
    [[nodiscard]] bool is_dir() const;

    // As the narrow node's filler, on a UTF-8 path.
    [[nodiscard]] static bool from_path(const char* path, _DIR_NODE& node);
    // A wide path: dir (or "." when it has none) and the base name; a folder's extension
    // stays in ext.
    [[nodiscard]] static bool from_path(const wchar_t* path, _DIR_NODE& node);
    // The name is stored only when it fits its buffer; ext is what follows its last point.
    static void from_fields(_DIR_NODE& node, const wchar_t* name, uint64 index, uint64 size,
                            uint32 mode, uint64 created, uint64 altered, uint64 mft_changed,
                            uint64 accessed, uint32 permissions);
    static void from_fields(_DIR_NODE& node, const wchar_t* name, uint64 size, uint32 mode,
                            uint64 created, uint64 altered, uint64 mft_changed, uint64 accessed,
                            uint32 permissions);

    std::array<wchar_t, buffer_length> m_dir{};
    std::array<wchar_t, buffer_length> m_name{};
    std::wstring m_ext;
    uint64 m_index = 0;
    uint32 m_mode = 0;
    uint64 m_size = 0;
    uint64 m_created = 0;
    uint64 m_altered = 0;
    uint64 m_mft_changed = 0;
    uint64 m_accessed = 0;
    uint32 m_permissions = 0;
    bool m_using_st_mode_flags = true;
    std::array<bool, 2> m_spare_flags{};
};

// a's created time below b's (unsigned).
[[nodiscard]] bool node_created_before(const _DIR_NODE& a, const _DIR_NODE& b);
// Names compared case-blind.
[[nodiscard]] bool node_names_equal(const _DIR_NODE& a, const _DIR_NODE& b);
[[nodiscard]] bool node_name_less(const _DIR_NODE& a, const _DIR_NODE& b);

// Appends a text dump of the node: path, name, ext, then size, mode with its file type,
// the four times (each also as a date, read as Unix seconds) and the permissions, in hex.
void dump_dir_node(const _DIR_NODE_STL& node, std::string& out);

}  // namespace kqportdir
