#pragma once
// host_info describes the machine and the program for the banner of a run and the run
// record of a results database: OS name, version and release, word size, node name, the
// program's path and whether it runs from a network file system or a USB device.

#include <sstream>
#include <string>

#include "text/kq_types.h"

class host_info {
public:
    bool m_ok = false;        // the host query of fill succeeded
    bool m_is_64bit = false;  // the machine name contains "64"
    std::string m_sysname;
    std::string m_version;
    std::string m_release;
    std::string m_nodename;
    bool m_trim_release = false;  // print cuts the release one character after its last '.'
    std::string m_program_path;
    std::string m_program_tag;  // file name of the program path up to its first '_'
    uint64 m_program_inode = 0;
    std::string m_spare_text;  // filled by nothing; kept for the record's layout
    bool m_on_network_fs = false;
    bool m_on_usb = false;

    host_info();

    // Every flag false, the inode 0, every text empty.
    void clear();
    // Clears, then fills the record from uname and the program path (see the .cpp). False,
    // with m_ok false and m_sysname "Linux", when uname fails.
    bool fill(const std::string& program_path);
    // Empties the stream, then writes system name, node name (when asked), version and
    // release, each with the separator inside it replaced and each followed by the
    // separator, then "64" or "32"; then the separator and the lower-cased program path
    // (when asked and known) and the separator and the inode in hex (when known; the stream
    // stays in hex).
    void print(std::ostringstream& stream, const std::string& separator,
               const std::string& replacement, bool with_nodename, bool with_program_path) const;
    // The inode of the program path into m_program_inode; true when it is not 0.
    bool read_program_inode();

private:
    [[nodiscard]] std::string printed_release() const;
};
