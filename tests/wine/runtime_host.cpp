// A Windows host run under Wine against the real library (our Chromium runtime), with the stand-in
// browser (tests/devtools_replay) as its browser: loads mvcefdll.dll from an install layout with
// LoadLibrary, binds the exports with GetProcAddress and drives them as a game does.
//
//   runtime_host.exe SCENARIO BUILD_DIR REPLAY_DIR
//     frames       a windowless browser's frames have the recorded colours at their pixels; shutdown
//                  leaves no process
//     bridge       uploadImg(1) answered by marovekcef.exe from this layout's file, passed on by the
//                  page through batchUploadImg to GetMsg
//     windowed     a windowed browser's child window shows the page (read back with GDI) and passes
//                  its own mouse and key messages to it
//     killed       the browser killed under the library: every export returns at once
//     host-killed  this host killed (TerminateProcess) with a browser up: no process of it is left
//     no-browser   no browser to start: InitializeCef returns 1, CreateBrowser 0
// BUILD_DIR holds bin\mvcefdll.dll, mvcef\marovekcef.exe and wine\devtools_stand_in.exe;
// REPLAY_DIR is tests/devtools_replay.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/base64.h"
#include "tests/support/file_bytes.h"
#include "wine_checks.h"
#include "wine_support.h"

namespace {

using mvtest::ReadFileBytes;
using wine_checks::Check;
using wine_support::Pump;
using wine_support::WindowsPath;

constexpr int kWidth = 320, kHeight = 240;  // the recordings' view
constexpr DWORD kWaitMs = 30000;

std::string g_build, g_replay;

// The replay folder is tests/devtools_replay; its pages live with the other test pages.
std::string PageUrl(const std::string& page) {
  return "file://" + g_replay.substr(0, g_replay.find_last_of('/')) + "/pages/replay/" + page;
}

struct Api {
  HMODULE dll = nullptr;
  int (*InitializeCef)(HINSTANCE, bool);
  int (*UninitializeCef)();
  int (*InitCefBrowserInApp)(HWND, RECT, const char*);
  int (*CreateBrowser)(RECT, const char*, HWND, HWND);
  void (*SelectHandler)(unsigned int);
  int (*DoClose)();
  int (*GotoUrl)(const char*);
  int (*GoBack)();
  int (*GoForward)();
  int (*Reload)();
  void (*DoZoom)(int);
  bool (*GetSource)(char*, int*);
  void (*GetMsg)(char*, char*);
  bool (*IsDirty)();
  void (*SetUploadIsDone)(bool);
  bool (*HasNewFrame)(int*, int*);
  void (*RenderData)(void*);
  void (*ButtonDown)(UINT, WPARAM, LPARAM, int, int);
  void (*ButtonUp)(UINT, WPARAM, LPARAM, int, int);
  void (*MouseMove)(UINT, WPARAM, LPARAM, int, int);
  void (*Wheel)(UINT, WPARAM, LPARAM, int, int);
  void (*KeyEvent)(UINT, WPARAM, LPARAM);

  template <typename Fn>
  void Bind(Fn* fn, const char* name) {
    *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
    if (!*fn) {
      std::printf("FAIL the library does not export %s\n", name);
      std::exit(2);
    }
  }

