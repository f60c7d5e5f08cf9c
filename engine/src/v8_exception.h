#pragma once

#include "include/cef_v8.h"

namespace mvengine {

CefRefPtr<CefV8Exception> MakeV8Exception(const CefString& message);

}  // namespace mvengine
