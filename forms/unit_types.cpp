// The unit-type table, the compression unit and the helpers the unit types
// share (placement, texts and fonts).
#include <algorithm>
#include <cstring>
#include <utility>

#include "forms/form_window.h"
#include "forms/unit_common.h"
#include "forms/texts.h"
#include "forms/units.h"
#include "runtime/values.h"

namespace korvex::forms {

UnitPlacement PlacementOf(const FormWindow& form, int32_t index) {
  const WindowRecord& record = form.record();
  UnitPlacement p;
  const uint32_t parent_id = record.ReadField(index, UnitField::kParent);
  const int32_t parent_index = parent_id ? record.FindUnit(parent_id) : 0;
  p.parent = form.UnitHandle(parent_index > 0 ? parent_index : 0);
  if (!p.parent) p.parent = form.handle();
  p.left = static_cast<int32_t>(record.ReadField(index, UnitField::kLeft));
  p.top = static_cast<int32_t>(record.ReadField(index, UnitField::kTop));
  p.width = static_cast<int32_t>(record.ReadField(index, UnitField::kWidth));
  p.height = static_cast<int32_t>(record.ReadField(index, UnitField::kHeight));
  const uint32_t flags = record.ReadField(index, UnitField::kFlags);
  p.style = WS_CHILD;
  if (flags & kUnitVisible) p.style |= WS_VISIBLE;
  if (flags & kUnitDisabled) p.style |= WS_DISABLED;
  if (flags & kUnitTabStop) p.style |= WS_TABSTOP;
  p.id = reinterpret_cast<HMENU>(static_cast<uintptr_t>(kFirstControlId) +
                                 static_cast<uintptr_t>(index));
  return p;
}

// A destroyed unit leaves its record's object slot empty.
Unit::~Unit() {
  form_->record().WriteField(index_, UnitField::kObjectSlot, 0);
}

namespace {

// The fields a font description shares with the platform's font attributes,
// visited as pairs (ours, the platform's) in either direction.
template <typename Font, typename Attributes, typename Visit>
void VisitSharedFontFields(Font& font, Attributes& attributes, Visit visit) {
  visit(font.height, attributes.lfHeight);
  visit(font.width, attributes.lfWidth);
  visit(font.escapement, attributes.lfEscapement);
  visit(font.orientation, attributes.lfOrientation);
  visit(font.weight, attributes.lfWeight);
  visit(font.italic, attributes.lfItalic);
  visit(font.underline, attributes.lfUnderline);
  visit(font.strike_out, attributes.lfStrikeOut);
}

}  // namespace

LOGFONTW UnitFontAttributes(const FontDescription& font) {
  LOGFONTW attributes{};
  VisitSharedFontFields(font, attributes, [](const auto& ours, auto& theirs) { theirs = ours; });
  attributes.lfCharSet = DEFAULT_CHARSET;  // 1
  attributes.lfOutPrecision = 0;
  attributes.lfClipPrecision = 0;
  attributes.lfQuality = 2;
  attributes.lfPitchAndFamily = 0;
  // A face name that fills all 32 bytes has no terminator: the fallback face
  // instead.
  const std::string_view name =
      font.FaceName().size() >= kFontFaceSize ? kFallbackFace : font.FaceName();
  const std::wstring face = WideFromText(name);
  const size_t n = std::min(face.size(), static_cast<size_t>(LF_FACESIZE - 1));
  std::memcpy(attributes.lfFaceName, face.data(), n * sizeof(wchar_t));
  attributes.lfFaceName[n] = L'\0';
  return attributes;
}

HFONT CreateUnitFont(const FontDescription& font) {
  const LOGFONTW attributes = UnitFontAttributes(font);
  return CreateFontIndirectW(&attributes);
}

uint32_t TypeTagOf(PropertyKind kind) {
  switch (kind) {
    case PropertyKind::kInteger:
    case PropertyKind::kColour:
      return tag::kInt;
    case PropertyKind::kBoolean:
      return tag::kBool;
    case PropertyKind::kText:
      return tag::kText;
    case PropertyKind::kPicture:
    case PropertyKind::kFont:
      return tag::kByteSet;
    default:
      return tag::kNone;
  }
}

std::string TextOf(const ArgRecord& value) {
  const char* text = PointerOf<const char>(value);
  return text ? text : "";
}

ArgRecord MakeTextValue(std::string_view text) {
  return MakePointer(NewText(text.data(), static_cast<int32_t>(text.size())), tag::kText);
}

std::vector<uint8_t> BytesOf(const ArgRecord& value) {
  const void* byte_set = PointerOf<const void>(value);
  const uint8_t* data = ByteSetData(byte_set);
  const int32_t length = ByteSetLength(byte_set);
  if (!data || length <= 0) return {};
  return {data, data + length};
}

ArgRecord MakeByteSetValue(std::span<const uint8_t> bytes) {
  return MakePointer(NewByteSet(bytes.data(), static_cast<int32_t>(bytes.size())), tag::kByteSet);
}

void SetFaceName(FontDescription* font, std::string_view name) {
  if (name.size() >= kFontFaceSize) name = kFallbackFace;
  std::fill(std::begin(font->face), std::end(font->face), uint8_t{0});
  std::memcpy(font->face, name.data(), name.size());
}

namespace {

// The description of the system's default GUI font, the starting point when a
// unit without a font of its own gets one of its attributes changed.
FontDescription DefaultFontDescription() {
  LOGFONTW attributes{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof attributes, &attributes);
  FontDescription font;
  VisitSharedFontFields(font, attributes, [](auto& ours, const auto& theirs) { ours = theirs; });
  SetFaceName(&font, TextFromWide(attributes.lfFaceName));
  return font;
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

UnitFont::UnitFont(bool has_description, const FontDescription& description)
    : has_description_(has_description), description_(description) {}

HFONT UnitFont::Handle() const {
  return font_.IsValid() ? font_.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void UnitFont::Apply(HWND window) {
  // The old font is freed only after the window has the new one.
  const GdiObject<HFONT> old = std::move(font_);
  if (has_description_) font_.Attach(CreateUnitFont(description_));
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(Handle()), TRUE);
}

PropertyKind UnitFont::KindOf(int32_t sub) {
  switch (sub) {
    case kFontWhole:
      return PropertyKind::kFont;
    case kFontAngle:
    case kFontSize:
      return PropertyKind::kInteger;
    case kFontBold:
    case kFontItalic:
    case kFontUnderline:
    case kFontStrikeOut:
      return PropertyKind::kBoolean;
    case kFontFaceName:
      return PropertyKind::kText;
    default:
      return PropertyKind::kNone;
  }
}

ArgRecord UnitFont::Get(int32_t sub) const {
  if (sub == kFontWhole) {
    if (!has_description_) return MakeByteSetValue({});
    ByteWriter out;
    SerializeFont(description_, &out);
    return MakeByteSetValue(out.bytes());
  }
  const FontDescription font = has_description_ ? description_ : DefaultFontDescription();
  switch (sub) {
    case kFontAngle:
      return MakeInt(font.escapement);
    case kFontBold:
      return MakeBool(font.weight >= FW_SEMIBOLD);
    case kFontItalic:
      return MakeBool(font.italic != 0);
    case kFontUnderline:
      return MakeBool(font.underline != 0);
    case kFontStrikeOut:
      return MakeBool(font.strike_out != 0);
    case kFontSize:
      return MakeInt(FontPoints(font.height, ScreenDpi()));
    default:
      return MakeTextValue(font.FaceName());
  }
}

void UnitFont::Set(HWND window, int32_t sub, const ArgRecord& value) {
  if (sub == kFontWhole) {
    const std::vector<uint8_t> bytes = BytesOf(value);
    if (bytes.empty()) {
      has_description_ = false;
    } else {
      FontDescription font;
      if (!ParseFont(bytes, &font)) return;  // not a font description: no change
      const std::string face(font.FaceName());
      SetFaceName(&font, face);
      description_ = font;
      has_description_ = true;
    }
    Apply(window);
    return;
  }
  if (!has_description_) description_ = DefaultFontDescription();
  has_description_ = true;
  const int32_t v = IntOf(value);
  switch (sub) {
    case kFontAngle:
      description_.escapement = description_.orientation = v;
      break;
    case kFontBold:
      description_.weight = v != 0 ? FW_BOLD : FW_NORMAL;
      break;
    case kFontItalic:
      description_.italic = v != 0;
      break;
    case kFontUnderline:
      description_.underline = v != 0;
      break;
    case kFontStrikeOut:
      description_.strike_out = v != 0;
      break;
    case kFontSize:
      description_.height = FontHeightForPoints(v, ScreenDpi());
      break;
    default:
      SetFaceName(&description_, TextOf(value));
      break;
  }
  Apply(window);
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
  static const UnitTypeRoutines routines{&CreateCompressionUnit, nullptr, nullptr, nullptr};
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
