// Loading, relocation, in-place field access, replacing variable-length
// fields, the saved copy, and the property block readers.
#include <gtest/gtest.h>

#include <cstring>

#include "app/program_layout.h"
#include "forms/template_loader.h"
#include "forms/window_description.h"
#include "tests/template/template_test_support.h"

namespace korvex::forms {
namespace {

using testing::FatalCapture;
using testing::GeneratedSegment;

constexpr uintptr_t kBase = 0x00500000;

std::unique_ptr<WindowRecord> ParseOne(const std::vector<uint8_t>& segment,
                                       uintptr_t base = kBase) {
  WindowList list;
  size_t consumed = 0;
  EXPECT_TRUE(ParseTemplate(segment, base, &list, &consumed));
  EXPECT_EQ(consumed, segment.size());
  if (list.size() != 1) {
    ADD_FAILURE() << "expected one window, got " << list.size();
    return nullptr;
  }
  return std::move(list[0]);
}

UnitDescription Component(uint32_t id, std::vector<EventBinding> events) {
  UnitDescription u;
  u.id = id;
  u.type = kUnitTypeButton;
  u.name = "button";
  u.events = std::move(events);
  u.property_block = {1, 0, 0, 0};
  return u;
}

// A window with a component of three bindings and two menu items.
WindowDescription MenuWindowDescription() {
  WindowDescription d;
  d.id = 0x52010002;
  UnitDescription window = Component(kWindowUnitId, {});
  window.type = kUnitTypeWindow;
  d.units.push_back(window);
  d.units.push_back(Component(0x16000001, {{0, -1}, {1, 0}, {-2, 0x10}}));
  UnitDescription item;
  item.id = 0x26000002;
  item.type = kUnitTypeMenuItem;
  item.name = "m1";
  item.flags = kMenuItemHidden;
  item.caption = "File";
  item.menu_handler = 0x30;
  d.units.push_back(item);
  item.id = 0x26000003;
  item.caption = "Quit";
  item.menu_handler = -1;
  item.menu_value = 1;  // inside "File"
  d.units.push_back(item);
  return d;
}

std::vector<uint8_t> MenuWindowSegment() {
  const WindowDescription list[] = {MenuWindowDescription()};
  return SerializeWindowTemplate(list);
}

TEST(Relocation, OffsetsBecomeAddresses) {
  EXPECT_EQ(RelocateHandler(-1, kBase), 0u);
  EXPECT_EQ(RelocateHandler(0, kBase), kBase);  // the routine at the code base itself
  EXPECT_EQ(RelocateHandler(0x1A30, kBase), kBase + 0x1A30);
}

TEST(Relocation, ComponentBindingsAndMenuItems) {
  auto w = ParseOne(MenuWindowSegment());
  ASSERT_TRUE(w);
  EXPECT_EQ(w->Handler(1, 0), 0u);  // -1: no handler
  EXPECT_EQ(w->Handler(1, 1), kBase);
  EXPECT_EQ(w->Handler(1, -2), kBase + 0x10);
  EXPECT_EQ(w->Handler(1, 5), 0u);  // no binding

  ASSERT_TRUE(w->IsMenuItem(2));
  ASSERT_TRUE(w->IsMenuItem(3));
  EXPECT_FALSE(w->IsMenuItem(1));
  EXPECT_FALSE(w->IsMenuItem(4));
  EXPECT_EQ(w->Handler(2, 0), kBase + 0x30);  // after the caption
  EXPECT_EQ(w->Handler(3, 0), 0u);
  EXPECT_EQ(std::string(w->MenuCaption(2)), "File");
  EXPECT_EQ(std::string(w->Name(3)), "m1");
}

// Handler fields as Events() reads them back from the record.
std::vector<int32_t> HandlerFields(const WindowRecord& w, int32_t index) {
  std::vector<int32_t> fields;
  for (const EventBinding& e : w.Events(index)) fields.push_back(e.handler);
  return fields;
}

int32_t AsField(uintptr_t address) {
  return static_cast<int32_t>(static_cast<uint32_t>(address));
}

TEST(Relocation, InPlaceBelowTwoGibibytes) {
  // Below the limit the record holds the 32-bit addresses, as in the 32-bit
  // program: -1 becomes 0, offset 0 the code base itself.
  ASSERT_TRUE(RelocatesInPlace(kBase));
  auto w = ParseOne(MenuWindowSegment());
  ASSERT_TRUE(w);
  EXPECT_EQ(HandlerFields(*w, 1), (std::vector<int32_t>{0, AsField(kBase), AsField(kBase + 0x10)}));
  EXPECT_EQ(HandlerFields(*w, 2), std::vector<int32_t>{AsField(kBase + 0x30)});
  EXPECT_EQ(HandlerFields(*w, 3), std::vector<int32_t>{0});
  EXPECT_EQ(w->Events(1)[2].event, -2);

  // 32-bit arithmetic: an offset before a low code base wraps around 4 GiB in
  // the field and in the address the event calls alike.
  ASSERT_TRUE(RelocatesInPlace(0x1000));
  auto d = MenuWindowDescription();
  d.units[1].events = {{0, -0x2000}};
  const WindowDescription list[] = {d};
  auto wrapped = ParseOne(SerializeWindowTemplate(list), 0x1000);
  ASSERT_TRUE(wrapped);
  EXPECT_EQ(wrapped->Handler(1, 0), 0xFFFFF000u);
  EXPECT_EQ(HandlerFields(*wrapped, 1), std::vector<int32_t>{-0x1000});
}

TEST(Relocation, AboveTheLimitTheFieldsKeepTheOffsets) {
  if (sizeof(uintptr_t) == 4) {
    EXPECT_TRUE(RelocatesInPlace(0xFFFFF000u));  // the 32-bit program always relocates in place
  } else {
    // base + the largest offset would no longer fit 32 bits.
    EXPECT_TRUE(RelocatesInPlace(0x80000000u));
    EXPECT_FALSE(RelocatesInPlace(0x80000001u));
    const auto high = static_cast<uintptr_t>(UINT64_C(0x140001000));
    auto w = ParseOne(MenuWindowSegment(), high);
    ASSERT_TRUE(w);
    EXPECT_EQ(HandlerFields(*w, 1), (std::vector<int32_t>{-1, 0, 0x10}));
    EXPECT_EQ(HandlerFields(*w, 2), std::vector<int32_t>{0x30});
    EXPECT_EQ(w->Handler(1, 0), 0u);
    EXPECT_EQ(w->Handler(1, 1), high);
    EXPECT_EQ(w->Handler(2, 0), high + 0x30);
  }
}

// Gives a second unit id to the record of unit 1 of a one-window segment
// with empty window names. Record offsets count from the end of the offset
// array, so the stored offsets stay as they are.
std::vector<uint8_t> ShareRecordOfUnitOne(std::vector<uint8_t> s, uint32_t second_id) {
  constexpr size_t kUnitCountAt = 28, kBufferSizeAt = 32, kBuffer = 36;
  const size_t units = LoadUInt32(s.data() + kUnitCountAt);
  const size_t ids_end = kBuffer + units * 4;
  const size_t offsets_end = ids_end + units * 4;
  const uint8_t* offset = s.data() + ids_end + 4;
  const std::vector<uint8_t> offset_bytes(offset, offset + 4);
  s.insert(s.begin() + static_cast<std::ptrdiff_t>(offsets_end), offset_bytes.begin(),
           offset_bytes.end());
  uint8_t id[4];
  StoreUInt32(id, second_id);
  s.insert(s.begin() + static_cast<std::ptrdiff_t>(ids_end), id, id + 4);
  StoreUInt32(s.data() + kUnitCountAt, static_cast<uint32_t>(units + 1));
  StoreUInt32(s.data() + kBufferSizeAt, LoadUInt32(s.data() + kBufferSizeAt) + 8);
  return s;
}

TEST(Relocation, SharedRecordIsRelocatedOnce) {
  WindowDescription d;
  d.id = 0x52010003;
  UnitDescription window = Component(kWindowUnitId, {});
  window.type = kUnitTypeWindow;
  d.units.push_back(window);
  d.units.push_back(Component(0x16000001, {{0, -1}, {1, 0}}));
  const WindowDescription list[] = {d};
  auto w = ParseOne(ShareRecordOfUnitOne(SerializeWindowTemplate(list), 0x16000002));
  ASSERT_TRUE(w);
  ASSERT_EQ(w->UnitCount(), 3);
  ASSERT_EQ(w->UnitData(1).data(), w->UnitData(2).data());
  for (int32_t unit : {1, 2}) {
    SCOPED_TRACE(unit);
    EXPECT_EQ(w->Handler(unit, 0), 0u);  // still no handler
    EXPECT_EQ(w->Handler(unit, 1), kBase);
    EXPECT_EQ(HandlerFields(*w, unit), (std::vector<int32_t>{0, AsField(kBase)}));
  }
}

// A record read as a component by one unit and as a menu item by another
// would have its handler relocated inside the other reading's fields.
TEST(Relocation, SharedRecordReadTwoWaysIsRefused) {
  WindowDescription d;
  d.id = 0x52010004;
  UnitDescription window = Component(kWindowUnitId, {});
  window.type = kUnitTypeWindow;
  d.units.push_back(window);
  d.units.push_back(Component(0x16000001, {{0, 0x10}}));
  const WindowDescription list[] = {d};
  const auto segment = SerializeWindowTemplate(list);
  ASSERT_TRUE(ParseOne(ShareRecordOfUnitOne(segment, 0x16000002)));
  WindowList windows;
  size_t consumed = 0;
  EXPECT_FALSE(
      ParseTemplate(ShareRecordOfUnitOne(segment, 0x26000002), kBase, &windows, &consumed));
}

TEST(Fields, ReadAndWriteInPlace) {
  auto w = ParseOne(GeneratedSegment());
  ASSERT_TRUE(w);
  const int32_t label = w->FindUnit(app::kHotKeyLabelUnit);
  ASSERT_EQ(label, 2);
  const auto before = std::vector<uint8_t>(w->UnitData(1).begin(), w->UnitData(1).end());
  EXPECT_TRUE(w->WriteField(label, UnitField::kLeft, static_cast<uint32_t>(-300)));
  EXPECT_TRUE(w->WriteField(label, UnitField::kFlags, kUnitVisible | kUnitDisabled));
  EXPECT_TRUE(w->WriteField(label, UnitField::kObjectSlot, 0x12345678));
  EXPECT_EQ(static_cast<int32_t>(w->ReadField(label, UnitField::kLeft)), -300);
  EXPECT_EQ(w->ReadField(label, UnitField::kFlags), kUnitVisible | kUnitDisabled);
  EXPECT_EQ(w->ReadField(label, UnitField::kObjectSlot), 0x12345678u);
  EXPECT_EQ(w->ReadField(label, UnitField::kTop), 24u);  // neighbours untouched
  // Other units are untouched.
  EXPECT_TRUE(std::equal(before.begin(), before.end(), w->UnitData(1).begin()));
  // Out of range.
  EXPECT_FALSE(w->WriteField(6, UnitField::kLeft, 1));
  EXPECT_FALSE(w->WriteField(-1, UnitField::kLeft, 1));
  EXPECT_EQ(w->ReadField(6, UnitField::kLeft), 0u);
  EXPECT_EQ(w->UnitIdAt(6), 0u);
  EXPECT_EQ(w->FindUnit(0x16019999), -1);
  EXPECT_TRUE(w->UnitData(6).empty());
}

TEST(Fields, MenuItemsHaveOnlyObjectSlotFlagsAndLevel) {
  auto w = ParseOne(MenuWindowSegment());
  ASSERT_TRUE(w);
  EXPECT_EQ(w->ReadField(3, UnitField::kMenuLevel), 1u);
  EXPECT_TRUE(w->WriteField(2, UnitField::kMenuLevel, 5));
  EXPECT_EQ(w->ReadField(2, UnitField::kMenuLevel), 5u);
  EXPECT_FALSE(w->WriteField(1, UnitField::kMenuLevel, 1));  // a component has none
  EXPECT_EQ(w->ReadField(2, UnitField::kFlags), kMenuItemHidden);
  EXPECT_TRUE(w->WriteField(2, UnitField::kFlags, 0));
  EXPECT_EQ(w->ReadField(2, UnitField::kFlags), 0u);
  EXPECT_TRUE(w->WriteField(2, UnitField::kObjectSlot, 7));
  EXPECT_EQ(w->ReadField(2, UnitField::kObjectSlot), 7u);
  EXPECT_FALSE(w->WriteField(2, UnitField::kLeft, 1));
  EXPECT_TRUE(w->PropertyBlock(2).empty());
  EXPECT_TRUE(w->Tag(2).empty());
  EXPECT_FALSE(w->SetTag(2, "x"));
  EXPECT_EQ(w->Handler(2, 0), kBase + 0x30);
}

// Every unit other than `changed` keeps its id, index and record bytes.
void ExpectOthersUnchanged(const WindowRecord& before, const WindowRecord& after, int32_t changed) {
  ASSERT_EQ(before.UnitCount(), after.UnitCount());
  for (int32_t i = 0; i < before.UnitCount(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(after.UnitIdAt(i), before.UnitIdAt(i));
    EXPECT_EQ(after.FindUnit(before.UnitIdAt(i)), i);
    if (i == changed) continue;
    const auto a = before.UnitData(i);
    const auto b = after.UnitData(i);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size()));
  }
}

TEST(ReplaceBytes, LongerAndShorterTagKeepEveryUnit) {
  const auto reference = ParseOne(GeneratedSegment());
  auto w = ParseOne(GeneratedSegment());
  ASSERT_TRUE(reference && w);
  const auto original = std::vector<uint8_t>(w->UnitBuffer().begin(), w->UnitBuffer().end());

  for (int32_t unit : {0, 2, 5}) {  // first, middle and last record
    SCOPED_TRACE(unit);
    const size_t size = w->UnitData(unit).size();
    const std::string tag = "a longer tag text";
    ASSERT_TRUE(w->SetTag(unit, tag));
    EXPECT_EQ(std::string(w->Tag(unit)), tag);
    EXPECT_EQ(w->UnitData(unit).size(), size + tag.size());
    EXPECT_EQ(w->UnitBuffer().size(), original.size() + tag.size());
    ExpectOthersUnchanged(*reference, *w, unit);
    // The rest of the changed record reads as before.
    EXPECT_EQ(w->Name(unit), reference->Name(unit));
    EXPECT_EQ(w->ReadField(unit, UnitField::kFlags), reference->ReadField(unit, UnitField::kFlags));
    const auto pa = w->PropertyBlock(unit);
    const auto pb = reference->PropertyBlock(unit);
    ASSERT_EQ(pa.size(), pb.size());
    EXPECT_EQ(0, std::memcmp(pa.data(), pb.data(), pa.size()));
    EXPECT_EQ(w->Events(unit).size(), reference->Events(unit).size());

    ASSERT_TRUE(w->SetTag(unit, "t"));  // shorter than before, longer than empty
    EXPECT_EQ(std::string(w->Tag(unit)), "t");
    EXPECT_EQ(w->UnitData(unit).size(), size + 1);
    ExpectOthersUnchanged(*reference, *w, unit);

    ASSERT_TRUE(w->SetTag(unit, ""));
    ASSERT_EQ(w->UnitBuffer().size(), original.size());
    EXPECT_EQ(0, std::memcmp(w->UnitBuffer().data(), original.data(), original.size()));
  }
}

TEST(ReplaceBytes, MousePointerBlockAndMenuCaption) {
  auto w = ParseOne(GeneratedSegment());
  ASSERT_TRUE(w);
  const auto reference = ParseOne(GeneratedSegment());
  const std::vector<uint8_t> cursor(300, 0xAB);
  ASSERT_TRUE(w->SetMousePointer(3, cursor));
  ASSERT_EQ(w->MousePointer(3).size(), 300u);
  EXPECT_EQ(w->MousePointer(3)[299], 0xAB);
  ExpectOthersUnchanged(*reference, *w, 3);
  ASSERT_TRUE(w->SetMousePointer(3, {}));
  EXPECT_TRUE(w->MousePointer(3).empty());
  EXPECT_EQ(w->UnitData(3).size(), 212u - 4);

  auto m = ParseOne(MenuWindowSegment());
  ASSERT_TRUE(m);
  const auto mref = ParseOne(MenuWindowSegment());
  ASSERT_TRUE(m->SetMenuCaption(2, "Open a file"));
  EXPECT_EQ(std::string(m->MenuCaption(2)), "Open a file");
  EXPECT_EQ(m->Handler(2, 0), kBase + 0x30);
  ExpectOthersUnchanged(*mref, *m, 2);
  EXPECT_FALSE(m->SetMenuCaption(1, "not a menu item"));
}

TEST(ReplaceBytes, RefusesRangesOutsideTheRecordAndBrokenRecords) {
  auto w = ParseOne(GeneratedSegment());
  ASSERT_TRUE(w);
  const auto original = std::vector<uint8_t>(w->UnitBuffer().begin(), w->UnitBuffer().end());
  const uint8_t bytes[] = {1, 2, 3};
  EXPECT_FALSE(w->ReplaceBytes(1, 213, 0, bytes));       // offset past the record
  EXPECT_FALSE(w->ReplaceBytes(1, 200, 13, bytes));      // range past the record
  EXPECT_FALSE(w->ReplaceBytes(1, 0, SIZE_MAX, bytes));  // no wrap-around
  EXPECT_FALSE(w->ReplaceBytes(6, 0, 0, bytes));         // no such unit
  // Growing the mouse-pointer length without its bytes breaks the record.
  UnitLayout l;
  ASSERT_TRUE(w->Layout(1, &l));
  const uint8_t huge_length[] = {0xFF, 0xFF, 0xFF, 0x7F};
  EXPECT_FALSE(w->ReplaceBytes(1, l.mouse_pointer - l.data, 4, huge_length));
  // Cutting the record into its fixed fields breaks it too.
  EXPECT_FALSE(w->ReplaceBytes(1, 30, 182, {}));
  ASSERT_EQ(w->UnitBuffer().size(), original.size());
  EXPECT_EQ(0, std::memcmp(w->UnitBuffer().data(), original.data(), original.size()));
  // The property block may change freely: it belongs to the unit type.
  EXPECT_TRUE(w->ReplaceBytes(1, 116, 96, bytes));
  EXPECT_EQ(w->PropertyBlock(1).size(), 3u);
}

TEST(SavedCopy, RestoreDropsChangesMadeWhileOpen) {
  auto w = ParseOne(GeneratedSegment());
  ASSERT_TRUE(w);
  w->RestoreSavedUnits();  // nothing saved: nothing happens
  EXPECT_FALSE(w->HasSavedUnits());
  const auto original = std::vector<uint8_t>(w->UnitBuffer().begin(), w->UnitBuffer().end());

  w->SaveUnits();
  EXPECT_TRUE(w->HasSavedUnits());
  ASSERT_TRUE(w->WriteField(4, UnitField::kFlags, kUnitVisible | kUnitDisabled));
  ASSERT_TRUE(w->SetTag(1, "changed while open"));
  w->RestoreSavedUnits();
  EXPECT_FALSE(w->HasSavedUnits());
  ASSERT_EQ(w->UnitBuffer().size(), original.size());
  EXPECT_EQ(0, std::memcmp(w->UnitBuffer().data(), original.data(), original.size()));
  EXPECT_EQ(w->ReadField(4, UnitField::kFlags), kUnitVisible | kUnitTabStop);
  EXPECT_EQ(w->Handler(4, 0), kBase + 0x1A30);  // relocation survives
}

class WindowSetTest : public FatalCapture {};

TEST_F(WindowSetTest, SizeZeroLoadsNothing) {
  Windows().Load(nullptr, 0, kBase);
  Windows().Load(GeneratedSegment().data(), 0, kBase);
  EXPECT_EQ(Windows().Count(), 0u);
  EXPECT_EQ(Windows().Find(app::kMainWindowId), nullptr);
}

TEST_F(WindowSetTest, LoadAppendsAndFindsByWindowId) {
  const auto& s = GeneratedSegment();
  Windows().Load(s.data(), s.size(), kBase);
  ASSERT_EQ(Windows().Count(), 1u);
  WindowRecord* w = Windows().Find(app::kMainWindowId);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Handler(0, 0), kBase + 0x45B);
  EXPECT_EQ(Windows().Find(0x52010002), nullptr);

