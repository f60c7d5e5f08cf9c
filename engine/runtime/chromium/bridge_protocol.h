// The wire rules of the page bridge: the script every new document runs first,
// and the JSON that travels through its synchronous requests. Plain functions.
#pragma once

#include <string>

#include "engine/runtime/chromium/devtools_transport.h"
#include "include/cef_v8.h"

namespace mvengine {
namespace chromium {

// Requests to this origin never reach the network: the Fetch domain answers them.
extern const char kBridgeUrl[];
extern const char kBridgeUrlPattern[];

// Runs at document start in every frame: asks native code what to install
// (so the render side's context callback runs before any page script), then
// defines each function as a synchronous call back into native code.
std::string BridgeBootstrapScript();

// The request's JSON body from a Fetch.requestPaused event ("" when none).
std::string PausedRequestBody(const Json& paused);

// Fetch.fulfillRequest parameters answering `request_id` with `body` (JSON).
Json FulfillParams(const std::string& request_id, const std::string& body);

// Page-visible value -> engine value: strings, numbers, booleans; anything else
// (null, objects) becomes null. Renderer thread.
CefRefPtr<CefV8Value> V8FromJson(const Json& value);
// Engine value -> JSON; `ok` false for values JSON cannot carry (objects, functions).
Json JsonFromV8(CefRefPtr<CefV8Value> value, bool* ok);

// What a context's global holds after the context callback:
// {"functions":[names], "values":{name: value}}.
Json InstalledOnGlobal(CefRefPtr<CefV8Value> global);

// Answer of one call: {"value": v} or {} (undefined), or {"exception": text}.
Json CallAnswer(CefRefPtr<CefV8Value> retval, const std::string& exception);

}  // namespace chromium
}  // namespace mvengine
