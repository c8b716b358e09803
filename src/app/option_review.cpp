#include "app/option_review.h"

#include <algorithm>

#include "app/velk_options.h"
#include "cmdline/cmd_args.h"
#include "cmdline/cmd_params.h"
#include "text/text_case.h"

namespace {

using arg_list = std::vector<std::string>;

// Options of the common parser that nothing in velk's flow reads: results databases,
// compression, aliases, thread and CPU settings, split output, a completion signal, the
// results folder, the skip list and the path of filter lists. "-xml" would write cells
// without a header or separators.
constexpr const char* unimplemented_options[] = {
    "-xml",     "-sqlite",         "-sqlite_log",     "-gzip",   "-zlib",           "-zlibex",
    "-threads", "-alias",          "-aliaspath",      "-signal", "-split_pathfile", "-cpuinst",
    "-cpu",     "-fragment_files", "-separate_files", "-outdir", "-filter_skip",    "-filter_path",
};

// The tool's own options, beside the common ones.
struct tool_option {
    const char* name;
    option_kind kind;
};
constexpr tool_option tool_options[] = {
    {"-db", option_kind::value},           {"-all_fields", option_kind::flag},
    {"-verify", option_kind::flag},        {"-parse_chunk", option_kind::flag},
    {"-carve", option_kind::flag},         {"-incl_slack", option_kind::flag},
    {"-incl_settings", option_kind::flag},
};

option_kind kind_of(const std::string& word) {
    for (const tool_option& option : tool_options) {
        if (option_name_matches(word, option.name)) {
            return option.kind;
        }
    }
    return common_option_kind(word);
}

bool is_unimplemented(const std::string& word) {
    return std::any_of(std::begin(unimplemented_options), std::end(unimplemented_options),
                       [&word](const char* name) { return option_name_matches(word, name); });
}

std::string lowered(std::string word) {
    (void)string_to_lower(word);
    return word;
}

void add_note(arg_list& notes, const std::string& note) {
    if (std::find(notes.begin(), notes.end(), note) == notes.end()) {
        notes.push_back(note);
    }
}

// ---- Why a known option is not used ----

// What the review knows: the parsed options and the two lists.
struct review_state {
    const velk_options& options;
    const arg_list& given;
    const arg_list& left;
};

std::size_t occurrences(const std::string& name, const arg_list& list) {
    return static_cast<std::size_t>(std::count_if(
        list.begin() + (list.empty() ? 0 : 1), list.end(),
        [&name](const std::string& word) { return option_name_matches(word, name); }));
}

// A parser took the option at least once: it occurs fewer times in what was left.
bool was_taken(const std::string& name, const review_state& state) {
    return occurrences(name, state.given) > occurrences(name, state.left);
}

// The value the parser took: the one after the option's first occurrence.
std::string first_value(const std::string& name, const arg_list& given) {
    for (std::size_t i = 1; i + 1 < given.size(); ++i) {
        if (option_name_matches(given[i], name)) {
            return given[i + 1];
        }
    }
    return "";
}

const char* names_source(const velk_options& o) {
    return o.m_pipe ? "-pipe names the inputs" : "-enumdir names the inputs";
}

// The form option that decided the report's form.
const char* form_given(const velk_options& o) {
    if (o.m_multiline) {
        return "-multiline given";
    }
    if (o.m_bodyfile) {
        return "-bodyfile given";
    }
    if (o.m_csvl2t) {
        return "-csvl2t given";
    }
    return o.m_csvgen ? "-csvgen given" : "";
}

const char* fixed_columns(const velk_options& o) {
    return o.m_csvl2t || o.m_bodyfile ? "-csvl2t and -bodyfile write fixed columns" : "";
}

std::string chunk_mode(const review_state& s) {
    return s.options.m_parse_chunk ? "-parse_chunk reads page chunks" : "";
}

std::string l2t_only(const review_state& s) {
    return s.options.m_csvl2t ? "" : "only -csvl2t writes it";
}

// Separators, quoting and unpadding have nothing to act on in a form that lays out its own
// lines; the parser takes them without applying them.
std::string own_layout(const review_state& s) {
    if (s.options.m_multiline) {
        return "-multiline writes one value a line";
    }
    return s.options.m_bodyfile ? "-bodyfile writes fixed fields between bars" : "";
}

std::string unpadded_form(const review_state& s) {
    const velk_options& o = s.options;
    const bool csvgen_form = o.m_csvgen && !o.m_csv && !o.m_csvl2t && !o.m_bodyfile;
    return csvgen_form && !o.m_multiline ? "-csvgen writes no padding" : own_layout(s);
}

std::string unix_seconds_form(const review_state& s) {
    return s.options.m_bodyfile ? "-bodyfile writes times as Unix seconds" : "";
}

// Settings velk holds whatever the command line says.
std::string verbose_always(const review_state& /*state*/) {
    return "progress is shown unless -quiet";
}

// Each returns the reason the option is not used in this run, "" when it is used (or, for
// an option the parsers left, when no reason fits).
struct unused_rule {
    const char* name;
    std::string (*why)(const review_state& state);
};

const unused_rule unused_rules[] = {
    {"-db",
     [](const review_state& s) -> std::string {
         return s.options.m_pipe || s.options.m_enum_dir_given ? names_source(s.options) : "";
     }},
    {"-enumdir",
     [](const review_state& s) -> std::string {
         return s.options.m_pipe ? "-pipe names the inputs" : "";
     }},
    {"-num_subdirs",
     [](const review_state& s) -> std::string {
         return s.options.m_enum_dir_given && !s.options.m_pipe ? "" : "no -enumdir walk";
     }},
    {"-carve", chunk_mode},
    {"-incl_slack", chunk_mode},
    {"-incl_settings",
     [](const review_state& s) -> std::string {
         return s.options.m_parse_chunk ? "-parse_chunk reads page chunks"
                                        : fixed_columns(s.options);
     }},
    {"-all_fields", [](const review_state& s) -> std::string { return fixed_columns(s.options); }},
    {"-verify",
     [](const review_state& s) -> std::string {
         const velk_options& o = s.options;
         return o.m_incl_slack || o.m_carve || o.m_parse_chunk
                    ? ""
                    : "nothing is carved without -incl_slack, -carve or -parse_chunk";
     }},
    {"-l2",
     [](const review_state& s) -> std::string {
         return s.options.m_diag_path.empty() ? "no -diags file" : "";
     }},
    {"-l3",
     [](const review_state& s) -> std::string {
         if (s.options.m_diag_path.empty()) {
             return "no -diags file";
         }
         return s.options.m_diag_level == 2 ? "-l2 given" : "";
     }},
    {"-verbose", verbose_always},
    {"-v",
     [](const review_state& s) -> std::string {
         return occurrences("-verbose", s.given) > 0 ? "-verbose given" : verbose_always(s);
     }},
    {"-pair_datetime",
     [](const review_state& /*state*/) -> std::string {
         return "date and time always share one cell";
     }},
    {"-csv_separator", own_layout},
    {"-enable_quoted_csv_fields", own_layout},
    {"-no_whitespace", unpadded_form},
    {"-dateformat", unix_seconds_form},
    {"-timeformat", unix_seconds_form},
    {"-outfile",
     [](const review_state& s) -> std::string {
         return occurrences("-out", s.given) > 0 ? "-out given" : "";
     }},
    {"-append",
     [](const review_state& s) -> std::string {
         return s.options.m_out_given ? "the results file is always written anew" : "no -out";
     }},
    {"-username", l2t_only},
    {"-hostname", l2t_only},
    {"-csv",
     [](const review_state& s) -> std::string {
         return s.options.m_csv ? "" : form_given(s.options);
     }},
    {"-csvl2t",
     [](const review_state& s) -> std::string {
         return s.options.m_csvl2t ? "" : form_given(s.options);
     }},
    {"-bodyfile",
     [](const review_state& s) -> std::string {
         return s.options.m_bodyfile ? "" : form_given(s.options);
     }},
};

// The file filters and the time window choose among the names of the input loop; a single
// "-db" or page chunk is read whatever they say.
constexpr const char* loop_only_options[] = {"-filter", "-filter_sig", "-cmd_start_time",
                                             "-cmd_stop_time"};

std::string why_unused(const std::string& name, const review_state& state) {
    for (const unused_rule& rule : unused_rules) {
        if (option_name_matches(name, rule.name)) {
            return rule.why(state);
        }
    }
    const bool loop_only =
        std::any_of(std::begin(loop_only_options), std::end(loop_only_options),
                    [&name](const char* option) { return option_name_matches(name, option); });
    if (loop_only && !state.options.m_pipe && !state.options.m_enum_dir_given) {
        return "it chooses among -pipe and -enumdir inputs";
    }
    return "";
}

std::string not_used_line(const std::string& shown, const std::string& reason) {
    return "option not used: " + shown + (reason.empty() ? "" : " (" + reason + ")");
}

// One argument the parsers left, at index at (moved past its value). False when it is a
// value option without one.
bool review_left_argument(const review_state& state, std::size_t& at, arg_list& notes) {
    const std::string& word = state.left[at];
    const option_kind kind = kind_of(word);
    if (kind == option_kind::unknown) {
        add_note(notes, "unknown option ignored: " + word);
        return true;
    }
    const std::string name = lowered(word);
    std::string shown = word;
    if (kind == option_kind::value) {
        if (at + 1 >= state.left.size()) {
            report_missing_value(name);
            return false;
        }
        const std::string& value = state.left[++at];
        shown += " " + value;
        if (was_taken(name, state)) {
            if (value != first_value(name, state.given)) {
                add_note(notes, not_used_line(shown, "the first " + name + " is used"));
            }
            return true;
        }
    } else if (was_taken(name, state)) {
        return true;  // a repeat of an applied flag
    }
    add_note(notes, not_used_line(shown, why_unused(name, state)));
    return true;
}

// Options a parser took that this run does not use all the same.
void review_taken_options(const review_state& state, arg_list& notes) {
    for (std::size_t i = 1; i < state.given.size(); ++i) {
        const std::string& word = state.given[i];
        const option_kind kind = kind_of(word);
        if (kind == option_kind::unknown) {
            continue;
        }
        const std::string name = lowered(word);
        const bool has_value = kind == option_kind::value && i + 1 < state.given.size();
        const std::string shown = has_value ? word + " " + state.given[i + 1] : word;
        i += has_value ? 1 : 0;
        if (!was_taken(name, state)) {
            continue;  // left: reviewed with the arguments left
        }
        const std::string reason = why_unused(name, state);
        if (!reason.empty()) {
            add_note(notes, not_used_line(shown, reason));
        }
    }
}

}  // namespace

