// The locks guarding the results database's queued inserts: an abstract named lock, a
// recursive POSIX mutex behind it, and a scope guard.
#pragma once

#include <pthread.h>

// Abstract lock with a fixed name buffer. The buffer starts zero-filled, so a new lock's
// name is the empty string.
class LockableObject {  // NOLINT(readability-identifier-naming)
public:
    static constexpr int name_size = 40;

    LockableObject();
    virtual ~LockableObject() = default;
    LockableObject(const LockableObject&) = delete;
    LockableObject& operator=(const LockableObject&) = delete;

    virtual int lock() = 0;
    virtual int unlock() = 0;
    virtual char* get_name();

private:
    char m_name[name_size];
};

// A recursive mutex: a holder may lock again (a guarded operation calling another guarded
// operation of the same object) and must unlock once per lock. It must be fully unlocked
// before it is destroyed.
class LightweightLock : public LockableObject {  // NOLINT(readability-identifier-naming)
public:
    LightweightLock();
    ~LightweightLock() override;
    LightweightLock(const LightweightLock&) = delete;
    LightweightLock& operator=(const LightweightLock&) = delete;

    // Both return the pthread result (0 on success).
    int lock() override;
    int unlock() override;

private:
    pthread_mutex_t m_mutex;
};

// Holds one level of a lock for the length of a scope. The lock is not owned.
class AutoLock {  // NOLINT(readability-identifier-naming)
public:
    explicit AutoLock(LightweightLock* held);
    virtual ~AutoLock();
    AutoLock(const AutoLock&) = delete;
    AutoLock& operator=(const AutoLock&) = delete;

private:
    LightweightLock* m_lock;
};
