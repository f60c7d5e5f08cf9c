// View size and zoom as Emulation.setDeviceMetricsOverride: the frames keep the
// view's pixel size while the page lays out as if zoomed.
#pragma once

#include <cstdint>

#include <nlohmann/json.hpp>

namespace mvengine {
namespace chromium {

// The longest side Chromium paints: its compositor's texture limit. Asked for more, its GPU
// process exits and takes every page with it.
constexpr int kMaxViewSide = 16384;
// The most pixels a view paints. A windowless page's picture is held several times over in the
// game's (32-bit) process: the decoder's buffers, the one being painted, the frame slots, the
// game's own copy. At 8 Mi pixels (32 MiB a picture; 3840x2160 and 4096x2048 fit) that stays in
// the low hundreds of MiB per page; a 16384x16384 view would need 1 GiB a picture.
constexpr int64_t kMaxViewPixels = int64_t(8) << 20;

struct ViewSize {
  int width;
  int height;
};

// The size a view is laid out and painted at: each side between 1 and kMaxViewSide, then, past
// kMaxViewPixels, both sides shrunk by the same factor (the view keeps its shape). Views within
// the limits keep their size. Never larger than asked on either side (below 1 counts as 1).
ViewSize PaintableViewSize(int width, int height);

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
