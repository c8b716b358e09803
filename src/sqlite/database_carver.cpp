#include "sqlite/database_carver.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <iterator>
#include <limits>
#include <map>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "io/uni_fileio.h"
#include "sqlite/btree_page.h"
#include "sqlite/db_file.h"
#include "sqlite/journal_header.h"
#include "sqlite/page_rows.h"
#include "sqlite/page_slack.h"
#include "sqlite/read_window.h"
#include "sqlite/region_scan.h"
#include "sqlite/schema_reader.h"
#include "sqlite/sqlite_format.h"
#include "sqlite/table_definition.h"
#include "sqlite/table_walk.h"
#include "sqlite/wal_frames.h"
#include "sqlite/wal_header.h"
#include "sqlite/wal_image.h"
#include "text/byte_reader.h"
#include "text/percent_progress.h"
#include "text/text_case.h"

namespace fl = sqlite_format::freelist_trunk;

namespace {

// A database whose header cannot be read is carved in pages of this size.
constexpr uint32 default_page_size = 4096;

bool read_whole_page(uni::fileio& db, byte_array& page, uint64 offset) {
    auto got = static_cast<uint32>(page.size());
    return db.read_at(page.data(), &got, offset) && got == page.size();
}

// The leaves a trunk page lists, when the list fits the page (1.5: 4 x count + 8 bytes).
void add_trunk_leaves(std::set<uint64>& free_pages, const kq::byte_reader& trunk,
                      uint64 pages_in_file) {
    const uint64 page_size = trunk.size();
    uint32 count = 0;
    if (!trunk.be32_at(fl::leaf_count, count) ||
        uint64{count} * fl::leaf_size + fl::leaves > page_size) {
        return;
    }
    for (uint32 i = 0; i < count; ++i) {
        uint32 leaf = 0;
        (void)trunk.be32_at(fl::leaves + fl::leaf_size * i, leaf);  // the list fits the page
        // A leaf number of 0 or past the file names no page of it.
        if (leaf != 0 && leaf <= pages_in_file) {
            free_pages.insert((leaf - uint64{1}) * page_size);
        }
    }
}

// Follows the freelist trunks. Each trunk is taken once and must lie inside the file, so a
// chain that loops or points past the file ends after at most one step per page.
void collect_free_pages(std::set<uint64>& free_pages, uni::fileio& db, byte_array& page,
                        uint32 first_trunk, uint64 pages_in_file) {
    std::set<uint32> visited;
    for (uint32 trunk = first_trunk;
         trunk != 0 && trunk <= pages_in_file && visited.insert(trunk).second;) {
        const uint64 at = (trunk - uint64{1}) * page.size();
        free_pages.insert(at);
        if (!read_whole_page(db, page, at)) {
            break;
        }
        const kq::byte_reader view(page);
        add_trunk_leaves(free_pages, view, pages_in_file);
        trunk = 0;
        (void)view.be32_at(fl::next_trunk, trunk);  // inside the page
    }
}

// Where the database ends in its file. The header's page count marks it while the change
// counter it was written with is current: SQLite reads no page past it, and the platform
// grows its files in steps of 1 MiB, so stale pages of a larger past, or bytes that never
// were a page of this database, may lie beyond. Otherwise (an older writer, a count not set)
// the file's end is the only mark there is.
uint64 database_end(const sqlite_db_header& header, uint64 file_size) {
    const uint64 counted = uint64{header.page_count()} * header.page_size();
    return counted != 0 && counted < file_size ? counted : file_size;
}

// What the slack pass learns of the main file's pages besides their slack.
struct page_census {
    std::set<uint64> free_pages;    // offsets of the freelist's pages
    std::set<uint64> table_leaves;  // offsets of the other pages whose type is a table leaf
    // The type byte of every page read: the tree walk that follows needs no more of a
    // leaf, and reading every leaf again for it would read the whole file a second time.
    known_page_types types;
};

// Keeps the hits of a scan, and about how much memory they take.
class held_hits : public carved_hit_sink {
public:
    void take(carved_record& hit) override {
        m_bytes +=
            sizeof(carved_record) + hit.bytes.size() + hit.value_codes.size() * sizeof(uint32);
        for (const std::string& value : hit.values) {
            m_bytes += sizeof(std::string) + value.size();
        }
        m_hits.push_back(std::move(hit));
    }
    [[nodiscard]] uint64 bytes() const { return m_bytes; }
    std::vector<carved_record>& hits() { return m_hits; }

private:
    std::vector<carved_record> m_hits;
    uint64 m_bytes = 0;
};

// Region bytes copied out of the pass's pages, for the scan on the second thread.
struct slack_batch {
    struct piece {
        uint64 offset;      // the region's
        uint64 length;      // the region's
        std::size_t from;   // where its bytes start in `bytes`
        std::size_t bytes;  // how many the file holds of it
    };
    byte_array bytes;
    std::vector<piece> pieces;
};

// The slack scan taken along the slack pass, which holds every page as it goes, so that the
// scan need not read the file again. The pass copies the bytes of each region out to a
// thread that scans them while it reads on (or, with no thread to be had, scans them
// itself). The hits are held: the tree walk after the pass may still change the slack (a
// damaged page carved whole, or read with its lost type restored), and they stand in for
// the scan's only when it did not. Regions from `through` on (past a page the pass could not
// read, or once the held hits grow too large) are left to the scan.
class slack_prescan {
public:
    slack_prescan(const table_definition& def, record_finder_fn finder, uint32 page_size,
                  text_encoding encoding, uint32 min_columns, uint32 max_columns, bool structured,
                  void* context, const region_map& replaced)
        : m_scan(m_held, def, finder, record_source::main_db_slack, page_size, encoding,
                 min_columns, max_columns, structured, context),
          m_page_size(page_size),
          m_replaced(replaced) {
        if (!m_scan.active()) {
            m_through = 0;
        }
    }
    slack_prescan(const slack_prescan&) = delete;
    slack_prescan& operator=(const slack_prescan&) = delete;
    ~slack_prescan() { finish(); }

