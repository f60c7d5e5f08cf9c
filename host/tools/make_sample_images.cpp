// Draws the sample game images shipped in data/: three screenshots (PNG) and the feedback
// image (JPEG). Run once by hand; the images are committed.
//   make_sample_images <data folder>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 320, kHeight = 180;

struct Color {
  double r, g, b;
};

Color Mix(Color a, Color b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

struct Image {
  std::vector<Color> pixels = std::vector<Color>(kWidth * kHeight);
  Color& at(int x, int y) { return pixels[y * kWidth + x]; }
  void Blend(int x, int y, Color c, double alpha) {
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return;
    at(x, y) = Mix(at(x, y), c, alpha);
  }
  void Sky(Color top, Color bottom) {
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) at(x, y) = Mix(top, bottom, y / double(kHeight));
  }
  // Anti-aliased disc.
  void Disc(double cx, double cy, double radius, Color c) {
    for (int y = int(cy - radius - 1); y <= int(cy + radius + 1); ++y)
      for (int x = int(cx - radius - 1); x <= int(cx + radius + 1); ++x) {
        const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
        Blend(x, y, c, std::clamp(radius - d + 0.5, 0.0, 1.0));
      }
  }
  void Rect(int x0, int y0, int x1, int y1, Color c, double alpha = 1.0) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) Blend(x, y, c, alpha);
  }
  // Ground below a height profile, shaded towards the bottom.
  template <class Height>
  void Ground(Height height, Color top, Color bottom) {
    for (int x = 0; x < kWidth; ++x) {
      const double h = height(x);
      for (int y = 0; y < kHeight; ++y) {
        const double cover = std::clamp(y + 1 - h, 0.0, 1.0);
        if (cover > 0) Blend(x, y, Mix(top, bottom, (y - h) / (kHeight - h + 1)), cover);
      }
    }
  }
};

// A small player figure standing on `ground_y`.
void Player(Image& img, int x, int ground_y, Color cloth) {
  img.Rect(x - 3, ground_y - 10, x - 1, ground_y, {0.2, 0.2, 0.25});
  img.Rect(x + 1, ground_y - 10, x + 3, ground_y, {0.2, 0.2, 0.25});
  img.Rect(x - 5, ground_y - 24, x + 5, ground_y - 10, cloth);
  img.Disc(x, ground_y - 29, 5, {0.96, 0.8, 0.65});
}

void Tree(Image& img, int x, int ground_y, double size) {
  img.Rect(x - 2, ground_y - int(10 * size), x + 2, ground_y, {0.4, 0.26, 0.13});
  img.Disc(x, ground_y - 16 * size, 9 * size, {0.13, 0.45, 0.2});
  img.Disc(x - 5 * size, ground_y - 12 * size, 7 * size, {0.16, 0.52, 0.24});
  img.Disc(x + 5 * size, ground_y - 12 * size, 7 * size, {0.1, 0.4, 0.18});
}

Image Meadow() {
  Image img;
  img.Sky({0.29, 0.56, 0.89}, {0.75, 0.88, 0.98});
  img.Disc(260, 38, 18, {1.0, 0.93, 0.55});
  for (int i = 0; i < 3; ++i) {
    const double cx = 50 + i * 85, cy = 30 + (i % 2) * 14;
    img.Disc(cx, cy, 10, {1, 1, 1});
    img.Disc(cx + 12, cy + 2, 12, {1, 1, 1});
    img.Disc(cx + 25, cy, 9, {1, 1, 1});
  }
  img.Ground([](int x) { return 110 + 12 * std::sin(x / 40.0); }, {0.55, 0.78, 0.33}, {0.22, 0.45, 0.16});
  img.Ground([](int x) { return 135 + 6 * std::sin(x / 23.0 + 1); }, {0.42, 0.68, 0.26}, {0.18, 0.38, 0.12});
  Tree(img, 40, 116, 1.4);
  Tree(img, 230, 122, 1.1);
  Tree(img, 290, 130, 1.6);
  Player(img, 150, 140, {0.85, 0.2, 0.2});
  return img;
}