  const auto more = MenuWindowSegment();
  Windows().Load(more.data(), more.size(), kBase);
  ASSERT_EQ(Windows().Count(), 2u);
  EXPECT_EQ(Windows().Find(app::kMainWindowId), w);  // records keep their place
  ASSERT_NE(Windows().Find(0x52010002), nullptr);
  EXPECT_EQ(Windows().Find(0x52010002)->UnitCount(), 4);
}

TEST_F(WindowSetTest, TableSizeIsTruncatedToWholeWindows) {
  for (uint32_t t : {9u, 12u, 15u}) {
    auto s = GeneratedSegment();
    StoreUInt32(s.data(), t);
    WindowList list;
    EXPECT_TRUE(ParseTemplate(s, kBase, &list)) << t;
    EXPECT_EQ(list.size(), 1u);
  }
  // Fewer than 8 bytes: no window at all, the rest is never read.
  const std::vector<uint8_t> empty_table = {7, 0, 0, 0};
  WindowList list;
  size_t consumed = 0;
  EXPECT_TRUE(ParseTemplate(empty_table, kBase, &list, &consumed));
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(consumed, 4u);
}

TEST_F(WindowSetTest, NegativeTextLengthIsEmpty) {
  auto s = GeneratedSegment();
  StoreInt32(s.data() + 20, -5);  // first name
  WindowList list;
  ASSERT_TRUE(ParseTemplate(s, kBase, &list));
  EXPECT_TRUE(list[0]->first_name.empty());
}

