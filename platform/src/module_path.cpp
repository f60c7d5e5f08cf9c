#include "module_path.h"

#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "text.h"

namespace mvw32 {
namespace {

struct LoadedModule {
  std::string name;  // as the loader knows it; empty for the main program
  uintptr_t base = 0;
  bool main_program = false;
};

int CollectModule(struct dl_phdr_info* info, size_t, void* data) {
  auto* modules = static_cast<std::vector<LoadedModule>*>(data);
  uintptr_t lowest = UINTPTR_MAX;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    if (info->dlpi_phdr[i].p_type == PT_LOAD) lowest = std::min<uintptr_t>(lowest, info->dlpi_phdr[i].p_vaddr);
  }
  LoadedModule module;
  module.name = info->dlpi_name != nullptr ? info->dlpi_name : "";
  module.base = info->dlpi_addr + (lowest == UINTPTR_MAX ? 0 : lowest);
  module.main_program = modules->empty();  // the loader lists the program first
  modules->push_back(std::move(module));
  return 0;
}

std::optional<std::string> ExecutablePath() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof(path));
  if (n <= 0 || static_cast<size_t>(n) >= sizeof(path)) return std::nullopt;
  return std::string(path, static_cast<size_t>(n));
}

// The file the kernel mapped at `base`, from /proc/self/maps: absolute whatever the working
// folder was when the module was loaded.
std::optional<std::string> MappedFile(uintptr_t base) {
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  base &= ~(page - 1);
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    char* end = nullptr;
    const unsigned long long start = std::strtoull(line.c_str(), &end, 16);
    if (start != base) continue;
    const size_t slash = line.find('/');
    if (slash == std::string::npos) return std::nullopt;
    return line.substr(slash);
  }
  return std::nullopt;
}

// The loader keeps the name the module was loaded by, which may be relative.
std::optional<std::string> Absolute(const LoadedModule& module) {
  if (!module.name.empty() && module.name[0] == '/') return module.name;
  return MappedFile(module.base);
}

}  // namespace

std::optional<std::string> ModulePath(const void* handle) {
  if (handle == nullptr) return ExecutablePath();

  // dlopen's handles are opaque: ask the loader for each module's handle and compare, rather
  // than looking inside a pointer that may be anything.
  std::vector<LoadedModule> modules;
  dl_iterate_phdr(CollectModule, &modules);
  for (const LoadedModule& module : modules) {
    if (module.base == reinterpret_cast<uintptr_t>(handle)) {
      return module.main_program || module.name.empty() ? ExecutablePath() : Absolute(module);
    }
  }
  if (void* self = dlopen(nullptr, RTLD_LAZY)) {
    dlclose(self);
    if (self == handle) return ExecutablePath();
  }
  for (const LoadedModule& module : modules) {
    if (module.name.empty()) continue;
    void* h = dlopen(module.name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (h == nullptr) continue;
    dlclose(h);
    if (h == handle) return module.main_program ? ExecutablePath() : Absolute(module);
  }
  return std::nullopt;
}

namespace {

template <typename Char>
DWORD CopyPrefix(const Char* name, size_t length, size_t copied, Char* buffer, DWORD size) {
  std::memcpy(buffer, name, copied * sizeof(Char));
  buffer[copied] = 0;
  if (copied == length) return static_cast<DWORD>(length);
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

}  // namespace

DWORD CopyModuleName(std::wstring_view name, wchar_t* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return CopyPrefix(name.data(), name.size(), std::min<size_t>(name.size(), size - 1), buffer, size);
}

DWORD CopyModuleName(std::string_view name, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  return CopyPrefix(name.data(), name.size(), Utf8PrefixLength(name, size - 1), buffer, size);
}

}  // namespace mvw32