Image Night() {
  Image img;
  img.Sky({0.03, 0.05, 0.16}, {0.13, 0.16, 0.36});
  unsigned seed = 7;
  for (int i = 0; i < 70; ++i) {
    seed = seed * 1103515245 + 12345;
    const int x = (seed >> 8) % kWidth;
    seed = seed * 1103515245 + 12345;
    const int y = (seed >> 8) % 100;
    img.Blend(x, y, {1, 1, 0.9}, 0.5 + (i % 5) / 10.0);
  }
  img.Disc(70, 40, 16, {0.95, 0.95, 0.85});
  img.Disc(77, 35, 14, {0.05, 0.07, 0.19});  // crescent
  const Color stone{0.07, 0.07, 0.1};
  img.Rect(180, 70, 290, 150, stone);
  for (int x = 180; x < 290; x += 14) img.Rect(x, 62, x + 8, 70, stone);
  img.Rect(200, 40, 222, 150, stone);
  img.Rect(250, 30, 276, 150, stone);
  img.Rect(228, 110, 244, 150, {0.01, 0.01, 0.02});
  img.Rect(206, 60, 212, 68, {1.0, 0.8, 0.35});
  img.Rect(258, 50, 264, 60, {1.0, 0.8, 0.35});
  img.Ground([](int x) { return 148 + 4 * std::sin(x / 17.0); }, {0.1, 0.2, 0.12}, {0.03, 0.06, 0.04});
  Player(img, 120, 152, {0.3, 0.45, 0.9});
  return img;
}

Image Desert() {
  Image img;
  img.Sky({0.98, 0.55, 0.25}, {1.0, 0.87, 0.6});
  img.Disc(90, 70, 26, {1.0, 0.97, 0.75});
  img.Ground([](int x) { return 112 + 10 * std::sin(x / 55.0 + 2); }, {0.93, 0.72, 0.4}, {0.78, 0.52, 0.26});
  img.Ground([](int x) { return 140 + 7 * std::sin(x / 30.0); }, {0.86, 0.62, 0.32}, {0.66, 0.42, 0.2});
  const Color cactus{0.2, 0.5, 0.25};
  img.Rect(240, 90, 250, 146, cactus);
  img.Rect(228, 104, 234, 122, cactus);
  img.Rect(228, 118, 242, 124, cactus);
  img.Rect(256, 96, 262, 114, cactus);
  img.Rect(248, 110, 262, 116, cactus);
  img.Rect(40, 150, 70, 158, {0.45, 0.3, 0.2});
  Player(img, 180, 146, {0.15, 0.6, 0.55});
  return img;
}

// A top-down map with a marked spot: what a player points at when reporting a problem.
Image FeedbackScene() {
  Image img;
  img.Sky({0.24, 0.42, 0.26}, {0.2, 0.36, 0.22});
  for (int y = 0; y < kHeight; y += 20) img.Rect(0, y, kWidth, y + 1, {0, 0, 0}, 0.2);
  for (int x = 0; x < kWidth; x += 20) img.Rect(x, 0, x + 1, kHeight, {0, 0, 0}, 0.2);
  img.Rect(0, 80, kWidth, 100, {0.55, 0.5, 0.42});
  img.Rect(140, 0, 160, kHeight, {0.55, 0.5, 0.42});
  img.Rect(30, 20, 90, 60, {0.6, 0.3, 0.25});
  img.Rect(200, 120, 280, 165, {0.35, 0.35, 0.55});
  img.Rect(190, 20, 300, 65, {0.2, 0.4, 0.75});
  // The marked spot: a red ring around a wall that the player walks through.
  for (int a = 0; a < 720; ++a) {
    const double t = a * M_PI / 360;
    for (double r = 22; r < 26; r += 0.5) img.Blend(int(150 + r * std::cos(t)), int(90 + r * std::sin(t)), {0.95, 0.1, 0.1}, 0.9);
  }
  img.Rect(0, 0, kWidth, 16, {0, 0, 0}, 0.6);
  img.Rect(6, 5, 60, 11, {1, 1, 1}, 0.8);
  return img;
}

std::vector<uint8_t> Rgb(const Image& img) {
  std::vector<uint8_t> out;
  out.reserve(kWidth * kHeight * 3);
  for (const Color& c : img.pixels)
    for (double v : {c.r, c.g, c.b}) out.push_back(uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255)));
  return out;
}

bool WritePng(const std::string& path, const Image& img) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const std::vector<uint8_t> rgb = Rgb(img);
  for (int y = 0; y < kHeight; ++y) png_write_row(png, rgb.data() + y * kWidth * 3);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

bool WriteJpeg(const std::string& path, const Image& img) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 85, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> rgb = Rgb(img);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = rgb.data() + cinfo.next_scanline * kWidth * 3;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DATA_FOLDER\n", argv[0]);
    return 2;
  }
  const std::string data = argv[1];
  const bool ok = WritePng(data + "/screenshot/rc1_0.png", Meadow()) && WritePng(data + "/screenshot/X1.png", Night()) &&
                  WritePng(data + "/screenshot/X2.png", Desert()) && WriteJpeg(data + "/feedback.jpg", FeedbackScene());
  if (!ok) std::fprintf(stderr, "%s: could not write the images\n", argv[0]);
  return ok ? 0 : 1;
}
