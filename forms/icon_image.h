// The program's icon: drawn in code (a rounded archive box with a down arrow)
// and written as an ICO file with three uncompressed 32-bit images, 48x48,
// 32x32 and 16x16. Also a bounded reader of the directory and image headers
// of an icon or cursor file. Platform-independent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace korvex::forms {

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

// The type word of an ICO file's header: icons, or cursors, whose directory
// entries hold the hot spot where an icon's hold planes and bit count.
inline constexpr uint16_t kIconFileType = 1;
inline constexpr uint16_t kCursorFileType = 2;

// What an ICO file says about one of its images.
struct IconEntry {
  // Directory entry.
  int32_t width = 0;  // 0 in the entry means 256
  int32_t height = 0;
  uint8_t colour_count = 0;
  uint16_t planes = 0;     // a cursor's hot spot x
  uint16_t bit_count = 0;  // a cursor's hot spot y
  uint32_t bytes = 0;
  uint32_t offset = 0;
  // A PNG image has no bitmap header: the fields below stay zero.
  bool png = false;
  // The image's bitmap header.
  uint32_t header_size = 0;
  int32_t header_width = 0;
  int32_t header_height = 0;
  uint16_t header_planes = 0;
  uint16_t header_bit_count = 0;
  uint32_t compression = 0;
};

// Reads the directory of an ICO file of the given type and every image
// header; false when the file is malformed (another type, an image outside
// the file, a header past its image).
bool ReadIconDirectory(std::span<const uint8_t> file, std::vector<IconEntry>* entries,
                       uint16_t type = kIconFileType);

}  // namespace korvex::forms
