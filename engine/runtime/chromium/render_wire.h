// What travels on the render channel, one NUL-terminated JSON document per message.
//
// Browser process -> render side:
//   {"t":"request","seq":n,"browser":B,"frame":F,"main":F,"body":"<bridge request JSON>"}
//       a page's synchronous bridge request; answered by "answer" with the same seq
//   {"t":"message","browser":B,"main":F,"message":M}   a process message for the renderer
//   {"t":"release","browser":id}                       the browser closed
// Render side -> browser process:
//   {"t":"answer","seq":n,"body":"<JSON for the page>"}
//   {"t":"message","browser":id,"message":M}           a process message for the browser
//   {"t":"eval","browser":id,"frame":key,"script":"..."}
//   {"t":"load","browser":id,"frame":key,"url":"..."}
//   {"t":"history","browser":id,"do":"back"|"forward"|"reload"|"stop"}
// B = {"id":n,"popup":bool}; F = {"key":"<DevTools frame id>","id":n,"url":"...","name":"...",
// "parent":"<key or empty>"}; M as in process_message_json.h.
#pragma once

#include <string>

#include "engine/runtime/chromium/devtools_transport.h"

namespace mvengine {
namespace chromium {

// The switch that hands the render side its end of the channel (a descriptor number).
extern const char kRenderChannelSwitch[];
// The process type the render side runs as.
extern const char kRendererProcessType[];

struct FrameInfo {
  std::string key;     // DevTools frame id
  long long id = 0;    // the engine's frame identifier
  std::string url;
  std::string name;
  std::string parent;  // key of the parent; empty for the main frame
};

Json FrameInfoToJson(const FrameInfo& frame);
// False for anything without a key.
bool FrameInfoFromJson(const Json& json, FrameInfo* out);

// The int `name` of a message; 0 when it has none (or another type).
int IntOf(const Json& message, const char* name);

}  // namespace chromium
}  // namespace mvengine
