#pragma once
// A private copy of one database and its "-wal" and "-journal" companions, for the SQLite
// library to open instead of the evidence.
//
// The library writes beside whatever it opens, even read-only: a WAL database gets a "-shm"
// (and a "-wal" when none was there), a hot journal is rolled back. Opened in place, that
// changes the evidence folder and fails outright on read-only media. The copy lives in a
// fresh folder of its own (mode 0700) under the system's temporary folder and goes with
// everything the library added to it when the object is removed or destroyed. The system's
// own parser keeps reading the originals. A database with neither companion needs no copy
// (needs_private_copy): an immutable open reads it in place and writes nothing.

#include <string>

class private_db_copy {
public:
    private_db_copy() = default;
    ~private_db_copy();
    private_db_copy(const private_db_copy&) = delete;
    private_db_copy& operator=(const private_db_copy&) = delete;
    private_db_copy(private_db_copy&&) = delete;
    private_db_copy& operator=(private_db_copy&&) = delete;

    // Removes any earlier copy, then copies the database and whichever companions exist.
    // False, nothing left behind, when the folder cannot be made or a file cannot be copied.
    [[nodiscard]] bool make(const std::string& db_path);
    // The copy of the database; empty when there is none.
    [[nodiscard]] const std::string& path() const { return m_path; }
    // Deletes the folder and everything in it.
    void remove();

private:
    std::string m_folder;
    std::string m_path;
};

// Whether the library needs a private copy to read the database at db_path: true when a
// "-wal" or "-journal" lies beside it (the library writes a "-shm" beside a log and rolls
// a hot journal back), when that cannot be told, or when db_path is no regular file. A
// database without either is read as it is, with nothing written.
[[nodiscard]] bool needs_private_copy(const std::string& db_path);
