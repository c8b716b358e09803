#include "io/kq_file_move.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "io/io_test_support.h"

namespace {

using velk_test::file_size;
using velk_test::read_file;
using velk_test::run_in_child;
using velk_test::temp_dir;
using velk_test::write_file;

namespace fs = std::filesystem;

// Mend: relative paths reach the system unchanged; quotes are part of the name.
TEST(RemoveAndRename, PathsAreTakenAsGiven) {
    temp_dir dir;
    write_file(dir.file("a'b'c"), "quoted");
    write_file(dir.file("a b c"), "blanks");
    write_file(dir.file("-x"), "dash");
    const int status = run_in_child([&] {
        if (::chdir(dir.path().c_str()) != 0) {
            return 10;
        }
        return (kqportdir::remove_file("a'b'c") ? 0 : 1) +
               (kqportdir::rename_file("-x", "\"y\"", true) ? 0 : 2);
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(file_size(dir.file("a'b'c")), -1);
    EXPECT_EQ(read_file(dir.file("a b c")), "blanks");
    EXPECT_EQ(read_file(dir.file("\"y\"")), "dash");
    EXPECT_FALSE(kqportdir::remove_file(""));
    EXPECT_FALSE(kqportdir::remove_file(dir.file("gone")));
    EXPECT_FALSE(kqportdir::remove_file(dir.file("a b c") + std::string(1, '\0') + "x"));
    EXPECT_EQ(read_file(dir.file("a b c")), "blanks");
}

// Mend: a rename never replaces an existing file.
TEST(RemoveAndRename, RenameNeverReplaces) {
    temp_dir dir;
    write_file(dir.file("from"), "one");
    write_file(dir.file("to"), "two");
    EXPECT_FALSE(kqportdir::rename_file(dir.file("from"), dir.file("to"), false));
    EXPECT_EQ(kqportdir::rename_no_replace(dir.file("from"), dir.file("to")),
              kqportdir::rename_outcome::name_taken);
    EXPECT_FALSE(kqportdir::rename_file_w(L"", L"x"));
    EXPECT_EQ(read_file(dir.file("from")), "one");
    EXPECT_EQ(read_file(dir.file("to")), "two");
    const std::string odd = dir.file(std::string("\xff\xfe name"));
    ASSERT_TRUE(kqportdir::rename_file(dir.file("from"), odd, false));
    EXPECT_EQ(read_file(odd), "one");
}

TEST(MoveIntoNamedFolder, MovesOnceIntoTheFolderNamedAfterTheFile) {
    temp_dir dir;
    fs::create_directory(dir.file("d"));
    write_file(dir.file("d/report.txt"), "r");
    std::string out = "stale";
    ASSERT_TRUE(kqportdir::move_into_named_folder(out, dir.file("d/report.txt"), {}, false));
    EXPECT_EQ(out, dir.file("d/report/report.txt"));
    EXPECT_EQ(read_file(out), "r");
    EXPECT_FALSE(
        kqportdir::move_into_named_folder(out, dir.file("d/report/report.txt"), {}, false));
    EXPECT_TRUE(out.empty());

    fs::create_directory(dir.file("d/a.b"));
    write_file(dir.file("d/a.b/c"), "c");
    EXPECT_FALSE(kqportdir::move_into_named_folder(out, dir.file("d/a.b/c"), {}, false));
    EXPECT_FALSE(kqportdir::move_into_named_folder(out, dir.file("d/missing.txt"), {}, false));
    EXPECT_EQ(read_file(dir.file("d/a.b/c")), "c");
}

TEST(MoveIntoNamedFolder, SiblingsFollowByTheReducedName) {
    temp_dir dir;
    fs::create_directory(dir.file("d"));
    for (const char* name : {"case_report.txt", "case.log", "case-notes", "other.txt"}) {
        write_file(dir.file(std::string("d/") + name), name);
    }
    std::string out;
    ASSERT_TRUE(
        kqportdir::move_into_named_folder(out, dir.file("d/case_report.txt"), {"_REPORT"}, true));
    EXPECT_EQ(read_file(dir.file("d/case_report/case.log")), "case.log");
    EXPECT_EQ(read_file(dir.file("d/case_report/case-notes")), "case-notes");
    EXPECT_EQ(read_file(dir.file("d/other.txt")), "other.txt");

    // Mend: parts that empty the base move no sibling at all.
    fs::create_directory(dir.file("e"));
    write_file(dir.file("e/zulu.txt"), "z");
    write_file(dir.file("e/sibling"), "s");
    ASSERT_TRUE(kqportdir::move_into_named_folder(out, dir.file("e/zulu.txt"), {"ZULU"}, true));
    EXPECT_EQ(read_file(dir.file("e/sibling")), "s");
}

// Mend: a sibling that cannot move (its name is taken in the new folder) fails the move.
TEST(MoveIntoNamedFolder, FailedSiblingMoveFails) {
    temp_dir dir;
    fs::create_directories(dir.file("d/zulu"));
    write_file(dir.file("d/zulu.txt"), "z");
    write_file(dir.file("d/zulu.log"), "new");
    write_file(dir.file("d/zulu/zulu.log"), "old");
    std::string out;
    EXPECT_FALSE(kqportdir::move_into_named_folder(out, dir.file("d/zulu.txt"), {}, true));
    EXPECT_EQ(read_file(dir.file("d/zulu/zulu.log")), "old");
    EXPECT_EQ(read_file(dir.file("d/zulu.log")), "new");
}

TEST(MoveIntoFolder, MovesUnderItsOwnNameNeverOverAnother) {
    temp_dir dir;
    write_file(dir.file("f.txt"), "new");
    std::string out = "stale";
    ASSERT_TRUE(kqportdir::move_into_folder(out, dir.file("x/y"), dir.file("f.txt")));
    EXPECT_EQ(out, dir.file("x/y/f.txt"));
    EXPECT_EQ(read_file(out), "new");

    write_file(dir.file("f.txt"), "second");
    EXPECT_FALSE(kqportdir::move_into_folder(out, dir.file("x/y"), dir.file("f.txt")));
    EXPECT_EQ(read_file(dir.file("f.txt")), "second");
    EXPECT_EQ(read_file(dir.file("x/y/f.txt")), "new");

    write_file(dir.file("blocker"), "file");  // a file where the folder should be
    EXPECT_FALSE(kqportdir::move_into_folder(out, dir.file("blocker/sub"), dir.file("f.txt")));
    EXPECT_FALSE(kqportdir::move_into_folder(out, dir.file("x"), dir.file("missing")));
    EXPECT_EQ(read_file(dir.file("f.txt")), "second");
}

}  // namespace
