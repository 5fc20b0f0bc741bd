// The form window: the live top-level window of one window template, with its
// units, routing what happens to them to the program's event handlers.
// Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "base/handles.h"
#include "forms/template_loader.h"
#include "forms/units.h"

namespace korvex::forms {

// Window class of form windows.
inline constexpr wchar_t kFormClassName[] = L"WTWindow";
inline constexpr UINT kFormClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;  // 11

// Command ids: a unit's window has the id kFirstControlId + its unit index, a
// menu item the command kFirstMenuCommandId + its unit index. Both ranges stay
// clear of each other and of the dialog command ids (IDOK = 1, IDCANCEL = 2,
// ...) that the platform's dialog keyboard handling sends for Enter and Escape.
inline constexpr UINT kFirstControlId = 0x100;
inline constexpr UINT kFirstMenuCommandId = 0x8000;
inline constexpr int32_t kMenuCommandCount = 0x8000;  // menu items beyond cannot be chosen

// Window events (unit 0x06010000).
enum WindowEvent : int32_t {
  kEventCreated = 0,
  kEventCloseQuery = 1,
  kEventDestroyed = 2,
  kEventMoved = 3,
  kEventResized = 4,
  kEventActivated = 5,
  kEventDeactivated = 6,
  kEventIdle = 7,  // argument: elapsed milliseconds; a true result asks for more idle time
  kEventFirstActivated = 8,
  kEventShown = 10,
  kEventHidden = 11,
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
  // raises the window events 0, 3 and 4, followed by 10 (shown), 5 and 8
  // (activated, first activation) when that happened while it was created.
  // Null when the id is unknown, a template block cannot be read, the window
  // class named by the template does not exist or the platform refuses the
  // window (*created is then false), and also when the window's own handlers
  // closed it again (*created true).
  static FormWindow* Create(uint32_t window_id, bool modal, bool* created = nullptr);

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

  // Selects a unit's mouse pointer from a pointer block: empty or a 4-byte
  // standard pointer number (0 = the default), or a cursor file image, which
  // becomes a cursor object owned by this window. The unit's pointer slot
  // holds the cursor handle (0 for the default).
  void SetUnitCursor(int32_t index, std::span<const uint8_t> block);

  // Builds the window's menu bar again from its menu items' records (after a
  // property of one changed).
  void ApplyMenu();

  // The keyboard of form windows, offered every message the runtime's loops
  // take (SetMessageFilter): the platform's dialog keyboard handling moves the
  // focus with Tab and Shift+Tab through the visible, enabled tab-stop units
  // in focus order, Space presses the focused button, Enter the default
  // button (DM_GETDEFID). True when the message was handled (dispatched).
  static bool FilterMessage(MSG* message);

 private:
  FormWindow(uint32_t id, WindowRecord* record, bool modal);
  ~FormWindow();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Default(UINT message, WPARAM wparam, LPARAM lparam);
  void Attach(HWND window);
  static void OnIdle(void* form);
  // The steps of Create: the form class, the platform window (null, with
  // nothing left behind, when the platform refuses it), its contents (false
  // when a unit cannot be made: the window and this object are gone then),
  // showing it, and the creation events (null when its handlers closed it).
  static bool FormClassRegistered();
  static FormWindow* CreatePlatformWindow(uint32_t window_id, WindowRecord* record,
                                          const WindowProperties& properties,
                                          const WindowStyle& style, bool modal);
  bool BuildContents(const WindowProperties& properties, const WindowStyle& style);
  void Show(const WindowStyle& style);
  static FormWindow* RaiseCreationEvents(FormWindow* form, HWND window);
  bool CreateUnits();
  std::vector<int32_t> UnitWindowsInFocusOrder() const;  // unit indexes
  void OrderUnitWindows();
  void ApplyIcon(const std::vector<uint8_t>& ico);
  void SaveFocus();
  void RestoreFocus();
  HWND DefaultButton() const;
  void KeepDefaultButtonStyles();
  void OnMenuCommand(int32_t index);
  void EraseBackground(HDC dc);
  void OnFinalDestroy();
  int32_t RaiseWindowEvent(int32_t event, bool* handled = nullptr, int32_t arg_count = 0,
                           const int32_t* args = nullptr);
  void OnActivated(bool active);
  void FreeCursor(size_t index);

  uint32_t id_;
  WindowRecord* record_;
  bool modal_;
  HWND handle_ = nullptr;
  WNDPROC class_proc_ = nullptr;              // the named class's procedure, when not ours
  bool events_ready_ = false;                 // creation complete: window events may be raised
  bool activated_once_ = false;               // event 8 has been raised
  bool pending_shown_ = false;                // shown while being created
  bool pending_active_ = false;               // activated while being created
  HWND saved_focus_ = nullptr;                // the unit window focused when deactivated
  bool destroying_ = false;                   // WM_DESTROY has come
  uint32_t background_ = 0;                   // window field 4: 0x00BBGGRR or kDefaultColour
  GdiObject<HBRUSH> background_brush_;        // made on first use for a colour of its own
  std::vector<std::unique_ptr<Unit>> units_;  // by unit index; null for none
  std::vector<HCURSOR> unit_cursors_;         // by unit index
  std::vector<CursorHandle> owned_cursors_;   // by unit index: made from cursor images
  IconHandle big_icon_;                       // freed with the object
  IconHandle small_icon_;
};

// Live form windows.
FormWindow* FindForm(uint32_t window_id);
bool AnyFormWindowExists();
void DestroyAllFormWindows();
// Loads the start-up window (false when it cannot be created).
bool LoadWindow(uint32_t window_id);

}  // namespace korvex::forms
