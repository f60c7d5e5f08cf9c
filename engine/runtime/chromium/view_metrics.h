// View size and zoom as Emulation.setDeviceMetricsOverride: the frames keep the
// view's pixel size while the page lays out as if zoomed.
#pragma once

#include <nlohmann/json.hpp>

namespace mvengine {
namespace chromium {

struct ZoomedViewport {
  int css_width;
  int css_height;
  double factor;  // 1.2^level
};

// Zoom level L means factor 1.2^L; the CSS viewport is the view divided by it
// (rounded, at least 1 px). Levels outside [-8, 9] are clamped, as the engine's
// own zoom range ends there.
ZoomedViewport ViewportForZoom(int view_width, int view_height, double zoom_level);

nlohmann::json DeviceMetricsParams(int view_width, int view_height, double zoom_level);
nlohmann::json ScreencastParams(int view_width, int view_height);

}  // namespace chromium
}  // namespace mvengine
