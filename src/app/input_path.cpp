#include "app/input_path.h"

#include <array>
#include <filesystem>
#include <system_error>

#include "cmdline/cmd_params.h"
#include "text/env_expand.h"
#include "text/text_case.h"
#include "text/text_replace.h"

namespace {

namespace fs = std::filesystem;

// The companions the readers open beside a database.
constexpr std::array<const char*, 3> input_suffixes = {"", "-wal", "-journal"};

// An absolute path with the links of its existing part resolved; empty when it cannot be
// worked out.
fs::path resolved(const std::string& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    if (error) {
        return {};
    }
    fs::path result = fs::weakly_canonical(absolute, error);
    return error ? fs::path() : result;
}

bool is_option(std::string word, const char* name) {
    return string_to_lower(word) == name;
}

// The value of an output option as the option parser turns it into a path: "-out" and
// "-outfile" expand %VAR% references and turn '\' into '/'; "-diags" opens its value as it is.
std::string output_path(const std::string& option, std::string value) {
    if (is_option(option, "-diags")) {
        return value;
    }
    std::string path = expand_env_vars(value, true);
    replace_char(path, '\\', '/', false);
    return path;
}

bool is_output_option(const std::string& word) {
    return is_option(word, "-out") || is_option(word, "-outfile") || is_option(word, "-diags");
}

}  // namespace

bool input_names_are_walked(const cmd_params& options) {
    return options.m_enum_dir_given && !options.m_pipe;
}

std::string expand_input_path(const cmd_params& options, std::string& path) {
    if (input_names_are_walked(options)) {
        return path;
    }
    return expand_env_vars(path, true);
}

bool same_file(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) {
        return false;
    }
    std::error_code error;
    if (fs::exists(a, error) && fs::exists(b, error)) {
        return fs::equivalent(a, b, error) && !error;
    }
    const fs::path left = resolved(a);
    return !left.empty() && left == resolved(b);
}

bool find_output_clash(const std::vector<std::string>& args, output_clash& clash) {
    // Entry 0 is the program; a value option standing last takes no value.
    for (std::size_t out = 1; out + 1 < args.size(); ++out) {
        if (!is_output_option(args[out])) {
            continue;
        }
        const std::string output = output_path(args[out], args[out + 1]);
        for (std::size_t in = 1; in + 1 < args.size(); ++in) {
            if (!is_option(args[in], "-db")) {
                continue;
            }
            std::string value = args[in + 1];
            const std::string input = expand_env_vars(value, true);
            for (const char* suffix : input_suffixes) {
                if (same_file(output, input + suffix)) {
                    clash = {output, input + suffix};
                    return true;
                }
            }
        }
    }
    return false;
}

bool is_results_file(const cmd_params& options, const std::string& input) {
    return !options.m_out_path.empty() && same_file(options.m_out_path, input);
}
