// Figures and how a measuring process hands them to the one that prints the table.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace mvbench {

struct Summary {
  size_t count = 0;
  double median = 0, p90 = 0, min = 0, max = 0;
};
// Nearest-rank percentiles (a value that was measured, never one between two); the page's own
// figures for the bridge use the same rule.
Summary Summarize(std::vector<double> samples);

// Each measuring process prints "mvbench <key> <value>" lines on stdout; a key may repeat.
std::string RecordLine(const std::string& key, const std::string& value);
using Records = std::multimap<std::string, std::string>;
// Collects the record lines of a process's output; other lines are left out.
Records ParseRecords(const std::string& output);
std::optional<double> NumberRecord(const Records& records, const std::string& key);
std::vector<double> NumberRecords(const Records& records, const std::string& key);

// The input page (pages/input.html) is green until the first press, then each mouse or key press
// turns it blue, red, blue, ...; the centre pixel tells which.
enum class Shade { kReady, kOdd, kEven, kOther };
Shade Classify(const int bgr[3]);
Shade ShadeAfterPresses(long presses);
// Presses before the timed ones, and the quiet time before each press: varied, so that presses do
// not fall in step with Chromium's frames.
constexpr int kWarmupPresses = 3;
double QuietSeconds(int trial);

// CreateBrowser asks the engine for 30 frames a second, and the engine paints no more.
constexpr double kLibraryFrameRate = 30;

// Of frames that arrived at these times (seconds), how many a consumer showing at most `rate` a
// second on a fixed clock could show: one for each 1/rate slot that received any. Chromium's frames
// come in bursts under load, so this is lower than min(count, rate * seconds).
long SlotsWithFrames(const std::vector<double>& arrival_seconds, double rate);

// Processor time this process has used so far, all its threads together.
double ProcessCpuSeconds();

// "key=value" fields of a text such as "bridge-rtt n=200 median=3.1 p90=4.2".
std::optional<double> FieldValue(const std::string& text, const std::string& key);

}  // namespace mvbench
