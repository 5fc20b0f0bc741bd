#include "forms/form_window.h"

#include <algorithm>

#include "forms/events.h"
#include "runtime/application.h"

namespace korvex::forms {
namespace {

std::vector<FormWindow*>& LiveForms() {
  static std::vector<FormWindow*> forms;
  return forms;
}

HINSTANCE Instance() {
  return GetModuleHandleW(nullptr);
}

// Standard mouse pointers by number (0 = the default arrow), as system cursor
// ids: arrow, arrow, cross, I-beam, icon, size, size NE-SW, size N-S, size
// NW-SE, size W-E, up arrow, wait, no, arrow and wait, help, size all, hand.
HCURSOR StandardCursor(int32_t pointer) {
  static constexpr WORD kCursorIds[] = {32512, 32512, 32515, 32513, 32641, 32640,
                                        32643, 32645, 32642, 32644, 32516, 32514,
                                        32648, 32650, 32651, 32646, 32649};
  WORD id = kCursorIds[0];
  if (pointer >= 0 && pointer < static_cast<int32_t>(std::size(kCursorIds)))
    id = kCursorIds[pointer];
  return LoadCursorW(nullptr, MAKEINTRESOURCEW(id));
}

int32_t StoredPointerNumber(std::span<const uint8_t> block) {
  return block.size() == 4 ? LoadInt32(block.data()) : 0;
}

// One ICO image: the directory entry that matches the size best.
struct IconImage {
  const uint8_t* data = nullptr;
  uint32_t size = 0;
};
IconImage FindIconImage(std::span<const uint8_t> ico, int size) {
  IconImage best;
  if (ico.size() < 6) return best;
  const int reserved = ico[0] | (ico[1] << 8);
  const int type = ico[2] | (ico[3] << 8);
  const int32_t count = ico[4] | (ico[5] << 8);
  if (reserved != 0 || type != 1) return best;
  ByteCursor entries(ico.subspan(6));
  for (int32_t i = 0; i < count && entries.ok(); ++i) {
    const int width = entries.ReadByte();
    entries.ReadByte();  // height
    entries.Skip(6);     // colours, reserved, planes, bit count
    const uint32_t bytes = entries.ReadUInt32();
    const uint32_t offset = entries.ReadUInt32();
    if (!entries.ok()) break;
    if (offset > ico.size() || bytes > ico.size() - offset || bytes == 0) continue;
    const int actual = width == 0 ? 256 : width;
    if (actual == size || !best.data) {
      best.data = ico.data() + offset;
      best.size = bytes;
      if (actual == size) break;
    }
  }
  return best;
}

// The object slot of a unit record holds the live object's address on the
// 32-bit target. It is never read back as a pointer: a 64-bit build keeps only
// the low half there, enough to tell a live unit from one not created.
uint32_t ObjectSlotValue(const void* object) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(object));
}

}  // namespace

WindowStyle StyleFromProperties(const WindowProperties& p, bool modal) {
  // The settings begin at the field after the version: setting n is field n + 1.
  auto setting = [&p](int n) { return p.field[n + 1]; };
  WindowStyle s;
  switch (setting(1)) {
    case 0:
      s.style = WS_POPUP;
      break;
    case 1:
      s.style = WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME;
      break;
    case 3:
      s.style = WS_OVERLAPPED | WS_CAPTION;
      s.ex_style = WS_EX_TOOLWINDOW;
      break;
    case 4:
      s.style = WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME;
      s.ex_style = WS_EX_TOOLWINDOW;
      break;
    case 5:
      s.style = WS_OVERLAPPED | WS_CAPTION;
      s.ex_style = WS_EX_CLIENTEDGE;
      break;
    case 6:
      s.style = WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME;
      s.ex_style = WS_EX_CLIENTEDGE;
      break;
    default:  // 2: fixed
      s.style = WS_OVERLAPPED | WS_CAPTION;
      break;
  }
  if (setting(6)) s.style |= WS_MINIMIZEBOX;
  if (setting(7)) s.style |= WS_MAXIMIZEBOX;
  if (setting(8)) s.style |= WS_SYSMENU;
  s.style |= WS_CLIPCHILDREN;
  switch (setting(10)) {
    case 1:
      s.centred = true;
      break;
    case 2:
      s.show_command = SW_SHOWMINIMIZED;
      break;
    case 3:
      s.show_command = SW_SHOWMAXIMIZED;
      break;
    default:
      break;
  }
  s.keep_move = setting(11) != 0;
  s.owned_by_hidden = modal || setting(15) == 0;
  return s;
}

FormWindow::FormWindow(uint32_t id, WindowRecord* record, bool modal)
    : id_(id), record_(record), modal_(modal) {}

FormWindow::~FormWindow() = default;

