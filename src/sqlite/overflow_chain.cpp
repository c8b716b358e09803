#include "sqlite/overflow_chain.h"

#include <algorithm>
#include <new>
#include <span>
#include <unordered_set>
#include <vector>

#include "io/uni_fileio.h"
#include "sqlite/btree_page.h"
#include "sqlite/read_window.h"
#include "sqlite/sqlite_format.h"

namespace ovf = sqlite_format::overflow_page;

namespace {

// The file offset of page `page` when the whole page lies inside the file.
bool whole_page_offset(uint64 file_size, uint32 page, uint32 page_size, uint64& offset) {
    const uint64 end = uint64{page} * page_size;  // 64 bits: no page number can wrap it
    if (page == 0 || end > file_size) {
        return false;
    }
    offset = end - page_size;
    return true;
}

// The pages a chain has taken: a short list searched in turn, which is all the chains of a
// real database need, turned into a hash set once a long (or looping) chain fills it.
class chain_pages {
public:
    // True the first time a page number is given.
    bool first_visit(uint32 page) {
        if (m_set.empty()) {
            if (std::find(m_list.begin(), m_list.end(), page) != m_list.end()) {
                return false;
            }
            if (m_list.size() < short_chain) {
                m_list.push_back(page);
                return true;
            }
            m_set.insert(m_list.begin(), m_list.end());
        }
        return m_set.insert(page).second;
    }

private:
    static constexpr std::size_t short_chain = 32;
    std::vector<uint32> m_list;
    std::unordered_set<uint32> m_set;
};

// The chain walk; read(offset, view) gives the whole page at offset or false.
template <typename page_reader>
bool follow_chain(byte_array& out, uint64 file_size, uint32 first_page, uint32 page_size,
                  page_reader read) {
    // A chain can visit each page of the file at most once.
    const uint64 max_pages = file_size / page_size;
    bool appended = false;
    try {
        chain_pages visited;
        uint32 page = first_page;
        for (uint64 step = 0; step < max_pages && visited.first_visit(page); ++step) {
            uint64 at = 0;
            kq::byte_reader bytes;
            if (!whole_page_offset(file_size, page, page_size, at) || !read(at, bytes) ||
                bytes.size() != page_size || is_btree_page(bytes, page_size)) {
                break;  // a live b-tree page is never taken for an overflow page
            }
            uint32 next = 0;
            (void)bytes.be32_at(ovf::next_page, next);  // a whole page holds its 4 bytes
            const std::span<const uint8> content(bytes.data(), bytes.size());
            out.insert(out.end(), content.begin() + ovf::content, content.end());
            appended = true;
            page = next;
        }
    } catch (const std::bad_alloc&) {
        return appended;  // what was appended stays valid
    }
    return appended;
}

}  // namespace

bool read_overflow_chain(byte_array& out, uni::fileio& file, uint32 first_page, uint32 page_size) {
    if (!file.is_open() || page_size == 0) {
        return false;
    }
    byte_array buffer;
    return follow_chain(out, file.size(), first_page, page_size,
                        [&](uint64 at, kq::byte_reader& bytes) {
                            if (!file.read_at(buffer, page_size, at)) {
                                return false;
                            }
                            bytes = kq::byte_reader(buffer);
                            return true;
                        });
}

bool read_overflow_chain(byte_array& out, read_window& pages, uint32 first_page, uint32 page_size) {
    if (page_size == 0 || pages.file_size() == 0) {
        return false;
    }
    return follow_chain(out, pages.file_size(), first_page, page_size,
                        [&](uint64 at, kq::byte_reader& bytes) {
                            return pages.view_following(at, page_size, bytes);
                        });
}
