// The reader's checks: every defect is found at its offset with a clear
// message, and nothing is read out of bounds (sanitizers).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "payload/default_settings.h"
#include "payload/settings_image.h"
#include "payload/settings_reader.h"

namespace {

using namespace korvex::settings;

std::vector<uint8_t> Image(const Document& document) {
  return WriteSettingsImage(document);
}

ReadResult Read(const std::vector<uint8_t>& image) {
  return ReadSettingsImage(image.data(), image.size());
}

// A small document with one key of each kind.
Document Small() {
  return {{Section{u"alpha",
                   {Key{u"count", {ValueKind::kInteger, -7, {}, {}}},
                    Key{u"name", {ValueKind::kText, 0, u"x\u4e2d", {}}},
                    Key{u"raw", {ValueKind::kBytes, 0, {}, {1, 2, 3}}}}},
           Section{u"beta", {}}}};
}

// Offsets in the image of Small(): header 33, I(2) 5, S("alpha") 22, I(3) 5.
// Within an S: tag 0x02 at +0, I(characters) at +1, tag 0x03 at +6 and
// I(bytes) at +7; an I's value lies at +1 to +4, high byte first.
constexpr size_t kFirstKey = 33 + 5 + 22 + 5;       // S("count")
constexpr size_t kFirstKind = kFirstKey + 12 + 10;  // I(1) after the name
constexpr size_t kSecondKey = kFirstKind + 5 + 5;   // S("name")

// Applies a change to the body and puts a correct digest on it again, so
// that the grammar checks are reached.
std::vector<uint8_t> Resealed(const std::vector<uint8_t>& image, size_t offset, uint8_t value) {
  std::vector<uint8_t> body(image.begin() + kHeaderSize, image.end());
  body.at(offset - kHeaderSize) = value;
  return SealImage(body);
}

void ExpectDefect(const ReadResult& result, size_t offset, const std::string& words) {
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error_offset, offset) << result.error;
  EXPECT_EQ(result.error.rfind("offset " + std::to_string(offset) + ": ", 0), 0u) << result.error;
  EXPECT_NE(result.error.find(words), std::string::npos) << result.error;
  EXPECT_TRUE(result.document.sections.empty());
}

TEST(SettingsReader, ReadsBackWhatWasWritten) {
  const ReadResult small = Read(Image(Small()));
  ASSERT_TRUE(small.ok) << small.error;
  EXPECT_EQ(small.document, Small());

  const ReadResult empty = Read(Image(Document{}));
  ASSERT_TRUE(empty.ok) << empty.error;
  EXPECT_TRUE(empty.document.sections.empty());

  const Document defaults = DefaultSettings();
  Document sorted = defaults;
  SortDocument(sorted);
  const ReadResult full = Read(Image(defaults));
  ASSERT_TRUE(full.ok) << full.error;
  EXPECT_EQ(full.document, sorted);
}

TEST(SettingsReader, RejectsTruncatedFiles) {
  const std::vector<uint8_t> image = Image(Small());
  ExpectDefect(ReadSettingsImage(image.data(), 20), 0, "shorter than the 33-byte header");
  ExpectDefect(ReadSettingsImage(image.data(), 0), 0, "shorter than the 33-byte header");
  ExpectDefect(ReadSettingsImage(nullptr, 0), 0, "shorter than the 33-byte header");
  // Cut inside the body: the length field no longer matches.
  for (size_t size : {size_t{33}, size_t{40}, image.size() - 1}) {
    ExpectDefect(ReadSettingsImage(image.data(), size), 29, "body length field says");
  }
  // Cut and with a length field (and digest) that agree with the cut: the
  // grammar runs out of bytes.
  for (size_t cut : {size_t{1}, size_t{8}, size_t{9}, image.size() - 34}) {
    std::vector<uint8_t> body(image.begin() + 33, image.end() - cut);
    const ReadResult result = Read(SealImage(body));
    EXPECT_FALSE(result.ok);
    EXPECT_GE(result.error_offset, 33u) << result.error;
    EXPECT_LE(result.error_offset, image.size() - cut) << result.error;
    EXPECT_FALSE(result.error.empty());
  }
  // The eight-byte trailer cut to seven.
  std::vector<uint8_t> body(image.begin() + 33, image.end() - 1);
  ExpectDefect(Read(SealImage(body)), image.size() - 8, "trailer needs 8 bytes but only 7");
}

TEST(SettingsReader, RejectsWrongDigest) {
  std::vector<uint8_t> image = Image(Small());
  image[kDigestOffset + 5] ^= 0x40;
  ExpectDefect(Read(image), 8, "digest does not match");

  image = Image(Small());
  image[kFirstKind + 4] ^= 0x01;  // a body byte, digest left as it was
  ExpectDefect(Read(image), 8, "digest does not match");
}

