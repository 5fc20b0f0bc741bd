// The allocator, the value layouts and the value helpers.
#include <cstring>
#include <string>
#include <vector>

#include "runtime/arg_record.h"
#include "runtime/library_record.h"
#include "tests/runtime/runtime_test_support.h"

namespace korvex {
namespace {

using testing::Capture;
using testing::Gbk;

class ValuesTest : public testing::RuntimeTest {};

// A few constants laid out like the program's constant segment.
alignas(8) const uint8_t kConstants[] = {
    'a', 'b', 'c', 0,                             // a text at offset 0
    1,   0,   0,   0, 3, 0, 0, 0, 'x', 'y', 'z',  // a byte set at offset 4
};

std::vector<int32_t> ArrayBlock(std::initializer_list<int32_t> words) {
  return words;
}

TEST_F(ValuesTest, TextLengthAndNullRules) {
  EXPECT_EQ(TextLength(nullptr), 0);
  EXPECT_EQ(TextLength(""), 0);
  EXPECT_EQ(TextLength("\xB4\xED\xCE\xF3"), 4);
  // Lengths around word boundaries from every starting alignment.
  char buffer[40];
  for (int start = 0; start < 8; ++start) {
    for (int n = 0; n < 20; ++n) {
      std::memset(buffer, 'q', sizeof buffer);
      buffer[start + n] = '\0';
      EXPECT_EQ(TextLength(buffer + start), n);
    }
  }
}

TEST_F(ValuesTest, ConcatAlwaysMakesOneNewBlock) {
  int32_t before = LiveAllocationCount();
  const char* empties[] = {nullptr, "", nullptr};
  char* joined = ConcatTexts(3, empties);
  ASSERT_NE(joined, nullptr);
  EXPECT_STREQ(joined, "");
  EXPECT_EQ(LiveAllocationCount(), before + 1);
  Free(joined);

  char* parts = Concat("cmd /c ", static_cast<const char*>(nullptr), "\"", "x y", "\"");
  EXPECT_STREQ(parts, "cmd /c \"x y\"");
  EXPECT_EQ(LiveAllocationCount(), before + 1);
  Free(parts);

  // A single part is still copied.
  const char* one = "same";
  char* copy = Concat(one);
  EXPECT_NE(copy, one);
  EXPECT_STREQ(copy, "same");
  Free(copy);
  EXPECT_EQ(LiveAllocationCount(), before);
}

TEST_F(ValuesTest, CompareRules) {
  EXPECT_EQ(CompareTexts(nullptr, nullptr), 0);
  EXPECT_EQ(CompareTexts(nullptr, ""), 0);
  EXPECT_EQ(CompareTexts("", nullptr), 0);
  EXPECT_EQ(CompareTexts(nullptr, "a"), -1);
  EXPECT_EQ(CompareTexts("a", nullptr), 1);
  EXPECT_EQ(CompareTexts("abc", "abc"), 0);
  EXPECT_EQ(CompareTexts("abc", "abd"), -1);
  EXPECT_EQ(CompareTexts("abd", "abc"), 1);
  EXPECT_EQ(CompareTexts("ab", "abc"), -1);
  EXPECT_EQ(CompareTexts("abc", "ab"), 1);
  // Case-sensitive, unsigned bytes: 0xB4 sorts after 'z'.
  EXPECT_EQ(CompareTexts("A", "a"), -1);
  EXPECT_EQ(CompareTexts("\xB4", "z"), 1);
  EXPECT_EQ(CompareTexts("z", "\xB4"), -1);
}

TEST_F(ValuesTest, ElementCounts) {
  auto empty = ArrayBlock({1, 0});
  auto none = ArrayBlock({0});
  auto grid = ArrayBlock({2, 3, 4, 0, 0});
  auto negative = ArrayBlock({2, -3, 4});
  void* first = nullptr;
  EXPECT_EQ(ElementCount(empty.data(), &first), 0);
  EXPECT_EQ(first, empty.data() + 2);
  EXPECT_EQ(ElementCount(none.data(), &first), 0);
  EXPECT_EQ(first, none.data() + 1);
  EXPECT_EQ(ElementCount(grid.data(), &first), 12);
  EXPECT_EQ(first, grid.data() + 3);
  EXPECT_EQ(ElementCount(negative.data()), 0);
  EXPECT_EQ(ElementCountOrZero(nullptr), 0);
  EXPECT_EQ(ElementCountOrZero(grid.data()), 12);
}

TEST_F(ValuesTest, ConstantSegmentIsNeverFreedOrResizedInPlace) {
  SetConstantSegment(kConstants, sizeof kConstants);
  EXPECT_TRUE(IsInConstantSegment(kConstants));
  EXPECT_TRUE(IsInConstantSegment(kConstants + sizeof kConstants - 1));
  EXPECT_FALSE(IsInConstantSegment(kConstants + sizeof kConstants));

  int32_t before = LiveAllocationCount();
  Free(const_cast<uint8_t*>(kConstants));  // ignored
  Free(nullptr);                           // ignored
  EXPECT_EQ(LiveAllocationCount(), before);

  // Growing a constant text: a new block with the bytes up to the segment end.
  void* grown = Reallocate(const_cast<uint8_t*>(kConstants + 4), 64);
  ASSERT_NE(grown, kConstants + 4);
  EXPECT_FALSE(IsInConstantSegment(grown));
  EXPECT_EQ(std::memcmp(grown, kConstants + 4, sizeof kConstants - 4), 0);
  EXPECT_EQ(kConstants[12], 'x');
  EXPECT_EQ(LiveAllocationCount(), before + 1);
  Free(grown);

  // Shrinking copies only what was asked for.
  auto* shrunk = static_cast<char*>(Reallocate(const_cast<uint8_t*>(kConstants), 2));
  EXPECT_EQ(shrunk[0], 'a');
  EXPECT_EQ(shrunk[1], 'b');
  Free(shrunk);

  // Heap blocks resize normally and keep their bytes.
  auto* block = static_cast<char*>(Reallocate(nullptr, 4));
  std::memcpy(block, "wxyz", 4);
  block = static_cast<char*>(Reallocate(block, 4000));
  EXPECT_EQ(std::memcmp(block, "wxyz", 4), 0);
  EXPECT_EQ(LiveAllocationCount(), before + 1);
  Free(block);
  EXPECT_EQ(LiveAllocationCount(), before);

  ClearConstantSegment();
  EXPECT_FALSE(IsInConstantSegment(kConstants));
}

TEST_F(ValuesTest, AllocationFailureReportsTheByteCountAndEnds) {
  SetAllocationLimitForTesting(1000);
  SetErrorHandler(testing::CapturingHandler);
  EXPECT_EQ(testing::RunToEnd([] { Allocate(123456); }), testing::Ended(0xFFFFFFFFu))
      << "allocation failure returned";
  ASSERT_EQ(Capture().handled.size(), 1u);
  EXPECT_EQ(Capture().handled[0].first, 0);
  EXPECT_EQ(Capture().handled[0].second, Gbk("分配 123456 字节内存失败!") + "\r\n0, 0\r\n");
  EXPECT_TRUE(Capture().boxes.empty());

  // Reallocation fails the same way, for a heap block as for a constant.
  testing::Rearm(testing::CapturingHandler);
  void* block = Allocate(16);
  EXPECT_TRUE(testing::RunToEnd([&] { Reallocate(block, 5000); }).ended());
  EXPECT_EQ(Capture().handled.back().second, Gbk("分配 5000 字节内存失败!") + "\r\n0, 0\r\n");
  Free(block);

  // A negative count never reaches the heap.
  testing::Rearm();
  EXPECT_TRUE(testing::RunToEnd([&] { Allocate(-8); }).ended());
  ASSERT_EQ(Capture().boxes.size(), 1u);
  EXPECT_NE(Capture().boxes[0].find(Gbk("分配 -8 字节内存失败!")), std::string::npos);
}

TEST_F(ValuesTest, PlainAllocationServiceReturnsNull) {
  SetAllocationLimitForTesting(100);
  EXPECT_EQ(RuntimeService(kServiceAllocate, 5000, 1), 0);
  EXPECT_EQ(TryAllocate(5000), nullptr);
  EXPECT_FALSE(ProgramEndStarted());
  EXPECT_TRUE(testing::RunToEnd([&] { RuntimeService(kServiceAllocate, 5000, 0); }).ended());

  testing::Rearm();
  int32_t before = LiveAllocationCount();
  auto p = RuntimeService(kServiceAllocate, 10, 0);
  ASSERT_NE(p, 0);
  p = RuntimeService(kServiceReallocate, p, 90);
  ASSERT_NE(p, 0);
  EXPECT_EQ(LiveAllocationCount(), before + 1);
  RuntimeService(kServiceFree, p, 0);
  EXPECT_EQ(LiveAllocationCount(), before);
}

// The message of the allocation failure that `action` ends the program with.
std::string AllocationFailure(void (*action)()) {
  testing::Rearm(testing::CapturingHandler);
  Capture() = testing::Captured{};
  EXPECT_TRUE(testing::RunToEnd([&] { action(); }).ended());
  return Capture().handled.empty() ? std::string() : Capture().handled.back().second;
}

TEST_F(ValuesTest, CountsNoBlockCanHoldFailWithTheirFullSize) {
  // Header or terminator added to the largest length: nothing is cut or wrapped.
  EXPECT_EQ(AllocationFailure([] { NewText("x", INT32_MAX); }),
            Gbk("分配 2147483648 字节内存失败!") + "\r\n0, 0\r\n");
  EXPECT_EQ(AllocationFailure([] { NewByteSet("x", INT32_MAX - 7); }),
            Gbk("分配 2147483648 字节内存失败!") + "\r\n0, 0\r\n");
  alignas(8) static const int32_t kHugeArray[] = {1, INT32_MAX};
  EXPECT_EQ(AllocationFailure([] {
              SetConstantSegment(kHugeArray, sizeof kHugeArray);
              void* array = const_cast<int32_t*>(kHugeArray);
              MakeArrayPrivate(4, &array);
            }),
            Gbk("分配 8589934596 字节内存失败!") + "\r\n0, 0\r\n");

  if (sizeof(intptr_t) > 4) {
    // A library's word-sized count above 32 bits is never cut to its low half.
    const intptr_t huge = static_cast<intptr_t>((int64_t{1} << 32) + 16);
    EXPECT_EQ(RuntimeService(kServiceAllocate, huge, 1), 0);
    EXPECT_EQ(AllocationFailure([] {
                RuntimeService(kServiceAllocate, static_cast<intptr_t>((int64_t{1} << 32) + 16), 0);
              }),
              Gbk("分配 4294967312 字节内存失败!") + "\r\n0, 0\r\n");
    void* block = Allocate(8);
    static intptr_t moving;
    moving = reinterpret_cast<intptr_t>(block);
    EXPECT_NE(AllocationFailure([] {
                RuntimeService(kServiceReallocate, moving,
                               static_cast<intptr_t>((int64_t{1} << 32) + 16));
              }).find(Gbk("分配 4294967312 字节")),
              std::string::npos);
    Free(block);
  }
}

TEST_F(ValuesTest, ConcatBeyondWhatABlockHoldsFailsWithTheFullSize) {
  // 2048 parts of one real 1 MiB text: 2^31 bytes, and the terminator.
  static const std::string part(size_t{1} << 20, 't');
  static const std::vector<const char*> parts(2048, part.c_str());
  EXPECT_EQ(
      AllocationFailure([] { ConcatTexts(static_cast<int32_t>(parts.size()), parts.data()); }),
      Gbk("分配 2147483649 字节内存失败!") + "\r\n0, 0\r\n");
}

// An array block of pointer elements, allocated like the program does.
void* NewPointerArray(std::initializer_list<void*> items) {
  int32_t n = static_cast<int32_t>(items.size());
  auto* block = static_cast<uint8_t*>(Allocate(8 + n * kPointerElementWidth));
  int32_t header[2] = {1, n};
  std::memcpy(block, header, sizeof header);
  int32_t i = 0;
  for (void* item : items) {
    std::memcpy(block + 8 + i * kPointerElementWidth, &item, sizeof item);
    ++i;
  }
  return block;
}

TEST_F(ValuesTest, FreeArrayFreesTextAndByteSetElements) {
  int32_t before = LiveAllocationCount();
  void* texts = NewPointerArray({NewText("a", 1), nullptr, NewText("bc", 2)});
  EXPECT_EQ(LiveAllocationCount(), before + 3);
  RuntimeService(kServiceFreeArray, tag::kText | tag::kArrayFlag,
                 reinterpret_cast<intptr_t>(texts));
  EXPECT_EQ(LiveAllocationCount(), before);

  void* sets = NewPointerArray({NewByteSet("xy", 2)});
  FreeArrayValue(tag::kByteSet | tag::kArrayFlag, sets);
  EXPECT_EQ(LiveAllocationCount(), before);

  // Integer elements are values, not blocks: only the array goes.
  auto* ints = static_cast<int32_t*>(Allocate(16));
  ints[0] = 1;
  ints[1] = 2;
  ints[2] = 7;
  ints[3] = 9;
  FreeArrayValue(tag::kInt | tag::kArrayFlag, ints);
  EXPECT_EQ(LiveAllocationCount(), before);
  FreeArrayValue(tag::kText | tag::kArrayFlag, nullptr);
}

TEST_F(ValuesTest, ByteSetsAndTexts) {
  EXPECT_EQ(NewText("abc", 0), nullptr);
  EXPECT_EQ(NewByteSet("abc", 0), nullptr);
  EXPECT_EQ(ByteSetLength(nullptr), 0);
  EXPECT_EQ(ByteSetData(nullptr), nullptr);
  void* set = NewByteSet("\0\1\2", 3);
  EXPECT_EQ(ElementCount(set), 3);
  EXPECT_EQ(ByteSetLength(set), 3);
  EXPECT_EQ(ByteSetData(set)[2], 2);
  Free(set);
  char* text = NewText("hello", 4);
  EXPECT_STREQ(text, "hell");
  Free(text);
}

TEST_F(ValuesTest, PrivateCopyOfAConstantArray) {
  alignas(8) static const int32_t kConstantArray[] = {1, 3, 10, 20, 30};
  SetConstantSegment(kConstantArray, sizeof kConstantArray);
  void* array = const_cast<int32_t*>(kConstantArray);
  int32_t before = LiveAllocationCount();
  MakeArrayPrivate(4, &array);
  ASSERT_NE(array, kConstantArray);
  EXPECT_EQ(std::memcmp(array, kConstantArray, sizeof kConstantArray), 0);
  EXPECT_EQ(LiveAllocationCount(), before + 1);
  // Already private: left as it is.
  void* same = array;
  MakeArrayPrivate(4, &array);
  EXPECT_EQ(array, same);
  Free(array);
}

}  // namespace
}  // namespace korvex
