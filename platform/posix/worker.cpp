#include <pthread.h>
#include <time.h>

#include <new>

#include "platform/win32.h"

struct Worker {
  void (*body)(Worker*, void*);
  void* context;
  pthread_mutex_t lock;
  pthread_cond_t changed;
  pthread_t thread;
};

namespace {

void* RunBody(void* parameter) {
  auto* worker = static_cast<Worker*>(parameter);
  worker->body(worker, worker->context);
  return nullptr;
}

}  // namespace

Worker* StartWorker(void (*body)(Worker*, void*), void* context) {
  auto* worker =
      new (std::nothrow) Worker{body, context, PTHREAD_MUTEX_INITIALIZER,
                                PTHREAD_COND_INITIALIZER, pthread_t{}};
  if (!worker) return nullptr;
  if (pthread_create(&worker->thread, nullptr, RunBody, worker) != 0) {
    delete worker;
    return nullptr;
  }
  return worker;
}

void LockWorker(Worker* worker) { pthread_mutex_lock(&worker->lock); }

void UnlockWorker(Worker* worker) { pthread_mutex_unlock(&worker->lock); }

void WaitWorker(Worker* worker) {
  pthread_cond_wait(&worker->changed, &worker->lock);
}

void WakeWorker(Worker* worker) { pthread_cond_broadcast(&worker->changed); }

void JoinWorker(Worker* worker) {
  pthread_join(worker->thread, nullptr);
  pthread_mutex_destroy(&worker->lock);
  pthread_cond_destroy(&worker->changed);
  delete worker;
}

std::uint64_t MonotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000 +
         static_cast<std::uint64_t>(now.tv_nsec) / 1000;
}
