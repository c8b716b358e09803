#include "sqlite/wal_frames.h"

#include <array>
#include <new>
#include <vector>

#include "io/uni_fileio.h"
#include "sqlite/page_slack.h"
#include "sqlite/read_window.h"
#include "sqlite/sqlite_format.h"
#include "sqlite/wal_checksum.h"
#include "sqlite/wal_header.h"

namespace wf = sqlite_format::wal_file;
namespace wr = sqlite_format::wal_frame;

namespace {

// The state of one pass over the frames. Offsets are 64-bit throughout: a log may pass
// 4 GiB, and (page number - 1) * page size does for page numbers near 2^32.
struct frame_walk {
    wal_frame_map& winning;
    region_map& superseded;
    uint32 page_size = 0;
    std::map<uint32, uint64> pending;  // current generation, not yet committed
    std::vector<uint64> set_aside;     // frames of another generation
    uint64 break_frame = 0;            // from 1: where the chain first broke; 0 while whole
    uint64 frames_past_break = 0;      // of this generation, from the break on
    uint64 last_commit = 0;            // from 1: the last commit frame the chain reaches
    uint64 frames_walked = 0;

    void note_break(uint64 frame_number) {
        if (break_frame == 0) {
            break_frame = frame_number;
        }
    }

    void supersede(uint64 frame_offset) {
        (void)superseded.emplace(frame_offset + wr::header_size, page_size);
    }

    // Every page of the transaction takes its own latest frame; the frame it replaces, if
    // an earlier transaction had one, is superseded.
    void commit() {
        for (const auto& [page, frame] : pending) {
            const auto [it, added] = winning.emplace(page, frame);
            if (!added) {
                supersede(it->second);
                it->second = frame;
            }
        }
        pending.clear();
    }

    void add_current(uint32 page, uint64 frame, bool is_commit) {
        const auto [it, added] = pending.emplace(page, frame);
        if (!added) {
            supersede(it->second);  // rewritten within the same transaction
            it->second = frame;
        }
        if (is_commit) {
            commit();
        }
    }

    // A commit of another generation means the pending transaction and every frame set
    // aside so far were never the log's current content.
    void add_foreign(uint64 frame, bool is_commit) {
        set_aside.push_back(frame);
        if (is_commit) {
            abandon();
        }
    }

    void abandon() {
        for (const auto& [page, pending_frame] : pending) {
            supersede(pending_frame);
        }
        for (const uint64 aside : set_aside) {
            supersede(aside);
        }
        pending.clear();
        set_aside.clear();
    }
};

// The frames are read in order, so every read may run on to the end of the log.
uint64 wal_end(const read_window& wal) { return wal.file_size(); }

bool read_frame_header(read_window& wal, uint64 offset, wal_frame_header& out) {
    kq::byte_reader bytes;
    return wal.view(offset, wr::header_size, wal_end(wal), bytes) &&
           bytes.size() == wr::header_size && out.read(bytes);
}

// The checksum chain as SQLite checks it: it starts over the header, which must carry its
// own checksum, and goes on through each frame that it reaches intact. Once a frame breaks
// it (or a frame of another generation interrupts it), no later frame can be current.
class frame_chain {
public:
    explicit frame_chain(const wal_header& header) : m_sum(header.big_endian_checksum()) {
        const auto& bytes = header.bytes();
        m_intact = m_sum.add(kq::byte_reader(bytes.data(), wf::checksummed_header)) &&
                   m_sum.matches(header.checksum_1(), header.checksum_2());
    }

