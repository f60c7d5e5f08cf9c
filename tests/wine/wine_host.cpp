// A Windows host run under Wine: loads mvcefdll.dll by name, binds the exports as the game does,
// and checks the library's Win32 behaviour against real windows, the real per-thread key state,
// a real IME context, real message boxes and the real shell.
//
//   wine_host.exe SCENARIO     (windowed-paths, client-paths, input, dialogs, popups)
//
// Prints one line per check and ends with "N passed, N failed"; exit code 0 when all passed.
#include <windows.h>
#include <imm.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "scripted_bridge.h"
#include "wine_checks.h"
#include "wine_support.h"

namespace {

// Engine flag and type values the library must produce (the engine's public constants).
constexpr unsigned kCapsLockOn = 1u << 0, kShiftDown = 1u << 1, kControlDown = 1u << 2, kAltDown = 1u << 3,
                   kLeftButton = 1u << 4, kRightButton = 1u << 6, kNumLockOn = 1u << 8, kIsLeft = 1u << 10,
                   kIsRight = 1u << 11;
constexpr int kRawKeyDown = 0, kKeyUp = 2, kMbtLeft = 0, kMbtRight = 2;

using wine_checks::Check;
using wine_support::Pump;

std::string Str(long long v) { return std::to_string(v); }

template <typename Fn>
Fn Bind(HMODULE dll, const char* name) {
  Fn fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  if (!fn) {
    std::printf("FAIL the library does not export %s\n", name);
    std::exit(2);
  }
  return fn;
}

struct Library {
  HMODULE dll = LoadLibraryA("mvcefdll.dll");
  // The plain exports used here, with the parameter lists the game declares.
  int (*InitializeCef)(HINSTANCE, bool);
  int (*CreateBrowser)(RECT, const char*, HWND, HWND);
  void (*SelectHandler)(unsigned int);
  void (*ButtonDown)(UINT, WPARAM, LPARAM, int, int);
  void (*ButtonUp)(UINT, WPARAM, LPARAM, int, int);
  void (*Wheel)(UINT, WPARAM, LPARAM, int, int);
  void (*KeyEvent)(UINT, WPARAM, LPARAM);
  void (*ImeComposition)(UINT, WPARAM, LPARAM);
  void (*ImeCancel)();
  // The scripted engine inside the library.
  MvWineInstallFn Install;
  MvWineWaitBrowserFn WaitBrowser;
  MvWineCountFn Count;
  MvWineLastFn Last;
  MvWineClearFn Clear;
  MvWineWaitIdleFn WaitIdle;
  MvWineDialogFn Dialog;
  MvWinePopupFn Popup;

  Library() {
    if (!dll) {
      std::printf("FAIL LoadLibraryA(\"mvcefdll.dll\") failed: %lu\n", GetLastError());
      std::exit(2);
    }
    InitializeCef = Bind<decltype(InitializeCef)>(dll, "fnmvPackCefDllInitializeCef");
    CreateBrowser = Bind<decltype(CreateBrowser)>(dll, "fnmvPackCefDllCreateBrowser");
    SelectHandler = Bind<decltype(SelectHandler)>(dll, "fnmvPackCefDllSelectHandler");
    ButtonDown = Bind<decltype(ButtonDown)>(dll, "fnmvPackCefDllSendWMButtonDown");
    ButtonUp = Bind<decltype(ButtonUp)>(dll, "fnmvPackCefDllSendDWMButtonUp");
    Wheel = Bind<decltype(Wheel)>(dll, "fnmvPackCefDllSendWMMouseWheel");
    KeyEvent = Bind<decltype(KeyEvent)>(dll, "fnmvPackCefDllSendSendKeyEvent");
    ImeComposition = Bind<decltype(ImeComposition)>(dll, "fnmvPackCefDllImeComposition");
    ImeCancel = Bind<decltype(ImeCancel)>(dll, "fnmvPackCefDllImeCancelComposition");
    Install = Bind<MvWineInstallFn>(dll, "mvwine_install");
    WaitBrowser = Bind<MvWineWaitBrowserFn>(dll, "mvwine_wait_browser");
    Count = Bind<MvWineCountFn>(dll, "mvwine_count");
    Last = Bind<MvWineLastFn>(dll, "mvwine_last");
    Clear = Bind<MvWineClearFn>(dll, "mvwine_clear");
    WaitIdle = Bind<MvWineWaitIdleFn>(dll, "mvwine_wait_idle");
    Dialog = Bind<MvWineDialogFn>(dll, "mvwine_dialog");
    Popup = Bind<MvWinePopupFn>(dll, "mvwine_popup");
  }

