#pragma once
// Runs the built velk binary as an examiner would: in a folder of the test's choosing, with
// standard input from a file, and standard output, standard error and the exit status
// captured.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/velk_usage.h"
#include "io/io_test_support.h"

namespace velk_test {

struct velk_result {
    std::string out;
    std::string err;
    int status = -1;  // the exit status; -1 when the process did not exit normally
};

// argv0 is the program name the process sees; args follow it. Standard input reads
// stdin_text. The captures live in a folder of their own, so the run folder holds only
// what velk writes.
inline velk_result run_velk_as(const std::string& argv0, const std::vector<std::string>& args,
                               const std::string& run_dir, const std::string& stdin_text = "") {
    const temp_dir capture;
    const std::string in_path = capture.file("stdin");
    const std::string out_path = capture.file("stdout");
    const std::string err_path = capture.file("stderr");
    write_file(in_path, stdin_text);
    std::vector<std::string> words{argv0};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int in = ::open(in_path.c_str(), O_RDONLY);
        const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || ::chdir(run_dir.c_str()) != 0 || ::dup2(in, 0) < 0 ||
            ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) {
            ::_exit(127);
        }
        ::execv(VELK_BINARY_PATH, argv.data());
        ::_exit(127);
    }
    velk_result result;
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        result.status = WEXITSTATUS(status);
    }
    result.out = read_file(out_path);
    result.err = read_file(err_path);
    return result;
}

inline velk_result run_velk(const std::vector<std::string>& args, const std::string& run_dir,
                            const std::string& stdin_text = "") {
    return run_velk_as(VELK_BINARY_PATH, args, run_dir, stdin_text);
}

// The lines of text, split at line feeds; a final line feed ends the last line.
inline std::vector<std::string> split_lines_lf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The usage text as committed in the golden file, with the version line of this build.
inline std::string golden_usage() {
    std::string text = read_file(std::string(VELK_TEST_DATA_DIR) + "/app/usage.txt");
    const std::string mark = "@VERSION_LINE@";
    const std::size_t at = text.find(mark);
    if (at != std::string::npos) {
        text.replace(at, mark.size(), velk_version_line());
    }
    return text;
}

}  // namespace velk_test