    // Carries the chain over a frame of the current generation; false once it is broken.
    bool extend(read_window& wal, uint64 at, const wal_frame_header& frame, uint32 page_size) {
        if (!m_intact) {
            return false;
        }
        wal_checksum next = m_sum;
        const auto& head = frame.bytes();
        kq::byte_reader page;
        m_intact = wal.view(at + wr::header_size, page_size, wal_end(wal), page) &&
                   page.size() == page_size &&
                   next.add(kq::byte_reader(head.data(), wr::checksummed_header)) &&
                   next.add(page) && next.matches(frame.checksum_1(), frame.checksum_2());
        if (m_intact) {
            m_sum = next;
        }
        return m_intact;
    }
    void interrupt() { m_intact = false; }

private:
    wal_checksum m_sum;
    bool m_intact = false;
};

void walk_frames(frame_walk& w, uni::fileio& wal, const wal_header& header) {
    const uint64 file_size = wal.size();
    const uint64 frame_size = wr::header_size + uint64{w.page_size};
    wal_frame_header frame;
    frame_chain chain(header);
    read_window frames(wal);
    // A frame cut short by the end of the log was never completely written: SQLite itself
    // ignores it, and its page could not be read.
    for (uint64 at = wf::header_size; at < file_size && file_size - at >= frame_size;
         at += frame_size) {
        if (!read_frame_header(frames, at, frame) || frame.page_number() == 0) {
            break;
        }
        const uint64 number = (at - wf::header_size) / frame_size + 1;
        if (!frame.salts_match(header)) {
            chain.interrupt();
            w.note_break(number);
            w.add_foreign(at, frame.is_commit());
        } else if (chain.extend(frames, at, frame, w.page_size)) {
            w.add_current(frame.page_number(), at, frame.is_commit());
            w.last_commit = frame.is_commit() ? number : w.last_commit;
        } else {
            // Past the break the frame is no content of the log, yet its page is evidence.
            w.note_break(number);
            ++w.frames_past_break;
            w.supersede(at);
        }
        w.frames_walked = number;
    }
    w.abandon();  // left without a commit of their own
}

void add_winning_regions(region_map& overwritten, region_map& wal_slack,
                         const wal_frame_map& winning, uni::fileio& wal, uint32 page_size) {
    byte_array page;
    for (const auto& [number, frame] : winning) {
        (void)overwritten.emplace((number - 1) * page_size, page_size);
        const uint64 data = frame + wr::header_size;
        if (wal.read_at(page, page_size, data) && page.size() == page_size) {
            // Page 1 begins with the database header and yields no slack.
            (void)find_page_slack(wal_slack, kq::byte_reader(page), data, true);
        }
    }
}

}  // namespace

bool read_wal_header(wal_header& header, uni::fileio& wal) {
    std::array<uint8, wf::header_size> bytes{};
    uint32 got = wf::header_size;
    header.clear();
    return wal.is_open() && wal.read_at(bytes.data(), &got, 0) &&
           header.read(kq::byte_reader(bytes.data(), got)) && header.is_valid();
}

bool read_wal_frames(region_map& overwritten, wal_frame_map& winning, region_map& superseded,
                     region_map& wal_slack, uni::fileio& wal) {
    overwritten.clear();
    winning.clear();
    superseded.clear();
    wal_slack.clear();
    wal_header header;
    if (!read_wal_header(header, wal)) {
        return false;
    }
    try {
        frame_walk w{winning, superseded, header.page_size(), {}, {}};
        walk_frames(w, wal, header);
        add_winning_regions(overwritten, wal_slack, winning, wal, header.page_size());
    } catch (const std::bad_alloc&) {
        // The maps keep what was gathered.
    }
    return !winning.empty() || !superseded.empty();
}

namespace {

// Where the walk found the chain broken: every frame after the last commit it applies is
// left out, whatever its salts (an uncommitted transaction's frames, those past the break,
// and any after them).
void note_chain_break(wal_chain_break& out, const frame_walk& w) {
    if (w.frames_past_break != 0) {
        out.first_frame = w.break_frame;
        out.frames = w.frames_walked - w.last_commit;
    }
}

}  // namespace

bool read_wal_winning(wal_frame_map& winning, uni::fileio& wal, wal_chain_break* broken) {
    winning.clear();
    if (broken != nullptr) {
        *broken = wal_chain_break{};
    }
    wal_header header;
    if (!read_wal_header(header, wal)) {
        return false;
    }
    region_map superseded;  // walked past, not wanted
    try {
        frame_walk w{winning, superseded, header.page_size(), {}, {}};
        walk_frames(w, wal, header);
        if (broken != nullptr) {
            note_chain_break(*broken, w);
        }
    } catch (const std::bad_alloc&) {
        // The map keeps what was gathered, as read_wal_frames keeps it; no count of frames
        // left out: the log could not be walked to its end.
    }
    return !winning.empty();
}

bool find_wal_chain_break(wal_chain_break& out, uni::fileio& wal) {
    wal_frame_map winning;
    (void)read_wal_winning(winning, wal, &out);
    return out.frames != 0;
}

bool read_wal_frames_by_path(region_map& overwritten, wal_frame_map& winning,
                             region_map& superseded, region_map& wal_slack,
                             const std::string& path) {
    uni::fileio wal;
    if (!wal.open(path, false, true, false)) {
        overwritten.clear();
        winning.clear();
        superseded.clear();
        wal_slack.clear();
        return false;
    }
    return read_wal_frames(overwritten, winning, superseded, wal_slack, wal);
}
