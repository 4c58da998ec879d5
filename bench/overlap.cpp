// bench_overlap: copies through FsGetFile with the drive and the target each
// slowed to a set rate, timed against what the slower side alone needs
// (max(size/R, size/W)) and what reading and writing in turn would take
// (size/R + size/W). The drive is throttled in the native layer; the target
// is a FIFO that this program drains at W, a device with a cache of one
// chunk (the pipe's 64 KiB): a write blocks until the device has taken the
// one before it. A copy is timed until the device has taken its last byte.
//
// Then, unthrottled, what the worker would cost or gain where the reads are
// fast (a cached image), which is why such reads stay in turn: the same
// stream in turn and with the worker forced on (it starts after the second
// chunk), alternated pair by pair, each writing to a file in WORK_DIR (put
// it on tmpfs).
//
//   bench_overlap WORK_DIR [SIZE_MIB [REPEATS]]    default 32 MiB, 5 runs
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/benchutil.h"
#include "disc/drivecache.h"
#include "disc/readahead.h"
#include "filesystem/exports.h"
#include "filesystem/state.h"
#include "path/filelookup.h"
#include "platform/native/testapi.h"
#include "tools/imagewriter/imagewriter.h"

namespace {

constexpr double kMiB = 1048576.0;

int WINAPI Progress(int, char*, char*, int) { return 0; }
int WINAPI Request(int, int, char*, char* text, char*, int) {
  std::fprintf(stderr, "bench_overlap: %s\n", text ? text : "");
  return 1;
}
void WINAPI Log(int, int, char*) {}

timespec Plus(timespec t, double seconds) {
  const long long ns = t.tv_nsec + static_cast<long long>(seconds * 1e9);
  t.tv_sec += static_cast<time_t>(ns / 1000000000LL);
  t.tv_nsec = static_cast<long>(ns % 1000000000LL);
  return t;
}

bool Before(const timespec& a, const timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// The slow target: drains the FIFO, each read taking bytes/rate from when
// the bytes were there or the last read was done, whichever is later.
struct Drain {
  int fd;
  std::uint64_t bytes;
  double rate;
};

void* DrainFifo(void* context) {
  const Drain& drain = *static_cast<Drain*>(context);
  std::vector<char> buffer(65536);
  std::uint64_t left = drain.bytes;
  timespec due{};
  while (left > 0) {
    const ssize_t n = read(drain.fd, buffer.data(), buffer.size());
    if (n <= 0) break;
    left -= static_cast<std::uint64_t>(n);
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (Before(due, now)) due = now;
    due = Plus(due, n / drain.rate);
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
  }
  return nullptr;
}

// One throttled copy of `bytes` into the FIFO; its seconds, or -1.
double ThrottledCopy(const std::string& fifo, std::uint64_t bytes,
                     double readRate, double writeRate) {
  // Held open for reading and writing, so the plug-in's opens never block
  // and the drain never sees an end between them.
  const int fd = open(fifo.c_str(), O_RDWR);
  if (fd < 0) return -1;
  fcntl(fd, F_SETPIPE_SZ, 65536);
  Drain drain{fd, bytes, writeRate};
  pthread_t drainer;
  pthread_create(&drainer, nullptr, DrainFifo, &drain);
  nativewin::ThrottleReads(readRate);
  const auto start = bench::Clock::now();
  const int result =
      FsGetFile("\\E:\\data.bin", fifo.c_str(), kCopyFlagOverwrite, nullptr);
  // A failed copy leaves the drain waiting for bytes that never come.
  if (result != kFileOk) pthread_cancel(drainer);
  pthread_join(drainer, nullptr);
  const double seconds = bench::SecondsSince(start);
  nativewin::ThrottleReads(0);
  close(fd);
  return result == kFileOk ? seconds : -1;
}

struct FileSink {
  std::FILE* file;
};

int WriteChunk(void* context, const ExtractChunk* chunk) {
  auto* sink = static_cast<FileSink*>(context);
  return std::fwrite(chunk->data, 1, chunk->length, sink->file) == chunk->length
             ? 0
             : 2;
}

// Seconds for `rounds` streams of the range, read in turn or with the
// worker forced on.
double StreamRounds(const Device& device, const ExtractRequest& request,
                    bool ahead, const std::string& target, int rounds) {
  auto* buffer = static_cast<std::uint8_t*>(AllocBlock(65536));
  const auto start = bench::Clock::now();
  for (int i = 0; i < rounds; ++i) {
    FileSink sink{std::fopen(target.c_str(), "wb")};
    std::setvbuf(sink.file, nullptr, _IONBF, 0);
    ExtractRequest r = request;
    r.userData = &sink;
    StreamRange(device, r, buffer, 65536, ahead ? UINT32_MAX : 0);
    std::fclose(sink.file);
  }
  const double seconds = bench::SecondsSince(start);
  FreeBlock(buffer);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: bench_overlap WORK_DIR [SIZE_MIB [REPEATS]]\n");
    return 2;
  }
  const std::string work = argv[1];
  const std::uint32_t sizeMiB = argc > 2 ? std::atoi(argv[2]) : 32;
  const int repeats = argc > 3 ? std::atoi(argv[3]) : 5;
  const std::uint64_t bytes = std::uint64_t{sizeMiB} << 20;

  const std::string image = work + "/overlap.xiso";
  std::string error;
  imagewriter::LayoutReport report;
  const auto tree = imagewriter::MakeDirectory(
      "", {imagewriter::MakePatternFile("data.bin", bytes, 5)});
  if (!imagewriter::WriteImage(tree, image, imagewriter::WriteOptions{},
                               &report, &error)) {
    std::fprintf(stderr, "bench_overlap: %s\n", error.c_str());
    return 1;
  }
  nativewin::AddDrive("E:\\", DRIVE_CDROM, image);
  FsInit(1, Progress, Log, Request);
  const std::string fifo = work + "/target.fifo";
  unlink(fifo.c_str());
  mkfifo(fifo.c_str(), 0600);

  std::printf("Throttled copies of %u MiB through FsGetFile, %d runs each\n",
              sizeMiB, repeats);
  std::printf("%-8s %-8s %8s %8s %18s %8s %8s\n", "R MiB/s", "W MiB/s", "max s",
              "sum s", "T median (range)", "T/max", "T/sum");
  const double rates[][2] = {
      {32, 32}, {16, 32}, {32, 16}, {32, 100000}, {100000, 32}};
  const int kCases = sizeof rates / sizeof rates[0];
  std::vector<std::vector<double>> times(kCases);
  // Cases interleaved, so the machine's load falls on each alike.
  for (int i = 0; i < repeats; ++i) {
    for (int c = 0; c < kCases; ++c) {
      const double t =
          ThrottledCopy(fifo, bytes, rates[c][0] * kMiB, rates[c][1] * kMiB);
      if (t < 0) return 1;
      times[c].push_back(t);
    }
  }
  for (int c = 0; c < kCases; ++c) {
    const double r = rates[c][0] * kMiB, w = rates[c][1] * kMiB;
    const double most = std::max(bytes / r, bytes / w);
    const double sum = bytes / r + bytes / w;
    const bench::Summary t = bench::Summarize(times[c]);
    std::printf("%-8.0f %-8.0f %8.3f %8.3f %6.3f (%.3f-%.3f) %8.3f %8.3f\n",
                rates[c][0], rates[c][1], most, sum, t.median, t.min, t.max,
                t.median / most, t.median / sum);
  }
  unlink(fifo.c_str());

  // Short ranges, unthrottled: what the worker costs.
  const Device& device = *OpenDrive(gPluginState.driveCache, "E:");
  DirNode node;
  FindFileNode("E:\\data.bin", gPluginState.driveCache, node);
  const std::string target = work + "/short.bin";
  constexpr int kRounds = 200;
  std::printf(
      "\nUnthrottled, in turn against the worker forced on: %d streams a "
      "sample, 21 pairs\n",
      kRounds);
  std::printf("%-7s %22s %22s %s\n", "chunks", "in turn us (range)",
              "ahead us (range)", "ahead/in turn per pair (range)");
  for (std::uint32_t chunks : {2u, 3u, 4u, 8u, 16u, 64u, 256u}) {
    const ExtractRequest request{
        static_cast<std::int64_t>(SectorToOffset(node.startSector)),
        chunks * 65536, 32, WriteChunk, nullptr};
    std::vector<double> inTurn, ahead, ratios;
    for (int pair = 0; pair < 21; ++pair) {
      const bool aheadFirst = pair % 2;
      double a = 0, b = 0;
      if (aheadFirst) a = StreamRounds(device, request, true, target, kRounds);
      b = StreamRounds(device, request, false, target, kRounds);
      if (!aheadFirst) a = StreamRounds(device, request, true, target, kRounds);
      ahead.push_back(a / kRounds * 1e6);
      inTurn.push_back(b / kRounds * 1e6);
      ratios.push_back(a / b);
    }
    const auto i = bench::Summarize(inTurn), a = bench::Summarize(ahead),
               r = bench::Summarize(ratios);
    std::printf(
        "%-7u %7.1f (%6.1f-%6.1f) %7.1f (%6.1f-%6.1f) %.3f (%.3f-%.3f)\n",
        chunks, i.median, i.min, i.max, a.median, a.min, a.max, r.median, r.min,
        r.max);
  }
  unlink(target.c_str());
  unlink(image.c_str());
  return 0;
}
