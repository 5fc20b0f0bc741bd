#include "commands/registry_path.h"

#include <string>

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

namespace {

// Calls separator(i) for every backslash among the first `length` bytes (a
// negative length: up to the terminating NUL) that is not the second byte of
// a double-byte character; a lead byte as the last byte ends the scan.
template <typename Separator>
void ForEachSeparator(const char* path, int32_t length, Separator separator) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(path);
  auto inside = [&](int32_t i) { return length < 0 ? bytes[i] != 0 : i < length; };
  for (int32_t i = 0; inside(i);) {
    if ((bytes[i] & 0x80) != 0) {
      if (!inside(i + 1)) break;  // a lead byte without its second byte
      i += 2;
      continue;
    }
    if (bytes[i] == '\\') separator(i);
    ++i;
  }
}

wchar_t AsciiUpper(wchar_t c) {
  return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Whether text starts with prefix, ASCII letters compared without case.
bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiUpper(text[i]) != AsciiUpper(prefix[i])) return false;
  }
  return true;
}

// Whether name is the key `hive` itself or a key below it.
bool IsAtOrBelow(std::wstring_view name, std::wstring_view hive) {
  if (!StartsWithNoCase(name, hive)) return false;
  return name.size() == hive.size() || name[hive.size()] == L'\\';
}

}  // namespace

RegistryPathParts RegistryPathSplit(int32_t root_id, const char* path) {
  int32_t last_separator = -1;
  ForEachSeparator(path, -1, [&](int32_t i) { last_separator = i; });
  if (last_separator < 0) return {RegistryRootOf(root_id), 0, 0};
  return {RegistryRootOf(root_id), last_separator, last_separator + 1};
}

std::vector<RegistryName> RegistryKeyNames(const char* path, int32_t length) {
  std::vector<RegistryName> names;
  int32_t start = 0;
  auto add = [&](int32_t end) {
    if (end > start) names.push_back({start, end - start});
    start = end + 1;
  };
  ForEachSeparator(path, length, add);
  add(length);
  return names;
}

bool IsInUserHives(std::wstring_view native_name, std::wstring_view sid) {
  if (sid.empty()) return false;
  std::wstring user_hive = L"\\REGISTRY\\USER\\";
  user_hive += sid;
  return IsAtOrBelow(native_name, user_hive) || IsAtOrBelow(native_name, user_hive + L"_Classes");
}

bool MayFollowRegistryLink(std::wstring_view link_name, std::wstring_view target_name,
                           std::wstring_view sid) {
  if (IsInUserHives(target_name, sid)) return true;
  constexpr std::wstring_view kMachineHive = L"\\REGISTRY\\MACHINE";
  return IsAtOrBelow(link_name, kMachineHive) && IsAtOrBelow(target_name, kMachineHive);
}

}  // namespace korvex
