#include "base/handles.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using korvex::FindHandle;
using korvex::GdiObject;
using korvex::KernelHandle;
using korvex::RegistryKey;

bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return GetHandleInformation(handle, &flags) != FALSE;
}

HANDLE NewEvent() {
  return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

TEST(HandleOwner, DestructorClosesAndDetachGivesUp) {
  HANDLE closed = NewEvent();
  { KernelHandle owner(closed); }
  EXPECT_FALSE(IsOpen(closed));

  HANDLE kept = NewEvent();
  {
    KernelHandle owner(kept);
    EXPECT_EQ(owner.Detach(), kept);
    EXPECT_FALSE(owner.IsValid());
  }
  EXPECT_TRUE(IsOpen(kept));
  CloseHandle(kept);
}

TEST(HandleOwner, MoveHandsOverAndClosesWhatTheTargetHeld) {
  HANDLE first = NewEvent();
  HANDLE second = NewEvent();
  KernelHandle a(first);
  KernelHandle b(second);
  b = std::move(a);
  EXPECT_FALSE(IsOpen(second));
  EXPECT_FALSE(a.IsValid());  // NOLINT: the moved-from owner holds nothing
  EXPECT_EQ(b.Get(), first);
  KernelHandle c(std::move(b));
  EXPECT_EQ(c.Get(), first);
  EXPECT_EQ(c.Close(), TRUE);
  EXPECT_FALSE(IsOpen(first));
  EXPECT_EQ(c.Close(), TRUE);  // nothing held: nothing closed twice
}

TEST(HandleOwner, InvalidHandleValuesMeanNone) {
  EXPECT_FALSE(KernelHandle(INVALID_HANDLE_VALUE).IsValid());
  WIN32_FIND_DATAW found;
  FindHandle search(FindFirstFileW(L"Z:\\korvex no such folder\\*", &found));
  EXPECT_FALSE(search.IsValid());
  EXPECT_FALSE(FindHandle().IsValid());
}

TEST(HandleOwner, GdiObjectDeletesTheObject) {
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  ASSERT_NE(brush, nullptr);
  { GdiObject<HBRUSH> owner(brush); }
  EXPECT_EQ(GetObjectType(brush), 0u);
}

TEST(RegistryKeyOwner, HoldsAKeyOnlyWhenOpened) {
  const std::wstring path =
      L"Software\\KorvexHandlesTest-" + std::to_wstring(GetCurrentProcessId());
  RegistryKey key;
  EXPECT_EQ(key.Open(HKEY_CURRENT_USER, path.c_str(), KEY_READ), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(key.IsValid());
  bool created = false;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, path.c_str(), KEY_ALL_ACCESS, &created), ERROR_SUCCESS);
  EXPECT_TRUE(created);
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, path.c_str(), KEY_ALL_ACCESS, &created), ERROR_SUCCESS);
  EXPECT_FALSE(created);
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, path.c_str(), KEY_READ), ERROR_SUCCESS);
  EXPECT_TRUE(key.IsValid());
  EXPECT_EQ(RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(key.Close(), ERROR_SUCCESS);
  EXPECT_EQ(key.Get(), nullptr);
  EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()), ERROR_SUCCESS);
}

}  // namespace
