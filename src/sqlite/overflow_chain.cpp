#include "sqlite/overflow_chain.h"

#include <algorithm>
#include <new>
#include <unordered_set>
#include <vector>

#include "io/uni_fileio.h"
#include "sqlite/btree_page.h"
#include "sqlite/sqlite_format.h"

namespace ovf = sqlite_format::overflow_page;

namespace {

// Reads page `page` whole into buffer; false when any of it lies outside the file.
bool read_whole_page(uni::fileio& file, uint64 file_size, uint32 page, uint32 page_size,
                     byte_array& buffer) {
    const uint64 end = uint64{page} * page_size;  // 64 bits: no page number can wrap it
    if (page == 0 || end > file_size) {
        return false;
    }
    return file.read_at(buffer, page_size, end - page_size) && buffer.size() == page_size;
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

}  // namespace

bool read_overflow_chain(byte_array& out, uni::fileio& file, uint32 first_page, uint32 page_size) {
    if (!file.is_open() || page_size == 0) {
        return false;
    }
    const uint64 file_size = file.size();
    // A chain can visit each page of the file at most once.
    const uint64 max_pages = file_size / page_size;
    bool appended = false;
    try {
        byte_array buffer;
        buffer.reserve(page_size);
        chain_pages visited;
        uint32 page = first_page;
        for (uint64 step = 0; step < max_pages && visited.first_visit(page); ++step) {
            if (!read_whole_page(file, file_size, page, page_size, buffer) ||
                is_btree_page(kq::byte_reader(buffer), page_size)) {
                break;  // a live b-tree page is never taken for an overflow page
            }
            const kq::byte_reader bytes(buffer);
            uint32 next = 0;
            (void)bytes.be32_at(ovf::next_page, next);  // a whole page holds its 4 bytes
            out.insert(out.end(), buffer.begin() + static_cast<std::ptrdiff_t>(ovf::content),
                       buffer.end());
            appended = true;
            page = next;
        }
    } catch (const std::bad_alloc&) {
        return appended;  // what was appended stays valid
    }
    return appended;
}
