// Global hot keys on real windows: the subclassed window turns WM_HOTKEY of
// our ids into HotKeyNotifyMessage to the notified window, passes every
// message on, and gets its procedure back with the last unregistration.
// Ids are never reused within the process: each test takes its expected ids
// from the registrations made before it.
#include "commands/hot_keys.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "commands/commands.h"
#include "tests/commands/win_test_util.h"

namespace korvex {
namespace {

using test::Call;

struct Seen {
  UINT message;
  WPARAM w;
  LPARAM l;
};
std::vector<Seen> g_own;       // WM_HOTKEY reaching the hot-key window's own procedure
std::vector<Seen> g_notified;  // notices reaching the notified window
int32_t g_unregister_on_notice = 0;
HWND g_hot_key_window = nullptr;

LRESULT CALLBACK OwnProcedure(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_HOTKEY || m == WM_APP) g_own.push_back({m, wp, lp});
  return ::DefWindowProcA(w, m, wp, lp);
}
LRESULT CALLBACK NotifiedProcedure(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == kHotKeyNotifyMessage) {
    g_notified.push_back({m, wp, lp});
    if (g_unregister_on_notice != 0) {
      Call(UnregisterHotKeyCmd,
           {MakeInt(static_cast<int32_t>(reinterpret_cast<uintptr_t>(g_hot_key_window))),
            MakeInt(g_unregister_on_notice)});
      g_unregister_on_notice = 0;
    }
    return 0;
  }
  return ::DefWindowProcA(w, m, wp, lp);
}

HWND MakeWindow(const char* class_name, WNDPROC procedure) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = procedure;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.lpszClassName = class_name;
  ::RegisterClassA(&wc);
  return ::CreateWindowExA(0, class_name, class_name, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                           nullptr, wc.hInstance, nullptr);
}

void Pump() {
  MSG m;
  while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&m);
}

int32_t Handle(HWND w) {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(w));
}

class HotKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = MakeWindow("KorvexHotKeyTest", OwnProcedure);
    notified_ = MakeWindow("KorvexHotKeyNotified", NotifiedProcedure);
    ASSERT_NE(window_, nullptr);
    ASSERT_NE(notified_, nullptr);
    g_hot_key_window = window_;
    own_procedure_ = ::GetWindowLongPtrA(window_, GWLP_WNDPROC);
    g_own.clear();
    g_notified.clear();
  }
  void TearDown() override {
    ::DestroyWindow(window_);
    ::DestroyWindow(notified_);
    Pump();
  }
  int32_t Register(int32_t modifier_code, int32_t key) {
    return IntOf(Call(RegisterHotKeyCmd, {MakeInt(Handle(window_)), MakeInt(Handle(notified_)),
                                          MakeInt(modifier_code), MakeInt(key)}));
  }
  bool Unregister(int32_t id, HWND window = nullptr) {
    return Call(UnregisterHotKeyCmd, {MakeInt(Handle(window ? window : window_)), MakeInt(id)})
               .low != 0;
  }
  void PostHotKey(WPARAM id) {
    ::PostMessageA(window_, WM_HOTKEY, id, 0);
    Pump();
  }
  LONG_PTR Procedure() const { return ::GetWindowLongPtrA(window_, GWLP_WNDPROC); }
  LONG_PTR HotKeyProcedure() const { return reinterpret_cast<LONG_PTR>(&HotKeyWindowProcedure); }

  HWND window_ = nullptr;
  HWND notified_ = nullptr;
  LONG_PTR own_procedure_ = 0;
};

TEST_F(HotKeys, RegisterTranslateAndRestore) {
  // The first registration of the process gets 33001, each later one the next id.
  const int32_t first = 33001 + CurrentHotKeyState().sequence;
  const int32_t second = first + 1;
  EXPECT_EQ(Register(0, VK_F9), first);
  EXPECT_EQ(Procedure(), HotKeyProcedure());
  EXPECT_EQ(Register(5, VK_F8), second);  // Alt+Ctrl
  EXPECT_EQ(Procedure(), HotKeyProcedure());
  EXPECT_EQ(CurrentHotKeyState().registrations, 2);

  PostHotKey(static_cast<WPARAM>(first));
  ASSERT_EQ(g_notified.size(), 1u);
  EXPECT_EQ(g_notified[0].w, static_cast<WPARAM>(first));
  EXPECT_EQ(g_notified[0].l, 0);
  PostHotKey(static_cast<WPARAM>(second));
  ASSERT_EQ(g_notified.size(), 2u);
  EXPECT_EQ(g_notified[1].w, static_cast<WPARAM>(second));
  // Not ours (below the first id, above the last): passed on, no notice.
  PostHotKey(33000);
  PostHotKey(static_cast<WPARAM>(second + 1));
  PostHotKey(7);
  EXPECT_EQ(g_notified.size(), 2u);
  // Every message reached the window's own procedure, hot keys included.
  ASSERT_EQ(g_own.size(), 5u);
  EXPECT_EQ(g_own[0].w, static_cast<WPARAM>(first));
  ::PostMessageA(window_, WM_APP, 1, 2);
  Pump();
  EXPECT_EQ(g_own.size(), 6u);

  EXPECT_TRUE(Unregister(first));
  EXPECT_EQ(Procedure(), HotKeyProcedure());  // one registration left
  EXPECT_TRUE(Unregister(second));
  EXPECT_EQ(Procedure(), own_procedure_);
  EXPECT_EQ(CurrentHotKeyState().registrations, 0);
  EXPECT_EQ(CurrentHotKeyState().saved, nullptr);

  // No longer subclassed: hot keys are no longer turned into notices.
  PostHotKey(static_cast<WPARAM>(first));
  EXPECT_EQ(g_notified.size(), 2u);
}

