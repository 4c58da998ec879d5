#include <pthread.h>

#include "platform/win32.h"

namespace {

pthread_mutex_t gSharedState = PTHREAD_MUTEX_INITIALIZER;

}  // namespace

void LockSharedState() { pthread_mutex_lock(&gSharedState); }

void UnlockSharedState() { pthread_mutex_unlock(&gSharedState); }
