#include "text/extras/system_info_text.h"

std::ostream& print_system_info(const host_info& host, std::ostream& out) {
    out << "os       : " << host.m_sysname << '\n';
    if (!host.m_nodename.empty()) {
        out << "nodename : " << host.m_nodename << '\n';
    }
    out << "version  : " << host.m_version << '\n';
    out << "build    : " << host.m_release << '\n';
    out << "machine  : " << (host.m_is_64bit ? "64 bit" : "32 bit") << '\n';
    return out;
}