  bool Load(const std::string& path) {
    dll = LoadLibraryA(path.c_str());
    if (!dll) return false;
    Bind(&InitializeCef, "fnmvPackCefDllInitializeCef");
    Bind(&UninitializeCef, "fnmvPackCefDllUninitializeCef");
    Bind(&InitCefBrowserInApp, "fnmvPackCefDllInitCefBrowserInApp");
    Bind(&CreateBrowser, "fnmvPackCefDllCreateBrowser");
    Bind(&SelectHandler, "fnmvPackCefDllSelectHandler");
    Bind(&DoClose, "fnmvPackCefDllDoClose");
    Bind(&GotoUrl, "fnmvPackCefDllGotoUrl");
    Bind(&GoBack, "fnmvPackCefDllGoBack");
    Bind(&GoForward, "fnmvPackCefDllGoForward");
    Bind(&Reload, "fnmvPackCefDllReload");
    Bind(&DoZoom, "fnmvPackCefDllDoZoom");
    Bind(&GetSource, "fnmvPackCefDLLGetSource");
    Bind(&GetMsg, "fnmvPackCefDllGetMsg");
    Bind(&IsDirty, "fnmvPackCefDllIsDirty");
    Bind(&SetUploadIsDone, "fnmvPackCefDllSetUploadIsDone");
    Bind(&HasNewFrame, "fnmvPackCefDllGetBrowserHasNewFrame");
    Bind(&RenderData, "fnmvPackCefDllGetBrowserRenderData");
    Bind(&ButtonDown, "fnmvPackCefDllSendWMButtonDown");
    Bind(&ButtonUp, "fnmvPackCefDllSendDWMButtonUp");
    Bind(&MouseMove, "fnmvPackCefDllSendWMMouseMove");
    Bind(&Wheel, "fnmvPackCefDllSendWMMouseWheel");
    Bind(&KeyEvent, "fnmvPackCefDllSendSendKeyEvent");
    return true;
  }
};

// Pumps this thread's messages (as a game's UI thread does) until `done` or the time is up.
bool PollUntil(const std::function<bool()>& done, DWORD ms = kWaitMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    Pump();
    if (done()) return true;
    if (GetTickCount() - start > ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

HWND MakeWindow(int x, int y, int w, int h) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"mvruntime";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, L"mvruntime", L"game", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, x, y, w,
                              h, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  Pump();
  return hwnd;
}

// The processes whose parent is `parent` and that still run.
std::vector<PROCESSENTRY32W> ChildrenOf(DWORD parent) {
  std::vector<PROCESSENTRY32W> out;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return out;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ParentProcessID != parent || entry.th32ProcessID == GetCurrentProcessId()) continue;
    // Wine's own helpers that a first window or console starts.
    if (lstrcmpiW(entry.szExeFile, L"explorer.exe") == 0 || lstrcmpiW(entry.szExeFile, L"conhost.exe") == 0) continue;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID);
    if (!process) continue;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) out.push_back(entry);
    CloseHandle(process);
  }
  CloseHandle(snapshot);
  return out;
}

std::string Names(const std::vector<PROCESSENTRY32W>& processes) {
  std::string out;
  for (const auto& p : processes) {
    char name[MAX_PATH];
    WideCharToMultiByte(CP_UTF8, 0, p.szExeFile, -1, name, sizeof name, nullptr, nullptr);
    out += std::string(out.empty() ? "" : ", ") + name + " (" + std::to_string(p.th32ProcessID) + ")";
  }
  return out;
}

DWORD ChildNamed(DWORD parent, const wchar_t* exe) {
  for (const auto& p : ChildrenOf(parent))
    if (lstrcmpiW(p.szExeFile, exe) == 0) return p.th32ProcessID;
  return 0;
}

// An install layout of its own: ROOT\bin\mvcefdll.dll, ROOT\mvcef\marovekcef.exe and
// ROOT\data\screenshot\rc1_0.png (what uploadImg(1) answers). The stand-in replays `recording`.
struct Layout {
  std::string root;
  bool Create(const std::string& recording, const std::string& screenshot) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root = std::string(temp) + "mvcef-runtime-" + std::to_string(GetCurrentProcessId());
    const std::string build = WindowsPath(g_build);
    bool ok = true;
    for (const char* folder : {"", "\\bin", "\\mvcef", "\\data", "\\data\\screenshot"})
      CreateDirectoryA((root + folder).c_str(), nullptr);
    ok &= CopyFileA((build + "\\bin\\mvcefdll.dll").c_str(), (root + "\\bin\\mvcefdll.dll").c_str(), FALSE) != 0;
    ok &= CopyFileA((build + "\\mvcef\\marovekcef.exe").c_str(), (root + "\\mvcef\\marovekcef.exe").c_str(), FALSE) != 0;
    std::ofstream(root + "\\data\\screenshot\\rc1_0.png", std::ios::binary) << screenshot;
    SetEnvironmentVariableA("MVCEF_CHROMIUM", (build + "\\wine\\devtools_stand_in.exe").c_str());
    SetEnvironmentVariableA("MVCEF_REPLAY", WindowsPath(g_replay + "/recordings/" + recording).c_str());
    SetEnvironmentVariableA("MVCEF_REPLAY_LOG", (root + "\\replay.log").c_str());
    return ok;
  }
  std::string library() const { return root + "\\bin\\mvcefdll.dll"; }
  ~Layout() {
    if (root.empty()) return;
    // Only what we made.
    for (const char* file : {"\\bin\\mvcefdll.dll", "\\mvcef\\marovekcef.exe", "\\data\\screenshot\\rc1_0.png",
                             "\\replay.log"})
      DeleteFileA((root + file).c_str());
    for (const char* folder : {"\\data\\screenshot", "\\data", "\\mvcef", "\\bin", ""})
      RemoveDirectoryA((root + folder).c_str());
  }
};

