// The window template's binary format, read with korvex::ByteReader and
// written with korvex::ByteWriter: the layout of one unit record, and the
// property blocks of the window, label and button unit types with the 60-byte
// font description.
// Platform-independent.
//
// All integers are little-endian. Encodings used throughout:
//   counted text : int32 n, then n bytes (n <= 0 is the empty text)
//   zero text    : bytes up to and including a 0 byte
//   counted block: int32 n, then n bytes (n < 0 is malformed)
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_reader.h"
#include "base/byte_writer.h"
#include "forms/texts.h"

namespace korvex::forms {

// --- Identifiers ----------------------------------------------------------------
// Unit ids: bits 28-31 kind (0 window, 1 component, 2 menu item), bits 24-27 = 6,
// bits 0-23 serial. Window ids: nonzero bits 24-27.
inline constexpr uint32_t kWindowUnitId = 0x06010000;
inline constexpr uint32_t kUnitKindWindow = 0;
inline constexpr uint32_t kUnitKindComponent = 1;
inline constexpr uint32_t kUnitKindMenuItem = 2;
constexpr uint32_t UnitKind(uint32_t unit_id) {
  return unit_id >> 28;
}

// Unit types: high 16 bits library number (1 = core), low 16 bits unit number.
inline constexpr uint32_t kUnitTypeWindow = 0x00010001;
inline constexpr uint32_t kUnitTypeMenuItem = 0x00010003;
inline constexpr uint32_t kUnitTypeLabel = 0x0001000A;
inline constexpr uint32_t kUnitTypeButton = 0x0001000B;
inline constexpr uint32_t kUnitTypeZipCompressor = 0x00020001;

// Unit flags (components and windows).
inline constexpr uint32_t kUnitVisible = 1u << 0;
inline constexpr uint32_t kUnitDisabled = 1u << 1;
inline constexpr uint32_t kUnitTabStop = 1u << 2;
inline constexpr uint32_t kUnitMenuBuilderFlag = 1u << 3;
// Menu-item flags: left out of the menu; shown greyed and not to be chosen;
// shown with a check mark.
inline constexpr uint32_t kMenuItemHidden = 1u << 0;
inline constexpr uint32_t kMenuItemDisabled = 1u << 1;
inline constexpr uint32_t kMenuItemChecked = 1u << 2;

// The serializers append with the base writer.
using ::korvex::ByteWriter;

// One (event number, handler offset) pair of a unit record; handler -1 = none.
struct EventBinding {
  int32_t event = 0;
  int32_t handler = 0;  // as stored in the record
};

// --- Unit record layout ---------------------------------------------------------
// Where each field of one unit record lies. Every position is an offset into the
// window's unit buffer, so a layout stays valid only until the buffer changes
// (replace bytes, restore of the saved copy).
//
// Component / window record data, in order: unit type, 20 reserved, name (zero
// text), remark (zero text), object slot, left, top, width, height, pointer slot,
// parent, child count + children, mouse pointer (counted block), tag (zero text),
// reserved int32, flags, focus order, event count + (event, handler) pairs,
// 20 reserved, property block (rest of the record).
//
// Menu-item record data: unit type, 20 reserved, name, remark, object slot, one
// uint32, flags, caption (zero text), handler offset of its only event.
struct UnitLayout {
  size_t record = 0;  // the int32 size field
  size_t data = 0;    // record + 4: first byte of the record data
  size_t size = 0;    // bytes of record data (the size field's value)
  bool menu_item = false;
  uint32_t unit_type = 0;
  size_t name = 0, name_length = 0;  // text without its terminator
  size_t remark = 0, remark_length = 0;
  size_t object_slot = 0;  // uint32
  // Components and windows only:
  size_t geometry = 0;      // left, top, width, height: 4 x int32
  size_t pointer_slot = 0;  // uint32
  size_t parent = 0;        // uint32 UnitId
  int32_t child_count = 0;
  size_t children = 0;       // child_count x uint32
  size_t mouse_pointer = 0;  // the block's int32 length field; bytes follow
  size_t mouse_pointer_length = 0;
  size_t tag = 0, tag_length = 0;  // text without its terminator
  size_t flags = 0;                // uint32
  size_t focus_order = 0;          // int32
  int32_t event_count = 0;
  size_t events = 0;  // event_count x (int32 event, int32 handler)
  size_t property_block = 0, property_length = 0;
  // Menu items only (flags above is used as well):
  size_t menu_value = 0;  // the uint32 after the object slot: the nesting level
  size_t caption = 0, caption_length = 0;
  size_t handler = 0;  // int32 handler offset
};

// Walks the record whose size field is at `record` in `buffer`. The record data
// must lie inside the buffer and every field inside the record data. Returns
// false for a malformed record; never reads outside the buffer.
bool WalkUnitRecord(std::span<const uint8_t> buffer, size_t record, bool menu_item,
                    UnitLayout* layout);

// --- Fonts ----------------------------------------------------------------------
inline constexpr size_t kFontDescriptionSize = 60;
inline constexpr size_t kFontFaceSize = 32;
// The layout of the platform's LOGFONTA structure, kept as plain fields.
struct FontDescription {
  int32_t height = 0;
  int32_t width = 0;
  int32_t escapement = 0;
  int32_t orientation = 0;
  int32_t weight = 0;
  uint8_t italic = 0;
  uint8_t underline = 0;
  uint8_t strike_out = 0;
  uint8_t charset = 0;
  uint8_t out_precision = 0;
  uint8_t clip_precision = 0;
  uint8_t quality = 0;
  uint8_t pitch_and_family = 0;
  uint8_t face[kFontFaceSize] = {};  // zero-terminated; later bytes carry no meaning

