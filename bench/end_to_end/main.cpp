// End-to-end figures of the library as a game sees them, next to a plain screencast client of the
// same Chromium. Every measurement runs in a fresh process of this program, one after another
// (never two Chromiums at once); this process only starts them and prints the table.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "devtools_pipe.h"
#include "library_phases.h"
#include "measure.h"

#ifndef MVBENCH_LIBRARY
#error "MVBENCH_LIBRARY must name libmvcefdll.so"
#endif
#ifndef MVBENCH_PAGES_DIR
#error "MVBENCH_PAGES_DIR must name the folder of the bundled pages"
#endif

namespace {

using namespace mvbench;

struct Options {
  Settings settings;
  std::string phase;  // set in the measuring processes
  int rounds = 1;
  int startup_runs = 3;
};

const char kUsage[] =
    "usage: bench_end_to_end [options]\n"
    "  --rounds N        frame-rate rounds, each the plain client then the library (default 1)\n"
    "  --startup-runs N  fresh processes timed from InitializeCef to the first frame (default 3)\n"
    "  --seconds S       frame-rate window (default 10) after --warmup S (default 3)\n"
    "  --trials N        presses per input kind (default 30)\n"
    "  --bridge-calls N  synchronous calls the page times (default 200)\n"
    "  --library PATH    the library (default: the one built with this program)\n";

bool ParseOptions(int argc, char** argv, Options* o, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (arg != name) return nullptr;
      if (i + 1 >= argc) {
        *error = arg + " needs a value";
        return nullptr;
      }
      return argv[++i];
    };
    auto number = [&](const char* text, double low, double high, double* out) {
      char* end = nullptr;
      const double v = std::strtod(text, &end);
      if (!end || *end || v < low || v > high) {
        *error = "bad value for " + arg + ": " + text;
        return false;
      }
      *out = v;
      return true;
    };
    double v = 0;
    if (arg == "--help" || arg == "-h") {
      *error = "";
      return false;
    } else if (const char* t = value("--phase")) {
      o->phase = t;
    } else if (const char* t = value("--library")) {
      o->settings.library = t;
    } else if (const char* t = value("--rounds")) {
      if (!number(t, 1, 100, &v)) return false;
      o->rounds = static_cast<int>(v);
    } else if (const char* t = value("--startup-runs")) {
      if (!number(t, 0, 100, &v)) return false;
      o->startup_runs = static_cast<int>(v);
    } else if (const char* t = value("--seconds")) {
      if (!number(t, 1, 600, &o->settings.window_seconds)) return false;
    } else if (const char* t = value("--warmup")) {
      if (!number(t, 0, 600, &o->settings.warmup_seconds)) return false;
    } else if (const char* t = value("--trials")) {
      if (!number(t, 1, 10000, &v)) return false;
      o->settings.trials = static_cast<int>(v);
    } else if (const char* t = value("--bridge-calls")) {
      if (!number(t, 1, 100000, &v)) return false;
      o->settings.bridge_calls = static_cast<int>(v);
    } else {
      if (error->empty()) *error = "unknown option " + arg;
      return false;
    }
  }
  return true;
}

std::string SelfPath() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

// The measuring processes take their options from the environment, not argv: the library passes
// the host's command line on to Chromium as switches, and the comparison needs the same switches.
const char kPhaseVariable[] = "MVBENCH_PHASE_OPTIONS";

// How busy the machine was, and how much of that was this program's measuring processes (with
// their Chromiums, which they reap): the rest is other people's work, the run's noise.
struct CpuSample {
  double busy_seconds = 0;      // all processors together
  double children_seconds = 0;  // reaped descendants of this process
  std::chrono::steady_clock::time_point at;
};

CpuSample SampleCpu() {
  CpuSample sample;
  sample.at = std::chrono::steady_clock::now();
  std::ifstream stat("/proc/stat");
  std::string cpu;
  double user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
  stat >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal;
  sample.busy_seconds = (user + nice + system + irq + softirq + steal) / static_cast<double>(::sysconf(_SC_CLK_TCK));
  rusage children{};
  ::getrusage(RUSAGE_CHILDREN, &children);
  sample.children_seconds = children.ru_utime.tv_sec + children.ru_utime.tv_usec / 1e6 + children.ru_stime.tv_sec +
                            children.ru_stime.tv_usec / 1e6;
  return sample;
}

