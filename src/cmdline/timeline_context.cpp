#include "cmdline/timeline_context.h"

#include "cmdline/cmd_params.h"

namespace {

// Written after the program name in the format column, naming the timeline layout.
constexpr const char* format_suffix = " (vestrel)";

}  // namespace

timeline_context::timeline_context() { set_defaults(); }

void timeline_context::set_defaults() {
    macb_times::reset();
    m_timezone = "UTC";
    m_source.clear();
    m_sourcetype.clear();
    m_type.clear();
    m_user.clear();
    m_host.clear();
    m_short.clear();
    m_desc.clear();
    m_version = l2t_version;
    m_filename.clear();
    m_inode.clear();
    m_notes.clear();
    m_format = "-csvl2t";
    m_extra.clear();
    m_date_format = "yyyy-mm-dd";
    m_time_format = "hh:mm:ss.xxx";
    m_time_spec = time_display_spec{};
    (void)m_time_spec.parse(m_date_format, m_time_format, false);  // fixed, valid templates
    m_separator.assign(1, ',');  // not = ",": GCC 12 warns of a false -Wrestrict overlap
    m_replace_from = ',';
    m_replace_to = ' ';
    m_lower_macb = false;
    m_pad = false;
    m_no_whitespace = false;
    m_hex_numbers = false;
    m_no_size_data = false;
    m_clusters_column = false;
    m_header_info_column = false;
    m_extracted_path_column = false;
    m_pair_datetime = false;
    m_md5_column = false;
    m_sha1_column = false;
    m_sha1_second_column = false;
    m_md5_text.clear();
    m_sha1_text.clear();
    m_sha1_second_text.clear();
    m_ntfs_extras = false;
    m_ref_count = 0;
    m_extension.clear();
    m_size = 0;
    m_inode_seqnum = 0;
    m_parent_inode = 0;
    m_parent_seqnum = 0;
    m_clusters.clear();
    m_header_info.clear();
    m_string_mode = false;
    m_extracted_path.clear();
    m_filter_start = 0;
    m_filter_end = 0;
    m_results_db = nullptr;
    m_options = nullptr;
}

void timeline_context::init_from_options(cmd_params* options) {
    if (options == nullptr) {
        return;
    }
    m_options = options;
    m_hex_numbers = options->m_base16;
    m_sourcetype = options->m_artifact_type;
    m_format = options->m_program_name + format_suffix;
    m_date_format = options->m_date_format;
    m_time_format = options->m_time_format;
    m_time_spec = options->m_time_spec;
    m_no_whitespace = options->m_no_whitespace;
    m_pad = !options->m_no_whitespace;
    m_user = options->m_user_name;
    m_host = options->m_host_name;
    m_separator = options->m_separator;
    m_replace_from = options->m_delimiter;
    m_replace_to = options->m_delimiter_substitute;
    m_pair_datetime = options->m_pair_datetime;
    m_results_db = options->m_results_db;
}