    // Starts the thread that scans the regions handed to it; without it they are scanned
    // as they come.
    void start() {
        if (m_through == 0 || std::thread::hardware_concurrency() < 2) {
            return;
        }
        try {
            m_thread = std::jthread([this] { run(); });
        } catch (const std::system_error&) {
            // No thread: the pass scans the regions itself.
        }
    }
    // Scans the regions in the page at `at` (its bytes, as far as the file goes).
    void take_page(const region_map& slack, uint64 at, const kq::byte_reader& page) {
        if (!holds(at)) {
            return;
        }
        if (!m_thread.joinable() && m_held.bytes() > held_hits_limit) {
            stop(at);
            return;
        }
        for (auto it = slack.lower_bound(at); it != slack.end() && it->first - at < m_page_size;
             ++it) {
            if (replaced(it->first)) {
                continue;
            }
            if (m_thread.joinable()) {
                hand_over(it->first, it->second, page, at);
            } else {
                m_scanned.emplace_back(it->first, it->second);
                m_scan.scan(it->first, it->second, page, at);
            }
        }
    }
    // A free page: scanned whole, as the pass adds it once it is done.
    void take_free_page(uint64 at, const kq::byte_reader& page) {
        region_map whole{{at, m_page_size}};
        take_page(whole, at, page);
    }
    void stop(uint64 at) { m_through = std::min(m_through, at); }
    // Whether the regions at `at` are still scanned here.
    [[nodiscard]] bool holds(uint64 at) const { return at < m_through && !m_full; }
    // Waits for the regions handed over to be scanned; the results below are read after it.
    void finish() {
        if (!m_thread.joinable()) {
            return;
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_batch.pieces.empty()) {
                m_queue.push_back(std::move(m_batch));
            }
            m_done = true;
        }
        m_changed.notify_all();
        m_thread.join();
        stop(m_scanned_through);
    }

    // Whether the slack before `through` is what was scanned, region for region.
    [[nodiscard]] bool stands(const region_map& slack) const {
        auto it = slack.begin();
        for (const auto& region : m_scanned) {
            if (it == slack.end() || it->first != region.first || it->second != region.second) {
                return false;
            }
            ++it;
        }
        return it == slack.end() || it->first >= m_through;
    }
    [[nodiscard]] uint64 through() const { return m_through; }
    [[nodiscard]] uint64 scanned_bytes() const {
        uint64 total = 0;
        for (const auto& [offset, length] : m_scanned) {
            total += length;
        }
        return total;
    }
    std::vector<carved_record>& hits() { return m_held.hits(); }

private:
    // The held hits of a large file's slack take a few bytes per byte of slack: beyond this
    // the rest is read again instead of held.
    static constexpr uint64 held_hits_limit = uint64{64} << 20;
    // Region bytes handed over at a time, and the most batches waiting: the copies in flight
    // stay within a few MiB.
    static constexpr std::size_t batch_bytes = std::size_t{1} << 20;
    static constexpr std::size_t most_waiting = 8;

    // Whether the region at `offset` lies in a page the companion replaces: such slack is
    // dropped, its page scanned whole instead.
    [[nodiscard]] bool replaced(uint64 offset) const {
        auto it = m_replaced.upper_bound(offset);
        return it != m_replaced.begin() && offset - std::prev(it)->first < m_page_size;
    }

    // Copies the bytes the page holds of the region at `offset` into the batch being filled,
    // and hands the batch over once it is large enough.
    void hand_over(uint64 offset, uint64 length, const kq::byte_reader& page, uint64 at) {
        const uint64 in_page = offset - at;
        const std::size_t held =
            in_page < page.size()
                ? static_cast<std::size_t>(std::min<uint64>(length, page.size() - in_page))
                : 0;
        kq::byte_reader bytes;
        (void)page.sub(static_cast<std::size_t>(std::min<uint64>(in_page, page.size())), held,
                       bytes);  // inside the page by the clip above
        m_batch.pieces.push_back({offset, length, m_batch.bytes.size(), bytes.size()});
        m_batch.bytes.insert(m_batch.bytes.end(), bytes.data(), bytes.data() + bytes.size());
        if (m_batch.bytes.size() < batch_bytes) {
            return;
        }
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.size() < most_waiting; });
        m_queue.push_back(std::move(m_batch));
        m_batch = slack_batch();
        lock.unlock();
        m_changed.notify_all();
    }

    // The scanning thread: takes the batches in the order they were handed over.
    void run() {
        for (;;) {
            slack_batch batch;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this] { return !m_queue.empty() || m_done; });
                if (m_queue.empty()) {
                    return;
                }
                batch = std::move(m_queue.front());
                m_queue.pop_front();
            }
            m_changed.notify_all();
            if (!m_full) {
                scan_batch(batch);
            }
        }
    }

    // Scans the batch's regions until the held hits grow too large (or no memory is left
    // for them): that region and all after it are then left to the scan.
    void scan_batch(const slack_batch& batch) {
        const kq::byte_reader bytes(batch.bytes);
        for (const slack_batch::piece& piece : batch.pieces) {
            if (m_held.bytes() > held_hits_limit) {
                m_scanned_through = piece.offset;
                m_full = true;
                return;
            }
            const std::size_t hits_before = m_held.hits().size();
            try {
                kq::byte_reader held;
                (void)bytes.sub(piece.from, piece.bytes, held);  // copied so above
                m_scan.scan(piece.offset, piece.length, held, piece.offset);
                m_scanned.emplace_back(piece.offset, piece.length);
            } catch (const std::bad_alloc&) {
                m_held.hits().resize(hits_before);  // the region's own hits go with it
                m_scanned_through = piece.offset;
                m_full = true;
                return;
            }
        }
    }

    held_hits m_held;
    held_region_scan m_scan;
    uint32 m_page_size;
    const region_map& m_replaced;
    std::vector<std::pair<uint64, uint64>> m_scanned;
    uint64 m_through = std::numeric_limits<uint64>::max();
    // Of the scanning thread: the first region it left, once it stopped.
    uint64 m_scanned_through = std::numeric_limits<uint64>::max();
    std::atomic<bool> m_full = false;
    slack_batch m_batch;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<slack_batch> m_queue;
    bool m_done = false;
    std::jthread m_thread;  // last: joined before the members it uses go
};