TEST(SettingsReader, RejectsWrongHeader) {
  std::vector<uint8_t> image = Image(Small());
  image[29] = static_cast<uint8_t>(image[29] + 1);
  ExpectDefect(Read(image), 29, "body length field says");
  image = Image(Small());
  image[32] = 0x80;  // a length beyond 2 GiB
  ExpectDefect(Read(image), 29, "body length field says");

  image = Image(Small());
  image[1] = 'O';
  ExpectDefect(Read(image), 0, "tag");
  image = Image(Small());
  image[26] = 1;
  ExpectDefect(Read(image), 26, "reserved header byte");
  image = Image(Small());
  image[28] = 2;
  ExpectDefect(Read(image), 28, "format byte is 0x02");
}

TEST(SettingsReader, RejectsUnknownElementTags) {
  const std::vector<uint8_t> image = Image(Small());
  // The section count's integer tag.
  ExpectDefect(Read(Resealed(image, 33, 0x07)), 33, "expected element tag 0x01, found 0x07");
  // A key name's string tag.
  ExpectDefect(Read(Resealed(image, kSecondKey, 0x05)), kSecondKey,
               "key name: expected element tag 0x02, found 0x05");
  // The byte-count tag inside a string.
  ExpectDefect(Read(Resealed(image, kSecondKey + 6, 0x02)), kSecondKey + 6,
               "expected element tag 0x03, found 0x02");
  // A value kind other than 1, 2, 3.
  ExpectDefect(Read(Resealed(image, kFirstKind + 4, 4)), kFirstKind, "unknown value kind 4");
  ExpectDefect(Read(Resealed(image, kFirstKind + 4, 0)), kFirstKind, "unknown value kind 0");
}

TEST(SettingsReader, RejectsBadCountsAndLengths) {
  const std::vector<uint8_t> image = Image(Small());
  // Section count negative, then far more than the bytes could hold.
  ExpectDefect(Read(Resealed(image, 34, 0xFF)), 33, "section count is negative");
  ExpectDefect(Read(Resealed(image, 35, 0x7F)), 33, "cannot fit");
  // Byte count not twice the character count ("count" has 5 characters).
  ExpectDefect(Read(Resealed(image, kFirstKey + 11, 11)), kFirstKey + 7,
               "byte count 11 is not twice the character count 5");
  // A character count so large that twice it overflows 32 bits.
  ExpectDefect(Read(Resealed(image, kFirstKey + 2, 0x40)), kFirstKey + 7,
               "not twice the character count");
  // Negative character count.
  ExpectDefect(Read(Resealed(image, kFirstKey + 2, 0x80)), kFirstKey + 1,
               "negative character count");
}

TEST(SettingsReader, RejectsOrderAndTrailerDefects) {
  // Keys out of order: "name" before "count".
  Document keys = Small();
  std::swap(keys.sections[0].keys[0], keys.sections[0].keys[1]);
  // S("name") 20, I(2) 5, S("x\u4e2d") 16: the second key starts 41 bytes on.
  ExpectDefect(Read(SealImage(SerializeBody(keys))), kFirstKey + 41,
               "key \"count\" does not come after \"name\" in \"alpha\"");

  // Two sections of the same name.
  Document twice = Small();
  twice.sections[1].name = u"alpha";
  const std::vector<uint8_t> body = SerializeBody(twice);
  const ReadResult result = Read(SealImage(body));
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("section \"alpha\" does not come after \"alpha\""), std::string::npos)
      << result.error;

  // Non-zero trailer, and bytes after it.
  std::vector<uint8_t> image = Image(Small());
  ExpectDefect(Read(Resealed(image, image.size() - 3, 9)), image.size() - 3,
               "trailer byte is not zero");
  std::vector<uint8_t> longer(image.begin() + 33, image.end());
  longer.push_back(0);
  ExpectDefect(Read(SealImage(longer)), image.size(), "data continues after the trailer (1 bytes)");
}

TEST(SettingsReader, OrderMessageQuotesEveryNameCutAndEscaped) {
  // A first key whose name fills most of the file: the message still names
  // both keys and the section, each cut short, on a single line.
  const std::u16string huge(200000, u'z');
  Document keys{{Section{u"a\nb", {Key{huge, {}}, Key{u"k\r\"", {}}}}}};
  const ReadResult result = Read(SealImage(SerializeBody(keys)));
  EXPECT_FALSE(result.ok);
  const std::string cut = std::string(48, 'z') + "...";
  EXPECT_NE(
      result.error.find("key \"k\\x0d\\\"\" does not come after \"" + cut + "\" in \"a\\x0ab\""),
      std::string::npos)
      << result.error;
  EXPECT_LT(result.error.size(), 200u);
}

}  // namespace
