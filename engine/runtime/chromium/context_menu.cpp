#include "engine/runtime/chromium/context_menu.h"

namespace mvengine {
namespace chromium {

bool MenuModel::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  items_.clear();
  return true;
}

int MenuModel::GetCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(items_.size());
}

bool MenuModel::AddSeparator() {
  std::lock_guard<std::mutex> lock(mutex_);
  items_.push_back({-1, CefString(), MENUITEMTYPE_SEPARATOR});
  return true;
}

bool MenuModel::AddItem(int command_id, const CefString& label) {
  std::lock_guard<std::mutex> lock(mutex_);
  items_.push_back({command_id, label, MENUITEMTYPE_COMMAND});
  return true;
}

bool MenuModel::Remove(int command_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = items_.begin(); it != items_.end(); ++it)
    if (it->command_id == command_id) {
      items_.erase(it);
      return true;
    }
  return false;
}

bool MenuModel::RemoveAt(int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!Valid(index)) return false;
  items_.erase(items_.begin() + index);
  return true;
}

int MenuModel::GetIndexOf(int command_id) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].command_id == command_id) return static_cast<int>(i);
  return -1;
}

int MenuModel::GetCommandIdAt(int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  return Valid(index) ? items_[index].command_id : -1;
}

CefString MenuModel::GetLabel(int command_id) {
  int index = GetIndexOf(command_id);
  return GetLabelAt(index);
}

CefString MenuModel::GetLabelAt(int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  return Valid(index) ? items_[index].label : CefString();
}

MenuModel::MenuItemType MenuModel::GetType(int command_id) {
  return GetTypeAt(GetIndexOf(command_id));
}

MenuModel::MenuItemType MenuModel::GetTypeAt(int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  return Valid(index) ? items_[index].type : MENUITEMTYPE_NONE;
}

}  // namespace chromium
}  // namespace mvengine
