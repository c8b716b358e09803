#include "app/private_db_copy.h"

#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): mkdtemp is POSIX, not <cstdlib>

#include <array>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The companions the library reads with a database: its write-ahead log and its rollback
// journal (a hot journal is rolled back on open).
constexpr std::array<const char*, 2> companion_suffixes = {"-wal", "-journal"};

bool make_folder(std::string& folder) {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error) {
        return false;
    }
    std::string pattern = (base / "velk-db-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return false;
    }
    folder = pattern;
    return true;
}

// A plain copy of the bytes; the copy is made writable for its owner, as the library needs
// to write its shared-memory index and may replay a log into a read-only original's copy.
bool copy_one(const fs::path& from, const fs::path& to) {
    std::error_code error;
    if (!fs::copy_file(from, to, fs::copy_options::none, error) || error) {
        return false;
    }
    fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                    error);
    return !error;
}

}  // namespace

private_db_copy::~private_db_copy() { remove(); }

bool private_db_copy::make(const std::string& db_path) {
    remove();
    std::error_code error;
    if (db_path.empty() || !fs::is_regular_file(db_path, error) || !make_folder(m_folder)) {
        return false;
    }
    const fs::path name = fs::path(db_path).filename();
    const fs::path target = fs::path(m_folder) / name;
    if (!copy_one(db_path, target)) {
        remove();
        return false;
    }
    for (const char* suffix : companion_suffixes) {
        const std::string companion = db_path + suffix;
        if (fs::exists(companion, error) && !copy_one(companion, target.string() + suffix)) {
            remove();
            return false;
        }
    }
    m_path = target.string();
    return true;
}

void private_db_copy::remove() {
    if (!m_folder.empty()) {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    m_folder.clear();
    m_path.clear();
}

bool needs_private_copy(const std::string& db_path) {
    std::error_code error;
    if (!fs::is_regular_file(db_path, error) || error) {
        return true;
    }
    for (const char* suffix : companion_suffixes) {
        // Anything but "not there", a failed look included, is taken as a companion.
        if (fs::status(db_path + suffix, error).type() != fs::file_type::not_found) {
            return true;
        }
    }
    return false;
}
