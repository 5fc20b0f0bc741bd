#include "forms/icon_image.h"

#include <algorithm>
#include <iterator>

#include "base/byte_reader.h"

namespace korvex::forms {

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