// `browser`: MVCEF_CHROMIUM when not the stand-in.
bool Start(Api& api, Layout& layout, const std::string& recording, const std::string& screenshot,
           const std::string& browser = std::string()) {
  if (!layout.Create(recording, screenshot)) {
    Check(false, "install layout made");
    return false;
  }
  if (!browser.empty()) SetEnvironmentVariableA("MVCEF_CHROMIUM", browser.c_str());
  if (!api.Load(layout.library())) {
    Check(false, "LoadLibraryA of the layout's mvcefdll.dll", std::to_string(GetLastError()));
    return false;
  }
  Check(api.InitializeCef(api.dll, true) == 1, "fnmvPackCefDllInitializeCef returns 1");
  return true;
}

struct Frame {
  int width = 0, height = 0;
  std::vector<unsigned char> bgra;
  void At(int x, int y, int* r, int* g, int* b) const {
    const unsigned char* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
    *b = p[0], *g = p[1], *r = p[2];
  }
};

// Inside each quarter of quads.html and either side of its borders: red, green / blue, yellow.
std::string QuadMismatches(const std::function<void(int, int, int*, int*, int*)>& at, int w, int h) {
  struct Probe { int x, y, r, g, b; };
  const int cx = w / 2, cy = h / 2;
  const Probe probes[] = {{cx / 2, cy / 2, 255, 0, 0},       {cx + cx / 2, cy / 2, 0, 255, 0},
                          {cx / 2, cy + cy / 2, 0, 0, 255},  {cx + cx / 2, cy + cy / 2, 255, 255, 0},
                          {cx - 5, cy / 2, 255, 0, 0},       {cx + 5, cy / 2, 0, 255, 0},
                          {cx / 2, cy - 5, 255, 0, 0},       {cx / 2, cy + 5, 0, 0, 255},
                          {3, 3, 255, 0, 0},                 {w - 4, h - 4, 255, 255, 0}};
  std::string out;
  for (const Probe& p : probes) {
    int r, g, b;
    at(p.x, p.y, &r, &g, &b);
    if (std::abs(r - p.r) > 48 || std::abs(g - p.g) > 48 || std::abs(b - p.b) > 48)
      out += " (" + std::to_string(p.x) + "," + std::to_string(p.y) + ") is " + std::to_string(r) + "," +
             std::to_string(g) + "," + std::to_string(b);
  }
  return out;
}

bool TakeFrame(Api& api, Frame* frame) {
  int w = 0, h = 0;
  if (!api.HasNewFrame(&w, &h) || w <= 0 || h <= 0 || w > 8192 || h > 8192) return false;
  frame->width = w, frame->height = h;
  frame->bgra.assign(static_cast<size_t>(w) * h * 4, 0);
  api.RenderData(frame->bgra.data());
  return true;
}

bool WaitForQuads(Api& api, Frame* frame) {
  return PollUntil([&] {
    return TakeFrame(api, frame) && frame->width == kWidth && frame->height == kHeight &&
           QuadMismatches([&](int x, int y, int* r, int* g, int* b) { frame->At(x, y, r, g, b); }, kWidth, kHeight)
               .empty();
  });
}

// Shutting down leaves no process of ours: the stand-in and marovekcef.exe are gone.
void CheckShutdown(Api& api) {
  Check(api.UninitializeCef() == 1, "fnmvPackCefDllUninitializeCef returns 1");
  std::vector<PROCESSENTRY32W> left;
  const bool none = PollUntil([&] { return (left = ChildrenOf(GetCurrentProcessId())).empty(); }, 10000);
  Check(none, "no process left after fnmvPackCefDllUninitializeCef", Names(left));
}

