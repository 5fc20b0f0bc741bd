// Owners of the platform handles that the commands open: one small,
// non-copyable owner per handle kind; the destructor closes.
#pragma once

#include <windows.h>

namespace korvex {

// Kernel object handles (files, processes, threads). Both null and
// INVALID_HANDLE_VALUE mean "none".
class KernelHandle {
 public:
  KernelHandle() = default;
  explicit KernelHandle(HANDLE h) : handle_(h) {}
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  ~KernelHandle() { Close(); }

  bool IsValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  BOOL Close() {
    BOOL ok = TRUE;
    if (IsValid()) ok = ::CloseHandle(handle_);
    handle_ = nullptr;
    return ok;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A directory search handle of FindFirstFileA.
class FindHandle {
 public:
  FindHandle() = default;
  explicit FindHandle(HANDLE h) : handle_(h) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle() { Close(); }

  bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  void Close() {
    if (IsValid()) ::FindClose(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// An open registry key.
class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() { Close(); }

  LONG Open(HKEY parent, const char* path, REGSAM access) {
    Close();
    return ::RegOpenKeyExA(parent, path, 0, access, &key_);
  }
  HKEY Get() const { return key_; }
  void Close() {
    if (key_ != nullptr) ::RegCloseKey(key_);
    key_ = nullptr;
  }

 private:
  HKEY key_ = nullptr;
};

}  // namespace korvex