// Takes the slack and census of every page from page 2 up to `end` that is not free; a
// prescan, when given, scans each page's slack (and each free page) while it is held.
void census_pages(region_map& slack, page_census& census, read_window& pages, uint32 page_size,
                  uint64 end, slack_prescan* prescan) {
    for (uint64 at = page_size; at < end; at += page_size) {
        const bool free = census.free_pages.count(at) != 0;
        if (free && (prescan == nullptr || !prescan->holds(at))) {
            continue;
        }
        kq::byte_reader view;
        if (!pages.view(at, page_size, end, view)) {
            if (prescan != nullptr) {
                prescan->stop(at);
            }
            if (free) {
                continue;  // the scan reads it again; the pages after it still have slack
            }
            break;
        }
        if (free) {
            prescan->take_free_page(at, view);
            continue;
        }
        (void)find_cut_page_slack(slack, view, page_size, at, true);  // growth seen below
        uint8 type = 0;
        if (view.u8_at(sqlite_format::btree_page::type, type)) {
            census.types.set(at / page_size + 1, type);
            if (type == sqlite_format::btree_page::leaf_table) {
                census.table_leaves.insert(at);
            }
        }
        if (prescan != nullptr) {
            prescan->take_page(slack, at, view);
        }
    }
}

// Adds the slack of every page of the database from page 2 on that is not free, then each
// free page whole, and takes the census of the pages on the way. Pages past the database's
// end are none of its own: no b-tree holds them, whatever they look like. False when the
// header is no database's or no page buffer can be had.
bool find_slack_and_free_pages(region_map& slack, page_census& census, uni::fileio& db,
                               const sqlite_db_header& header, slack_prescan* prescan) {
    const uint32 page_size = header.page_size();
    if (!db.is_open() ||
        !is_sqlite_header(kq::byte_reader(header.bytes.data(), header.bytes.size())) ||
        page_size == 0) {
        return false;
    }
    byte_array page;
    try {
        page.resize(page_size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // A page cut by the end of the file counts: a free page's first part is still free.
    const uint64 end = database_end(header, db.size());
    std::set<uint64>& free_pages = census.free_pages;
    collect_free_pages(free_pages, db, page, header.freelist_trunk(),
                       pages_in_file(end, page_size));
    // A freelist naming page 1 puts a region before all the pages the pass holds.
    if (prescan != nullptr && free_pages.count(0) != 0) {
        prescan->stop(0);
    }
    // Page 1 starts with the file header and holds the schema: it is not carved here. The
    // last page of a file cut short is read as far as it goes: its freeblocks and gap still
    // hold rows up to the cut.
    read_window pages(db);
    census_pages(slack, census, pages, page_size, end, prescan);
    for (const uint64 at : free_pages) {
        (void)slack.emplace(at, page_size);  // a region already there under it stays
    }
    return true;
}

}  // namespace

bool find_db_slack(region_map& slack, uni::fileio& db, const sqlite_db_header& header) {
    page_census census;
    return find_slack_and_free_pages(slack, census, db, header, nullptr) && !slack.empty();
}

bool find_db_tail(region_map& tail, uni::fileio& db, const sqlite_db_header& header,
                  const region_map& overwritten) {
    tail.clear();
    const uint32 page_size = header.page_size();
    if (!db.is_open() || page_size == 0) {
        return false;
    }
    // One region per run of pages: a page the log replaces is scanned as such instead.
    const uint64 file_size = db.size();
    uint64 run = file_size;  // the start of the run being gathered; file_size while none
    for (uint64 at = database_end(header, file_size); at < file_size; at += page_size) {
        if (overwritten.count(at) != 0) {
            if (run < at) {
                (void)tail.emplace(run, at - run);
            }
            run = file_size;
            continue;
        }
        run = std::min(run, at);
    }
    if (run < file_size) {
        (void)tail.emplace(run, file_size - run);
    }
    return !tail.empty();
}

namespace {

// The companion of a database, with what its reader found.
struct companion {
    uni::fileio wal;
    bool wal_in_use = false;
    region_map overwritten;
    wal_frame_map winning;
    region_map superseded;
    region_map wal_slack;
    uint32 wal_page_size = 0;  // the log's own, from its header
    uni::fileio journal;
    bool journal_in_use = false;
    std::map<uint64, uint64> journal_pages;
    uint32 journal_page_size = 0;  // the journal's own, from its header
    // The main-file pages the companion replaces: those a current frame holds, or those
    // the journal restores when it is rolled back.
    region_map replaced;
    uint32 replaced_source = record_source::main_page_overwritten;
};

// The main-file pages a hot journal restores when it is rolled back (as far as the file
// holds them): what the file holds there now is the open transaction's.
void find_restored_pages(companion& c, uint32 page_size, uint64 file_size) {
    std::map<uint64, uint64> restored;
    uint32 journal_page_size = 0;
    if (!read_rollback_pages(restored, journal_page_size, c.journal)) {
        return;
    }
    for (const auto& [page_number, data_offset] : restored) {
        const uint64 at = (page_number - 1) * page_size;
        if (page_number <= pages_in_file(file_size, page_size)) {
            (void)c.replaced.emplace(at, std::min<uint64>(page_size, file_size - at));
        }
    }
    c.replaced_source = record_source::main_page_restored_from_journal;
}

// A log that opens is the companion even when it does not validate: the journal is then not
// looked for, as SQLite never keeps both. page_size is the database's: a journal whose
// header a commit zeroed is read at it.
void open_log_or_journal(companion& c, const std::string& db_path, uint32 page_size) {
    if (c.wal.open(db_path + "-wal", false, false, false)) {
        wal_header header;
        c.wal_in_use = read_wal_header(header, c.wal) &&
                       read_wal_frames(c.overwritten, c.winning, c.superseded, c.wal_slack, c.wal);
        c.wal_page_size = header.page_size();
        if (!c.wal_in_use) {
            (void)c.wal.close();  // opened for reading: nothing to lose
        }
        return;
    }
    if (c.journal.open(db_path + "-journal", false, false, false)) {
        c.journal_page_size = page_size;  // replaced by the header's, when it gives one
        c.journal_in_use = read_journal_pages(c.journal_pages, c.journal_page_size, c.journal);
        if (!c.journal_in_use) {
            (void)c.journal.close();
        }
    }
}

void open_companion(companion& c, const std::string& db_path, uint32 page_size, uint64 file_size) {
    open_log_or_journal(c, db_path, page_size);
    if (c.wal_in_use) {
        c.replaced = std::move(c.overwritten);
    } else if (c.journal_in_use) {
        find_restored_pages(c, page_size, file_size);
    }
}

// Slack inside a page the log replaces is scanned with that whole page instead.
void drop_overwritten_slack(region_map& slack, const region_map& overwritten, uint32 page_size) {
    for (const auto& [page_offset, length] : overwritten) {
        slack.erase(slack.lower_bound(page_offset), slack.lower_bound(page_offset + page_size));
    }
}

// The roots the main file's schema names (read from the file, or from its "-wal" image when
// page 1 does not parse); empty when no schema row reads.
std::vector<uint64> read_schema_roots(uni::fileio& db, uint32 page_size,
                                      const std::string& db_path) {
    std::vector<std::string> names;
    std::vector<std::string> sql_texts;
    std::vector<uint64> roots;
    bool use_wal_image = false;  // the image, when needed, is a local file
    (void)read_schema(names, sql_texts, roots, db, page_size, db_path, use_wal_image);
    return roots;  // a schema that does not read leaves every leaf unreached
}

// Adds the whole page at `at` (as far as the file goes) as a region of its own; its slack
// is dropped, as the whole page covers it.
void add_whole_page(region_map& pages, region_map& slack, uint64 at, uint32 page_size,
                    uint64 file_size) {
    (void)pages.emplace(at, std::min<uint64>(page_size, file_size - at));
    slack.erase(slack.lower_bound(at), slack.lower_bound(at + page_size));
}

// The parts of an unreached table leaf at `at` that its slack does not cover: its header,
// cell pointers and cells. The slack (freeblocks and the gap) stays with the slack scan,
// so a row deleted from the page is still told from one that was live in it.
void add_leaf_cells(region_map& pages, const region_map& slack, uint64 at, uint64 length) {
    uint64 from = at;
    const uint64 end = at + length;
    for (auto it = slack.lower_bound(at); it != slack.end() && it->first < end; ++it) {
        if (it->first > from) {
            (void)pages.emplace(from, it->first - from);
        }
        from = std::max(from, std::min(end, it->first + it->second));
    }
    if (from < end) {
        (void)pages.emplace(from, end - from);
    }
}

// Every table leaf page present after page 1 (the last one as far as the file goes) that no
// walk from a root the schema names reaches, and is neither free nor replaced by the log:
// the rows of a table whose root or interior page is damaged, or of a database whose schema
// is lost or cut (a partial copy whose schema pages are past its end), are reached this way
// or not at all.
void add_orphan_leaves(region_map& pages, const region_map& slack, uni::fileio& db,
                       uint32 page_size, const tree_pages& trees, const page_census& census,
                       const std::set<uint64>& overwritten) {
    for (const uint64 at : census.table_leaves) {
        if (trees.leaves.count(at / page_size + 1) == 0 && overwritten.count(at) == 0) {
            add_leaf_cells(pages, slack, at, std::min<uint64>(page_size, db.size() - at));
        }
    }
}

// Whether a page read with the interior table type is one: its cells and its right child
// name pages of the file. A leaf read so takes its first cell pointers for the right child,
// a number far past any file of its size.
bool reads_as_interior(const byte_array& page, uint64 at, uint32 page_size, uint64 pages_held) {
    page_descriptor d;
    if (!walk_pages(d, page.data(), static_cast<uint32>(page.size()), at, at, page_size, nullptr,
                    false, false, text_encoding::utf8)) {  // the child pages alone are wanted
        return false;
    }
    return std::all_of(d.children.begin(), d.children.end(), [&](const auto& child) {
        return child.second.child_page != 0 && child.second.child_page <= pages_held;
    });
}

// Whether a page read with the table leaf type is one: every cell pointer its header counts
// lands past the pointer array and gives a cell.
bool reads_as_leaf(const byte_array& page, uint32 page_size) {
    namespace bt = sqlite_format::btree_page;
    const kq::byte_reader view(page);
    uint16 count = 0;
    cell_map cells;
    if (!view.be16_at(bt::cell_count, count) ||
        read_cell_pointers(cells, view, page_size, 0, false) != page_fault::none ||
        cells.size() != count) {
        return false;
    }
    const std::size_t pointers_end = bt::leaf_header_size + bt::cell_pointer_size * count;
    return cells.begin()->first >= pointers_end;
}

// The table page type a page whose type byte alone was lost most likely had, judged by the
// header, pointers and cells it still holds; 0 when it reads as neither kind (a page zeroed
// or overwritten whole). page comes back with that type in place.
uint8 restore_table_type(byte_array& page, uint64 at, uint32 page_size, uint64 pages_held) {
    namespace bt = sqlite_format::btree_page;
    for (const uint8 type : {bt::interior_table, bt::leaf_table}) {
        page[bt::type] = type;
        const bool fits = type == bt::interior_table
                              ? reads_as_interior(page, at, page_size, pages_held)
                              : reads_as_leaf(page, page_size);
        if (fits) {
            return type;
        }
    }
    return 0;
}

// A page a root or interior link names that is no b-tree page any more. Read with the type it
// most likely had, its slack goes to the slack scan and, on a leaf, its cells are carved as
// rows, so a deleted row in it is still told from a live one; a page that reads as neither is
// carved whole. No walk reads past such a page: the leaves below it are carved as unreached.
void add_damaged_page(region_map& pages, region_map& slack, uni::fileio& db, uint64 at,
                      uint32 page_size) {
    byte_array page;
    if (!read_page_prefix(db, at, page_size, page)) {
        return;
    }
    const uint8 type = restore_table_type(page, at, page_size, pages_in_file(db.size(), page_size));
    if (type == 0) {
        add_whole_page(pages, slack, at, page_size, db.size());
        return;
    }
    (void)find_cut_page_slack(slack, kq::byte_reader(page), page_size, at, true);  // may be none
    if (type == sqlite_format::btree_page::leaf_table) {
        add_leaf_cells(pages, slack, at, page.size());
    }
}

// The parts of the main file whose rows no walk reads, for the carve: the cells of the table
// leaves no walk reaches, and the pages a root or interior link names that are no b-tree
// page any more. Page 1 holds the file header and the schema: it is never among them. The
// walks go through `view`, the pages whose rows were read: the main file as it stands, or
// the image with the log applied, through which a leaf of the main file is reached by the
// log's version of its root (db_path then empty: the image is the log's view already).
void find_unreached_pages(region_map& pages, region_map& slack, tree_pages& trees, uni::fileio& db,
                          uni::fileio& view, uint32 page_size, const std::string& db_path,
                          const page_census& census, const std::set<uint64>& overwritten) {
    // The census was taken of the main file; view is that file or the log laid over it,
    // whose pages the walk reads again (the census answers only for pages no patch covers).
    map_tree_pages(trees, view, 1, page_size, &census.types);
    for (const uint64 root : read_schema_roots(view, page_size, db_path)) {
        map_tree_pages(trees, view, root, page_size, &census.types);
    }
    for (const uint64 number : trees.damaged) {
        const uint64 at = (number - 1) * page_size;
        if (number != 1 && census.free_pages.count(at) == 0 && overwritten.count(at) == 0) {
            add_damaged_page(pages, slack, db, at, page_size);
        }
    }
    add_orphan_leaves(pages, slack, db, page_size, trees, census, overwritten);
}

// Adds the file offset of every cell the table leaf at `at` of `file` names (page_offset:
// where the page's bytes start in the file; a WAL frame's page starts after its header).
void add_leaf_cell_offsets(std::set<uint64>& cells, uni::fileio& file, uint64 page_offset,
                           uint32 page_size) {
    byte_array page;
    cell_map pointers;
    uint8 type = 0;
    if (!read_page_prefix(file, page_offset, page_size, page)) {
        return;
    }
    const kq::byte_reader view(page);
    const std::size_t header = btree_header_offset(view);
    if (!view.u8_at(header + sqlite_format::btree_page::type, type) ||
        type != sqlite_format::btree_page::leaf_table) {
        return;
    }
    // A damaged pointer array gives the cells it still names.
    (void)read_cell_pointers(pointers, view, page_size, 0, false);
    for (const auto& [offset, cell] : pointers) {
        cells.insert(page_offset + offset);
    }
}

// The CREATE TABLE text of the table named (lower-cased) in the main file's schema.
bool load_table_definition(table_definition& def, uni::fileio& db, uint32 page_size,
                           const std::string& db_path, const std::string& table_name) {
    std::vector<std::string> names;
    std::vector<std::string> sql_texts;
    std::vector<uint64> roots;
    bool use_wal_image = false;  // the main file itself is carved: it is never replaced
    if (!read_schema(names, sql_texts, roots, db, page_size, db_path, use_wal_image)) {
        return false;
    }
    for (std::size_t i = 0; i < names.size() && i < sql_texts.size(); ++i) {
        std::string name = names[i];
        if (string_to_lower(name) == table_name) {
            (void)def.load_create_sql(sql_texts[i], true);  // no columns: the caller's bounds
            break;
        }
    }
    return true;
}

// One region set of one file. The sets are queued first, so the size of the whole carve is
// known before its first chunk and the progress figure never goes back.
struct scan_job {
    region_map regions;
    uni::fileio* file;
    uint32 source;
    bool wal_frames;
    uint32 chunk_size;
    // The hits of the regions before `regions`, scanned while an earlier pass held their
    // bytes, and the bytes those regions cover: given first, in the scan's order.
    std::vector<carved_record> held = {};
    uint64 held_work = 0;
};

struct carve_run {
    carved_hit_sink& sink;
    const table_definition& def;
    record_finder_fn finder;
    uint32 page_size;
    text_encoding encoding;  // the main file's: its companions hold pages of the same database
    uint32 min_columns;
    uint32 max_columns;
    bool structured;
    void* context;
    std::vector<scan_job>& jobs;

    // Regions of the main file, in its pages.
    void scan(region_map regions, uni::fileio& file, uint32 source, bool wal_frames) const {
        scan_at(std::move(regions), file, source, wal_frames, page_size);
    }
    void scan_at(region_map regions, uni::fileio& file, uint32 source, bool wal_frames,
                 uint32 chunk_size) const {
        jobs.push_back({std::move(regions), &file, source, wal_frames, chunk_size});
    }
    // The main file's slack: the hits the slack pass held, when the slack still stands as
    // that pass scanned it, then the regions it left.
    void scan_slack(region_map slack, uni::fileio& file, slack_prescan& prescan) const {
        scan_job job{{}, &file, record_source::main_db_slack, false, page_size};
        if (prescan.stands(slack)) {
            job.held = std::move(prescan.hits());
            job.held_work = prescan.scanned_bytes();
            slack.erase(slack.begin(), slack.lower_bound(prescan.through()));
        }
        job.regions = std::move(slack);
        jobs.push_back(std::move(job));
    }

    void run_jobs(bool progress) const {
        percent_progress meter(progress);
        // A meter that draws nothing needs no total: the region lists, hundreds of
        // thousands long on a large file, are then not walked for it.
        for (std::size_t i = 0; progress && i < jobs.size(); ++i) {
            meter.add_work(region_bytes(jobs[i].regions) + jobs[i].held_work);
        }
        for (scan_job& job : jobs) {
            for (carved_record& hit : job.held) {
                sink.take(hit);
            }
            std::vector<carved_record>().swap(job.held);  // given: their memory goes back
            meter.advance(job.held_work);
            // A region set with nothing to scan adds nothing; the result is the hits themselves.
            (void)scan_regions(sink, job.regions, *job.file, def, finder, job.source,
                               job.chunk_size, encoding, min_columns, max_columns, job.wal_frames,
                               structured, &meter, context, false);
        }
        meter.finish();
    }
};

// Queues the companion's own regions, in pages of the size its header gives: chunks of
// another size would straddle its frame headers or records.
void scan_companion(std::vector<scan_job>& jobs, companion& c, bool include_wal_valid_pages) {
    if (c.wal_in_use) {
        jobs.push_back({std::move(c.superseded), &c.wal, record_source::wal_page_superseded, false,
                        c.wal_page_size});
    }
    if (c.winning.empty() && c.journal_pages.empty()) {
        return;
    }
    if (c.wal_in_use && include_wal_valid_pages) {
        region_map frames;
        for (const auto& [page_number, frame_offset] : c.winning) {
            frames.emplace(frame_offset, c.wal_page_size);
        }
        jobs.push_back(
            {std::move(frames), &c.wal, record_source::wal_valid_page, true, c.wal_page_size});
    }
    if (c.journal_in_use) {
        region_map pages;
        for (const auto& [page_number, data_offset] : c.journal_pages) {
            pages.emplace(data_offset, c.journal_page_size);
        }
        jobs.push_back({std::move(pages), &c.journal, record_source::carve_journal, false,
                        c.journal_page_size});
    }
    if (c.wal_in_use) {
        jobs.push_back({std::move(c.wal_slack), &c.wal, record_source::wal_slack_in_valid_page,
                        false, c.wal_page_size});
    }
}

// The jobs that need nothing of the main file's pass (the pages the companion replaces and
// the companion's own regions) are scanned on a thread of their own while that pass runs,
// their hits held until the carve gives every job's hits in its order. The regions are taken
// a few MiB at a time; once the held hits grow past a bound, the rest is left to the scan
// in order. A carve of a named table waits for its columns and scans in order only. The
// same thread then lays the log's live view over the main file, which the tree walk after
// the pass reads through.
class job_prescan {
public:
    job_prescan(const table_definition& def, record_finder_fn finder, text_encoding encoding,
                uint32 min_columns, uint32 max_columns, bool structured, void* context)
        : m_def(def),
          m_finder(finder),
          m_encoding(encoding),
          m_min_columns(min_columns),
          m_max_columns(max_columns),
          m_structured(structured),
          m_context(context) {}

    // Asks for the live view of the database at db_path with the log's winning frames laid
    // over it; it is there (or failed) once finish returns.
    void want_live_view(const std::string& db_path, const wal_frame_map& winning) {
        m_db_path = db_path;
        m_winning = &winning;
    }
    // Starts the scan of jobs (with scan_jobs) and the live view, which nothing else touches
    // until finish. On one core, or without a thread to be had, the jobs stay as they are,
    // to be scanned in order, and finish lays the view.
    void start(std::vector<scan_job>& jobs, bool scan_jobs) {
        if (std::thread::hardware_concurrency() < 2) {
            return;
        }
        try {
            m_thread = std::jthread([this, &jobs, scan_jobs] {
                if (scan_jobs) {
                    run(jobs);
                }
                lay_live_view();
            });
        } catch (const std::system_error&) {
            // No thread: nothing is scanned ahead.
        }
    }
    void finish() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
        lay_live_view();  // when no thread did
    }
    // The live view, when one was asked for and could be laid.
    [[nodiscard]] uni::fileio* live_view() { return m_live_open ? &m_live : nullptr; }

private:
    // Regions taken at a time: the bound is checked between them.
    static constexpr uint64 batch_bytes = uint64{4} << 20;
    static constexpr uint64 held_hits_limit = uint64{64} << 20;

    void lay_live_view() {
        if (m_winning != nullptr && !m_live_laid) {
            m_live_laid = true;
            m_live_open = open_live_image(m_live, m_db_path, m_winning);
        }
    }

    void run(std::vector<scan_job>& jobs) {
        uint64 held = 0;
        try {
            for (scan_job& job : jobs) {
                held += scan_ahead(job, held);
            }
        } catch (const std::bad_alloc&) {
            // The batches held so far stand; the rest is scanned in order.
        }
    }

    // Scans the job's first regions into its held hits and drops them from its regions; the
    // bytes the held hits take.
    uint64 scan_ahead(scan_job& job, uint64 held_before) {
        uint64 held = 0;
        while (!job.regions.empty() && held_before + held <= held_hits_limit) {
            region_map batch;
            uint64 bytes = 0;
            for (auto it = job.regions.begin(); it != job.regions.end() && bytes < batch_bytes;
                 ++it) {
                batch.emplace_hint(batch.end(), *it);
                bytes += std::min(it->second, batch_bytes);
            }
            held_hits hits;
            (void)scan_regions(hits, batch, *job.file, m_def, m_finder, job.source, job.chunk_size,
                               m_encoding, m_min_columns, m_max_columns, job.wal_frames,
                               m_structured, nullptr, m_context, false);
            job.held.insert(job.held.end(), std::make_move_iterator(hits.hits().begin()),
                            std::make_move_iterator(hits.hits().end()));
            job.held_work += region_bytes(batch);
            held += hits.bytes();
            job.regions.erase(job.regions.begin(), job.regions.upper_bound(batch.rbegin()->first));
        }
        return held;
    }

    const table_definition& m_def;
    record_finder_fn m_finder;
    text_encoding m_encoding;
    uint32 m_min_columns;
    uint32 m_max_columns;
    bool m_structured;
    void* m_context;
    std::string m_db_path;
    const wal_frame_map* m_winning = nullptr;
    uni::fileio m_live;
    bool m_live_laid = false;
    bool m_live_open = false;
    std::jthread m_thread;  // last: joined before the members it uses go
};

}  // namespace

