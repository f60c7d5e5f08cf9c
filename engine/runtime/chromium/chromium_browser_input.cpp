// Host input as Input-domain commands. Sent in call order on the one channel,
// so Chromium sees them in the order the host made them.
#include "engine/runtime/chromium/chromium_browser.h"

#include "engine/src/context_menu.h"
#include "include/cef_context_menu_handler.h"
#include "engine/runtime/chromium/input_mapping.h"

namespace mvengine {
namespace chromium {

namespace {

constexpr uint32_t kButtonBits[] = {EVENTFLAG_LEFT_MOUSE_BUTTON, EVENTFLAG_MIDDLE_MOUSE_BUTTON,
                                    EVENTFLAG_RIGHT_MOUSE_BUTTON};

}  // namespace

void ChromiumBrowser::SendMouseClickEvent(const CefMouseEvent& event, MouseButtonType type, bool mouse_up,
                                          int click_count) {
  if (type >= MBT_LEFT && type <= MBT_RIGHT) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (mouse_up) input_.buttons_down &= ~kButtonBits[type];
    else input_.buttons_down |= kButtonBits[type];
  }
  Send("Input.dispatchMouseEvent",
       MouseClickParams(event.x, event.y, event.modifiers, type, mouse_up, click_count));
  if (type == MBT_RIGHT && mouse_up) {
    // Headless Chromium shows no context menu; the client still gets to shape one.
    CefRefPtr<ChromiumBrowser> self(this);
    int x = event.x, y = event.y;
    PostToUi([self, x, y] {
      if (!self->client_) return;
      CefRefPtr<CefContextMenuHandler> handler = self->client_->GetContextMenuHandler();
      CefRefPtr<CefFrame> frame = self->GetMainFrame();
      if (!handler || !frame) return;
      const std::string url = frame->GetURL().ToString();
      CefRefPtr<CefContextMenuParams> params = CreateContextMenuParams(x, y, url, url);
      CefRefPtr<CefMenuModel> model = CreateMenuModel();
      model->AddItem(MENU_ID_BACK, "Back");
      model->AddItem(MENU_ID_FORWARD, "Forward");
      model->AddItem(MENU_ID_RELOAD, "Reload");
      handler->OnBeforeContextMenu(self.get(), frame, params, model);
    });
  }
}

void ChromiumBrowser::SendMouseMoveEvent(const CefMouseEvent& event, bool mouse_leave) {
  // While the channel is busy only the latest of consecutive moves matters to the page.
  Send("Input.dispatchMouseEvent", MouseMoveParams(event.x, event.y, event.modifiers, mouse_leave), nullptr,
       mouse_leave ? std::string() : std::string("mouse move"));
}

void ChromiumBrowser::SendMouseWheelEvent(const CefMouseEvent& event, int delta_x, int delta_y) {
  Send("Input.dispatchMouseEvent", MouseWheelParams(event.x, event.y, event.modifiers, delta_x, delta_y));
}

void ChromiumBrowser::SendKeyEvent(const CefKeyEvent& event) {
  KeyInput key;
  key.type = event.type;
  key.modifiers = event.modifiers;
  key.windows_key_code = event.windows_key_code;
  key.native_key_code = event.native_key_code;
  key.is_system_key = event.is_system_key != 0;
  key.character = static_cast<char16_t>(event.character);
  key.unmodified_character = static_cast<char16_t>(event.unmodified_character);
  Send("Input.dispatchKeyEvent", KeyEventParams(key));
}

void ChromiumBrowser::SendFocusEvent(bool set_focus) {
  // Headless pages have no window focus of their own: emulate it.
  Send("Emulation.setFocusEmulationEnabled", {{"enabled", set_focus}});
  if (set_focus) Send("Page.bringToFront");
}

void ChromiumBrowser::SendCaptureLostEvent() {
  // Buttons held when capture goes are released where the pointer was last seen.
  uint32_t down;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    down = input_.buttons_down;
    input_.buttons_down = 0;
  }
  for (int type = MBT_LEFT; type <= MBT_RIGHT; ++type)
    if (down & kButtonBits[type])
      Send("Input.dispatchMouseEvent", MouseClickParams(-1, -1, down, type, true, 1));
}

void ChromiumBrowser::ImeSetComposition(const CefString& text,
                                        const std::vector<CefCompositionUnderline>& underlines,
                                        const CefRange& replacement_range, const CefRange& selection_range) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    input_.composition = text.ToString();
  }
  Send("Input.imeSetComposition", {{"text", text.ToString()},
                                   {"selectionStart", selection_range.from},
                                   {"selectionEnd", selection_range.to}});
}

void ChromiumBrowser::ImeCommitText(const CefString& text, const CefRange& replacement_range,
                                    int relative_cursor_pos) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    input_.composition.clear();
  }
  // insertText replaces a composition in progress with the committed text.
  Send("Input.insertText", {{"text", text.ToString()}});
}

void ChromiumBrowser::ImeFinishComposingText(bool keep_selection) {
  std::string text;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    text.swap(input_.composition);
  }
  // Finishing keeps what was composed.
  if (!text.empty()) Send("Input.insertText", {{"text", text}});
}

void ChromiumBrowser::ImeCancelComposition() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    input_.composition.clear();
  }
  Send("Input.imeSetComposition", {{"text", ""}, {"selectionStart", 0}, {"selectionEnd", 0}});
}

}  // namespace chromium
}  // namespace mvengine
