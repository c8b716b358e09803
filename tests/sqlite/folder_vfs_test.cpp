// The confined file layer: which names lead into its folder, and what the library does
// through it with a journal that names a file outside.

#include "sqlite/folder_vfs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "sqlite/sql_result_set.h"
#include "sqlite/sqlite_api.h"
#include "sqlite/sqlite_test_support.h"
#include "sqlite/sqlite_wrapper.h"

namespace {

namespace fs = std::filesystem;
using velk_test::exec_rows;
using velk_test::temp_dir;

// Runs in the folder named for the test's life: relative names count from there.
class working_folder {
public:
    explicit working_folder(const std::string& folder) : m_saved(fs::current_path()) {
        fs::current_path(folder);
    }
    ~working_folder() { fs::current_path(m_saved); }
    working_folder(const working_folder&) = delete;
    working_folder& operator=(const working_folder&) = delete;

private:
    fs::path m_saved;
};

// The confined folder holds "copy.db", a link out, a link back in and a dangling link
// out; "outside" holds "victim.txt" and is the working folder.
struct layout {
    temp_dir confined;
    temp_dir outside;
    std::string base() const { return fs::path(confined.path()).filename().string(); }
};

struct name_case {
    const char* name;
    std::string (*path)(const layout& at);
    bool inside;
};

const name_case name_cases[] = {
    {"CopyItself", [](const layout& at) { return at.confined.file("copy.db"); }, true},
    {"CompanionToBeMade", [](const layout& at) { return at.confined.file("copy.db-journal"); },
     true},
    {"DotDotBackIn",
     [](const layout& at) { return at.confined.file("../" + at.base() + "/copy.db"); }, true},
    {"LinkBackIn", [](const layout& at) { return at.confined.file("in_link"); }, true},
    {"RelativeFromTheWorkingFolder", [](const layout&) { return std::string("victim.txt"); },
     false},
    {"RelativeWithDotDot",
     [](const layout& at) {
         return "../" + fs::path(at.outside.path()).filename().string() + "/victim.txt";
     },
     false},
    {"AbsoluteOutside", [](const layout& at) { return at.outside.file("victim.txt"); }, false},
    {"DotDotOut", [](const layout& at) { return at.confined.file("../victim.txt"); }, false},
    {"MissingSubfolder", [](const layout& at) { return at.confined.file("sub/x"); }, false},
    {"LinkOut", [](const layout& at) { return at.confined.file("out_link"); }, false},
    {"DanglingLinkOut", [](const layout& at) { return at.confined.file("dangling"); }, false},
    {"ThroughALinkedFolder", [](const layout& at) { return at.confined.file("up/victim.txt"); },
     false},
    {"TheFolderItself", [](const layout& at) { return at.confined.file("."); }, false},
    {"Empty", [](const layout&) { return std::string(); }, false},
};

class LeadsInside : public ::testing::TestWithParam<name_case> {};

TEST_P(LeadsInside, JudgesTheFileTheSystemWouldReach) {
    layout at;
    velk_test::write_file(at.confined.file("copy.db"), "copy");
    velk_test::write_file(at.outside.file("victim.txt"), "victim");
    fs::create_symlink(at.outside.file("victim.txt"), at.confined.file("out_link"));
    fs::create_symlink(at.confined.file("copy.db"), at.confined.file("in_link"));
    fs::create_symlink(at.outside.file("missing.txt"), at.confined.file("dangling"));
    fs::create_directory_symlink(at.outside.path(), at.confined.file("up"));
    const working_folder cwd(at.outside.path());
    sqlite_api_fill();
    folder_vfs vfs;
    ASSERT_TRUE(vfs.install(at.confined.path()));
    EXPECT_EQ(vfs.leads_inside(GetParam().path(at).c_str()), GetParam().inside);
    vfs.uninstall();
    sqlite_api_clear();
}

INSTANTIATE_TEST_SUITE_P(Names, LeadsInside, ::testing::ValuesIn(name_cases),
                         [](const auto& p) { return std::string(p.param.name); });

std::string fixture(const std::string& name) {
    return std::string(VELK_TEST_DATA_DIR) + "/superjournal/" + name;
}

// The committed journal names "wpndatabase.db": from a working folder that holds a file of
// that name, a plain rollback deletes it. Through the layer the file stays, the name is
// kept, and the library finishes the journal as one whose super-journal is gone: the
// database stands as its file holds it.
TEST(FolderVfs, RollbackOfACraftedJournalLeavesTheNamedFileAlone) {
    temp_dir copy;
    temp_dir evidence;
    const std::string db = copy.file("wpndatabase.db");
    fs::copy_file(fixture("wpndatabase.db"), db);
    fs::copy_file(fixture("wpndatabase.db-journal"), db + "-journal");
    velk_test::write_file(evidence.file("wpndatabase.db"), "the evidence");
    const working_folder cwd(evidence.path());

    sqlite_wrapper wrapper;
    ASSERT_TRUE(wrapper.open_confined(db, copy.path(), false));
    // Read-only, a hot journal stops the first statement: nothing is reached for yet.
    EXPECT_EQ(exec_rows(wrapper, "select count(*) from Notification"),
              (std::vector<std::vector<std::string>>{{"<failed>"}}));
    EXPECT_TRUE(wrapper.refused_names().empty());
    ASSERT_TRUE(wrapper.open_confined(db, copy.path(), true));
    EXPECT_EQ(exec_rows(wrapper, "select [Order] from Notification order by 1"),
              (std::vector<std::vector<std::string>>{{"1"}, {"2"}, {"4"}, {"6"}, {"21"}}));
    wrapper.close();
    EXPECT_EQ(wrapper.refused_names(), (std::vector<std::string>{"wpndatabase.db"}));
    EXPECT_EQ(velk_test::read_file(evidence.file("wpndatabase.db")), "the evidence");
    EXPECT_EQ(velk_test::read_file(db), velk_test::read_file(fixture("wpndatabase.db")));
    EXPECT_FALSE(fs::exists(db + "-journal"));  // finished inside the folder
}

// Every call but the refused ones goes through as it is: a WAL database reads the same
// through the layer, and its index and log are made beside the copy.
TEST(FolderVfs, PassesTheLibrarysOwnFilesThrough) {
    temp_dir copy;
    const std::string db = velk_test::copy_database(velk_test::sample_wpndatabase(), copy);
    ASSERT_FALSE(db.empty());
    sqlite_wrapper wrapper;
    ASSERT_TRUE(wrapper.open_confined(db, copy.path(), false));
    // The sample's -wal adds notifications 14 and 15 and deletes 11: 11 rows.
    EXPECT_EQ(exec_rows(wrapper, "select count(*) from Notification"),
              (std::vector<std::vector<std::string>>{{"11"}}));
    EXPECT_TRUE(fs::exists(db + "-shm"));
    EXPECT_TRUE(wrapper.refused_names().empty());
    wrapper.close();
    EXPECT_EQ(g_sqlite_vfs_api.sqlite3_vfs_find, nullptr);  // emptied with the table
}

TEST(FolderVfs, FailedOpensRegisterNothing) {
    temp_dir copy;
    sqlite_wrapper wrapper;
    EXPECT_FALSE(wrapper.open_confined(copy.file("missing.db"), copy.path(), true));
    EXPECT_EQ(fs::directory_iterator(copy.path()), fs::directory_iterator());  // not created
    velk_test::write_file(copy.file("x.db"), "x");
    EXPECT_FALSE(wrapper.open_confined(copy.file("x.db"), copy.file("no such folder"), false));
    EXPECT_FALSE(wrapper.is_open());
    sqlite_api_fill();
    // Only the default layer is left: nothing of a failed open stays registered.
    sqlite3_vfs* first = g_sqlite_vfs_api.sqlite3_vfs_find(nullptr);
    ASSERT_NE(first, nullptr);
    for (sqlite3_vfs* vfs = first; vfs != nullptr; vfs = vfs->pNext) {
        EXPECT_NE(std::string(vfs->zName).rfind("velk-folder-", 0), 0U) << vfs->zName;
    }
    sqlite_api_clear();
}

}  // namespace
