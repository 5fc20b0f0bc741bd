#include "forms/template_loader.h"

#include <algorithm>
#include <limits>
#include <map>

#include "runtime/errors.h"

namespace korvex::forms {

namespace {

bool IsMenuItemId(uint32_t unit_id) {
  return UnitKind(unit_id) == kUnitKindMenuItem;
}

}  // namespace

uintptr_t RelocateHandler(int32_t offset, uintptr_t code_base) {
  if (offset == -1) return 0;
  // Offsets are relative to the code base; unsigned arithmetic wraps as the
  // 32-bit address arithmetic of the program does.
  return code_base + static_cast<uintptr_t>(static_cast<intptr_t>(offset));
}

bool RelocatesInPlace(uintptr_t code_base) {
  constexpr uint64_t kLimit = std::numeric_limits<uint32_t>::max() -
                              static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
  return sizeof(uintptr_t) == 4 || static_cast<uint64_t>(code_base) <= kLimit;
}

// --- Parsing ----------------------------------------------------------------------

class TemplateParser {
 public:
  // Relocates each handler field once, however many units share its record: a
  // field rewritten in place must not be read back as an offset.
  struct Relocator {
    WindowRecord* w;
    uintptr_t code_base;
    bool in_place;
    std::map<size_t, uintptr_t> done;  // field position -> address

    void Relocate(int32_t index, int32_t event, size_t field) {
      auto [it, first] = done.try_emplace(field, 0);
      if (first) {
        uint8_t* p = w->units_.data() + field;
        uintptr_t address = RelocateHandler(LoadInt32(p), code_base);
        if (in_place) {
          address = static_cast<uint32_t>(address);
          StoreUInt32(p, static_cast<uint32_t>(address));
        }
        it->second = address;
      }
      w->handlers_.push_back({index, event, it->second});
    }
  };

  // Checks every unit record of a freshly read window and relocates its
  // handlers; false when any record is malformed.
  static bool CheckAndRelocate(WindowRecord* w, uintptr_t code_base) {
    const std::span<const uint8_t> buffer(w->units_);
    const size_t unit_count = static_cast<size_t>(w->unit_count_);
    struct Extent {
      size_t begin, end;
      bool menu_item;
    };
    std::vector<Extent> extents;
    extents.reserve(unit_count);
    Relocator relocator{w, code_base, RelocatesInPlace(code_base), {}};
    for (size_t i = 0; i < unit_count; ++i) {
      const int32_t index = static_cast<int32_t>(i);
      const int32_t offset = LoadInt32(buffer.data() + unit_count * 4 + i * 4);
      if (offset < 0 || static_cast<size_t>(offset) > buffer.size() - w->OffsetArrayEnd()) {
        return false;
      }
      const size_t record = w->OffsetArrayEnd() + static_cast<size_t>(offset);
      UnitLayout l;
      if (!WalkUnitRecord(buffer, record, w->IsMenuItem(index), &l)) return false;
      extents.push_back({record, l.data + l.size, l.menu_item});

      if (l.menu_item) {
        relocator.Relocate(index, 0, l.handler);
      } else {
        for (int32_t e = 0; e < l.event_count; ++e) {
          const size_t pos = l.events + static_cast<size_t>(e) * 8;
          relocator.Relocate(index, LoadInt32(buffer.data() + pos), pos + 4);
        }
      }
    }
    // Records may be shared by several units but must not overlap otherwise:
    // replacing bytes in one record must never move part of another. A shared
    // record is read the same way by all its units (all menu items or none):
    // read both ways, one reading's handler field would lie inside another
    // field of the other, and relocating it would break that reading.
    std::sort(extents.begin(), extents.end(),
              [](const Extent& a, const Extent& b) { return a.begin < b.begin; });
    for (size_t i = 1; i < extents.size(); ++i) {
      const Extent& prev = extents[i - 1];
      const Extent& cur = extents[i];
      if (cur.begin == prev.begin) {  // same record (same size field)
        if (cur.menu_item != prev.menu_item) return false;
        continue;
      }
      if (cur.begin < prev.end) return false;
    }
    return true;
  }

