#include "io/kq_dir_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <sstream>
#include <string>

#include "io/io_test_support.h"
#include "io/path_codec.h"
#include "io/uni_fileio.h"

namespace {

using velk_test::temp_dir;
using velk_test::write_file;

using entry_set = std::set<std::string>;

std::string describe(const std::string& path, const std::string& name, bool folder, int depth) {
    std::string out = path;
    out += '|';
    out += name;
    out += folder ? "|D|" : "|F|";
    out += std::to_string(depth);
    return out;
}

// readdir order is the file system's: listings are compared as sets of
// "path|name|folder|depth".
entry_set as_set(const kqportdir::dir_listing& listed) {
    entry_set out;
    for (const auto& e : listed) {
        out.insert(describe(e.m_path, e.m_name, e.m_is_folder, e.m_depth));
    }
    return out;
}

entry_set as_set(const kqportdir::dir_listing_w& listed) {
    entry_set out;
    for (const auto& e : listed) {
        std::string path;
        std::string name;
        EXPECT_TRUE(uni::wide_path_to_narrow(e.m_path, path));
        EXPECT_TRUE(uni::wide_path_to_narrow(e.m_name, name));
        out.insert(describe(path, name, e.m_is_folder, e.m_depth));
    }
    return out;
}

class cwd_guard {
public:
    explicit cwd_guard(const std::string& to) {
        char buffer[4096] = {};
        m_back = ::getcwd(buffer, sizeof(buffer)) != nullptr ? buffer : "/";
        m_moved = ::chdir(to.c_str()) == 0;
    }
    ~cwd_guard() { (void)!::chdir(m_back.c_str()); }
    cwd_guard(const cwd_guard&) = delete;
    cwd_guard& operator=(const cwd_guard&) = delete;
    [[nodiscard]] bool moved() const { return m_moved; }

private:
    std::string m_back;
    bool m_moved = false;
};

// a.txt, B.TXT, c.log, abc (no extension), ABC.Dat, sub-folder d with a file, link l -> d.
class DirListing : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a.txt", "B.TXT", "c.log", "abc", "ABC.Dat"}) {
            write_file(m_tmp.file(name), "x");
        }
        ASSERT_EQ(::mkdir(m_tmp.file("d").c_str(), 0700), 0);
        write_file(m_tmp.file("d/inner.txt"), "y");
        ASSERT_EQ(::symlink(m_tmp.file("d").c_str(), m_tmp.file("l").c_str()), 0);
    }
    [[nodiscard]] std::string dir() const { return m_tmp.path() + "/"; }
    [[nodiscard]] std::string folder_entry(const std::string& name) const {
        return dir() + name + "/||D|1";
    }
    [[nodiscard]] std::string file_entry(const std::string& name) const {
        return dir() + name + "|" + name + "|F|0";
    }

    temp_dir m_tmp;
};

TEST_F(DirListing, ExtensionPatternKeepsMatchesAndFolders) {
    kqportdir::dir_listing out = {kqportdir::dir_entry("stale", "", false, 0)};
    kqportdir::list_dir_pattern(m_tmp.path(), "*.TXT", out);
    // The link to d is listed as a file (lstat) and has no extension: dropped.
    EXPECT_EQ(as_set(out),
              (entry_set{file_entry("a.txt"), file_entry("B.TXT"), folder_entry("d")}));
}

TEST_F(DirListing, BaseNamePatternAndEverything) {
    kqportdir::dir_listing out;
    kqportdir::list_dir_pattern(dir(), "abc", out);
    EXPECT_EQ(as_set(out),
              (entry_set{file_entry("abc"), file_entry("ABC.Dat"), folder_entry("d")}));

    kqportdir::list_dir_pattern(dir(), "", out);
    EXPECT_EQ(out.size(), 7U);
    const auto link =
        std::find_if(out.begin(), out.end(), [](const auto& e) { return e.m_name == "l"; });
    ASSERT_NE(link, out.end());
    EXPECT_FALSE(link->m_is_folder);

    // A file without an extension matches only the extension "*".
    kqportdir::list_dir_pattern(dir(), "abc.", out);
    EXPECT_EQ(as_set(out),
              (entry_set{file_entry("abc"), file_entry("ABC.Dat"), folder_entry("d")}));
    kqportdir::list_dir_pattern(dir(), "*.dat", out);
    EXPECT_EQ(as_set(out), (entry_set{file_entry("ABC.Dat"), folder_entry("d")}));
}

TEST_F(DirListing, ListDirRawAndFoldersOnly) {
    kqportdir::dir_listing out;
    EXPECT_TRUE(kqportdir::list_dir(dir(), out, 3, true, false));
    ASSERT_EQ(out.size(), 1U);
    EXPECT_EQ(out[0].m_path, dir() + "d\\");
    EXPECT_EQ(out[0].m_depth, 4);
    EXPECT_FALSE(kqportdir::list_dir(dir() + "missing/", out, 0, false, true));
    EXPECT_EQ(out.size(), 1U);

    const std::string empty = m_tmp.file("empty/");
    ASSERT_EQ(::mkdir(empty.c_str(), 0700), 0);
    EXPECT_FALSE(kqportdir::list_dir(empty, out, 0, false, true));
}

