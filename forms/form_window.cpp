#include "forms/form_window.h"

#include <algorithm>

#include "base/window_class.h"
#include "forms/events.h"
#include "forms/icon_image.h"
#include "forms/menu_layout.h"
#include "runtime/application.h"
#include "runtime/message_loop.h"

namespace korvex::forms {
namespace {

std::vector<FormWindow*>& LiveForms() {
  static std::vector<FormWindow*> forms;
  return forms;
}

HINSTANCE Instance() {
  return GetModuleHandleW(nullptr);
}

// The form object behind a platform window, kept as a window property so that
// windows of a class named by the template (with a procedure of its own) carry
// it as well.
constexpr wchar_t kFormProperty[] = L"KorvexFormWindow";
FormWindow* FormOf(HWND window) {
  return static_cast<FormWindow*>(GetPropW(window, kFormProperty));
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

// A cursor object from a cursor file image (its first image). The platform
// takes the image data behind the two hot-spot words.
HCURSOR CursorFromFile(std::span<const uint8_t> file) {
  std::vector<IconEntry> entries;
  if (!ReadIconDirectory(file, &entries, kCursorFileType) || entries.empty()) return nullptr;
  const IconEntry& first = entries.front();
  std::vector<uint8_t> resource(4);
  StoreUInt16(resource.data(), first.planes);         // hot spot x
  StoreUInt16(resource.data() + 2, first.bit_count);  // hot spot y
  const auto image = file.subspan(first.offset, first.bytes);
  resource.insert(resource.end(), image.begin(), image.end());
  return CreateIconFromResourceEx(resource.data(), static_cast<DWORD>(resource.size()), FALSE,
                                  0x00030000, 0, 0, LR_DEFAULTCOLOR);
}

// A new window's frame in screen coordinates: the template's, centred on the
// screen when the style says so.
struct WindowFrame {
  int left, top, width, height;
};
WindowFrame FrameOf(const WindowRecord& record, const WindowStyle& style) {
  WindowFrame frame = {static_cast<int32_t>(record.ReadField(0, UnitField::kLeft)),
                       static_cast<int32_t>(record.ReadField(0, UnitField::kTop)),
                       static_cast<int32_t>(record.ReadField(0, UnitField::kWidth)),
                       static_cast<int32_t>(record.ReadField(0, UnitField::kHeight))};
  if (style.centred) {
    frame.left = (GetSystemMetrics(SM_CXSCREEN) - frame.width) / 2;
    frame.top = (GetSystemMetrics(SM_CYSCREEN) - frame.height) / 2;
  }
  return frame;
}

// Handles are kept in 32-bit record slots (user handles fit in 32 bits).
uint32_t HandleValue(const void* handle) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
}

// The image of an icon file that matches the size, else its first image;
// empty when the file is malformed or holds no image.
std::span<const uint8_t> FindIconImage(std::span<const uint8_t> ico, int size) {
  std::vector<IconEntry> entries;
  if (!ReadIconDirectory(ico, &entries) || entries.empty()) return {};
  const auto match = std::find_if(entries.begin(), entries.end(),
                                  [size](const IconEntry& e) { return e.width == size; });
  const IconEntry& best = match != entries.end() ? *match : entries.front();
  return ico.subspan(best.offset, best.bytes);
}

// The object slot of a unit record holds the live object's address on the
// 32-bit target. It is never read back as a pointer: a 64-bit build keeps only
// the low half there, enough to tell a live unit from one not created.
uint32_t ObjectSlotValue(const void* object) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(object));
}

// A unit window that holds other units (the parent named in their records)
// gets this procedure in front of its own: the platform sends the
// notifications of the units inside (a button's BN_CLICKED) to it, and it
// passes them to the form window, which routes them to the unit. The window
// also becomes a control parent, so that the keyboard's Tab order goes
// through the units inside it.
constexpr wchar_t kContainerProcProperty[] = L"KorvexContainerProc";

LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const auto previous = reinterpret_cast<WNDPROC>(GetPropW(window, kContainerProcProperty));
  if (message == WM_COMMAND && lparam != 0) {
    HWND root = GetAncestor(window, GA_ROOT);
    if (root && FormOf(root)) return SendMessageW(root, message, wparam, lparam);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropW(window, kContainerProcProperty);
  }
  return CallWindowProcW(previous, window, message, wparam, lparam);
}

void MakeContainer(HWND window) {
  if (GetPropW(window, kContainerProcProperty)) return;
  SetWindowLongPtrW(window, GWL_EXSTYLE,
                    GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
  const LONG_PTR previous =
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ContainerProc));
  SetPropW(window, kContainerProcProperty, reinterpret_cast<HANDLE>(previous));
}

// The platform's menu bar of the entries; null when there is none.
HMENU BuildMenu(const WindowRecord& record) {
  const std::vector<MenuEntry> entries = MenuLayout(record);
  if (entries.empty()) return nullptr;
  HMENU bar = CreateMenu();
  std::vector<HMENU> open{bar};  // the menu of each level being filled
  for (const MenuEntry& entry : entries) {
    open.resize(entry.level + 1);
    const std::wstring caption = WideFromText(record.MenuCaption(entry.index));
    UINT flags = MF_STRING;
    if (entry.disabled) flags |= MF_GRAYED;
    if (entry.checked) flags |= MF_CHECKED;
    if (entry.popup) {
      HMENU sub = CreatePopupMenu();
      AppendMenuW(open.back(), flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), caption.c_str());
      open.push_back(sub);
    } else {
      // An item whose command id would not fit is shown but never chosen.
      const bool addressable = entry.index < kMenuCommandCount;
      AppendMenuW(open.back(), flags | (addressable ? 0 : MF_GRAYED),
                  addressable ? kFirstMenuCommandId + static_cast<UINT>(entry.index) : 0,
                  caption.c_str());
    }
  }
  return bar;
}

}  // namespace