FormWindow* FindForm(uint32_t window_id) {
  for (FormWindow* form : LiveForms())
    if (form->id() == window_id) return form;
  return nullptr;
}

bool AnyFormWindowExists() {
  for (FormWindow* form : LiveForms())
    if (form->handle() && IsWindow(form->handle())) return true;
  return false;
}

void DestroyAllFormWindows() {
  // Destroying a window removes it from the list.
  std::vector<FormWindow*> forms = LiveForms();
  for (FormWindow* form : forms) {
    auto& live = LiveForms();
    if (std::find(live.begin(), live.end(), form) == live.end()) continue;
    if (form->handle()) DestroyWindow(form->handle());
  }
}

bool LoadWindow(uint32_t window_id) {
  return FormWindow::Create(window_id, false) != nullptr;
}

Unit* FormWindow::UnitById(uint32_t unit_id) const {
  return UnitAt(record_->FindUnit(unit_id));
}

Unit* FormWindow::UnitAt(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= units_.size()) return nullptr;
  return units_[static_cast<size_t>(index)].get();
}

HWND FormWindow::UnitHandle(int32_t index) const {
  if (index == 0) return handle_;
  const Unit* unit = UnitAt(index);
  return unit ? unit->handle() : nullptr;
}

void FormWindow::SetUnitCursor(int32_t index, int32_t pointer) {
  if (index < 0 || static_cast<size_t>(index) >= unit_cursors_.size()) return;
  unit_cursors_[static_cast<size_t>(index)] = pointer == 0 ? nullptr : StandardCursor(pointer);
}

FormWindow* FormWindow::Create(uint32_t window_id, bool modal) {
  if (FormWindow* open = FindForm(window_id)) {
    SetForegroundWindow(open->handle());
    return open;
  }
  WindowRecord* record = Windows().Find(window_id);
  if (!record || record->UnitCount() < 1 || record->UnitType(0) != kUnitTypeWindow) return nullptr;
  WindowProperties properties;
  if (ParseWindowProperties(record->PropertyBlock(0), &properties) != BlockStatus::kOk)
    return nullptr;

  static const bool registered = [] {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.style = kFormClassStyle;
    cls.lpfnWndProc = &FormWindow::WindowProc;
    cls.hInstance = Instance();
    cls.hCursor = StandardCursor(0);
    cls.hbrBackground = nullptr;
    cls.lpszClassName = kFormClassName;
    return RegisterClassExW(&cls) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  if (!registered) return nullptr;

  record->SaveUnits();
  const WindowStyle style = StyleFromProperties(properties, modal);
  int left = static_cast<int32_t>(record->ReadField(0, UnitField::kLeft));
  int top = static_cast<int32_t>(record->ReadField(0, UnitField::kTop));
  const int width = static_cast<int32_t>(record->ReadField(0, UnitField::kWidth));
  const int height = static_cast<int32_t>(record->ReadField(0, UnitField::kHeight));
  if (style.centred) {
    left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  }
  HWND owner = style.owned_by_hidden ? App().hidden_owner : nullptr;

  auto* form = new FormWindow(window_id, record, modal);
  form->units_.resize(static_cast<size_t>(record->UnitCount()));
  form->unit_cursors_.resize(static_cast<size_t>(record->UnitCount()));
  LiveForms().push_back(form);
  const std::wstring caption = WideFromText(properties.caption);
  HWND window = CreateWindowExW(style.ex_style, kFormClassName, caption.c_str(), style.style, left,
                                top, width, height, owner, nullptr, Instance(), form);
  if (!window) {
    // WM_NCDESTROY may have run already when creation failed late.
    auto& live = LiveForms();
    auto it = std::find(live.begin(), live.end(), form);
    if (it != live.end()) {
      live.erase(it);
      record->RestoreSavedUnits();
      delete form;
    }
    return nullptr;
  }
  record->WriteField(0, UnitField::kObjectSlot, ObjectSlotValue(form));
  form->ApplyIcon(properties.icon);
  if (!style.keep_move) DeleteMenu(GetSystemMenu(window, FALSE), SC_MOVE, MF_BYCOMMAND);
  form->SetUnitCursor(0, StoredPointerNumber(record->MousePointer(0)));

  if (!form->CreateUnits()) {
    DestroyWindow(window);
    return nullptr;
  }
  if (record->ReadField(0, UnitField::kFlags) & kUnitVisible) {
    ShowWindow(window, style.show_command);
    UpdateWindow(window);
  }

  // Handlers may end the program or close the window: check before each step.
  form->events_ready_ = true;
  auto alive = [window, form] {
    return IsWindow(window) &&
           reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA)) == form;
  };
  for (int32_t event : {kEventCreated, kEventMoved, kEventResized}) {
    if (!alive()) return nullptr;
    form->RaiseWindowEvent(event);
  }
  return alive() ? form : nullptr;
}

