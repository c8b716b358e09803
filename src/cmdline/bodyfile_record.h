#pragma once
// bodyfile_record: one line of a body file (the input of mactime-style timeline tools):
// eleven fields separated by "|" in the order md5, name, inode, mode, uid, gid, size and
// the access, modify, metadata-change and create times. The report writer fills one record
// per item and writes it with write_bodyfile_record, after a caption line written once per
// run.

#include <ostream>
#include <string>

#include "text/kq_types.h"
#include "time/macb_times.h"

class cmd_params;
// Results database writer (results database layer); only pointed to, never owned.
class results_db_writer;

class bodyfile_record {
public:
    // Members constructed, then clear.
    bodyfile_record();

    // md5, name and mode empty; numbers 0; times reset with time type 8 (Unix seconds);
    // timezone "UTC"; no writer, no options.
    void clear();

    std::string m_md5;   // written as "0" when empty
    std::string m_name;  // every "|" in it is written (and left) as ";"
    uint64 m_inode = 0;
    std::string m_mode;
    uint64 m_uid = 0;
    uint64 m_gid = 0;
    uint64 m_size = 0;
    // Written as the raw numbers held; a caller holding other timestamp kinds converts them
    // first (macb_times::set_unix gives Unix seconds).
    macb_times m_times;
    std::string m_timezone;                     // kept with the times, not written
    results_db_writer* m_results_db = nullptr;  // attached, never owned
    cmd_params* m_options = nullptr;  // m_record_newline, m_header_pending, m_artifact_type
};

// The caption line "md5|name|inode|mode as string|uid|gid|size|access time|modify time|
// mft time|create time" (one line, no line end).
void write_bodyfile_header(std::ostream& out);

// Writes the caption line when header_pending is set (clearing it and the options' copy),
// then the record's line; the separator is always "|", whatever the options say. Line
// breaks in the md5, name and mode texts are written as "[CRLF]", "[LFCR]", "[LF]" and
// "[CR]" markers (in the record's name itself, like its bars), so a line is one entry.
// Always 1.
int write_bodyfile_record(bool& header_pending, std::ostream& out, bodyfile_record& record);