// --- Property blocks ------------------------------------------------------------------

TEST(PropertyBlocks, NewerVersionsAreRefused) {
  WindowProperties wp;
  wp.field[1] = 7;
  WindowProperties w_out;
  EXPECT_EQ(ParseWindowProperties(SerializeWindowProperties(wp), &w_out),
            BlockStatus::kNewerVersion);
  LabelProperties lp;
  lp.version = 3;
  LabelProperties l_out;
  EXPECT_EQ(ParseLabelProperties(SerializeLabelProperties(lp), &l_out), BlockStatus::kNewerVersion);
  ButtonProperties bp;
  bp.version = 2;
  ButtonProperties b_out;
  EXPECT_EQ(ParseButtonProperties(SerializeButtonProperties(bp), &b_out),
            BlockStatus::kNewerVersion);
}

TEST(PropertyBlocks, EveryTruncationIsMalformed) {
  WindowProperties wp;
  wp.icon = {1, 2, 3, 4, 5};
  wp.caption = "caption";
  LabelProperties lp;
  lp.has_font = true;
  lp.font = DefaultUiFont();
  lp.caption = "label";
  ButtonProperties bp;
  bp.has_font = true;
  bp.font = DefaultUiFont();
  const auto wb = SerializeWindowProperties(wp);
  const auto lb = SerializeLabelProperties(lp);
  const auto bb = SerializeButtonProperties(bp);
  for (size_t n = 0; n < wb.size(); ++n) {
    const std::vector<uint8_t> cut(wb.begin(), wb.begin() + static_cast<std::ptrdiff_t>(n));
    WindowProperties out;
    EXPECT_EQ(ParseWindowProperties(cut, &out), BlockStatus::kMalformed) << n;
  }
  for (size_t n = 0; n < lb.size(); ++n) {
    const std::vector<uint8_t> cut(lb.begin(), lb.begin() + static_cast<std::ptrdiff_t>(n));
    LabelProperties out;
    EXPECT_EQ(ParseLabelProperties(cut, &out), BlockStatus::kMalformed) << n;
  }
  for (size_t n = 0; n < bb.size(); ++n) {
    const std::vector<uint8_t> cut(bb.begin(), bb.begin() + static_cast<std::ptrdiff_t>(n));
    ButtonProperties out;
    EXPECT_EQ(ParseButtonProperties(cut, &out), BlockStatus::kMalformed) << n;
  }
}

