// The byte-set and conversion commands, called as the program calls them:
// through argument records, with results owned by the caller.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "runtime/arg_record.h"
#include "runtime/errors.h"
#include "runtime/values.h"
#include "tests/runtime/runtime_test_support.h"

namespace korvex {
namespace {

// Owns a value that a command returned (or a test made) and frees it.
class Owned {
 public:
  explicit Owned(void* p = nullptr) : p_(p) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { Free(p_); }
  void* get() const { return p_; }

 private:
  void* p_;
};

std::string BytesOf(const void* byte_set) {
  return std::string(reinterpret_cast<const char*>(ByteSetData(byte_set)),
                     static_cast<size_t>(ByteSetLength(byte_set)));
}

ArgRecord Text(const char* text) {
  return MakePointer(text, tag::kText);
}
ArgRecord Bytes(const void* byte_set) {
  return MakePointer(byte_set, tag::kByteSet);
}
ArgRecord Double(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return {static_cast<uint32_t>(bits), static_cast<uint32_t>(bits >> 32), tag::kDouble};
}

ArgRecord Call(CommandEntry command, std::vector<ArgRecord> args) {
  ArgRecord result = {0, 0, 0};
  command(&result, static_cast<int32_t>(args.size()), args.data());
  return result;
}

// --- ToByteSetCmd ------------------------------------------------------------

std::string ToBytes(const ArgRecord& value, bool* was_null = nullptr) {
  const ArgRecord r = Call(ToByteSetCmd, {value});
  Owned result(PointerOf(r));
  if (was_null != nullptr) *was_null = result.get() == nullptr;
  return BytesOf(result.get());
}

TEST(ToByteSet, TextsGiveTheirBytesWithoutTerminator) {
  EXPECT_EQ(ToBytes(Text("abc")), "abc");
  const std::string gbk = testing::Gbk("一键安装");
  EXPECT_EQ(ToBytes(Text(gbk.c_str())), gbk);
  bool was_null = false;
  EXPECT_EQ(ToBytes(Text(""), &was_null), "");
  EXPECT_TRUE(was_null);
}

TEST(ToByteSet, FixedSizeValuesGiveTheirValueBytesLowFirst) {
  EXPECT_EQ(ToBytes(MakeInt(1)), std::string("\x01\x00\x00\x00", 4));
  EXPECT_EQ(ToBytes(MakeBool(true)), std::string("\x01\x00\x00\x00", 4));
  EXPECT_EQ(ToBytes({0x1234, 0, tag::kByte}), "\x34");
  EXPECT_EQ(ToBytes({0xABCD, 0, tag::kShort}), "\xCD\xAB");
  EXPECT_EQ(ToBytes({0x04030201, 0x08070605, tag::kLong}), "\x01\x02\x03\x04\x05\x06\x07\x08");
  const std::string d = ToBytes(Double(1.5));
  ASSERT_EQ(d.size(), 8u);
  double back;
  std::memcpy(&back, d.data(), 8);
  EXPECT_EQ(back, 1.5);
  EXPECT_EQ(ToBytes({0x11223344, 0x55667788, tag::kDateTime}).size(), 8u);
  EXPECT_EQ(ToBytes({0x11223344, 0x55667788, tag::kSubroutine}), "\x44\x33\x22\x11");
  EXPECT_EQ(ToBytes({1, 2, tag::kStatementArg}).size(), 8u);
}

TEST(ToByteSet, ByteSetIsAnIndependentCopy) {
  Owned source(NewByteSet("xyz", 3));
  const ArgRecord r = Call(ToByteSetCmd, {Bytes(source.get())});
  Owned copy(PointerOf(r));
  ASSERT_NE(copy.get(), source.get());
  ByteSetData(source.get())[0] = 'Q';
  EXPECT_EQ(BytesOf(copy.get()), "xyz");

  bool was_null = false;
  ToBytes(Bytes(nullptr), &was_null);
  EXPECT_TRUE(was_null);
}

TEST(ToByteSet, NumericArraysGiveTheirElements) {
  // A one-dimensional array of three integers.
  const int32_t array[5] = {1, 3, 0x0A0B0C0D, 2, -1};
  EXPECT_EQ(ToBytes(MakePointer(array, tag::kInt | tag::kArrayFlag)),
            std::string("\x0D\x0C\x0B\x0A\x02\x00\x00\x00\xFF\xFF\xFF\xFF", 12));
  const uint8_t bytes_array[10] = {1, 0, 0, 0, 2, 0, 0, 0, 7, 9};
  EXPECT_EQ(ToBytes(MakePointer(bytes_array, tag::kByte | tag::kArrayFlag)), "\x07\x09");
  const int32_t empty[2] = {1, 0};
  bool was_null = false;
  ToBytes(MakePointer(empty, tag::kDouble | tag::kArrayFlag), &was_null);
  EXPECT_TRUE(was_null);
}

TEST(ToByteSet, OtherValuesGiveNothing) {
  const int32_t text_array[2] = {1, 0};
  for (const ArgRecord& v : {MakePointer(text_array, tag::kText | tag::kArrayFlag),
                             ArgRecord{5, 0, 0x40000001},            // program-defined
                             ArgRecord{5, 0, tag::kCoreWindowType},  // library-defined
                             ArgRecord{5, 0, 0x80000007},            // unlisted system type
                             MakeOmitted()}) {
    bool was_null = false;
    EXPECT_EQ(ToBytes(v, &was_null), "") << std::hex << v.tag;
    EXPECT_TRUE(was_null) << std::hex << v.tag;
  }
}

// --- GetByteSetDataCmd -------------------------------------------------------

class GetByteSetData : public ::testing::Test {
 protected:
  // Runs the command on `bytes` with the type code and optional position.
  ArgRecord Get(const std::string& bytes, int32_t code, const ArgRecord* position = nullptr) {
    void* source = NewByteSet(bytes.data(), static_cast<int32_t>(bytes.size()));
    values_.push_back(source);
    std::vector<ArgRecord> args = {Bytes(source), MakeInt(code)};
    if (position != nullptr) args.push_back(*position);
    ArgRecord r = Call(GetByteSetDataCmd, args);
    if (r.tag == tag::kText) values_.push_back(PointerOf(r));
    return r;
  }
  void TearDown() override {
    for (void* v : values_) Free(v);
  }
  static std::string TextOf(const ArgRecord& r) {
    const char* t = PointerOf<const char>(r);
    return t != nullptr ? t : "<null>";
  }

