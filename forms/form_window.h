// The form window: the live top-level window of one window template, with its
// units, routing what happens to them to the program's event handlers.
// Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "forms/template_loader.h"
#include "forms/units.h"

namespace korvex::forms {

// Window class of form windows.
inline constexpr wchar_t kFormClassName[] = L"WTWindow";
inline constexpr UINT kFormClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;  // 11

// Window events (unit 0x06010000).
enum WindowEvent : int32_t {
  kEventCreated = 0,
  kEventCloseQuery = 1,
  kEventDestroyed = 2,
  kEventMoved = 3,
  kEventResized = 4,
  kEventBeforeClose = 12,
};

// Window attributes taken from the window's property block. The block's
// stored fields are numbered from the version (field 1); the settings below
// start at the field after it.
struct WindowStyle {
  DWORD style = 0;
  DWORD ex_style = 0;
  int show_command = SW_SHOWNORMAL;
  bool centred = false;
  bool keep_move = true;         // "move" stays in the system menu
  bool owned_by_hidden = false;  // owned by the hidden owner window
};
WindowStyle StyleFromProperties(const WindowProperties& properties, bool modal);

class FormWindow {
 public:
  // Creates the window with the id from its template and all its units, then
  // raises the window events 0, 3 and 4. Null when the id is unknown, a
  // template block cannot be read or the platform refuses the window.
  static FormWindow* Create(uint32_t window_id, bool modal);

  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  uint32_t id() const { return id_; }
  WindowRecord& record() const { return *record_; }
  HWND handle() const { return handle_; }
  bool modal() const { return modal_; }

  // Live unit by unit id or index (null when absent or without object).
  Unit* UnitById(uint32_t unit_id) const;
  Unit* UnitAt(int32_t index) const;
  // The platform window of a unit: the form's own for the window unit.
  HWND UnitHandle(int32_t index) const;

  // Mouse pointer of a unit (standard pointer number; 0 = default).
  void SetUnitCursor(int32_t index, int32_t pointer);

 private:
  FormWindow(uint32_t id, WindowRecord* record, bool modal);
  ~FormWindow();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  bool CreateUnits();
  void ApplyIcon(const std::vector<uint8_t>& ico);
  void OnFinalDestroy();
  int32_t RaiseWindowEvent(int32_t event, bool* handled = nullptr);

  uint32_t id_;
  WindowRecord* record_;
  bool modal_;
  HWND handle_ = nullptr;
  bool events_ready_ = false;                 // creation complete: window events may be raised
  std::vector<std::unique_ptr<Unit>> units_;  // by unit index; null for none
  std::vector<HCURSOR> unit_cursors_;         // by unit index
  HICON big_icon_ = nullptr;
  HICON small_icon_ = nullptr;
};

// Live form windows.
FormWindow* FindForm(uint32_t window_id);
bool AnyFormWindowExists();
void DestroyAllFormWindows();
// Loads the start-up window (false when it cannot be created).
bool LoadWindow(uint32_t window_id);

}  // namespace korvex::forms