// An empty folder and one that cannot be read both list nothing; only the error tells a walk
// that the second holds files it never saw.
TEST_F(DirListing, ListDirSaysWhyNothingWasListed) {
    write_file(m_tmp.file("plain"), "x");
    ASSERT_EQ(::mkdir(m_tmp.file("empty").c_str(), 0700), 0);
    const struct {
        std::string folder;
        bool listed;
        int error;
    } cases[] = {
        {dir(), true, 0},
        {m_tmp.file("empty/"), false, 0},
        {m_tmp.file("missing/"), false, ENOENT},
        {m_tmp.file("plain/"), false, ENOTDIR},
    };
    for (const auto& c : cases) {
        kqportdir::dir_listing out;
        int error = -1;
        EXPECT_EQ(kqportdir::list_dir(c.folder, out, 0, false, true, &error), c.listed) << c.folder;
        EXPECT_EQ(error, c.error) << c.folder;
    }
}

TEST_F(DirListing, WideWrappersAndPaths) {
    kqportdir::dir_listing_w wide = {kqportdir::dir_entry_w(L"kept", L"", false, 0)};
    kqportdir::list_dir_pattern_w(uni::narrow_path_to_wide(m_tmp.path()), L"*.log", wide);
    ASSERT_EQ(wide.size(), 3U);  // not emptied first
    EXPECT_EQ(wide[0].m_path, L"kept");

    std::vector<std::string> paths;
    kqportdir::list_paths(dir(), "*.txt", paths, false);
    EXPECT_EQ(paths.size(), 2U);
    kqportdir::list_paths_cstr(dir().c_str(), "*.txt", paths);
    EXPECT_EQ(paths.size(), 5U);
    kqportdir::list_folder_cstr(dir().c_str(), paths);
    EXPECT_EQ(paths.size(), 12U);

    std::vector<std::string> subs;
    kqportdir::list_subfolders(dir(), subs);
    EXPECT_EQ(subs, std::vector<std::string>{dir() + "d/"});
    std::vector<std::string> files = {"stale"};
    kqportdir::list_files_only(dir(), files);
    EXPECT_EQ(files.size(), 6U);

    std::vector<std::wstring> wide_files;
    kqportdir::list_files_w(uni::narrow_path_to_wide(dir()), L"*.txt", wide_files);
    EXPECT_EQ(wide_files.size(), 3U);
    EXPECT_FALSE(kqportdir::clear_list(files));
    EXPECT_TRUE(files.empty());
}

TEST_F(DirListing, PrintListingInHex) {
    std::ostringstream text;
    kqportdir::print_listing(m_tmp.file("d"), text);
    EXPECT_EQ(text.str(), "000: " + m_tmp.file("d/inner.txt") + "\n");
    text.str("");
    text << 255;  // the stream keeps its hex setting
    EXPECT_EQ(text.str(), "ff");
}

// "-enumdir ." and "-enumdir evidence" give folder texts without any separator: entries
// must still be real paths.
TEST_F(DirListing, RelativeFoldersGetForwardSlashes) {
    const cwd_guard guard(m_tmp.path());
    ASSERT_TRUE(guard.moved());
    kqportdir::dir_listing_w here;
    kqportdir::list_dir_pattern_w(L".", L"*.*", here);
    EXPECT_EQ(here.size(), 7U);
    for (const auto& e : here) {
        EXPECT_EQ(e.m_path.rfind(L"./", 0), 0U);
    }
    kqportdir::dir_listing_w sub;
    kqportdir::list_dir_pattern_w(L"d", L"*.*", sub);
    EXPECT_EQ(as_set(sub), (entry_set{"d/inner.txt|inner.txt|F|0"}));
}

// Names written by other systems need not be UTF-8; they must be listed and open.
TEST(DirListingNames, NonUtf8NamesAreListedAndOpen) {
    temp_dir tmp;
    const std::string file_name = "f\xff\xfe.db";
    const std::string folder_name = "d\xff";
    write_file(tmp.file(file_name), "SQLite");
    ASSERT_EQ(::mkdir(tmp.file(folder_name).c_str(), 0700), 0);

    kqportdir::dir_listing_w out;
    kqportdir::list_dir_pattern_w(uni::narrow_path_to_wide(tmp.path()), L"*.db", out);
    EXPECT_EQ(as_set(out), (entry_set{tmp.file(file_name) + "|" + file_name + "|F|0",
                                      tmp.file(folder_name) + "/||D|1"}));
    for (const auto& e : out) {
        if (!e.m_is_folder) {
            uni::fileio file;
            ASSERT_TRUE(file.open(e.m_path, false, false, false));
            EXPECT_EQ(file.size(), 6U);
        }
    }
}

