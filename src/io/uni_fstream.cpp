#include "io/uni_fstream.h"

#include "io/path_codec.h"
#include "io/uni_encoding.h"

namespace uni {
namespace {

std::string bytes_path(const byte_array& path) { return {path.begin(), path.end()}; }

// A path that does not convert stays empty, and the open fails on it.
std::string utf16_path(const std::vector<uint16_t>& path) {
    std::string narrow;
    if (!utf16_to_utf8(narrow, path)) {
        narrow.clear();
    }
    return narrow;
}

std::string wide_path(const std::wstring& path) {
    std::string narrow;
    if (!wide_path_to_narrow(path, narrow)) {
        narrow.clear();
    }
    return narrow;
}

}  // namespace

ofstream::ofstream(const std::string& path, std::ios_base::openmode mode) { open(path, mode); }

ofstream::ofstream(const byte_array& path, std::ios_base::openmode mode) { open(path, mode); }

ofstream::ofstream(const std::vector<uint16_t>& path, std::ios_base::openmode mode) {
    std::ofstream::open(utf16_path(path), mode);
}

ofstream::ofstream(const std::wstring& path, std::ios_base::openmode mode) {
    std::ofstream::open(wide_path(path), mode);
}

void ofstream::open(const std::string& path, std::ios_base::openmode mode) {
    std::ofstream::open(path, mode);
}

void ofstream::open(const byte_array& path, std::ios_base::openmode mode) {
    std::ofstream::open(bytes_path(path), mode);
}

void ofstream::open(const std::vector<uint16_t>& path) {
    std::ofstream::open(utf16_path(path), std::ios_base::out | std::ios_base::trunc);
}

ofstream ofstream_open_w(const std::wstring& path) {
    return ofstream(path, std::ios_base::out | std::ios_base::trunc);
}

ifstream::ifstream(const byte_array& path, std::ios_base::openmode mode) { open(path, mode); }

ifstream::ifstream(const std::vector<uint16_t>& path, std::ios_base::openmode mode) {
    open(path, mode);
}

ifstream::ifstream(const std::wstring& path, std::ios_base::openmode mode) {
    std::ifstream::open(wide_path(path), mode);
}

void ifstream::open(const byte_array& path, std::ios_base::openmode mode) {
    std::ifstream::open(bytes_path(path), mode);
}

void ifstream::open(const std::vector<uint16_t>& path, std::ios_base::openmode mode) {
    std::ifstream::open(utf16_path(path), mode);
}

}  // namespace uni
