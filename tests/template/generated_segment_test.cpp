// The generated segment of the program's window, read back field by field.
#include <gtest/gtest.h>

#include "forms/icon_image.h"
#include "forms/template_loader.h"
#include "tests/template/template_test_support.h"

namespace korvex::forms {
namespace {

using testing::Gbk;
using testing::GeneratedIcon;
using testing::GeneratedSegment;

constexpr uintptr_t kCodeBase = 0x00401000;

struct ExpectedUnit {
  uint32_t id;
  uint32_t type;
  const char* name;  // UTF-8
  int32_t record_size;
  int32_t left, top, width, height;
  uint32_t flags;
  std::vector<EventBinding> events;
};

const std::vector<ExpectedUnit>& Table() {
  static const std::vector<ExpectedUnit> table = {
      {0x06010000, 0x10001, "", 15323, 50, 50, 350, 85, 1, {{0, 0x45B}, {1, 0x1F0A}}},
      {0x1601015B, 0x1000B, "按钮3", 212, 120, 13, 100, 30, 5, {{0, 0xC7}}},
      {0x16010106, 0x1000A, "标签1", 264, -2, 24, 15, 15, 0, {{0, 0x2005}}},
      {0x16010103, 0x1000B, "按钮2", 212, 230, 13, 100, 30, 5, {{0, 0x1E24}}},
      {0x16010102, 0x1000B, "按钮1", 212, 10, 13, 100, 30, 5, {{0, 0x1A30}}},
      {0x16010087, 0x20001, "ZIP压缩1", 111, -10, -4, 24, 24, 0, {}},
  };
  return table;
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t pos) {
  return LoadUInt32(b.data() + pos);
}

bool AllZero(std::span<const uint8_t> bytes) {
  for (uint8_t b : bytes) {
    if (b != 0) return false;
  }
  return true;
}

// The loaded unit buffer is the segment's, except in the handler fields: those
// hold the 32-bit addresses where the load relocates in place and the stored
// offsets otherwise.
void ExpectLoadedBuffer(const WindowRecord& w, const std::vector<uint8_t>& segment,
                        uintptr_t code_base) {
  std::vector<uint8_t> expected(segment.begin() + 0x24, segment.end());
  const auto& table = Table();
  for (int32_t i = 0; i < w.UnitCount(); ++i) {
    UnitLayout l;
    ASSERT_TRUE(w.Layout(i, &l));
    const auto& events = table[static_cast<size_t>(i)].events;
    ASSERT_EQ(l.event_count, static_cast<int32_t>(events.size()));
    for (size_t k = 0; k < events.size(); ++k) {
      uint8_t* field = expected.data() + l.events + k * 8 + 4;
      ASSERT_EQ(LoadInt32(field), events[k].handler) << "unit " << i;  // as stored
      if (RelocatesInPlace(code_base)) {
        StoreUInt32(field,
                    static_cast<uint32_t>(code_base + static_cast<uint32_t>(events[k].handler)));
      }
    }
  }
  const auto loaded = w.UnitBuffer();
  ASSERT_EQ(loaded.size(), expected.size());
  for (size_t pos = 0; pos < expected.size(); ++pos) {
    ASSERT_EQ(loaded[pos], expected[pos]) << "unit buffer byte " << pos;
  }
}

class GeneratedSegmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ParseTemplate(GeneratedSegment(), kCodeBase, &windows_, &consumed_));
    ASSERT_EQ(windows_.size(), 1u);
    w_ = windows_[0].get();
  }
  WindowList windows_;
  size_t consumed_ = 0;
  WindowRecord* w_ = nullptr;
};

TEST_F(GeneratedSegmentTest, SegmentHeaderAndSizes) {
  const auto& s = GeneratedSegment();
  EXPECT_EQ(s.size(), 16442u);
  EXPECT_EQ(consumed_, 16442u);
  EXPECT_EQ(U32At(s, 0), 8u);            // T: one window
  EXPECT_EQ(U32At(s, 4), 0x52010001u);   // its id
  EXPECT_EQ(U32At(s, 8), 0u);            // placeholder
  EXPECT_EQ(U32At(s, 12), 0x025D0C88u);  // A
  EXPECT_EQ(U32At(s, 16), 0x19010010u);  // B
  EXPECT_EQ(U32At(s, 20), 0u);           // empty names
  EXPECT_EQ(U32At(s, 24), 0u);
  EXPECT_EQ(U32At(s, 28), 6u);      // units
  EXPECT_EQ(U32At(s, 32), 16406u);  // unit buffer size
  // The unit buffer starts at 0x24 and runs to the end of the segment.
  ASSERT_EQ(w_->UnitBuffer().size(), 16406u);
  ExpectLoadedBuffer(*w_, s, kCodeBase);

  EXPECT_EQ(w_->id, 0x52010001u);
  EXPECT_EQ(w_->value_a, 0x025D0C88);
  EXPECT_EQ(w_->value_b, 0x19010010);
  EXPECT_TRUE(w_->first_name.empty());
  EXPECT_TRUE(w_->second_name.empty());
}

