// SHELL32: ShellExecuteA through the replaceable shell-open handler, every call recorded.
#include <shellapi.h>

#include <string>

#include "model.h"
#include "shell_open.h"

using mvw32::Model;

extern "C" {

int mvw32_default_shell_open(void* user, HWND hwnd, const char* verb, const char* file, const char* parameters,
                             const char* directory, int show_command) {
  const std::string v = verb != nullptr ? verb : "";
  if (!v.empty() && v != "open") return SE_ERR_NOASSOC;
  const std::string f = file != nullptr ? file : "";
  // A leading dash would reach the opener as an option.
  if (f.empty() || f[0] == '-') return SE_ERR_FNF;
  return mvw32::RunOpener("xdg-open", f, std::chrono::milliseconds(1000));
}

HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters, LPCSTR lpDirectory,
                               INT nShowCmd) {
  Model& m = Model::Get();
  mvw32::ShellOpenRecord record;
  record.strings[0] = lpOperation != nullptr ? lpOperation : "";
  record.strings[1] = lpFile != nullptr ? lpFile : "";
  record.strings[2] = lpParameters != nullptr ? lpParameters : "";
  record.strings[3] = lpDirectory != nullptr ? lpDirectory : "";
  mvw32_shell_open_handler handler;
  void* user;
  {
    std::lock_guard<std::mutex> lock(m.mu);
    handler = m.shell_handler != nullptr ? m.shell_handler : mvw32_default_shell_open;
    user = m.shell_user;
  }
  const int result = handler(user, hwnd, record.strings[0].c_str(), record.strings[1].c_str(),
                             record.strings[2].c_str(), record.strings[3].c_str(), nShowCmd);
  record.info.hwnd = hwnd;
  record.info.show_command = nShowCmd;
  record.info.result = result;
  for (std::string& field : record.strings) field = mvw32::RecordedText(std::move(field));
  {
    std::lock_guard<std::mutex> lock(m.mu);
    if (m.shell_opens.size() < mvw32::kMaxRecords) m.shell_opens.push_back(std::move(record));
  }
  return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(result));
}

}  // extern "C"
