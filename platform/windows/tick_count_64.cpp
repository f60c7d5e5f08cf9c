// The GetTickCount64 import that MinGW's static winpthreads brings, served without it.
//
// Windows XP's KERNEL32 has no GetTickCount64: a DLL or program importing it does not load there.
// winpthreads calls it through its import slot, __imp__GetTickCount64@0. Defining that slot here
// keeps the linker from taking KERNEL32's, so the import table stays XP-clean: the function is
// looked up at run time on Vista and later, and counted from the performance counter before.
#if defined(__MINGW32__) && defined(__i386__)

#include <windows.h>

#include <atomic>

#include "platform/windows/counter_milliseconds.h"

namespace {

using TickCount64Fn = ULONGLONG(WINAPI*)();

ULONGLONG WINAPI CounterTickCount64() {
  LARGE_INTEGER counter, frequency;
  if (!QueryPerformanceFrequency(&frequency) || !QueryPerformanceCounter(&counter)) return GetTickCount();
  return mvplatform::CounterMilliseconds(static_cast<uint64_t>(counter.QuadPart),
                                         static_cast<uint64_t>(frequency.QuadPart));
}

// Any thread may race to fill it: every one finds the same function. No function-local static,
// whose guard would take winpthreads' locks from inside winpthreads.
std::atomic<TickCount64Fn> g_tick_count_64{nullptr};

ULONGLONG WINAPI TickCount64() {
  TickCount64Fn fn = g_tick_count_64.load(std::memory_order_acquire);
  if (!fn) {
    HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    fn = kernel32 ? reinterpret_cast<TickCount64Fn>(
                        reinterpret_cast<void*>(GetProcAddress(kernel32, "GetTickCount64")))
                  : nullptr;
    if (!fn) fn = CounterTickCount64;
    g_tick_count_64.store(fn, std::memory_order_release);
  }
  return fn();
}

}  // namespace

extern "C" {
// The slot the import library would provide: a pointer to the function, under its import name.
TickCount64Fn mvcef_tick_count_64_slot __asm__("__imp__GetTickCount64@0") = TickCount64;
}

#endif
