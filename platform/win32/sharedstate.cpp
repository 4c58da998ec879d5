#include "platform/win32.h"

namespace {

// Statically initialised: no call has to come first.
SRWLOCK gSharedState = SRWLOCK_INIT;

}  // namespace

void LockSharedState() { AcquireSRWLockExclusive(&gSharedState); }

void UnlockSharedState() { ReleaseSRWLockExclusive(&gSharedState); }
