// Pure rules that turn engine values into protocol parameters.
#include <algorithm>
#include <limits>

#include <gtest/gtest.h>

#include "engine/runtime/chromium/input_mapping.h"
#include "engine/runtime/chromium/net_error.h"
#include "engine/runtime/chromium/paint_slots.h"
#include "engine/runtime/chromium/view_metrics.h"

namespace mvengine {
namespace chromium {
namespace {

// Engine flag values, spelled out so a wrong constant in the code shows up here.
constexpr uint32_t SHIFT = 2, CONTROL = 4, ALT = 8, LEFT = 16, MIDDLE = 32, RIGHT = 64, COMMAND = 128,
                   CAPS = 1, NUMLOCK = 256;

TEST(ProtocolModifiers, MapsEveryModifierBitAndIgnoresLocks) {
  struct Case {
    uint32_t flags;
    int expected;
  } cases[] = {
      {0, 0},          {ALT, 1},        {CONTROL, 2},         {COMMAND, 4},
      {SHIFT, 8},      {SHIFT | CONTROL | ALT | COMMAND, 15}, {CAPS | NUMLOCK | LEFT, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ProtocolModifiers(c.flags), c.expected) << c.flags;
}

TEST(MouseClickParams, ButtonsMaskFollowsThePressAndRelease) {
  struct Case {
    uint32_t flags;
    int button;
    bool up;
    const char* type;
    const char* name;
    int buttons;
  } cases[] = {
      {0, 0, false, "mousePressed", "left", 1},
      {LEFT, 0, true, "mouseReleased", "left", 0},
      {LEFT, 2, false, "mousePressed", "right", 3},
      {LEFT | RIGHT, 2, true, "mouseReleased", "right", 1},
      {0, 1, false, "mousePressed", "middle", 4},
      {MIDDLE | SHIFT, 1, true, "mouseReleased", "middle", 0},
  };
  for (const auto& c : cases) {
    Json p = MouseClickParams(10, 20, c.flags, c.button, c.up, 1);
    EXPECT_EQ(p["type"], c.type);
    EXPECT_EQ(p["button"], c.name);
    EXPECT_EQ(p["buttons"], c.buttons) << c.flags << "/" << c.button;
    EXPECT_EQ(p["x"], 10);
    EXPECT_EQ(p["y"], 20);
  }
  EXPECT_EQ(MouseClickParams(0, 0, SHIFT, 0, false, 2)["clickCount"], 2);
  EXPECT_EQ(MouseClickParams(0, 0, SHIFT, 0, false, 0)["clickCount"], 1);
  EXPECT_EQ(MouseClickParams(0, 0, SHIFT, 0, false, 1)["modifiers"], 8);
}

TEST(MouseMoveAndWheelParams, DragsLeavesAndWheelDirections) {
  Json drag = MouseMoveParams(5, 6, LEFT, false);
  EXPECT_EQ(drag["type"], "mouseMoved");
  EXPECT_EQ(drag["button"], "left");
  EXPECT_EQ(drag["buttons"], 1);
  Json leave = MouseMoveParams(5, 6, 0, true);
  EXPECT_LT(leave["x"].get<int>(), 0);
  // Windows wheel: +120 is "up"; the DOM's deltaY is positive downwards.
  Json up = MouseWheelParams(1, 2, 0, 0, 120);
  EXPECT_EQ(up["type"], "mouseWheel");
  EXPECT_EQ(up["deltaY"], -120);
  EXPECT_EQ(MouseWheelParams(1, 2, 0, 0, -240)["deltaY"], 240);
  EXPECT_EQ(MouseWheelParams(1, 2, 0, 120, 0)["deltaX"], -120);
}

TEST(KeyEventParams, TypesCodesAndText) {
  struct Case {
    int type;
    uint32_t mods;
    int vk;
    char16_t ch;
    const char* cdp_type;
    const char* key;   // "" = absent
    const char* code;  // "" = absent
    const char* text;  // "" = absent
  } cases[] = {
      {0, 0, 'A', 0, "rawKeyDown", "a", "KeyA", ""},
      {0, SHIFT, 'A', 0, "rawKeyDown", "A", "KeyA", ""},
      {2, 0, 0x08, 0, "keyUp", "Backspace", "Backspace", ""},
      {0, 0, 0x25, 0, "rawKeyDown", "ArrowLeft", "ArrowLeft", ""},
      {1, 0, 0x0D, 0, "keyDown", "Enter", "Enter", ""},
      {0, 0, '7', 0, "rawKeyDown", "7", "Digit7", ""},
      {0, 0, 0x70, 0, "rawKeyDown", "F1", "F1", ""},
      {3, 0, 'a', u'a', "char", "a", "", "a"},
      {3, 0, 0x4E2D, u'\u4e2d', "char", "\xe4\xb8\xad", "", "\xe4\xb8\xad"},
      {3, 0, 0x0D, u'\r', "char", "\r", "", "\r"},
      {3, 0, 0x08, 0x08, "char", "", "", ""},  // Backspace as a character types nothing
      {3, 0, 0x1B, 0x1B, "char", "", "", ""},
      // As the library sends WM_CHAR: the character only in windows_key_code.
      {3, 0, 'a', 0, "char", "a", "", "a"},
      {3, 0, 0x4E2D, 0, "char", "\xe4\xb8\xad", "", "\xe4\xb8\xad"},
      {3, 0, 0x0D, 0, "char", "\r", "", "\r"},
      {3, 0, 0x08, 0, "char", "", "", ""},
  };
  for (const auto& c : cases) {
    KeyInput k;
    k.type = c.type;
    k.modifiers = c.mods;
    k.windows_key_code = c.vk;
    k.native_key_code = c.vk + 1000;
    k.character = c.ch;
    k.unmodified_character = c.ch;
    Json p = KeyEventParams(k);
    SCOPED_TRACE(p.dump());
    EXPECT_EQ(p["type"], c.cdp_type);
    EXPECT_EQ(p["windowsVirtualKeyCode"], c.vk);
    EXPECT_EQ(p["nativeVirtualKeyCode"], c.vk + 1000);
    EXPECT_EQ(p.value("key", std::string()), c.key);
    EXPECT_EQ(p.value("code", std::string()), c.code);
    EXPECT_EQ(p.value("text", std::string()), c.text);
  }
}

TEST(ViewportForZoom, FactorIsOnePointTwoToTheLevel) {
  struct Case {
    double level;
    int css_w, css_h;
    double factor;
  } cases[] = {
      {0, 800, 600, 1.0},       {1, 667, 500, 1.2},   {-1, 960, 720, 1 / 1.2},
      {2, 556, 417, 1.44},      {0.5, 730, 548, 1.0954451150103321},
      {100, 155, 116, 5.159780352},  // clamped to 9
      {-100, 3440, 2580, 0.2325680393},  // clamped to -8
  };
  for (const auto& c : cases) {
    ZoomedViewport v = ViewportForZoom(800, 600, c.level);
    EXPECT_EQ(v.css_width, c.css_w) << c.level;
    EXPECT_EQ(v.css_height, c.css_h) << c.level;
    EXPECT_NEAR(v.factor, c.factor, 1e-6) << c.level;
  }
  EXPECT_EQ(ViewportForZoom(1, 1, 9).css_width, 1);  // never 0
  Json p = DeviceMetricsParams(800, 600, 1);
  EXPECT_EQ(p["width"], 667);
  EXPECT_NEAR(p["deviceScaleFactor"].get<double>(), 1.2, 1e-9);
  EXPECT_EQ(p["mobile"], false);
}

TEST(PaintableViewSize, EachSideAndTheAreaStayWithinWhatCanBePaintedAndHeld) {
  constexpr int kMax = std::numeric_limits<int>::max();
  struct Case {
    int width, height;
    int painted_width, painted_height;
  } cases[] = {
      {800, 600, 800, 600},
      {3840, 2160, 3840, 2160},    // 4K fits
      {4096, 2048, 4096, 2048},    // exactly the area cap
      {16384, 512, 16384, 512},    // the longest side, at the cap
      {16384, 1, 16384, 1},
      {1, 100000, 1, 16384},       // a side past the limit alone
      {4097, 2048, 4096, 2047},    // one column over: shrunk, shape kept
      {16384, 513, 16368, 512},
      {kMax, 600, 15134, 554},     // sides cut to 16384 first, then the area
      {kMax, kMax, 2896, 2896},
      {100000, 100000, 2896, 2896},
      {20000, 20000, 2896, 2896},
      {1000000, 1000, 11723, 715},
      {0, 600, 1, 600},
      {-5, -7, 1, 1},
  };
  for (const Case& c : cases) {
    const ViewSize v = PaintableViewSize(c.width, c.height);
    EXPECT_EQ(v.width, c.painted_width) << c.width << "x" << c.height;
    EXPECT_EQ(v.height, c.painted_height) << c.width << "x" << c.height;
  }
  // Whatever is asked: within both limits, and never larger than asked.
  const int sides[] = {1, 2, 599, 2048, 2049, 4095, 16383, 16384, 16385, 65536, 1 << 20, kMax};
  for (int w : sides)
    for (int h : sides) {
      const ViewSize v = PaintableViewSize(w, h);
      EXPECT_TRUE(v.width >= 1 && v.width <= std::min(w, kMaxViewSide)) << w << "x" << h;
      EXPECT_TRUE(v.height >= 1 && v.height <= std::min(h, kMaxViewSide)) << w << "x" << h;
      EXPECT_LE(int64_t(v.width) * v.height, kMaxViewPixels) << w << "x" << h;
    }
}

TEST(PaintSlots, AtMostOnePaintPerSlotOnAGridThatLatePaintsDoNotShift) {
  using std::chrono::milliseconds;
  using std::chrono::microseconds;
  const auto t0 = PaintSlots::Clock::time_point() + std::chrono::hours(1);
  PaintSlots slots;
  EXPECT_EQ(slots.Wait(t0), milliseconds(0));  // nothing painted yet
  EXPECT_LE(slots.DecodeFrom(milliseconds(5)), t0);  // nor is a decode held back
  slots.Painted(t0, 30);
  // The next slot's picture is decoded just in time: a 4 ms decode starts 4 + 1 + 1 ms before it.
  EXPECT_EQ(slots.DecodeFrom(milliseconds(4)), t0 + std::chrono::nanoseconds(33333334) - milliseconds(6));
  // 1/30 s is 33.33 ms: 10 ms after a paint, 23.33 ms are left, so the wait is 24 ms, not 23.
  EXPECT_EQ(slots.Wait(t0 + milliseconds(10)), milliseconds(24));
  EXPECT_EQ(slots.Wait(t0 + microseconds(33333)), milliseconds(1));
  EXPECT_EQ(slots.Wait(t0 + microseconds(33334)), milliseconds(0));
  // Painted 2 ms into its slot: the next slot still opens at 2/30 s, not 1/30 s after this paint.
  slots.Painted(t0 + microseconds(35334), 30);
  EXPECT_EQ(slots.Wait(t0 + microseconds(35334)), milliseconds(32));
  // After a pause the grid starts at the next paint.
  slots.Painted(t0 + std::chrono::seconds(5), 30);
  EXPECT_EQ(slots.Wait(t0 + std::chrono::seconds(5) + milliseconds(10)), milliseconds(24));
}

TEST(PaintSlots, PaintingAsSoonAsAllowedKeepsTheRateAskedFor) {
  // Pictures come every 18 ms (Chromium's own pace on a busy page) and take 4 ms to decode. As in
  // the painter, the newest picture is decoded once DecodeFrom allows, and its paint waits for the
  // slot, the delay rounded up to whole milliseconds.
  const struct {
    int rate, paints_in_10_s;
  } cases[] = {{30, 300}, {0, 300}, {-5, 300}, {10, 100}, {60, 556}, {1000, 556}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    const auto t0 = PaintSlots::Clock::time_point() + std::chrono::hours(1);
    PaintSlots slots;
    int paints = 0;
    auto now = t0;
    const auto every = std::chrono::milliseconds(18), decode = std::chrono::milliseconds(4);
    while (now < t0 + std::chrono::seconds(10)) {
      now = std::max(now, slots.DecodeFrom(decode));
      const auto picture = now - (now - t0) % every;  // the newest one there
      now += decode;
      now += slots.Wait(now);
      if (now >= t0 + std::chrono::seconds(10)) break;
      slots.Painted(now, c.rate);
      ++paints;
      now = std::max(now, picture + every);  // the next picture
    }
    // 60 a second is a slot of 16.67 ms, shorter than the pictures' 18: every picture is painted.
    EXPECT_NEAR(paints, c.paints_in_10_s, 1);
  }
}

TEST(NetErrorCode, MapsChromiumNamesToNumbers) {
  struct Case {
    const char* text;
    int code;
  } cases[] = {
      {"net::ERR_ABORTED", -3},
      {"net::ERR_NAME_NOT_RESOLVED", -105},
      {"net::ERR_CONNECTION_REFUSED", -102},
      {"ERR_FILE_NOT_FOUND", -6},
      {"net::ERR_INTERNET_DISCONNECTED", -106},
      {"net::ERR_UNKNOWN_URL_SCHEME", -302},
      {"net::ERR_CERT_AUTHORITY_INVALID", -202},
      {"net::ERR_TIMED_OUT (extra)", -7},
      {"net::ERR_SOMETHING_NEW", -2},
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(NetErrorCode(c.text), c.code) << c.text;
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
