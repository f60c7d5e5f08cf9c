// The frame path at 1920x1080 (the engine's paint stored, the host's poll and copy out) against one
// plain memcpy of the same frame, in the same run. The copy in and the copy out make 2x the floor.
// Every heap allocation in the process is counted: in steady state a paint must make none.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "mvcefdll/frame_buffer.h"

namespace {
std::atomic<long long> g_allocations{0};
}

void* operator new(std::size_t n) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete[](p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr size_t kBytes = size_t{kWidth} * kHeight * 4;

std::vector<unsigned char> SourceFrame() {
  std::vector<unsigned char> px(kBytes);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<unsigned char>(i * 7 + (i >> 12));
  return px;
}

void BM_Memcpy(benchmark::State& state) {
  const auto src = SourceFrame();
  std::vector<unsigned char> dst(kBytes, 1);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), kBytes);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_Memcpy)->UseRealTime();

// What two copies through a third buffer cost on this machine: the frame path's real floor.
void BM_TwoMemcpyChain(benchmark::State& state) {
  const auto src = SourceFrame();
  std::vector<unsigned char> mid(kBytes, 1), dst(kBytes, 1);
  for (auto _ : state) {
    std::memcpy(mid.data(), src.data(), kBytes);
    benchmark::ClobberMemory();
    std::memcpy(dst.data(), mid.data(), kBytes);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TwoMemcpyChain)->UseRealTime();

void BM_FramePath(benchmark::State& state) {
  const auto src = SourceFrame();
  std::vector<unsigned char> dst(kBytes, 1);
  mvcef::FrameBuffer frames;
    // Let the slots grow to the frame size (first paints) before anything is measured.
  for (int i = 0; i < 8; ++i) {
    frames.Store(src.data(), kWidth, kHeight);
    if (i % 3 == 0) frames.Take(dst.data());
  }
  while (frames.Take(nullptr)) {
  }

  const long long before = g_allocations.load();
  for (auto _ : state) {
    frames.Store(src.data(), kWidth, kHeight);
    int w = 0, h = 0;
    if (!frames.Peek(&w, &h) || w != kWidth || h != kHeight) {
      state.SkipWithError("no frame pending after a paint");
      break;
    }
    frames.Take(dst.data());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  const long long allocations = g_allocations.load() - before;
  state.counters["allocs_per_paint"] =
      static_cast<double>(allocations) / static_cast<double>(state.iterations() ? state.iterations() : 1);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
  if (std::memcmp(dst.data(), src.data(), kBytes) != 0) state.SkipWithError("frame copied wrong");
  if (allocations != 0) state.SkipWithError("heap allocation in steady state");
}
BENCHMARK(BM_FramePath)->UseRealTime();

// Prints the usual table and then the frame path's cost in memcpys, from the best repetition of
// each (the least disturbed by other work on the machine), by wall-clock and by CPU time.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      // With --benchmark_report_aggregates_only only the medians come through.
      const bool usable = r.run_type == Run::RT_Iteration ||
                          (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median");
      if (!usable || r.error_occurred) continue;
      Best& b = best_[r.run_name.function_name];
      const double real = r.GetAdjustedRealTime(), cpu = r.GetAdjustedCPUTime();
      if (b.real == 0 || real < b.real) b.real = real;
      if (b.cpu == 0 || cpu < b.cpu) b.cpu = cpu;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const Best copy = best_["BM_Memcpy"], chain = best_["BM_TwoMemcpyChain"], path = best_["BM_FramePath"];
    if (copy.real > 0 && path.real > 0) {
      std::printf("frame path / one memcpy at %dx%d: %.2f wall, %.2f cpu (target <= 2.30, floor 2.00)\n",
                  kWidth, kHeight, path.real / copy.real, path.cpu / copy.cpu);
    }
    if (chain.real > 0 && path.real > 0) {
      std::printf("frame path / two chained memcpys: %.2f wall, %.2f cpu\n", path.real / chain.real,
                  path.cpu / chain.cpu);
    }
  }

 private:
  struct Best {
    double real = 0, cpu = 0;
  };
  std::map<std::string, Best> best_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
