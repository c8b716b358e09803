#include "io/uni_file_head.h"

#include <sys/stat.h>

#include <algorithm>

#include "io/path_codec.h"
#include "io/uni_file_info.h"

namespace uni {
namespace {

constexpr const char* zone_identifier_suffix = ":Zone.Identifier";

template <typename buffer>
bool read_head(buffer& out, const std::string& path, uint32 max) {
    out.clear();
    if (path.empty() || max == 0) {
        return false;
    }
    fileio file(path, false, true, false);
    if (!file.is_open()) {
        return false;
    }
    const uint64 size = file.size();
    if (size == 0) {
        return false;
    }
    return file.read_at(out, std::min<uint64>(max, size), 0);
}

}  // namespace

bool read_file_head(byte_array& out, const std::string& path, uint32 max) {
    return read_head(out, path, max);
}

bool read_file_to_string(std::string& out, const std::string& path, uint32 max) {
    return read_head(out, path, max);
}

bool list_zone_identifier(const fileio& file, std::vector<std::string>& names) {
    names.clear();
    std::string path;
    if (!file.is_valid() || file.path().empty() || !wide_path_to_narrow(file.path(), path)) {
        return false;
    }
    path += zone_identifier_suffix;
    struct stat64 info {};
    if (stat_path(info, path)) {
        names.push_back(path);
    }
    return !names.empty();
}

bool list_zone_identifier(std::vector<std::string>& names, const std::string& path) {
    names.clear();
    fileio file;
    if (!file.open(path, false, false, false)) {
        return false;
    }
    return list_zone_identifier(file, names);
}

bool path_lists_stub(std::vector<std::string>& a, std::vector<std::string>& b,
                     const std::string& path) {
    (void)path;  // nothing on this platform lists attributes of a path
    a.clear();
    b.clear();
    return false;
}

bool fill_map_stub(std::map<std::string, std::string>& m) {
    m.clear();
    return false;
}

}  // namespace uni
