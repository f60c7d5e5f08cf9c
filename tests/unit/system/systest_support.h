// Helpers of the bridge, upload-status, frame, input and start-up tests: paths of the test
// program itself, the game's data folder beside it, debug lines, and direct calls of the page
// functions' handler.
#pragma once

#include <string>
#include <vector>

#include "tests/unit/system/system_fixture.h"

namespace systest {

// The running test program, and the folder that holds it (no trailing separator).
std::string ExecutablePath();
std::string ExecutableFolder();
// The folder above `path`'s last separator (no trailing separator).
std::string ParentOf(const std::string& path);

// Writes `bytes` to `path`, creating the folders on the way. Fails the test on error.
void WriteFile(const std::string& path, const std::string& bytes);
void MakeFolders(const std::string& path);
// Removes a file or a whole folder; missing is fine.
void RemoveTree(const std::string& path);

// The data folder the page functions read for this program: the folder above the test
// program's folder, then "data". Test processes that run at once (ctest -j) share it, so a
// holder takes an exclusive lock on it for its life and leaves the folder empty as it found it.
class DataFolder {
 public:
  DataFolder();
  ~DataFolder();
  DataFolder(const DataFolder&) = delete;
  DataFolder& operator=(const DataFolder&) = delete;

  const std::string& root() const { return root_; }  // .../data
  std::string Screenshot(const std::string& relative) const { return root_ + "/screenshot/" + relative; }
  std::string Feedback() const { return root_ + "/feedback.jpg"; }

 private:
  void Empty() const;

  std::string root_;
  int lock_fd_ = -1;
};

// Every OutputDebugString text while it lives (any thread).
class DebugLines {
 public:
  DebugLines();
  ~DebugLines();
  DebugLines(const DebugLines&) = delete;  // owns its sink's state
  DebugLines& operator=(const DebugLines&) = delete;
  std::vector<std::string> Lines() const;

 private:
  static void Sink(void* user, const char* text);
  struct State;
  State* state_;
};

// A call of a page function straight through its handler, as the engine would make it: on the
// renderer thread, with the context entered. `handled` is Execute's result.
struct Execution {
  bool found = false;    // window.<name> is a function with a handler
  bool handled = false;
  CefRefPtr<CefV8Value> retval;
  std::string exception;  // what Execute put into its exception argument (UTF-8)
};
Execution ExecuteDirect(CefRefPtr<CefV8Context> context, const std::string& name,
                        const CefV8ValueList& arguments = CefV8ValueList());

// The handler behind window.<name> of a context (null when missing).
CefRefPtr<CefV8Handler> HandlerOf(CefRefPtr<CefV8Context> context, const std::string& name);

// A boolean property of the context's global; -1 when it is not a boolean.
int BoolProperty(CefRefPtr<CefV8Context> context, const std::string& name);

// Base64 decoding that ignores line breaks (an independent check of the encoder's output).
std::string DecodeBase64(const std::string& text);

}  // namespace systest
