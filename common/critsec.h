#pragma once
// The critical section of an object of the model, and the guard that holds it
// for one call (taken on entry, released on every exit).
#include "platform/win32.h"

class CKXCriticalSection {
public:
    CKXCriticalSection() { InitializeCriticalSection(&cs_); }
    ~CKXCriticalSection() { DeleteCriticalSection(&cs_); }
    CKXCriticalSection(const CKXCriticalSection&) = delete;
    CKXCriticalSection& operator=(const CKXCriticalSection&) = delete;
    void Lock() { EnterCriticalSection(&cs_); }
    void Unlock() { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

class CKXLock {
public:
    explicit CKXLock(CKXCriticalSection& cs) : cs_(cs) { cs_.Lock(); }
    ~CKXLock() { cs_.Unlock(); }
    CKXLock(const CKXLock&) = delete;
    CKXLock& operator=(const CKXLock&) = delete;

private:
    CKXCriticalSection& cs_;
};
