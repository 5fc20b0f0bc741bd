#include "commands/registry_path.h"

namespace korvex {

RegistryRoot RegistryRootOf(int32_t root_id) {
  switch (root_id) {
    case 1:
      return RegistryRoot::kClassesRoot;
    case 2:
      return RegistryRoot::kCurrentConfig;
    case 4:
      return RegistryRoot::kLocalMachine;
    case 5:
      return RegistryRoot::kUsers;
    default:
      return RegistryRoot::kCurrentUser;
  }
}

RegistryPathParts RegistryPathSplit(int32_t root_id, const char* path) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(path);
  int32_t last_separator = -1;
  for (int32_t i = 0; bytes[i] != 0;) {
    if ((bytes[i] & 0x80) != 0) {
      if (bytes[i + 1] == 0) break;  // a lead byte without its second byte
      i += 2;
      continue;
    }
    if (bytes[i] == '\\') last_separator = i;
    ++i;
  }
  if (last_separator < 0) return {RegistryRootOf(root_id), 0, 0};
  return {RegistryRootOf(root_id), last_separator, last_separator + 1};
}

}  // namespace korvex
