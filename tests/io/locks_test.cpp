#include "io/locks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <thread>
#include <type_traits>

namespace {

using namespace std::chrono_literals;

static_assert(!std::is_copy_constructible_v<LightweightLock>);
static_assert(!std::is_copy_assignable_v<LightweightLock>);
static_assert(!std::is_copy_constructible_v<AutoLock>);
static_assert(!std::is_copy_assignable_v<AutoLock>);
static_assert(std::is_abstract_v<LockableObject>);

// A second thread that blocks in lock() until the main thread lets go, then records that it
// got in and releases again. A lock bug must fail the test, not hang the run: on timeout the
// thread is detached and the lock leaked so it never outlives its object.
class contender {
public:
    explicit contender(LightweightLock* held) : m_lock(held), m_thread([this] { run(); }) {}
    ~contender() {
        if (m_acquired_future.wait_for(5s) == std::future_status::ready) {
            m_thread.join();
            return;
        }
        m_thread.detach();
    }
    contender(const contender&) = delete;
    contender& operator=(const contender&) = delete;

    bool acquired_within(std::chrono::milliseconds wait) {
        return m_acquired_future.wait_for(wait) == std::future_status::ready;
    }

private:
    void run() {
        static_cast<void>(m_lock->lock());
        m_acquired.set_value();
        static_cast<void>(m_lock->unlock());
    }

    LightweightLock* m_lock;
    std::promise<void> m_acquired;
    std::future<void> m_acquired_future = m_acquired.get_future();
    std::thread m_thread;
};

TEST(Locks, RecursiveLockBlocksOtherThreadsUntilFullyReleased) {
    // Leaked on purpose only when a timeout detaches the contender.
    auto held = std::make_unique<LightweightLock>();
    ASSERT_EQ(held->lock(), 0);
    ASSERT_EQ(held->lock(), 0);  // the same thread again: must not block
    bool ok = true;
    {
        contender other(held.get());
        EXPECT_FALSE(other.acquired_within(100ms));
        EXPECT_EQ(held->unlock(), 0);
        EXPECT_FALSE(other.acquired_within(100ms)) << "one level is still held";
        EXPECT_EQ(held->unlock(), 0);
        ok = other.acquired_within(5s);
        EXPECT_TRUE(ok) << "the fully released lock was not taken";
    }
    if (!ok) {
        static_cast<void>(held.release());
    }
}

TEST(Locks, AutoLockReleasesExactlyOneLevel) {
    auto held = std::make_unique<LightweightLock>();
    ASSERT_EQ(held->lock(), 0);
    { AutoLock guard(held.get()); }
    bool ok = true;
    {
        contender other(held.get());
        EXPECT_FALSE(other.acquired_within(100ms)) << "the guard released the caller's level";
        EXPECT_EQ(held->unlock(), 0);
        ok = other.acquired_within(5s);
        EXPECT_TRUE(ok);
    }
    if (!ok) {
        static_cast<void>(held.release());
    }
}

TEST(Locks, AutoLockCallsThroughTheVirtualSlots) {
    // The guard must reach an override, not a fixed implementation.
    class counting_lock : public LightweightLock {
    public:
        int lock() override {
            ++locks;
            return LightweightLock::lock();
        }
        int unlock() override {
            ++unlocks;
            return LightweightLock::unlock();
        }
        int locks = 0;
        int unlocks = 0;
    };
    counting_lock held;
    {
        AutoLock guard(&held);
        EXPECT_EQ(held.locks, 1);
        EXPECT_EQ(held.unlocks, 0);
    }
    EXPECT_EQ(held.unlocks, 1);
}

// A null lock is the caller's bug: the guard stops with the project's assertion, kept in
// release builds, instead of calling through a null pointer.
TEST(LocksDeathTest, AutoLockOfNullStopsWithTheAssertion) {
    EXPECT_DEATH({ AutoLock guard(nullptr); }, "held != nullptr.*AutoLock::AutoLock.*locks");
}

TEST(Locks, NewLockHasEmptyNameInZeroedBuffer) {
    LightweightLock held;
    LockableObject& base = held;
    const char* name = base.get_name();
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "");
    const char zeros[LockableObject::name_size] = {};
    EXPECT_EQ(std::memcmp(name, zeros, sizeof zeros), 0);
}

}  // namespace
