#include "io/kq_dir_node.h"

#include <sys/stat.h>

#include <algorithm>
#include <cwchar>
#include <iomanip>
#include <sstream>

#include "io/kq_dir_files.h"
#include "io/path_codec.h"
#include "io/uni_file_info.h"
#include "text/kq_assert.h"
#include "text/path_text.h"
#include "text/text_case.h"
#include "time/kq_time.h"
#include "time/time_format.h"

namespace kqportdir {
namespace {

// Modes below this are flag values from sources without st_mode; their bit 1 means folder.
constexpr uint32 first_st_mode = 9;
constexpr uint32 flag_directory_bit = 1;

template <typename node_type>
bool mode_is_dir(const node_type& node, const char* function) {
    if (node.m_mode < first_st_mode) {
        return ((node.m_mode >> flag_directory_bit) & 1U) != 0;
    }
    // Every filler sets the flag with st_mode bits; a mode without it is our own bug.
    KQ_ASSERT(node.m_using_st_mode_flags, function, "kq_portable_dir");
    return uni::is_directory_mode(node.m_mode);
}

// Copies at most buffer_length - 1 characters and always terminates.
void copy_wide(std::array<wchar_t, _DIR_NODE::buffer_length>& to, const std::wstring& from) {
    const std::size_t count = std::min(from.size(), to.size() - 1);
    std::copy_n(from.begin(), count, to.begin());
    to[count] = L'\0';
}

std::string to_bytes(const std::wstring& text) {
    std::string bytes;
    // A character without a byte form ends the text; nothing before it is lost.
    (void)uni::wide_path_to_narrow(text, bytes);
    return bytes;
}

// Stats a path into a node's size, mode and times (created = st_ctime, altered = st_mtime).
template <typename node_type>
bool stat_into(const std::string& path, node_type& node) {
    uint32 mode = 0;
    int64 created = 0;
    int64 altered = 0;
    int64 accessed = 0;
    if (!get_file_stat(path, node.m_size, mode, created, altered, accessed)) {
        return false;
    }
    node.m_mode = mode;
    node.m_created = static_cast<uint64>(created);
    node.m_altered = static_cast<uint64>(altered);
    node.m_accessed = static_cast<uint64>(accessed);
    return true;
}

void put_time_line(std::ostream& out, const char* caption, uint64 value) {
    // The date gets a stream of its own: the dump's hex and fill settings must not reach it.
    std::ostringstream date;
    kq::print_time_short(date, kq::time(static_cast<int64>(value), kq::tt_unix));
    out << caption << std::setw(16) << value << " [" << date.str() << "]\n";
}

const char* file_type_name(uint32 mode) {
    switch (mode & static_cast<uint32>(S_IFMT)) {
        case S_IFDIR:
            return "directory";
        case S_IFCHR:
            return "char special";
        case S_IFREG:
            return "regular";
        default:
            return "";
    }
}

}  // namespace

_DIR_NODE_STL::_DIR_NODE_STL(const wchar_t* path, uint64 size, uint64 index, uint16 sequence,
                             uint32 mode, uint64 created, uint64 altered, uint64 mft_changed,
                             uint64 accessed, uint32 permissions) {
    from_fields(*this, path, size, index, sequence, mode, created, altered, mft_changed, accessed,
                permissions);
}

_DIR_NODE_STL::_DIR_NODE_STL(const std::string& path, uint64 size, uint64 index, uint16 sequence,
                             uint32 mode, uint64 created, uint64 altered, uint64 mft_changed,
                             uint64 accessed, uint32 permissions) {
    from_fields(*this, uni::narrow_path_to_wide(path).c_str(), size, index, sequence, mode, created,
                altered, mft_changed, accessed, permissions);
}

_DIR_NODE_STL::_DIR_NODE_STL(const std::string& path, uint64 size, uint64 index, uint32 mode,
                             uint64 created, uint64 altered, uint64 mft_changed, uint64 accessed,
                             uint32 permissions) {
    (void)index;  // this form never stores the index
    from_fields(*this, uni::narrow_path_to_wide(path).c_str(), size, 0, 0, mode, created, altered,
                mft_changed, accessed, permissions);
}

void _DIR_NODE_STL::clear() {
    m_lower_path.clear();
    m_dir.clear();
    m_name.clear();
    m_ext.clear();
    m_index = 0;
    m_sequence = 0;
    m_size = 0;
    m_mode = 0;
    m_created = 0;
    m_altered = 0;
    m_mft_changed = 0;
    m_accessed = 0;
    m_permissions = 0;
    m_using_st_mode_flags = true;
}

bool _DIR_NODE_STL::is_dir() const {
    return mode_is_dir(*this, "bool kqportdir::_DIR_NODE_STL::is_dir() const");
}

bool _DIR_NODE_STL::from_path(const char* path, _DIR_NODE_STL& node) {
    node.clear();
    if (path == nullptr) {
        return false;
    }
    node.m_path = path;
    node.m_lower_path = node.m_path;
    string_to_lower(node.m_lower_path);
    if (!stat_into(node.m_path, node)) {
        node.clear();
        node.m_path.clear();
        return false;
    }
    if (!split_file_name(path, node.m_dir, node.m_name, node.m_ext)) {
        node.m_dir.assign(1, '.');  // not = ".": GCC 12 warns of a false -Wrestrict overlap
        node.m_name = node.m_path;
        return true;
    }
    if (node.is_dir()) {
        node.m_name += "." + node.m_ext;
        node.m_ext.clear();
    }
    return true;
}

void _DIR_NODE_STL::from_fields(_DIR_NODE_STL& node, const wchar_t* path, uint64 size, uint64 index,
                                uint16 sequence, uint32 mode, uint64 created, uint64 altered,
                                uint64 mft_changed, uint64 accessed, uint32 permissions) {
    node.clear();
    const std::wstring wide = path == nullptr ? std::wstring() : std::wstring(path);
    node.m_path = to_bytes(wide);
    node.m_lower_path = node.m_path;
    std::wstring dir;
    std::wstring base;
    std::wstring ext;
    if (split_file_name_w(wide, dir, base, ext)) {
        node.m_dir = to_bytes(dir);
        node.m_name = to_bytes(base) + "." + to_bytes(ext);
        node.m_ext = to_bytes(ext);
        string_to_lower(node.m_lower_path);
    }
    node.m_size = size;
    node.m_index = index;
    node.m_sequence = sequence;
    node.m_mode = mode;
    node.m_created = created;
    node.m_altered = altered;
    node.m_mft_changed = mft_changed;
    node.m_accessed = accessed;
    node.m_permissions = permissions;
}

void _DIR_NODE_STL::assign(_DIR_NODE_STL& narrow, const _DIR_NODE& wide) {
    narrow.clear();
    narrow.m_dir = to_bytes(wide.m_dir.data());
    narrow.m_name = to_bytes(wide.m_name.data());
    narrow.m_ext = to_bytes(wide.m_ext);
    narrow.m_path = narrow.m_dir + "\\" + narrow.m_name + "." + narrow.m_ext;
    narrow.m_lower_path = narrow.m_path;
    string_to_lower(narrow.m_lower_path);
    narrow.m_index = wide.m_index;
    narrow.m_size = wide.m_size;
    narrow.m_mode = wide.m_mode;
    narrow.m_created = wide.m_created;
    narrow.m_altered = wide.m_altered;
    narrow.m_mft_changed = wide.m_mft_changed;
    narrow.m_accessed = wide.m_accessed;
    narrow.m_permissions = wide.m_permissions;
    narrow.m_sequence = 0;
}

void _DIR_NODE::clear() {
    m_ext.clear();
    m_name[0] = L'\0';
    m_index = 0;
    m_mode = 0;
    m_size = 0;
    m_created = 0;
    m_altered = 0;
    m_mft_changed = 0;
    m_accessed = 0;
    m_permissions = 0;
    m_using_st_mode_flags = true;
    m_spare_flags = {false, false};
}

bool _DIR_NODE::is_dir() const {
    return mode_is_dir(*this, "bool kqportdir::_DIR_NODE::is_dir() const");
}

bool _DIR_NODE::from_path(const char* path, _DIR_NODE& node) {
    node.clear();
    if (path == nullptr) {
        return false;
    }
    if (!stat_into(path, node)) {
        node.clear();
        return false;
    }
    const std::wstring wide = uni::narrow_path_to_wide(path);
    std::wstring dir;
    std::wstring base;
    std::wstring ext;
    if (!split_file_name_w(wide, dir, base, ext)) {
        copy_wide(node.m_dir, L".");
        copy_wide(node.m_name, wide);
        return true;
    }
    copy_wide(node.m_dir, dir);
    if (node.is_dir()) {
        copy_wide(node.m_name, base + L"." + ext);
        return true;
    }
    copy_wide(node.m_name, base);
    node.m_ext = ext;
    return true;
}

bool _DIR_NODE::from_path(const wchar_t* path, _DIR_NODE& node) {
    node.clear();
    if (path == nullptr) {
        return false;
    }
    const std::wstring wide(path);
    if (!stat_into(to_bytes(wide), node)) {
        node.clear();
        return false;
    }
    std::wstring dir;
    std::wstring base;
    std::wstring ext;
    if (!split_file_name_w(wide, dir, base, ext)) {
        dir = L".";
        base = wide;
    }
    copy_wide(node.m_dir, dir);
    copy_wide(node.m_name, base);
    node.m_ext = ext;
    return true;
}

void _DIR_NODE::from_fields(_DIR_NODE& node, const wchar_t* name, uint64 index, uint64 size,
                            uint32 mode, uint64 created, uint64 altered, uint64 mft_changed,
                            uint64 accessed, uint32 permissions) {
    node = _DIR_NODE();
    const std::wstring text = name == nullptr ? std::wstring() : std::wstring(name);
    if (text.size() < buffer_length) {
        copy_wide(node.m_name, text);
    }
    const auto point = text.rfind(L'.');
    if (point != std::wstring::npos) {
        node.m_ext = text.substr(point + 1);
    }
    node.m_index = index;
    node.m_size = size;
    node.m_mode = mode;
    node.m_created = created;
    node.m_altered = altered;
    node.m_mft_changed = mft_changed;
    node.m_accessed = accessed;
    node.m_permissions = permissions;
}

void _DIR_NODE::from_fields(_DIR_NODE& node, const wchar_t* name, uint64 size, uint32 mode,
                            uint64 created, uint64 altered, uint64 mft_changed, uint64 accessed,
                            uint32 permissions) {
    from_fields(node, name, 0, size, mode, created, altered, mft_changed, accessed, permissions);
}

bool node_created_before(const _DIR_NODE& a, const _DIR_NODE& b) {
    return a.m_created < b.m_created;
}

bool node_names_equal(const _DIR_NODE& a, const _DIR_NODE& b) {
    return wcscmp_nullsafe(a.m_name.data(), b.m_name.data(), true) == 0;
}

bool node_name_less(const _DIR_NODE& a, const _DIR_NODE& b) {
    return wcscmp_nullsafe(a.m_name.data(), b.m_name.data(), true) < 0;
}

void dump_dir_node(const _DIR_NODE_STL& node, std::string& out) {
    std::ostringstream text;
    text << std::setfill('0') << std::right;
    text << "path:         " << node.m_path << '\n';
    text << "filename:     " << node.m_name << '\n';
    text << "ext:          " << node.m_ext << '\n';
    text << std::hex;
    text << "file size     " << std::setw(8) << node.m_size << '\n';
    text << "flags:        " << std::setw(4) << node.m_mode << " [" << file_type_name(node.m_mode)
         << "]\n";
    put_time_line(text, "created:      ", node.m_created);
    put_time_line(text, "altered:      ", node.m_altered);
    put_time_line(text, "mft changed:  ", node.m_mft_changed);
    put_time_line(text, "accessed:     ", node.m_accessed);
    text << "permissions:  " << std::setw(8) << node.m_permissions << '\n';
    out += text.str();
}

}  // namespace kqportdir
