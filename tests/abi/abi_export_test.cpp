// Loads libmvcefdll.so by name and binds every export and class member by name, as a game binds
// the DLL, then drives the precondition cases through those bindings. The engine is pointed at a
// Chromium that does not exist, so nothing here depends on a browser: what is checked is the
// surface and its fixed results.
#include <dlfcn.h>
#include <stdlib.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

namespace {

void* Library() {
  static void* handle = [] {
    setenv("MVCEF_CHROMIUM", "/nonexistent/chromium", 1);
    return dlopen(MVCEFDLL_PATH, RTLD_NOW | RTLD_LOCAL);
  }();
  return handle;
}

template <typename Fn>
Fn Bind(const char* name) {
  void* symbol = Library() ? dlsym(Library(), name) : nullptr;
  return reinterpret_cast<Fn>(symbol);
}

// The plain exports, with the parameter lists a game declares for them.
struct Exports {
  int (*InitializeCef)(HINSTANCE, bool) = Bind<decltype(InitializeCef)>("fnmvPackCefDllInitializeCef");
  int (*UninitializeCef)() = Bind<decltype(UninitializeCef)>("fnmvPackCefDllUninitializeCef");
  int (*InitCefBrowserInApp)(HWND, RECT, const char*) =
      Bind<decltype(InitCefBrowserInApp)>("fnmvPackCefDllInitCefBrowserInApp");
  int (*CreateBrowser)(RECT, const char*, HWND, HWND) = Bind<decltype(CreateBrowser)>("fnmvPackCefDllCreateBrowser");
  void (*SelectHandler)(unsigned int) = Bind<decltype(SelectHandler)>("fnmvPackCefDllSelectHandler");
  int (*DoClose)() = Bind<decltype(DoClose)>("fnmvPackCefDllDoClose");
  int (*GotoUrl)(const char*) = Bind<decltype(GotoUrl)>("fnmvPackCefDllGotoUrl");
  int (*GoBack)() = Bind<decltype(GoBack)>("fnmvPackCefDllGoBack");
  int (*GoForward)() = Bind<decltype(GoForward)>("fnmvPackCefDllGoForward");
  int (*Reload)() = Bind<decltype(Reload)>("fnmvPackCefDllReload");
  void (*DoZoom)(int) = Bind<decltype(DoZoom)>("fnmvPackCefDllDoZoom");
  bool (*GetSource)(char*, int*) = Bind<decltype(GetSource)>("fnmvPackCefDLLGetSource");
  void (*GetMsg)(char*, char*) = Bind<decltype(GetMsg)>("fnmvPackCefDllGetMsg");
  bool (*IsDirty)() = Bind<decltype(IsDirty)>("fnmvPackCefDllIsDirty");
  void (*SetUploadIsDone)(bool) = Bind<decltype(SetUploadIsDone)>("fnmvPackCefDllSetUploadIsDone");
  bool (*HasNewFrame)(int*, int*) = Bind<decltype(HasNewFrame)>("fnmvPackCefDllGetBrowserHasNewFrame");
  void (*RenderData)(void*) = Bind<decltype(RenderData)>("fnmvPackCefDllGetBrowserRenderData");
  void (*ButtonDown)(UINT, WPARAM, LPARAM, int, int) = Bind<decltype(ButtonDown)>("fnmvPackCefDllSendWMButtonDown");
  void (*ButtonUp)(UINT, WPARAM, LPARAM, int, int) = Bind<decltype(ButtonUp)>("fnmvPackCefDllSendDWMButtonUp");
  void (*MouseMove)(UINT, WPARAM, LPARAM, int, int) = Bind<decltype(MouseMove)>("fnmvPackCefDllSendWMMouseMove");
  void (*MouseLeave)(UINT, WPARAM) = Bind<decltype(MouseLeave)>("fnmvPackCefDllSendSendWMMouseLeave");
  void (*MouseWheel)(UINT, WPARAM, LPARAM, int, int) = Bind<decltype(MouseWheel)>("fnmvPackCefDllSendWMMouseWheel");
  void (*Focus)(UINT) = Bind<decltype(Focus)>("fnmvPackCefDllSendWMFocus");
  void (*Cancel)() = Bind<decltype(Cancel)>("fnmvPackCefDllSendSendWMCancel");
  void (*KeyEvent)(UINT, WPARAM, LPARAM) = Bind<decltype(KeyEvent)>("fnmvPackCefDllSendSendKeyEvent");
  void (*ImeComposition)(UINT, WPARAM, LPARAM) = Bind<decltype(ImeComposition)>("fnmvPackCefDllImeComposition");
  void (*ImeCancel)() = Bind<decltype(ImeCancel)>("fnmvPackCefDllImeCancelComposition");
};

// Members of CmvPackCefDll under their decorated names; `this` travels first.
struct Members {
  void (*Construct)(void*) = Bind<decltype(Construct)>("_ZN13CmvPackCefDllC1Ev");
  void* (*Assign)(void*, const void*) = Bind<decltype(Assign)>("_ZN13CmvPackCefDllaSERKS_");
  void (*InitializeCef)(void*, HINSTANCE) = Bind<decltype(InitializeCef)>("_ZN13CmvPackCefDll13InitializeCefEP11HINSTANCE__");
  void (*InitializeClientCef)(void*, HINSTANCE) =
      Bind<decltype(InitializeClientCef)>("_ZN13CmvPackCefDll19InitializeClientCefEP11HINSTANCE__");
  void (*UninitializeCef)(void*) = Bind<decltype(UninitializeCef)>("_ZN13CmvPackCefDll15UninitializeCefEv");
  void (*InitCefBrowserInApp)(void*, HWND, RECT, const char*) =
      Bind<decltype(InitCefBrowserInApp)>("_ZN13CmvPackCefDll19InitCefBrowserInAppEP6HWND__7tagRECTPKc");
  int (*CreateBrowser)(void*, RECT, const char*, HWND, HWND) =
      Bind<decltype(CreateBrowser)>("_ZN13CmvPackCefDll13CreateBrowserE7tagRECTPKcP6HWND__S4_");
  void (*GotoUrl)(void*, const char*) = Bind<decltype(GotoUrl)>("_ZN13CmvPackCefDll7GotoUrlEPKc");
  void (*GoBack)(void*) = Bind<decltype(GoBack)>("_ZN13CmvPackCefDll6GoBackEv");
  void (*GoForward)(void*) = Bind<decltype(GoForward)>("_ZN13CmvPackCefDll9GoForwardEv");
  void (*Reload)(void*) = Bind<decltype(Reload)>("_ZN13CmvPackCefDll6ReloadEv");
  void (*DoClose)(void*) = Bind<decltype(DoClose)>("_ZN13CmvPackCefDll7DoCloseEv");
};

constexpr UINT kButtonDown = 0x0201, kButtonUp = 0x0202, kMouseMove = 0x0200, kWheel = 0x020A, kKeyDown = 0x0100,
               kImeComposition = 0x010F;

// Every input export with a harmless set of arguments: with no current handler none may do anything.
void DriveAllInput(const Exports& e) {
  e.ButtonDown(kButtonDown, 1, 0x00140010, 0, 0);
  e.ButtonUp(kButtonUp, 0, 0x00140010, 0, 0);
  e.MouseMove(kMouseMove, 0, 0x00140010, 0, 0);
  e.MouseLeave(0x02A3, 0);
  e.MouseWheel(kWheel, 120 << 16, 0x00140010, 0, 0);
  e.Focus(7);
  e.Cancel();
  e.KeyEvent(kKeyDown, 'A', 0x001E0001);
  e.ImeComposition(kImeComposition, 0, 0x0800);
  e.ImeCancel();
}

// What a game sees from the data exports when there is nothing to report.
void ExpectNothingToReport(const Exports& e) {
  EXPECT_FALSE(e.IsDirty());
  int width = -7, height = -7;
  EXPECT_FALSE(e.HasNewFrame(&width, &height));
  EXPECT_EQ(width, -7);
  EXPECT_EQ(height, -7);
  char pixels[16];
  std::memset(pixels, 'p', sizeof pixels);
  e.RenderData(pixels);  // returns at once, writes nothing
  EXPECT_EQ(pixels[0], 'p');
  char name[256] = "x", value[256] = "x";
  e.GetMsg(name, value);
  EXPECT_STREQ(name, "x");
  EXPECT_STREQ(value, "x");
  int size = 0;
  EXPECT_FALSE(e.GetSource(nullptr, &size));
  EXPECT_EQ(size, 0);
}

class AbiTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(Library(), nullptr) << dlerror(); }
};

