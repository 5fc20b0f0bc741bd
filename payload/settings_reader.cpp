#include "payload/settings_reader.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

#include "base/byte_reader.h"
#include "payload/md5.h"

namespace korvex::settings {
namespace {

// Smallest encodings, used to cap counts by the bytes that are left.
constexpr size_t kIntegerSize = 5;
constexpr size_t kMinStringSize = 12;
constexpr size_t kMinSectionSize = kMinStringSize + kIntegerSize;
constexpr size_t kMinKeySize = kMinStringSize + kIntegerSize + kIntegerSize;

// Names quoted in a message are cut to this many UTF-16 units before they
// are converted: a name may be as long as the file.
constexpr size_t kQuotedNameUnits = 48;

// A name from the file as a message quotes it: cut, and escaped so that it
// cannot break the message's line.
std::string Quote(const std::u16string& name) {
  return ToPrintable(name, kQuotedNameUnits);
}

// Room for the words and three quoted names, each at most 48 escaped units.
std::string Describe(size_t offset, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  char prefix[40];
  std::snprintf(prefix, sizeof prefix, "offset %zu: ", offset);
  return std::string(prefix) + text;
}

// The file's grammar over one bounded reader: every read states what it
// reads, so that the first failure, which sticks, is told in the file's own
// terms. Integers are big-endian; UTF-16 texts are little-endian.
class Cursor {
 public:
  Cursor(const uint8_t* data, size_t size, ReadResult& result)
      : reader_(data, size), result_(result) {}

  bool failed() const { return !reader_.ok(); }
  size_t pos() const { return reader_.pos(); }
  size_t left() const { return reader_.remaining(); }
  void Seek(size_t pos) { reader_.Seek(pos); }

  void Fail(size_t offset, std::string message) {
    if (failed()) return;
    reader_.Fail();
    result_.error_offset = offset;
    result_.error = std::move(message);
  }

  bool Need(size_t n, const char* what) {
    if (failed()) return false;
    if (n > left()) {
      Fail(pos(), Describe(pos(), "%s needs %zu bytes but only %zu are left", what, n, left()));
      return false;
    }
    return true;
  }

  uint8_t Byte(const char* what) {
    if (!Need(1, what)) return 0;
    return reader_.ReadByte();
  }

  void Mark(uint8_t expected, const char* what) {
    const size_t at = pos();
    const uint8_t mark = Byte(what);
    if (!failed() && mark != expected) {
      Fail(at, Describe(at, "%s: expected element tag 0x%02x, found 0x%02x", what, expected, mark));
    }
  }

  int32_t Integer(const char* what) {
    Mark(kIntegerMark, what);
    if (!Need(4, what)) return 0;
    return reader_.ReadInt32BigEndian();
  }

  // A count that cannot be negative and whose items, each at least
  // min_item_size bytes, must fit in what is left.
  size_t Count(const char* what, size_t min_item_size) {
    const size_t at = pos();
    const int32_t count = Integer(what);
    if (failed()) return 0;
    if (count < 0) {
      Fail(at, Describe(at, "%s is negative (%d)", what, count));
      return 0;
    }
    if (static_cast<size_t>(count) > left() / min_item_size) {
      Fail(at, Describe(at, "%s %d cannot fit in the %zu bytes left", what, count, left()));
      return 0;
    }
    return static_cast<size_t>(count);
  }

  std::u16string String(const char* what) {
    Mark(kStringMark, what);
    const size_t chars_at = pos();
    const int32_t chars = Integer(what);
    Mark(kBytesMark, what);
    const size_t bytes_at = pos();
    const int32_t bytes = Integer(what);
    if (failed()) return {};
    if (chars < 0) {
      Fail(chars_at, Describe(chars_at, "%s: negative character count %d", what, chars));
      return {};
    }
    if (static_cast<int64_t>(bytes) != 2 * static_cast<int64_t>(chars)) {
      Fail(bytes_at, Describe(bytes_at, "%s: byte count %d is not twice the character count %d",
                              what, bytes, chars));
      return {};
    }
    if (!Need(static_cast<size_t>(bytes), what)) return {};
    const std::span<const uint8_t> units = reader_.ReadBytes(static_cast<size_t>(bytes));
    std::u16string text(static_cast<size_t>(chars), u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<char16_t>(LoadUInt16(units.data() + 2 * i));
    }
    return text;
  }

  std::vector<uint8_t> Bytes(const char* what) {
    Mark(kBytesMark, what);
    const size_t count_at = pos();
    const int32_t count = Integer(what);
    if (failed()) return {};
    if (count < 0) {
      Fail(count_at, Describe(count_at, "%s: negative byte count %d", what, count));
      return {};
    }
    if (!Need(static_cast<size_t>(count), what)) return {};
    const std::span<const uint8_t> bytes = reader_.ReadBytes(static_cast<size_t>(count));
    return {bytes.begin(), bytes.end()};
  }

