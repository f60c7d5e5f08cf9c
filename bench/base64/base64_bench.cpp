// Our encoder against OpenSSL's block encoder on the same 8 MiB input. OpenSSL
// writes no line breaks, so it produces about 2.6% less output for the same work.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <random>
#include <string>
#include <vector>

#include "pagebridge/base64.h"
#include "pagebridge/base64_lines.h"
#include "pagebridge/data_uri.h"

namespace {

constexpr int kInputSize = 8 * 1024 * 1024;

const std::vector<unsigned char>& Input() {
  static const std::vector<unsigned char> data = [] {
    std::mt19937 gen(1234);
    std::vector<unsigned char> v(kInputSize);
    for (auto& b : v) b = static_cast<unsigned char>(gen());
    return v;
  }();
  return data;
}

// Runs `encode` on the shared input once an iteration; what it returns (or refers to) is the
// output the compiler must keep.
template <typename Encode>
void MeasureEncode(benchmark::State& state, Encode encode) {
  const auto& in = Input();
  for (auto _ : state) {
    auto&& out = encode(in);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * kInputSize);
}

void BM_Base64Encode(benchmark::State& state) {
  MeasureEncode(state, [](const std::vector<unsigned char>& in) { return mvcef::Base64Encode(in.data(), kInputSize); });
}
BENCHMARK(BM_Base64Encode)->Unit(benchmark::kMillisecond);

// What a screenshot costs end to end: prefix plus encoding in one string.
void BM_MakeDataUri(benchmark::State& state) {
  MeasureEncode(state, [](const std::vector<unsigned char>& in) {
    return mvcef::MakeDataUri(mvcef::kPngDataUriPrefix, in);
  });
}
BENCHMARK(BM_MakeDataUri)->Unit(benchmark::kMillisecond);

// Same ownership of the output as ours: a fresh buffer each time.
void BM_OpenSslEncodeBlock(benchmark::State& state) {
  MeasureEncode(state, [](const std::vector<unsigned char>& in) {
    std::vector<unsigned char> out(4 * ((kInputSize + 2) / 3) + 1);
    const int n = EVP_EncodeBlock(out.data(), in.data(), kInputSize);
    benchmark::DoNotOptimize(n);
    return out;
  });
}
BENCHMARK(BM_OpenSslEncodeBlock)->Unit(benchmark::kMillisecond);

// Encoding alone, into a buffer whose pages are already mapped.
void BM_AppendBase64Reused(benchmark::State& state) {
  std::string out;
  MeasureEncode(state, [&out](const std::vector<unsigned char>& in) -> std::string& {
    out.clear();
    mvcef::AppendBase64(&out, in.data(), kInputSize);
    return out;
  });
}
BENCHMARK(BM_AppendBase64Reused)->Unit(benchmark::kMillisecond);
// The two line encoders alone, into mapped memory: what the choice is worth.
void EncodeLinesBench(benchmark::State& state, mvcef::base64_lines::LineEncoder encode) {
  const auto& in = Input();
  const std::size_t lines = in.size() / mvcef::base64_lines::kLineBytes;
  std::vector<char> out(lines * mvcef::base64_lines::kLineCharsWithBreak);
  for (auto _ : state) {
    encode(in.data(), lines, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(lines * mvcef::base64_lines::kLineBytes));
}
BENCHMARK_CAPTURE(EncodeLinesBench, scalar, mvcef::base64_lines::EncodeLinesScalar)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EncodeLinesBench, ssse3, mvcef::base64_lines::EncodeLinesSsse3)
    ->Unit(benchmark::kMillisecond);
}  // namespace
