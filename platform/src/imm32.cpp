// IMM32: one input context per window and the result string the host set for it.
#include <imm.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "model.h"
#include "text.h"

using mvw32::Model;
using mvw32::Window;

namespace {

// The window behind an input context, or null for a handle that is not one (mu held).
Window* Owner(Model& m, HIMC himc) {
  auto it = m.himc_owner.find(reinterpret_cast<uintptr_t>(himc));
  if (it == m.himc_owner.end()) return nullptr;
  auto w = m.windows.find(it->second);
  return w == m.windows.end() ? nullptr : &w->second;
}

// Copies out the result string of himc's window for a GCS_RESULTSTR read; false, with `*none` the
// call's answer, when there is nothing to give.
bool ReadResult(HIMC himc, DWORD index, std::wstring* text, LONG* none) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  const Window* w = Owner(m, himc);
  if (w == nullptr) {
    *none = IMM_ERROR_GENERAL;
    return false;
  }
  if (index != GCS_RESULTSTR || !w->has_ime_result) {
    *none = 0;
    return false;
  }
  *text = w->ime_result;
  return true;
}

}  // namespace

extern "C" {

HIMC WINAPI ImmGetContext(HWND hWnd) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  Window* w = m.Find(hWnd);
  if (w == nullptr || !w->has_ime_context) return nullptr;
  ++w->ime_refs;
  return reinterpret_cast<HIMC>(w->himc);
}

BOOL WINAPI ImmReleaseContext(HWND hWnd, HIMC hIMC) {
  Model& m = Model::Get();
  std::lock_guard<std::mutex> lock(m.mu);
  Window* w = m.Find(hWnd);
  if (w == nullptr || hIMC == nullptr || reinterpret_cast<uintptr_t>(hIMC) != w->himc || w->ime_refs == 0) {
    return FALSE;
  }
  --w->ime_refs;
  return TRUE;
}

LONG WINAPI ImmGetCompositionStringA(HIMC hIMC, DWORD dwIndex, LPVOID lpBuf, DWORD dwBufLen) {
  std::wstring result;
  LONG none = 0;
  if (!ReadResult(hIMC, dwIndex, &result, &none)) return none;
  const std::string text = mvw32::Utf8FromWide(result);
  if (lpBuf == nullptr || dwBufLen == 0) return static_cast<LONG>(text.size());
  // Whole characters only: a cut sequence would decode as garbage.
  const size_t n = mvw32::Utf8PrefixLength(text, dwBufLen);
  std::memcpy(lpBuf, text.data(), n);
  return static_cast<LONG>(n);
}

LONG WINAPI ImmGetCompositionStringW(HIMC hIMC, DWORD dwIndex, LPVOID lpBuf, DWORD dwBufLen) {
  std::wstring text;
  LONG none = 0;
  if (!ReadResult(hIMC, dwIndex, &text, &none)) return none;
  if (lpBuf == nullptr || dwBufLen == 0) return static_cast<LONG>(text.size() * sizeof(wchar_t));
  const size_t units = std::min<size_t>(text.size(), dwBufLen / sizeof(wchar_t));
  std::memcpy(lpBuf, text.data(), units * sizeof(wchar_t));
  return static_cast<LONG>(units * sizeof(wchar_t));
}

}  // extern "C"
