// Where the engine's sub-process executable lives, relative to the module the host named.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mvcef {

// Wide characters of a path buffer, terminating NUL included.
constexpr size_t kMaxPathChars = 260;

// client_mode false: <module folder><sep>mvcef<sep><exe_name>.
// client_mode true:  <folder above the module folder><sep>mvcef<sep><exe_name>.
// nullopt when the module path has no folder to cut at (no separator; in client mode fewer than
// two) or when the result would not fit kMaxPathChars.
std::optional<std::wstring> SubprocessPath(std::wstring_view module_path, bool client_mode,
                                           wchar_t sep, std::wstring_view exe_name);

}  // namespace mvcef
