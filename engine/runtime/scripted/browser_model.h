// One scripted browser: the state a test controls, and the browser-side and
// render-side CefBrowser/CefFrame objects that share its id.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "include/cef_v8.h"

#include "engine/runtime/scripted/scripted_runtime.h"

namespace mvengine {
namespace scripted {

class World;
class ScriptedBrowser;
class ScriptedFrame;

class BrowserModel : public std::enable_shared_from_this<BrowserModel> {
 public:
  BrowserModel(int id, std::weak_ptr<World> world, CefRefPtr<CefClient> client, bool windowless,
               CefWindowHandle window, int64 main_frame_id);

  // Creates the two browser objects and the main frames; call once after construction.
  void Build();
  // Drops every reference the model holds (browsers, frames, client, contexts).
  void Detach();

  int id() const { return id_; }
  bool windowless() const { return windowless_; }
  CefWindowHandle window() const { return window_; }
  std::shared_ptr<World> world() const { return world_.lock(); }

  CefRefPtr<ScriptedBrowser> Browser(CefProcessId side);
  CefRefPtr<CefClient> client();
  void DropClient();
  // Calls `call` with the client's life-span handler and the browser-side browser, when both exist
  // (UI thread).
  void ToLifeSpanHandler(const std::function<void(CefLifeSpanHandler&, CefBrowser*)>& call);

  CefRefPtr<ScriptedFrame> MainFrame(CefProcessId side);
  CefRefPtr<ScriptedFrame> Frame(CefProcessId side, int64 frame_id);  // 0: main frame
  std::vector<int64> FrameIds();
  int64 main_frame_id();
  void SetMainFrameId(int64 frame_id);
  void AddFrame(int64 frame_id, const std::string& name);

  CefRefPtr<CefV8Context> Context(int64 frame_id);
  void SetContext(int64 frame_id, CefRefPtr<CefV8Context> context);

  bool can_go_back();
  bool can_go_forward();
  bool is_loading();
  CefString text();
  double zoom();
  bool closed();
  void set_can_go_back(bool v);
  void set_can_go_forward(bool v);
  void set_is_loading(bool v);
  void set_text(const CefString& v);
  void set_zoom(double v);
  // True the first time only.
  bool MarkClosed();

 private:
  CefRefPtr<ScriptedFrame> MakeFrame(CefProcessId side, int64 frame_id, const std::string& name, bool main);

  const int id_;
  const std::weak_ptr<World> world_;
  const bool windowless_;
  const CefWindowHandle window_;

  // Everything below is guarded by mutex_; callers on any thread.
  std::mutex mutex_;
  CefRefPtr<CefClient> client_;
  CefRefPtr<ScriptedBrowser> browser_side_;
  CefRefPtr<ScriptedBrowser> render_side_;
  int64 main_frame_id_;
  std::map<int64, CefRefPtr<ScriptedFrame>> browser_frames_;
  std::map<int64, CefRefPtr<ScriptedFrame>> render_frames_;
  std::map<int64, CefRefPtr<CefV8Context>> contexts_;
  bool can_go_back_ = false;
  bool can_go_forward_ = false;
  bool is_loading_ = false;
  CefString text_;
  double zoom_ = 0;
  bool closed_ = false;
};

// CefBrowser (and, on the browser side, CefBrowserHost) of one side.
class ScriptedBrowser : public CefBrowser, public CefBrowserHost {
 public:
  ScriptedBrowser(std::shared_ptr<BrowserModel> model, CefProcessId side);

  // CefBrowser
  CefRefPtr<CefBrowserHost> GetHost() override;
  bool CanGoBack() override;
  void GoBack() override;
  bool CanGoForward() override;
  void GoForward() override;
  bool IsLoading() override;
  void Reload() override;
  void ReloadIgnoreCache() override;
  void StopLoad() override;
  int GetIdentifier() override;
  bool IsSame(CefRefPtr<CefBrowser> that) override;
  CefRefPtr<CefFrame> GetMainFrame() override;
  CefRefPtr<CefFrame> GetFrame(int64 identifier) override;
  CefRefPtr<CefFrame> GetFrame(const CefString& name) override;
  size_t GetFrameCount() override;
  void GetFrameIdentifiers(std::vector<int64>& identifiers) override;
  bool SendProcessMessage(CefProcessId target_process, CefRefPtr<CefProcessMessage> message) override;

  // CefBrowserHost
  CefRefPtr<CefBrowser> GetBrowser() override;
  void CloseBrowser(bool force_close) override;
  void SetFocus(bool focus) override;
  CefWindowHandle GetWindowHandle() override;
  CefRefPtr<CefClient> GetClient() override;
  double GetZoomLevel() override;
  void SetZoomLevel(double zoomLevel) override;
  bool IsWindowRenderingDisabled() override;
  void WasResized() override;
  void WasHidden(bool hidden) override;
  void NotifyScreenInfoChanged() override;
  void Invalidate(PaintElementType type) override;
  void SendKeyEvent(const CefKeyEvent& event) override;
  void SendMouseClickEvent(const CefMouseEvent& event, MouseButtonType type, bool mouseUp,
                           int clickCount) override;
  void SendMouseMoveEvent(const CefMouseEvent& event, bool mouseLeave) override;
  void SendMouseWheelEvent(const CefMouseEvent& event, int deltaX, int deltaY) override;
  void SendFocusEvent(bool setFocus) override;
  void SendCaptureLostEvent() override;
  void SetWindowlessFrameRate(int frame_rate) override;
  void ImeSetComposition(const CefString& text, const std::vector<CefCompositionUnderline>& underlines,
                         const CefRange& replacement_range, const CefRange& selection_range) override;
  void ImeCommitText(const CefString& text, const CefRange& replacement_range, int relative_cursor_pos) override;
  void ImeFinishComposingText(bool keep_selection) override;
  void ImeCancelComposition() override;

  CefProcessId side() const { return side_; }

 private:
  // A call of this browser from its side; the Record forms also record it (RecordFlag returns
  // the flag).
  Call NewCall(CallKind kind) const { return Call(kind, model_->id(), side_); }
  void Record(CallKind kind) const;
  bool RecordFlag(CallKind kind, bool flag) const;
  void RecordNumber(CallKind kind, int number) const;

  const std::shared_ptr<BrowserModel> model_;
  const CefProcessId side_;
  IMPLEMENT_REFCOUNTING(ScriptedBrowser);
};

class ScriptedFrame : public CefFrame {
 public:
  ScriptedFrame(std::shared_ptr<BrowserModel> model, CefProcessId side, int64 id, const std::string& name,
                bool main);

  bool IsValid() override;
  void GetText(CefRefPtr<CefStringVisitor> visitor) override;
  void LoadURL(const CefString& url) override;
  void LoadString(const CefString& string_val, const CefString& url) override;
  bool IsMain() override;
  CefString GetName() override;
  int64 GetIdentifier() override;
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefV8Context> GetV8Context() override;

  void Invalidate();

 private:
  // A call about this frame, from its side.
  Call NewCall(CallKind kind) const;

  const std::shared_ptr<BrowserModel> model_;
  const CefProcessId side_;
  const int64 id_;
  const std::string name_;
  std::mutex mutex_;
  bool main_;          // guarded by mutex_
  bool valid_ = true;  // guarded by mutex_
  IMPLEMENT_REFCOUNTING(ScriptedFrame);
};

}  // namespace scripted
}  // namespace mvengine
