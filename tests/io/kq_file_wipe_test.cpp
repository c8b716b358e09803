#include "io/kq_file_wipe.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "cmdline/file_filters.h"
#include "io/io_test_support.h"
#include "io/path_codec.h"

namespace {

using velk_test::file_size;
using velk_test::read_file;
using velk_test::temp_dir;
using velk_test::write_file;

namespace fs = std::filesystem;

std::wstring wide(const std::string& path) { return uni::narrow_path_to_wide(path); }

bool exists_as_entry(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Sets or unsets TEMP for one test and puts the old value back.
class temp_variable {
public:
    explicit temp_variable(const std::optional<std::string>& value) {
        if (const char* old = std::getenv("TEMP")) {
            m_old = old;
        }
        if (value) {
            ::setenv("TEMP", value->c_str(), 1);
        } else {
            ::unsetenv("TEMP");
        }
    }
    ~temp_variable() {
        if (m_old) {
            ::setenv("TEMP", m_old->c_str(), 1);
        } else {
            ::unsetenv("TEMP");
        }
    }
    temp_variable(const temp_variable&) = delete;
    temp_variable& operator=(const temp_variable&) = delete;

private:
    std::optional<std::string> m_old;
};

// A tree with a file, an empty folder and links to a file and a folder outside it.
class WipeTree : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root());
        fs::create_directory(root() + "/s");
        write_file(root() + "/f", std::string(3000, 'f'));
        fs::create_directory(m_dir.file("outside"));
        write_file(m_dir.file("outside/file"), "outside file");
        write_file(m_dir.file("outside/dir_file"), "in the outside folder");
        fs::create_directory(m_dir.file("outside/folder"));
        write_file(m_dir.file("outside/folder/x"), "outside folder content");
        fs::create_symlink(m_dir.file("outside/file"), root() + "/l");
        fs::create_symlink(m_dir.file("outside/folder"), root() + "/d");
        m_options.m_status_output = false;
    }

    void expect_outside_untouched() {
        EXPECT_EQ(read_file(m_dir.file("outside/file")), "outside file");
        EXPECT_EQ(read_file(m_dir.file("outside/folder/x")), "outside folder content");
    }

    [[nodiscard]] std::string root() const { return m_dir.file("root"); }
    [[nodiscard]] std::wstring key(const std::string& name) const {
        return wide(name.empty() ? root() : root() + "/" + name);
    }

    temp_dir m_dir;
    cmd_params m_options{0, false};
};

TEST_F(WipeTree, TempUnsetDeletesInPlaceAndLeavesOutsideAlone) {
    const temp_variable unset(std::nullopt);
    fs::create_symlink(root(), root() + "/s/loop");
    kqportdir::wipe_results results;
    ASSERT_TRUE(kqportdir::wipe_tree(wide(root()), {}, 10, &m_options, &results));
    expect_outside_untouched();
    EXPECT_FALSE(exists_as_entry(root()));
    EXPECT_EQ(results.at(key("s/loop")), 66U);
    EXPECT_EQ(results.at(key("")), 65U);
    EXPECT_EQ(results.at(key("f")), 94U);
    EXPECT_EQ(results.at(key("s/")), 65U);
    EXPECT_EQ(results.at(key("l")), 66U);  // removed as a link, never opened
    EXPECT_EQ(results.at(key("d")), 66U);
}

