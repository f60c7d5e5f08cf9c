#include <mutex>

#include "mvengine/runtime.h"

namespace mvengine {

namespace {

std::mutex& HooksMutex() {
  static std::mutex m;
  return m;
}

ChildWindowHooks& Hooks() {
  static ChildWindowHooks hooks;
  return hooks;
}

}  // namespace

void SetChildWindowHooks(const ChildWindowHooks& hooks) {
  std::lock_guard<std::mutex> lock(HooksMutex());
  Hooks() = hooks;
}

ChildWindowHooks GetChildWindowHooks() {
  std::lock_guard<std::mutex> lock(HooksMutex());
  return Hooks();
}

}  // namespace mvengine
