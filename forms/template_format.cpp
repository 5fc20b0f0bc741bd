#include "forms/template_format.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace korvex::forms {

// --- Unit records -----------------------------------------------------------------

bool WalkUnitRecord(std::span<const uint8_t> buffer, size_t record, bool menu_item,
                    UnitLayout* layout) {
  if (record > buffer.size() || buffer.size() - record < 4) return false;
  const int32_t size = LoadInt32(buffer.data() + record);
  if (size < 0 || static_cast<size_t>(size) > buffer.size() - record - 4) return false;

  UnitLayout l;
  l.record = record;
  l.data = record + 4;
  l.size = static_cast<size_t>(size);
  l.menu_item = menu_item;
  ByteReader c(buffer.data() + l.data, l.size);
  auto at = [&] { return l.data + c.pos(); };

  l.unit_type = c.ReadUInt32();
  c.Skip(20);
  l.name = at();
  l.name_length = c.ReadZeroText().size();
  l.remark = at();
  l.remark_length = c.ReadZeroText().size();
  l.object_slot = at();
  c.Skip(4);
  if (menu_item) {
    l.menu_value = at();
    c.Skip(4);
    l.flags = at();
    c.Skip(4);
    l.caption = at();
    l.caption_length = c.ReadZeroText().size();
    l.handler = at();
    c.Skip(4);
  } else {
    l.geometry = at();
    c.Skip(16);
    l.pointer_slot = at();
    c.Skip(4);
    l.parent = at();
    c.Skip(4);
    l.child_count = c.ReadCount(4);
    l.children = at();
    c.Skip(static_cast<size_t>(l.child_count) * 4);
    l.mouse_pointer = at();
    l.mouse_pointer_length = c.ReadCountedBlock().size();
    l.tag = at();
    l.tag_length = c.ReadZeroText().size();
    c.Skip(4);  // reserved
    l.flags = at();
    c.Skip(4);
    l.focus_order = at();
    c.Skip(4);
    l.event_count = c.ReadCount(8);
    l.events = at();
    c.Skip(static_cast<size_t>(l.event_count) * 8);
    c.Skip(20);
    l.property_block = at();
    l.property_length = c.remaining();
  }
  if (!c.ok()) return false;
  *layout = l;
  return true;
}

// --- Fonts ------------------------------------------------------------------------

std::string_view FontDescription::FaceName() const {
  const void* end = std::memchr(face, 0, kFontFaceSize);
  const size_t n =
      end ? static_cast<size_t>(static_cast<const uint8_t*>(end) - face) : kFontFaceSize;
  return {reinterpret_cast<const char*>(face), n};
}

bool ParseFont(std::span<const uint8_t> bytes, FontDescription* font) {
  ByteReader c(bytes);
  FontDescription f;
  f.height = c.ReadInt32();
  f.width = c.ReadInt32();
  f.escapement = c.ReadInt32();
  f.orientation = c.ReadInt32();
  f.weight = c.ReadInt32();
  f.italic = c.ReadByte();
  f.underline = c.ReadByte();
  f.strike_out = c.ReadByte();
  f.charset = c.ReadByte();
  f.out_precision = c.ReadByte();
  f.clip_precision = c.ReadByte();
  f.quality = c.ReadByte();
  f.pitch_and_family = c.ReadByte();
  auto face = c.ReadBytes(kFontFaceSize);
  if (!c.ok()) return false;
  std::memcpy(f.face, face.data(), kFontFaceSize);
  *font = f;
  return true;
}

void SerializeFont(const FontDescription& f, ByteWriter* out) {
  out->Int32(f.height);
  out->Int32(f.width);
  out->Int32(f.escapement);
  out->Int32(f.orientation);
  out->Int32(f.weight);
  for (uint8_t b : {f.italic, f.underline, f.strike_out, f.charset, f.out_precision,
                    f.clip_precision, f.quality, f.pitch_and_family}) {
    out->Byte(b);
  }
  out->Bytes({f.face, kFontFaceSize});
}

FontDescription DefaultUiFont() {
  FontDescription f;
  f.height = -12;
  f.weight = 400;
  f.charset = 134;  // GB2312
  f.out_precision = 3;
  f.clip_precision = 2;
  f.quality = 1;
  f.pitch_and_family = 0x22;
  std::memcpy(f.face, kDefaultFontFace, sizeof(kDefaultFontFace) - 1);
  return f;
}

