// The program's icon, drawn in code (a rounded archive box with a down arrow)
// and written as an ICO file with three uncompressed 32-bit images, 48x48,
// 32x32 and 16x16. Build-time only: the program reads icons
// (forms/icon_image.h) but never draws one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace korvex::tools {

// A drawn image: width x height pixels, top row first, straight (not
// premultiplied) B, G, R, A bytes per pixel.
struct IconBitmap {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> bgra;
};

// Draws the emblem at the given size (anti-aliased, transparent background).
IconBitmap DrawProgramIcon(int32_t size);

// Encodes images as one ICO file: for each image a 40-byte bitmap header with
// the height doubled, the pixels bottom row first, then the 1-bit AND mask
// (set where the pixel is fully transparent) with rows padded to 4 bytes.
std::vector<uint8_t> EncodeIcon(std::span<const IconBitmap> images);

// The icon file of the program: 48, 32 and 16 pixels; 15,086 bytes.
std::vector<uint8_t> MakeProgramIcon();
inline constexpr size_t kProgramIconSize = 15086;

}  // namespace korvex::tools
