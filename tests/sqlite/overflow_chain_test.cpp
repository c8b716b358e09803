#include "sqlite/overflow_chain.h"

#include <gtest/gtest.h>

#include "io/uni_fileio.h"
#include "sqlite/page_builder.h"
#include "sqlite/read_window.h"

namespace {

constexpr uint32 ps = 512;

// A memory file of `pages` pages; overflow page n holds next[n] and then bytes of value n.
class OverflowChain : public ::testing::Test {
protected:
    void build(const std::vector<std::pair<uint32, uint32>>& links, uint32 pages) {
        m_image.assign(std::size_t{pages} * ps, 0);
        for (const auto& [page, next] : links) {
            const std::size_t at = std::size_t{page - 1} * ps;
            test_pages::put_be(m_image, at, next, 4);
            std::fill(m_image.begin() + static_cast<std::ptrdiff_t>(at + 4),
                      m_image.begin() + static_cast<std::ptrdiff_t>(at + ps),
                      static_cast<uint8>(page));
        }
        ASSERT_TRUE(m_file.attach_memory(m_image, false, false));
    }
    // The page numbers whose contents were appended, in order.
    std::vector<uint32> pages_in(const byte_array& out) {
        std::vector<uint32> pages;
        for (std::size_t at = 0; at < out.size(); at += ps - 4) {
            pages.push_back(out[at]);
        }
        return pages;
    }
    // The chain read from the file and through a window over it: both must agree.
    bool chain(byte_array& out, uint32 first_page, uint32 page_size) {
        byte_array through_window = out;
        read_window window(m_file, 2 * ps);
        const bool windowed = read_overflow_chain(through_window, window, first_page, page_size);
        const bool read = read_overflow_chain(out, m_file, first_page, page_size);
        EXPECT_EQ(windowed, read);
        EXPECT_EQ(through_window, out);
        return read;
    }
    byte_array m_image;
    uni::fileio m_file;
};

TEST_F(OverflowChain, AppendsWholePagesInChainOrder) {
    build({{2, 4}, {4, 3}, {3, 0}}, 5);
    byte_array out{9};
    ASSERT_TRUE(chain(out, 2, ps));
    EXPECT_EQ(out.size(), 1 + 3 * (ps - 4));
    out.erase(out.begin());
    EXPECT_EQ(pages_in(out), (std::vector<uint32>{2, 4, 3}));
}

TEST_F(OverflowChain, EndsAtLoopsPageZeroAndPagesPastTheFile) {
    build({{2, 3}, {3, 2}}, 4);
    byte_array out;
    ASSERT_TRUE(chain(out, 2, ps));
    EXPECT_EQ(pages_in(out), (std::vector<uint32>{2, 3}));  // 3 -> 2 is a loop

    build({{2, 2}}, 3);
    out.clear();
    ASSERT_TRUE(chain(out, 2, ps));
    EXPECT_EQ(pages_in(out), (std::vector<uint32>{2}));  // links to itself

    build({{2, 99}}, 3);
    out.clear();
    ASSERT_TRUE(chain(out, 2, ps));
    EXPECT_EQ(pages_in(out), (std::vector<uint32>{2}));  // next page past the file

    out.clear();
    EXPECT_FALSE(chain(out, 0, ps));
    EXPECT_FALSE(chain(out, 4, ps));
    EXPECT_FALSE(chain(out, 0xffffffffu, ps));
    EXPECT_TRUE(out.empty());
}

// A chain longer than the short list of pages it keeps still ends at its first loop.
TEST_F(OverflowChain, LongChainEndsAtItsLoop) {
    std::vector<std::pair<uint32, uint32>> links;
    for (uint32 page = 2; page < 60; ++page) {
        links.emplace_back(page, page + 1);
    }
    links.emplace_back(60, 40);  // back into the chain, past the short list
    build(links, 61);
    byte_array out;
    ASSERT_TRUE(chain(out, 2, ps));
    EXPECT_EQ(out.size(), std::size_t{59} * (ps - 4));
    EXPECT_EQ(pages_in(out).back(), 60u);
}

TEST_F(OverflowChain, NeverTakesALiveBtreePage) {
    build({{2, 3}}, 3);
    test_pages::page_builder leaf(ps, 13);
    leaf.add_cell(test_pages::table_leaf_cell(1, test_pages::record({1}, {7})));
    const byte_array page = leaf.finish();
    std::copy(page.begin(), page.end(), m_image.begin() + std::ptrdiff_t{2} * ps);
    ASSERT_TRUE(m_file.attach_memory(m_image, false, false));
    byte_array out;
    ASSERT_TRUE(chain(out, 2, ps));
    EXPECT_EQ(pages_in(out), (std::vector<uint32>{2}));
}

TEST_F(OverflowChain, NeedsAnOpenFileAndAPageSize) {
    uni::fileio closed;
    byte_array out;
    EXPECT_FALSE(read_overflow_chain(out, closed, 2, ps));
    build({{2, 0}}, 3);
    EXPECT_FALSE(chain(out, 2, 0));
}

}  // namespace
