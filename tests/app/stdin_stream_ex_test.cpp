#include "app/stdin_stream_ex.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "cmdline/file_filters.h"
#include "io/io_test_support.h"
#include "io/kq_dir_list.h"
#include "io/path_codec.h"
#include "text/env_expand.h"

namespace {

using velk_test::run_in_child;
using velk_test::temp_dir;
using velk_test::write_file;

// Standard input reads from a file for the guard's lifetime, then is put back.
class stdin_from_file {
public:
    explicit stdin_from_file(const std::string& path) {
        m_saved = ::dup(0);
        const int fd = ::open(path.c_str(), O_RDONLY);
        m_ok = m_saved >= 0 && fd >= 0 && ::dup2(fd, 0) == 0;
        if (fd >= 0) {
            ::close(fd);
        }
        std::clearerr(stdin);
    }
    ~stdin_from_file() {
        if (m_saved >= 0) {
            (void)::dup2(m_saved, 0);
            ::close(m_saved);
        }
        std::clearerr(stdin);
    }
    stdin_from_file(const stdin_from_file&) = delete;
    stdin_from_file& operator=(const stdin_from_file&) = delete;
    [[nodiscard]] bool ok() const { return m_ok; }

private:
    int m_saved = -1;
    bool m_ok = false;
};

std::vector<std::string> read_all(kqportdir::stdin_stream_ex& names) {
    std::vector<std::string> out;
    std::string name;
    while (names.read_line(name, true)) {
        out.push_back(name);
    }
    return out;
}

std::vector<std::string> names_from_stdin(const std::string& input) {
    temp_dir tmp;
    write_file(tmp.file("in"), input);
    stdin_from_file guard(tmp.file("in"));
    EXPECT_TRUE(guard.ok());
    kqportdir::stdin_stream_ex names(nullptr);
    EXPECT_TRUE(names.open_stdin(true));
    return read_all(names);
}

std::vector<std::string> walk(const std::string& folder, uint32 limit,
                              const std::vector<filter_entry>& filters = {}) {
    kqportdir::stdin_stream_ex names(nullptr);
    EXPECT_TRUE(names.open_dir(folder, limit, filters));
    return read_all(names);
}

// The files of one folder in the order the walk hands them out: last listed first.
std::vector<std::string> files_last_listed_first(const std::string& folder) {
    kqportdir::dir_listing listed;
    (void)kqportdir::list_dir(folder + "/", listed, 0, false, true);
    std::vector<std::string> out;
    for (auto it = listed.rbegin(); it != listed.rend(); ++it) {
        if (!it->m_is_folder) {
            out.push_back(it->m_path);
        }
    }
    return out;
}

TEST(StdinStreamEx, StandardInputLinesLoseTheirLineBreaksOnly) {
    EXPECT_EQ(names_from_stdin("/a b.db\r\n\n/c.db\n"),
              (std::vector<std::string>{"/a b.db", "", "/c.db"}));
}

// Mend: a line longer than the reader's buffer is one name, not several.
TEST(StdinStreamEx, LongLineIsOneName) {
    const std::string long_name = "/" + std::string(9999, 'n');
    EXPECT_EQ(names_from_stdin(long_name + "\r\nlast"),
              (std::vector<std::string>{long_name, "last"}));
}

TEST(StdinStreamEx, WideLinesKeepBytesThatAreNotUtf8) {
    temp_dir tmp;
    write_file(tmp.file("in"), "/x\xff.db\n");
    stdin_from_file guard(tmp.file("in"));
    ASSERT_TRUE(guard.ok());
    kqportdir::stdin_stream_ex names(nullptr);
    ASSERT_TRUE(names.open_stdin(false));
    std::wstring wide;
    ASSERT_TRUE(names.read_line(wide, true));
    std::string back;
    ASSERT_TRUE(uni::wide_path_to_narrow(wide, back));
    EXPECT_EQ(back, "/x\xff.db");
    EXPECT_FALSE(names.read_line(wide, true));
}

TEST(StdinStreamEx, NothingIsReadBeforeOpening) {
    kqportdir::stdin_stream_ex names(nullptr);
    std::string name;
    std::wstring wide;
    EXPECT_FALSE(names.read_line(name, true));
    EXPECT_FALSE(names.read_line(wide, true));
}

// root holds x and y and sub-folder s holding z; s/t/deep.db lies two levels down.
class StdinStreamExWalk : public ::testing::Test {
protected:
    void SetUp() override {
        write_file(m_tmp.file("x"), "x");
        write_file(m_tmp.file("y"), "y");
        ASSERT_EQ(::mkdir(m_tmp.file("s").c_str(), 0700), 0);
        write_file(m_tmp.file("s/z"), "z");
        ASSERT_EQ(::mkdir(m_tmp.file("s/t").c_str(), 0700), 0);
        write_file(m_tmp.file("s/t/deep.db"), "d");
    }
    temp_dir m_tmp;
};

TEST_F(StdinStreamExWalk, FilesBeforeSubFoldersDownToTheLimit) {
    const std::vector<std::string> own = files_last_listed_first(m_tmp.path());
    ASSERT_EQ(own.size(), 2U);
    std::vector<std::string> expected = own;
    EXPECT_EQ(walk(m_tmp.path(), 0), expected);
    expected.push_back(m_tmp.file("s/z"));
    EXPECT_EQ(walk(m_tmp.path(), 1), expected);
    expected.push_back(m_tmp.file("s/t/deep.db"));
    EXPECT_EQ(walk(m_tmp.path(), 2), expected);
    EXPECT_EQ(walk(m_tmp.path(), 0xFFFFFFFF), expected);
}

TEST_F(StdinStreamExWalk, SubFoldersAreEnteredLastListedFirst) {
    ASSERT_EQ(::mkdir(m_tmp.file("r").c_str(), 0700), 0);
    write_file(m_tmp.file("r/w"), "w");
    kqportdir::dir_listing listed;
    (void)kqportdir::list_dir(m_tmp.path() + "/", listed, 0, true, true);
    ASSERT_EQ(listed.size(), 2U);
    const bool s_last = listed.back().m_path == m_tmp.file("s/");
    const std::vector<std::string> got = walk(m_tmp.path(), 1);
    ASSERT_EQ(got.size(), 4U);
    EXPECT_EQ(got[2], s_last ? m_tmp.file("s/z") : m_tmp.file("r/w"));
    EXPECT_EQ(got[3], s_last ? m_tmp.file("r/w") : m_tmp.file("s/z"));
}

TEST_F(StdinStreamExWalk, FiltersPickFilesButNeverFolders) {
    std::vector<filter_entry> only_db;
    ASSERT_EQ(parse_file_filter_list(only_db, "*.db"), 1U);
    EXPECT_EQ(walk(m_tmp.path(), 2, only_db),
              (std::vector<std::string>{m_tmp.file("s/t/deep.db")}));
    std::vector<filter_entry> none;
    ASSERT_EQ(parse_file_filter_list(none, "nothing.here"), 1U);
    EXPECT_TRUE(walk(m_tmp.path(), 2, none).empty());
}

// A file whose signature cannot be read (here a dangling link) still reaches the driver.
TEST_F(StdinStreamExWalk, UnreadableFilePassesASignatureFilter) {
    ASSERT_EQ(::symlink(m_tmp.file("gone").c_str(), m_tmp.file("s/t/link").c_str()), 0);
    filter_entry sig;
    sig.m_signature = {'S', 'Q', 'L'};
    const std::vector<std::string> got = walk(m_tmp.file("s/t"), 0, {sig});
    EXPECT_EQ(got, (std::vector<std::string>{m_tmp.file("s/t/link")}));
}

TEST_F(StdinStreamExWalk, MissingFolderOpensAndYieldsNothingButSaysSo) {
    kqportdir::stdin_stream_ex names(nullptr);
    EXPECT_TRUE(names.open_dir(m_tmp.file("missing"), 3, {}));
    std::string name;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(names.read_line(name, true));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(err.ends_with("prob listing folder " + m_tmp.file("missing") +
                              ": No such file or directory\n"))
        << err;
    EXPECT_EQ(names.unlisted_folders(), 1U);
    EXPECT_FALSE(names.open_dir(std::string(), 3, {}));
    EXPECT_TRUE(names.open_dir(m_tmp.file("s"), 3, {}));
    EXPECT_EQ(names.unlisted_folders(), 0U);  // every walk starts a new count
}

// A sub-folder that cannot be listed is said and counted; the rest of the walk goes on.
TEST_F(StdinStreamExWalk, UnlistableSubFolderIsSaidAndTheWalkGoesOn) {
    // A path of 4095 bytes is found by lstat, but listing it needs a '/' more than PATH_MAX
    // allows: unlistable for every user, root included.
    constexpr std::size_t longest_path = 4095;
    ASSERT_EQ(::mkdir(m_tmp.file("s/t/long").c_str(), 0700), 0);
    int fd = ::open(m_tmp.file("s/t/long").c_str(), O_RDONLY);
    std::size_t length = m_tmp.file("s/t/long").size();
    while (fd >= 0 && length < longest_path) {
        const std::size_t left = longest_path - length;  // for '/' and the name
        std::size_t size = std::min<std::size_t>(200, left - 1);
        if (left - (size + 1) == 1) {
            --size;  // a last step of one byte would leave no room for a name
        }
        const std::string name(size, 'p');
        ASSERT_EQ(::mkdirat(fd, name.c_str(), 0700), 0);
        const int inner = ::openat(fd, name.c_str(), O_RDONLY);
        ::close(fd);
        fd = inner;
        length += name.size() + 1;
    }
    ASSERT_GE(fd, 0);
    ::close(fd);
    ::testing::internal::CaptureStderr();
    const std::vector<std::string> got = walk(m_tmp.path(), 100);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("File name too long"), std::string::npos) << err;
    EXPECT_EQ(std::count(got.begin(), got.end(), m_tmp.file("s/t/deep.db")), 1);
    EXPECT_EQ(got.size(), 4U);
}

