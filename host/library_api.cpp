#include "host/library_api.h"

namespace mvhost {

std::vector<std::string> BindLibrary(LibraryApi& api, SymbolLookup lookup, void* context) {
  std::vector<std::string> missing;
#define MVHOST_BIND(name, type)                                     \
  api.name = reinterpret_cast<type>(lookup(context, #name));        \
  if (!api.name) missing.push_back(#name);
  MVHOST_LIBRARY_FUNCTIONS(MVHOST_BIND)
#undef MVHOST_BIND
  return missing;
}

void ShutDown(const LibraryApi& api, HWND window) {
  api.fnmvPackCefDllDoClose();
  api.fnmvPackCefDllUninitializeCef();
  if (window) api.mvw32_destroy_window(window);
}

std::string DefaultLibraryPath(const std::string& executable) {
  const size_t slash = executable.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : executable.substr(0, slash);
  return (folder.empty() ? std::string("/") : folder + "/") + "libmvcefdll.so";
}

}  // namespace mvhost