  static bool Parse(std::span<const uint8_t> segment, uintptr_t code_base, WindowList* out,
                    size_t* consumed) {
    ByteReader c(segment);
    const int32_t table_size = c.ReadInt32();
    if (!c.ok() || table_size < 0) return false;
    // A size that is not a multiple of 8 is truncated to whole windows.
    const size_t count = static_cast<size_t>(table_size) / 8;
    if (count > c.remaining() / 8) return false;
    std::vector<uint32_t> ids(count);
    for (uint32_t& id : ids) id = c.ReadUInt32();
    c.Skip(count * 4);  // placeholders

    WindowList loaded;
    loaded.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      auto w = std::make_unique<WindowRecord>();
      w->id = ids[i];
      w->value_a = c.ReadInt32();
      w->value_b = c.ReadInt32();
      w->first_name = std::string(c.ReadCountedText());
      w->second_name = std::string(c.ReadCountedText());
      const int32_t unit_count = c.ReadInt32();
      auto buffer = c.ReadCountedBlock();
      if (!c.ok() || unit_count < 0 || static_cast<size_t>(unit_count) > buffer.size() / 8) {
        return false;
      }
      w->unit_count_ = unit_count;
      w->units_.assign(buffer.begin(), buffer.end());
      if (!CheckAndRelocate(w.get(), code_base)) return false;
      loaded.push_back(std::move(w));
    }
    if (!c.ok()) return false;
    if (consumed) *consumed = c.pos();
    out->reserve(out->size() + loaded.size());
    for (auto& w : loaded) out->push_back(std::move(w));
    return true;
  }
};

bool ParseTemplate(std::span<const uint8_t> segment, uintptr_t code_base, WindowList* windows,
                   size_t* consumed) {
  return TemplateParser::Parse(segment, code_base, windows, consumed);
}

// --- WindowRecord -----------------------------------------------------------------

uint32_t WindowRecord::UnitIdAt(int32_t index) const {
  if (index < 0 || index >= unit_count_) return 0;
  return LoadUInt32(units_.data() + static_cast<size_t>(index) * 4);
}

int32_t WindowRecord::FindUnit(uint32_t unit_id) const {
  for (int32_t i = 0; i < unit_count_; ++i) {
    if (UnitIdAt(i) == unit_id) return i;
  }
  return -1;
}

bool WindowRecord::IsMenuItem(int32_t index) const {
  return index >= 0 && index < unit_count_ && IsMenuItemId(UnitIdAt(index));
}

size_t WindowRecord::RecordPos(int32_t index) const {
  const size_t at = static_cast<size_t>(unit_count_) * 4 + static_cast<size_t>(index) * 4;
  return OffsetArrayEnd() + static_cast<size_t>(LoadInt32(units_.data() + at));
}

bool WindowRecord::Layout(int32_t index, UnitLayout* layout) const {
  if (index < 0 || index >= unit_count_) return false;
  return WalkUnitRecord(units_, RecordPos(index), IsMenuItem(index), layout);
}

std::span<uint8_t> WindowRecord::UnitData(int32_t index) {
  UnitLayout l;
  if (!Layout(index, &l)) return {};
  return {units_.data() + l.data, l.size};
}

std::span<const uint8_t> WindowRecord::UnitData(int32_t index) const {
  UnitLayout l;
  if (!Layout(index, &l)) return {};
  return {units_.data() + l.data, l.size};
}

std::span<const uint8_t> WindowRecord::PropertyBlock(int32_t index) const {
  UnitLayout l;
  if (!Layout(index, &l) || l.menu_item) return {};
  return {units_.data() + l.property_block, l.property_length};
}

uint32_t WindowRecord::UnitType(int32_t index) const {
  UnitLayout l;
  return Layout(index, &l) ? l.unit_type : 0;
}

namespace {
std::string_view TextAt(const std::vector<uint8_t>& buffer, size_t pos, size_t length) {
  return {reinterpret_cast<const char*>(buffer.data()) + pos, length};
}
}  // namespace

std::string_view WindowRecord::Name(int32_t index) const {
  UnitLayout l;
  return Layout(index, &l) ? TextAt(units_, l.name, l.name_length) : std::string_view();
}