int Frames() {
  Api api;
  Layout layout;
  if (!Start(api, layout, "quads.jsonl", ReadFileBytes(g_replay + "/data/recorded_rc1_0.png"))) return 1;
  HWND window = MakeWindow(0, 0, kWidth, kHeight);
  const int id = api.CreateBrowser(RECT{0, 0, kWidth, kHeight}, PageUrl("quads.html").c_str(), window, nullptr);
  Check(id != 0, "fnmvPackCefDllCreateBrowser gives an id");
  Check(ChildNamed(GetCurrentProcessId(), L"devtools_stand_in.exe") != 0, "the browser runs as our child");
  Frame frame;
  const bool quads = WaitForQuads(api, &frame);
  Check(quads, "a frame shows the four colours at their pixels",
        std::to_string(frame.width) + "x" + std::to_string(frame.height) + ":" +
            (frame.bgra.empty() ? std::string(" no frame")
                                : QuadMismatches([&](int x, int y, int* r, int* g, int* b) { frame.At(x, y, r, g, b); },
                                                 frame.width, frame.height)));
  CheckShutdown(api);
  return 0;
}

int Bridge() {
  const std::string live = ReadFileBytes(g_replay + "/data/live_rc1_0.png");
  Check(!live.empty() && live != ReadFileBytes(g_replay + "/data/recorded_rc1_0.png"),
        "the layout's screenshot differs from the recorded one");
  Api api;
  Layout layout;
  if (!Start(api, layout, "bridge.jsonl", live)) return 1;
  HWND window = MakeWindow(0, 0, kWidth, kHeight);
  Check(api.CreateBrowser(RECT{0, 0, kWidth, kHeight}, PageUrl("bridge.html").c_str(), window, nullptr) != 0,
        "fnmvPackCefDllCreateBrowser gives an id");
  std::vector<std::string> names, values;
  PollUntil([&] {
    while (api.IsDirty()) {
      char name[256] = {}, value[256] = {};
      api.GetMsg(name, value);
      names.push_back(name);
      values.push_back(value);
    }
    return !values.empty() && values.back() == "done=1";
  });
  Check(values.size() == 2, "two page messages reach fnmvPackCefDllGetMsg", std::to_string(values.size()));
  const std::string prefix = "data:image/png;base64,";
  std::string decoded, base64;
  if (!values.empty() && values[0].compare(0, prefix.size(), prefix) == 0)
    for (char c : values[0].substr(prefix.size()))
      if (c != '\r' && c != '\n') base64 += c;  // the engine's Base64 breaks its lines
  const bool uri = !base64.empty() && mvcommon::DecodeBase64(base64, &decoded);
  Check(uri && decoded == live, "batchUploadImg carries the data URI of this layout's data\\screenshot\\rc1_0.png",
        values.empty() ? std::string("nothing") : values[0].substr(0, 120));
  Check(!names.empty() && names[0] == "batchUploadImg", "messages are named batchUploadImg",
        names.empty() ? std::string() : names[0]);
  CheckShutdown(api);
  return 0;
}

