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

const FolderTreeOperations kPlatformOperations = {ListFolder, RemoveFolder, DeleteOneFile,
                                                  AttributesOf};
const FolderTreeOperations* g_operations = &kPlatformOperations;

const char* TextArg(const ArgRecord* args) {
  const char* text = PointerOf<const char>(args[0]);
  return text != nullptr ? text : "";
}

}  // namespace

const FolderTreeOperations& PlatformFolderTreeOperations() {
  return kPlatformOperations;
}

void SetFolderTreeOperationsForTesting(const FolderTreeOperations* operations) {
  g_operations = operations != nullptr ? operations : &kPlatformOperations;
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
  // Drive roots ("C:" and "C:\") are never emptied.
  if (path[1] == ':' && (path[2] == 0 || (path[2] == '\\' && path[3] == 0))) return;

  const FolderTreeOperations& ops = *g_operations;
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