// The share of the machine's processors that other processes used between two samples.
double OthersShare(const CpuSample& before, const CpuSample& after) {
  const double wall = std::chrono::duration<double>(after.at - before.at).count();
  const double processors = std::max(1u, std::thread::hardware_concurrency());
  if (wall <= 0) return 0;
  const double others = (after.busy_seconds - before.busy_seconds) - (after.children_seconds - before.children_seconds);
  return std::max(0.0, others / (wall * processors));
}

// Chromium helpers whose parents went first come to this process (a subreaper): reaping them
// counts their processor time as ours rather than as other people's.
void ReapOrphans() {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(-1, &status, WNOHANG);
    if (r > 0) continue;
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 || std::chrono::steady_clock::now() >= give_up) return;  // none left, or still running
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Runs this program again for one phase; its records, or an error record if it failed.
Records RunPhase(const Options& o, const std::string& phase) {
  const std::vector<std::string> options = {"--phase", phase,
                                            "--library", o.settings.library,
                                            "--seconds", std::to_string(o.settings.window_seconds),
                                            "--warmup", std::to_string(o.settings.warmup_seconds),
                                            "--trials", std::to_string(o.settings.trials),
                                            "--bridge-calls", std::to_string(o.settings.bridge_calls)};
  std::string joined;
  for (const std::string& option : options) joined += option + "\n";
  std::string self = SelfPath();
  char* argv[] = {self.data(), nullptr};
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return {{"error", "pipe failed"}};
  std::cerr << "bench_end_to_end: " << phase << "...\n";
  const CpuSample before = SampleCpu();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::setenv(kPhaseVariable, joined.c_str(), 1);
    ::execv(argv[0], argv);
    ::_exit(127);
  }
  ::close(out[1]);
  std::string output;
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(out[0], chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    output.append(chunk, static_cast<size_t>(n));
  }
  ::close(out[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  ReapOrphans();
  Records records = ParseRecords(output);
  records.emplace("others_cpu", std::to_string(OthersShare(before, SampleCpu())));
  if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0) && records.find("error") == records.end())
    records.emplace("error", phase + " phase ended abnormally (status " + std::to_string(status) + ")");
  return records;
}

