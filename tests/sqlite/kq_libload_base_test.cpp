#include "sqlite/kq_libload_base.h"

#include <gtest/gtest.h>

#include <string>

#include "sqlite/sqlite_api.h"
#include "sqlite/sqlite_wrapper.h"

namespace {

// A shared object every Linux system has; loading it runs no code of ours.
constexpr const char* system_library = "libm.so.6";

// Records what load_library asks of its derived class.
class probe_loader : public kq_libload_base {
public:
    explicit probe_loader(bool accept) : m_accept(accept) {}

    bool resolve_symbols(void* handle) override {
        ++resolves;
        seen_handle = handle;
        return m_accept;
    }
    bool release_symbols() override {
        ++releases;
        m_library_handle = nullptr;
        return true;
    }

    int resolves = 0;
    int releases = 0;
    void* seen_handle = nullptr;

private:
    bool m_accept;
};

TEST(KqLibloadBase, LoadKeepsTheFirstLibraryItGets) {
    probe_loader loader(true);
    ASSERT_TRUE(loader.load_library(system_library));
    EXPECT_NE(loader.library_handle(), nullptr);
    EXPECT_EQ(loader.seen_handle, loader.library_handle());
    EXPECT_EQ(loader.library_path(), system_library);
    EXPECT_NE(loader.get_symbol(loader.library_handle(), "cos"), nullptr);
    EXPECT_EQ(loader.get_symbol(loader.library_handle(), ""), nullptr);

    // Already holding one: nothing is opened or bound again.
    EXPECT_TRUE(loader.load_library("libdoes-not-exist.so"));
    EXPECT_EQ(loader.resolves, 1);
    EXPECT_EQ(loader.library_path(), system_library);
    // The destructor closes the held library.
}

TEST(KqLibloadBase, RefusedBindingReleasesEverythingOnce) {
    probe_loader loader(false);
    EXPECT_FALSE(loader.load_library(system_library));
    EXPECT_NE(loader.seen_handle, nullptr);  // the library did open
    EXPECT_EQ(loader.releases, 1);
    EXPECT_EQ(loader.library_handle(), nullptr);
    EXPECT_EQ(loader.library_path(), "");

    // A path that does not load reaches resolve_symbols as a null handle.
    EXPECT_FALSE(loader.load_library("libdoes-not-exist.so"));
    EXPECT_EQ(loader.seen_handle, nullptr);
    EXPECT_EQ(loader.releases, 2);
}

TEST(KqLibloadBase, EmptyNamesAndHandlesGiveNothing) {
    probe_loader loader(true);
    EXPECT_EQ(loader.open_library(""), nullptr);
    EXPECT_FALSE(close_library_handle(nullptr));
    EXPECT_FALSE(loader.unload_library());
    void* handle = loader.open_library(system_library);
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(close_library_handle(handle));
}

// With SQLite linked in, any path "loads": the table comes from the program itself and
// no library handle is held.
TEST(KqLibloadBase, SqliteWrapperBindsTheLinkedLibrary) {
    sqlite_wrapper db;
    ASSERT_TRUE(db.load_library(""));
    EXPECT_FALSE(db.has_library());
    EXPECT_EQ(g_sqlite_api.sqlite3_open_v2, &::sqlite3_open_v2);
    EXPECT_TRUE(db.release_symbols());
    EXPECT_EQ(g_sqlite_api.sqlite3_open_v2, nullptr);
}

}  // namespace