  MvWineCall LastCall(const char* kind) {
    MvWineCall call;
    if (Last(kind, &call) < 0) {
      std::printf("FAIL the scripted engine knows no call kind %s\n", kind);
      std::exit(2);
    }
    return call;
  }
};

// Runs `work` on another thread while this one keeps pumping its messages, as a game's UI thread
// does while the engine's thread shows a message box owned by one of its windows.
void RunWhilePumping(const std::function<void()>& work) {
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread worker([&] {
    work();
    SetEvent(done);
  });
  while (MsgWaitForMultipleObjects(1, &done, FALSE, 20000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) Pump();
  worker.join();
  CloseHandle(done);
}

HWND MakeWindow(const wchar_t* title, DWORD style, int x, int y, int w, int h, HWND parent) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"mvwine";
    RegisterClassW(&wc);
    registered = true;
  }
  HWND hwnd = CreateWindowExW(0, L"mvwine", title, style, x, y, w, h, parent, nullptr, GetModuleHandleW(nullptr),
                              nullptr);
  Pump();
  return hwnd;
}

void SetKeys(std::initializer_list<int> held, std::initializer_list<int> toggled = {}) {
  BYTE keys[256] = {};
  for (int vk : held) keys[vk] = 0x80;
  for (int vk : toggled) keys[vk] |= 0x01;
  SetKeyboardState(keys);
}

std::wstring Directory(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::string Utf8(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
  return out;
}

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  return path;
}

// Starts the engine in client mode with a game window and a blank 400x300 browser in it; returns
// the browser's id.
int StartBlankBrowser(Library& lib, HWND* game) {
  lib.Install();
  lib.InitializeCef(reinterpret_cast<HINSTANCE>(lib.dll), true);
  *game = MakeWindow(L"game", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 420, 320, nullptr);
  RECT view = {0, 0, 400, 300};
  lib.CreateBrowser(view, "about:blank", *game, nullptr);
  const int id = lib.WaitBrowser(10000);
  Check(id != 0, "the engine reported the browser");
  return id;
}

// Rule A (windowed) looks beside the library, rule B (client mode) one folder up.
void PathScenario(bool client_mode) {
  Library lib;
  lib.Install();
  lib.InitializeCef(reinterpret_cast<HINSTANCE>(lib.dll), client_mode);
  MvWineCall init = lib.LastCall("Initialize");
  Check(init.found, "the engine was started");
  // Our own executable lies beside the library; its path is found independently of the DLL's.
  std::wstring folder = Directory(ModulePath(nullptr));
  if (client_mode) folder = Directory(folder);
  const std::string want = Utf8(folder + L"\\mvcef\\marovekcef.exe");
  Check(want == init.subprocess_path, client_mode ? "client mode: sub-process path one folder up"
                                                  : "windowed: sub-process path beside the library",
        "got '" + std::string(init.subprocess_path) + "', want '" + want + "'");
  Check(init.windowless_rendering == (client_mode ? 1 : 0), "windowless rendering follows the mode",
        Str(init.windowless_rendering));
}

