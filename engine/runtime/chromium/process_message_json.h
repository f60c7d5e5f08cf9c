// Process messages as JSON, so they cross to and from the render process with
// every argument's type intact (ints stay ints, binaries stay binaries).
// Plain functions; any thread.
#pragma once

#include "engine/runtime/chromium/devtools_transport.h"
#include "include/cef_process_message.h"
#include "include/cef_values.h"

namespace mvengine {
namespace chromium {

// {"name": "...", "args": [typed values]}; a typed value is ["b", true],
// ["i", 5], ["d", 1.5] (or ["d", "nan" | "inf" | "-inf"]), ["s", "text"],
// ["x", "<base64>"], ["D", {"key": typed}], ["L", [typed...]] or ["n"].
Json ProcessMessageToJson(CefRefPtr<CefProcessMessage> message);
// Null for JSON that is not a message; malformed arguments become nulls.
CefRefPtr<CefProcessMessage> ProcessMessageFromJson(const Json& json);

Json ListToJson(CefRefPtr<CefListValue> list);
void ListFromJson(const Json& json, CefRefPtr<CefListValue> out);

}  // namespace chromium
}  // namespace mvengine