TEST_F(AbiTest, EveryPlainExportAndMemberIsBoundByName) {
  const Exports e;
  const void* const plain[] = {
      (void*)e.InitializeCef, (void*)e.UninitializeCef, (void*)e.InitCefBrowserInApp, (void*)e.CreateBrowser,
      (void*)e.SelectHandler, (void*)e.DoClose,         (void*)e.GotoUrl,             (void*)e.GoBack,
      (void*)e.GoForward,     (void*)e.Reload,          (void*)e.DoZoom,              (void*)e.GetSource,
      (void*)e.GetMsg,        (void*)e.IsDirty,         (void*)e.SetUploadIsDone,     (void*)e.HasNewFrame,
      (void*)e.RenderData,    (void*)e.ButtonDown,      (void*)e.ButtonUp,            (void*)e.MouseMove,
      (void*)e.MouseLeave,    (void*)e.MouseWheel,      (void*)e.Focus,               (void*)e.Cancel,
      (void*)e.KeyEvent,      (void*)e.ImeComposition,  (void*)e.ImeCancel};
  static_assert(sizeof plain / sizeof plain[0] == 27, "the game binds 27 plain names");
  for (size_t i = 0; i < 27; ++i) EXPECT_NE(plain[i], nullptr) << "plain export #" << i;

  const Members m;
  const void* const members[] = {(void*)m.Construct,     (void*)m.Assign,          (void*)m.InitializeCef,
                                 (void*)m.InitializeClientCef, (void*)m.UninitializeCef, (void*)m.InitCefBrowserInApp,
                                 (void*)m.CreateBrowser, (void*)m.GotoUrl,         (void*)m.GoBack,
                                 (void*)m.GoForward,     (void*)m.Reload,          (void*)m.DoClose};
  for (size_t i = 0; i < 12; ++i) EXPECT_NE(members[i], nullptr) << "member #" << i;
}

