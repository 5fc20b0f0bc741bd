#include "base/byte_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace {

using korvex::ByteReader;

TEST(ByteReader, ReadsUpToTheLastByteAndNotOneMore) {
  const uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7};
  ByteReader r(bytes, 7);
  EXPECT_EQ(r.ReadUInt32(), 0x04030201u);
  EXPECT_EQ(r.ReadUInt16(), 0x0605u);
  EXPECT_EQ(r.ReadUInt16(), 0u);  // one byte left: fails without moving
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.pos(), 6u);
  EXPECT_EQ(r.remaining(), 1u);

  ByteReader skip(bytes, 7);
  EXPECT_TRUE(skip.Skip(7));
  EXPECT_TRUE(skip.Seek(7));
  EXPECT_FALSE(skip.Seek(8));
  ByteReader huge(bytes, 7);
  huge.ReadByte();
  EXPECT_FALSE(huge.Skip(std::numeric_limits<size_t>::max()));  // no wrap-around
  EXPECT_TRUE(huge.ReadBytes(0).empty());
  EXPECT_EQ(huge.pos(), 1u);
}

TEST(ByteReader, FailureSticksForReadsThatWouldFit) {
  const uint8_t bytes[] = {9, 8, 7, 6, 5, 0};
  ByteReader r(bytes, 6);
  r.Skip(2);
  EXPECT_TRUE(r.ReadBytes(5).empty());
  EXPECT_EQ(r.ReadByte(), 0);
  EXPECT_EQ(r.ReadUInt32BigEndian(), 0u);
  EXPECT_TRUE(r.ReadZeroText().empty());
  EXPECT_FALSE(r.Seek(0));
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.pos(), 2u);

  ByteReader failed(bytes, 6);
  failed.Fail();
  EXPECT_EQ(failed.ReadByte(), 0);
  EXPECT_EQ(failed.pos(), 0u);
}

TEST(ByteReader, LittleAndBigEndian) {
  const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0xFE, 0xFF, 0xFF, 0xFF};
  ByteReader r(bytes, 8);
  EXPECT_EQ(r.ReadUInt16BigEndian(), 0x0102u);
  EXPECT_EQ(r.ReadUInt16(), 0x0403u);
  EXPECT_EQ(r.ReadInt32(), -2);
  ByteReader big(bytes, 8);
  EXPECT_EQ(big.ReadUInt32BigEndian(), 0x01020304u);
  EXPECT_EQ(big.ReadInt32BigEndian(), -16777217);  // 0xFEFFFFFF

  uint8_t out[6];
  korvex::StoreUInt16(out, 0xBEEF);
  korvex::StoreInt32(out + 2, -2);
  EXPECT_EQ(out[0], 0xEF);
  EXPECT_EQ(out[1], 0xBE);
  EXPECT_EQ(korvex::LoadUInt32(out + 2), 0xFFFFFFFEu);
  EXPECT_EQ(korvex::LoadUInt16BigEndian(out), 0xEFBEu);
  EXPECT_EQ(korvex::LoadUInt32BigEndian(bytes + 4), 0xFEFFFFFFu);
}

std::vector<uint8_t> WithLength(int32_t length, std::vector<uint8_t> rest) {
  std::vector<uint8_t> bytes(4);
  korvex::StoreInt32(bytes.data(), length);
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  return bytes;
}

TEST(ByteReader, CountedTextsAndBlocksDistrustTheirLength) {
  auto text = WithLength(3, {'a', 'b', 'c', 'd'});
  ByteReader fits(text);
  EXPECT_EQ(fits.ReadCountedText(), "abc");
  EXPECT_EQ(fits.remaining(), 1u);

  for (int32_t empty : {0, -1, std::numeric_limits<int32_t>::min()}) {
    auto bytes = WithLength(empty, {'x'});
    ByteReader r(bytes);
    EXPECT_TRUE(r.ReadCountedText().empty()) << empty;
    EXPECT_TRUE(r.ok()) << empty;
    EXPECT_EQ(r.pos(), 4u) << empty;
  }
  for (int32_t oversized : {5, std::numeric_limits<int32_t>::max()}) {
    auto bytes = WithLength(oversized, {'a', 'b', 'c', 'd'});
    ByteReader t(bytes);
    EXPECT_TRUE(t.ReadCountedText().empty()) << oversized;
    EXPECT_FALSE(t.ok()) << oversized;
    ByteReader b(bytes);
    EXPECT_TRUE(b.ReadCountedBlock().empty()) << oversized;
    EXPECT_FALSE(b.ok()) << oversized;
  }

  auto negative = WithLength(-1, {'x'});
  ByteReader block(negative);
  EXPECT_TRUE(block.ReadCountedBlock().empty());
  EXPECT_FALSE(block.ok());
  EXPECT_EQ(block.pos(), 0u);  // the length field is what failed
}

TEST(ByteReader, CountMustFitInTheBytesLeft) {
  auto two_items = WithLength(2, std::vector<uint8_t>(8));
  ByteReader fits(two_items);
  EXPECT_EQ(fits.ReadCount(4), 2);
  EXPECT_TRUE(fits.ok());
  ByteReader too_big(two_items);
  EXPECT_EQ(too_big.ReadCount(5), 0);
  EXPECT_FALSE(too_big.ok());
  EXPECT_EQ(too_big.pos(), 0u);

  auto negative = WithLength(-1, {});
  ByteReader r(negative);
  EXPECT_EQ(r.ReadCount(0), 0);
  EXPECT_FALSE(r.ok());
}

TEST(ByteReader, ZeroTextNeedsItsTerminator) {
  const uint8_t bytes[] = {'h', 'i', 0, 'x'};
  ByteReader r(bytes, 4);
  EXPECT_EQ(r.ReadZeroText(), "hi");
  EXPECT_EQ(r.pos(), 3u);
  EXPECT_TRUE(r.ReadZeroText().empty());
  EXPECT_FALSE(r.ok());
  ByteReader at_end(bytes, 3);
  at_end.Skip(3);
  EXPECT_TRUE(at_end.ReadZeroText().empty());
  EXPECT_FALSE(at_end.ok());
}

}  // namespace
