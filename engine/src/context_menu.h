// A plain context menu both runtimes can offer OnBeforeContextMenu: the model, and what was clicked.
// Neither is ever shown: headless pages have no menus.
#pragma once

#include <string>

#include "include/cef_context_menu_handler.h"
#include "include/cef_menu_model.h"

namespace mvengine {

CefRefPtr<CefMenuModel> CreateMenuModel();
// How often Clear() was called on a model from CreateMenuModel (0 for others).
int MenuModelClearCount(CefRefPtr<CefMenuModel> model);

// A click at (x, y) on a page (no link, image or selection there).
CefRefPtr<CefContextMenuParams> CreateContextMenuParams(int x, int y, const std::string& page_url,
                                                        const std::string& frame_url);

}  // namespace mvengine
