#include "engine/runtime/chromium/render_wire.h"

namespace mvengine {
namespace chromium {

const char kRenderChannelSwitch[] = "mvcef-render-channel";
const char kRendererProcessType[] = "renderer";

Json FrameInfoToJson(const FrameInfo& frame) {
  return {{"key", frame.key}, {"id", frame.id}, {"url", frame.url}, {"name", frame.name}, {"parent", frame.parent}};
}

bool FrameInfoFromJson(const Json& json, FrameInfo* out) {
  if (!json.is_object()) return false;
  auto text = [&json](const char* name) {
    auto it = json.find(name);
    return it != json.end() && it->is_string() ? it->get<std::string>() : std::string();
  };
  FrameInfo frame;
  frame.key = text("key");
  if (frame.key.empty()) return false;
  auto id = json.find("id");
  frame.id = id != json.end() && id->is_number_integer() ? id->get<long long>() : 0;
  frame.url = text("url");
  frame.name = text("name");
  frame.parent = text("parent");
  *out = frame;
  return true;
}

int IntOf(const Json& message, const char* name) {
  auto it = message.find(name);
  return it != message.end() && it->is_number_integer() ? it->get<int>() : 0;
}

}  // namespace chromium
}  // namespace mvengine
