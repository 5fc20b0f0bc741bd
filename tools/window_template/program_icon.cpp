#include "tools/window_template/program_icon.h"

#include <algorithm>
#include <cmath>

#include "base/byte_writer.h"
#include "forms/icon_image.h"

namespace korvex::tools {

namespace {

struct Colour {
  float r, g, b, a;
};

Colour Mix(Colour x, Colour y, float t) {
  return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
          x.a + (y.a - x.a) * t};
}

Colour Rgb(uint32_t rgb) {
  return {static_cast<float>((rgb >> 16) & 0xFF) / 255.0f,
          static_cast<float>((rgb >> 8) & 0xFF) / 255.0f, static_cast<float>(rgb & 0xFF) / 255.0f,
          1.0f};
}

// Signed distance to a rounded rectangle (negative inside), in unit coordinates.
float RoundedRect(float x, float y, float x0, float y0, float x1, float y1, float radius) {
  const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  const float hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
  const float dx = std::fabs(x - cx) - hx, dy = std::fabs(y - cy) - hy;
  const float ox = std::max(dx, 0.0f), oy = std::max(dy, 0.0f);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(dx, dy), 0.0f) - radius;
}

// The down arrow: a shaft and a triangular head pointing at (0.5, 0.84).
bool InArrow(float x, float y) {
  if (x >= 0.43f && x <= 0.57f && y >= 0.40f && y <= 0.64f) return true;
  if (y >= 0.60f && y <= 0.84f) {
    const float half = (0.84f - y) / 0.24f * 0.20f;
    return std::fabs(x - 0.5f) <= half;
  }
  return false;
}

// The colour of the emblem at one sample point (alpha 0 outside).
Colour Sample(float x, float y) {
  const Colour none{0, 0, 0, 0};
  const Colour outline = Rgb(0x7A4E10);
  const float lid = RoundedRect(x, y, 0.06f, 0.14f, 0.94f, 0.34f, 0.06f);
  const float body = RoundedRect(x, y, 0.11f, 0.28f, 0.89f, 0.92f, 0.09f);
  const float edge = 0.035f;

  Colour c = none;
  if (body <= 0) {
    // Warm amber body, lighter at the top.
    c = body > -edge ? outline : Mix(Rgb(0xF6C453), Rgb(0xD9881C), (y - 0.28f) / 0.64f);
    if (body <= -edge && InArrow(x, y)) {
      // Blue arrow with a light rim where it meets the body.
      const bool rim = !InArrow(x - 0.03f, y) || !InArrow(x + 0.03f, y) || !InArrow(x, y + 0.03f);
      c = rim ? Rgb(0xFFF4DC) : Mix(Rgb(0x3C86E8), Rgb(0x1E4FA8), (y - 0.40f) / 0.44f);
    }
  }
  if (lid <= 0) {
    c = lid > -edge ? outline : Mix(Rgb(0xE9A739), Rgb(0xC47414), (y - 0.14f) / 0.20f);
    // A darker clasp in the middle of the lid.
    if (lid <= -edge && std::fabs(x - 0.5f) < 0.09f && y > 0.19f && y < 0.29f) {
      c = Rgb(0x6B4310);
    }
  }
  return c;
}

uint8_t ToByte(float v) {
  return static_cast<uint8_t>(std::clamp(std::lround(v * 255.0f), 0L, 255L));
}

}  // namespace

IconBitmap DrawProgramIcon(int32_t size) {
  IconBitmap image;
  image.width = image.height = size;
  image.bgra.resize(static_cast<size_t>(size) * static_cast<size_t>(size) * 4);
  constexpr int kGrid = 4;  // 4 x 4 samples per pixel
  for (int32_t py = 0; py < size; ++py) {
    for (int32_t px = 0; px < size; ++px) {
      float r = 0, g = 0, b = 0, a = 0;  // premultiplied sums
      for (int sy = 0; sy < kGrid; ++sy) {
        for (int sx = 0; sx < kGrid; ++sx) {
          const float x = (static_cast<float>(px) + (static_cast<float>(sx) + 0.5f) / kGrid) /
                          static_cast<float>(size);
          const float y = (static_cast<float>(py) + (static_cast<float>(sy) + 0.5f) / kGrid) /
                          static_cast<float>(size);
          const Colour c = Sample(x, y);
          r += c.r * c.a;
          g += c.g * c.a;
          b += c.b * c.a;
          a += c.a;
        }
      }
      uint8_t* p = image.bgra.data() + (static_cast<size_t>(py) * size + px) * 4;
      if (a > 0) {
        p[0] = ToByte(b / a);
        p[1] = ToByte(g / a);
        p[2] = ToByte(r / a);
      }
      p[3] = ToByte(a / (kGrid * kGrid));
    }
  }
  return image;
}

std::vector<uint8_t> EncodeIcon(std::span<const IconBitmap> images) {
  ByteWriter w;
  w.UInt16(0);  // reserved
  w.UInt16(forms::kIconFileType);
  w.UInt16(static_cast<uint16_t>(images.size()));

  auto mask_stride = [](int32_t width) { return static_cast<size_t>((width + 31) / 32 * 4); };
  size_t offset = 6 + 16 * images.size();
  for (const IconBitmap& im : images) {
    const size_t pixels = im.bgra.size();
    const size_t mask = mask_stride(im.width) * static_cast<size_t>(im.height);
    const size_t bytes = 40 + pixels + mask;
    w.Byte(static_cast<uint8_t>(im.width >= 256 ? 0 : im.width));
    w.Byte(static_cast<uint8_t>(im.height >= 256 ? 0 : im.height));
    w.Byte(0);     // colour count
    w.Byte(0);     // reserved
    w.UInt16(1);   // planes
    w.UInt16(32);  // bits per pixel
    w.UInt32(static_cast<uint32_t>(bytes));
    w.UInt32(static_cast<uint32_t>(offset));
    offset += bytes;
  }
  for (const IconBitmap& im : images) {
    const size_t stride = mask_stride(im.width);
    w.UInt32(40);
    w.Int32(im.width);
    w.Int32(im.height * 2);  // colour image and mask
    w.UInt16(1);             // planes
    w.UInt16(32);            // bit count
    w.UInt32(0);             // uncompressed
    w.UInt32(static_cast<uint32_t>(im.bgra.size() + stride * static_cast<size_t>(im.height)));
    w.Zeros(16);  // resolution, colours used, colours important
    const size_t row = static_cast<size_t>(im.width) * 4;
    for (int32_t y = im.height - 1; y >= 0; --y) {
      w.Bytes({im.bgra.data() + static_cast<size_t>(y) * row, row});
    }
    for (int32_t y = im.height - 1; y >= 0; --y) {
      std::vector<uint8_t> bits(stride, 0);
      for (int32_t x = 0; x < im.width; ++x) {
        const uint8_t alpha =
            im.bgra[static_cast<size_t>(y) * row + static_cast<size_t>(x) * 4 + 3];
        if (alpha == 0) bits[static_cast<size_t>(x) / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
      }
      w.Bytes(bits);
    }
  }
  return w.Take();
}

std::vector<uint8_t> MakeProgramIcon() {
  const IconBitmap images[] = {DrawProgramIcon(48), DrawProgramIcon(32), DrawProgramIcon(16)};
  return EncodeIcon(images);
}

}  // namespace korvex::tools
