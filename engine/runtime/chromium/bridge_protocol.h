// The wire rules of the page bridge: the script every new document runs first, and the JSON that
// travels through its synchronous requests. Plain functions. A document's requests:
//   {"op":"context"}                      -> {"functions":[names], "values":[names]}
//   {"op":"call","name":n,"args":[...]}   -> CallAnswer
//   {"op":"get","name":n}                 -> ValueAnswer, or {"kept":true}: the object the page wrote
//   {"op":"set","name":n,"value":v}       -> {} or {"exception":text}; "number" in place of "value"
//                                            for NaN and infinities, "kept":true for an object the
//                                            page keeps, neither for undefined
// Nothing in a request names its frame: that comes from Chromium's own events.
#pragma once

#include <optional>
#include <string>

#include "engine/runtime/chromium/devtools_transport.h"
#include "include/cef_v8.h"

namespace mvengine {
namespace chromium {

// Requests to this origin never reach the network: the Fetch domain answers them.
extern const char kBridgeUrl[];
extern const char kBridgeUrlPattern[];

// Runs at document start in every frame: asks native code what to install (so the render side's
// context callback runs before any page script), then defines each function as a synchronous call
// into native code, and each value as a property whose reads and writes are synchronous requests
// to the render side's model of the document's global.
std::string BridgeBootstrapScript();

// The request's JSON body from a Fetch.requestPaused event ("" when none).
std::string PausedRequestBody(const Json& paused);

// Whether a paused bridge request comes from the document its frame holds now, by Chromium's own
// accounts: the request's Origin header, which no page can set, against the security origin
// Chromium reported at the document's commit (`document_origin`, "" while none was heard). After a
// cross-site navigation the frame's old document can run on for a while in its own process, and its
// requests carry the same frame id. Chromium names no origin ("://") for about:blank, srcdoc and
// data: documents, and file: documents send an opaque one ("null"): those are taken. An opaque
// origin in a frame whose document has a real one (a sandboxed document) cannot be told apart from
// another document and is refused.
bool FromFramesDocument(const Json& paused, const std::string& document_origin);
// Its two halves: the request's Origin header (none when absent or not a string), and the rule.
std::optional<std::string> RequestOrigin(const Json& paused);
bool FitsDocument(const std::optional<std::string>& origin, const std::string& document_origin);

// Fetch.fulfillRequest parameters answering `request_id` with `body` (JSON); FulfillHead leaves
// out the body, for a large one sent as a binary field ("body").
Json FulfillParams(const std::string& request_id, const std::string& body);
Json FulfillHead(const std::string& request_id);

// Page-visible value -> engine value: strings, numbers, booleans; anything else
// (null, objects) becomes null. Renderer thread.
CefRefPtr<CefV8Value> V8FromJson(const Json& value);
// Engine value -> JSON; `ok` false for values JSON cannot carry (objects, functions).
Json JsonFromV8(CefRefPtr<CefV8Value> value, bool* ok);

// What a context's global holds after the context callback: {"functions":[names],
// "values":[names]}; values are those a page can hold (null, booleans, numbers, strings).
Json InstalledOnGlobal(CefRefPtr<CefV8Value> global);

// Answer of one call: {"value": v} or {} (undefined), or {"exception": text}.
Json CallAnswer(CefRefPtr<CefV8Value> retval, const std::string& exception);

// Answer of a read of a value: as CallAnswer, with {"number": "NaN" | "Infinity" | "-Infinity"}
// for numbers JSON cannot carry.
Json ValueAnswer(CefRefPtr<CefV8Value> value);
// The value a write request carries, in either of those forms; undefined when it has none.
CefRefPtr<CefV8Value> WrittenValue(const Json& request);

}  // namespace chromium
}  // namespace mvengine
