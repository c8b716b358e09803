#include "app/velk_usage.h"

#include <cstdio>

const std::string velk_program_name = "velk";

std::string velk_version_line() { return velk_program_name + " - " + "v" VELK_VERSION_TEXT + " -"; }

namespace {

// The body of the usage text, one item per line as the examiner sees it. Only the options
// an examiner usually needs are listed; the common options accepted beside them, "-verify"
// and "-incl_settings" are left out on purpose.
constexpr const char* usage_lines[] = {
    "Usage\n",
    " \n",
    "  velk -db <wpndatabase.db> [options]\n",
    "  find /home -name *wpndatabase.db -type f | velk -pipe [options]\n",
    "  ls /home/<folder>/*wpndatabase.db | velk -pipe [options] > ./results\n",
    "  velk -enumdir <folder> -num_subdirs <#> [options]\n",
    " \n",
    " Basic options\n",
    "  -csv                            = output in CSV format\n",
    "  -csvl2t                         = log2timeline output\n",
    "  -bodyfile                       = sleuthkit output\n",
    "\n",
    " Additional options\n",
    "  -all_fields                     = show all fields for -csv output\n",
    "  -username <name>                = for -csvl2t output\n",
    "  -hostname <name>                = for -csvl2t output\n",
    "  -csv_separator \"|\"              = use a pipe char for csv separator\n",
    "  -dateformat mm/dd/yyyy          = \"yyyy-mm-dd\" is the default\n",
    "  -timeformat hh:mm:ss            = \"hh:mm:ss\" is the default\n",
    "  -no_whitespace                  = remove whitespace between csv delimiter\n",
    "  -pipe                           = pipe db's into tool for processing\n",
    "  -quiet                          = no progress shown\n",
    "\n",
    " Experimental options\n",
    "  -incl_slack                     = analyze slack space\n",
    "  -carve                          = bypass SQLite lib during parse\n",
    "  -parse_chunk                    = requires at least 1 db page\n",
    "\n",
    " Usage Examples\n",
    "  velk -db <db file>               = use only SQLite lib for parse\n",
    "  velk -db <db file> -incl_slack   = use SQLite and Vestrel libs for parse\n",
    "  velk -db <db file> -carve        = use only Vestrel libs for parse\n",
    "  velk -db <db page> -parse_chunk  = use only Vestrel libs for parse\n",
    "\n",
};

}  // namespace

void usage(const std::string& program_path) {
    (void)program_path;  // the text names the command "velk" whatever path started it
    std::fputs("-----------------------------------------------------------------------------\n\n",
               stderr);
    std::fprintf(stderr, "%s\n\n", velk_version_line().c_str());
    for (const char* line : usage_lines) {
        std::fputs(line, stderr);
    }
}

void report_missing_input() {
    std::fputs("missing -db <file> (or -pipe or -enumdir)\n", stderr);
    std::fflush(stderr);
}
