// Linked into every suite of a ThreadSanitizer build (./build.sh test-tsan): makes the locking
// of Debian's Qt, which is not built for the sanitizer, visible to it.
//
// An uncontended QMutex lock or unlock through QMutexLocker is an inline atomic on the
// mutex's first word, compiled into our own code, so the sanitizer sees it. What it does not
// see happens inside libQt5Core: the contended lock and unlock, QMutex's out-of-line
// lock() and unlock(), and the unlock and relock inside QWaitCondition::wait(). Calls from
// our code to those functions land here instead; each one calls Qt's own and tells the
// sanitizer that the mutex was acquired or released, on the same address as the inline
// atomics. QWaitCondition's wake-ups go through pthread condition variables, which the
// sanitizer intercepts anyway.

#include <QDeadlineTimer>
#include <QMutex>
#include <QWaitCondition>

#include <dlfcn.h>
#include <sanitizer/tsan_interface.h>

namespace {

template <typename F>
F qtFunction(const char *mangledName)
{
    void *f = dlsym(RTLD_NEXT, mangledName);
    if (!f)
        qFatal("ThreadSanitizer support: %s not found in Qt", mangledName);
    return reinterpret_cast<F>(f);
}

} // namespace

void QBasicMutex::lockInternal() QT_MUTEX_LOCK_NOEXCEPT
{
    static const auto next = qtFunction<void (*)(QBasicMutex *)>("_ZN11QBasicMutex12lockInternalEv");
    next(this);
    __tsan_acquire(this);
}

bool QBasicMutex::lockInternal(int timeout) QT_MUTEX_LOCK_NOEXCEPT
{
    static const auto next = qtFunction<bool (*)(QBasicMutex *, int)>("_ZN11QBasicMutex12lockInternalEi");
    const bool locked = next(this, timeout);
    if (locked)
        __tsan_acquire(this);
    return locked;
}

void QBasicMutex::unlockInternal() noexcept
{
    static const auto next = qtFunction<void (*)(QBasicMutex *)>("_ZN11QBasicMutex14unlockInternalEv");
    __tsan_release(this);
    next(this);
}

void QMutex::lock() QT_MUTEX_LOCK_NOEXCEPT
{
    static const auto next = qtFunction<void (*)(QMutex *)>("_ZN6QMutex4lockEv");
    next(this);
    __tsan_acquire(this);
}

bool QMutex::tryLock(int timeout) QT_MUTEX_LOCK_NOEXCEPT
{
    static const auto next = qtFunction<bool (*)(QMutex *, int)>("_ZN6QMutex7tryLockEi");
    const bool locked = next(this, timeout);
    if (locked)
        __tsan_acquire(this);
    return locked;
}

void QMutex::unlock() noexcept
{
    static const auto next = qtFunction<void (*)(QMutex *)>("_ZN6QMutex6unlockEv");
    __tsan_release(this);
    next(this);
}

bool QWaitCondition::wait(QMutex *lockedMutex, QDeadlineTimer deadline)
{
    static const auto next = qtFunction<bool (*)(QWaitCondition *, QMutex *, QDeadlineTimer)>(
        "_ZN14QWaitCondition4waitEP6QMutex14QDeadlineTimer");
    __tsan_release(lockedMutex);
    const bool woken = next(this, lockedMutex, deadline);
    __tsan_acquire(lockedMutex);
    return woken;
}

bool QWaitCondition::wait(QMutex *lockedMutex, unsigned long time)
{
    static const auto next = qtFunction<bool (*)(QWaitCondition *, QMutex *, unsigned long)>(
        "_ZN14QWaitCondition4waitEP6QMutexm");
    __tsan_release(lockedMutex);
    const bool woken = next(this, lockedMutex, time);
    __tsan_acquire(lockedMutex);
    return woken;
}
