#include "real_data.h"

// One test stands for the whole folder, so that a CI run without it fails even where no
// other test names it.
TEST(RealData, FolderIsPresentOrTheRunIsNotCi) {
    VELK_NEED_REAL_DATA(std::string(VELK_REAL_DATA_DIR) + "/wpndatabase.db");
    VELK_NEED_REAL_DATA(std::string(VELK_REAL_DATA_DIR) + "/wal_database.db-wal");
    SUCCEED();
}
