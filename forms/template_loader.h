// The loaded window template: one WindowRecord per window, its unit buffer kept
// as one contiguous block that is both the description windows are created
// from and the live store of the units' common properties. Platform-independent.
//
// Segment: int32 T; T/8 window ids; T/8 placeholders; then per window: int32 A,
// int32 B, counted text, counted text, int32 unit count U, int32 buffer size S,
// S bytes of unit buffer. Unit buffer: U ids, U offsets (each from the end of
// the offset array to a record's int32 size field), then the records.
//
// Handler relocation: every stored handler offset becomes "none" (-1) or
// code base + offset. The resolved addresses are kept in a table beside the
// record, keyed by (unit index, event number), so they are pointer-sized on any
// host; the form engine asks Handler(). Where the addresses fit the record's
// 32-bit fields (RelocatesInPlace) the fields are rewritten in place as well
// (-1 -> 0, else base + offset in 32-bit arithmetic) and the table holds the
// same values; otherwise the fields keep the stored offsets. A record shared by
// several units is relocated once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "forms/template_format.h"
#include "forms/texts.h"

namespace korvex::forms {

// Common fields of a component or window record that can be read and written
// in place.
enum class UnitField {
  kObjectSlot,
  kLeft,
  kTop,
  kWidth,
  kHeight,
  kPointerSlot,
  kParent,
  kFlags,
  kFocusOrder,
  kMenuLevel,  // menu items only: the uint32 after the object slot (forms/menu_layout.h)
};

class WindowRecord {
 public:
  WindowRecord() = default;
  WindowRecord(const WindowRecord&) = delete;
  WindowRecord& operator=(const WindowRecord&) = delete;

  uint32_t id = 0;
  int32_t value_a = 0;
  int32_t value_b = 0;
  std::string first_name;
  std::string second_name;

  // --- Units --------------------------------------------------------------------
  int32_t UnitCount() const { return unit_count_; }
  // 0 when the index is out of range.
  uint32_t UnitIdAt(int32_t index) const;
  // Linear search of the id array, first match; -1 when absent.
  int32_t FindUnit(uint32_t unit_id) const;
  bool IsMenuItem(int32_t index) const;
  // The record data of a unit (after its size field); empty when out of range.
  // The span is invalidated by ReplaceBytes and RestoreSavedUnits.
  std::span<uint8_t> UnitData(int32_t index);
  std::span<const uint8_t> UnitData(int32_t index) const;
  // Parsed layout of a unit record; false when the index is out of range.
  bool Layout(int32_t index, UnitLayout* layout) const;
  // The unit-specific property block (empty for menu items).
  std::span<const uint8_t> PropertyBlock(int32_t index) const;

  uint32_t UnitType(int32_t index) const;  // 0 when out of range
  std::string_view Name(int32_t index) const;
  std::string_view Remark(int32_t index) const;
  std::string_view Tag(int32_t index) const;                   // "" for menu items
  std::span<const uint8_t> MousePointer(int32_t index) const;  // block bytes
  std::string_view MenuCaption(int32_t index) const;           // "" for others
  std::vector<EventBinding> Events(int32_t index) const;       // menu item: {0, handler}

  // Common fields in place. Reads give 0 and writes do nothing (false) for an
  // index out of range or a field the record does not have (a menu item has
  // the object slot, the flags and the menu level; the menu level exists only
  // there).
  uint32_t ReadField(int32_t index, UnitField field) const;
  bool WriteField(int32_t index, UnitField field, uint32_t value);

  // Replaces old_length bytes at `offset` of the unit's record data by
  // `bytes`: the record's size field and the offsets of every later record
  // change by the difference. The record must still walk afterwards, otherwise
  // nothing changes and the result is false.
  bool ReplaceBytes(int32_t index, size_t offset, size_t old_length,
                    std::span<const uint8_t> bytes);
  // Variable-length fields through ReplaceBytes.
  bool SetTag(int32_t index, std::string_view tag);  // bytes up to a 0 are kept
  bool SetMousePointer(int32_t index, std::span<const uint8_t> block);
  bool SetMenuCaption(int32_t index, std::string_view caption);

  // --- Handlers -----------------------------------------------------------------
  // The relocated handler of a unit's event: 0 = none.
  uintptr_t Handler(int32_t index, int32_t event) const;

  // --- Saved copy ---------------------------------------------------------------
  // Taken when the window is created; restoring puts it back as the live buffer
  // (changes made while the window was open are dropped). Restore without a
  // saved copy does nothing.
  void SaveUnits();
  void RestoreSavedUnits();
  bool HasSavedUnits() const { return has_saved_; }

  // The whole unit buffer (ids, offsets, records).
  std::span<const uint8_t> UnitBuffer() const { return units_; }

 private:
  friend class TemplateParser;
  size_t OffsetArrayEnd() const { return static_cast<size_t>(unit_count_) * 8; }
  size_t RecordPos(int32_t index) const;  // buffer offset of the size field
  bool FieldPos(int32_t index, UnitField field, size_t* pos) const;

  struct Resolved {
    int32_t unit;
    int32_t event;
    uintptr_t address;
  };
  int32_t unit_count_ = 0;
  std::vector<uint8_t> units_;
  std::vector<uint8_t> saved_;
  bool has_saved_ = false;
  std::vector<Resolved> handlers_;  // in unit index order, then stored order
};

using WindowList = std::vector<std::unique_ptr<WindowRecord>>;

// Relocation of one stored handler offset: -1 -> 0 (none), else base + offset.
uintptr_t RelocateHandler(int32_t offset, uintptr_t code_base);

// Whether loading against `code_base` rewrites the handler fields in place.
// Always in the 32-bit program; in a wider build when the code base is at most
// 2 GiB, so that base + any non-negative offset still fits 32 bits.
bool RelocatesInPlace(uintptr_t code_base);

// Parses a whole segment without side effects: every window and every unit
// record is checked (records inside the buffer, not overlapping, every field
// inside its record) and the handlers relocated. Returns false for a malformed
// segment (`windows` is then left unchanged). `consumed` receives the bytes read.
bool ParseTemplate(std::span<const uint8_t> segment, uintptr_t code_base, WindowList* windows,
                   size_t* consumed = nullptr);

// The runtime's process-wide window set.
class WindowSet {
 public:
  WindowSet() = default;
  WindowSet(const WindowSet&) = delete;
  WindowSet& operator=(const WindowSet&) = delete;

  // Loads a segment and appends its windows. Size 0 loads nothing. A malformed
  // segment is a fatal runtime error ("载入窗口模板数据段出错!"); nothing is
  // appended then.
  void Load(const void* segment, size_t size, uintptr_t code_base);

  // Linear search by window id; null when absent.
  WindowRecord* Find(uint32_t window_id);
  const WindowRecord* Find(uint32_t window_id) const;
  size_t Count() const { return windows_.size(); }
  WindowRecord& At(size_t i) { return *windows_[i]; }
  void Clear() { windows_.clear(); }

 private:
  WindowList windows_;  // records keep their addresses while the set grows
};

WindowSet& Windows();

}  // namespace korvex::forms
