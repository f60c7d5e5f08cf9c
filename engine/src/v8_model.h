// The in-memory JavaScript value model both runtimes share. Values and
// contexts are plain objects: whatever OnContextCreated installs on a
// context's global stays there for the runtime to inspect (GetKeys, GetValue)
// and to call (ExecuteFunctionWithContext). Renderer thread only, like V8.
#pragma once

#include "include/cef_v8.h"

namespace mvengine {

// The context of one frame document, with an empty global object. Valid until
// InvalidateV8Context.
CefRefPtr<CefV8Context> CreateV8Context(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame);

// The document went away: the context reports !IsValid() and Enter() fails.
void InvalidateV8Context(CefRefPtr<CefV8Context> context);

// Makes every later write of `key` on `object` throw `message`: SetValue
// returns false and object->HasException() turns true, as when a page's
// setter throws.
void FailV8Writes(CefRefPtr<CefV8Value> object, const CefString& key, const CefString& message);

}  // namespace mvengine
