// The input exports with whatever a window procedure could pass: any message, wParam, lParam,
// offsets and key state, IME result strings of any units. Nothing may crash or misbehave under
// the sanitizers; the scripted engine takes the events.
#include <fuzzer/FuzzedDataProvider.h>
#include <imm.h>

#include <vector>

#include "mvcefdll/mvcefdll.h"
#include "mvwin32/stand_in.h"
#include "tests/fuzz/scripted_library.h"

namespace {

// The messages the exports look for, so that the fuzzer reaches their branches quickly.
constexpr UINT kMessages[] = {WM_MOUSEMOVE,   WM_LBUTTONDOWN, WM_LBUTTONUP,   WM_RBUTTONDOWN,   WM_RBUTTONUP,
                              WM_MBUTTONDOWN, WM_MBUTTONUP,   WM_MOUSEWHEEL,  WM_MOUSELEAVE,    WM_SETFOCUS,
                              WM_KILLFOCUS,   WM_KEYDOWN,     WM_KEYUP,       WM_CHAR,          WM_SYSKEYDOWN,
                              WM_SYSKEYUP,    WM_SYSCHAR,     WM_IME_CHAR,    WM_IME_COMPOSITION, 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ScriptedLibrary& lib = fuzz::Library();
  FuzzedDataProvider in(data, size);
  for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
    const int what = in.ConsumeIntegralInRange<int>(0, 12);
    const UINT message = in.ConsumeBool() ? in.PickValueInArray(kMessages) : in.ConsumeIntegral<UINT>();
    const WPARAM w = in.ConsumeIntegral<WPARAM>();
    const LPARAM l = in.ConsumeIntegral<LPARAM>();
    const int x = in.ConsumeIntegral<int>(), y = in.ConsumeIntegral<int>();
    switch (what) {
      case 0: fnmvPackCefDllSendWMButtonDown(message, w, l, x, y); break;
      case 1: fnmvPackCefDllSendDWMButtonUp(message, w, l, x, y); break;
      case 2: fnmvPackCefDllSendWMMouseMove(message, w, l, x, y); break;
      case 3: fnmvPackCefDllSendSendWMMouseLeave(message, w); break;
      case 4: fnmvPackCefDllSendWMMouseWheel(message, w, l, x, y); break;
      case 5: fnmvPackCefDllSendWMFocus(message); break;
      case 6: fnmvPackCefDllSendSendWMCancel(); break;
      case 7: fnmvPackCefDllSendSendKeyEvent(message, w, l); break;
      case 8: {
        std::vector<uint16_t> units(in.ConsumeIntegralInRange<size_t>(0, 64));
        for (uint16_t& u : units) u = in.ConsumeIntegral<uint16_t>();
        mvw32_set_ime_result_utf16(lib.window, units.data(), units.size());
        fnmvPackCefDllImeComposition(message, w, l);
        break;
      }
      case 9: fnmvPackCefDllImeComposition(message, w, l); break;
      case 10: fnmvPackCefDllImeCancelComposition(); break;
      case 11: mvw32_set_key_state(x, in.ConsumeBool(), in.ConsumeBool()); break;
      case 12: mvw32_set_ime_context(lib.window, in.ConsumeBool()); break;
    }
  }
  mvw32_clear_key_state();
  mvw32_clear_ime_result(lib.window);
  mvw32_set_ime_context(lib.window, TRUE);
  fuzz::Settle();
  return 0;
}
