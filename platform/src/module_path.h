// Module file names: which loaded module a handle names, and the Win32 way of copying a name
// into a caller's buffer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <windows.h>

namespace mvw32 {

// Absolute path of the module that `handle` names: null for the main program, or what dlopen
// returned for a module, or the module's load address. Nothing for anything else.
std::optional<std::string> ModulePath(const void* handle);

// Copies `name` into `buffer` of `size` elements: the whole name and a NUL when it fits, and
// the result is its length; otherwise size - 1 elements (whole UTF-8 characters only for the
// narrow form) and a NUL, and the result is `size` with ERROR_INSUFFICIENT_BUFFER set.
DWORD CopyModuleName(std::wstring_view name, wchar_t* buffer, DWORD size);
DWORD CopyModuleName(std::string_view name, char* buffer, DWORD size);

}  // namespace mvw32