TEST_F(WipeTree, TempSetMovesEachFileThereAndRemovesIt) {
    const temp_dir temp;
    const temp_variable set(temp.path());
    const std::string diags = m_dir.file("diags.txt");
    ASSERT_TRUE(m_options.open_diag_file(diags));
    // Odd names: blanks, quotes, bytes that are no UTF-8, a leading '-'.
    const std::vector<std::string> odd = {"a b", "q'\"q", std::string("\xff\xfe"), "-rf", "s/deep"};
    for (const std::string& name : odd) {
        write_file(root() + "/" + name, "odd " + name);
    }
    kqportdir::wipe_results results;
    ASSERT_TRUE(kqportdir::wipe_tree(wide(root()), {}, 10, &m_options, &results));
    ASSERT_TRUE(m_options.close_diag_file());
    expect_outside_untouched();
    EXPECT_FALSE(exists_as_entry(root()));
    EXPECT_EQ(results.at(key("f")), 126U);
    for (const std::string& name : odd) {
        EXPECT_EQ(results.at(key(name)), 126U) << name;
    }
    EXPECT_TRUE(fs::is_empty(temp.path()));

    // Entries are counted from the last key; every new name is 4 letters or digits and
    // that count, in the file's own folder.
    std::istringstream lines(read_file(diags));
    const std::regex rename_line(R"(->rename: (.*)/[^/]* => (.*)/([A-Za-z0-9]{4})(\d+))");
    int renames = 0;
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (line.rfind("->rename: ", 0) != 0) {
            continue;
        }
        ASSERT_TRUE(std::regex_match(line, match, rename_line)) << line;
        EXPECT_EQ(match[1], match[2]);
        ++renames;
    }
    EXPECT_EQ(renames, 6);
}

TEST_F(WipeTree, RootThatIsALinkIsRefused) {
    fs::create_symlink(root(), m_dir.file("root_link"));
    EXPECT_FALSE(kqportdir::wipe_tree(wide(m_dir.file("root_link")), {}, 10, &m_options));
    EXPECT_FALSE(kqportdir::wipe_tree(wide(m_dir.file("root_link/")), {}, 10, &m_options));
    EXPECT_FALSE(kqportdir::wipe_tree(wide(root() + "/f"), {}, 10, &m_options));
    EXPECT_FALSE(kqportdir::wipe_tree(L"", {}, 10, &m_options));
    EXPECT_FALSE(kqportdir::wipe_tree(wide(root()), {}, 10, nullptr));
    EXPECT_EQ(read_file(root() + "/f"), std::string(3000, 'f'));
}

// A second hard link outside the tree shares the bytes: only the name inside goes.
TEST_F(WipeTree, HardLinkedFileLosesOnlyItsName) {
    const temp_variable unset(std::nullopt);
    fs::create_hard_link(m_dir.file("outside/file"), root() + "/hard");
    kqportdir::wipe_results results;
    ASSERT_TRUE(kqportdir::wipe_tree(wide(root()), {}, 10, &m_options, &results));
    expect_outside_untouched();
    EXPECT_EQ(results.at(key("hard")), 66U);
}

TEST_F(WipeTree, FiltersSelectAndKeepFolders) {
    const temp_variable unset(std::nullopt);
    write_file(root() + "/keep.txt", "kept");
    std::vector<filter_entry> filters;
    ASSERT_EQ(parse_file_filter_list(filters, "f"), 1U);
    kqportdir::wipe_results results;
    ASSERT_TRUE(kqportdir::wipe_tree(wide(root()), filters, 10, &m_options, &results));
    EXPECT_FALSE(exists_as_entry(root() + "/f"));
    EXPECT_EQ(read_file(root() + "/keep.txt"), "kept");
    EXPECT_TRUE(fs::is_directory(root() + "/s"));
    EXPECT_EQ(results.count(key("keep.txt")), 0U);
}

