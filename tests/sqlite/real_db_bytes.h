#pragma once
// Raw bytes of the real database, read in place through the own file object (nothing of
// SQLite touches the file).

#include <string>

#include "io/uni_fileio.h"
#include "sqlite/sqlite_test_support.h"
#include "text/kq_types.h"

namespace velk_test {

// `length` bytes at `offset`; empty when the file or the bytes are not there.
inline byte_array real_db_bytes(uint64 offset, uint32 length) {
    uni::fileio file;
    byte_array bytes;
    if (!file.open(real_wpndatabase(), false, false, false) ||
        !file.read_at(bytes, length, offset)) {
        return {};
    }
    return bytes;
}

}  // namespace velk_test