namespace {

// What the main file gives the carve besides the pages its companion replaces.
struct main_regions {
    region_map slack;
    region_map unreached;
    region_map tail;
    // The cells of replaced pages that the walk of the file as it stands reads (-carve):
    // reported by it, under the replaced pages' label, and not carved again.
    std::set<uint64> walked_cells;
};

void find_main_regions(main_regions& m, uni::fileio& db, const sqlite_db_header& header,
                       const std::string& db_path, const companion& c, bool include_wal_valid_pages,
                       slack_prescan& prescan, job_prescan& early) {
    const uint32 page_size = header.page_size();
    page_census census;
    (void)find_slack_and_free_pages(m.slack, census, db, header, &prescan);  // no slack: no error
    prescan.finish();
    early.finish();
    drop_overwritten_slack(m.slack, c.replaced, page_size);
    std::set<uint64> replaced;  // scanned as the pages the companion replaces
    for (const auto& [at, length] : c.replaced) {
        replaced.insert(at);
    }
    // Without the log's current pages in this carve, its rows were read live, through
    // the log: a leaf the live view reaches is no orphan. With them, the log's pages are
    // carved on their own and the main file's walk is as it stands.
    // The live view is laid from the winning frames the companion's walk of the log found.
    uni::fileio* live = early.live_view();
    tree_pages trees;
    find_unreached_pages(m.unreached, m.slack, trees, db, live != nullptr ? *live : db, page_size,
                         live != nullptr ? std::string() : db_path, census, replaced);
    (void)find_db_tail(m.tail, db, header, c.replaced);  // most files have none
    for (const uint64 at : replaced) {
        if (include_wal_valid_pages && trees.leaves.count(at / page_size + 1) != 0) {
            add_leaf_cell_offsets(m.walked_cells, db, at, page_size);
        }
    }
}

// Passes hits on to the caller's sink, counting them: a record of a replaced page that the
// walk of the file as it stands already reported is dropped, and a whole cell of a current
// WAL frame (the live page) is marked so, as its row is live.
class carve_sink : public carved_hit_sink {
public:
    carve_sink(carved_hit_sink& sink, uint32 replaced_source, const std::set<uint64>& walked_cells,
               std::set<uint64> live_cells)
        : m_sink(sink),
          m_replaced_source(replaced_source),
          m_walked_cells(walked_cells),
          m_live_cells(std::move(live_cells)) {}
    void take(carved_record& hit) override {
        const uint32 source = record_source::of_word(hit.source_word);
        if (source == m_replaced_source && m_walked_cells.count(hit.file_offset) != 0) {
            return;
        }
        if (source == record_source::wal_valid_page && hit.truncated == 0 &&
            m_live_cells.count(hit.file_offset) != 0) {
            hit.source_word |= record_source::live_cell_flag;
        }
        ++taken;
        m_sink.take(hit);
    }
    std::size_t taken = 0;

private:
    carved_hit_sink& m_sink;
    uint32 m_replaced_source;
    const std::set<uint64>& m_walked_cells;
    std::set<uint64> m_live_cells;
};

// The cells of the current WAL frames' leaf pages, by their offset in the log.
std::set<uint64> live_frame_cells(companion& c) {
    namespace wf = sqlite_format::wal_frame;
    std::set<uint64> cells;
    for (const auto& [page_number, frame_offset] : c.winning) {
        add_leaf_cell_offsets(cells, c.wal, frame_offset + wf::header_size, c.wal_page_size);
    }
    return cells;
}

}  // namespace

