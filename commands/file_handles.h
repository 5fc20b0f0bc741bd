// Opening files and folders so that no write or deletion goes through a link
// (Windows only). The file commands open what a path names with
// FILE_FLAG_OPEN_REPARSE_POINT and then check the opened handle, never the
// name: not a reparse point (junction, symbolic link, mount point), the kind
// expected, and a final path equal to the full path meant, so that a folder
// on the way swapped for a link is seen. What they then write, read or delete
// goes through that handle.
//
// The platform calls go through a table of operations so that tests can
// stand in for what the test machine cannot make (reparse points) or for a
// handle that changes between two steps.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/arg_record.h"

namespace korvex {

// What the platform says about an opened file or folder.
struct FileFacts {
  uint32_t attributes = 0;  // FILE_ATTRIBUTE_*
  uint32_t link_count = 0;  // names (hard links) of the file
  // The final path (GetFinalPathNameByHandle, with the drive letter or the
  // share: "\\?\C:\...", "\\?\UNC\server\share\..."); empty when unknown.
  std::wstring final_path;
  // The final path within its volume, "\" for the volume's root; empty when
  // unknown.
  std::wstring volume_relative;
};

struct FolderEntryName {
  std::wstring name;
  uint32_t attributes;
};

struct FileOperations {
  // CreateFileW; INVALID_HANDLE_VALUE (with the last error) on failure.
  using Open = HANDLE (*)(const std::wstring& path, uint32_t access, uint32_t share,
                          uint32_t disposition, uint32_t flags, bool inheritable);
  Open open;
  void (*close)(HANDLE handle);
  // False when the platform cannot read the handle's attributes; the paths
  // are left empty where it cannot tell them.
  bool (*facts)(HANDLE handle, FileFacts* facts);
  // Marks the opened file or (empty) folder for deletion when its last
  // handle closes; needs DELETE access.
  bool (*mark_deleted)(HANDLE handle);
  // Appends the entries of an opened folder except "." and ".."; false when
  // it cannot be listed.
  bool (*list)(HANDLE folder, std::vector<FolderEntryName>* entries);
  // The root of the volume that holds the full path (GetVolumePathName);
  // false when the platform cannot tell.
  bool (*volume_path)(const std::wstring& path, std::wstring* volume);
};

// The real file system.
const FileOperations& PlatformFileOperations();
// Test seam: the operations the file commands use (null: the platform's).
void SetFileOperationsForTesting(const FileOperations* operations);
// The operations in use.
const FileOperations& FileOps();

// A handle of the operations in use, closed through them.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  FileHandle(FileHandle&& other) noexcept : handle_(other.Detach()) {}
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }
  ~FileHandle() { Reset(INVALID_HANDLE_VALUE); }

  bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE Get() const { return handle_; }
  HANDLE Detach() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }
  void Reset(HANDLE handle) {
    if (IsValid()) FileOps().close(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// A code-page path text of the commands in UTF-16, converted as the
// platform's "A" file functions convert it; empty for an empty text.
std::wstring WidePath(const char* path);
// The platform's full path of a path (GetFullPathName, any length); empty
// when it cannot be made.
std::wstring FullPathOf(const std::wstring& path);
// Whether two paths name the same place: the "\\?\" and "\\?\UNC\" prefixes
// of final paths set aside, trailing separators ignored, letters compared
// without case as the file system does.
bool SamePath(const std::wstring& a, const std::wstring& b);

// Whether an opened handle's final path is `full` (a full path), or `full`
// with its short (8.3) names made long.
bool IsAt(const FileFacts& facts, const std::wstring& full);

enum class FileKind { kFile, kFolder };

// Whether an opened handle is the plain file or folder named by `full` (a
// full path): not a reparse point, of the kind asked, and at that path
// (IsAt). A file must have a single name: a hard link shares its data with a file
// elsewhere.
bool IsPlainAt(const FileFacts& facts, const std::wstring& full, FileKind kind);

// The data arguments of WriteFileCmd and WriteHeldFileCmd (args[1] to
// args[count - 1], each read as a byte set), empty ones left out.
struct DataPiece {
  const uint8_t* bytes;
  uint32_t length;
};
std::vector<DataPiece> DataPieces(int32_t count, const ArgRecord* args);

// Creates or opens the file at the full path `full` for writing, shared
// with nobody (through an inheritable handle), checks the handle, truncates
// the file and writes the pieces. A file that this call created and then
// refused is deleted again through its handle. True when every piece was
// written.
bool WriteFileChecked(const std::wstring& full, const std::vector<DataPiece>& pieces);

// Held files (WriteHeldFileCmd): lets go of the hold on the file at `full`,
// if this process holds it.
void ReleaseHeldFile(const std::wstring& full);

}  // namespace korvex
