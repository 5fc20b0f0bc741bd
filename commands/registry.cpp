// Deleting a registry value or, failing that, a key, in the registry view
// that the platform gives this process.
//
// The path is opened one key at a time, each relative to the key opened
// before it and with REG_OPTION_OPEN_LINK, so that a registry link anywhere
// on the path is seen as the link it is instead of being followed silently;
// links are then followed only into the current user's own hives
// (registry_links.h). The value and the key are deleted through the handles
// that were checked, so nothing can be put in their place in between.
#include <windows.h>
#include <sddl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/registry_links.h"
#include "commands/registry_path.h"
#include "base/handles.h"
#include "runtime/arg_record.h"

extern "C" {
// ntdll: the key behind a handle, and its deletion through that handle.
LONG NTAPI NtDeleteKey(HANDLE key);
LONG NTAPI NtQueryKey(HANDLE key, int information_class, void* information, ULONG length,
                      ULONG* result_length);
}

namespace korvex {
namespace {

constexpr int kKeyNameInformation = 3;

std::wstring g_sid_for_testing;

HKEY RootKeyOf(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegistryRoot::kCurrentConfig:
      return HKEY_CURRENT_CONFIG;
    case RegistryRoot::kLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegistryRoot::kUsers:
      return HKEY_USERS;
    case RegistryRoot::kCurrentUser:
      break;
  }
  return HKEY_CURRENT_USER;
}

// The security identifier of the process's user as text; empty when unknown.
std::wstring CurrentUserSid() {
  if (!g_sid_for_testing.empty()) return g_sid_for_testing;
  KernelHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return {};
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> user(size);
  if (size == 0 || !::GetTokenInformation(token.Get(), TokenUser, user.data(), size, &size)) {
    return {};
  }
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) {
    return {};
  }
  std::wstring sid = text;
  ::LocalFree(text);
  return sid;
}

// The native name of an open key ("\REGISTRY\USER\..."); empty when unknown.
std::wstring NativeNameOf(HKEY key) {
  std::vector<ULONG> buffer(128);  // ULONG-aligned: KEY_NAME_INFORMATION starts with its length
  for (int attempt = 0; attempt < 2; ++attempt) {
    ULONG needed = 0;
    const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG));
    const LONG status = ::NtQueryKey(key, kKeyNameInformation, buffer.data(), size, &needed);
    if (status == 0) {
      const ULONG bytes = buffer[0];
      if (bytes > size - sizeof(ULONG)) return {};
      return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + 1),
                          bytes / sizeof(wchar_t));
    }
    if (needed <= size) return {};
    buffer.resize(needed / sizeof(ULONG) + 1);
  }
  return {};
}

// Whether a key opened with REG_OPTION_OPEN_LINK is a link: it then holds
// the target's native name in a REG_LINK value "SymbolicLinkValue".
bool IsLink(HKEY key) {
  DWORD type = 0;
  return ::RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
             ERROR_SUCCESS &&
         type == REG_LINK;
}

// Opens the key `name` (one key name) under parent with the given access. A
// link is followed only as MayFollowRegistryLink allows, judged by the key
// that the opened handle leads to; then the handle is that key's.
bool OpenKeyLevel(HKEY parent, const std::string& name, REGSAM access, RegistryKey* key) {
  if (::RegOpenKeyExA(parent, name.c_str(), REG_OPTION_OPEN_LINK, access | KEY_QUERY_VALUE,
                      key->Receive()) != ERROR_SUCCESS) {
    return false;
  }
  if (!IsLink(key->Get())) return true;
  const std::wstring link_name = NativeNameOf(key->Get());
  if (::RegOpenKeyExA(parent, name.c_str(), 0, access, key->Receive()) != ERROR_SUCCESS) {
    return false;
  }
  if (MayFollowRegistryLink(link_name, NativeNameOf(key->Get()), CurrentUserSid())) return true;
  key->Close();
  return false;
}

// Opens the key at path[0, length) under root, one key name at a time;
// `last_access` is the access asked for the last key. An empty path is the
// root itself (held by `key` only when it had to be opened).
bool OpenKeyPath(HKEY root, const char* path, int32_t length, REGSAM last_access, HKEY* opened,
                 RegistryKey* key) {
  *opened = root;
  const std::vector<RegistryName> names = RegistryKeyNames(path, length);
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string name(path + names[i].offset, static_cast<size_t>(names[i].length));
    RegistryKey next;
    if (!OpenKeyLevel(*opened, name, i + 1 == names.size() ? last_access : KEY_QUERY_VALUE,
                      &next)) {
      return false;
    }
    *key = std::move(next);
    *opened = key->Get();
  }
  return true;
}

}  // namespace

void SetCurrentUserSidForTesting(const wchar_t* sid) {
  g_sid_for_testing = sid != nullptr ? sid : L"";
}

void DeleteRegistryItemCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetBoolResult(result, false);
  if (count < 2) return;
  const char* path = PointerOf<const char>(args[1]);
  if (path == nullptr) path = "";
  const RegistryPathParts parts = RegistryPathSplit(IntOf(args[0]), path);
  const HKEY root = RootKeyOf(parts.root);
  const char* item = path + parts.item_offset;

  bool deleted = false;
  {
    HKEY parent = nullptr;
    RegistryKey key;
    if (OpenKeyPath(root, path, parts.key_length, KEY_SET_VALUE, &parent, &key)) {
      deleted = ::RegDeleteValueA(parent, item) == ERROR_SUCCESS;
    }
  }
  // A path that ends in a backslash (or is empty) names a key's unnamed
  // value; it never deletes the key itself. The key is deleted through the
  // handle that was checked (the platform refuses a key with subkeys).
  if (!deleted && item[0] != 0) {
    HKEY target = nullptr;
    RegistryKey key;
    const int32_t whole = static_cast<int32_t>(std::char_traits<char>::length(path));
    if (OpenKeyPath(root, path, whole, DELETE, &target, &key) && key.IsValid()) {
      deleted = ::NtDeleteKey(key.Get()) == 0;
    }
  }
  SetBoolResult(result, deleted);
}

}  // namespace korvex
