#!/usr/bin/env bash
# Compiles every system source against the engine release's own headers for 32-bit Windows,
# so that the SDK build (MVCEF_CEF_ROOT) keeps working without an SDK on our machines.
# Usage: tests/windows/sdk_compile_check.sh CEF_HEADER_ROOT   (made by prepare_cef_headers.py)
set -uo pipefail
cd "$(dirname "$0")/../.."
sdk=${1:?usage: $0 CEF_HEADER_ROOT}
[ -f "$sdk/include/cef_version.h" ] || { echo "no prepared headers in $sdk"; exit 2; }
cxx=${CXX:-i686-w64-mingw32-g++-posix}

passed=0 failed=0
for src in mvcefdll/*.cpp pagebridge/*.cpp marovekcef/*.cpp; do
  # The definitions the SDK route builds with (cmake/cef_sdk.cmake).
  if out=$("$cxx" -std=c++17 -fsyntax-only -include cstring -Wall -Wno-unused-parameter \
             -DUSING_CEF_SHARED -DNOMINMAX -DWIN32_LEAN_AND_MEAN -DUNICODE -D_UNICODE \
             -I "$sdk" -I . "$src" 2>&1); then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED $src"
    echo "$out" | grep -E 'error|note: candidate' | head -20
  fi
done
echo "sdk headers: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