WindowStyle StyleFromProperties(const WindowProperties& p, bool modal) {
  // The settings begin at the field after the version: setting n is field n + 1.
  auto setting = [&p](int n) { return p.field[n + 1]; };
  // Setting 1, the border: none, sizable, fixed (also any unknown value),
  // then fixed and sizable again as a tool window and with a sunken edge.
  static constexpr DWORD kFixed = WS_OVERLAPPED | WS_CAPTION;
  static constexpr DWORD kSizable = kFixed | WS_THICKFRAME;
  static constexpr struct {
    DWORD style;
    DWORD ex_style;
  } kBorders[] = {{WS_POPUP, 0},
                  {kSizable, 0},
                  {kFixed, 0},
                  {kFixed, WS_EX_TOOLWINDOW},
                  {kSizable, WS_EX_TOOLWINDOW},
                  {kFixed, WS_EX_CLIENTEDGE},
                  {kSizable, WS_EX_CLIENTEDGE}};
  const int32_t border = setting(1);
  const auto& b =
      kBorders[border >= 0 && border < static_cast<int32_t>(std::size(kBorders)) ? border : 2];
  WindowStyle s;
  s.style = b.style;
  s.ex_style = b.ex_style;
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
  bool created = false;
  FormWindow::Create(window_id, false, &created);
  return created;
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

void FormWindow::SetUnitCursor(int32_t index, std::span<const uint8_t> block) {
  if (index < 0 || static_cast<size_t>(index) >= unit_cursors_.size()) return;
  const auto i = static_cast<size_t>(index);
  FreeCursor(i);
  HCURSOR cursor = nullptr;
  if (block.size() == 4) {
    const int32_t pointer = LoadInt32(block.data());
    if (pointer != 0) cursor = StandardCursor(pointer);
  } else if (block.size() > 4) {
    owned_cursors_[i].Attach(CursorFromFile(block));
    cursor = owned_cursors_[i].Get();
  }
  unit_cursors_[i] = cursor;
  record_->WriteField(index, UnitField::kPointerSlot, HandleValue(cursor));
}

void FormWindow::FreeCursor(size_t index) {
  owned_cursors_[index].Close();
  unit_cursors_[index] = nullptr;
  record_->WriteField(static_cast<int32_t>(index), UnitField::kPointerSlot, 0);
}

void FormWindow::Attach(HWND window) {
  handle_ = window;
  SetPropW(window, kFormProperty, this);
}

LRESULT FormWindow::Default(UINT message, WPARAM wparam, LPARAM lparam) {
  if (class_proc_) return CallWindowProcW(class_proc_, handle_, message, wparam, lparam);
  return DefWindowProcW(handle_, message, wparam, lparam);
}

FormWindow* FormWindow::Create(uint32_t window_id, bool modal, bool* created) {
  bool created_here = false;
  if (!created) created = &created_here;
  *created = false;
  if (FormWindow* open = FindForm(window_id)) {
    SetForegroundWindow(open->handle());
    *created = true;
    return open;
  }
  WindowRecord* record = Windows().Find(window_id);
  if (!record || record->UnitCount() < 1 || record->UnitType(0) != kUnitTypeWindow) return nullptr;
  WindowProperties properties;
  if (ParseWindowProperties(record->PropertyBlock(0), &properties) != BlockStatus::kOk)
    return nullptr;
  if (!FormClassRegistered()) return nullptr;

  record->SaveUnits();
  const WindowStyle style = StyleFromProperties(properties, modal);
  FormWindow* form = CreatePlatformWindow(window_id, record, properties, style, modal);
  if (!form || !form->BuildContents(properties, style)) return nullptr;
  *created = true;
  const HWND window = form->handle_;
  form->Show(style);
  return RaiseCreationEvents(form, window);
}

bool FormWindow::FormClassRegistered() {
  static const bool registered = RegisterWindowClass(
      {.name = kFormClassName, .procedure = &FormWindow::WindowProc, .style = kFormClassStyle});
  return registered;
}

FormWindow* FormWindow::CreatePlatformWindow(uint32_t window_id, WindowRecord* record,
                                             const WindowProperties& properties,
                                             const WindowStyle& style, bool modal) {
  const WindowFrame frame = FrameOf(*record, style);
  HWND owner = style.owned_by_hidden ? App().hidden_owner : nullptr;

  auto* form = new FormWindow(window_id, record, modal);
  const auto unit_count = static_cast<size_t>(record->UnitCount());
  form->units_.resize(unit_count);
  form->unit_cursors_.resize(unit_count);
  form->owned_cursors_.resize(unit_count);
  LiveForms().push_back(form);
  const std::wstring caption = WideFromText(properties.caption);
  // A non-empty field 20 names the window class to use; it must exist.
  const std::wstring class_name =
      properties.text20.empty() ? kFormClassName : WideFromText(properties.text20);
  form->background_ = static_cast<uint32_t>(properties.field[4]);
  // The window's own disabled flag: it takes no input until enabled.
  const DWORD window_style =
      style.style | ((record->ReadField(0, UnitField::kFlags) & kUnitDisabled) ? WS_DISABLED : 0);
  HWND window =
      CreateWindowExW(style.ex_style, class_name.c_str(), caption.c_str(), window_style, frame.left,
                      frame.top, frame.width, frame.height, owner, nullptr, Instance(), form);
  if (window && !FormOf(window)) {
    // A class with a procedure of its own: ours goes in front of it.
    form->Attach(window);
    form->class_proc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormWindow::WindowProc)));
  }
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
  return form;
}

bool FormWindow::BuildContents(const WindowProperties& properties, const WindowStyle& style) {
  record_->WriteField(0, UnitField::kObjectSlot, ObjectSlotValue(this));
  ApplyIcon(properties.icon);
  if (!style.keep_move) DeleteMenu(GetSystemMenu(handle_, FALSE), SC_MOVE, MF_BYCOMMAND);
  const std::span<const uint8_t> stored_pointer = record_->MousePointer(0);
  SetUnitCursor(0, std::vector<uint8_t>(stored_pointer.begin(), stored_pointer.end()));

  if (!CreateUnits()) {
    DestroyWindow(handle_);  // which also deletes this object
    return false;
  }
  OrderUnitWindows();
  for (int32_t index = 1; index < record_->UnitCount(); ++index) {
    if (record_->IsMenuItem(index)) {
      ApplyMenu();
      break;
    }
  }
  return true;
}