 private:
  std::vector<void*> values_;
};

TEST_F(GetByteSetData, EachCodeReadsItsTypeAndSetsTheTag) {
  const std::string eight("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
  struct Case {
    int32_t code;
    uint32_t tag;
    uint32_t low, high;
  } cases[] = {
      {1, tag::kByte, 0x01, 0},        {2, tag::kShort, 0x0201, 0},
      {3, tag::kInt, 0x04030201, 0},   {4, tag::kLong, 0x04030201, 0x08070605},
      {5, tag::kFloat, 0x04030201, 0}, {9, tag::kSubroutine, 0x04030201, 0},
  };
  for (const Case& c : cases) {
    ArgRecord r = Get(eight, c.code);
    EXPECT_EQ(r.tag, c.tag) << c.code;
    EXPECT_EQ(r.low, c.low) << c.code;
    EXPECT_EQ(r.high, c.high) << c.code;
  }
  const double value = -2.25;
  std::string d(8, '\0');
  std::memcpy(d.data(), &value, 8);
  ArgRecord r = Get(d, 6);
  EXPECT_EQ(r.tag, tag::kDouble);
  EXPECT_EQ(DoubleOf(r), -2.25);
}

TEST_F(GetByteSetData, BooleanIsTrueForAnyNonZeroWord) {
  ArgRecord r = Get(std::string("\x00\x00\x00\x80", 4), 7);
  EXPECT_EQ(r.tag, tag::kBool);
  EXPECT_EQ(r.low, 1u);
  EXPECT_EQ(Get(std::string(4, '\0'), 7).low, 0u);
  EXPECT_EQ(Get(std::string("\x00\x00\x00\x00\x01", 5), 7).low, 0u);  // only 4 bytes count
}

TEST_F(GetByteSetData, MissingBytesReadAsZero) {
  ArgRecord r = Get("\x34\x12", 3);
  EXPECT_EQ(r.low, 0x1234u);
  r = Get("\x01\x02\x03", 4);
  EXPECT_EQ(r.low, 0x030201u);
  EXPECT_EQ(r.high, 0u);
  r = Get("", 3);
  EXPECT_EQ(r.tag, tag::kInt);
  EXPECT_EQ(r.low, 0u);
}

TEST_F(GetByteSetData, DatesAreClampedToTheDateRange) {
  auto date = [&](double d) {
    std::string bytes(8, '\0');
    std::memcpy(bytes.data(), &d, 8);
    ArgRecord r = Get(bytes, 8);
    EXPECT_EQ(r.tag, tag::kDateTime);
    return DoubleOf(r);
  };
  EXPECT_EQ(date(1e9), 2958465.0);
  EXPECT_EQ(date(-1e9), -657434.0);
  EXPECT_EQ(date(std::numeric_limits<double>::quiet_NaN()), 2958465.0);
  EXPECT_EQ(date(std::numeric_limits<double>::infinity()), 2958465.0);
  EXPECT_EQ(date(-std::numeric_limits<double>::infinity()), -657434.0);
  EXPECT_EQ(date(45000.5), 45000.5);
  EXPECT_EQ(date(2958465.0), 2958465.0);
}

TEST_F(GetByteSetData, TextStopsAtTheFirstZeroByte) {
  ArgRecord r = Get(std::string("Korvex\0more", 11), 10);
  EXPECT_EQ(r.tag, tag::kText);
  EXPECT_EQ(TextOf(r), "Korvex");
  EXPECT_EQ(TextOf(Get("no zero", 10)), "no zero");
  r = Get(std::string("\0abc", 4), 10);
  EXPECT_EQ(r.tag, tag::kText);
  EXPECT_EQ(TextOf(r), "<null>");
  EXPECT_EQ(TextOf(Get("", 10)), "<null>");
}

TEST_F(GetByteSetData, PositionValueCountsFromOne) {
  const std::string bytes("\x01\x02\x03\x04\x05\x06", 6);
  ArgRecord pos = MakeInt(3);
  EXPECT_EQ(Get(bytes, 2, &pos).low, 0x0403u);
  pos = MakeInt(5);
  EXPECT_EQ(Get(bytes, 3, &pos).low, 0x0605u);  // two bytes left, zeros above
  for (int32_t p : {0, -4, 7, 100, INT32_MAX, INT32_MIN}) {
    pos = MakeInt(p);
    ArgRecord r = Get(bytes, 4, &pos);
    EXPECT_EQ(r.low, 0u) << p;
    EXPECT_EQ(r.high, 0u) << p;
  }
  pos = MakeOmitted();
  EXPECT_EQ(Get(bytes, 1, &pos).low, 1u);
  pos = MakeInt(4);
  EXPECT_EQ(TextOf(Get(std::string("ab\0cd\0", 6), 10, &pos)), "cd");
}

TEST_F(GetByteSetData, PositionVariableAdvancesAndEndsAtMinusOne) {
  const std::string bytes("\x01\x00\x00\x00\x02\x00\x00\x00", 8);
  int32_t position = 1;
  ArgRecord var = MakePointer(&position, tag::kInt | tag::kArrayFlag);
  EXPECT_EQ(Get(bytes, 3, &var).low, 1u);
  EXPECT_EQ(position, 5);
  EXPECT_EQ(Get(bytes, 3, &var).low, 2u);
  EXPECT_EQ(position, -1);

  // A short read still advances by the whole width.
  position = 7;
  EXPECT_EQ(Get(bytes, 2, &var).low, 0u);
  EXPECT_EQ(position, -1);
  position = 6;
  Get(bytes, 1, &var);
  EXPECT_EQ(position, 7);

  // Texts advance past their zero byte, or to the end without one.
  const std::string texts("ab\0cde\0f", 8);
  position = 1;
  EXPECT_EQ(TextOf(Get(texts, 10, &var)), "ab");
  EXPECT_EQ(position, 4);
  EXPECT_EQ(TextOf(Get(texts, 10, &var)), "cde");
  EXPECT_EQ(position, 8);
  EXPECT_EQ(TextOf(Get(texts, 10, &var)), "f");
  EXPECT_EQ(position, -1);

  // A huge position does not overflow.
  position = INT32_MAX;
  Get(bytes, 4, &var);
  EXPECT_EQ(position, -1);
}

TEST(GetByteSetDataFatal, CodesOutsideOneToTenEndTheProgram) {
  const std::string message = testing::Gbk("“欲取出数据的类型”参数值无效");
  for (int32_t code : {0, 11, -1, INT32_MIN}) {
    testing::Rearm(testing::CapturingHandler);
    testing::Capture() = testing::Captured{};
    Owned source(NewByteSet("abcd", 4));
    const int32_t live = LiveAllocationCount();
    const testing::EndOutcome end = testing::RunToEnd([&] {
      Call(GetByteSetDataCmd, {Bytes(source.get()), MakeInt(code)});
    });
    if (end.returned()) ADD_FAILURE() << "code " << code << " returned";
    EXPECT_EQ(end.exit_code, kFatalExitCode);
    ASSERT_EQ(testing::Capture().handled.size(), 1u) << code;
    EXPECT_EQ(testing::Capture().handled[0].second.compare(0, message.size(), message), 0) << code;
    EXPECT_EQ(LiveAllocationCount(), live);
  }
  ResetProgramEndForTesting();
  SetProcessExitForTesting(nullptr);
}

// --- The small ones ------------------------------------------------------------

TEST(BlankByteSet, ZeroBytesOfTheLength) {
  for (int32_t n : {0, -5, INT32_MIN}) {
    EXPECT_EQ(PointerOf(Call(BlankByteSetCmd, {MakeInt(n)})), nullptr) << n;
  }
  Owned blank(PointerOf(Call(BlankByteSetCmd, {MakeInt(3)})));
  EXPECT_EQ(BytesOf(blank.get()), std::string(3, '\0'));
}

// Sizes that no byte set can have end the program as an allocation failure
// naming the bytes asked for; nothing is allocated or written. The heap
// refuses anything above a small limit, so a wrong request fails cleanly.
TEST(ByteSetSizes, BeyondWhatABlockCanHoldIsAnAllocationFailure) {
  const int32_t huge_array[2] = {1, INT32_MAX};  // claims 2^31 - 1 integers
  struct Case {
    CommandEntry command;
    ArgRecord arg;
    const char* bytes;
  } cases[] = {
      {BlankByteSetCmd, MakeInt(INT32_MAX - 7), "2147483648"},  // with the header
      {ToByteSetCmd, MakePointer(huge_array, tag::kInt | tag::kArrayFlag), "8589934596"},
  };
  SetAllocationLimitForTesting(1 << 20);
  for (const Case& c : cases) {
    testing::Rearm(testing::CapturingHandler);
    testing::Capture() = testing::Captured{};
    const int32_t live = LiveAllocationCount();
    if (testing::RunToEnd([&] { Call(c.command, {c.arg}); }).returned()) {
      ADD_FAILURE() << c.bytes << " returned";
    }
    const std::string message = testing::Gbk(std::string("分配 ") + c.bytes + " 字节内存失败!");
    ASSERT_EQ(testing::Capture().handled.size(), 1u) << c.bytes;
    EXPECT_EQ(testing::Capture().handled[0].second.compare(0, message.size(), message), 0)
        << testing::Capture().handled[0].second;
    EXPECT_EQ(LiveAllocationCount(), live);
  }
  SetAllocationLimitForTesting(0);
  ResetProgramEndForTesting();
  SetProcessExitForTesting(nullptr);
}

TEST(PointerToByteSet, CopiesFromTheAddress) {
  const char memory[] = "\x10\x20\x30\x40";
  Owned copy(PointerOf(Call(PointerToByteSetCmd, {MakePointer(memory, tag::kInt), MakeInt(3)})));
  EXPECT_EQ(BytesOf(copy.get()), "\x10\x20\x30");
  EXPECT_EQ(PointerOf(Call(PointerToByteSetCmd, {MakePointer(memory, tag::kInt), MakeInt(0)})),
            nullptr);
  EXPECT_EQ(PointerOf(Call(PointerToByteSetCmd, {MakePointer(nullptr, tag::kInt), MakeInt(0)})),
            nullptr);
}

TEST(ByteSetLength, LengthOfDataOnly) {
  EXPECT_EQ(IntOf(Call(ByteSetLengthCmd, {Bytes(nullptr)})), 0);
  Owned five(NewByteSet("12345", 5));
  EXPECT_EQ(IntOf(Call(ByteSetLengthCmd, {Bytes(five.get())})), 5);
}

TEST(BitOr, OrOfTheLowWords) {
  EXPECT_EQ(IntOf(Call(BitOrCmd, {MakeInt(0x100), MakeInt(1)})), 0x101);
  EXPECT_EQ(IntOf(Call(BitOrCmd, {MakeInt(0x40)})), 0x40);
  EXPECT_EQ(IntOf(Call(BitOrCmd, {MakeInt(1), MakeInt(2), ArgRecord{4, 0xFFFF, tag::kLong}})), 7);
}

}  // namespace
}  // namespace korvex