namespace {

// a * b / c rounded half away from zero, for a, b >= 0 and c > 0, clamped to
// int32 (64-bit arithmetic: no operand here exceeds 2^31).
int32_t ScaleRounded(int64_t a, int64_t b, int64_t c) {
  const int64_t scaled = (a * b + c / 2) / c;
  return static_cast<int32_t>(std::min<int64_t>(scaled, std::numeric_limits<int32_t>::max()));
}

int64_t UsableDpi(int32_t dpi) {
  return dpi > 0 ? dpi : 96;
}

}  // namespace

int32_t FontPoints(int32_t height, int32_t dpi) {
  // The magnitude in 64 bits: -INT32_MIN does not fit an int32.
  const int64_t magnitude = height < 0 ? -static_cast<int64_t>(height) : height;
  return ScaleRounded(magnitude, 72, UsableDpi(dpi));
}

int32_t FontHeightForPoints(int32_t points, int32_t dpi) {
  return -ScaleRounded(std::max(points, 1), UsableDpi(dpi), 72);
}

namespace {

// A font field: an empty block is the default font, otherwise exactly one
// 60-byte description.
bool ReadFontBlock(ByteReader* c, bool* has_font, FontDescription* font) {
  auto block = c->ReadCountedBlock();
  if (!c->ok()) return false;
  if (block.empty()) {
    *has_font = false;
    return true;
  }
  if (block.size() != kFontDescriptionSize) return false;
  *has_font = true;
  return ParseFont(block, font);
}

void WriteFontBlock(bool has_font, const FontDescription& font, ByteWriter* out) {
  if (!has_font) {
    out->Int32(0);
    return;
  }
  out->Int32(static_cast<int32_t>(kFontDescriptionSize));
  SerializeFont(font, out);
}

std::vector<uint8_t> ToVector(std::span<const uint8_t> b) {
  return {b.begin(), b.end()};
}

}  // namespace

// --- Window block ---------------------------------------------------------------

WindowProperties::WindowProperties() {
  static constexpr int32_t kDefaults[20] = {
      0,
      kWindowBlockVersion,
      2,
      1,
      static_cast<int32_t>(kDefaultColour),
      0,
      1,
      1,
      1,
      1,  // 5..9
      0,
      0,
      1,
      0,
      0,  // 10..14
      1,
      0,
      0,
      0,
      0,  // 15..19
  };
  std::memcpy(field, kDefaults, sizeof(field));
}

BlockStatus ParseWindowProperties(std::span<const uint8_t> block, WindowProperties* out) {
  ByteReader c(block);
  WindowProperties p;
  const int32_t version = c.ReadInt32();
  if (!c.ok()) return BlockStatus::kMalformed;
  if (version > kWindowBlockVersion) return BlockStatus::kNewerVersion;
  p.field[1] = version;
  for (int k = 2; k <= 14; ++k) p.field[k] = c.ReadInt32();
  if (version > 1) p.field[15] = c.ReadInt32();
  if (version > 2) {
    p.field[16] = c.ReadInt32();
    p.field[17] = c.ReadInt32();
  }
  if (version > 3) p.field[18] = c.ReadInt32();
  if (version > 4) p.field[19] = c.ReadInt32();
  if (version == 6) p.text20 = std::string(c.ReadCountedText());
  p.block21 = ToVector(c.ReadCountedBlock());
  p.icon = ToVector(c.ReadCountedBlock());
  p.block23 = ToVector(c.ReadCountedBlock());
  p.caption = std::string(c.ReadCountedText());
  p.text25 = std::string(c.ReadCountedText());
  if (!c.ok()) return BlockStatus::kMalformed;
  *out = std::move(p);
  return BlockStatus::kOk;
}

std::vector<uint8_t> SerializeWindowProperties(const WindowProperties& p) {
  ByteWriter w;
  const int32_t version = p.version();
  for (int k = 1; k <= 14; ++k) w.Int32(p.field[k]);
  if (version > 1) w.Int32(p.field[15]);
  if (version > 2) {
    w.Int32(p.field[16]);
    w.Int32(p.field[17]);
  }
  if (version > 3) w.Int32(p.field[18]);
  if (version > 4) w.Int32(p.field[19]);
  if (version == 6) w.CountedText(p.text20);
  w.CountedBlock(p.block21);
  w.CountedBlock(p.icon);
  w.CountedBlock(p.block23);
  w.CountedText(p.caption);
  w.CountedText(p.text25);
  return w.Take();
}