TEST_F(GeneratedSegmentTest, EveryUnitMatchesTheTable) {
  const auto& table = Table();
  ASSERT_EQ(w_->UnitCount(), static_cast<int32_t>(table.size()));
  int32_t expected_offset = 0;
  for (int32_t i = 0; i < w_->UnitCount(); ++i) {
    const ExpectedUnit& e = table[static_cast<size_t>(i)];
    SCOPED_TRACE(::testing::Message() << "unit " << i);
    EXPECT_EQ(w_->UnitIdAt(i), e.id);
    EXPECT_EQ(w_->FindUnit(e.id), i);
    EXPECT_FALSE(w_->IsMenuItem(i));
    EXPECT_EQ(w_->UnitType(i), e.type);
    EXPECT_EQ(std::string(w_->Name(i)), Gbk(e.name));
    EXPECT_EQ(w_->UnitData(i).size(), static_cast<size_t>(e.record_size));

    // Records follow each other in table order.
    const size_t offsets = 6 * 4;
    EXPECT_EQ(LoadInt32(w_->UnitBuffer().data() + offsets + static_cast<size_t>(i) * 4),
              expected_offset);
    expected_offset += 4 + e.record_size;

    EXPECT_EQ(static_cast<int32_t>(w_->ReadField(i, UnitField::kLeft)), e.left);
    EXPECT_EQ(static_cast<int32_t>(w_->ReadField(i, UnitField::kTop)), e.top);
    EXPECT_EQ(static_cast<int32_t>(w_->ReadField(i, UnitField::kWidth)), e.width);
    EXPECT_EQ(static_cast<int32_t>(w_->ReadField(i, UnitField::kHeight)), e.height);
    EXPECT_EQ(w_->ReadField(i, UnitField::kFlags), e.flags);

    // Everything the table leaves at zero or empty.
    EXPECT_EQ(w_->ReadField(i, UnitField::kObjectSlot), 0u);
    EXPECT_EQ(w_->ReadField(i, UnitField::kPointerSlot), 0u);
    EXPECT_EQ(w_->ReadField(i, UnitField::kParent), 0u);
    EXPECT_EQ(w_->ReadField(i, UnitField::kFocusOrder), 0u);
    EXPECT_TRUE(w_->Remark(i).empty());
    EXPECT_TRUE(w_->Tag(i).empty());
    UnitLayout l;
    ASSERT_TRUE(w_->Layout(i, &l));
    EXPECT_EQ(l.child_count, 0);
    const auto buffer = w_->UnitBuffer();
    EXPECT_TRUE(AllZero(buffer.subspan(l.data + 4, 20)));             // reserved
    EXPECT_TRUE(AllZero(buffer.subspan(l.flags - 4, 4)));             // reserved
    EXPECT_TRUE(AllZero(buffer.subspan(l.property_block - 20, 20)));  // reserved
    EXPECT_EQ(LoadInt32(buffer.data() + l.mouse_pointer), 4);         // 4-byte block
    ASSERT_EQ(w_->MousePointer(i).size(), 4u);
    EXPECT_TRUE(AllZero(w_->MousePointer(i)));  // standard pointer 0

    // Bindings relocated against the code base (the fields: ExpectLoadedBuffer).
    const auto events = w_->Events(i);
    ASSERT_EQ(events.size(), e.events.size());
    for (size_t k = 0; k < events.size(); ++k) {
      EXPECT_EQ(events[k].event, e.events[k].event);
      EXPECT_EQ(w_->Handler(i, e.events[k].event),
                kCodeBase + static_cast<uintptr_t>(e.events[k].handler));
    }
  }
  EXPECT_EQ(w_->Handler(5, 0), 0u);  // the compression unit has no events
  EXPECT_EQ(w_->Handler(0, 2), 0u);  // nor the window a binding for event 2
}

TEST(GeneratedSegmentAboveTheLimit, KeepsTheStoredOffsets) {
  if (sizeof(uintptr_t) == 4) GTEST_SKIP() << "every 32-bit code base relocates in place";
  const auto base = static_cast<uintptr_t>(UINT64_C(0x140001000));
  ASSERT_FALSE(RelocatesInPlace(base));
  WindowList windows;
  ASSERT_TRUE(ParseTemplate(GeneratedSegment(), base, &windows));
  ASSERT_EQ(windows.size(), 1u);
  ExpectLoadedBuffer(*windows[0], GeneratedSegment(), base);
  EXPECT_EQ(windows[0]->Handler(4, 0), base + 0x1A30);
}