 private:
  ByteReader reader_;
  ReadResult& result_;
};

void CheckHeader(const uint8_t* data, size_t size, Cursor& cursor) {
  if (size < kHeaderSize) {
    cursor.Fail(
        0, Describe(0, "file of %zu bytes is shorter than the %zu-byte header", size, kHeaderSize));
    return;
  }
  if (std::memcmp(data, kTag, sizeof kTag) != 0) {
    cursor.Fail(0, Describe(0, "tag is not \"Korvex\" followed by two zero bytes"));
    return;
  }
  for (size_t i = kReservedOffset; i < kFormatOffset; ++i) {
    if (data[i] != 0) {
      cursor.Fail(i, Describe(i, "reserved header byte is 0x%02x, not zero", data[i]));
      return;
    }
  }
  if (data[kFormatOffset] != kFormatVersion) {
    cursor.Fail(kFormatOffset, Describe(kFormatOffset, "format byte is 0x%02x, expected 0x%02x",
                                        data[kFormatOffset], kFormatVersion));
    return;
  }
  const uint32_t length = LoadUInt32(data + kBodyLengthOffset);
  if (length != size - kHeaderSize) {
    cursor.Fail(kBodyLengthOffset,
                Describe(kBodyLengthOffset,
                         "body length field says %u bytes but %zu bytes follow the header", length,
                         size - kHeaderSize));
    return;
  }
  const Md5Digest digest = ComputeMd5(data + kHeaderSize, size - kHeaderSize);
  if (std::memcmp(digest.data(), data + kDigestOffset, digest.size()) != 0) {
    cursor.Fail(kDigestOffset, Describe(kDigestOffset, "digest does not match the body"));
  }
}

void ReadKey(Cursor& cursor, Key& key) {
  key.name = cursor.String("key name");
  const size_t kind_at = cursor.pos();
  const int32_t kind = cursor.Integer("value kind");
  if (cursor.failed()) return;
  switch (kind) {
    case static_cast<int32_t>(ValueKind::kInteger):
      key.value.kind = ValueKind::kInteger;
      key.value.integer = cursor.Integer("integer value");
      break;
    case static_cast<int32_t>(ValueKind::kText):
      key.value.kind = ValueKind::kText;
      key.value.text = cursor.String("text value");
      break;
    case static_cast<int32_t>(ValueKind::kBytes):
      key.value.kind = ValueKind::kBytes;
      key.value.bytes = cursor.Bytes("byte value");
      break;
    default:
      cursor.Fail(kind_at, Describe(kind_at, "unknown value kind %d", kind));
  }
}

void ReadBody(Cursor& cursor, Document& document) {
  const size_t section_count = cursor.Count("section count", kMinSectionSize);
  for (size_t s = 0; s < section_count && !cursor.failed(); ++s) {
    Section section;
    const size_t name_at = cursor.pos();
    section.name = cursor.String("section name");
    if (!cursor.failed() && s > 0 && !(document.sections.back().name < section.name)) {
      cursor.Fail(name_at, Describe(name_at, "section \"%s\" does not come after \"%s\"",
                                    Quote(section.name).c_str(),
                                    Quote(document.sections.back().name).c_str()));
    }
    const size_t key_count = cursor.Count("key count", kMinKeySize);
    for (size_t k = 0; k < key_count && !cursor.failed(); ++k) {
      Key key;
      const size_t key_at = cursor.pos();
      ReadKey(cursor, key);
      if (!cursor.failed() && k > 0 && !(section.keys.back().name < key.name)) {
        cursor.Fail(key_at,
                    Describe(key_at, "key \"%s\" does not come after \"%s\" in \"%s\"",
                             Quote(key.name).c_str(), Quote(section.keys.back().name).c_str(),
                             Quote(section.name).c_str()));
      }
      section.keys.push_back(std::move(key));
    }
    document.sections.push_back(std::move(section));
  }
  if (cursor.failed()) return;
  const size_t trailer_at = cursor.pos();
  if (!cursor.Need(kTrailerSize, "trailer")) return;
  for (size_t i = 0; i < kTrailerSize; ++i) {
    if (cursor.Byte("trailer") != 0) {
      cursor.Fail(trailer_at + i, Describe(trailer_at + i, "trailer byte is not zero"));
      return;
    }
  }
  if (cursor.left() != 0) {
    cursor.Fail(cursor.pos(), Describe(cursor.pos(), "data continues after the trailer (%zu bytes)",
                                       cursor.left()));
  }
}

}  // namespace

ReadResult ReadSettingsImage(const uint8_t* data, size_t size) {
  ReadResult result;
  Cursor cursor(data, size, result);
  CheckHeader(data, size, cursor);
  if (!cursor.failed()) {
    cursor.Seek(kHeaderSize);
    ReadBody(cursor, result.document);
  }
  result.ok = !cursor.failed();
  if (!result.ok) result.document = {};
  return result;
}

}  // namespace korvex::settings
