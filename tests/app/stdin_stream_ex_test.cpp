#include "app/stdin_stream_ex.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "cmdline/file_filters.h"
#include "io/io_test_support.h"
#include "io/kq_dir_list.h"
#include "io/path_codec.h"
#include "io/uni_path.h"
#include "io/uni_stdio.h"
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

// Lines that cannot be paths are passed over whole, each said once with its line number;
// the lines around them still come.
TEST(StdinStreamEx, LinesThatCannotBePathsAreSkippedAndSaid) {
    const std::string too_long = "/" + std::string(uni::stdin_stream::max_line_length, 'n');
    ::testing::internal::CaptureStderr();
    const std::vector<std::string> got =
        names_from_stdin("/a.db\n" + too_long + "\r\n" + std::string("/b\0.db\n", 7) + "/c.db");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(got, (std::vector<std::string>{"/a.db", "/c.db"}));
    EXPECT_EQ(err,
              "skipping line 2 of standard input: longer than 4095 bytes, so no path\n"
              "skipping line 3 of standard input: it holds a NUL byte, which no path can\n");
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

// Read as databases, a folder's "-wal", "-journal" and "-shm" beside their database are
// passed over (the database reads them); a companion whose database is elsewhere or reached
// only through a link is not (link.db itself is read as target.db). Read as chunks, every
// file comes out.
TEST(StdinStreamExCompanions, ReadWithTheirDatabaseOnly) {
    temp_dir tmp;
    for (const char* name :
         {"x.db", "x.db-wal", "x.db-journal", "x.db-shm", "y.db-wal", "X.DB-WAL", "z-wal"}) {
        write_file(tmp.file(name), "x");
    }
    write_file(tmp.file("target.db"), "t");
    ASSERT_EQ(::symlink("target.db", tmp.file("link.db").c_str()), 0);
    write_file(tmp.file("link.db-wal"), "w");
    for (const bool as_databases : {true, false}) {
        kqportdir::stdin_stream_ex names(nullptr);
        names.set_companions_read_with_database(as_databases);
        ASSERT_TRUE(names.open_dir(tmp.path(), 0, {}));
        std::vector<std::string> got = read_all(names);
        std::sort(got.begin(), got.end());
        std::vector<std::string> expected;
        for (const char* name :
             {"X.DB-WAL", "link.db-wal", "target.db", "x.db", "y.db-wal", "z-wal"}) {
            expected.push_back(tmp.file(name));
        }
        if (!as_databases) {
            for (const char* name : {"x.db-journal", "x.db-shm", "x.db-wal"}) {
                expected.push_back(tmp.file(name));
            }
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(got, expected) << as_databases;
    }
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

// A file whose signature cannot be read (here a dangling link's name) passes the filters,
// so it still reaches the driver and its message.
TEST_F(StdinStreamExWalk, UnreadableFilePassesASignatureFilter) {
    ASSERT_EQ(::symlink(m_tmp.file("gone").c_str(), m_tmp.file("s/t/link").c_str()), 0);
    filter_entry sig;
    sig.m_signature = {'S', 'Q', 'L'};
    kqportdir::stdin_stream_ex names(nullptr);
    ASSERT_TRUE(names.open_dir(m_tmp.file("s/t"), 0, {sig}));
    std::wstring path = uni::narrow_path_to_wide(m_tmp.file("s/t/link"));
    EXPECT_TRUE(names.accept_path(path, false));
    std::wstring other = uni::narrow_path_to_wide(m_tmp.file("s/t/deep.db"));
    EXPECT_FALSE(names.accept_path(other, false));  // readable, and not SQL
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

// One entry e in the walked folder root, beside sub/t.db; what the walk hands out and the
// one line it says ("" for none), after "skipping " and the root. "R" stands for the root
// resolved.
struct walked_entry_case {
    const char* name;
    std::function<int(const std::string& root)> make;  // 0 when e was made
    uint32 depth;
    std::vector<std::string> names;  // relative to the root
    std::string said;
};

int make_fifo(const std::string& root) { return ::mkfifo((root + "/e").c_str(), 0600); }
int make_device(const std::string& root) {
    return ::mknod((root + "/e").c_str(), S_IFCHR | 0600, makedev(1, 3));  // /dev/null's
}
std::function<int(const std::string&)> link_to(const std::string& target) {
    return [target](const std::string& root) {
        return ::symlink(target.c_str(), (root + "/e").c_str());
    };
}

const walked_entry_case walked_entry_cases[] = {
    {"Fifo", make_fifo, 1, {"sub/t.db"}, "e: a FIFO, not a regular file"},
    {"CharacterDevice", make_device, 1, {"sub/t.db"}, "e: a character device, not a regular file"},
    {"OutsideAbsoluteLink",
     link_to("/etc/hostname"),
     1,
     {"sub/t.db"},
     "e: a link to /etc/hostname, outside the walked folder"},
    {"LinkToTheRoot", link_to("/"), 1, {"sub/t.db"}, "e: a link to /, outside the walked folder"},
    {"LinkToAFolderInside",
     link_to("sub"),
     1,
     {"sub/t.db"},
     "e: a link to a folder, not a regular file"},
    {"LinkLoop",
     link_to("e"),
     1,
     {"sub/t.db"},
     "e: a link that reaches no file: Too many levels of symbolic links"},
    {"DanglingLink",
     link_to("gone"),
     1,
     {"sub/t.db"},
     "e: a link that reaches no file: No such file or directory"},
    // A file reached directly and through a link is read once, under its own name.
    {"InsideLinkToAWalkedFile",
     link_to("sub/t.db"),
     1,
     {"sub/t.db"},
     "e: a link to R/sub/t.db, read in this walk already"},
    {"InsideLinkPastTheDepth", link_to("sub/t.db"), 0, {"e"}, ""},
    {"RelativeLinkThroughTheParent", link_to("../root/sub/t.db"), 0, {"e"}, ""},
    {"HardLink",
     [](const std::string& root) {
         return ::link((root + "/sub/t.db").c_str(), (root + "/e").c_str());
     },
     1,
     {"e"},
     "sub/t.db: the same file as another name read in this walk (a hard link)"},
};

class StdinStreamExWalkedEntry : public ::testing::TestWithParam<walked_entry_case> {};

// Watches one folder for opens of the entries in it.
class open_watch {
public:
    explicit open_watch(const std::string& folder) : m_fd(::inotify_init1(IN_NONBLOCK)) {
        m_ok = m_fd >= 0 && ::inotify_add_watch(m_fd, folder.c_str(), IN_OPEN) >= 0;
    }
    ~open_watch() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    open_watch(const open_watch&) = delete;
    open_watch& operator=(const open_watch&) = delete;
    [[nodiscard]] bool ok() const { return m_ok; }

    // The names of the entries opened so far that are no folders (a folder is opened to
    // be listed).
    [[nodiscard]] std::vector<std::string> opened_files() const {
        std::array<char, 4096> events{};
        const ssize_t length = ::read(m_fd, events.data(), events.size());
        std::vector<std::string> names;
        for (ssize_t at = 0; at < length;) {
            inotify_event event{};
            std::memcpy(&event, events.data() + at, sizeof event);
            if ((event.mask & IN_ISDIR) == 0 && event.len > 0) {
                names.emplace_back(events.data() + at + sizeof event);
            }
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
        return names;
    }

private:
    int m_fd;
    bool m_ok = false;
};

// The line expected on standard error: "R" in the case's text becomes the root resolved.
std::string expected_said(const walked_entry_case& c, const std::string& root) {
    if (c.said.empty()) {
        return {};
    }
    std::string said = c.said;
    if (const auto at = said.find("R/"); at != std::string::npos) {
        std::string real;
        (void)uni::resolve_path(root, real);  // the root exists: the walk listed it
        said.replace(at, 1, real);
    }
    return "skipping " + root + "/" + said + "\n";
}

// root with sub/t.db and the case's entry e; false when e cannot be made here (a device
// needs the right to make one).
bool make_walked_root(const std::string& root, const walked_entry_case& c) {
    if (::mkdir(root.c_str(), 0700) != 0 || ::mkdir((root + "/sub").c_str(), 0700) != 0) {
        return false;
    }
    write_file(root + "/sub/t.db", "SQLite");
    return c.make(root) == 0;
}

// The walk of root under a signature filter, as names relative to root; err receives what
// it said on standard error.
std::vector<std::string> walk_with_signature_filter(const std::string& root, uint32 depth,
                                                    std::string& err) {
    filter_entry sig;
    sig.m_signature = {'S', 'Q', 'L'};
    ::testing::internal::CaptureStderr();
    std::vector<std::string> got = walk(root, depth, {sig});
    err = ::testing::internal::GetCapturedStderr();
    for (std::string& name : got) {
        name.erase(0, root.size() + 1);
    }
    return got;
}

// Only regular files are handed out, decided without opening anything: the folder is
// watched for opens while a signature filter (which opens what it tests) runs on every file
// handed out: e is never opened unless it is one.
TEST_P(StdinStreamExWalkedEntry, OnlyRegularFilesInsideTheFolder) {
    const walked_entry_case& c = GetParam();
    temp_dir tmp;
    const std::string root = tmp.file("root");
    if (!make_walked_root(root, c)) {
        GTEST_SKIP() << c.name << " cannot be made here: " << std::strerror(errno);
    }
    const open_watch watch(root);
    ASSERT_TRUE(watch.ok());
    std::string err;
    const std::vector<std::string> got = walk_with_signature_filter(root, c.depth, err);
    EXPECT_EQ(got, c.names);
    EXPECT_EQ(err, expected_said(c, root));
    if (got != std::vector<std::string>{"e"}) {
        EXPECT_EQ(watch.opened_files(), std::vector<std::string>{});
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, StdinStreamExWalkedEntry, ::testing::ValuesIn(walked_entry_cases),
                         [](const auto& p) { return std::string(p.param.name); });

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
