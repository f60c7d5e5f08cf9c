#include "engine/src/menu_model.h"

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

// Used on one thread at a time (the UI thread); only the clear count is read
// from elsewhere.
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

}  // namespace

CefRefPtr<CefMenuModel> CreateMenuModel() { return new MenuModel(); }

int MenuModelClearCount(CefRefPtr<CefMenuModel> model) {
  MenuModel* m = dynamic_cast<MenuModel*>(model.get());
  return m ? m->clear_count() : 0;
}

}  // namespace mvengine
