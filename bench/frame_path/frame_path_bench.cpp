// The frame path at 1920x1080 (the engine's paint stored, the host's poll and copy out) against one
// plain memcpy of the same frame, in the same run; prints the ratio at the end. The copy in and the copy out make 2x the floor.
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

// The frame of the target (1920x1080), and one small enough to stay in the nearer caches, which
// shows what the path itself costs apart from the memory system.
void FrameSizes(benchmark::internal::Benchmark* b) {
  b->Args({1920, 1080})->Args({640, 360})->UseRealTime();
}

struct Frame {
  explicit Frame(const benchmark::State& state)
      : width(static_cast<int>(state.range(0))),
        height(static_cast<int>(state.range(1))),
        bytes(size_t(width) * height * 4),
        src(bytes),
        dst(bytes, 1) {
    for (size_t i = 0; i < bytes; ++i) src[i] = static_cast<unsigned char>(i * 7 + (i >> 12));
  }
  int width, height;
  size_t bytes;
  std::vector<unsigned char> src, dst;
};

// Runs `copy` once an iteration and counts the frame's bytes.
template <typename Copy>
void MeasureCopy(benchmark::State& state, const Frame& f, Copy copy) {
  for (auto _ : state) {
    copy();
    benchmark::DoNotOptimize(f.dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes));
}

void BM_Memcpy(benchmark::State& state) {
  Frame f(state);
  MeasureCopy(state, f, [&] { std::memcpy(f.dst.data(), f.src.data(), f.bytes); });
}
BENCHMARK(BM_Memcpy)->Apply(FrameSizes);

// Two copies through a third buffer: what the frame path cannot go below on this machine.
void BM_TwoMemcpyChain(benchmark::State& state) {
  Frame f(state);
  std::vector<unsigned char> mid(f.bytes, 1);
  MeasureCopy(state, f, [&] {
    std::memcpy(mid.data(), f.src.data(), f.bytes);
    benchmark::ClobberMemory();
    std::memcpy(f.dst.data(), mid.data(), f.bytes);
  });
}
BENCHMARK(BM_TwoMemcpyChain)->Apply(FrameSizes);

// The engine's paint stored, the host's poll, the host's copy out.
void BM_FramePath(benchmark::State& state) {
  Frame f(state);
  mvcef::FrameBuffer frames;
  // Let the slots grow to the frame size (first paints) before anything is measured.
  for (int i = 0; i < 8; ++i) {
    frames.Store(f.src.data(), f.width, f.height);
    if (i % 3 == 0) frames.Take(f.dst.data());
  }
  while (frames.Take(nullptr)) {
  }

  const long long before = g_allocations.load();
  for (auto _ : state) {
    frames.Store(f.src.data(), f.width, f.height);
    int w = 0, h = 0;
    if (!frames.Peek(&w, &h) || w != f.width || h != f.height) {
      state.SkipWithError("no frame pending after a paint");
      break;
    }
    frames.Take(f.dst.data());
    benchmark::DoNotOptimize(f.dst.data());
    benchmark::ClobberMemory();
  }
  const long long allocations = g_allocations.load() - before;
  state.counters["allocs_per_paint"] =
      static_cast<double>(allocations) / static_cast<double>(state.iterations() ? state.iterations() : 1);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.bytes));
  if (f.dst != f.src) state.SkipWithError("frame copied wrong");
  if (allocations != 0) state.SkipWithError("heap allocation in steady state");
}
BENCHMARK(BM_FramePath)->Apply(FrameSizes);

// Prints the usual table and then, per frame size, the frame path's cost in memcpys, from the best
// repetition of each (the least disturbed by other work on the machine), by wall clock and CPU time.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      // With --benchmark_report_aggregates_only only the medians come through.
      const bool usable = r.run_type == Run::RT_Iteration ||
                          (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median");
      if (!usable || r.error_occurred) continue;
      Best& b = best_[r.run_name.args][r.run_name.function_name];
      const double real = r.GetAdjustedRealTime(), cpu = r.GetAdjustedCPUTime();
      if (b.real == 0 || real < b.real) b.real = real;
      if (b.cpu == 0 || cpu < b.cpu) b.cpu = cpu;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (auto& [size, by_name] : best_) {
      const Best copy = by_name["BM_Memcpy"], chain = by_name["BM_TwoMemcpyChain"];
      const Best path = by_name["BM_FramePath"];
      if (copy.real <= 0 || path.real <= 0) continue;
      std::printf("frame %s: frame path / one memcpy %.2f wall, %.2f cpu (target <= 2.30, floor 2.00)",
                  size.c_str(), path.real / copy.real, path.cpu / copy.cpu);
      if (chain.real > 0) {
        std::printf("; / two chained memcpys %.2f wall, %.2f cpu", path.real / chain.real,
                    path.cpu / chain.cpu);
      }
      std::printf("\n");
    }
  }

 private:
  struct Best {
    double real = 0, cpu = 0;
  };
  std::map<std::string, std::map<std::string, Best>> best_;
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
