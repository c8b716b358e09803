#include "text/host_info.h"

#include <sys/utsname.h>

#include "io/uni_file_info.h"
#include "text/host_probe.h"
#include "text/text_case.h"
#include "text/text_replace.h"

namespace {

// The file name of the path up to its first '_' ("tool" of ".../tool_x64"); "" for a path
// without '/' or a file name without '_'.
std::string program_tag(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    const std::size_t underscore = path.find('_', slash + 1);
    if (underscore == std::string::npos) {
        return {};
    }
    return path.substr(slash + 1, underscore - slash - 1);
}

}  // namespace

host_info::host_info() { clear(); }

void host_info::clear() {
    m_ok = false;
    m_is_64bit = false;
    m_sysname.clear();
    m_version.clear();
    m_release.clear();
    m_nodename.clear();
    m_trim_release = false;
    m_program_path.clear();
    m_program_tag.clear();
    m_program_inode = 0;
    m_spare_text.clear();
    m_on_network_fs = false;
    m_on_usb = false;
}

bool host_info::fill(const std::string& program_path) {
    clear();
    m_sysname = "Linux";
    struct utsname names {};
    if (uname(&names) != 0) {
        m_ok = false;
        return false;
    }
    m_sysname = names.sysname;
    m_version = names.version;
    m_release = names.release;
    m_nodename = names.nodename;
    std::string machine = names.machine;
    m_is_64bit = string_to_lower(machine).find("64") != std::string::npos;
    m_program_path = program_path;
    m_program_tag = program_tag(program_path);
    m_on_usb = exe_on_usb_device();
    m_on_network_fs = exe_on_network_fs();
    m_ok = true;
    return true;
}

std::string host_info::printed_release() const {
    const std::size_t dot = m_release.rfind('.');
    if (!m_trim_release || dot == std::string::npos || dot + 2 >= m_release.size()) {
        return m_release;
    }
    return m_release.substr(0, dot + 2);
}

void host_info::print(std::ostringstream& stream, const std::string& separator,
                      const std::string& replacement, bool with_nodename,
                      bool with_program_path) const {
    stream.str(std::string());
    std::string field;
    // replace_all_copy leaves field empty for an empty text or separator: then the text is
    // written as it is.
    const auto write_field = [&](const std::string& text) {
        replace_all_copy(field, text, separator, replacement);
        stream << (separator.empty() ? text : field) << separator;
    };
    write_field(m_sysname);
    if (with_nodename) {
        write_field(m_nodename);
    }
    write_field(m_version);
    write_field(printed_release());
    stream << (m_is_64bit ? "64" : "32");
    if (with_program_path && !m_program_path.empty()) {
        std::string lower = m_program_path;
        stream << separator << string_to_lower(lower);
    }
    if (m_program_inode != 0) {
        stream << separator << std::hex << m_program_inode;
    }
}

bool host_info::read_program_inode() {
    m_program_inode = uni::get_inode(m_program_path);
    return m_program_inode != 0;
}