// Mend: a file the signature filter cannot read is not selected: it is neither overwritten
// nor recorded. Root reads every file, so a root run tests as an unprivileged user.
TEST_F(WipeTree, UnreadableFileIsNotSelectedBySignature) {
    const std::string f = root() + "/f";
    ASSERT_EQ(::chmod(f.c_str(), 0200), 0);
    for (const std::string& folder : {m_dir.path(), root()}) {
        ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
    }
    constexpr uid_t nobody = 65534;
    const int status = velk_test::run_in_child([&] {
        if (::geteuid() == 0 && (::setgid(nobody) != 0 || ::setuid(nobody) != 0)) {
            return 10;
        }
        cmd_params options(0, false);
        options.m_status_output = false;
        std::vector<std::string> args = {"velk", "-filter_sig", "41 42"};
        if (!options.parse_common_options(args) || options.m_filters.empty()) {
            return 11;
        }
        kqportdir::wipe_results results;
        (void)kqportdir::wipe_tree(wide(root()), options.m_filters, 10, &options, &results);
        return results.count(wide(f)) == 0 ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(file_size(f), 3000);
}

TEST_F(WipeTree, StatusLinesOnStandardError) {
    const temp_variable unset(std::nullopt);
    m_options.m_status_output = true;
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(kqportdir::wipe_tree(wide(root()), {}, 10, &m_options));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("wiped: " + root() + "/f\n"), std::string::npos) << err;
    EXPECT_NE(err.find("not wiped: " + root() + "/l\n"), std::string::npos) << err;
    EXPECT_NE(err.find("deleted: " + root() + "/f - success\n"), std::string::npos) << err;
    EXPECT_NE(err.find("deleted: " + root() + "\n"), std::string::npos) << err;
}

TEST(WipeCallback, FoldersAndDotEntries) {
    kqportdir::wipe_results results;
    EXPECT_EQ(kqportdir::wipe_callback(L"/some/folder/", true, &results, nullptr), 0);
    EXPECT_EQ(kqportdir::wipe_callback(L".", true, &results, nullptr), 0);
    EXPECT_EQ(kqportdir::wipe_callback(L"..", true, &results, nullptr), 0);
    EXPECT_EQ(kqportdir::wipe_callback(L"/no/such/file", false, &results, nullptr), 0);
    EXPECT_EQ(kqportdir::wipe_callback(L"/x", false, nullptr, nullptr), 0);
    EXPECT_EQ(results, (kqportdir::wipe_results{{L"/some/folder/", 1}, {L"/no/such/file", 2}}));
}

TEST(WipeFile, RemovesOnlyARegularFileItCouldOverwrite) {
    temp_dir dir;
    const temp_variable unset(std::nullopt);
    write_file(dir.file("f"), std::string(5000, 'f'));
    EXPECT_TRUE(kqportdir::wipe_file(wide(dir.file("f"))));
    EXPECT_TRUE(fs::is_empty(dir.path()));

    // Mend: a missing file is not created.
    EXPECT_FALSE(kqportdir::wipe_file(wide(dir.file("missing"))));
    EXPECT_FALSE(exists_as_entry(dir.file("missing")));

    write_file(dir.file("target"), "target");
    fs::create_symlink(dir.file("target"), dir.file("link"));
    fs::create_hard_link(dir.file("target"), dir.file("hard"));
    EXPECT_FALSE(kqportdir::wipe_file(wide(dir.file("link"))));
    EXPECT_FALSE(kqportdir::wipe_file(wide(dir.file("hard"))));
    EXPECT_FALSE(kqportdir::wipe_file(wide(dir.path())));
    EXPECT_FALSE(kqportdir::wipe_file(L""));
    EXPECT_TRUE(fs::is_symlink(dir.file("link")));
    EXPECT_EQ(read_file(dir.file("target")), "target");

    write_file(dir.file("empty"), "");
    EXPECT_TRUE(kqportdir::wipe_file(wide(dir.file("empty"))));
    EXPECT_FALSE(exists_as_entry(dir.file("empty")));
}

TEST(WipeFile, MovesIntoTempAndLeavesNothingThere) {
    temp_dir dir;
    const temp_dir temp;
    const temp_variable set(temp.path());
    write_file(dir.file("f"), "secret");
    EXPECT_TRUE(kqportdir::wipe_file(wide(dir.file("f"))));
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_TRUE(fs::is_empty(temp.path()));
}

}  // namespace