// --- Label block ------------------------------------------------------------------

BlockStatus ParseLabelProperties(std::span<const uint8_t> block, LabelProperties* out) {
  ByteReader c(block);
  LabelProperties p;
  p.version = c.ReadInt32();
  if (!c.ok()) return BlockStatus::kMalformed;
  if (p.version > kLabelBlockVersion) return BlockStatus::kNewerVersion;
  p.text_effect = c.ReadInt32();
  p.border_width = c.ReadInt32();
  p.border_style = c.ReadInt32();
  for (uint32_t& colour : p.border_colours) colour = c.ReadUInt32();
  p.text_colour = c.ReadUInt32();
  p.background_colour = c.ReadUInt32();
  p.picture_mode = c.ReadInt32();
  p.gradient_mode = c.ReadInt32();
  for (uint32_t& colour : p.gradient_colours) colour = c.ReadUInt32();
  p.horizontal_alignment = c.ReadInt32();
  p.vertical_alignment = c.ReadInt32();
  p.word_wrap = c.ReadInt32();
  if (!ReadFontBlock(&c, &p.has_font, &p.font)) return BlockStatus::kMalformed;
  p.picture = ToVector(c.ReadCountedBlock());
  p.caption = std::string(c.ReadCountedText());
  if (p.version == 2) {
    p.binding_text1 = std::string(c.ReadCountedText());
    p.binding_text2 = std::string(c.ReadCountedText());
  }
  if (!c.ok()) return BlockStatus::kMalformed;
  *out = std::move(p);
  return BlockStatus::kOk;
}

std::vector<uint8_t> SerializeLabelProperties(const LabelProperties& p) {
  ByteWriter w;
  w.Int32(p.version);
  w.Int32(p.text_effect);
  w.Int32(p.border_width);
  w.Int32(p.border_style);
  for (uint32_t colour : p.border_colours) w.UInt32(colour);
  w.UInt32(p.text_colour);
  w.UInt32(p.background_colour);
  w.Int32(p.picture_mode);
  w.Int32(p.gradient_mode);
  for (uint32_t colour : p.gradient_colours) w.UInt32(colour);
  w.Int32(p.horizontal_alignment);
  w.Int32(p.vertical_alignment);
  w.Int32(p.word_wrap);
  WriteFontBlock(p.has_font, p.font, &w);
  w.CountedBlock(p.picture);
  w.CountedText(p.caption);
  if (p.version == 2) {
    w.CountedText(p.binding_text1);
    w.CountedText(p.binding_text2);
  }
  return w.Take();
}

// --- Button block -----------------------------------------------------------------

BlockStatus ParseButtonProperties(std::span<const uint8_t> block, ButtonProperties* out) {
  ByteReader c(block);
  ButtonProperties p;
  p.version = c.ReadInt32();
  if (!c.ok()) return BlockStatus::kMalformed;
  if (p.version > kButtonBlockVersion) return BlockStatus::kNewerVersion;
  p.type = c.ReadInt32();
  p.horizontal_alignment = c.ReadInt32();
  p.vertical_alignment = c.ReadInt32();
  p.picture = ToVector(c.ReadCountedBlock());
  if (!ReadFontBlock(&c, &p.has_font, &p.font)) return BlockStatus::kMalformed;
  p.caption = std::string(c.ReadCountedText());
  if (!c.ok()) return BlockStatus::kMalformed;
  *out = std::move(p);
  return BlockStatus::kOk;
}

std::vector<uint8_t> SerializeButtonProperties(const ButtonProperties& p) {
  ByteWriter w;
  w.Int32(p.version);
  w.Int32(p.type);
  w.Int32(p.horizontal_alignment);
  w.Int32(p.vertical_alignment);
  w.CountedBlock(p.picture);
  WriteFontBlock(p.has_font, p.font, &w);
  w.CountedText(p.caption);
  return w.Take();
}

}  // namespace korvex::forms
