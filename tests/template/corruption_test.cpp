// Malformed segments: each one ends in the fatal report "载入窗口模板数据段出错!"
// without touching memory outside the segment (the host build runs this under
// AddressSanitizer with exact-size copies) and without appending a window.
#include <gtest/gtest.h>

#include <functional>

#include "forms/template_loader.h"
#include "runtime/errors.h"
#include "tests/template/template_test_support.h"

namespace korvex::forms {
namespace {

using testing::ExpectFatalLoad;
using testing::FatalCapture;
using testing::GeneratedSegment;

// Offsets in the generated segment.
constexpr size_t kTableSize = 0;
constexpr size_t kFirstName = 20;
constexpr size_t kUnitCount = 28;
constexpr size_t kBufferSize = 32;
constexpr size_t kBuffer = 0x24;
constexpr size_t kOffsets = kBuffer + 6 * 4;  // the unit offset array

// Where unit `index`'s fields lie in the segment.
UnitLayout LayoutOf(int32_t index) {
  WindowList list;
  EXPECT_TRUE(ParseTemplate(GeneratedSegment(), 0, &list));
  UnitLayout l;
  EXPECT_TRUE(list.at(0)->Layout(index, &l));
  // Unit buffer offsets -> segment offsets.
  for (size_t* p : {&l.record, &l.data, &l.children, &l.mouse_pointer, &l.tag, &l.events,
                    &l.property_block, &l.name}) {
    *p += kBuffer;
  }
  return l;
}

struct Corruption {
  const char* what;
  std::function<void(std::vector<uint8_t>&)> apply;
};

void Put(std::vector<uint8_t>& s, size_t at, int32_t v) {
  StoreInt32(s.data() + at, v);
}

std::vector<Corruption> Corruptions() {
  const UnitLayout window = LayoutOf(0);
  const UnitLayout button = LayoutOf(1);
  const UnitLayout zip = LayoutOf(5);
  const size_t child_count_at = button.children - 4;
  const size_t event_count_at = button.events - 4;
  return {
      {"negative table size", [](auto& s) { Put(s, kTableSize, -8); }},
      {"table beyond the data", [](auto& s) { Put(s, kTableSize, 0x7FFFFFF8); }},
      {"two windows, one present", [](auto& s) { Put(s, kTableSize, 16); }},
      {"first name beyond the data", [](auto& s) { Put(s, kFirstName, 0x7FFFFFFF); }},
      {"second name beyond the data", [](auto& s) { Put(s, kFirstName + 4, 16500); }},
      {"negative unit count", [](auto& s) { Put(s, kUnitCount, -1); }},
      {"unit count beyond the buffer", [](auto& s) { Put(s, kUnitCount, 0x10000000); }},
      {"unit arrays larger than the buffer", [](auto& s) { Put(s, kUnitCount, 2051); }},
      {"negative buffer size", [](auto& s) { Put(s, kBufferSize, -16406); }},
      {"buffer beyond the data", [](auto& s) { Put(s, kBufferSize, 16407); }},
      {"buffer one byte short of its last record",
       [](auto& s) {
         Put(s, kBufferSize, 16405);
         s.pop_back();
       }},
      {"negative unit offset", [](auto& s) { Put(s, kOffsets + 4, -4); }},
      {"unit offset beyond the buffer", [](auto& s) { Put(s, kOffsets + 8, 0x7FFFFFF0); }},
      {"unit offset at the buffer end", [](auto& s) { Put(s, kOffsets + 20, 16406 - 48); }},
      {"unit offset inside another record", [](auto& s) { Put(s, kOffsets + 4, 8); }},
      {"record overlapping the next",
       [window](auto& s) { Put(s, window.record, static_cast<int32_t>(window.size + 4)); }},
      {"negative record size", [zip](auto& s) { Put(s, zip.record, -1); }},
      {"record size beyond the buffer", [zip](auto& s) { Put(s, zip.record, 112); }},
      {"record shorter than its fixed fields", [zip](auto& s) { Put(s, zip.record, 110); }},
      {"record of only its type", [zip](auto& s) { Put(s, zip.record, 4); }},
      {"name without terminator inside the record", [zip](auto& s) { Put(s, zip.record, 30); }},
      {"negative child count", [child_count_at](auto& s) { Put(s, child_count_at, -1); }},
      {"child count beyond the record",
       [child_count_at](auto& s) { Put(s, child_count_at, 0x40000000); }},
      {"negative mouse-pointer length", [button](auto& s) { Put(s, button.mouse_pointer, -4); }},
      {"mouse pointer beyond the record",
       [button](auto& s) { Put(s, button.mouse_pointer, 0x7FFFFFFF); }},
      {"negative event count", [event_count_at](auto& s) { Put(s, event_count_at, -1); }},
      {"event count beyond the record",
       [event_count_at](auto& s) { Put(s, event_count_at, 0x20000000); }},
      {"events running into the reserved tail",
       [event_count_at](auto& s) { Put(s, event_count_at, 15); }},
      {"tag without terminator",
       [button](auto& s) {
         // Fill the record from the tag on with non-zero bytes.
         std::fill(s.begin() + static_cast<std::ptrdiff_t>(button.tag),
                   s.begin() + static_cast<std::ptrdiff_t>(button.data + button.size), 0x41);
       }},
  };
}

class TemplateCorruption : public FatalCapture {};

TEST_F(TemplateCorruption, EachCaseEndsInTheLoadError) {
  for (const Corruption& c : Corruptions()) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> s = GeneratedSegment();
    c.apply(s);
    const testing::FatalError e = ExpectFatalLoad(s);
    EXPECT_EQ(e.code, 0);
    EXPECT_EQ(e.text.rfind(kTemplateLoadErrorText, 0), 0u) << e.text;
  }
}

TEST_F(TemplateCorruption, EveryTruncationEndsInTheLoadError) {
  const auto& full = GeneratedSegment();
  std::vector<size_t> lengths = {1, 3, 4, 8, 11, 12, 20, 27, 28, 35, 36, 84, 87, 88, 100, 208};
  for (size_t n = 209; n < full.size(); n += 61) lengths.push_back(n);
  for (size_t n = full.size() - 300; n < full.size(); ++n) lengths.push_back(n);
  for (size_t n : lengths) {
    SCOPED_TRACE(n);
    const std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    const testing::FatalError e = ExpectFatalLoad(cut);
    EXPECT_EQ(e.text.rfind(kTemplateLoadErrorText, 0), 0u);
  }
}

TEST_F(TemplateCorruption, NullSegmentWithASizeIsAnError) {
  const std::optional<testing::FatalError> e =
      testing::FatalErrorOf([] { Windows().Load(nullptr, 16, 0); });
  if (!e) {
    ADD_FAILURE() << "no error";
  } else {
    EXPECT_EQ(e->text.rfind(kTemplateLoadErrorText, 0), 0u);
  }
}

TEST_F(TemplateCorruption, GoodSegmentAfterABadOneStillLoads) {
  std::vector<uint8_t> bad = GeneratedSegment();
  Put(bad, kUnitCount, -1);
  ExpectFatalLoad(bad);
  korvex::ResetProgramEndForTesting();
  const auto& good = GeneratedSegment();
  Windows().Load(good.data(), good.size(), 0);
  EXPECT_EQ(Windows().Count(), 1u);
}

}  // namespace
}  // namespace korvex::forms
