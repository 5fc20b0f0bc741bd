// Readable descriptions of windows and their units, the serializer that turns
// them into a window template segment, and the description of this program's
// start-up window. Platform-independent (used by the build-time generator and
// by the tests).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "forms/template_format.h"

namespace korvex::forms {

struct UnitDescription {
  uint32_t id = 0;
  uint32_t type = 0;
  std::string name;  // code page 936 bytes
  std::string remark;
  int32_t left = 0, top = 0, width = 0, height = 0;
  uint32_t parent = 0;
  std::vector<uint32_t> children;
  std::vector<uint8_t> mouse_pointer = {0, 0, 0, 0};  // standard pointer 0
  std::string tag;
  uint32_t flags = 0;
  int32_t focus_order = 0;
  std::vector<EventBinding> events;
  std::vector<uint8_t> property_block;
  // Menu items (unit ids of kind 2) use a shorter record: name, remark, flags,
  // `menu_value`, the caption and the handler offset of their only event.
  uint32_t menu_value = 0;
  std::string caption;
  int32_t menu_handler = -1;
};

struct WindowDescription {
  uint32_t id = 0;
  int32_t value_a = 0;
  int32_t value_b = 0;
  std::string first_name;
  std::string second_name;
  std::vector<UnitDescription> units;  // unit 0 is the window itself
};

// The data of one unit record (without its size field); the record kind
// follows the unit id.
std::vector<uint8_t> SerializeUnitRecord(const UnitDescription& unit);
// A whole segment: the window table, then each window's record.
std::vector<uint8_t> SerializeWindowTemplate(std::span<const WindowDescription> windows);

// --- This program's start-up window -------------------------------------------------
namespace startup {
inline constexpr uint32_t kWindowId = 0x52010001;
inline constexpr int32_t kValueA = 0x025D0C88;
inline constexpr int32_t kValueB = 0x19010010;
inline constexpr uint32_t kManualButtonId = 0x1601015B;     // "按钮3"
inline constexpr uint32_t kHotKeyLabelId = 0x16010106;      // "标签1"
inline constexpr uint32_t kUninstallButtonId = 0x16010103;  // "按钮2"
inline constexpr uint32_t kInstallButtonId = 0x16010102;    // "按钮1"
inline constexpr uint32_t kZipUnitId = 0x16010087;          // "ZIP压缩1"
// Handler offsets from the code base.
inline constexpr int32_t kOnCreated = 0x45B;
inline constexpr int32_t kOnClosing = 0x1F0A;
inline constexpr int32_t kOnManualInstall = 0xC7;
inline constexpr int32_t kOnUninstall = 0x1E24;
inline constexpr int32_t kOnInstall = 0x1A30;
inline constexpr int32_t kOnHotKey = 0x2005;
// "Korvex 5.6.1.10516"
inline constexpr char kCaption[] = "Korvex 5.6.1.10516";
inline constexpr size_t kSegmentSize = 16442;
}  // namespace startup

// The start-up window with the given icon file as its icon.
WindowDescription StartupWindow(std::span<const uint8_t> icon);

}  // namespace korvex::forms
