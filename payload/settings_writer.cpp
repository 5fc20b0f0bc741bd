#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "base/byte_reader.h"
#include "base/byte_writer.h"
#include "payload/md5.h"
#include "payload/settings_image.h"

namespace korvex::settings {
namespace {

// The body's values: a mark byte, then big-endian integers and UTF-16 text
// low byte first.
class BodyWriter {
 public:
  void Integer(int32_t value) {
    out_.Byte(kIntegerMark);
    out_.Int32BigEndian(value);
  }

  void String(const std::u16string& text) {
    out_.Byte(kStringMark);
    Integer(static_cast<int32_t>(text.size()));
    out_.Byte(kBytesMark);
    Integer(static_cast<int32_t>(text.size() * 2));
    out_.Utf16(text);
  }

  void Bytes(const std::vector<uint8_t>& bytes) {
    out_.Byte(kBytesMark);
    Integer(static_cast<int32_t>(bytes.size()));
    out_.Bytes(bytes);
  }

  void Zeros(size_t count) { out_.Zeros(count); }

  std::vector<uint8_t> Take() { return out_.Take(); }

 private:
  ByteWriter out_;
};

template <typename T>
bool NameLess(const T& a, const T& b) {
  // char16_t is unsigned, so this compares by UTF-16 code unit.
  return a.name < b.name;
}

}  // namespace

void SortDocument(Document& document) {
  std::stable_sort(document.sections.begin(), document.sections.end(), NameLess<Section>);
  for (Section& section : document.sections) {
    std::stable_sort(section.keys.begin(), section.keys.end(), NameLess<Key>);
  }
}

std::vector<uint8_t> SerializeBody(const Document& document) {
  BodyWriter writer;
  writer.Integer(static_cast<int32_t>(document.sections.size()));
  for (const Section& section : document.sections) {
    writer.String(section.name);
    writer.Integer(static_cast<int32_t>(section.keys.size()));
    for (const Key& key : section.keys) {
      writer.String(key.name);
      writer.Integer(static_cast<int32_t>(key.value.kind));
      switch (key.value.kind) {
        case ValueKind::kInteger:
          writer.Integer(key.value.integer);
          break;
        case ValueKind::kText:
          writer.String(key.value.text);
          break;
        case ValueKind::kBytes:
          writer.Bytes(key.value.bytes);
          break;
      }
    }
  }
  writer.Zeros(kTrailerSize);
  return writer.Take();
}

std::vector<uint8_t> SealImage(const std::vector<uint8_t>& body) {
  std::vector<uint8_t> image(kHeaderSize);
  std::memcpy(image.data(), kTag, sizeof kTag);
  const Md5Digest digest = ComputeMd5(body.data(), body.size());
  std::memcpy(image.data() + kDigestOffset, digest.data(), digest.size());
  image[kFormatOffset] = kFormatVersion;
  StoreUInt32(image.data() + kBodyLengthOffset, static_cast<uint32_t>(body.size()));
  image.insert(image.end(), body.begin(), body.end());
  return image;
}

std::vector<uint8_t> WriteSettingsImage(const Document& document) {
  Document sorted = document;
  SortDocument(sorted);
  return SealImage(SerializeBody(sorted));
}

namespace {

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// The code point starting at text[i]; i moves past a surrogate pair. An
// unpaired surrogate reads as U+FFFD.
uint32_t NextCodePoint(std::u16string_view text, size_t& i) {
  uint32_t code = text[i];
  if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
      text[i + 1] <= 0xDFFF) {
    code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
    ++i;
  } else if (code >= 0xD800 && code <= 0xDFFF) {
    code = 0xFFFD;
  }
  return code;
}

// Characters that end a line or reorder what a terminal shows after them.
bool IsControl(uint32_t code) {
  return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x061C || code == 0x200E ||
         code == 0x200F || (code >= 0x2028 && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) AppendUtf8(out, NextCodePoint(text, i));
  return out;
}

std::string ToPrintable(std::u16string_view text, size_t max_units) {
  const bool cut = text.size() > max_units;
  if (cut) {
    size_t keep = max_units;
    if (keep > 0 && text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;
    text = text.substr(0, keep);
  }
  std::string out;
  out.reserve(text.size() + (cut ? 3 : 0));
  for (size_t i = 0; i < text.size(); ++i) {
    const uint32_t code = NextCodePoint(text, i);
    if (code == '\\' || code == '"') {
      out.push_back('\\');
      out.push_back(static_cast<char>(code));
    } else if (IsControl(code)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, code < 0x80 ? "\\x%02x" : "\\u%04x",
                    static_cast<unsigned>(code));
      out += escape;
    } else {
      AppendUtf8(out, code);
    }
  }
  if (cut) out += "...";
  return out;
}

}  // namespace korvex::settings
