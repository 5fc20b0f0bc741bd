// Pieces shared by the form tests that describe windows of their own: units
// described in a few words, the property entries, the keyboard and the
// queue. The windows bind their events to the test program's recording
// routines (tests/window/test_program.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "forms/window_description.h"
#include "runtime/arg_record.h"

namespace form_test {

// Recording routines of the test program, by what they log.
inline constexpr int32_t kLogsButton1 = 0x1A30;
inline constexpr int32_t kLogsButton2 = 0x1E24;
inline constexpr int32_t kLogsButton3 = 0x00C7;

// A visible window of the form class at (left, top), without events.
korvex::forms::UnitDescription Window(const char* caption, int32_t left, int32_t top, int32_t width,
                                      int32_t height);
// A button whose click runs the routine at `handler`.
korvex::forms::UnitDescription Button(uint32_t id, const char* caption, int32_t left, int32_t top,
                                      int32_t handler);
// A label without a caption of its own.
korvex::forms::UnitDescription Label(uint32_t id, int32_t left, int32_t top, int32_t width,
                                     int32_t height, const korvex::forms::LabelProperties& p);

// Loads windows into the process-wide window set against the test program's
// code block; the segment is kept for the rest of the run.
void LoadWindows(std::vector<korvex::forms::WindowDescription> windows);

// Makes the runtime and the form engine ready for LoadWindow, as the test
// program's start-up does.
void InstallFormEngine();

// The open window's platform handle, and a unit's (null when not open).
HWND FormHandle(uint32_t window);
HWND UnitHandle(uint32_t window, uint32_t unit);

// The property entries of the runtime.
korvex::ArgRecord Read(uint32_t window, uint32_t unit, int32_t property, int32_t index = -1);
void Write(uint32_t window, uint32_t unit, int32_t property, int32_t value, int32_t index = -1);
void WritePointer(uint32_t window, uint32_t unit, int32_t property, const void* value);
std::string ReadText(uint32_t window, uint32_t unit, int32_t property);

// Takes every waiting message out of the queue and dispatches it.
void Drain();
// Destroys the open windows of these ids, then drains the queue.
void CloseWindows(std::initializer_list<uint32_t> windows);

// Pixels 0x00RRGGBB of a window's client area, rows top down.
struct Pixels {
  int width = 0, height = 0;
  std::vector<uint32_t> rgb;
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y * width + x)] & 0xFFFFFF; }
  // The bounding box of the pixels of one colour; right < 0 when there is none.
  RECT Box(uint32_t colour) const;
};
// What the screen shows of the window's client area.
Pixels Shown(HWND window);
// What the window draws into a bitmap of its client area's size when sent
// `message` with the bitmap's DC: WM_PRINTCLIENT paints, WM_ERASEBKGND erases.
Pixels Painted(HWND window, UINT message = WM_PRINTCLIENT);

// Real key presses through the platform's input, as a keyboard makes them;
// then the messages are left in the queue for the pump under test.
void TypeKey(WORD key, bool shift = false);
// Waits until the keys typed have reached the queue (at most a second).
void WaitForInput();

}  // namespace form_test