void ExpectProgramFont(const FontDescription& f) {
  EXPECT_EQ(f.height, -12);
  EXPECT_EQ(f.width, 0);
  EXPECT_EQ(f.escapement, 0);
  EXPECT_EQ(f.orientation, 0);
  EXPECT_EQ(f.weight, 400);
  EXPECT_EQ(f.italic, 0);
  EXPECT_EQ(f.underline, 0);
  EXPECT_EQ(f.strike_out, 0);
  EXPECT_EQ(f.charset, 134);
  EXPECT_EQ(f.out_precision, 3);
  EXPECT_EQ(f.clip_precision, 2);
  EXPECT_EQ(f.quality, 1);
  EXPECT_EQ(f.pitch_and_family, 0x22);
  EXPECT_EQ(std::string(f.FaceName()), Gbk("微软雅黑"));
  EXPECT_TRUE(AllZero({f.face + 8, kFontFaceSize - 8}));  // padded with zeros
}

TEST_F(GeneratedSegmentTest, WindowPropertyBlock) {
  WindowProperties p;
  ASSERT_EQ(ParseWindowProperties(w_->PropertyBlock(0), &p), BlockStatus::kOk);
  const int32_t expected[20] = {
      0, 6, 2, 1, static_cast<int32_t>(0xFF000000), 0, 1, 1, 1, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0};
  for (int k = 1; k <= 19; ++k) EXPECT_EQ(p.field[k], expected[k]) << "field " << k;
  EXPECT_TRUE(p.text20.empty());
  EXPECT_TRUE(p.block21.empty());
  EXPECT_EQ(p.icon, GeneratedIcon());
  EXPECT_EQ(p.icon.size(), 15086u);
  EXPECT_TRUE(p.block23.empty());
  EXPECT_EQ(p.caption, "Korvex 5.6.1.10516");
  EXPECT_TRUE(p.text25.empty());
  EXPECT_EQ(w_->PropertyBlock(0).size(), 15204u);
}

TEST_F(GeneratedSegmentTest, LabelPropertyBlock) {
  LabelProperties p;
  ASSERT_EQ(ParseLabelProperties(w_->PropertyBlock(2), &p), BlockStatus::kOk);
  EXPECT_EQ(p.version, 2);
  EXPECT_EQ(p.text_effect, 0);
  EXPECT_EQ(p.border_width, 8);
  EXPECT_EQ(p.border_style, 0);
  EXPECT_EQ(p.border_colours[0], 0x808080u);
  EXPECT_EQ(p.border_colours[1], 0xFFFFFFu);
  EXPECT_EQ(p.border_colours[2], 0x808080u);
  EXPECT_EQ(p.text_colour, 0u);
  EXPECT_EQ(p.background_colour, 0xFF000000u);
  EXPECT_EQ(p.picture_mode, 1);
  EXPECT_EQ(p.gradient_mode, 0);
  EXPECT_EQ(p.gradient_colours[0], 0x808080u);
  EXPECT_EQ(p.gradient_colours[1], 0xFFFFFFu);
  EXPECT_EQ(p.gradient_colours[2], 0x808080u);
  EXPECT_EQ(p.horizontal_alignment, 0);
  EXPECT_EQ(p.vertical_alignment, 1);
  EXPECT_EQ(p.word_wrap, 0);
  ASSERT_TRUE(p.has_font);
  ExpectProgramFont(p.font);
  EXPECT_TRUE(p.picture.empty());
  EXPECT_TRUE(p.caption.empty());
  EXPECT_TRUE(p.binding_text1.empty());
  EXPECT_TRUE(p.binding_text2.empty());
}

TEST_F(GeneratedSegmentTest, ButtonPropertyBlocks) {
  const struct {
    int32_t index;
    const char* caption;
  } buttons[] = {{1, "手动安装"}, {3, "一键卸载"}, {4, "一键安装"}};
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.caption);
    ButtonProperties p;
    ASSERT_EQ(ParseButtonProperties(w_->PropertyBlock(b.index), &p), BlockStatus::kOk);
    EXPECT_EQ(p.version, 1);
    EXPECT_EQ(p.type, 0);
    EXPECT_EQ(p.horizontal_alignment, 1);
    EXPECT_EQ(p.vertical_alignment, 1);
    EXPECT_TRUE(p.picture.empty());
    ASSERT_TRUE(p.has_font);
    ExpectProgramFont(p.font);
    EXPECT_EQ(p.caption, Gbk(b.caption));
  }
  EXPECT_TRUE(w_->PropertyBlock(5).empty());  // compression unit
}

