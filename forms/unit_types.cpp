// The unit-type table, the compression unit and the helpers the unit types
// share (texts and fonts).
#include <cstring>

#include "forms/form_window.h"
#include "forms/units.h"

namespace korvex::forms {

// A destroyed unit leaves its record's object slot empty.
Unit::~Unit() {
  form_->record().WriteField(index_, UnitField::kObjectSlot, 0);
}

std::wstring WideFromText(std::string_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(kTextCodePage, 0, text.data(), length, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring result(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(kTextCodePage, 0, text.data(), length, result.data(), wide);
  return result;
}

std::string TextFromWide(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int bytes =
      WideCharToMultiByte(kTextCodePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string result(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(kTextCodePage, 0, text.data(), length, result.data(), bytes, nullptr,
                      nullptr);
  return result;
}

LOGFONTW UnitFontAttributes(const FontDescription& font) {
  LOGFONTW attributes{};
  attributes.lfHeight = font.height;
  attributes.lfWidth = font.width;
  attributes.lfEscapement = font.escapement;
  attributes.lfOrientation = font.orientation;
  attributes.lfWeight = font.weight;
  attributes.lfItalic = font.italic;
  attributes.lfUnderline = font.underline;
  attributes.lfStrikeOut = font.strike_out;
  attributes.lfCharSet = DEFAULT_CHARSET;  // 1
  attributes.lfOutPrecision = 0;
  attributes.lfClipPrecision = 0;
  attributes.lfQuality = 2;
  attributes.lfPitchAndFamily = 0;
  const std::wstring face = WideFromText(font.FaceName());
  const size_t n = std::min(face.size(), static_cast<size_t>(LF_FACESIZE - 1));
  std::memcpy(attributes.lfFaceName, face.data(), n * sizeof(wchar_t));
  attributes.lfFaceName[n] = L'\0';
  return attributes;
}

HFONT CreateUnitFont(const FontDescription& font) {
  const LOGFONTW attributes = UnitFontAttributes(font);
  return CreateFontIndirectW(&attributes);
}

namespace {

// The compression unit has no window and no properties of its own here.
class CompressionUnit : public Unit {
 public:
  using Unit::Unit;
};

std::unique_ptr<Unit> CreateCompressionUnit(FormWindow& form, int32_t index) {
  const WindowRecord& record = form.record();
  const std::span<const uint8_t> block = record.PropertyBlock(index);
  // An empty block or one of version 0 only.
  if (block.size() >= 4 && LoadInt32(block.data()) > 0) return nullptr;
  return std::make_unique<CompressionUnit>(&form, index, record.UnitIdAt(index),
                                           record.UnitType(index));
}

}  // namespace

const UnitTypeRoutines& CompressionUnitRoutines() {
  static const UnitTypeRoutines routines{&CreateCompressionUnit, nullptr, nullptr};
  return routines;
}

const UnitTypeRoutines* UnitInterface(uint32_t unit_type) {
  switch (unit_type) {
    case kUnitTypeButton:
      return &ButtonUnitRoutines();
    case kUnitTypeLabel:
      return &LabelUnitRoutines();
    case kUnitTypeZipCompressor:
      return &CompressionUnitRoutines();
    default:
      return nullptr;
  }
}

}  // namespace korvex::forms