TEST(DirListingNames, DanglingLinkIsAFile) {
    temp_dir tmp;
    ASSERT_EQ(::symlink("/no/such/target", tmp.file("dangling").c_str()), 0);
    kqportdir::dir_listing out;
    kqportdir::list_dir_pattern(tmp.path(), "", out);
    ASSERT_EQ(out.size(), 1U);
    EXPECT_FALSE(out[0].m_is_folder);
}

// T/*/logs: the logs folder of every sub-folder that has one, nothing from the others.
TEST(DirWildcards, StarComponentListsEverySubfolder) {
    temp_dir tmp;
    for (const char* d : {"u1", "u1/logs", "u2", "u2/logs", "u3"}) {
        ASSERT_EQ(::mkdir(tmp.file(d).c_str(), 0700), 0);
    }
    write_file(tmp.file("u1/logs/a.log"), "1");
    write_file(tmp.file("u2/logs/b.log"), "2");
    write_file(tmp.file("u3/c.log"), "3");
    write_file(tmp.file("top.log"), "4");

    kqportdir::dir_listing out;
    kqportdir::list_dir_pattern(tmp.path() + "/*/logs", "*.log", out);
    EXPECT_EQ(as_set(out), (entry_set{tmp.file("u1/logs/a.log") + "|a.log|F|0",
                                      tmp.file("u2/logs/b.log") + "|b.log|F|0"}));

    std::vector<std::string> expanded;
    EXPECT_TRUE(kqportdir::expand_wildcard_path((tmp.path() + "/*/logs").c_str(), expanded));
    std::sort(expanded.begin(), expanded.end());
    // Only "*" is resolved: what follows it is not checked here.
    EXPECT_EQ(expanded, (std::vector<std::string>{tmp.file("u1/logs"), tmp.file("u2/logs"),
                                                  tmp.file("u3/logs")}));
    std::vector<std::wstring> wide;
    EXPECT_TRUE(
        kqportdir::expand_wildcard_path_w(uni::narrow_path_to_wide(tmp.path() + "/*/x"), wide));
    EXPECT_EQ(wide.size(), 3U);
    std::ostringstream printed;
    kqportdir::print_wildcard_expansion(tmp.path() + "/u1", printed);
    EXPECT_EQ(printed.str(), tmp.file("u1") + "\n");
}

TEST(DirWildcards, ParentThatCannotBeListedEmptiesTheEntry) {
    std::vector<std::string> list = {"/no/such/*/x", "", "/plain"};
    EXPECT_TRUE(kqportdir::expand_dir_wildcards(list, true));
    EXPECT_EQ(list, (std::vector<std::string>{"", "", "/plain"}));
    EXPECT_FALSE(kqportdir::expand_dir_wildcards(list, true));
}

// A real folder named "*" brings the marker back with every expansion: the listing must
// still end.
TEST(DirWildcards, FolderNamedStarEnds) {
    temp_dir tmp;
    ASSERT_EQ(::mkdir(tmp.file("*").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(tmp.file("*/logs").c_str(), 0700), 0);
    write_file(tmp.file("*/logs/a.log"), "1");
    kqportdir::dir_listing out;
    kqportdir::list_dir_pattern(tmp.path() + "/*/logs", "", out);
    std::vector<std::string> expanded;
    EXPECT_TRUE(kqportdir::expand_wildcard_path((tmp.path() + "/*/logs").c_str(), expanded));
    EXPECT_EQ(expanded, std::vector<std::string>{tmp.file("*/logs")});
}

TEST(DirEntry, PrefixFlags) {
    EXPECT_TRUE(kqportdir::dir_entry("\\\\?\\C:\\x", "x", false, 0).m_long_prefix);
    EXPECT_FALSE(kqportdir::dir_entry("\\\\?\\", "", false, 0).m_long_prefix);
    EXPECT_FALSE(kqportdir::dir_entry("\\\\srv\\share", "", false, 0).m_long_prefix);

    const kqportdir::dir_entry_w unc(L"\\\\srv\\share\\x", L"x", false, 0);
    EXPECT_FALSE(unc.m_long_prefix);
    const std::wstring vss = L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeShadowCopy1\\x";
    kqportdir::dir_entry_w shadow(vss, L"x", true, 2);
    EXPECT_TRUE(shadow.m_long_prefix);
    EXPECT_TRUE(shadow.m_globalroot);
    EXPECT_FALSE(kqportdir::dir_entry_w(L"\\\\?\\C:\\x", L"", false, 0).m_globalroot);

    shadow.clear();
    EXPECT_TRUE(shadow.m_path.empty());
    EXPECT_FALSE(shadow.m_globalroot);
    EXPECT_FALSE(shadow.m_is_folder);
    EXPECT_EQ(shadow.m_depth, 0);
    EXPECT_TRUE(shadow.m_long_prefix);  // clear keeps it

    shadow.assign(kqportdir::dir_entry("\\\\?\\C:\\y", "y", true, 3));
    EXPECT_EQ(shadow.m_path, L"\\\\?\\C:\\y");
    EXPECT_TRUE(shadow.m_is_folder);
    EXPECT_EQ(shadow.m_depth, 3);
    EXPECT_TRUE(shadow.m_long_prefix);  // not copied: still the old value
}

}  // namespace