TEST_F(HotKeys, ModifierCodesBecomeThePlatformsModifiers) {
  const struct {
    int32_t code;
    UINT modifiers;
  } table[] = {{1, MOD_CONTROL},
               {2, MOD_SHIFT},
               {3, MOD_CONTROL | MOD_SHIFT},
               {4, MOD_ALT},
               {5, MOD_ALT | MOD_CONTROL},
               {6, MOD_ALT | MOD_SHIFT},
               {0, 0},                                   // none, passed unchanged
               {7, MOD_ALT | MOD_CONTROL | MOD_SHIFT}};  // other codes: unchanged
  constexpr int kProbeId = 0xB000;
  for (const auto& row : table) {
    const int32_t id = Register(row.code, VK_F11);
    ASSERT_NE(id, 0) << row.code;
    // The platform refuses a second registration of the same key with the
    // same modifiers, so the command's modifiers are exactly these.
    EXPECT_FALSE(::RegisterHotKey(notified_, kProbeId, row.modifiers, VK_F11)) << row.code;
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED)) << row.code;
    ::UnregisterHotKey(notified_, kProbeId);
    EXPECT_TRUE(Unregister(id)) << row.code;
  }
}

TEST_F(HotKeys, RefusedUnregistrationStillCountsAndRestores) {
  const int32_t id = Register(4, VK_F7);  // Alt
  EXPECT_EQ(id, static_cast<int32_t>(CurrentHotKeyState().last_id));
  EXPECT_EQ(Procedure(), HotKeyProcedure());
  EXPECT_FALSE(Unregister(99999));  // never registered
  EXPECT_EQ(CurrentHotKeyState().registrations, 0);
  EXPECT_EQ(Procedure(), own_procedure_);
  // The real key is still registered with the platform; the count stays at 0.
  EXPECT_TRUE(Unregister(id));
  EXPECT_EQ(CurrentHotKeyState().registrations, 0);
}

TEST_F(HotKeys, RefusedRegistrationGivesZeroButUsesAnId) {
  const int32_t first = Register(2, VK_F6);  // Shift
  ASSERT_NE(first, 0);
  const uint32_t last_before = CurrentHotKeyState().last_id;
  EXPECT_EQ(Register(2, VK_F6), 0);  // the same key again: the platform refuses
  EXPECT_EQ(CurrentHotKeyState().last_id, last_before + 1);
  EXPECT_EQ(CurrentHotKeyState().registrations, 2);
  const int32_t next = Register(3, VK_F6);  // Ctrl+Shift
  EXPECT_EQ(static_cast<uint32_t>(next), last_before + 2);
  EXPECT_TRUE(Unregister(first));
  EXPECT_FALSE(Unregister(static_cast<int32_t>(last_before + 1)));
  EXPECT_TRUE(Unregister(next));
  EXPECT_EQ(Procedure(), own_procedure_);
}

TEST_F(HotKeys, RestoresTheSubclassedWindowWhateverWindowIsNamed) {
  const int32_t id = Register(6, VK_F5);  // Alt+Shift
  ASSERT_NE(id, 0);
  const LONG_PTR notified_procedure = ::GetWindowLongPtrA(notified_, GWLP_WNDPROC);
  EXPECT_FALSE(Unregister(id, notified_));  // the key belongs to the other window
  EXPECT_EQ(Procedure(), own_procedure_);
  EXPECT_EQ(::GetWindowLongPtrA(notified_, GWLP_WNDPROC), notified_procedure);
  EXPECT_TRUE(Unregister(id));
}

TEST_F(HotKeys, TheNoticeMayUnregisterTheLastKey) {
  const int32_t id = Register(1, VK_F4);  // Ctrl
  ASSERT_NE(id, 0);
  g_unregister_on_notice = id;
  PostHotKey(static_cast<WPARAM>(id));
  ASSERT_EQ(g_notified.size(), 1u);
  ASSERT_EQ(g_own.size(), 1u);  // still passed on to the window's own procedure
  EXPECT_EQ(Procedure(), own_procedure_);
  EXPECT_EQ(CurrentHotKeyState().registrations, 0);
}

}  // namespace
}  // namespace korvex
