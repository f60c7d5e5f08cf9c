#ifndef CEF_INCLUDE_CEF_DRAG_DATA_H_
#define CEF_INCLUDE_CEF_DRAG_DATA_H_
#pragma once

#include "include/cef_base.h"

// Drag and drop is not offered by this engine; the type exists for signatures.
class CefDragData : public virtual CefBase {
 public:
  virtual bool IsReadOnly() { return true; }
};

#endif  // CEF_INCLUDE_CEF_DRAG_DATA_H_