void FormWindow::Show(const WindowStyle& style) {
  if (record_->Handler(0, kEventIdle) != 0) AddIdleRoutine(handle_, &FormWindow::OnIdle, this);
  if (record_->ReadField(0, UnitField::kFlags) & kUnitVisible) {
    ShowWindow(handle_, style.show_command);
    UpdateWindow(handle_);
  }
}

FormWindow* FormWindow::RaiseCreationEvents(FormWindow* form, HWND window) {
  // Handlers may end the program or close the window (the object then goes
  // with it): check before each step.
  form->events_ready_ = true;
  auto alive = [window, form] { return IsWindow(window) && FormOf(window) == form; };
  for (int32_t event : {kEventCreated, kEventMoved, kEventResized}) {
    if (!alive()) return nullptr;
    form->RaiseWindowEvent(event);
  }
  // Showing and activation during creation are reported once it is complete.
  if (alive() && form->pending_shown_ && IsWindowVisible(window)) {
    form->pending_shown_ = false;
    form->RaiseWindowEvent(kEventShown);
  }
  if (alive() && form->pending_active_ && GetActiveWindow() == window) {
    form->pending_active_ = false;
    form->OnActivated(true);
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
    if (HWND inside = unit->handle()) {
      HWND parent = GetParent(inside);
      if (parent && parent != handle_) MakeContainer(parent);
    }
    record_->WriteField(index, UnitField::kObjectSlot, ObjectSlotValue(unit.get()));
    const std::span<const uint8_t> pointer = record_->MousePointer(index);
    SetUnitCursor(index, std::vector<uint8_t>(pointer.begin(), pointer.end()));
    units_[static_cast<size_t>(index)] = std::move(unit);
  }
  return true;
}

// The platform's keyboard order is the order of sibling windows: the unit
// windows of each parent are put in focus order, units of equal focus order
// in unit-table order (the order they were created in).
std::vector<int32_t> FormWindow::UnitWindowsInFocusOrder() const {
  std::vector<int32_t> order;
  for (int32_t index = 1; index < record_->UnitCount(); ++index)
    if (UnitHandle(index)) order.push_back(index);
  std::stable_sort(order.begin(), order.end(), [this](int32_t a, int32_t b) {
    return static_cast<int32_t>(record_->ReadField(a, UnitField::kFocusOrder)) <
           static_cast<int32_t>(record_->ReadField(b, UnitField::kFocusOrder));
  });
  return order;
}