bool carve_database(std::vector<carved_record>& hits, const std::string& db_path,
                    std::string& table_name, record_finder_fn finder, bool append,
                    bool use_companions, uint32 min_columns, uint32 max_columns,
                    bool include_wal_valid_pages, bool structured, bool progress, void* context) {
    if (!append) {
        hits.clear();
    }
    carved_hit_vector_sink sink(hits);
    // Refused (no path, no bounds) whatever the hits appended to hold; else the hits tell.
    const bool carved =
        carve_database(sink, db_path, table_name, finder, use_companions, min_columns, max_columns,
                       include_wal_valid_pages, structured, progress, context);
    const bool refused =
        db_path.empty() || (table_name.empty() && min_columns == 0 && max_columns == 0);
    return carved || (!refused && !hits.empty());
}

bool carve_database(carved_hit_sink& sink, const std::string& db_path, std::string& table_name,
                    record_finder_fn finder, bool use_companions, uint32 min_columns,
                    uint32 max_columns, bool include_wal_valid_pages, bool structured,
                    bool progress, void* context) {
    (void)string_to_lower(table_name);
    if (db_path.empty() || (table_name.empty() && min_columns == 0 && max_columns == 0)) {
        return false;
    }
    uni::fileio db;
    sqlite_db_header header;
    const bool db_open = open_db_file(db, header, db_path);
    const uint32 page_size = db_open ? header.page_size() : default_page_size;
    companion c;
    if (use_companions) {
        open_companion(c, db_path, page_size, db_open ? db.size() : 0);
    }
    table_definition def;
    const text_encoding encoding = db_open ? header.encoding() : text_encoding::utf8;
    // A named table's columns are read from the schema only when there is slack to scan:
    // its regions are scanned after the pass, as the bounds are not known during it.
    const bool ahead = table_name.empty();
    slack_prescan prescan(def, finder, page_size, encoding, min_columns, max_columns, structured,
                          context, c.replaced);
    // The pages the companion replaces, then the companion's own regions.
    std::vector<scan_job> companion_jobs;
    companion_jobs.push_back({c.replaced, &db, c.replaced_source, false, page_size});
    scan_companion(companion_jobs, c, include_wal_valid_pages);
    job_prescan early(def, finder, encoding, min_columns, max_columns, structured, context);
    // Without the log's current pages in this carve, the trees are walked through its view.
    if (db_open && c.wal_in_use && !include_wal_valid_pages) {
        early.want_live_view(db_path, c.winning);
    }
    early.start(companion_jobs, ahead);
    if (!ahead) {
        prescan.stop(0);
    }
    prescan.start();
    main_regions m;
    if (db_open) {
        find_main_regions(m, db, header, db_path, c, include_wal_valid_pages, prescan, early);
    }
    early.finish();
    std::vector<scan_job> jobs;
    carve_sink counted(
        sink, c.replaced_source, m.walked_cells,
        c.wal_in_use && include_wal_valid_pages ? live_frame_cells(c) : std::set<uint64>());
    const carve_run run{counted,     def,         finder,     page_size, encoding,
                        min_columns, max_columns, structured, context,   jobs};
    if ((!m.slack.empty() || !c.replaced.empty()) &&
        (table_name.empty() || load_table_definition(def, db, page_size, db_path, table_name))) {
        run.scan_slack(std::move(m.slack), db, prescan);
        jobs.push_back(std::move(companion_jobs.front()));
    }
    run.scan(std::move(m.unreached), db, record_source::carve_main, false);
    run.scan(std::move(m.tail), db, record_source::main_db_past_end, false);
    jobs.insert(jobs.end(), std::make_move_iterator(companion_jobs.begin() + 1),
                std::make_move_iterator(companion_jobs.end()));
    run.run_jobs(progress);
    return counted.taken != 0;
}

bool find_replaced_pages(std::set<uint64>& pages, uint32& source, const std::string& db_path,
                         uint32 page_size, uint64 file_size) {
    pages.clear();
    companion c;
    open_companion(c, db_path, page_size, file_size);
    for (const auto& [at, length] : c.replaced) {
        pages.insert(at);
    }
    source = c.replaced_source;
    return !pages.empty();
}
