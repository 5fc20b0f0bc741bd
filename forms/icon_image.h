// A bounded reader of the directory and image headers of an icon or cursor
// file (ICO or CUR). Platform-independent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace korvex::forms {

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
