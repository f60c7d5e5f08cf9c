#ifndef CEF_INCLUDE_CEF_MENU_MODEL_H_
#define CEF_INCLUDE_CEF_MENU_MODEL_H_
#pragma once

#include "include/cef_base.h"

// The items of a context menu. Clearing it before the menu shows means no
// menu is shown.
class CefMenuModel : public virtual CefBase {
 public:
  typedef cef_menu_item_type_t MenuItemType;

  virtual bool Clear() = 0;
  virtual int GetCount() = 0;
  virtual bool AddSeparator() = 0;
  virtual bool AddItem(int command_id, const CefString& label) = 0;
  virtual bool AddCheckItem(int command_id, const CefString& label) { return false; }
  virtual bool AddRadioItem(int command_id, const CefString& label, int group_id) { return false; }
  virtual CefRefPtr<CefMenuModel> AddSubMenu(int command_id, const CefString& label) { return NULL; }
  virtual bool InsertSeparatorAt(int index) { return false; }
  virtual bool InsertItemAt(int index, int command_id, const CefString& label) { return false; }
  virtual bool InsertCheckItemAt(int index, int command_id, const CefString& label) { return false; }
  virtual bool InsertRadioItemAt(int index, int command_id, const CefString& label, int group_id) {
    return false;
  }
  virtual CefRefPtr<CefMenuModel> InsertSubMenuAt(int index, int command_id, const CefString& label) {
    return NULL;
  }
  virtual bool Remove(int command_id) = 0;
  virtual bool RemoveAt(int index) = 0;
  virtual int GetIndexOf(int command_id) = 0;
  virtual int GetCommandIdAt(int index) = 0;
  virtual bool SetCommandIdAt(int index, int command_id) { return false; }
  virtual CefString GetLabel(int command_id) = 0;
  virtual CefString GetLabelAt(int index) = 0;
  virtual bool SetLabel(int command_id, const CefString& label) { return false; }
  virtual bool SetLabelAt(int index, const CefString& label) { return false; }
  virtual MenuItemType GetType(int command_id) = 0;
  virtual MenuItemType GetTypeAt(int index) = 0;
};

#endif  // CEF_INCLUDE_CEF_MENU_MODEL_H_
