#include "base/byte_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_reader.h"

namespace {

using korvex::ByteReader;
using korvex::ByteWriter;
using Bytes = std::vector<uint8_t>;

TEST(ByteWriter, WritesEachWidthInTheByteOrderItNames) {
  ByteWriter w;
  w.UInt16(0xBEEF);
  w.UInt32(0x01020304);
  w.Int32(-2);
  EXPECT_EQ(w.Take(), (Bytes{0xEF, 0xBE, 0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF}));

  ByteWriter big;
  big.UInt16BigEndian(0xBEEF);
  big.UInt32BigEndian(0x01020304);
  big.Int32BigEndian(-2);
  EXPECT_EQ(big.Take(), (Bytes{0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF, 0xFF, 0xFE}));
}

TEST(ByteWriter, Utf16IsEveryCodeUnitLowByteFirstWithoutLengthOrEnd) {
  ByteWriter w;
  w.Utf16(u"A\u4E00\U0001F600");  // a surrogate pair stays two units
  EXPECT_EQ(w.Take(), (Bytes{0x41, 0x00, 0x00, 0x4E, 0x3D, 0xD8, 0x00, 0xDE}));
}

TEST(ByteWriter, WhatItWritesTheReaderReadsBack) {
  const uint8_t block[] = {7, 0, 9};
  ByteWriter w;
  w.CountedText("name");
  w.ZeroText("tag");
  w.CountedBlock(block);
  w.CountedText("");
  w.Zeros(2);
  w.Byte(0x5A);
  w.Int32BigEndian(-300);
  const Bytes bytes = w.Take();

  ByteReader r(bytes.data(), bytes.size());
  EXPECT_EQ(r.ReadCountedText(), "name");
  EXPECT_EQ(r.ReadZeroText(), "tag");
  const auto read_block = r.ReadCountedBlock();
  EXPECT_EQ(Bytes(read_block.begin(), read_block.end()), Bytes(block, block + 3));
  EXPECT_EQ(r.ReadCountedText(), "");
  EXPECT_EQ(r.ReadUInt16(), 0u);
  EXPECT_EQ(r.ReadByte(), 0x5A);
  EXPECT_EQ(r.ReadInt32BigEndian(), -300);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.remaining(), 0u);
}

TEST(ByteWriter, TakeLeavesAnEmptyWriter) {
  ByteWriter w;
  w.ZeroText("x");
  EXPECT_EQ(w.Take().size(), 2u);
  EXPECT_EQ(w.size(), 0u);
  w.Byte(1);
  EXPECT_EQ(w.Take(), Bytes{1});
}

}  // namespace
