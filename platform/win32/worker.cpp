#include <new>

#include "platform/win32.h"

// SRW locks and condition variables came with Vista.
#if _WIN32_WINNT < 0x0600
#error "the worker's hand-over needs _WIN32_WINNT 0x0600 or later"
#endif

struct Worker {
  void (*body)(Worker*, void*);
  void* context;
  SRWLOCK lock;
  CONDITION_VARIABLE changed;
  HANDLE thread;
};

namespace {

DWORD WINAPI RunBody(LPVOID parameter) {
  auto* worker = static_cast<Worker*>(parameter);
  worker->body(worker, worker->context);
  return 0;
}

}  // namespace

Worker* StartWorker(void (*body)(Worker*, void*), void* context) {
  auto* worker = new (std::nothrow)
      Worker{body, context, SRWLOCK_INIT, CONDITION_VARIABLE_INIT, nullptr};
  if (!worker) return nullptr;
  worker->thread = CreateThread(nullptr, 0, RunBody, worker, 0, nullptr);
  if (!worker->thread) {
    delete worker;
    return nullptr;
  }
  return worker;
}

void LockWorker(Worker* worker) { AcquireSRWLockExclusive(&worker->lock); }

void UnlockWorker(Worker* worker) { ReleaseSRWLockExclusive(&worker->lock); }

void WaitWorker(Worker* worker) {
  SleepConditionVariableSRW(&worker->changed, &worker->lock, INFINITE, 0);
}

void WakeWorker(Worker* worker) { WakeAllConditionVariable(&worker->changed); }

void JoinWorker(Worker* worker) {
  WaitForSingleObject(worker->thread, INFINITE);
  CloseHandle(worker->thread);
  delete worker;
}

std::uint64_t MonotonicMicroseconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<std::uint64_t>(now.QuadPart) / frequency.QuadPart *
             1000000 +
         static_cast<std::uint64_t>(now.QuadPart) % frequency.QuadPart *
             1000000 / frequency.QuadPart;
}
