#include "measure.h"

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace mvbench {

namespace {

double NearestRank(const std::vector<double>& sorted, double fraction) {
  const size_t rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
  return sorted[std::min(sorted.size(), std::max<size_t>(rank, 1)) - 1];
}

std::optional<double> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

Summary Summarize(std::vector<double> samples) {
  Summary s;
  s.count = samples.size();
  if (samples.empty()) return s;
  std::sort(samples.begin(), samples.end());
  s.median = NearestRank(samples, 0.5);
  s.p90 = NearestRank(samples, 0.9);
  s.min = samples.front();
  s.max = samples.back();
  return s;
}

std::string RecordLine(const std::string& key, const std::string& value) {
  return "mvbench " + key + " " + value + "\n";
}

Records ParseRecords(const std::string& output) {
  Records records;
  std::istringstream in(output);
  std::string line;
  const std::string prefix = "mvbench ";
  while (std::getline(in, line)) {
    if (line.compare(0, prefix.size(), prefix) != 0) continue;
    const size_t key_end = line.find(' ', prefix.size());
    if (key_end == std::string::npos || key_end == prefix.size()) continue;
    records.emplace(line.substr(prefix.size(), key_end - prefix.size()), line.substr(key_end + 1));
  }
  return records;
}

std::optional<double> NumberRecord(const Records& records, const std::string& key) {
  auto it = records.find(key);
  return it == records.end() ? std::nullopt : ParseNumber(it->second);
}

std::vector<double> NumberRecords(const Records& records, const std::string& key) {
  std::vector<double> out;
  auto range = records.equal_range(key);
  for (auto it = range.first; it != range.second; ++it)
    if (std::optional<double> v = ParseNumber(it->second)) out.push_back(*v);
  return out;
}

long SlotsWithFrames(const std::vector<double>& arrival_seconds, double rate) {
  std::vector<long long> slots;
  for (double t : arrival_seconds) slots.push_back(static_cast<long long>(std::floor(t * rate)));
  std::sort(slots.begin(), slots.end());
  return static_cast<long>(std::unique(slots.begin(), slots.end()) - slots.begin());
}

double ProcessCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

Shade Classify(const int bgr[3]) {
  // JPEG moves colours a little; each shade is far from the others in one channel.
  const int b = bgr[0], g = bgr[1], r = bgr[2];
  if (g > r + 80 && g > b + 80) return Shade::kReady;
  if (b > r + 80 && b > g + 80) return Shade::kOdd;
  if (r > g + 80 && r > b + 80) return Shade::kEven;
  return Shade::kOther;
}

Shade ShadeAfterPresses(long presses) {
  if (presses <= 0) return Shade::kReady;
  return presses % 2 ? Shade::kOdd : Shade::kEven;
}

double QuietSeconds(int trial) { return (150 + (trial * 7919) % 41) / 1000.0; }

std::optional<double> FieldValue(const std::string& text, const std::string& key) {
  std::istringstream in(text);
  std::string word;
  const std::string prefix = key + "=";
  while (in >> word)
    if (word.compare(0, prefix.size(), prefix) == 0) return ParseNumber(word.substr(prefix.size()));
  return std::nullopt;
}

}  // namespace mvbench
