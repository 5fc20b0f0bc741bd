// Reads a settings image back and checks it completely: header, digest,
// grammar, lengths, the stored order and the trailer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "payload/settings_image.h"

namespace korvex::settings {

struct ReadResult {
  bool ok = false;
  // Where the first defect lies (file offset) and what it is; the message
  // starts with "offset N: ".
  size_t error_offset = 0;
  std::string error;
  Document document;  // complete only when ok
};

ReadResult ReadSettingsImage(const uint8_t* data, size_t size);

}  // namespace korvex::settings
