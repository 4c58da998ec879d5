#include "tools/host/throttle.h"

#include <cstdio>

#include "tools/host/importpatch.h"

namespace {

typedef BOOL(WINAPI* ReadFileFn)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
typedef size_t(__cdecl* FwriteFn)(const void*, size_t, size_t, FILE*);
typedef LONG(WINAPI* DelayFn)(BOOLEAN, const LARGE_INTEGER*);

struct Throttle {
  double readRate = 0;
  double writeRate = 0;
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

// Sleeps until bytes at rate have passed since start, so that a call takes
// what the device needs however long its own work took.
void Pace(long long start, double bytes, double rate) {
  const double frequency = static_cast<double>(throttle.frequency.QuadPart);
  const long long due =
      start + static_cast<long long>(bytes / rate * frequency);
  const long long left = due - Now();
  if (left <= 0) return;
  // Relative, in 100 ns units.
  LARGE_INTEGER interval;
  interval.QuadPart = -static_cast<long long>(left * 1e7 / frequency);
  if (throttle.delay)
    throttle.delay(FALSE, &interval);
  else
    Sleep(static_cast<DWORD>(-interval.QuadPart / 10000));
}

BOOL WINAPI ThrottledReadFile(HANDLE file, LPVOID buffer, DWORD bytes,
                              LPDWORD got, LPOVERLAPPED overlapped) {
  const long long start = Now();
  const BOOL ok = throttle.readFile(file, buffer, bytes, got, overlapped);
  Pace(start, got ? *got : bytes, throttle.readRate);
  return ok;
}

size_t __cdecl ThrottledFwrite(const void* data, size_t size, size_t count,
                               FILE* stream) {
  const long long start = Now();
  const size_t written = throttle.fwrite(data, size, count, stream);
  Pace(start, static_cast<double>(written) * size, throttle.writeRate);
  return written;
}

}  // namespace

void ApplyThrottle(HMODULE module, const ThrottleRates& rates) {
  if (rates.read <= 0 && rates.write <= 0) return;
  const double readRate = rates.read, writeRate = rates.write;
  QueryPerformanceFrequency(&throttle.frequency);
  throttle.delay = reinterpret_cast<DelayFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDelayExecution")));
  throttle.readRate = readRate;
  throttle.writeRate = writeRate;
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
