#pragma once
// timeline_context: the settings and default column values of one log2timeline report.
// An item's times (the macb_times base) become timeline lines; every column that a line's
// entry leaves empty is taken from here. The report writer fills a context from the common
// options and its own texts, merges events into a timeline_collector and writes it with
// write_l2t_rows (cmdline/l2t_writer.h). The NTFS-oriented columns serve the file-system
// timeline writers, which share the same context.

#include <string>

#include "text/kq_types.h"
#include "text/time_display_spec.h"
#include "time/macb_times.h"

class cmd_params;
// Results database writer (results database layer); only pointed to, never owned.
class results_db_writer;

class timeline_context : public macb_times {
public:
    // Version of the log2timeline CSV layout written in the version column.
    static constexpr int32 l2t_version = 2;

    // The macb_times base, then set_defaults.
    timeline_context();
    timeline_context(const timeline_context&) = default;
    timeline_context& operator=(const timeline_context&) = default;
    virtual ~timeline_context() = default;

    // macb_times::reset, then every member to its default: timezone "UTC", version 2,
    // format "-csvl2t", date and time formats "yyyy-mm-dd" and "hh:mm:ss.xxx" compiled
    // without the pair flag, separator ",", replacement ',' -> ' ', everything else off,
    // empty or 0, no filter, no writer, no options.
    void set_defaults();
    // Takes the output settings of the options into the context and keeps the pointer: the
    // writer clears the options' header flag once the caption line is out, so the record is
    // not const. A null pointer changes nothing.
    void init_from_options(cmd_params* options);

    // NTFS columns of a file-system record (timeline_context_ntfs.cpp): turns them on and
    // stores the values; a null extension or clusters text keeps the earlier one. A parent
    // reference of exactly 48 set record bits (0x0000FFFFFFFFFFFF) names no real record
    // and is shown as the root, record 5, sequence 0; any other reference is kept as given.
    void set_ntfs_extras(uint32 ref_count, uint64 parent_inode, uint32 parent_seqnum,
                         uint32 inode_seqnum, uint64 size, const char* extension,
                         const char* clusters);
    // The inode text: "0x" and at least 8 lower-case hex digits with hex numbers on, else
    // decimal.
    void set_inode(uint64 inode);
    // Whether an entry of this FILETIME is written: always without a filter (start 0), else
    // when it lies in [start, end], so a start with an end of 0 lets nothing through.
    [[nodiscard]] bool inside_filter(uint64 filetime) const;

    std::string m_timezone;
    std::string m_source;      // used when an entry has none
    std::string m_sourcetype;  // also the second text handed to a results database
    std::string m_type;        // when not empty, the type column of every line
    std::string m_user;        // used when an entry has none
    std::string m_host;
    std::string m_short;
    std::string m_desc;
    int32 m_version = l2t_version;
    std::string m_filename;  // used when an entry has none
    std::string m_inode;
    std::string m_notes;
    std::string m_format;
    std::string m_extra;  // used when an entry has none
    std::string m_date_format;
    std::string m_time_format;
    time_display_spec m_time_spec;  // compiled from the two formats
    std::string m_separator;        // between columns
    // Every replace_from in the text columns is written as replace_to, so a value cannot
    // carry the separator into the line; 0 leaves the table writer's rule in charge.
    char m_replace_from = ',';
    char m_replace_to = ' ';
    bool m_lower_macb = false;     // entry's MACB letters lower-cased before writing
    bool m_pad = false;            // one blank before the time (before the date when combined)
    bool m_no_whitespace = false;  // suppresses that blank
    bool m_hex_numbers = false;    // NTFS numbers and the inode text in "0x" form
    bool m_no_size_data = false;   // MFT CSV without the "size data" and "data type" columns
    bool m_clusters_column = false;
    bool m_header_info_column = false;
    bool m_extracted_path_column = false;
    bool m_pair_datetime = false;  // date and time in one column
    bool m_md5_column = false;
    bool m_sha1_column = false;
    bool m_sha1_second_column = false;
    std::string m_md5_text;
    std::string m_sha1_text;
    std::string m_sha1_second_text;
    // The eight NTFS columns after extra.
    bool m_ntfs_extras = false;
    uint32 m_ref_count = 0;
    std::string m_extension;
    uint64 m_size = 0;
    uint32 m_inode_seqnum = 0;
    uint64 m_parent_inode = 0;
    uint32 m_parent_seqnum = 0;
    std::string m_clusters;
    byte_array m_header_info;
    bool m_string_mode = false;  // header-info bytes shown as the strings they hold
    std::string m_extracted_path;
    // Only entries whose FILETIME lies in [start, end] are written; start 0: no filter.
    uint64 m_filter_start = 0;
    uint64 m_filter_end = 0;
    results_db_writer* m_results_db = nullptr;  // attached, never owned
    cmd_params* m_options = nullptr;            // m_record_newline, m_header_pending, ...
};
