#include "text/extras/system_info_text.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

host_info sample_host() {
    host_info host;
    host.m_sysname = "Linux";
    host.m_nodename = "lab-01";
    host.m_version = "#1 SMP";
    host.m_release = "6.1.0";
    host.m_is_64bit = true;
    return host;
}

TEST(PrintSystemInfo, WritesOneLabelledLinePerFact) {
    std::ostringstream out;
    EXPECT_EQ(&print_system_info(sample_host(), out), &out);
    EXPECT_EQ(out.str(),
              "os       : Linux\n"
              "nodename : lab-01\n"
              "version  : #1 SMP\n"
              "build    : 6.1.0\n"
              "machine  : 64 bit\n");
}

TEST(PrintSystemInfo, LeavesOutUnknownNodeName) {
    host_info host = sample_host();
    host.m_nodename.clear();
    host.m_is_64bit = false;
    std::ostringstream out;
    print_system_info(host, out);
    EXPECT_EQ(out.str(),
              "os       : Linux\n"
              "version  : #1 SMP\n"
              "build    : 6.1.0\n"
              "machine  : 32 bit\n");
}

}  // namespace
