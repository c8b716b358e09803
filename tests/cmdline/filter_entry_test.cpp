#include "cmdline/filter_entry.h"

#include <gtest/gtest.h>

namespace {

bool is_fresh(const filter_entry& f) {
    const bool flags = f.m_is_path || f.m_match_all || f.m_name_lead_star || f.m_name_trail_star ||
                       f.m_has_stream || f.m_all_streams || f.m_stream_lead_star ||
                       f.m_stream_trail_star;
    return f.m_path_len == 0 && f.m_path.empty() && f.m_text.empty() && f.m_name.empty() &&
           f.m_stream.empty() && f.m_signature.empty() && f.m_offset == 0 && !flags;
}

// An entry reused for the next list item must not keep a star flag or a signature of the
// previous one: a stale signature would make a name entry open and compare files.
TEST(FilterEntry, ClearForgetsEverything) {
    filter_entry e;
    e.m_path_len = 4;
    e.m_path = L"/win";
    e.m_text = L"x.db:*";
    e.m_name = L"x.db";
    e.m_stream = L"zone";
    e.m_signature = {0x53, 0x51, 0x4c};
    e.m_offset = 8;
    e.m_is_path = e.m_match_all = e.m_name_lead_star = e.m_name_trail_star = true;
    e.m_has_stream = e.m_all_streams = e.m_stream_lead_star = e.m_stream_trail_star = true;
    e.clear();

    EXPECT_TRUE(is_fresh(e));
    EXPECT_TRUE(is_fresh(filter_entry()));
}

}  // namespace