void InputScenario() {
  Library lib;
  lib.Install();
  lib.InitializeCef(reinterpret_cast<HINSTANCE>(lib.dll), true);

  HWND game = MakeWindow(L"game", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 420, 320, nullptr);
  HWND child = MakeWindow(L"", WS_CHILD | WS_VISIBLE, 200, 0, 150, 100, game);
  HWND other = MakeWindow(L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 100, 200, 200, nullptr);
  SetKeys({});

  // No current handler yet: a press must not touch capture.
  lib.SelectHandler(0);
  lib.ButtonDown(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 40), 5, 5);
  Check(GetCapture() == nullptr, "a press without a current handler leaves capture alone");

  RECT view = {0, 0, 400, 300};
  const int id = lib.CreateBrowser(view, "about:blank", game, nullptr);
  Check(id == 1, "first browser id is 1", Str(id));
  Check(lib.WaitBrowser(10000) != 0, "the engine reported the browser");

  // Press: capture and focus move to the handler window.
  SetFocus(other);
  lib.ButtonDown(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 40), 5, 5);
  Check(GetCapture() == game, "a press captures the mouse for the handler window");
  Check(GetFocus() == game, "a press focuses the handler window");
  MvWineCall click = lib.LastCall("SendMouseClickEvent");
  Check(click.found && click.mouse_x == 25 && click.mouse_y == 35 && click.number == kMbtLeft && !click.flag &&
            click.count == 1 && click.mouse_modifiers == kLeftButton,
        "the press reaches the page at the view position",
        "x " + Str(click.mouse_x) + " y " + Str(click.mouse_y) + " button " + Str(click.number) + " up " +
            Str(click.flag) + " modifiers " + Str(click.mouse_modifiers));

  // Release: capture is given back, the event carries no modifiers.
  SetKeys({VK_SHIFT, VK_LSHIFT});
  lib.ButtonUp(WM_LBUTTONUP, MK_SHIFT, MAKELPARAM(30, 40), 5, 5);
  Check(GetCapture() == nullptr, "a release gives the capture back");
  click = lib.LastCall("SendMouseClickEvent");
  Check(click.flag && click.mouse_modifiers == 0, "a release is sent as mouse-up without modifiers",
        "up " + Str(click.flag) + " modifiers " + Str(click.mouse_modifiers));

  // A release while another window holds the capture leaves it there.
  SetCapture(other);
  lib.ButtonUp(WM_LBUTTONUP, 0, MAKELPARAM(30, 40), 5, 5);
  Check(GetCapture() == other, "a release does not take another window's capture");
  ReleaseCapture();

  // Mouse modifiers: Alt and the lock keys from the key state, Shift and Ctrl only from wParam.
  SetKeys({VK_MENU, VK_LMENU, VK_SHIFT, VK_LSHIFT}, {VK_NUMLOCK});
  lib.ButtonDown(WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, MAKELPARAM(10, 10), 0, 0);
  click = lib.LastCall("SendMouseClickEvent");
  Check(click.number == kMbtRight && click.mouse_modifiers == (kAltDown | kNumLockOn | kRightButton | kControlDown),
        "mouse modifiers: Alt and Num Lock from GetKeyState, Ctrl from wParam, not the held Shift",
        "button " + Str(click.number) + " modifiers " + Str(click.mouse_modifiers));
  lib.ButtonUp(WM_RBUTTONUP, 0, MAKELPARAM(10, 10), 0, 0);

  // Key modifiers from GetKeyState, with the side of the key.
  SetKeys({VK_SHIFT, VK_LSHIFT}, {VK_CAPITAL});
  lib.KeyEvent(WM_KEYDOWN, VK_SHIFT, 0x002A0001);
  MvWineCall key = lib.LastCall("SendKeyEvent");
  Check(key.key_type == kRawKeyDown && key.key_modifiers == (kShiftDown | kCapsLockOn | kIsLeft) &&
            key.key_windows_code == VK_SHIFT && key.key_native_code == 0x002A0001 && !key.key_is_system,
        "left Shift down with Caps Lock on", "type " + Str(key.key_type) + " modifiers " + Str(key.key_modifiers));
  SetKeys({VK_CONTROL, VK_RCONTROL});
  lib.KeyEvent(WM_KEYUP, VK_CONTROL, static_cast<LPARAM>(0xC11D0001u));
  key = lib.LastCall("SendKeyEvent");
  Check(key.key_type == kKeyUp && key.key_modifiers == (kControlDown | kIsRight),
        "right Ctrl up", "type " + Str(key.key_type) + " modifiers " + Str(key.key_modifiers));
  SetKeys({VK_MENU, VK_LMENU});
  lib.KeyEvent(WM_SYSKEYDOWN, 'F', 0x20210001);
  key = lib.LastCall("SendKeyEvent");
  Check(key.key_is_system == 1 && key.key_modifiers == kAltDown, "Alt+F is a system key with Alt held",
        "system " + Str(key.key_is_system) + " modifiers " + Str(key.key_modifiers));
  SetKeys({});

  // Wheel: WindowFromPoint decides, ScreenToClient places.
  POINT inside = {50, 60};
  ClientToScreen(game, &inside);
  POINT over_child = {250, 50};
  ClientToScreen(game, &over_child);
  Check(WindowFromPoint(inside) == game && WindowFromPoint(over_child) == child,
        "the windows lie where the test put them");
  const int off_x = 5, off_y = 7;
  auto wheel_at = [&](POINT screen, short delta) {
    lib.Wheel(WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(screen.x + off_x, screen.y + off_y), off_x, off_y);
  };
  int wheels = lib.Count("SendMouseWheelEvent");
  wheel_at(inside, 120);
  MvWineCall wheel = lib.LastCall("SendMouseWheelEvent");
  Check(lib.Count("SendMouseWheelEvent") == wheels + 1 && wheel.mouse_x == 50 && wheel.mouse_y == 60 &&
            wheel.delta_x == 0 && wheel.delta_y == 120,
        "a wheel notch over the handler window scrolls at its client position",
        "x " + Str(wheel.mouse_x) + " y " + Str(wheel.mouse_y) + " dx " + Str(wheel.delta_x) + " dy " +
            Str(wheel.delta_y));
  wheels = lib.Count("SendMouseWheelEvent");
  wheel_at(over_child, 120);
  Check(lib.Count("SendMouseWheelEvent") == wheels, "a wheel over a child window is dropped");
  POINT elsewhere = {50, 50};
  ClientToScreen(other, &elsewhere);
  wheel_at(elsewhere, 120);
  Check(lib.Count("SendMouseWheelEvent") == wheels, "a wheel over another window is dropped");
  SetKeys({VK_SHIFT, VK_LSHIFT});
  wheel_at(inside, -120);
  wheel = lib.LastCall("SendMouseWheelEvent");
  Check(wheel.delta_x == -120 && wheel.delta_y == 0, "Shift turns the wheel sideways",
        "dx " + Str(wheel.delta_x) + " dy " + Str(wheel.delta_y));
  SetKeys({});

  // IME: the result string of the handler window's real input context is committed whole.
  const wchar_t text[] = L"ab\x4E2D\x6587";
  HIMC himc = ImmGetContext(game);
  Check(himc != nullptr, "the handler window has an input context");
  ImmSetCompositionStringW(himc, SCS_SETSTR, const_cast<wchar_t*>(text), sizeof(text) - sizeof(wchar_t), nullptr, 0);
  int commits = lib.Count("ImeCommitText");
  lib.ImeComposition(WM_IME_COMPOSITION, 0, GCS_COMPSTR);
  Check(lib.Count("ImeCommitText") == commits, "a composition in progress commits nothing");
  ImmNotifyIME(himc, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
  const LONG result_bytes = ImmGetCompositionStringW(himc, GCS_RESULTSTR, nullptr, 0);
  ImmReleaseContext(game, himc);
  Check(result_bytes == static_cast<LONG>(sizeof(text) - sizeof(wchar_t)), "the IME holds the result string",
        Str(result_bytes) + " bytes");
  lib.ImeComposition(WM_IME_COMPOSITION, 0, GCS_RESULTSTR | GCS_COMPSTR);
  MvWineCall commit = lib.LastCall("ImeCommitText");
  Check(lib.Count("ImeCommitText") == commits + 1 && std::string(commit.text) == Utf8(text) &&
            commit.range_from == -1 && commit.range_to == -1 && commit.count == 0,
        "the result string is committed whole at the caret",
        "text '" + std::string(commit.text) + "' range " + Str(commit.range_from) + "," + Str(commit.range_to));
  const int cancels = lib.Count("ImeCancelComposition");
  lib.ImeCancel();
  Check(lib.Count("ImeCancelComposition") == cancels + 1, "cancel reaches the page");

  DestroyWindow(child);
  DestroyWindow(game);
  DestroyWindow(other);
}