bool FormWindow::CreateUnits() {
  for (int32_t index = 1; index < record_->UnitCount(); ++index) {
    if (record_->IsMenuItem(index)) continue;  // no menu bar in these windows
    const UnitTypeRoutines* routines = UnitInterface(record_->UnitType(index));
    if (!routines || !routines->create) continue;  // a unit type without a live object
    std::unique_ptr<Unit> unit = routines->create(*this, index);
    if (!unit) return false;
    record_->WriteField(index, UnitField::kObjectSlot, ObjectSlotValue(unit.get()));
    SetUnitCursor(index, StoredPointerNumber(record_->MousePointer(index)));
    units_[static_cast<size_t>(index)] = std::move(unit);
  }
  return true;
}

void FormWindow::ApplyIcon(const std::vector<uint8_t>& ico) {
  if (ico.empty()) return;
  const struct {
    int size;
    WPARAM which;
    HICON* icon;
  } wanted[] = {{32, ICON_BIG, &big_icon_}, {16, ICON_SMALL, &small_icon_}};
  for (const auto& w : wanted) {
    const IconImage image = FindIconImage(ico, w.size);
    if (!image.data) continue;
    *w.icon = CreateIconFromResourceEx(const_cast<PBYTE>(image.data), image.size, TRUE, 0x00030000,
                                       w.size, w.size, LR_DEFAULTCOLOR);
    if (*w.icon) SendMessageW(handle_, WM_SETICON, w.which, reinterpret_cast<LPARAM>(*w.icon));
  }
}

int32_t FormWindow::RaiseWindowEvent(int32_t event, bool* handled) {
  if (handled) *handled = false;
  if (!events_ready_) return 0;
  EventRecord record;
  record.window_id = id_;
  record.unit_id = kWindowUnitId;
  record.event = event;
  RaiseEvent(record);
  if (handled) *handled = record.has_result != 0;
  return record.result;
}

LRESULT CALLBACK FormWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* form = static_cast<FormWindow*>(create->lpCreateParams);
    form->handle_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!form) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    // No message reaches the object after this one.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    const LRESULT result = DefWindowProcW(window, message, wparam, lparam);
    form->OnFinalDestroy();
    return result;
  }
  return form->HandleMessage(message, wparam, lparam);
}

LRESULT FormWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND window = handle_;
  switch (message) {
    case WM_CLOSE: {
      RaiseWindowEvent(kEventBeforeClose);
      if (!IsWindow(window)) return 0;
      bool handled = false;
      const int32_t allow = RaiseWindowEvent(kEventCloseQuery, &handled);
      if (handled && allow == 0) return 0;  // the program refused the close
      if (IsWindow(window)) DestroyWindow(window);
      return 0;
    }
    case WM_QUERYENDSESSION: {
      bool handled = false;
      const int32_t allow = RaiseWindowEvent(kEventCloseQuery, &handled);
      return handled ? (allow != 0) : TRUE;
    }
    case WM_DESTROY:
      RaiseWindowEvent(kEventDestroyed);
      RemoveIdleRoutines(window);
      break;
    case WM_MOVE:
      RaiseWindowEvent(kEventMoved);
      break;
    case WM_SIZE:
      RaiseWindowEvent(kEventResized);
      break;
    case WM_COMMAND:
      if (lparam != 0) {
        HWND control = reinterpret_cast<HWND>(lparam);
        for (const auto& unit : units_) {
          if (unit && unit->handle() == control) {
            unit->OnCommand(HIWORD(wparam));
            return 0;
          }
        }
      }
      break;
    case WM_SETCURSOR:
      if (LOWORD(lparam) == HTCLIENT) {
        HWND target = reinterpret_cast<HWND>(wparam);
        for (size_t i = 0; i < unit_cursors_.size(); ++i) {
          if (unit_cursors_[i] && UnitHandle(static_cast<int32_t>(i)) == target) {
            SetCursor(unit_cursors_[i]);
            return TRUE;
          }
        }
      }
      break;
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void FormWindow::OnFinalDestroy() {
  handle_ = nullptr;
  events_ready_ = false;
  units_.clear();  // their windows went with this one
  unit_cursors_.clear();
  if (big_icon_) DestroyIcon(big_icon_);
  if (small_icon_) DestroyIcon(small_icon_);
  big_icon_ = small_icon_ = nullptr;
  // Changes made to the records while the window was open are dropped.
  record_->RestoreSavedUnits();
  auto& live = LiveForms();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
  delete this;
  // Here the libraries would hear of the closed window (notification 2000);
  // none of this program's libraries listens for it. Then the quit check.
  QuitIfNoWindowLeft();
}

}  // namespace korvex::forms
