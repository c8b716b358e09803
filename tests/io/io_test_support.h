#pragma once
// Helpers for tests that need real files, child processes or redirected standard streams.

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace velk_test {

// A fresh folder under the system temporary folder, removed with everything in it.
class temp_dir {
public:
    temp_dir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velk-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~temp_dir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    [[nodiscard]] std::string file(const std::string& name) const { return m_path + "/" + name; }
    [[nodiscard]] const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

inline void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// -1 when the file is not there.
inline long long file_size(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

// Runs body in a child process and returns its exit code (body's result), or -1 when the
// child did not exit normally. Used where a test changes process-wide state (limits,
// umask, standard streams).
inline int run_in_child(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::_Exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

// run_in_child with files limited to `bytes` (RLIMIT_FSIZE, SIGXFSZ ignored): writes past the
// limit fail as on a full disk. 100 when the limit cannot be set.
inline int run_with_file_size_limit(rlim_t bytes, const std::function<int()>& body) {
    return run_in_child([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        return ::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? body() : 100;
    });
}

}  // namespace velk_test
