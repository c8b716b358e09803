// The NTFS setters and the time filter of timeline_context.
#include <iomanip>
#include <sstream>

#include "cmdline/timeline_context.h"

namespace {

// A file reference is 48 bits of record number under 16 bits of sequence number. All 48
// record bits set, with nothing above them, names no real record; such a parent is shown as
// the root folder, record 5, sequence 0. A reference that also carries a sequence number is
// a real one and is kept.
constexpr uint64 all_record_bits = 0x0000FFFFFFFFFFFFULL;
constexpr uint64 root_record = 5;

// Fewest hex digits of the inode text.
constexpr int inode_hex_digits = 8;

}  // namespace

void timeline_context::set_ntfs_extras(uint32 ref_count, uint64 parent_inode, uint32 parent_seqnum,
                                       uint32 inode_seqnum, uint64 size, const char* extension,
                                       const char* clusters) {
    m_ntfs_extras = true;
    m_ref_count = ref_count;
    m_inode_seqnum = inode_seqnum;
    m_size = size;
    if (extension != nullptr) {
        m_extension = extension;
    }
    if (clusters != nullptr) {
        m_clusters = clusters;
    }
    if (parent_inode == all_record_bits) {
        m_parent_inode = root_record;
        m_parent_seqnum = 0;
        return;
    }
    m_parent_inode = parent_inode;
    m_parent_seqnum = parent_seqnum;
}

void timeline_context::set_inode(uint64 inode) {
    std::ostringstream text;
    if (m_hex_numbers) {
        text << "0x" << std::hex << std::nouppercase << std::setfill('0')
             << std::setw(inode_hex_digits) << inode;
    } else {
        text << std::dec << inode;
    }
    m_inode = text.str();
}

bool timeline_context::inside_filter(uint64 filetime) const {
    return m_filter_start == 0 || (filetime >= m_filter_start && filetime <= m_filter_end);
}
