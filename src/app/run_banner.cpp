#include "app/run_banner.h"

#include <sstream>

#include "cmdline/cmd_args.h"
#include "text/control_escape.h"
#include "text/host_info.h"
#include "text/host_probe.h"
#include "text/text_join.h"
#include "text/text_lines.h"
#include "text/time_display_spec.h"
#include "time/time_format.h"

namespace {

// Tested in this order; the first one present ends the search.
constexpr const char* help_words[] = {"-h", "-help", "/?", "--help"};

// The banner date follows the examiner's "-dateformat" so that a report reads in one date
// form throughout; without it the date is written month first.
constexpr const char* default_date_template = "mm/dd/yyyy";
constexpr const char* time_of_day_template = "hh:mm:ss";

constexpr const char* run_time_label = "Run time";
constexpr const char* time_zone_label = "(UTC)";
constexpr const char* host_label = "Host";
constexpr const char* system_label = "System";
constexpr const char* command_line_label = "Command line";
// Marks of an executable run from removable or remote media.
constexpr const char* network_fs_mark = "<~>";
constexpr const char* usb_device_mark = ":=";

// The folder of the running executable; "" when its path is unknown.
std::string exe_folder() {
    const std::string path = get_exe_path();
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string run_time_text(const std::vector<std::string>& args, const kq::time& start) {
    std::string date_template = default_date_template;
    std::string value;
    std::string accepted;
    // A template the option parser takes gives the banner the report's date form, whatever
    // its separator ("dd.mm.yyyy"); one it refuses leaves the default, as in the report.
    if (get_option_value("-dateformat", value, args, true) &&
        accept_date_template(value, accepted)) {
        date_template = accepted;
    }
    std::string date;
    std::string time_of_day;
    // An invalid start leaves both texts empty; the line is still written.
    time_display_spec spec;
    if (!spec.parse(date_template, time_of_day_template, false) ||
        !kq::format_date_time(date, time_of_day, start, spec)) {
        (void)kq::format_time_by_template(date, time_of_day, start, date_template,
                                          std::string(time_of_day_template));
    }
    return std::string(run_time_label) + ": " + date + " " + time_of_day + " " + time_zone_label;
}

std::string command_line_text(const std::vector<std::string>& args) {
    std::string text = "\"";
    text += command_line_label;
    text += ": ";
    if (has_option("-pipe", args, true)) {
        text += "<filelist> ... | ";
    }
    std::string joined;
    (void)join_quoted(joined, args, '\'');  // always true
    // A typed name may hold any byte (a walked folder's name pasted in, say): written as the
    // cells write values, so that the banner steers no terminal and stays one line.
    (void)escape_terminal_controls(joined);  // edits in place
    text += mark_line_breaks(joined);
    text += "\"";
    return text;
}

}  // namespace

bool help_requested(std::vector<std::string>& args) {
    for (const char* word : help_words) {
        if (take_flag(word, args, false)) {
            return true;
        }
    }
    return args.size() == 1;
}

std::string host_description() {
    host_info host;
    // A failed uname still leaves the system name "Linux" to print.
    (void)host.fill(exe_folder());
    std::ostringstream text;
    host.print(text, ";", " ", false, false);
    std::string description = text.str();
    const bool on_network_fs = exe_on_network_fs();
    const bool on_usb_device = exe_on_usb_device();
    if (on_network_fs || on_usb_device) {
        description += "; ";
    }
    if (on_network_fs) {
        description += network_fs_mark;
    }
    if (on_usb_device) {
        description += usb_device_mark;
    }
    return description;
}

std::string banner_text(const std::vector<std::string>& args, const kq::time& start,
                        const std::string& version_line) {
    std::string text = version_line + "\n";
    text += run_time_text(args, start) + "; ";
    text += std::string(host_label) + ": " + get_host_name() + "; ";
    text += std::string(system_label) + ": " + host_description() + "\n";
    text += command_line_text(args) + "\n";
    return text;
}
