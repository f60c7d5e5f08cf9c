#include "tests/e2e/exports/library.h"

#include <dlfcn.h>

namespace exports_e2e {

bool OpenLibrary(const std::string& path, LoadedLibrary* out, std::string* error) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = ::dlerror();
    *error = "dlopen " + path + ": " + (why ? why : "unknown error");
    return false;
  }
  std::vector<std::string> missing;
#define EXPORTS_E2E_BIND(name, type)                                  \
  out->api.name = reinterpret_cast<type>(::dlsym(handle, #name));     \
  if (!out->api.name) missing.push_back(#name);
  MVHOST_LIBRARY_FUNCTIONS(EXPORTS_E2E_BIND)
  EXPORTS_E2E_STAND_IN_FUNCTIONS(EXPORTS_E2E_BIND)
#undef EXPORTS_E2E_BIND
  if (!missing.empty()) {
    *error = path + " lacks:";
    for (const std::string& name : missing) *error += " " + name;
    return false;  // the handle stays open: a library is never unloaded mid-process
  }
  out->handle = handle;
  return true;
}

}  // namespace exports_e2e
