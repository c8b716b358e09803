#include "app/input_path.h"

#include "cmdline/cmd_params.h"
#include "text/env_expand.h"

bool input_names_are_walked(const cmd_params& options) {
    return options.m_enum_dir_given && !options.m_pipe;
}

std::string expand_input_path(const cmd_params& options, std::string& path) {
    if (input_names_are_walked(options)) {
        return path;
    }
    return expand_env_vars(path, true);
}
