#include "forms/icon_image.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "base/byte_reader.h"
#include "forms/template_format.h"

namespace korvex::forms {

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
  w.bytes().push_back(0);  // reserved (uint16)
  w.bytes().push_back(0);
  w.bytes().push_back(1);  // type 1 = icon
  w.bytes().push_back(0);
  w.bytes().push_back(static_cast<uint8_t>(images.size()));
  w.bytes().push_back(0);

  auto mask_stride = [](int32_t width) { return static_cast<size_t>((width + 31) / 32 * 4); };
  size_t offset = 6 + 16 * images.size();
  for (const IconBitmap& im : images) {
    const size_t pixels = im.bgra.size();
    const size_t mask = mask_stride(im.width) * static_cast<size_t>(im.height);
    const size_t bytes = 40 + pixels + mask;
    w.Byte(static_cast<uint8_t>(im.width >= 256 ? 0 : im.width));
    w.Byte(static_cast<uint8_t>(im.height >= 256 ? 0 : im.height));
    w.Byte(0);  // colour count
    w.Byte(0);  // reserved
    w.Byte(1);  // planes
    w.Byte(0);
    w.Byte(32);  // bits per pixel
    w.Byte(0);
    w.UInt32(static_cast<uint32_t>(bytes));
    w.UInt32(static_cast<uint32_t>(offset));
    offset += bytes;
  }
  for (const IconBitmap& im : images) {
    const size_t stride = mask_stride(im.width);
    w.UInt32(40);
    w.Int32(im.width);
    w.Int32(im.height * 2);  // colour image and mask
    w.Byte(1);               // planes (uint16)
    w.Byte(0);
    w.Byte(32);  // bit count (uint16)
    w.Byte(0);
    w.UInt32(0);  // uncompressed
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

bool ReadIconDirectory(std::span<const uint8_t> file, std::vector<IconEntry>* entries,
                       uint16_t type) {
  ByteReader c(file);
  const uint16_t reserved = c.ReadUInt16();
  const uint16_t file_type = c.ReadUInt16();
  const uint16_t count = c.ReadUInt16();
  if (!c.ok() || reserved != 0 || file_type != type || count > c.remaining() / 16) return false;
  std::vector<IconEntry> list(count);
  for (IconEntry& e : list) {
    e.width = c.ReadByte();
    e.height = c.ReadByte();
    e.colour_count = c.ReadByte();
    c.ReadByte();  // reserved
    e.planes = c.ReadUInt16();
    e.bit_count = c.ReadUInt16();
    e.bytes = c.ReadUInt32();
    e.offset = c.ReadUInt32();
    if (e.width == 0) e.width = 256;
    if (e.height == 0) e.height = 256;
  }
  if (!c.ok()) return false;
  static constexpr uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (IconEntry& e : list) {
    if (e.offset > file.size() || e.bytes > file.size() - e.offset) return false;
    const std::span<const uint8_t> image = file.subspan(e.offset, e.bytes);
    e.png = image.size() >= sizeof kPngSignature &&
            std::equal(std::begin(kPngSignature), std::end(kPngSignature), image.begin());
    if (e.png) continue;
    ByteReader h(image);
    e.header_size = h.ReadUInt32();
    e.header_width = h.ReadInt32();
    e.header_height = h.ReadInt32();
    e.header_planes = h.ReadUInt16();
    e.header_bit_count = h.ReadUInt16();
    e.compression = h.ReadUInt32();
    if (!h.ok() || e.header_size > e.bytes) return false;
  }
  *entries = std::move(list);
  return true;
}

}  // namespace korvex::forms
