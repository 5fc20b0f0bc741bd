#include "tests/window/form_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "forms/form_engine.h"
#include "forms/form_window.h"
#include "forms/template_loader.h"
#include "runtime/application.h"
#include "runtime/call_protocol.h"
#include "runtime/errors.h"
#include "runtime/values.h"

extern "C" const uint8_t ProgramCode[];
extern "C" const korvex::LibraryRecord* const ProgramLibraryTable[korvex::kLibraryCount];

namespace form_test {

using namespace korvex::forms;

UnitDescription Window(const char* caption, int32_t left, int32_t top, int32_t width,
                       int32_t height) {
  UnitDescription u = PlacedUnit(kWindowUnitId, kUnitTypeWindow, "", left, top, width, height);
  u.flags = kUnitVisible;
  WindowProperties p;
  p.caption = caption;
  u.property_block = SerializeWindowProperties(p);
  return u;
}

UnitDescription Button(uint32_t id, const char* caption, int32_t left, int32_t top,
                       int32_t handler) {
  UnitDescription u = PlacedUnit(id, kUnitTypeButton, caption, left, top, 80, 25);
  u.flags = kUnitVisible | kUnitTabStop;
  u.events = {{0, handler}};
  ButtonProperties p;
  p.caption = caption;
  u.property_block = SerializeButtonProperties(p);
  return u;
}

UnitDescription Label(uint32_t id, int32_t left, int32_t top, int32_t width, int32_t height,
                      const LabelProperties& p) {
  UnitDescription u = PlacedUnit(id, kUnitTypeLabel, "label", left, top, width, height);
  u.flags = kUnitVisible;
  u.property_block = SerializeLabelProperties(p);
  return u;
}

void LoadWindows(std::vector<WindowDescription> windows) {
  static std::vector<std::unique_ptr<std::vector<uint8_t>>> kept;
  kept.push_back(std::make_unique<std::vector<uint8_t>>(SerializeWindowTemplate(windows)));
  Windows().Load(kept.back()->data(), kept.back()->size(),
                 reinterpret_cast<uintptr_t>(ProgramCode));
}

void InstallFormEngine() {
  korvex::ResetProgramEndForTesting();
  korvex::App().forms = FormEngine();
  korvex::InstallRuntimeEntries();
  korvex::App().libraries.assign(ProgramLibraryTable, ProgramLibraryTable + korvex::kLibraryCount);
  korvex::App().library_words.assign(korvex::kLibraryCount, 0);
}

HWND FormHandle(uint32_t window) {
  FormWindow* form = FindForm(window);
  return form ? form->handle() : nullptr;
}

HWND UnitHandle(uint32_t window, uint32_t unit) {
  FormWindow* form = FindForm(window);
  return form ? form->UnitHandle(form->record().FindUnit(unit)) : nullptr;
}

korvex::ArgRecord Read(uint32_t window, uint32_t unit, int32_t property, int32_t index) {
  return korvex::Runtime().read_property(window, unit, property, index);
}

void Write(uint32_t window, uint32_t unit, int32_t property, int32_t value, int32_t index) {
  korvex::Runtime().write_property(window, unit, property, index, static_cast<uint32_t>(value), 0);
}

void WritePointer(uint32_t window, uint32_t unit, int32_t property, const void* value) {
  const auto bits = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(value));
  korvex::Runtime().write_property(window, unit, property, -1, static_cast<uint32_t>(bits),
                                   static_cast<uint32_t>(bits >> 32));
}

std::string ReadText(uint32_t window, uint32_t unit, int32_t property) {
  const korvex::ArgRecord value = Read(window, unit, property);
  EXPECT_EQ(value.tag, korvex::tag::kText);
  char* text = korvex::PointerOf<char>(value);
  std::string result = text ? text : "";
  korvex::Free(text);
  return result;
}

void Drain() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

void CloseWindows(std::initializer_list<uint32_t> windows) {
  for (uint32_t id : windows)
    if (HWND window = FormHandle(id)) DestroyWindow(window);
  Drain();
}

RECT Pixels::Box(uint32_t colour) const {
  RECT box{width, height, -1, -1};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (At(x, y) == colour)
        box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
               std::max<LONG>(box.right, x), std::max<LONG>(box.bottom, y)};
  return box;
}

namespace {

// A 32-bit bitmap of the window's client area, filled by `draw` on its DC.
template <typename Draw>
Pixels Capture(HWND window, Draw draw) {
  RECT client;
  GetClientRect(window, &client);
  Pixels p;
  p.width = client.right;
  p.height = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = p.width;
  info.bmiHeader.biHeight = -p.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  draw(memory, p);
  GdiFlush();
  const auto* first = static_cast<const uint32_t*>(bits);
  p.rgb.assign(first, first + p.width * p.height);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  return p;
}

}  // namespace

Pixels Shown(HWND window) {
  return Capture(window, [window](HDC memory, const Pixels& p) {
    HDC screen = GetDC(window);
    BitBlt(memory, 0, 0, p.width, p.height, screen, 0, 0, SRCCOPY);
    ReleaseDC(window, screen);
  });
}

Pixels Painted(HWND window, UINT message) {
  return Capture(window, [window, message](HDC memory, const Pixels&) {
    SendMessageW(window, message, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
  });
}

void TypeKey(WORD key, bool shift) {
  std::vector<INPUT> inputs;
  auto add = [&inputs](WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(in);
  };
  if (shift) add(VK_SHIFT, false);
  add(key, false);
  add(key, true);
  if (shift) add(VK_SHIFT, true);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  WaitForInput();
}

void WaitForInput() {
  for (int i = 0; i < 200; ++i) {
    if (HIWORD(GetQueueStatus(QS_KEY)) & QS_KEY) return;
    Sleep(5);
  }
}

}  // namespace form_test
