// A plain context-menu model both runtimes can hand to OnBeforeContextMenu.
#pragma once

#include "include/cef_menu_model.h"

namespace mvengine {

CefRefPtr<CefMenuModel> CreateMenuModel();
// How often Clear() was called on a model from CreateMenuModel (0 for others).
int MenuModelClearCount(CefRefPtr<CefMenuModel> model);

}  // namespace mvengine
