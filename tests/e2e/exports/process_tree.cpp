#include "tests/e2e/exports/process_tree.h"

#include <dirent.h>
#include <sys/prctl.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/support/file_bytes.h"

namespace exports_e2e {

namespace {
double StatusMiB(pid_t pid, const std::string& field) {
  std::istringstream status(mvtest::ReadFileBytes("/proc/" + std::to_string(pid) + "/status"));
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field, 0) == 0) return std::strtod(line.c_str() + field.size(), nullptr) / 1024;  // kB
  }
  return 0;
}
}  // namespace

double ResidentMiB(pid_t pid) { return StatusMiB(pid, "VmRSS:"); }
double PeakResidentMiB(pid_t pid) { return StatusMiB(pid, "VmHWM:"); }

ProcessInfo ReadProcess(pid_t pid) {
  ProcessInfo info;
  const std::string dir = "/proc/" + std::to_string(pid);
  const std::string stat = mvtest::ReadFileBytes(dir + "/stat");
  // The name in parentheses may itself hold spaces and parentheses: the state follows the last ')'.
  const size_t close = stat.rfind(')');
  if (close == std::string::npos || close + 4 > stat.size()) return info;
  std::istringstream rest(stat.substr(close + 2));
  long parent = 0;
  rest >> info.state >> parent;
  if (!rest) return info;
  info.pid = pid;
  info.parent = static_cast<pid_t>(parent);
  info.name = mvtest::ReadFileBytes(dir + "/comm");
  while (!info.name.empty() && info.name.back() == '\n') info.name.pop_back();
  info.command = mvtest::ReadFileBytes(dir + "/cmdline");
  for (char& c : info.command)
    if (c == '\0') c = ' ';
  while (!info.command.empty() && info.command.back() == ' ') info.command.pop_back();
  return info;
}

std::vector<ProcessInfo> Descendants(pid_t root) {
  std::map<pid_t, ProcessInfo> all;
  if (DIR* proc = ::opendir("/proc")) {
    while (dirent* entry = ::readdir(proc)) {
      char* end = nullptr;
      const long pid = std::strtol(entry->d_name, &end, 10);
      if (pid <= 0 || *end != '\0') continue;
      ProcessInfo info = ReadProcess(static_cast<pid_t>(pid));
      if (info.pid != 0) all[info.pid] = info;
    }
    ::closedir(proc);
  }
  std::vector<ProcessInfo> below;
  for (const auto& [pid, info] : all) {
    pid_t up = info.parent;
    // Bounded: a parent chain read while processes come and go could in principle loop.
    for (int depth = 0; depth < 64 && up > 1 && up != root; ++depth) {
      auto it = all.find(up);
      up = it == all.end() ? 0 : it->second.parent;
    }
    if (up == root && pid != root) below.push_back(info);
  }
  return below;
}

std::vector<ProcessInfo> RunningDescendants(pid_t root) {
  std::vector<ProcessInfo> running;
  for (const ProcessInfo& info : Descendants(root))
    if (info.state != 'Z' && info.state != 'X') running.push_back(info);
  return running;
}

bool AdoptOrphans() { return ::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) == 0; }

std::string Describe(const std::vector<ProcessInfo>& processes) {
  std::ostringstream out;
  for (const ProcessInfo& p : processes)
    out << "  pid " << p.pid << " parent " << p.parent << " state " << p.state << " " << p.name << ": "
        << p.command.substr(0, 160) << "\n";
  return out.str();
}

}  // namespace exports_e2e
