#include "tests/unit/system/systest_support.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "common/base64.h"

namespace systest {

namespace fs = std::filesystem;

std::string ExecutablePath() { return fs::read_symlink("/proc/self/exe").string(); }

std::string ParentOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

std::string ExecutableFolder() { return ParentOf(ExecutablePath()); }

void MakeFolders(const std::string& path) {
  std::error_code error;
  fs::create_directories(path, error);
  ASSERT_FALSE(error) << path << ": " << error.message();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  MakeFolders(ParentOf(path));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  ASSERT_TRUE(out.good()) << path;
}

void RemoveTree(const std::string& path) {
  std::error_code error;
  fs::remove_all(path, error);
}

DataFolder::DataFolder() : root_(ParentOf(ExecutableFolder()) + "/data") {
  MakeFolders(root_);
  // The lock file sits beside the data folder, so emptying the folder never drops it.
  const std::string lock = ParentOf(ExecutableFolder()) + "/.systest-data.lock";
  lock_fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock_fd_ >= 0) ::flock(lock_fd_, LOCK_EX);
  Empty();
}

void DataFolder::Empty() const {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(root_, error)) RemoveTree(entry.path().string());
}

DataFolder::~DataFolder() {
  Empty();
  if (lock_fd_ >= 0) {
    ::flock(lock_fd_, LOCK_UN);
    ::close(lock_fd_);
  }
}

struct DebugLines::State {
  mutable std::mutex mutex;
  std::vector<std::string> lines;
};

DebugLines::DebugLines() : state_(new State) { mvw32_set_debug_sink(&DebugLines::Sink, state_); }

DebugLines::~DebugLines() {
  mvw32_set_debug_sink(nullptr, nullptr);
  delete state_;
}

void DebugLines::Sink(void* user, const char* text) {
  State* state = static_cast<State*>(user);
  std::lock_guard<std::mutex> hold(state->mutex);
  state->lines.push_back(text ? text : "");
}

std::vector<std::string> DebugLines::Lines() const {
  std::lock_guard<std::mutex> hold(state_->mutex);
  return state_->lines;
}

Execution ExecuteDirect(CefRefPtr<CefV8Context> context, const std::string& name,
                        const CefV8ValueList& arguments) {
  Execution result;
  scripted::RunOnRenderer([&] {
    if (!context || !context->Enter()) return;
    CefRefPtr<CefV8Value> global = context->GetGlobal();
    CefRefPtr<CefV8Value> function = global ? global->GetValue(name) : nullptr;
    CefRefPtr<CefV8Handler> handler = function && function->IsFunction() ? function->GetFunctionHandler() : nullptr;
    if (handler) {
      result.found = true;
      CefString exception;
      result.handled = handler->Execute(name, global, arguments, result.retval, exception);
      result.exception = exception.ToString();
    }
    context->Exit();
  });
  return result;
}

CefRefPtr<CefV8Handler> HandlerOf(CefRefPtr<CefV8Context> context, const std::string& name) {
  CefRefPtr<CefV8Handler> handler;
  scripted::RunOnRenderer([&] {
    CefRefPtr<CefV8Value> global = context ? context->GetGlobal() : nullptr;
    CefRefPtr<CefV8Value> function = global ? global->GetValue(name) : nullptr;
    if (function && function->IsFunction()) handler = function->GetFunctionHandler();
  });
  return handler;
}

int BoolProperty(CefRefPtr<CefV8Context> context, const std::string& name) {
  int result = -1;
  scripted::RunOnRenderer([&] {
    CefRefPtr<CefV8Value> value = scripted::GetGlobalProperty(context, name);
    if (value && value->IsBool()) result = value->GetBoolValue() ? 1 : 0;
  });
  return result;
}

std::string DecodeBase64(const std::string& text) {
  std::string clean, out;
  for (char c : text)
    if (c != '\r' && c != '\n') clean.push_back(c);
  return mvcommon::DecodeBase64(clean, &out) ? out : std::string();
}

}  // namespace systest