TEST(PropertyBlocks, FontBlockMustHoldOneDescription) {
  ButtonProperties bp;
  bp.has_font = true;
  bp.font = DefaultUiFont();
  auto block = SerializeButtonProperties(bp);
  // Shorten the font block by one byte and fix its length: a 59-byte font.
  const size_t font_length_at = 4 * 4 + 4;  // after version, 3 ints, picture block
  ASSERT_EQ(LoadInt32(block.data() + font_length_at), 60);
  StoreInt32(block.data() + font_length_at, 59);
  block.erase(block.begin() + static_cast<std::ptrdiff_t>(font_length_at + 4 + 59));
  ButtonProperties out;
  EXPECT_EQ(ParseButtonProperties(block, &out), BlockStatus::kMalformed);
  // No font at all means the default font.
  bp.has_font = false;
  ASSERT_EQ(ParseButtonProperties(SerializeButtonProperties(bp), &out), BlockStatus::kOk);
  EXPECT_FALSE(out.has_font);
  EXPECT_EQ(out.caption, testing::Gbk("按钮"));  // the default caption
}

TEST(PropertyBlocks, OlderWindowVersionsKeepDefaults) {
  for (int32_t version = 1; version <= 6; ++version) {
    SCOPED_TRACE(version);
    WindowProperties wp;
    wp.field[1] = version;
    for (int k = 2; k <= 19; ++k) wp.field[k] = 100 + k;  // nothing equal to a default
    wp.text20 = "t20";
    wp.caption = "cap";
    const auto block = SerializeWindowProperties(wp);
    WindowProperties out;
    ASSERT_EQ(ParseWindowProperties(block, &out), BlockStatus::kOk);
    const WindowProperties defaults;
    for (int k = 2; k <= 14; ++k) EXPECT_EQ(out.field[k], 100 + k);
    EXPECT_EQ(out.field[15], version > 1 ? 115 : defaults.field[15]);
    EXPECT_EQ(out.field[16], version > 2 ? 116 : defaults.field[16]);
    EXPECT_EQ(out.field[18], version > 3 ? 118 : defaults.field[18]);
    EXPECT_EQ(out.field[19], version > 4 ? 119 : defaults.field[19]);
    EXPECT_EQ(out.text20, version == 6 ? "t20" : "");
    EXPECT_EQ(out.caption, "cap");
  }
  const WindowProperties defaults;
  EXPECT_EQ(defaults.field[2], 2);
  EXPECT_EQ(defaults.field[3], 1);
  EXPECT_EQ(static_cast<uint32_t>(defaults.field[4]), 0xFF000000u);
  EXPECT_EQ(defaults.field[15], 1);
}

TEST(PropertyBlocks, LabelVersionOneHasNoBindingTexts) {
  LabelProperties lp;
  lp.version = 1;
  lp.caption = "x";
  lp.binding_text1 = "never written";
  const auto block = SerializeLabelProperties(lp);
  LabelProperties out;
  ASSERT_EQ(ParseLabelProperties(block, &out), BlockStatus::kOk);
  EXPECT_EQ(out.caption, "x");
  EXPECT_TRUE(out.binding_text1.empty());
  EXPECT_EQ(block.size(), 17u * 4 + 4 + 4 + 4 + 1);
}

TEST(ErrorText, IsCodePage936) {
  EXPECT_EQ(std::string(kTemplateLoadErrorText), testing::Gbk("载入窗口模板数据段出错!"));
}

}  // namespace
}  // namespace korvex::forms
