// File and folder commands of the core library. Paths are code-page texts;
// every result is a boolean.
//
// Writing and deleting go through handles that were checked first
// (file_handles.h): nothing is written or deleted through a link, a hard
// link or a folder on the way swapped for one. Creating a folder and looking
// for a file use the platform's "A" functions directly.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/file_handles.h"
#include "commands/folder_tree.h"
#include "base/handles.h"
#include "runtime/arg_record.h"

namespace korvex {
namespace {

// A folder held while it is emptied: listed, deleted at the end, and never
// shared for deletion, so that it cannot be renamed or replaced meanwhile.
constexpr uint32_t kFolderAccess =
    DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr uint32_t kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr uint32_t kEntryFileAccess = DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr uint32_t kEntryFileShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Opens folders too, and a link as itself.
constexpr uint32_t kOpenAsItself = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

const char* TextArg(const ArgRecord* args) {
  const char* text = PointerOf<const char>(args[0]);
  return text != nullptr ? text : "";
}

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

bool Has(uint32_t attributes, uint32_t flag) {
  return (attributes & flag) != 0;
}

// The components of `path` from `from` on, with "." left out and ".." taking
// away the component before it.
std::vector<std::wstring> ComponentsOf(const std::wstring& path, size_t from) {
  std::vector<std::wstring> components;
  size_t i = from;
  while (i < path.size()) {
    size_t end = i;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::wstring part = path.substr(i, end - i);
    if (part == L"..") {
      if (!components.empty()) components.pop_back();
    } else if (!part.empty() && part != L".") {
      components.push_back(part);
    }
    i = end + 1;
  }
  return components;
}

bool IsNoCase(const std::wstring& a, const wchar_t* b) {
  return ::CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

// "\" (or "\\"...): the path of a volume's root within that volume.
bool IsVolumeRootPath(const std::wstring& volume_relative) {
  if (volume_relative.empty()) return false;
  for (wchar_t c : volume_relative) {
    if (!IsSeparator(c)) return false;
  }
  return true;
}

}  // namespace

// The platform does not make "\\?\" paths full, so their "." and ".." are
// weighed here.
bool IsRootBySpelling(const std::wstring& full) {
  if (full.size() >= 2 && full[1] == L':') return ComponentsOf(full, 2).empty();
  if (full.size() < 2 || !IsSeparator(full[0]) || !IsSeparator(full[1])) return false;
  std::vector<std::wstring> components = ComponentsOf(full, 2);
  if (components.empty()) return true;
  if (components[0] != L"?" && components[0] != L".") return components.size() <= 2;
  components.erase(components.begin());
  if (!components.empty() && IsNoCase(components[0], L"UNC")) return components.size() <= 3;
  return components.size() <= 1;
}

RootVerdict VolumeRootVerdict(const FileFacts& facts, const std::wstring& full,
                              const FileOperations& operations) {
  if (IsVolumeRootPath(facts.volume_relative)) return RootVerdict::kRoot;
  const bool link = Has(facts.attributes, FILE_ATTRIBUTE_REPARSE_POINT);
  if (!link && !facts.volume_relative.empty()) return RootVerdict::kNotRoot;
  std::wstring volume;
  if (!operations.volume_path(full, &volume)) return RootVerdict::kCannotTell;
  return SamePath(full, volume) ? RootVerdict::kRoot : RootVerdict::kNotRoot;
}

void FolderTreeDeleter::DeleteContents(HANDLE folder, const std::wstring& final_path) {
  std::vector<FolderEntryName> entries;
  ops_.list(folder, &entries);
  for (const FolderEntryName& entry : entries) {
    const std::wstring path = final_path + L"\\" + entry.name;
    const bool listed_as_folder = Has(entry.attributes, FILE_ATTRIBUTE_DIRECTORY);
    FileHandle item(ops_.open(path, listed_as_folder ? kFolderAccess : kEntryFileAccess,
                              listed_as_folder ? kFolderShare : kEntryFileShare, OPEN_EXISTING,
                              kOpenAsItself, false));
    if (!item.IsValid()) continue;
    FileFacts facts;
    if (!ops_.facts(item.Get(), &facts) || !IsAt(facts, path)) continue;
    const bool is_folder = Has(facts.attributes, FILE_ATTRIBUTE_DIRECTORY);
    if (is_folder != listed_as_folder) continue;  // changed since the listing
    if (is_folder && !Has(facts.attributes, FILE_ATTRIBUTE_REPARSE_POINT)) {
      DeleteContents(item.Get(), facts.final_path);
    }
    ops_.mark_deleted(item.Get());
  }
}

void WriteFileCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetBoolResult(result, false);
  if (count < 1) return;
  const std::wstring full = FullPathOf(WidePath(TextArg(args)));
  if (full.empty()) return;
  SetBoolResult(result, WriteFileChecked(full, DataPieces(count, args)));
}

// A link given by name is deleted as the link itself (it is opened as
// itself, never followed); a file reached through a folder swapped for a
// link is not at its path and stays.
void DeleteFileCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetBoolResult(result, false);
  if (count < 1) return;
  const std::wstring full = FullPathOf(WidePath(TextArg(args)));
  if (full.empty()) return;
  ReleaseHeldFile(full);
  const FileOperations& ops = FileOps();
  FileHandle file(ops.open(full, kEntryFileAccess, kEntryFileShare, OPEN_EXISTING,
                           FILE_FLAG_OPEN_REPARSE_POINT, false));
  if (!file.IsValid()) return;
  FileFacts facts;
  if (!ops.facts(file.Get(), &facts) || Has(facts.attributes, FILE_ATTRIBUTE_DIRECTORY) ||
      !IsAt(facts, full)) {
    return;
  }
  SetBoolResult(result, ops.mark_deleted(file.Get()));
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
  // A drive letter and a colon alone names that drive's current folder; it
  // is refused like the drive's root.
  if (path[1] == ':' && path[2] == 0) return;
  // Volume and share roots are never emptied, however they are spelt; nor is
  // a folder when it cannot be told whether it is one.
  const std::wstring full = FullPathOf(WidePath(path));
  if (full.empty() || IsRootBySpelling(full)) return;
  const FileOperations& ops = FileOps();
  FileHandle folder(
      ops.open(full, kFolderAccess, kFolderShare, OPEN_EXISTING, kOpenAsItself, false));
  if (!folder.IsValid()) return;
  FileFacts facts;
  if (!ops.facts(folder.Get(), &facts) || !Has(facts.attributes, FILE_ATTRIBUTE_DIRECTORY) ||
      !IsAt(facts, full) || VolumeRootVerdict(facts, full, ops) != RootVerdict::kNotRoot) {
    return;
  }
  // A folder given as a link is removed as the link alone: emptying it would
  // empty the folder it leads to.
  if (!Has(facts.attributes, FILE_ATTRIBUTE_REPARSE_POINT)) {
    FolderTreeDeleter(ops).DeleteContents(folder.Get(), facts.final_path);
  }
  SetBoolResult(result, ops.mark_deleted(folder.Get()));
}

void FileExistsCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetBoolResult(result, false);
  if (count < 1) return;
  WIN32_FIND_DATAA found;
  FindHandle search(::FindFirstFileA(TextArg(args), &found));
  SetBoolResult(result, search.IsValid());
}

}  // namespace korvex