TEST_F(StdinStreamExWalk, LongPathPrefixIsRemovedBeforeListing) {
    EXPECT_EQ(walk("\\\\?\\" + m_tmp.file("s/t"), 0),
              (std::vector<std::string>{m_tmp.file("s/t/deep.db")}));
}

// Mend (directory layer ruling): a relative folder without '/' still lists with '/'.
TEST_F(StdinStreamExWalk, RelativeFolderListsWithSlash) {
    const std::string root = m_tmp.path();
    const int status = run_in_child([&root] {
        if (::chdir(root.c_str()) != 0) {
            return 2;
        }
        const bool ok = walk("s", 0) == std::vector<std::string>{"s/z"} && walk(".", 1).size() == 3;
        return ok ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

// Mend: names that are not UTF-8, and '*' or '%' in names, come out as the bytes that open
// them; a folder named with '*' is listed as itself, not as a wildcard.
TEST_F(StdinStreamExWalk, ForeignBytesAndWildcardsInNamesAreKept) {
    const std::string odd = m_tmp.file("odd\xff*");
    ASSERT_EQ(::mkdir(odd.c_str(), 0700), 0);
    write_file(odd + "/%HOME%x.db", "h");
    write_file(odd + "/n\xe9.db", "e");
    std::vector<std::string> got = walk(odd, 0);
    std::sort(got.begin(), got.end());
    ASSERT_EQ(got, (std::vector<std::string>{odd + "/%HOME%x.db", odd + "/n\xe9.db"}));
    for (const std::string& name : got) {
        EXPECT_EQ(velk_test::read_file(name).size(), 1U) << name;
    }
}

struct prefix_case {
    const char* name;
    std::wstring in;
    std::wstring out;
};

const std::wstring vss = uni::narrow_path_to_wide(vss_device_prefix(false, true));

const prefix_case prefix_cases[] = {
    {"LongPrefixRemoved", L"\\\\?\\/tmp/x.db", L"/tmp/x.db"},
    {"ShortGlobalRemoved", L"\\\\?\\GLOBALROOT\\x", L"GLOBALROOT\\x"},
    {"ShadowCopyKept", vss + L"1\\x.db", vss + L"1\\x.db"},
    {"ShadowCopyLowerCaseKept", L"\\\\?\\globalroot\\device\\harddiskvolumeshadowcopy1\\x",
     L"\\\\?\\globalroot\\device\\harddiskvolumeshadowcopy1\\x"},
    {"LongPathNotGlobalRemoved", L"\\\\?\\C:\\" + std::wstring(60, L'a'),
     L"C:\\" + std::wstring(60, L'a')},
    {"PrefixAloneKept", L"\\\\?\\", L"\\\\?\\"},
    {"TwoBackslashesKept", L"\\\\server\\share\\x.db", L"\\\\server\\share\\x.db"},
};

class StdinStreamExPrefix : public ::testing::TestWithParam<prefix_case> {};

TEST_P(StdinStreamExPrefix, FoldersOnlyLoseTheLongPathPrefix) {
    kqportdir::stdin_stream_ex names(nullptr);
    std::wstring path = GetParam().in;
    EXPECT_TRUE(names.accept_path(path, true));
    EXPECT_EQ(path, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Cases, StdinStreamExPrefix, ::testing::ValuesIn(prefix_cases),
                         [](const auto& p) { return std::string(p.param.name); });

// The options given at construction decide a file test (here their time window) until the
// first open; an opened walk tests with its filter list alone.
TEST(StdinStreamEx, OptionsWindowAppliesOnlyBeforeOpening) {
    temp_dir tmp;
    write_file(tmp.file("a.db"), "a");
    cmd_params options(0, false);
    options.m_start_valid = true;
    options.m_start_unix = 0xFFFFFFFF;  // later than any file
    kqportdir::stdin_stream_ex names(&options);
    std::wstring path = uni::narrow_path_to_wide(tmp.file("a.db"));
    EXPECT_FALSE(names.accept_path(path, false));
    EXPECT_EQ(walk(tmp.path(), 0), (std::vector<std::string>{tmp.file("a.db")}));
    ASSERT_TRUE(names.open_dir(tmp.path(), 0, {}));
    EXPECT_TRUE(names.accept_path(path, false));
}

}  // namespace
