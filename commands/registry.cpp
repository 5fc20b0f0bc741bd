// Deleting a registry value or, failing that, a key, in the registry view
// that the platform gives this process.
#include <windows.h>

#include <cstdint>
#include <string>

#include "commands/commands.h"
#include "commands/registry_path.h"
#include "base/handles.h"
#include "runtime/arg_record.h"

namespace korvex {
namespace {

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

}  // namespace

void DeleteRegistryItemCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetBoolResult(result, false);
  if (count < 2) return;
  const char* path = PointerOf<const char>(args[1]);
  if (path == nullptr) path = "";
  const RegistryPathParts parts = RegistryPathSplit(IntOf(args[0]), path);
  const HKEY root = RootKeyOf(parts.root);
  const std::string key_path(path, static_cast<size_t>(parts.key_length));
  const char* item = path + parts.item_offset;

  bool deleted = false;
  {
    RegistryKey key;
    if (key.Open(root, key_path.c_str(), KEY_WRITE) == ERROR_SUCCESS) {
      deleted = ::RegDeleteValueA(key.Get(), item) == ERROR_SUCCESS;
    }
  }
  // A path that ends in a backslash (or is empty) names a key's unnamed
  // value; it never deletes the key itself.
  if (!deleted && item[0] != 0) deleted = ::RegDeleteKeyA(root, path) == ERROR_SUCCESS;
  SetBoolResult(result, deleted);
}

}  // namespace korvex