TEST(ProgramIcon, DirectoryAndImageHeaders) {
  const auto& icon = GeneratedIcon();
  ASSERT_EQ(icon.size(), 15086u);
  std::vector<IconEntry> entries;
  ASSERT_TRUE(ReadIconDirectory(icon, &entries));
  ASSERT_EQ(entries.size(), 3u);
  const int32_t sizes[] = {48, 32, 16};
  const uint32_t mask_rows[] = {8, 4, 4};  // 1-bit rows padded to 4 bytes
  uint32_t offset = 6 + 3 * 16;
  for (size_t i = 0; i < 3; ++i) {
    const IconEntry& e = entries[i];
    const int32_t s = sizes[i];
    SCOPED_TRACE(s);
    EXPECT_EQ(e.width, s);
    EXPECT_EQ(e.height, s);
    EXPECT_EQ(e.colour_count, 0);
    EXPECT_EQ(e.planes, 1);
    EXPECT_EQ(e.bit_count, 32);
    EXPECT_EQ(e.bytes,
              40 + static_cast<uint32_t>(s * s * 4) + mask_rows[i] * static_cast<uint32_t>(s));
    EXPECT_EQ(e.offset, offset);
    offset += e.bytes;
    EXPECT_EQ(e.header_size, 40u);
    EXPECT_EQ(e.header_width, s);
    EXPECT_EQ(e.header_height, 2 * s);
    EXPECT_EQ(e.header_planes, 1);
    EXPECT_EQ(e.header_bit_count, 32);
    EXPECT_EQ(e.compression, 0u);
  }
  EXPECT_EQ(offset, icon.size());  // the images fill the file
}

TEST(ProgramIcon, MaskFollowsAlphaAndEmblemIsDrawn) {
  const auto& icon = GeneratedIcon();
  std::vector<IconEntry> entries;
  ASSERT_TRUE(ReadIconDirectory(icon, &entries));
  for (const IconEntry& e : entries) {
    SCOPED_TRACE(e.width);
    const size_t w = static_cast<size_t>(e.width);
    const uint8_t* pixels = icon.data() + e.offset + 40;  // bottom row first
    const uint8_t* mask = pixels + w * w * 4;
    const size_t stride = (w + 31) / 32 * 4;
    size_t opaque = 0;
    for (size_t y = 0; y < w; ++y) {
      for (size_t x = 0; x < w; ++x) {
        const uint8_t alpha = pixels[(y * w + x) * 4 + 3];
        const bool masked = (mask[y * stride + x / 8] & (0x80 >> (x % 8))) != 0;
        EXPECT_EQ(masked, alpha == 0) << x << "," << y;
        if (alpha == 255) ++opaque;
      }
    }
    // Transparent corners, an opaque middle, and a shape covering much of it.
    EXPECT_EQ(pixels[3], 0);
    EXPECT_EQ(pixels[(w - 1) * 4 + 3], 0);
    EXPECT_EQ(pixels[((w / 2) * w + w / 2) * 4 + 3], 255);
    EXPECT_GT(opaque, w * w / 2);
  }
}

// One image at offset 22 behind a one-entry directory of the given type.
std::vector<uint8_t> OneImageFile(uint16_t type, std::span<const uint8_t> image, uint32_t bytes) {
  ByteWriter w;
  w.Zeros(2);
  w.Byte(static_cast<uint8_t>(type));
  w.Byte(0);
  w.Byte(1);
  w.Byte(0);
  w.Zeros(4);  // 256 x 256, no palette, reserved
  w.Byte(5);
  w.Byte(0);  // planes, or a cursor's hot spot x
  w.Byte(7);
  w.Byte(0);  // bit count, or hot spot y
  w.UInt32(bytes);
  w.UInt32(22);
  w.Bytes(image);
  return w.Take();
}

TEST(IconDirectory, PngImagesFileTypeAndBounds) {
  const uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
  std::vector<IconEntry> entries;
  // A PNG image has no bitmap header, and is no malformed one.
  ASSERT_TRUE(ReadIconDirectory(OneImageFile(kIconFileType, png, sizeof png), &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(entries[0].png);
  EXPECT_EQ(entries[0].width, 256);
  EXPECT_EQ(entries[0].header_size, 0u);
  // A cursor file is read only as one, with its hot spot where planes and bit count are.
  const auto cursor = OneImageFile(kCursorFileType, png, sizeof png);
  EXPECT_FALSE(ReadIconDirectory(cursor, &entries));
  ASSERT_TRUE(ReadIconDirectory(cursor, &entries, kCursorFileType));
  EXPECT_EQ(entries[0].planes, 5);
  EXPECT_EQ(entries[0].bit_count, 7);
  // An image that runs past the end of the file.
  EXPECT_FALSE(ReadIconDirectory(OneImageFile(kIconFileType, png, sizeof png + 1), &entries));
}

}  // namespace
}  // namespace korvex::forms