std::string Format(const char* format, double a, double b = 0, double c = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

std::string FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string ChromiumVersion() {
  const std::string chromium = ChromiumExecutable();
  if (chromium.empty()) return "no Chromium";
  const std::string command = "'" + chromium + "' --version 2>/dev/null";
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return chromium;
  char line[256] = {0};
  if (!std::fgets(line, sizeof line, p)) line[0] = '\0';
  ::pclose(p);
  std::string version = line;
  while (!version.empty() && (version.back() == '\n' || version.back() == ' ')) version.pop_back();
  return version.empty() ? chromium : version;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// What `a` has that `b` lacks; both sorted.
std::vector<std::string> Missing(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<std::string> out;
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
  return out;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out.empty() ? "(none)" : out;
}

void AppendErrors(const Records& records, std::vector<std::string>* errors) {
  auto range = records.equal_range("error");
  for (auto it = range.first; it != range.second; ++it) errors->push_back(it->second);
}

std::string Range(const std::vector<double>& values, const char* format) {
  if (values.empty()) return "n/a";
  const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
  if (values.size() == 1) return Format(format, *lo);
  return Format(format, *lo) + "–" + Format(format, *hi);
}

// What one side (the library, or the plain client) measured over all rounds.
struct Side {
  std::vector<double> fps, fps_at_library_rate, mouse_ms, key_ms, bridge_median, bridge_p90, noise, start_s, cores;
  std::string switches, bridge_calls;

  void Add(const Records& r, const std::string& prefix) {
    const auto frames = NumberRecord(r, prefix + "distinct"), seconds = NumberRecord(r, prefix + "seconds");
    if (frames && seconds && *seconds > 0) fps.push_back(*frames / *seconds);
    const auto at_rate = NumberRecord(r, prefix + "at_library_rate");
    if (at_rate && seconds && *seconds > 0) fps_at_library_rate.push_back(*at_rate / *seconds);
    const auto cpu = NumberRecord(r, prefix + "cpu_s");
    if (cpu && seconds && *seconds > 0) cores.push_back(*cpu / *seconds);
    for (double v : NumberRecords(r, prefix + "mouse_ms")) mouse_ms.push_back(v);
    for (double v : NumberRecords(r, prefix + "key_ms")) key_ms.push_back(v);
    if (r.count(prefix + "bridge")) {
      const std::string text = r.find(prefix + "bridge")->second;
      if (auto v = FieldValue(text, "median")) bridge_median.push_back(*v);
      if (auto v = FieldValue(text, "p90")) bridge_p90.push_back(*v);
      if (auto v = FieldValue(text, "n")) bridge_calls = Format("%.0f", *v);
    }
    if (auto v = NumberRecord(r, prefix + "start_s")) start_s.push_back(*v);
    if (r.count(prefix + "switches")) switches = r.find(prefix + "switches")->second;
    if (auto v = NumberRecord(r, "others_cpu")) noise.push_back(*v * 100);
  }
};

std::string Latency(const std::vector<double>& ms) {
  if (ms.empty()) return "n/a";
  const Summary s = Summarize(ms);
  return Format("%.1f ms (p90 %.1f)", s.median, s.p90);
}

std::string Bridge(const Side& side) {
  if (side.bridge_median.empty()) return "n/a";
  return Format("%.2f ms (p90 %.2f)", Summarize(side.bridge_median).median, Summarize(side.bridge_p90).median);
}

int Orchestrate(const Options& o) {
  std::vector<std::string> errors;
  std::vector<double> startup, init_call, startup_noise;
  for (int i = 0; i < o.startup_runs; ++i) {
    const Records r = RunPhase(o, "startup");
    AppendErrors(r, &errors);
    if (auto v = NumberRecord(r, "startup_s")) startup.push_back(*v);
    if (auto v = NumberRecord(r, "init_call_s")) init_call.push_back(*v);
    if (auto v = NumberRecord(r, "others_cpu")) startup_noise.push_back(*v * 100);
  }

  Side library, plain;
  std::vector<double> ratios, capped_ratios;
  for (int round = 0; round < o.rounds; ++round) {
    const Records p = RunPhase(o, "plain");
    AppendErrors(p, &errors);
    const Records l = RunPhase(o, "library");
    AppendErrors(l, &errors);
    const size_t before_p = plain.fps.size(), before_c = plain.fps_at_library_rate.size(),
                 before_l = library.fps.size();
    plain.Add(p, "plain_");
    library.Add(l, "library_");
    if (library.fps.size() > before_l && plain.fps.size() > before_p && plain.fps.back() > 0)
      ratios.push_back(library.fps.back() / plain.fps.back());
    if (library.fps.size() > before_l && plain.fps_at_library_rate.size() > before_c &&
        plain.fps_at_library_rate.back() > 0)
      capped_ratios.push_back(library.fps.back() / plain.fps_at_library_rate.back());
  }

  // The run's conditions, so that pasted figures keep them.
  utsname u{};
  ::uname(&u);
  std::cout << "\nmachine: " << std::thread::hardware_concurrency() << " cores, " << u.machine << ", "
            << ChromiumVersion() << ", load average at the end: " << FirstLine("/proc/loadavg").substr(0, 14)
            << "\n";
  std::cout << "other processes' share of the processors while measuring: startup " << Range(startup_noise, "%.0f")
            << " %, plain client " << Range(plain.noise, "%.0f") << " %, library " << Range(library.noise, "%.0f")
            << " %\n";
  const std::vector<std::string> lib_switches = ComparableSwitches(Words(library.switches));
  const std::vector<std::string> ref_switches = ComparableSwitches(Words(plain.switches));
  if (library.switches.empty() || plain.switches.empty())
    std::cout << "Chromium switches: not compared (a command line is missing)\n";
  else if (lib_switches == ref_switches && Words(library.switches)[0] == Words(plain.switches)[0])
    std::cout << "Chromium: the plain client ran the library's executable with the library's switches\n";
  else if (lib_switches == ref_switches)
    std::cout << "Chromium executables DIFFER: " << Words(library.switches)[0] << " and "
              << Words(plain.switches)[0] << "\n";
  else
    std::cout << "Chromium switches DIFFER: library only: " << Joined(Missing(lib_switches, ref_switches))
              << "; plain client only: " << Joined(Missing(ref_switches, lib_switches)) << "\n";

  const std::string rounds = o.rounds > 1 ? Format(", median of %.0f rounds", o.rounds) : std::string();
  std::cout << "\n| what | library, through the exports | plain client, same Chromium | goal |\n|---|---|---|---|\n";
  if (!plain.fps.empty() && !library.fps.empty()) {
    const double lib = Summarize(library.fps).median, ref = Summarize(plain.fps).median;
    std::cout << "| frames/s, animated " << o.settings.width << "×" << o.settings.height << " page, "
              << Format("%.0f", o.settings.window_seconds) << " s window" << rounds << " | "
              << Format("%.1f", lib) << (library.fps.size() > 1 ? " (" + Range(library.fps, "%.1f") + ")" : "") << ": **" << Format("%.0f", Summarize(ratios).median * 100)
              << " %** of the plain client";
    if (ratios.size() > 1) std::cout << " (" << Range(ratios, "%.2f") << ")";
    if (!capped_ratios.empty())
      std::cout << "; " << Format("%.0f", Summarize(capped_ratios).median * 100)
                << " % of the plain client's frames on a " << Format("%.0f", kLibraryFrameRate)
                << "-a-second clock";
    std::cout << " | " << Format("%.1f", ref);
    if (plain.fps.size() > 1) std::cout << " (" << Range(plain.fps, "%.1f") << ")";
    if (!plain.fps_at_library_rate.empty())
      std::cout << "; on a " << Format("%.0f", kLibraryFrameRate) << "-a-second clock "
                << Format("%.1f", Summarize(plain.fps_at_library_rate).median);
    std::cout << " | ≥ 90 % |\n";
    std::cout << "| processor time of the receiving process meanwhile (Chromium apart), share of one core | "
              << Format("%.0f %%", Summarize(library.cores).median * 100) << " (the library and the host's copies) | "
              << Format("%.0f %%", Summarize(plain.cores).median * 100) << " (parsing and acknowledging) | |\n";
  }
  std::cout << "| mouse press → first frame showing it, median (p90) of " << library.mouse_ms.size() << " | "
            << Latency(library.mouse_ms) << " | " << Latency(plain.mouse_ms) << " | |\n";
  std::cout << "| key press → first frame showing it, median (p90) of " << library.key_ms.size() << " | "
            << Latency(library.key_ms) << " | " << Latency(plain.key_ms) << " | |\n";
  std::cout << "| synchronous page call `uploadIsDone()`, median (p90) of " << library.bridge_calls << " | "
            << Bridge(library) << " | " << Bridge(plain) << " (answered at once) | < 5 ms |\n";
  if (!startup.empty())
    std::cout << "| `InitializeCef` → first frame of a local page, fresh process, median of " << startup.size() << " | "
              << Format("%.2f s", Summarize(startup).median) << " (" << Range(startup, "%.2f")
              << " s; the call itself " << Range(init_call, "%.2f") << " s) | "
              << (plain.start_s.empty() ? std::string("n/a")
                                        : Format("%.2f s", Summarize(plain.start_s).median) + " from launch")
              << " | < 3 s |\n";

  if (!errors.empty()) {
    std::cout << "\nerrors:\n";
    for (const std::string& e : errors) std::cout << "  " << e << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  o.settings.library = MVBENCH_LIBRARY;
  o.settings.pages_url = std::string("file://") + MVBENCH_PAGES_DIR + "/";
  std::string error;
  std::vector<std::string> phase_args = {"bench_end_to_end"};
  if (const char* text = std::getenv(kPhaseVariable)) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) phase_args.push_back(line);
    ::unsetenv(kPhaseVariable);  // not for Chromium's environment
  }
  std::vector<char*> phase_argv;
  for (std::string& a : phase_args) phase_argv.push_back(a.data());
  const bool is_phase = phase_args.size() > 1;
  if (is_phase && argc > 1) {
    std::cerr << "bench_end_to_end: a measuring process takes no arguments\n";
    return 2;
  }
  if (!ParseOptions(is_phase ? static_cast<int>(phase_argv.size()) : argc, is_phase ? phase_argv.data() : argv, &o,
                    &error)) {
    if (error.empty()) {
      std::cout << kUsage;
      return 0;
    }
    std::cerr << "bench_end_to_end: " << error << "\n" << kUsage;
    return 2;
  }
  // A Chromium that quits while we write to its pipe must not end this process.
  ::signal(SIGPIPE, SIG_IGN);
  if (o.phase == "startup") return RunStartupPhase(o.settings);
  if (o.phase == "library") return RunLibraryPhase(o.settings);
  if (o.phase == "plain") return RunPlainPhase(o.settings);
  if (!o.phase.empty()) {
    std::cerr << "bench_end_to_end: unknown phase " << o.phase << "\n";
    return 2;
  }
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
  return Orchestrate(o);
}