int Windowed() {
  Api api;
  Layout layout;
  if (!Start(api, layout, "windowed.jsonl", ReadFileBytes(g_replay + "/data/recorded_rc1_0.png"))) return 1;
  HWND parent = MakeWindow(50, 50, 2 * kWidth, 2 * kHeight);
  Check(api.InitCefBrowserInApp(parent, RECT{10, 20, 10 + kWidth, 20 + kHeight}, PageUrl("quads.html").c_str()) == 1,
        "fnmvPackCefDllInitCefBrowserInApp returns 1");
  HWND child = nullptr;
  std::string mismatches = "no child window";
  const bool shown = PollUntil([&] {
    child = GetWindow(parent, GW_CHILD);
    if (!child || !IsWindowVisible(child)) return false;
    RECT rect;
    GetClientRect(child, &rect);
    if (rect.right != kWidth || rect.bottom != kHeight) {
      mismatches = "child window of " + std::to_string(rect.right) + "x" + std::to_string(rect.bottom);
      return false;
    }
    // What the window shows, read back through its device context.
    HDC dc = GetDC(child);
    mismatches = QuadMismatches(
        [&](int x, int y, int* r, int* g, int* b) {
          const COLORREF c = GetPixel(dc, x, y);
          *r = GetRValue(c), *g = GetGValue(c), *b = GetBValue(c);
        },
        kWidth, kHeight);
    ReleaseDC(child, dc);
    return mismatches.empty();
  });
  Check(shown, "the child window shows the four colours at their pixels", mismatches);
  POINT origin{0, 0};
  if (child) MapWindowPoints(child, parent, &origin, 1);
  Check(origin.x == 10 && origin.y == 20, "the child window sits at the browser's rectangle",
        std::to_string(origin.x) + "," + std::to_string(origin.y));
  if (child) {
    // The window's own input reaches the page: the stand-in logs the commands it was sent (the
    // recording has none of them).
    PostMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 30));
    PostMessageW(child, WM_LBUTTONUP, 0, MAKELPARAM(20, 30));
    PostMessageW(child, WM_KEYDOWN, 'A', 0x001E0001);
    auto count = [&](const std::string& method) {
      const std::string log = ReadFileBytes(layout.root + "\\replay.log");
      int n = 0;
      for (size_t at = log.find(method); at != std::string::npos; at = log.find(method, at + 1)) ++n;
      return n;
    };
    const bool forwarded =
        PollUntil([&] { return count("Input.dispatchMouseEvent") >= 2 && count("Input.dispatchKeyEvent") >= 1; });
    Check(forwarded, "the child window's button press, release and key reach the page",
          std::to_string(count("Input.dispatchMouseEvent")) + " mouse, " +
              std::to_string(count("Input.dispatchKeyEvent")) + " key commands");
  }
  CheckShutdown(api);
  Check(!child || !IsWindow(child), "the child window is destroyed with the engine");
  return 0;
}

// Every export, timed as a whole by the caller's watchdog.
void CallEveryExport(Api& api, HWND window) {
  int w = 0, h = 0, size = 0;
  char name[256], value[256];
  std::vector<unsigned char> pixels(static_cast<size_t>(kWidth) * kHeight * 4);
  api.CreateBrowser(RECT{0, 0, kWidth, kHeight}, PageUrl("quads.html").c_str(), window, nullptr);
  api.GotoUrl(PageUrl("bridge.html").c_str());
  api.GoBack();
  api.GoForward();
  api.Reload();
  api.DoZoom(120);
  api.GetSource(nullptr, &size);
  if (api.IsDirty()) api.GetMsg(name, value);
  api.SetUploadIsDone(true);
  if (api.HasNewFrame(&w, &h)) api.RenderData(pixels.data());
  api.ButtonDown(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5), 0, 0);
  api.MouseMove(WM_MOUSEMOVE, 0, MAKELPARAM(6, 6), 0, 0);
  api.ButtonUp(WM_LBUTTONUP, 0, MAKELPARAM(5, 5), 0, 0);
  api.Wheel(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(5, 5), 0, 0);
  api.KeyEvent(WM_KEYDOWN, 'A', 1);
  api.KeyEvent(WM_CHAR, 'a', 1);
  api.KeyEvent(WM_KEYUP, 'A', 1);
  api.DoClose();
}

// A watchdog: the scenario fails rather than hangs.
void FailAfter(DWORD ms, const char* what) {
  std::thread([ms, what] {
    Sleep(ms);
    std::printf("FAIL %s: still waiting after %lu ms\n", what, ms);
    std::fflush(stdout);
    ExitProcess(3);
  }).detach();
}

int Killed() {
  Api api;
  Layout layout;
  if (!Start(api, layout, "quads.jsonl", ReadFileBytes(g_replay + "/data/recorded_rc1_0.png"))) return 1;
  HWND window = MakeWindow(0, 0, kWidth, kHeight);
  api.CreateBrowser(RECT{0, 0, kWidth, kHeight}, PageUrl("quads.html").c_str(), window, nullptr);
  Frame frame;
  Check(WaitForQuads(api, &frame), "a frame before the browser is killed");
  const DWORD stand_in = ChildNamed(GetCurrentProcessId(), L"devtools_stand_in.exe");
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, stand_in);
  Check(process && TerminateProcess(process, 9), "the browser killed");
  if (process) WaitForSingleObject(process, 10000), CloseHandle(process);
  FailAfter(20000, "the exports after the browser was killed");
  const DWORD start = GetTickCount();
  CallEveryExport(api, window);
  Check(true, "every export returned after the browser was killed",
        std::to_string(GetTickCount() - start) + " ms");
  api.SelectHandler(1);
  CallEveryExport(api, window);
  CheckShutdown(api);
  return 0;
}