std::string_view WindowRecord::Remark(int32_t index) const {
  UnitLayout l;
  return Layout(index, &l) ? TextAt(units_, l.remark, l.remark_length) : std::string_view();
}

std::string_view WindowRecord::Tag(int32_t index) const {
  UnitLayout l;
  if (!Layout(index, &l) || l.menu_item) return {};
  return TextAt(units_, l.tag, l.tag_length);
}

std::span<const uint8_t> WindowRecord::MousePointer(int32_t index) const {
  UnitLayout l;
  if (!Layout(index, &l) || l.menu_item) return {};
  return {units_.data() + l.mouse_pointer + 4, l.mouse_pointer_length};
}

std::string_view WindowRecord::MenuCaption(int32_t index) const {
  UnitLayout l;
  if (!Layout(index, &l) || !l.menu_item) return {};
  return TextAt(units_, l.caption, l.caption_length);
}

std::vector<EventBinding> WindowRecord::Events(int32_t index) const {
  std::vector<EventBinding> events;
  UnitLayout l;
  if (!Layout(index, &l)) return events;
  if (l.menu_item) {
    events.push_back({0, LoadInt32(units_.data() + l.handler)});
    return events;
  }
  for (int32_t e = 0; e < l.event_count; ++e) {
    const uint8_t* p = units_.data() + l.events + static_cast<size_t>(e) * 8;
    events.push_back({LoadInt32(p), LoadInt32(p + 4)});
  }
  return events;
}

bool WindowRecord::FieldPos(int32_t index, UnitField field, size_t* pos) const {
  UnitLayout l;
  if (!Layout(index, &l)) return false;
  if (l.menu_item) {
    if (field == UnitField::kObjectSlot)
      *pos = l.object_slot;
    else if (field == UnitField::kFlags)
      *pos = l.flags;
    else if (field == UnitField::kMenuLevel)
      *pos = l.menu_value;
    else
      return false;
    return true;
  }
  switch (field) {
    case UnitField::kObjectSlot:
      *pos = l.object_slot;
      break;
    case UnitField::kLeft:
      *pos = l.geometry;
      break;
    case UnitField::kTop:
      *pos = l.geometry + 4;
      break;
    case UnitField::kWidth:
      *pos = l.geometry + 8;
      break;
    case UnitField::kHeight:
      *pos = l.geometry + 12;
      break;
    case UnitField::kPointerSlot:
      *pos = l.pointer_slot;
      break;
    case UnitField::kParent:
      *pos = l.parent;
      break;
    case UnitField::kFlags:
      *pos = l.flags;
      break;
    case UnitField::kFocusOrder:
      *pos = l.focus_order;
      break;
    default:
      return false;
  }
  return true;
}

uint32_t WindowRecord::ReadField(int32_t index, UnitField field) const {
  size_t pos;
  return FieldPos(index, field, &pos) ? LoadUInt32(units_.data() + pos) : 0;
}

bool WindowRecord::WriteField(int32_t index, UnitField field, uint32_t value) {
  size_t pos;
  if (!FieldPos(index, field, &pos)) return false;
  StoreUInt32(units_.data() + pos, value);
  return true;
}

