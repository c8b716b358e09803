#include "io/locks.h"

#include <cstring>

#include "text/kq_assert.h"

LockableObject::LockableObject() { std::memset(m_name, 0, sizeof m_name); }

char* LockableObject::get_name() { return m_name; }

LightweightLock::LightweightLock() : m_mutex() {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    // Recursive so that a guarded operation may call another guarded operation of the same
    // object on the same thread without deadlocking.
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&m_mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

LightweightLock::~LightweightLock() { pthread_mutex_destroy(&m_mutex); }

int LightweightLock::lock() { return pthread_mutex_lock(&m_mutex); }

int LightweightLock::unlock() { return pthread_mutex_unlock(&m_mutex); }

AutoLock::AutoLock(LightweightLock* held) : m_lock(held) {
    // A guard without a lock is a caller's bug; a release build must stop here, not crash
    // somewhere in lock().
    KQ_ASSERT(held != nullptr, "AutoLock::AutoLock(LightweightLock*)", "locks");
    // The result is ignored on purpose: a guard has no way to report it, and a failed lock
    // of a valid recursive mutex only happens on overflow of its count.
    static_cast<void>(m_lock->lock());
}

AutoLock::~AutoLock() { static_cast<void>(m_lock->unlock()); }