// The child half of host-killed: starts a browser, says so on stdout, then waits to be killed.
// The browser hangs after its first frame, so it would not notice its pipe closing: only the job
// can end it.
int HostChild() {
  Api api;
  Layout layout;
  SetEnvironmentVariableA("MVCEF_REPLAY_STALL_AFTER", "Page.screencastFrameAck");
  if (!Start(api, layout, "quads.jsonl", ReadFileBytes(g_replay + "/data/recorded_rc1_0.png"))) return 1;
  HWND window = MakeWindow(0, 0, kWidth, kHeight);
  api.CreateBrowser(RECT{0, 0, kWidth, kHeight}, PageUrl("quads.html").c_str(), window, nullptr);
  Frame frame;
  if (!WaitForQuads(api, &frame)) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  PollUntil([] { return false; }, 60000);
  return 0;
}

int HostKilled(const char* self) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end, write_end;
  CreatePipe(&read_end, &write_end, &inherit, 0);
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  std::string line = "\"" + std::string(self) + "\" host-child \"" + g_build + "\" \"" + g_replay + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION child{};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child)) {
    Check(false, "the host started", std::to_string(GetLastError()));
    return 1;
  }
  CloseHandle(write_end);
  std::string said;
  char buffer[256];
  DWORD n = 0;
  while (said.find("ready") == std::string::npos && ReadFile(read_end, buffer, sizeof buffer, &n, nullptr) && n > 0)
    said.append(buffer, n);
  Check(said.find("ready") != std::string::npos, "the host shows a browser's frames", said);
  const DWORD stand_in = ChildNamed(child.dwProcessId, L"devtools_stand_in.exe");
  const DWORD render = ChildNamed(child.dwProcessId, L"marovekcef.exe");
  Check(stand_in != 0, "the host's browser runs");
  HANDLE processes[2] = {OpenProcess(SYNCHRONIZE, FALSE, stand_in), render ? OpenProcess(SYNCHRONIZE, FALSE, render) : nullptr};
  TerminateProcess(child.hProcess, 9);
  WaitForSingleObject(child.hProcess, 10000);
  Check(processes[0] && WaitForSingleObject(processes[0], 10000) == WAIT_OBJECT_0,
        "the browser ends with the killed host");
  Check(processes[1] && WaitForSingleObject(processes[1], 10000) == WAIT_OBJECT_0,
        "marovekcef.exe ends with the killed host");
  for (HANDLE h : processes)
    if (h) CloseHandle(h);
  CloseHandle(child.hProcess);
  CloseHandle(child.hThread);
  CloseHandle(read_end);
  return 0;
}

int NoBrowser() {
  Api api;
  Layout layout;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  if (!Start(api, layout, "quads.jsonl", std::string(), std::string(temp) + "no-such-folder\\chrome.exe")) return 1;
  HWND window = MakeWindow(0, 0, kWidth, kHeight);
  Check(api.CreateBrowser(RECT{0, 0, kWidth, kHeight}, PageUrl("quads.html").c_str(), window, nullptr) == 0,
        "fnmvPackCefDllCreateBrowser returns 0 without a browser");
  Check(api.InitializeCef(api.dll, true) == 1, "a second fnmvPackCefDllInitializeCef still returns 1");
  Check(ChildrenOf(GetCurrentProcessId()).empty(), "no process started", Names(ChildrenOf(GetCurrentProcessId())));
  Check(api.UninitializeCef() == 1, "fnmvPackCefDllUninitializeCef returns 1");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::printf("usage: runtime_host SCENARIO BUILD_DIR REPLAY_DIR\n");
    return 2;
  }
  const std::string scenario = argv[1];
  g_build = argv[2];
  g_replay = argv[3];
  if (scenario == "frames") Frames();
  else if (scenario == "bridge") Bridge();
  else if (scenario == "windowed") Windowed();
  else if (scenario == "killed") Killed();
  else if (scenario == "host-child") return HostChild();
  else if (scenario == "host-killed") HostKilled(argv[0]);
  else if (scenario == "no-browser") NoBrowser();
  else {
    std::printf("unknown scenario %s\n", scenario.c_str());
    return 2;
  }
  return wine_checks::Summary();
}
