// Deleting the contents of a folder tree, level by level. Each level is
// listed completely before anything in it is deleted. The platform calls go
// through a table of operations so that tests can stand in for entries that
// the test machine cannot create (links).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvex {

inline constexpr uint32_t kAttributeDirectory = 0x10;
inline constexpr uint32_t kAttributeReparsePoint = 0x400;
inline constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

struct FolderEntry {
  std::string path;  // folder, backslash, entry name
  uint32_t attributes;
};

struct FolderTreeOperations {
  // Appends the entries of `folder` except "." and ".."; nothing when the
  // search finds nothing or fails.
  void (*list)(const std::string& folder, std::vector<FolderEntry>* entries);
  bool (*remove_folder)(const char* path);
  bool (*delete_file)(const char* path);
  uint32_t (*attributes)(const char* path);  // kInvalidAttributes when missing
  // The root of the volume that holds the full path `path` (the platform's
  // volume path); false when the platform cannot tell.
  bool (*volume_path)(const char* path, std::string* volume);
};

// The real file system.
const FolderTreeOperations& PlatformFolderTreeOperations();
// Test seam: the operations RemoveFolderCmd uses (null: the platform's).
void SetFolderTreeOperationsForTesting(const FolderTreeOperations* operations);

// True when `path`, made a full path by the platform, is the root of a
// volume or of a network share in any spelling: "C:", "C:/", "C:\\.",
// "\\?\C:\", "\\server\share\", or a folder that the platform reports as the
// root of its own volume (a mount point). A path that cannot be made full
// counts as a root. Such folders are never emptied.
bool IsVolumeOrShareRoot(const char* path, const FolderTreeOperations& operations);

class FolderTreeDeleter {
 public:
  explicit FolderTreeDeleter(const FolderTreeOperations& operations) : ops_(operations) {}
  // Deletes everything inside `folder`. A link (reparse point) is removed as
  // an entry of its own and never entered, so nothing outside the tree is
  // touched. Failures of single deletions are ignored.
  void DeleteContents(const std::string& folder);

 private:
  const FolderTreeOperations& ops_;
};

}  // namespace korvex
