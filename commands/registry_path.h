// A registry item path of the registry commands: a root id and a text of key
// names separated by backslashes, split into root, key path and item name.
// Platform-independent.
#pragma once

#include <cstdint>

namespace korvex {

enum class RegistryRoot : int32_t {
  kClassesRoot,
  kCurrentConfig,
  kCurrentUser,
  kLocalMachine,
  kUsers,
};

// Ids 1 to 5 name the roots in the order above; any other id is the current
// user's root.
RegistryRoot RegistryRootOf(int32_t root_id);

struct RegistryPathParts {
  RegistryRoot root;
  // The key path is the first key_length bytes of the path (0: the root
  // itself); the item name is the NUL-terminated rest from item_offset.
  int32_t key_length;
  int32_t item_offset;
};

// Splits at the last backslash that is not the second byte of a double-byte
// character. Without a backslash the whole path is the item name.
RegistryPathParts RegistryPathSplit(int32_t root_id, const char* path);

}  // namespace korvex