  std::string_view FaceName() const;  // up to the first 0 (at most 32 bytes)
};
bool ParseFont(std::span<const uint8_t> bytes, FontDescription* font);  // needs 60 bytes
void SerializeFont(const FontDescription& font, ByteWriter* out);       // 60 bytes
// The font every unit of this program's window uses: "微软雅黑", 9 points.
FontDescription DefaultUiFont();
// A font's size in points on a screen of `dpi` dots per inch, from its stored
// height (by magnitude: a negative height is a character height), and the
// character height (negative) of a size in points, at least 1 point. Rounded
// half away from zero as the platform's MulDiv does; a result beyond int32 is
// clamped, every stored value included. A dpi of 0 or less counts as 96.
int32_t FontPoints(int32_t height, int32_t dpi);
int32_t FontHeightForPoints(int32_t points, int32_t dpi);

// --- Property blocks --------------------------------------------------------------
enum class BlockStatus {
  kOk,
  kMalformed,     // data ends before a field, or a length is invalid
  kNewerVersion,  // the block's version is above what this loader reads
};

// Window property block (unit type 0x10001), version <= 6. `field[k]` holds the
// stored int32 field k (k = 1 the version .. 19); field 4 is the background
// colour (0xFF000000 = default) as its bit pattern. Absent fields keep the
// defaults of a new window.
inline constexpr int32_t kWindowBlockVersion = 6;
inline constexpr uint32_t kDefaultColour = 0xFF000000;
struct WindowProperties {
  WindowProperties();
  int32_t field[20];
  std::string text20;            // field 20 (version 6 only)
  std::vector<uint8_t> block21;  // field 21
  std::vector<uint8_t> icon;     // field 22: an ICO file image
  std::vector<uint8_t> block23;  // field 23
  std::string caption;           // field 24
  std::string text25;            // field 25
  int32_t version() const { return field[1]; }
};
BlockStatus ParseWindowProperties(std::span<const uint8_t> block, WindowProperties* out);
std::vector<uint8_t> SerializeWindowProperties(const WindowProperties& p);  // at its version

// Label property block (unit type 0x1000A), version <= 2.
inline constexpr int32_t kLabelBlockVersion = 2;
struct LabelProperties {
  int32_t version = kLabelBlockVersion;
  int32_t text_effect = 0;   // 0..3
  int32_t border_width = 8;  // gradient border width (at least 5)
  int32_t border_style = 0;  // 0..6
  uint32_t border_colours[3] = {0x808080, 0xFFFFFF, 0x808080};
  uint32_t text_colour = 0x000000;
  uint32_t background_colour = kDefaultColour;
  int32_t picture_mode = 1;   // 0..2
  int32_t gradient_mode = 0;  // 0..8
  uint32_t gradient_colours[3] = {0x808080, 0xFFFFFF, 0x808080};
  int32_t horizontal_alignment = 0;  // 0..2
  int32_t vertical_alignment = 1;    // 0..2
  int32_t word_wrap = 0;
  bool has_font = false;  // an empty font block means the default font
  FontDescription font;
  std::vector<uint8_t> picture;
  std::string caption;
  std::string binding_text1;  // version 2 only
  std::string binding_text2;  // version 2 only
};
BlockStatus ParseLabelProperties(std::span<const uint8_t> block, LabelProperties* out);
std::vector<uint8_t> SerializeLabelProperties(const LabelProperties& p);

// Button property block (unit type 0x1000B), version <= 1.
inline constexpr int32_t kButtonBlockVersion = 1;
struct ButtonProperties {
  int32_t version = kButtonBlockVersion;
  int32_t type = 0;                  // 0 normal, 1 default button
  int32_t horizontal_alignment = 1;  // 0 left, 1 centre, 2 right
  int32_t vertical_alignment = 1;    // 0 top, 1 centre, 2 bottom
  std::vector<uint8_t> picture;
  bool has_font = false;
  FontDescription font;
  std::string caption = kDefaultButtonCaption;
};
BlockStatus ParseButtonProperties(std::span<const uint8_t> block, ButtonProperties* out);
std::vector<uint8_t> SerializeButtonProperties(const ButtonProperties& p);

}  // namespace korvex::forms
