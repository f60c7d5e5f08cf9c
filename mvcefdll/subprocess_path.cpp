#include "mvcefdll/subprocess_path.h"

namespace mvcef {

std::optional<std::wstring> SubprocessPath(std::wstring_view module_path, bool client_mode,
                                           wchar_t sep, std::wstring_view exe_name) {
  size_t cut = module_path.rfind(sep);
  if (cut == std::wstring_view::npos) return std::nullopt;
  if (client_mode) {
    if (cut == 0) return std::nullopt;
    cut = module_path.rfind(sep, cut - 1);
    if (cut == std::wstring_view::npos) return std::nullopt;
  }
  static constexpr std::wstring_view kFolder = L"mvcef";
  const size_t length = cut + 1 + kFolder.size() + 1 + exe_name.size();
  if (length + 1 > kMaxPathChars) return std::nullopt;

  std::wstring path;
  path.reserve(length);
  path.append(module_path.substr(0, cut + 1));
  path.append(kFolder);
  path.push_back(sep);
  path.append(exe_name);
  return path;
}

}  // namespace mvcef
