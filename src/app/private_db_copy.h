#pragma once
// A private copy of one database and its "-wal" and "-journal" companions, for the SQLite
// library to open instead of the evidence.
//
// The library writes beside whatever it opens, even read-only: a WAL database gets a "-shm"
// (and a "-wal" when none was there), a hot journal is rolled back. Opened in place, that
// changes the evidence folder and fails outright on read-only media. The copy lives in a
// fresh folder of its own (mode 0700) under the system's temporary folder and goes with
// everything the library added to it when the object is removed or destroyed, and also
// when the process is stopped by SIGINT, SIGTERM or SIGHUP while a copy exists: a copy of
// evidence must not outlive the run that made it. The system's own parser keeps reading
// the originals. A database with neither companion needs no copy (needs_private_copy): an
// immutable open reads it in place and writes nothing.

#include <memory>
#include <string>

#include "io/stop_cleanup.h"
#include "text/kq_types.h"

// What stopped a copy from being made.
enum class copy_fault : uint8 {
    none,
    temp_folder,  // no folder could be made in the temporary folder
    source,       // a file to copy is no regular file, or could not be opened or read
    target,       // the copy could not be written (a full or read-only temporary folder)
};

// The failure of the last make, for the caller's message.
struct copy_failure {
    copy_fault fault = copy_fault::none;
    std::string suffix;  // "" for the database itself, else "-wal" or "-journal"
    std::string reason;  // the system's text for the failure, or what the file is
};

class private_db_copy {
public:
    private_db_copy() = default;
    ~private_db_copy();
    private_db_copy(const private_db_copy&) = delete;
    private_db_copy& operator=(const private_db_copy&) = delete;
    private_db_copy(private_db_copy&&) = delete;
    private_db_copy& operator=(private_db_copy&&) = delete;

    // Removes any earlier copy, then copies the database and whichever companions exist
    // beside it. False, nothing left behind and failure() saying why, when the folder
    // cannot be made or a file cannot be copied.
    [[nodiscard]] bool make(const std::string& db_path);
    // The copy of the database; empty when there is none.
    [[nodiscard]] const std::string& path() const { return m_path; }
    // The folder that holds the copy and nothing else; empty when there is none.
    [[nodiscard]] const std::string& folder() const { return m_folder; }
    // Why the last make failed.
    [[nodiscard]] const copy_failure& failure() const { return m_failure; }
    // The temporary folder the last make used (see temp_folder_base).
    [[nodiscard]] const std::string& temp_base() const { return m_base; }
    // Deletes the folder and everything in it.
    void remove();

private:
    // The folder and the copy's name in it, registered for the stop signals; false with
    // error set when the folder cannot be made.
    [[nodiscard]] bool make_folder(const std::string& name, int& error);
    [[nodiscard]] bool copy_companions(const std::string& db_path);
    [[nodiscard]] bool fail(copy_fault fault, const std::string& suffix, const std::string& why);

    std::string m_base;
    std::string m_folder;
    std::string m_path;
    copy_failure m_failure;
    // What the stop-signal handler removes while this copy exists, and its slot (-1: none).
    uni::stop_cleanup_list m_cleanup;
    int m_cleanup_slot = -1;
};

// Removes copy on a thread of its own, so that the caller goes on while the system takes
// back the copy's pages (some milliseconds for a database of a hundred MB). The copy stays
// registered with the stop signals until it is gone. One removal runs at a time: the next
// waits for it, finish_background_removal waits for it, and so does the end of the process.
// Without a thread to be had, the copy is removed before this returns.
void remove_in_background(std::unique_ptr<private_db_copy> copy);
void finish_background_removal();

// The temporary folder: TMPDIR, else TMP, TEMP or TEMPDIR, a variable set to "" taken as
// unset; "/tmp" when none is set.
[[nodiscard]] std::string temp_folder_base();

// Whether the library needs a private copy to read the database at db_path (an absolute
// path with its links resolved): true when a "-wal" or "-journal" lies beside it (the
// library writes a "-shm" beside a log and rolls a hot journal back), when that cannot be
// told, when db_path is no regular file, or when the path is longer than the library can
// open. A database without either is read as it is, with nothing written.
[[nodiscard]] bool needs_private_copy(const std::string& db_path);
