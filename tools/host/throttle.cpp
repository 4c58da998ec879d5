#include "tools/host/throttle.h"

#include <cstdio>

#include "tools/host/importpatch.h"

namespace {

typedef BOOL(WINAPI* ReadFileFn)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
typedef size_t(__cdecl* FwriteFn)(const void*, size_t, size_t, FILE*);
typedef LONG(WINAPI* DelayFn)(BOOLEAN, const LARGE_INTEGER*);

// One side's rate, and how far its last sleep overran, in counter ticks.
struct Side {
  double rate = 0;
  long long late = 0;
};

struct Throttle {
  Side read;
  Side write;
  ReadFileFn readFile = nullptr;
  FwriteFn fwrite = nullptr;
  // Sleep counts whole milliseconds; a chunk at a slow rate takes a few.
  DelayFn delay = nullptr;
  LARGE_INTEGER frequency{};
} throttle;

long long Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

// Sleeps until bytes at the side's rate have passed since start, so that a
// call takes what the device needs however long its own work took. A sleep
// wakes late by the system's wake-up time, more on a busy machine: the
// side's next call sleeps that much less, so that the rate holds over a
// copy as a device's would.
void Pace(long long start, double bytes, Side& side) {
  const double frequency = static_cast<double>(throttle.frequency.QuadPart);
  const long long needed =
      static_cast<long long>(bytes / side.rate * frequency);
  const long long due = start + (needed > side.late ? needed - side.late : 0);
  side.late = 0;
  const long long left = due - Now();
  if (left <= 0) return;
  // Relative, in 100 ns units.
  LARGE_INTEGER interval;
  interval.QuadPart = -static_cast<long long>(left * 1e7 / frequency);
  if (throttle.delay)
    throttle.delay(FALSE, &interval);
  else
    Sleep(static_cast<DWORD>(-interval.QuadPart / 10000));
  side.late = Now() - due;
}

BOOL WINAPI ThrottledReadFile(HANDLE file, LPVOID buffer, DWORD bytes,
                              LPDWORD got, LPOVERLAPPED overlapped) {
  const long long start = Now();
  const BOOL ok = throttle.readFile(file, buffer, bytes, got, overlapped);
  Pace(start, got ? *got : bytes, throttle.read);
  return ok;
}

size_t __cdecl ThrottledFwrite(const void* data, size_t size, size_t count,
                               FILE* stream) {
  const long long start = Now();
  const size_t written = throttle.fwrite(data, size, count, stream);
  Pace(start, static_cast<double>(written) * size, throttle.write);
  return written;
}

}  // namespace

void ApplyThrottle(HMODULE module, const ThrottleRates& rates) {
  if (rates.read <= 0 && rates.write <= 0) return;
  const double readRate = rates.read, writeRate = rates.write;
  QueryPerformanceFrequency(&throttle.frequency);
  throttle.delay = reinterpret_cast<DelayFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDelayExecution")));
  throttle.read.rate = readRate;
  throttle.write.rate = writeRate;
  const void* previous = nullptr;
  if (readRate > 0 &&
      PatchImport(module, "KERNEL32.dll", "ReadFile",
                  reinterpret_cast<const void*>(&ThrottledReadFile), &previous))
    throttle.readFile = reinterpret_cast<ReadFileFn>(previous);
  if (writeRate > 0 &&
      PatchImport(module, "msvcrt.dll", "fwrite",
                  reinterpret_cast<const void*>(&ThrottledFwrite), &previous))
    throttle.fwrite = reinterpret_cast<FwriteFn>(previous);
}
