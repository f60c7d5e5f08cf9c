// The processes below this one, read from /proc: what the library started (Chromium and its
// helpers) and anything they left running.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace exports_e2e {

struct ProcessInfo {
  pid_t pid = 0;
  pid_t parent = 0;
  char state = '?';     // as in /proc/PID/stat; 'Z' has ended but is not reaped yet
  std::string name;     // /proc/PID/comm
  std::string command;  // /proc/PID/cmdline, arguments joined by spaces
};

// Every process whose parent chain leads to `root`, zombies included.
std::vector<ProcessInfo> Descendants(pid_t root);
// Those that still run (not zombies).
std::vector<ProcessInfo> RunningDescendants(pid_t root);
// The entry for `pid`, or one with pid 0 when there is no such process.
ProcessInfo ReadProcess(pid_t pid);
// Its resident memory (VmRSS) in MiB, and the most it has had (VmHWM); 0 when unknown.
double ResidentMiB(pid_t pid);
double PeakResidentMiB(pid_t pid);

// Orphans of our descendants are re-parented to this process instead of init, so processes that
// Chromium's own processes started stay visible in Descendants after their parent is gone.
bool AdoptOrphans();

std::string Describe(const std::vector<ProcessInfo>& processes);

}  // namespace exports_e2e
