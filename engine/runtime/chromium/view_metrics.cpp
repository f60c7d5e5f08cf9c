#include "engine/runtime/chromium/view_metrics.h"

#include <algorithm>
#include <cmath>

namespace mvengine {
namespace chromium {

ZoomedViewport ViewportForZoom(int view_width, int view_height, double zoom_level) {
  if (!std::isfinite(zoom_level)) zoom_level = 0;
  zoom_level = std::min(9.0, std::max(-8.0, zoom_level));
  const double factor = std::pow(1.2, zoom_level);
  auto css = [factor](int px) { return std::max(1, static_cast<int>(std::lround(px / factor))); };
  return {css(view_width), css(view_height), factor};
}

nlohmann::json DeviceMetricsParams(int view_width, int view_height, double zoom_level) {
  ZoomedViewport v = ViewportForZoom(view_width, view_height, zoom_level);
  return {{"width", v.css_width},
          {"height", v.css_height},
          {"deviceScaleFactor", v.factor},
          {"mobile", false},
          {"screenWidth", v.css_width},
          {"screenHeight", v.css_height}};
}

nlohmann::json ScreencastParams(int view_width, int view_height) {
  return {{"format", "jpeg"},
          {"quality", 90},
          {"maxWidth", view_width},
          {"maxHeight", view_height},
          {"everyNthFrame", 1}};
}

}  // namespace chromium
}  // namespace mvengine