void FormWindow::OrderUnitWindows() {
  std::vector<std::pair<HWND, HWND>> last_of_parent;  // parent -> its last window placed
  for (int32_t index : UnitWindowsInFocusOrder()) {
    HWND unit = UnitHandle(index);
    HWND parent = GetParent(unit);
    auto placed = std::find_if(last_of_parent.begin(), last_of_parent.end(),
                               [parent](const auto& p) { return p.first == parent; });
    HWND after = placed == last_of_parent.end() ? HWND_TOP : placed->second;
    SetWindowPos(unit, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (placed == last_of_parent.end())
      last_of_parent.emplace_back(parent, unit);
    else
      placed->second = unit;
  }
}

void FormWindow::ApplyMenu() {
  HMENU old = GetMenu(handle_);
  SetMenu(handle_, BuildMenu(*record_));
  if (old) DestroyMenu(old);
}

void FormWindow::OnMenuCommand(int32_t index) {
  for (const MenuEntry& entry : MenuLayout(*record_)) {
    if (entry.index != index) continue;
    if (entry.choosable) RaiseUnitEvent(id_, record_->UnitIdAt(index), 0, 0);
    return;
  }
}

// The unit window that had the focus when the window was deactivated.
void FormWindow::SaveFocus() {
  HWND focus = GetFocus();
  if (focus && IsChild(handle_, focus)) saved_focus_ = focus;
}

// Back to the unit that had the focus, or to the first tab-stop unit in the
// platform's order (the focus order) when that one cannot take it now.
void FormWindow::RestoreFocus() {
  if (destroying_ || IsIconic(handle_)) return;
  HWND target = saved_focus_;
  if (!target || !IsChild(handle_, target) || !IsWindowVisible(target) || !IsWindowEnabled(target))
    target = GetNextDlgTabItem(handle_, nullptr, FALSE);
  if (target && target != GetFocus()) SetFocus(target);
}

// What Enter presses: the first default button in focus order that is
// visible and enabled, otherwise the focused push button; null for none.
HWND FormWindow::DefaultButton() const {
  for (int32_t index : UnitWindowsInFocusOrder()) {
    const Unit* unit = UnitAt(index);
    if (unit && unit->IsDefaultButton() && IsWindowVisible(unit->handle()) &&
        IsWindowEnabled(unit->handle()))
      return unit->handle();
  }
  HWND focus = GetFocus();
  for (const auto& unit : units_)
    if (unit && unit->handle() == focus && unit->IsPushButton()) return focus;
  return nullptr;
}

void FormWindow::KeepDefaultButtonStyles() {
  for (const auto& unit : units_)
    if (unit) unit->KeepDefaultStyle();
}

bool FormWindow::FilterMessage(MSG* message) {
  if (!message->hwnd) return false;
  HWND root = GetAncestor(message->hwnd, GA_ROOT);
  if (!root || !FormOf(root)) return false;
  // IsDialogMessageW translates and dispatches whatever it does not take.
  if (!IsDialogMessageW(root, message)) return false;
  const bool key = message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST;
  if (FormWindow* form = key ? FormOf(root) : nullptr) form->KeepDefaultButtonStyles();
  return true;
}

void FormWindow::EraseBackground(HDC dc) {
  RECT client;
  GetClientRect(handle_, &client);
  HBRUSH brush = GetSysColorBrush(COLOR_BTNFACE);
  if (background_ != kDefaultColour) {
    if (!background_brush_.IsValid())
      background_brush_.Attach(CreateSolidBrush(background_ & 0xFFFFFF));
    if (background_brush_.IsValid()) brush = background_brush_.Get();
  }
  FillRect(dc, &client, brush);
}

void FormWindow::ApplyIcon(const std::vector<uint8_t>& ico) {
  if (ico.empty()) return;
  const struct {
    int size;
    WPARAM which;
    IconHandle* icon;
  } wanted[] = {{32, ICON_BIG, &big_icon_}, {16, ICON_SMALL, &small_icon_}};
  for (const auto& w : wanted) {
    const std::span<const uint8_t> image = FindIconImage(ico, w.size);
    if (image.empty()) continue;
    w.icon->Attach(CreateIconFromResourceEx(const_cast<PBYTE>(image.data()),
                                            static_cast<DWORD>(image.size()), TRUE, 0x00030000,
                                            w.size, w.size, LR_DEFAULTCOLOR));
    if (w.icon->IsValid())
      SendMessageW(handle_, WM_SETICON, w.which, reinterpret_cast<LPARAM>(w.icon->Get()));
  }
}

int32_t FormWindow::RaiseWindowEvent(int32_t event, bool* handled, int32_t arg_count,
                                     const int32_t* args) {
  if (handled) *handled = false;
  if (!events_ready_) return 0;
  const EventRecord record = RaiseEvent(id_, kWindowUnitId, event, arg_count, args);
  if (handled) *handled = record.has_result != 0;
  return record.result;
}

// Event 5, and event 8 on the window's first activation; or event 6. A
// handler may close the window: nothing of the object is used after that.
void FormWindow::OnActivated(bool active) {
  if (!active) {
    RaiseWindowEvent(kEventDeactivated);
    return;
  }
  HWND window = handle_;
  const bool first = !activated_once_;
  activated_once_ = true;
  RaiseWindowEvent(kEventActivated);
  if (first && IsWindow(window)) RaiseWindowEvent(kEventFirstActivated);
}

// The idle routine of a window that binds event 7: the handler gets the
// milliseconds of the current idle period and asks for more idle passes by
// returning true.
void FormWindow::OnIdle(void* parameter) {
  auto* form = static_cast<FormWindow*>(parameter);
  const auto elapsed = static_cast<int32_t>(IdleElapsedMilliseconds());
  bool handled = false;
  const int32_t more = form->RaiseWindowEvent(kEventIdle, &handled, 1, &elapsed);
  if (handled && more != 0) KeepIdling();
}

LRESULT CALLBACK FormWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    if (create->lpCreateParams) static_cast<FormWindow*>(create->lpCreateParams)->Attach(window);
  }
  FormWindow* form = FormOf(window);
  if (!form) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    // No message reaches the object after this one.
    RemovePropW(window, kFormProperty);
    const LRESULT result = form->Default(message, wparam, lparam);
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
      destroying_ = true;  // the units go next: no focus is moved to them any more
      RaiseWindowEvent(kEventDestroyed);
      RemoveIdleRoutines(window);
      break;
    case WM_MOVE:
      RaiseWindowEvent(kEventMoved);
      if (!IsWindow(window)) return 0;
      break;
    case WM_SIZE:
      RaiseWindowEvent(kEventResized);
      if (!IsWindow(window)) return 0;
      break;
    case WM_ACTIVATE: {
      const bool active = LOWORD(wparam) != WA_INACTIVE;
      if (!active) SaveFocus();
      if (!events_ready_) {
        pending_active_ = active;
      } else if (!active && pending_active_) {
        pending_active_ = false;  // its activation was never reported
      } else {
        pending_active_ = false;
        OnActivated(active);
        if (!IsWindow(window)) return 0;
      }
      const LRESULT result = Default(message, wparam, lparam);
      // The keyboard focus goes to a unit, as in a dialog box.
      if (active && IsWindow(window)) RestoreFocus();
      return result;
    }
    case WM_SETFOCUS: {
      const LRESULT result = Default(message, wparam, lparam);
      if (IsWindow(window)) RestoreFocus();
      return result;
    }
    case DM_GETDEFID:
      // Asked by the platform's dialog keyboard handling. A class named by
      // the template may use this message number for its own purposes.
      if (!class_proc_) {
        HWND button = DefaultButton();
        const int id = button ? GetDlgCtrlID(button) : 0;
        return id > 0 && id <= 0xFFFF ? MAKELRESULT(id, DC_HASDEFID) : 0;
      }
      break;
    case WM_SHOWWINDOW:
      if (!events_ready_) {
        pending_shown_ = wparam != 0;
        break;
      }
      pending_shown_ = false;
      RaiseWindowEvent(wparam ? kEventShown : kEventHidden);
      if (!IsWindow(window)) return 0;
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
      } else if (HIWORD(wparam) == 0 && LOWORD(wparam) >= kFirstMenuCommandId) {
        const auto index = static_cast<int32_t>(LOWORD(wparam) - kFirstMenuCommandId);
        if (record_->IsMenuItem(index)) {
          OnMenuCommand(index);
          return 0;
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
    case WM_ERASEBKGND:
      if (class_proc_) break;  // a named class paints its own background
      EraseBackground(reinterpret_cast<HDC>(wparam));
      return 1;
    default:
      break;
  }
  return Default(message, wparam, lparam);
}

void FormWindow::OnFinalDestroy() {
  HWND window = handle_;
  const uint32_t id = id_;
  WindowRecord* record = record_;
  events_ready_ = false;
  units_.clear();  // their windows went with this one; each clears its object slot
  for (size_t i = 0; i < owned_cursors_.size(); ++i) FreeCursor(i);
  record->WriteField(0, UnitField::kObjectSlot, 0);
  auto& live = LiveForms();
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
  delete this;
  // The runtime hears of the closed window before the quit check.
  NotifyWindowDestroyed(id, window);
  // Changes made to the records while the window was open are dropped.
  record->RestoreSavedUnits();
  QuitIfNoWindowLeft();
}

}  // namespace korvex::forms
