// Starting and stopping the engine in the host's process.
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include "include/cef_app.h"
#include "include/cef_command_line.h"
#include "mvcefdll/library_state.h"
#include "mvcefdll/mvcefdll.h"
#include "mvcefdll/subprocess_path.h"
#include "pagebridge/bridge_origins.h"
#include "pagebridge/simple_app.h"

namespace {

#if defined(_WIN32)
constexpr wchar_t kSeparator = L'\\';
constexpr wchar_t kSubprocessName[] = L"marovekcef.exe";
#else
constexpr wchar_t kSeparator = L'/';
constexpr wchar_t kSubprocessName[] = L"marovekcef";
#endif

// The sub-process executable next to (windowed mode) or one folder above (client mode) the
// module the host named. Empty when the path cannot be derived or would not fit MAX_PATH.
std::wstring SubprocessPathFor(HINSTANCE instance, bool client_mode) {
  wchar_t module[MAX_PATH] = {0};
  const DWORD length = GetModuleFileNameW(instance, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();  // unknown or truncated
  return mvcef::SubprocessPath(std::wstring_view(module, length), client_mode, kSeparator, kSubprocessName)
      .value_or(std::wstring());
}

// The origins the game narrowed the page bridge to; nullopt when MVCEF_BRIDGE_ORIGINS is unset.
std::optional<std::vector<std::string>> BridgeOriginsSetting() {
  const char* setting = std::getenv(mvcef::kBridgeOriginsVariable);
  if (!setting) return std::nullopt;
  mvcef::OriginList list = mvcef::ParseOriginList(setting);
  for (const std::string& entry : list.rejected)
    OutputDebugStringA(("mvcef: MVCEF_BRIDGE_ORIGINS: '" + entry + "' is no origin; ignored").c_str());
  return std::move(list.origins);
}

CefRefPtr<CefApp> NewApplication() {
  CefRefPtr<SimpleApp> application = new SimpleApp();
  if (std::optional<std::vector<std::string>> origins = BridgeOriginsSetting())
    application->RestrictBridgeTo(std::move(*origins));
  return application.get();
}

// Decides on a client-mode process: the game's own process (no "type") and renderers get the
// application object; other engine sub-processes run without one.
CefRefPtr<CefApp> ClientModeApplication() {
  CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
  if (!command_line) return nullptr;
  command_line->InitFromString(GetCommandLineW());
  if (!command_line->HasSwitch("type")) return NewApplication();
  if (command_line->GetSwitchValue("type").ToString() == "renderer") return NewApplication();
  return nullptr;
}

void StartEngine(HINSTANCE instance, bool client_mode) {
  mvcef::LibraryState& state = mvcef::State();
  if (state.engine != mvcef::EngineState::kNotStarted) return;  // the engine cannot start twice

  const std::wstring subprocess = SubprocessPathFor(instance, client_mode);
  if (subprocess.empty()) {
    // Starting from a wrong folder would fail later and far from the cause.
    OutputDebugStringA("mvcef: no sub-process path can be derived from the module; engine not started");
    return;
  }

#if defined(_WIN32)
  CefMainArgs main_args(instance);
#else
  CefMainArgs main_args(0, nullptr);
#endif
  CefSettings settings;
  settings.no_sandbox = 1;
  cef_string_from_wide(subprocess.c_str(), subprocess.size(), &settings.browser_subprocess_path);
  settings.multi_threaded_message_loop = 1;
  if (client_mode) settings.windowless_rendering_enabled = 1;
  settings.ignore_certificate_errors = 1;

  CefRefPtr<CefApp> application = client_mode ? ClientModeApplication() : NewApplication();
  if (CefInitialize(main_args, settings, application, NULL)) {
    state.engine = mvcef::EngineState::kRunning;
  } else {
    OutputDebugStringA("mvcef: the engine refused to start");
  }
}

}  // namespace

void CmvPackCefDll::InitializeCef(HINSTANCE instance) { StartEngine(instance, false); }

void CmvPackCefDll::InitializeClientCef(HINSTANCE instance) { StartEngine(instance, true); }

void CmvPackCefDll::UninitializeCef() {
  mvcef::LibraryState& state = mvcef::State();
  if (state.engine != mvcef::EngineState::kRunning) return;
  CefShutdown();
  state.engine = mvcef::EngineState::kShutDown;
}
