// A registry item path of the registry commands: a root id and a text of key
// names separated by backslashes, split into root, key path and item name.
// Platform-independent.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

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

// The key names of the first `length` bytes of a key path, as (offset,
// length) pairs in order, split at the same backslashes as
// RegistryPathSplit. Empty names (doubled, leading or trailing backslashes)
// are left out.
struct RegistryName {
  int32_t offset;
  int32_t length;
};
std::vector<RegistryName> RegistryKeyNames(const char* path, int32_t length);

// Whether a key's native name ("\REGISTRY\USER\<sid>\...") lies in one of
// the two hives of the user with the given security identifier text: the
// user's own hive \REGISTRY\USER\<sid> and the user's classes hive
// \REGISTRY\USER\<sid>_Classes (the hive behind that user's
// Software\Classes), the hive keys themselves included. Names are compared
// without regard to ASCII case, as the registry does.
bool IsInUserHives(std::wstring_view native_name, std::wstring_view sid);

// Whether the registry commands follow a registry link, given the native
// names of the link key itself and of the key it leads to, and the current
// user's security identifier text: when the key it leads to lies in that
// user's hives (where the user could make that change anyway), or when both
// lie in the machine's hive (\REGISTRY\MACHINE), where only administrators
// and the system make keys (the 32-bit view's Wow6432Node\Classes is such a
// link). A link in the user's hives that leads anywhere else was planted
// by a program of the user and is never followed.
bool MayFollowRegistryLink(std::wstring_view link_name, std::wstring_view target_name,
                           std::wstring_view sid);

}  // namespace korvex
