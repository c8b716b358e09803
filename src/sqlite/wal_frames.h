#pragma once
// The frames of a write-ahead log (4.1, 4.2): which frame holds the current version of each
// page, which frames are superseded, which main-file pages the current versions replace, and
// where the current versions hold unallocated space. A frame belongs to the log when its
// salts equal the header's and the cumulative checksum holds from the header up to it (4.3),
// as SQLite reads the log.

#include <map>
#include <string>

#include "sqlite/region_map.h"
#include "text/kq_types.h"

namespace uni {
class fileio;
}

class wal_header;

// Reads the log's 32-byte header; false when it cannot be read or does not validate.
[[nodiscard]] bool read_wal_header(wal_header& header, uni::fileio& wal);

// Page number -> log offset of the frame (its frame header) that holds the page's current
// version.
using wal_frame_map = std::map<uint64, uint64>;

// Walks the frames of the log and fills the four maps (emptied first):
// - overwritten: (page number - 1) * page size -> page size, per winning page (main file);
// - winning: page number -> frame offset;
// - superseded: frame offset + 24 -> page size, per frame that is no longer current;
// - wal_slack: freeblocks and gaps of the winning pages, at their log offsets.
// A frame becomes current when a commit frame of its generation follows it while the
// checksum chain holds; each page takes its own latest frame of the committed transaction.
// From the first frame that breaks the chain on, frames are superseded, never current.
// The walk ends at a frame header that cannot be read, a page number of 0, or a frame cut
// short by the end of the log. True when a frame won or was superseded.
[[nodiscard]] bool read_wal_frames(region_map& overwritten, wal_frame_map& winning,
                                   region_map& superseded, region_map& wal_slack, uni::fileio& wal);

// Where the checksum chain of a log breaks. SQLite stops reading the log at the first frame
// that breaks it (a checksum that does not follow, or a frame of another generation): from
// there on no frame of the log's generation is applied to the live database, though a
// carve still reads their pages.
// The winning frames alone, as read_wal_frames finds them: for a reader that lays the
// log's pages over the main file and needs neither their regions nor their slack, whose
// search would read every winning page once more. True when a frame won. With broken,
// the same walk fills it as find_wal_chain_break does, so the log is read once for both.
struct wal_chain_break;
[[nodiscard]] bool read_wal_winning(wal_frame_map& winning, uni::fileio& wal,
                                    wal_chain_break* broken = nullptr);

struct wal_chain_break {
    uint64 first_frame = 0;  // number of the frame at which the chain breaks, from 1
    // Frames after the last commit frame the chain reaches, to the end of the log: those
    // past the break and those of a transaction whose commit frame lies past it (or that
    // never committed). None of them is applied.
    uint64 frames = 0;
};

// Walks the log as read_wal_frames does and fills out; true when frames of the log's
// generation lie past a break of the chain. A log that does not validate gives false.
[[nodiscard]] bool find_wal_chain_break(wal_chain_break& out, uni::fileio& wal);

// Opens path and runs read_wal_frames.
[[nodiscard]] bool read_wal_frames_by_path(region_map& overwritten, wal_frame_map& winning,
                                           region_map& superseded, region_map& wal_slack,
                                           const std::string& path);