bool WindowRecord::ReplaceBytes(int32_t index, size_t offset, size_t old_length,
                                std::span<const uint8_t> bytes) {
  UnitLayout l;
  if (!Layout(index, &l)) return false;
  if (offset > l.size || old_length > l.size - offset) return false;
  constexpr size_t kMax = static_cast<size_t>(std::numeric_limits<int32_t>::max());
  const size_t new_size = l.size - old_length + bytes.size();
  if (bytes.size() > kMax || new_size > kMax || units_.size() - old_length > kMax - bytes.size()) {
    return false;
  }

  // Build the changed buffer aside so a failed check leaves the record as it was.
  std::vector<uint8_t> changed;
  changed.reserve(units_.size() - old_length + bytes.size());
  const auto at = units_.begin() + static_cast<std::ptrdiff_t>(l.data + offset);
  changed.insert(changed.end(), units_.begin(), at);
  changed.insert(changed.end(), bytes.begin(), bytes.end());
  changed.insert(changed.end(), at + static_cast<std::ptrdiff_t>(old_length), units_.end());
  StoreInt32(changed.data() + l.record, static_cast<int32_t>(new_size));

  // Records after this one move by the difference (offsets stay in int32 range
  // because the whole buffer does).
  const int64_t diff = static_cast<int64_t>(bytes.size()) - static_cast<int64_t>(old_length);
  const size_t offsets = static_cast<size_t>(unit_count_) * 4;
  for (int32_t i = 0; i < unit_count_; ++i) {
    uint8_t* p = changed.data() + offsets + static_cast<size_t>(i) * 4;
    const int32_t stored = LoadInt32(p);
    if (OffsetArrayEnd() + static_cast<size_t>(stored) > l.record) {
      StoreInt32(p, static_cast<int32_t>(stored + diff));
    }
  }

  // Every unit that shares the record must still walk.
  for (int32_t i = 0; i < unit_count_; ++i) {
    if (RecordPos(i) != l.record) continue;
    UnitLayout check;
    if (!WalkUnitRecord(changed, l.record, IsMenuItem(i), &check)) return false;
  }
  units_ = std::move(changed);
  return true;
}

bool WindowRecord::SetTag(int32_t index, std::string_view tag) {
  UnitLayout l;
  if (!Layout(index, &l) || l.menu_item) return false;
  const size_t end = tag.find('\0');
  if (end != std::string_view::npos) tag = tag.substr(0, end);
  ByteWriter w;
  w.ZeroText(tag);
  return ReplaceBytes(index, l.tag - l.data, l.tag_length + 1, w.bytes());
}

bool WindowRecord::SetMousePointer(int32_t index, std::span<const uint8_t> block) {
  UnitLayout l;
  if (!Layout(index, &l) || l.menu_item) return false;
  if (block.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
  ByteWriter w;
  w.CountedBlock(block);
  return ReplaceBytes(index, l.mouse_pointer - l.data, 4 + l.mouse_pointer_length, w.bytes());
}

bool WindowRecord::SetMenuCaption(int32_t index, std::string_view caption) {
  UnitLayout l;
  if (!Layout(index, &l) || !l.menu_item) return false;
  const size_t end = caption.find('\0');
  if (end != std::string_view::npos) caption = caption.substr(0, end);
  ByteWriter w;
  w.ZeroText(caption);
  return ReplaceBytes(index, l.caption - l.data, l.caption_length + 1, w.bytes());
}

uintptr_t WindowRecord::Handler(int32_t index, int32_t event) const {
  for (const Resolved& r : handlers_) {
    if (r.unit == index && r.event == event) return r.address;
  }
  return 0;
}

void WindowRecord::SaveUnits() {
  saved_ = units_;
  has_saved_ = true;
}

void WindowRecord::RestoreSavedUnits() {
  if (!has_saved_) return;
  units_ = std::move(saved_);
  saved_.clear();
  has_saved_ = false;
}

// --- WindowSet --------------------------------------------------------------------

void WindowSet::Load(const void* segment, size_t size, uintptr_t code_base) {
  if (size == 0) return;
  // Every count and length is checked against the bytes left before anything
  // is allocated for it, so a template cannot ask for more memory than a
  // small multiple of its own size: a malformed one fails here, never in the
  // allocator.
  const bool ok = segment != nullptr &&
                  ParseTemplate({static_cast<const uint8_t*>(segment), size}, code_base, &windows_);
  if (!ok) korvex::ReportError(kTemplateLoadErrorText, 0, 0, 0);
}

WindowRecord* WindowSet::Find(uint32_t window_id) {
  for (auto& w : windows_) {
    if (w->id == window_id) return w.get();
  }
  return nullptr;
}

const WindowRecord* WindowSet::Find(uint32_t window_id) const {
  for (const auto& w : windows_) {
    if (w->id == window_id) return w.get();
  }
  return nullptr;
}

WindowSet& Windows() {
  static WindowSet set;
  return set;
}

}  // namespace korvex::forms
