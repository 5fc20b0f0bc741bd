// Owners of the platform's handles, one per kind (Windows only). Each owner
// holds at most one handle, cannot be copied (a copy would close twice), can
// be moved, and closes what it holds when it is destroyed. Close returns the
// platform function's own result, and success when nothing was held.
#pragma once

#if !defined(_WIN32)
#error "base/handles.h is for Windows builds only"
#endif

#include <windows.h>

namespace korvex {

// Traits of one handle kind: the handle type, the value that means "none",
// which values are handles, and how one is closed.
template <typename Traits>
class HandleOwner {
 public:
  using Handle = typename Traits::Handle;
  using Result = decltype(Traits::Close(Handle{}));

  HandleOwner() = default;
  explicit HandleOwner(Handle handle) : handle_(handle) {}
  HandleOwner(const HandleOwner&) = delete;
  HandleOwner& operator=(const HandleOwner&) = delete;
  HandleOwner(HandleOwner&& other) noexcept : handle_(other.Detach()) {}
  HandleOwner& operator=(HandleOwner&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.Detach();
    }
    return *this;
  }
  ~HandleOwner() { Close(); }

  bool IsValid() const { return Traits::IsValid(handle_); }
  Handle Get() const { return handle_; }

  // Gives up ownership without closing.
  Handle Detach() {
    const Handle handle = handle_;
    handle_ = Traits::None();
    return handle;
  }

  Result Close() {
    const Handle handle = Detach();
    return Traits::IsValid(handle) ? Traits::Close(handle) : Traits::kNothingHeld;
  }

  // Closes what is held and takes ownership of handle.
  void Attach(Handle handle) {
    Close();
    handle_ = handle;
  }

  // For functions that return a handle through a pointer: closes what is
  // held and gives the place where the new handle goes.
  Handle* Receive() {
    Close();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::None();
};

namespace handle_traits {

struct Module {
  using Handle = HMODULE;
  static Handle None() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static BOOL Close(Handle h) { return ::FreeLibrary(h); }
  static constexpr BOOL kNothingHeld = TRUE;
};

// Both null and INVALID_HANDLE_VALUE mean "none": the platform's functions
// return one or the other on failure, depending on the function.
struct Kernel {
  using Handle = HANDLE;
  static Handle None() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static BOOL Close(Handle h) { return ::CloseHandle(h); }
  static constexpr BOOL kNothingHeld = TRUE;
};

struct Find {
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static BOOL Close(Handle h) { return ::FindClose(h); }
  static constexpr BOOL kNothingHeld = TRUE;
};

struct RegistryKey {
  using Handle = HKEY;
  static Handle None() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static LONG Close(Handle h) { return ::RegCloseKey(h); }
  static constexpr LONG kNothingHeld = ERROR_SUCCESS;
};

template <typename T>
struct Gdi {
  using Handle = T;
  static Handle None() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static BOOL Close(Handle h) { return ::DeleteObject(h); }
  static constexpr BOOL kNothingHeld = TRUE;
};

struct Icon {
  using Handle = HICON;
  static Handle None() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static BOOL Close(Handle h) { return ::DestroyIcon(h); }
  static constexpr BOOL kNothingHeld = TRUE;
};

struct Cursor {
  using Handle = HCURSOR;
  static Handle None() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static BOOL Close(Handle h) { return ::DestroyCursor(h); }
  static constexpr BOOL kNothingHeld = TRUE;
};

}  // namespace handle_traits

// A module of LoadLibrary: FreeLibrary.
using ModuleHandle = HandleOwner<handle_traits::Module>;
// Files, processes, threads, events: CloseHandle.
using KernelHandle = HandleOwner<handle_traits::Kernel>;
// A directory search of FindFirstFile: FindClose.
using FindHandle = HandleOwner<handle_traits::Find>;
// A font, brush, pen or bitmap, typed as it was made (GdiObject<HFONT>): DeleteObject.
template <typename T = HGDIOBJ>
using GdiObject = HandleOwner<handle_traits::Gdi<T>>;
// An icon made by CreateIcon* or CopyIcon (not a shared one of LoadIcon): DestroyIcon.
using IconHandle = HandleOwner<handle_traits::Icon>;
// A cursor made by CreateCursor or CreateIconIndirect (not a shared one of
// LoadCursor): DestroyCursor.
using CursorHandle = HandleOwner<handle_traits::Cursor>;

// An open registry key: RegCloseKey. Open and Create return the platform's
// result and hold the key only on success.
class RegistryKey : public HandleOwner<handle_traits::RegistryKey> {
 public:
  using HandleOwner::HandleOwner;

  LONG Open(HKEY parent, const char* path, REGSAM access) {
    HKEY key = nullptr;
    const LONG status = ::RegOpenKeyExA(parent, path, 0, access, &key);
    return Keep(status, key);
  }
  LONG Open(HKEY parent, const wchar_t* path, REGSAM access) {
    HKEY key = nullptr;
    const LONG status = ::RegOpenKeyExW(parent, path, 0, access, &key);
    return Keep(status, key);
  }
  // *created (when given) tells whether the key was new.
  LONG Create(HKEY parent, const wchar_t* path, REGSAM access, bool* created = nullptr) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG status = ::RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                          nullptr, &key, &disposition);
    if (created != nullptr) {
      *created = status == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
    }
    return Keep(status, key);
  }

 private:
  LONG Keep(LONG status, HKEY key) {
    Attach(status == ERROR_SUCCESS ? key : nullptr);
    return status;
  }
};

}  // namespace korvex
