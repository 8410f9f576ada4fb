// The error record is one per process and every thread may raise: each
// read or write of it holds this lock, so that no thread sees a parameter
// torn by another. The lock is never held while anything that may raise
// runs.
#ifndef CTCOMMON_ERRORS_RECORD_LOCK_H
#define CTCOMMON_ERRORS_RECORD_LOCK_H

#include <mutex>

inline std::mutex &o_RecordLock() {
    static std::mutex o_lock;
    return o_lock;
}

#endif
