// The context menu a client may shape before a right click. Headless Chromium
// shows none, so the model is only offered, never displayed.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "include/cef_context_menu_handler.h"
#include "include/cef_menu_model.h"

namespace mvengine {
namespace chromium {

class MenuModel : public CefMenuModel {
 public:
  bool Clear() override;
  int GetCount() override;
  bool AddSeparator() override;
  bool AddItem(int command_id, const CefString& label) override;
  bool Remove(int command_id) override;
  bool RemoveAt(int index) override;
  int GetIndexOf(int command_id) override;
  int GetCommandIdAt(int index) override;
  CefString GetLabel(int command_id) override;
  CefString GetLabelAt(int index) override;
  MenuItemType GetType(int command_id) override;
  MenuItemType GetTypeAt(int index) override;

 private:
  struct Item {
    int command_id;
    CefString label;
    MenuItemType type;
  };
  bool Valid(int index) const { return index >= 0 && index < static_cast<int>(items_.size()); }
  std::mutex mutex_;  // guards items_
  std::vector<Item> items_;
  IMPLEMENT_REFCOUNTING(MenuModel);
};

class ContextMenuParams : public CefContextMenuParams {
 public:
  ContextMenuParams(int x, int y, std::string page_url)
      : x_(x), y_(y), page_url_(std::move(page_url)) {}
  int GetXCoord() override { return x_; }
  int GetYCoord() override { return y_; }
  TypeFlags GetTypeFlags() override { return CM_TYPEFLAG_PAGE; }
  CefString GetLinkUrl() override { return CefString(); }
  CefString GetUnfilteredLinkUrl() override { return CefString(); }
  CefString GetSourceUrl() override { return CefString(); }
  bool HasImageContents() override { return false; }
  CefString GetPageUrl() override { return page_url_; }
  CefString GetFrameUrl() override { return page_url_; }
  CefString GetFrameCharset() override { return CefString(); }
  MediaType GetMediaType() override { return CM_MEDIATYPE_NONE; }
  MediaStateFlags GetMediaStateFlags() override { return CM_MEDIAFLAG_NONE; }
  CefString GetSelectionText() override { return CefString(); }
  CefString GetMisspelledWord() override { return CefString(); }
  bool GetDictionarySuggestions(std::vector<CefString>& suggestions) override {
    suggestions.clear();
    return false;
  }
  bool IsEditable() override { return false; }
  bool IsSpellCheckEnabled() override { return false; }
  EditStateFlags GetEditStateFlags() override { return CM_EDITFLAG_NONE; }
  bool IsCustomMenu() override { return false; }
  bool IsPepperMenu() override { return false; }

 private:
  const int x_, y_;
  const std::string page_url_;
  IMPLEMENT_REFCOUNTING(ContextMenuParams);
};

}  // namespace chromium
}  // namespace mvengine
