#pragma once
// What carving the recovery fixtures (tests/data/recovery/) must find, as
// "<record source>:<marker>" in carving order. The record finder's tests (through the
// carver) and the slack driver's tests (through its companion choice) expect the same hits.

#include <string>
#include <vector>

namespace recovery_hits {

// Deleted rows left in the main file's freeblocks.
inline const std::vector<std::string> deleted_slack = {
    "2:VELK-RECOVERY-DELETED-7", "2:VELK-RECOVERY-DELETED-5", "2:VELK-RECOVERY-DELETED-2"};

// The main file's page 7 as the open transaction left it (the hot journal restores it), then
// the journal's saved page 7: the live rows and the row secure delete removed from the file.
inline const std::vector<std::string> journal_pages = {"14:VELK-RECOVERY-LIVE-8",
                                                       "14:VELK-RECOVERY-LIVE-7",
                                                       "14:VELK-RECOVERY-LIVE-6",
                                                       "14:VELK-RECOVERY-LIVE-5",
                                                       "14:VELK-RECOVERY-LIVE-4",
                                                       "14:VELK-RECOVERY-LIVE-2",
                                                       "14:VELK-RECOVERY-LIVE-1",
                                                       "11:VELK-RECOVERY-LIVE-8",
                                                       "11:VELK-RECOVERY-LIVE-7",
                                                       "11:VELK-RECOVERY-LIVE-6",
                                                       "11:VELK-RECOVERY-LIVE-5",
                                                       "11:VELK-RECOVERY-LIVE-4",
                                                       "11:VELK-RECOVERY-JOURNAL-DELETED-3",
                                                       "11:VELK-RECOVERY-LIVE-2",
                                                       "11:VELK-RECOVERY-LIVE-1"};

// The main file's page 7 as it was, the superseded frame of page 7, and the deleted row's
// residue in the slack of the page's current frame.
inline const std::vector<std::string> wal_overwritten = {"6:VELK-RECOVERY-LIVE-8",
                                                         "6:VELK-RECOVERY-LIVE-7",
                                                         "6:VELK-RECOVERY-LIVE-6",
                                                         "6:VELK-RECOVERY-LIVE-5",
                                                         "6:VELK-RECOVERY-WAL-DELETED-4",
                                                         "6:VELK-RECOVERY-LIVE-3",
                                                         "6:VELK-RECOVERY-WAL-UPDATE-BEFORE-2",
                                                         "6:VELK-RECOVERY-LIVE-1",
                                                         "7:VELK-RECOVERY-LIVE-8",
                                                         "7:VELK-RECOVERY-LIVE-7",
                                                         "7:VELK-RECOVERY-LIVE-6",
                                                         "7:VELK-RECOVERY-LIVE-5",
                                                         "7:VELK-RECOVERY-WAL-DELETED-4",
                                                         "7:VELK-RECOVERY-LIVE-3",
                                                         "7:VELK-RECOVERY-WAL-UPDATE-AFTER-2",
                                                         "7:VELK-RECOVERY-LIVE-1",
                                                         "8:VELK-RECOVERY-WAL-DELETED-4"};

// As wal_overwritten, with the log's current page 7 (source 9) read whole before its slack.
// The cells of the main file's page 7 are left to the walk of the file as it stands (under
// "-carve" it reports them with source 6): the carve adds none of them.
inline const std::vector<std::string> wal_with_valid_pages = [] {
    std::vector<std::string> hits;
    for (const auto& hit : wal_overwritten) {
        if (hit.rfind("7:", 0) == 0) {
            hits.push_back(hit);
        }
    }
    for (const auto& hit : wal_overwritten) {
        if (hit.rfind("7:", 0) == 0) {
            hits.push_back("9:" + hit.substr(2));
        }
    }
    hits.push_back(wal_overwritten.back());
    return hits;
}();

}  // namespace recovery_hits
