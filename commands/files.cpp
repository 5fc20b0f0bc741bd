// File and folder commands of the core library, on the platform's ANSI file
// functions. Paths are code-page texts; every result is a boolean.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/folder_tree.h"
#include "base/handles.h"
#include "runtime/arg_record.h"
#include "runtime/values.h"

namespace korvex {
namespace {

void ListFolder(const std::string& folder, std::vector<FolderEntry>* entries) {
  const std::string pattern = folder + "\\*.*";
  WIN32_FIND_DATAA found;
  FindHandle search(::FindFirstFileA(pattern.c_str(), &found));
  if (!search.IsValid()) return;
  do {
    const char* name = found.cFileName;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    entries->push_back({folder + "\\" + name, static_cast<uint32_t>(found.dwFileAttributes)});
  } while (::FindNextFileA(search.Get(), &found));
}

bool RemoveFolder(const char* path) {
  return ::RemoveDirectoryA(path) != FALSE;
}
bool DeleteOneFile(const char* path) {
  return ::DeleteFileA(path) != FALSE;
}
uint32_t AttributesOf(const char* path) {
  return static_cast<uint32_t>(::GetFileAttributesA(path));
}
bool VolumePathOf(const char* path, std::string* volume) {
  char buffer[MAX_PATH + 1];
  if (!::GetVolumePathNameA(path, buffer, sizeof buffer)) return false;
  *volume = buffer;
  return true;
}

const FolderTreeOperations kPlatformOperations = {ListFolder, RemoveFolder, DeleteOneFile,
                                                  AttributesOf, VolumePathOf};
const FolderTreeOperations* g_operations = &kPlatformOperations;

const char* TextArg(const ArgRecord* args) {
  const char* text = PointerOf<const char>(args[0]);
  return text != nullptr ? text : "";
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// The components of `path` from `from` on, with "." left out and ".." taking
// away the component before it. The second byte of a double-byte character
// is never a separator.
std::vector<std::string> ComponentsOf(const std::string& path, size_t from) {
  std::vector<std::string> components;
  size_t i = from;
  while (i < path.size()) {
    size_t end = i;
    while (end < path.size() && !IsSeparator(path[end])) {
      end += ::IsDBCSLeadByte(static_cast<BYTE>(path[end])) && end + 1 < path.size() ? 2 : 1;
    }
    const std::string part = path.substr(i, end - i);
    if (part == "..") {
      if (!components.empty()) components.pop_back();
    } else if (!part.empty() && part != ".") {
      components.push_back(part);
    }
    i = end + 1;
  }
  return components;
}

// Roots told by their spelling alone, on a full path: a drive ("X:\"), a
// device or volume name after "\\?\" or "\\.\" ("\\?\X:\", "\\?\Volume{...}\"),
// and a share ("\\server\share", "\\?\UNC\server\share"). The platform does
// not make "\\?\" paths full, so their "." and ".." are weighed here.
bool IsRootBySpelling(const std::string& full) {
  if (full.size() >= 2 && full[1] == ':') return ComponentsOf(full, 2).empty();
  if (full.size() < 2 || !IsSeparator(full[0]) || !IsSeparator(full[1])) return false;
  std::vector<std::string> components = ComponentsOf(full, 2);
  if (components.empty()) return true;
  if (components[0] != "?" && components[0] != ".") return components.size() <= 2;
  components.erase(components.begin());
  if (!components.empty() && ::lstrcmpiA(components[0].c_str(), "UNC") == 0) {
    return components.size() <= 3;
  }
  return components.size() <= 1;
}

// Whether two full paths name the same folder, ignoring case and trailing
// separators.
bool SameFolder(const std::string& a, const std::string& b) {
  const std::vector<std::string> left = ComponentsOf(a, 0);
  const std::vector<std::string> right = ComponentsOf(b, 0);
  if (left.size() != right.size()) return false;
  for (size_t i = 0; i < left.size(); ++i) {
    if (::lstrcmpiA(left[i].c_str(), right[i].c_str()) != 0) return false;
  }
  return true;
}

}  // namespace

const FolderTreeOperations& PlatformFolderTreeOperations() {
  return kPlatformOperations;
}

void SetFolderTreeOperationsForTesting(const FolderTreeOperations* operations) {
  g_operations = operations != nullptr ? operations : &kPlatformOperations;
}

bool IsVolumeOrShareRoot(const char* path, const FolderTreeOperations& operations) {
  // A drive letter and a colon alone names that drive's current folder; it
  // is refused like the drive's root.
  if (path[0] != 0 && path[1] == ':' && path[2] == 0) return true;
  std::string full(MAX_PATH, '\0');
  DWORD length = ::GetFullPathNameA(path, static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length);
    length = ::GetFullPathNameA(path, static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (length == 0 || length >= full.size()) return true;
  full.resize(length);
  if (IsRootBySpelling(full)) return true;
  // A folder that is the root of its own volume (a mounted volume).
  std::string volume;
  if (!operations.volume_path(full.c_str(), &volume)) return false;
  return SameFolder(full, volume);
}

void FolderTreeDeleter::DeleteContents(const std::string& folder) {
  std::vector<FolderEntry> entries;
  ops_.list(folder, &entries);
  for (const FolderEntry& entry : entries) {
    const bool is_folder = (entry.attributes & kAttributeDirectory) != 0;
    const bool is_link = (entry.attributes & kAttributeReparsePoint) != 0;
    if (is_folder) {
      if (!is_link) DeleteContents(entry.path);
      ops_.remove_folder(entry.path.c_str());
    } else {
      ops_.delete_file(entry.path.c_str());
    }
  }
}

void WriteFileCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetBoolResult(result, false);
  if (count < 1) return;
  const char* path = TextArg(args);
  if (path[0] == 0) return;

  SECURITY_ATTRIBUTES security = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  KernelHandle file(::CreateFileA(path, GENERIC_WRITE, 0, &security, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return;
  for (int32_t i = 1; i < count; ++i) {
    const void* data = PointerOf(args[i]);
    const int32_t length = ByteSetLength(data);
    if (length <= 0) continue;
    DWORD written = 0;
    if (!::WriteFile(file.Get(), ByteSetData(data), static_cast<DWORD>(length), &written,
                     nullptr) ||
        written != static_cast<DWORD>(length)) {
      return;  // the partial file stays; the result stays false
    }
  }
  file.Close();
  SetBoolResult(result, true);
}

void DeleteFileCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetBoolResult(result, count >= 1 && ::DeleteFileA(TextArg(args)) != FALSE);
}

void CreateFolderCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetBoolResult(result, count >= 1 && ::CreateDirectoryA(TextArg(args), nullptr) != FALSE);
}

void RemoveFolderCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetBoolResult(result, false);
  if (count < 1) return;
  const char* path = TextArg(args);
  while (*path == ' ') ++path;
  if (path[0] == 0) return;
  const FolderTreeOperations& ops = *g_operations;
  // Volume and share roots are never emptied, however they are spelt.
  if (IsVolumeOrShareRoot(path, ops)) return;
  // A folder given as a link is removed as the link alone: emptying it would
  // empty the folder it points to.
  const uint32_t attributes = ops.attributes(path);
  if (attributes == kInvalidAttributes || (attributes & kAttributeReparsePoint) == 0) {
    FolderTreeDeleter(ops).DeleteContents(path);
  }
  SetBoolResult(result, ops.remove_folder(path));
}

void FileExistsCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetBoolResult(result, false);
  if (count < 1) return;
  WIN32_FIND_DATAA found;
  FindHandle search(::FindFirstFileA(TextArg(args), &found));
  SetBoolResult(result, search.IsValid());
}

}  // namespace korvex