// Finds a message box owned by `owner` and presses `button`, from a timer of the host's thread.
struct BoxAnswerer {
  static HWND owner;
  static int button;
  static std::wstring text, caption;
  static bool answered;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (answered) return;
    HWND box = nullptr;
    while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
      if (GetWindow(box, GW_OWNER) != owner || !IsWindowVisible(box)) continue;
      wchar_t buffer[256] = {};
      GetDlgItemTextW(box, 0xFFFF, buffer, 256);
      text = buffer;
      GetWindowTextW(box, buffer, 256);
      caption = buffer;
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
      answered = true;
      return;
    }
  }
};
HWND BoxAnswerer::owner;
int BoxAnswerer::button;
std::wstring BoxAnswerer::text, BoxAnswerer::caption;
bool BoxAnswerer::answered;

void DialogScenario() {
  Library lib;
  HWND game = nullptr;
  const int id = StartBlankBrowser(lib, &game);
  UINT_PTR timer = SetTimer(nullptr, 0, 50, BoxAnswerer::Tick);

  struct Case {
    const char* name;
    bool confirm;
    int button;
    int handled, continued, success;
  } cases[] = {
      {"alert answered with OK", false, IDOK, 0, 0, 0},
      {"confirm answered with OK", true, IDOK, 1, 1, 1},
      {"confirm answered with Cancel", true, IDCANCEL, 1, 1, 0},
  };
  const wchar_t message[] = L"Upload \x5B8C\x6210?";
  for (const Case& c : cases) {
    BoxAnswerer::owner = game;
    BoxAnswerer::button = c.button;
    BoxAnswerer::answered = false;
    int handled = -1, continued = -1, success = -1;
    RunWhilePumping([&] { handled = lib.Dialog(id, c.confirm, Utf8(message).c_str(), &continued, &success); });
    Check(BoxAnswerer::answered, c.name, "no message box owned by the handler window appeared");
    Check(BoxAnswerer::text == message, "the box shows the page's text", Utf8(BoxAnswerer::text));
    Check(BoxAnswerer::caption == L"\x63D0\x793A", "the box has the fixed caption", Utf8(BoxAnswerer::caption));
    Check(handled == c.handled && continued == c.continued && success == c.success, c.name,
          "handled " + Str(handled) + " continued " + Str(continued) + " success " + Str(success));
  }
  KillTimer(nullptr, timer);
  DestroyWindow(game);
}

// The shell side is checked by the script that runs us: it owns the fake xdg-open's log.
void PopupScenario() {
  Library lib;
  HWND game = nullptr;
  const int id = StartBlankBrowser(lib, &game);
  int cancelled = -1;
  RunWhilePumping([&] { cancelled = lib.Popup(id, "file:///etc/hostname"); });
  Check(cancelled == 1, "a file: popup is cancelled");
  RunWhilePumping([&] { cancelled = lib.Popup(id, "https://example.test/popup?from=wine"); });
  Check(cancelled == 1, "a web popup is cancelled in the browser");
  DestroyWindow(game);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string scenario = argc > 1 ? argv[1] : "";
  if (scenario == "windowed-paths") {
    PathScenario(false);
  } else if (scenario == "client-paths") {
    PathScenario(true);
  } else if (scenario == "input") {
    InputScenario();
  } else if (scenario == "dialogs") {
    DialogScenario();
  } else if (scenario == "popups") {
    PopupScenario();
  } else {
    std::printf("usage: wine_host windowed-paths|client-paths|input|dialogs|popups\n");
    return 2;
  }
  // The engine's threads are the library's business; end here without unloading it.
  ExitProcess(wine_checks::Summary());
}
