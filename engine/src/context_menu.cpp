#include "engine/src/context_menu.h"

#include <atomic>
#include <string>
#include <vector>

namespace mvengine {
namespace {

struct Item {
  int command_id;
  CefString label;
  cef_menu_item_type_t type;
};

// Used on one thread at a time (the UI thread); only the clear count is read from elsewhere.
class MenuModel : public CefMenuModel {
 public:
  bool Clear() override {
    items_.clear();
    ++clear_count_;
    return true;
  }
  int GetCount() override { return static_cast<int>(items_.size()); }
  bool AddSeparator() override {
    items_.push_back({-1, CefString(), MENUITEMTYPE_SEPARATOR});
    return true;
  }
  bool AddItem(int command_id, const CefString& label) override {
    items_.push_back({command_id, label, MENUITEMTYPE_COMMAND});
    return true;
  }
  bool Remove(int command_id) override { return RemoveAt(GetIndexOf(command_id)); }
  bool RemoveAt(int index) override {
    if (!Has(index))
      return false;
    items_.erase(items_.begin() + index);
    return true;
  }
  int GetIndexOf(int command_id) override {
    for (size_t i = 0; i < items_.size(); ++i) {
      if (items_[i].command_id == command_id)
        return static_cast<int>(i);
    }
    return -1;
  }
  int GetCommandIdAt(int index) override { return Has(index) ? items_[index].command_id : -1; }
  CefString GetLabel(int command_id) override { return GetLabelAt(GetIndexOf(command_id)); }
  CefString GetLabelAt(int index) override { return Has(index) ? items_[index].label : CefString(); }
  MenuItemType GetType(int command_id) override { return GetTypeAt(GetIndexOf(command_id)); }
  MenuItemType GetTypeAt(int index) override { return Has(index) ? items_[index].type : MENUITEMTYPE_NONE; }

  int clear_count() const { return clear_count_.load(); }

 private:
  bool Has(int index) const { return index >= 0 && static_cast<size_t>(index) < items_.size(); }

  std::vector<Item> items_;
  std::atomic<int> clear_count_{0};
  IMPLEMENT_REFCOUNTING(MenuModel);
};

class ContextMenuParams : public CefContextMenuParams {
 public:
  ContextMenuParams(int x, int y, const std::string& page_url, const std::string& frame_url)
      : x_(x), y_(y), page_url_(page_url), frame_url_(frame_url) {}
  int GetXCoord() override { return x_; }
  int GetYCoord() override { return y_; }
  TypeFlags GetTypeFlags() override { return CM_TYPEFLAG_PAGE; }
  CefString GetLinkUrl() override { return CefString(); }
  CefString GetUnfilteredLinkUrl() override { return CefString(); }
  CefString GetSourceUrl() override { return CefString(); }
  bool HasImageContents() override { return false; }
  CefString GetPageUrl() override { return page_url_; }
  CefString GetFrameUrl() override { return frame_url_; }
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
  const CefString page_url_, frame_url_;
  IMPLEMENT_REFCOUNTING(ContextMenuParams);
};

}  // namespace

CefRefPtr<CefContextMenuParams> CreateContextMenuParams(int x, int y, const std::string& page_url,
                                                        const std::string& frame_url) {
  return new ContextMenuParams(x, y, page_url, frame_url);
}

CefRefPtr<CefMenuModel> CreateMenuModel() { return new MenuModel(); }

int MenuModelClearCount(CefRefPtr<CefMenuModel> model) {
  MenuModel* m = dynamic_cast<MenuModel*>(model.get());
  return m ? m->clear_count() : 0;
}

}  // namespace mvengine