// One sequence, in the order a game goes through its life: the library's state is process-wide.
TEST_F(AbiTest, PreconditionsHoldThroughTheWholeLifeCycle) {
  const Exports e;
  const RECT view = {0, 0, 800, 600};

  // Loaded, not initialised: fixed results, nothing created.
  EXPECT_EQ(e.CreateBrowser(view, "about:blank", nullptr, nullptr), 0);
  EXPECT_EQ(e.GotoUrl("about:blank"), 0);
  EXPECT_EQ(e.GoBack(), 1);
  EXPECT_EQ(e.GoForward(), 1);
  EXPECT_EQ(e.Reload(), 1);
  EXPECT_EQ(e.DoClose(), 1);
  EXPECT_EQ(e.InitCefBrowserInApp(nullptr, view, "about:blank"), 1);
  e.DoZoom(150);
  e.SetUploadIsDone(true);
  e.SelectHandler(0);
  e.SelectHandler(12345);
  ExpectNothingToReport(e);
  DriveAllInput(e);

  // Initialised with the library's own handle, as the host contract says. The engine cannot
  // start (no Chromium): initialising still returns 1, but no browser is made, so no id is given.
  EXPECT_EQ(e.InitializeCef(reinterpret_cast<HINSTANCE>(Library()), true), 1);
  EXPECT_EQ(e.CreateBrowser(view, "about:blank", nullptr, nullptr), 0);
  EXPECT_EQ(e.CreateBrowser(view, nullptr, nullptr, nullptr), 0);
  ExpectNothingToReport(e);
  DriveAllInput(e);
  EXPECT_EQ(e.GotoUrl("http://example.com/"), 0);
  EXPECT_EQ(e.GotoUrl(nullptr), 0);
  EXPECT_EQ(e.DoClose(), 1);
  EXPECT_EQ(e.CreateBrowser(view, "about:blank", nullptr, nullptr), 0);
  e.SelectHandler(2);  // closed: no current handler
  ExpectNothingToReport(e);
  e.SelectHandler(1);
  ExpectNothingToReport(e);
  DriveAllInput(e);

  // Members act on the same library-wide state, from any object of the class.
  const Members m;
  alignas(8) unsigned char object[8] = {0}, other[8] = {0};
  m.Construct(object);
  m.Construct(other);
  EXPECT_EQ(m.Assign(object, other), object);
  EXPECT_EQ(m.CreateBrowser(object, view, "about:blank", nullptr, nullptr), 0);
  m.GotoUrl(object, "about:blank");
  m.GoBack(object);
  m.GoForward(object);
  m.Reload(object);
  m.DoClose(object);

  EXPECT_EQ(e.UninitializeCef(), 1);
  e.SelectHandler(1);
  e.SelectHandler(3);
  ExpectNothingToReport(e);
  DriveAllInput(e);
  EXPECT_EQ(e.UninitializeCef(), 1);
}

}  // namespace
