// Removing a folder tree through handles (Windows only).
//
// Every folder is held open while its contents are deleted, with a share
// mode without FILE_SHARE_DELETE, so that it cannot be renamed, moved or
// replaced meanwhile (and, on the platform's file systems, neither can any
// folder above it that holds an open entry). Each level is listed through
// its handle; each entry is then opened by its path under the folder's final
// path, with FILE_FLAG_OPEN_REPARSE_POINT, and its handle checked before
// anything is deleted through it. Opening entries relative to the folder's
// handle (NtCreateFile with a root directory) would do as well, but needs
// the native interface; the held folder and the final-path check on every
// entry leave no gap to close.
#pragma once

#include <cstdint>
#include <string>

#include "commands/file_handles.h"

namespace korvex {

// Whether a full path names the root of a volume or of a network share by
// its spelling alone: "C:\", "C:\.", "\\?\C:\", "\\?\Volume{...}\",
// "\\server\share\", "\\?\UNC\server\share\" and the like.
bool IsRootBySpelling(const std::wstring& full);

enum class RootVerdict { kNotRoot, kRoot, kCannotTell };

// Whether the opened folder at `full` (its facts as read through its handle)
// is the root of a volume. An ordinary folder tells by its path within its
// volume ("\" is the root), without a lookup. A link, which may be a mount
// point of another volume, and a folder whose path within its volume is not
// known, are looked up (GetVolumePathName); when that fails the answer is
// "cannot tell".
RootVerdict VolumeRootVerdict(const FileFacts& facts, const std::wstring& full,
                              const FileOperations& operations);

class FolderTreeDeleter {
 public:
  explicit FolderTreeDeleter(const FileOperations& operations) : ops_(operations) {}
  // Deletes everything inside the folder held by `folder`, whose final path
  // is `final_path`. A link (reparse point) is removed as an entry of its
  // own and never entered; an entry whose handle is not at its path (a
  // folder on the way swapped, or a link the platform followed) is left
  // alone. Failures of single deletions are ignored.
  void DeleteContents(HANDLE folder, const std::wstring& final_path);

 private:
  const FileOperations& ops_;
};

}  // namespace korvex
