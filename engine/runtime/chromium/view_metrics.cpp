#include "engine/runtime/chromium/view_metrics.h"

#include <algorithm>
#include <cmath>

namespace mvengine {
namespace chromium {

ViewSize PaintableViewSize(int width, int height) {
  int64_t w = std::min<int64_t>(kMaxViewSide, std::max(1, width));
  int64_t h = std::min<int64_t>(kMaxViewSide, std::max(1, height));
  if (w * h <= kMaxViewPixels) return {static_cast<int>(w), static_cast<int>(h)};
  const double scale = std::sqrt(static_cast<double>(kMaxViewPixels) / static_cast<double>(w * h));
  w = std::max<int64_t>(1, static_cast<int64_t>(std::floor(static_cast<double>(w) * scale)));
  h = std::max<int64_t>(1, static_cast<int64_t>(std::floor(static_cast<double>(h) * scale)));
  // Rounding may leave a few pixels over: take them from the longer side.
  while (w * h > kMaxViewPixels) (w >= h ? w : h) -= 1;
  return {static_cast<int>(w), static_cast<int>(h)};
}

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
