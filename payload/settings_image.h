// The archiver's settings file: sections of keyed values, serialised as a
// digest-protected image.
//
// Layout: 8-byte tag "Korvex\0\0", the MD5 digest of the body, four zero
// bytes, the byte 0x01 and the body length (int32 little-endian), then the
// body. Body: I(section count); per section S(name), I(key count), per key
// S(name), I(kind) and the value (kind 1 I, kind 2 S, kind 3 B); then eight
// zero bytes. I is 0x01 + int32 big-endian; S is 0x02, I(UTF-16 units),
// 0x03, I(bytes), UTF-16LE units; B is 0x03, I(count), the bytes.
// Sections and the keys of each section are stored in ascending order of
// their names, compared by UTF-16 code unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::settings {

inline constexpr uint8_t kTag[8] = {'K', 'o', 'r', 'v', 'e', 'x', 0, 0};
inline constexpr size_t kHeaderSize = 33;
inline constexpr size_t kDigestOffset = 8;
inline constexpr size_t kReservedOffset = 24;
inline constexpr size_t kFormatOffset = 28;
inline constexpr uint8_t kFormatVersion = 0x01;
inline constexpr size_t kBodyLengthOffset = 29;
inline constexpr size_t kTrailerSize = 8;

inline constexpr uint8_t kIntegerMark = 0x01;
inline constexpr uint8_t kStringMark = 0x02;
inline constexpr uint8_t kBytesMark = 0x03;

enum class ValueKind : int32_t { kInteger = 1, kText = 2, kBytes = 3 };

struct Value {
  ValueKind kind = ValueKind::kInteger;
  int32_t integer = 0;
  std::u16string text;
  std::vector<uint8_t> bytes;

  bool operator==(const Value&) const = default;
};

struct Key {
  std::u16string name;
  Value value;

  bool operator==(const Key&) const = default;
};

struct Section {
  std::u16string name;
  std::vector<Key> keys;

  bool operator==(const Section&) const = default;
};

struct Document {
  std::vector<Section> sections;

  bool operator==(const Document&) const = default;
};

// Puts sections and the keys of each section into the stored order.
void SortDocument(Document& document);

// The body of a document, in the order its sections and keys stand.
std::vector<uint8_t> SerializeBody(const Document& document);

// Header (tag, digest of the body, body length) followed by the body.
std::vector<uint8_t> SealImage(const std::vector<uint8_t>& body);

// Sorts a copy of the document, serialises and seals it.
std::vector<uint8_t> WriteSettingsImage(const Document& document);

// UTF-16 to UTF-8 for printing; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// UTF-8 for printing a text read from a file, which may hold anything: the
// backslash and the double quote are escaped ("\\", "\""), and so is every
// character that could end a line or change how the rest of it reads (C0 and
// C1 controls, DEL, the line and paragraph separators, the bidirectional
// formatting characters) as "\xHH" below 0x80 and "\uHHHH" above. Only the
// first max_units UTF-16 units are converted (a pair is never split); a text
// that was cut ends in "...".
std::string ToPrintable(std::u16string_view text, size_t max_units = SIZE_MAX);

}  // namespace korvex::settings