bool check_option_values(const arg_list& args) {
    for (std::size_t at = 1; at + 1 < args.size(); ++at) {
        if (kind_of(args[at]) != option_kind::value) {
            continue;
        }
        if (kind_of(args[at + 1]) != option_kind::unknown) {
            report_missing_value(lowered(args[at]));
            return false;
        }
        ++at;  // the value: never read as an option
    }
    return true;
}

void take_unimplemented_options(arg_list& args, arg_list& notes) {
    std::size_t at = 1;
    while (at < args.size()) {
        const option_kind kind = kind_of(args[at]);
        if (!is_unimplemented(args[at])) {
            at += kind == option_kind::value ? 2 : 1;
            continue;
        }
        const std::size_t count = kind == option_kind::value ? 2 : 1;
        if (at + count > args.size()) {
            return;  // no value: the review says so
        }
        add_note(notes, "option ignored by velk: " + lowered(args[at]));
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(at),
                   args.begin() + static_cast<std::ptrdiff_t>(at + count));
    }
}

bool review_options(const velk_options& options, const arg_list& given, const arg_list& left,
                    arg_list& notes) {
    const review_state state{options, given, left};
    for (std::size_t at = 1; at < left.size(); ++at) {
        if (!review_left_argument(state, at, notes)) {
            return false;
        }
    }
    review_taken_options(state, notes);
    return true;
}
