// File and folder commands against the real file system, in scratch folders.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/folder_tree.h"
#include "tests/commands/win_test_util.h"

namespace korvex {
namespace {

using test::ByteSet;
using test::Call;
using test::Exists;
using test::ReadAll;
using test::ScratchFolder;
using test::Text;

bool Write(const std::string& path, std::vector<ArgRecord> data) {
  data.insert(data.begin(), Text(path));
  return Call(WriteFileCmd, data).low != 0;
}
bool Path(CommandEntry command, const std::string& path) {
  return Call(command, {Text(path)}).low != 0;
}

TEST(WriteFile, CreatesOverwritesAndConcatenates) {
  ScratchFolder dir("write");
  const std::string file = dir / "out.bin";
  ByteSet long_data(std::string("0123456789\0abc", 14));
  ByteSet short_data("xy");
  ASSERT_TRUE(Write(file, {long_data.Arg()}));
  EXPECT_EQ(ReadAll(file), std::string("0123456789\0abc", 14));

  // An existing, longer file keeps only the new bytes.
  ASSERT_TRUE(Write(file, {short_data.Arg()}));
  EXPECT_EQ(ReadAll(file), "xy");

  // Two data sets back to back; empty ones write nothing.
  ByteSet empty("");
  ASSERT_TRUE(Write(file, {short_data.Arg(), empty.Arg(), long_data.Arg(), test::Bytes(nullptr)}));
  EXPECT_EQ(ReadAll(file), std::string("xy0123456789\0abc", 16));

  // Only an empty data set: an empty file.
  ASSERT_TRUE(Write(file, {empty.Arg()}));
  EXPECT_TRUE(Exists(file));
  EXPECT_EQ(ReadAll(file), "");

  // GBK file names work through the ANSI functions.
  const std::string gbk_file = dir / testing::Gbk("设置.qdf");
  ASSERT_TRUE(Write(gbk_file, {short_data.Arg()}));
  EXPECT_EQ(ReadAll(gbk_file), "xy");
}

TEST(WriteFile, FailuresTouchNothing) {
  ScratchFolder dir("write-fail");
  ByteSet data("data");
  EXPECT_FALSE(Write("", {data.Arg()}));
  EXPECT_FALSE(Write(dir / "missing\\out.bin", {data.Arg()}));
  EXPECT_FALSE(Exists(dir / "missing"));

  // A file held open without sharing cannot be replaced.
  const std::string held = dir / "held.bin";
  test::WriteAll(held, "old");
  HANDLE h = ::CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(Write(held, {data.Arg()}));
  ::CloseHandle(h);
  EXPECT_EQ(ReadAll(held), "old");
}

TEST(FileCommands, DeleteCreateAndExists) {
  ScratchFolder dir("files");
  const std::string file = dir / "a.txt";
  test::WriteAll(file, "a");
  EXPECT_TRUE(Path(FileExistsCmd, file));
  EXPECT_TRUE(Path(FileExistsCmd, dir / "*.txt"));
  EXPECT_TRUE(Path(FileExistsCmd, dir.path()));  // folders count
  EXPECT_FALSE(Path(FileExistsCmd, dir / "*.exe"));
  EXPECT_FALSE(Path(FileExistsCmd, ""));

  EXPECT_TRUE(Path(DeleteFileCmd, file));
  EXPECT_FALSE(Exists(file));
  EXPECT_FALSE(Path(DeleteFileCmd, file));
  EXPECT_FALSE(Path(FileExistsCmd, file));

  // One level only; an existing folder is a failure too.
  EXPECT_TRUE(Path(CreateFolderCmd, dir / "one"));
  EXPECT_TRUE(Exists(dir / "one"));
  EXPECT_FALSE(Path(CreateFolderCmd, dir / "one"));
  EXPECT_FALSE(Path(CreateFolderCmd, dir / "two\\three\\four"));
  EXPECT_FALSE(Exists(dir / "two"));
}

TEST(RemoveFolder, RemovesNestedTreesWithDotNames) {
  ScratchFolder dir("remove");
  const std::string root = dir / "tree";
  for (const char* folder : {"", "\\.hidden", "\\.hidden\\..x", "\\sub", "\\sub\\deeper",
                             "\\sub\\deeper\\deepest", "\\empty"}) {
    ASSERT_TRUE(::CreateDirectoryA((root + folder).c_str(), nullptr)) << folder;
  }
  for (const char* file : {"\\a.txt", "\\.dotfile", "\\.hidden\\...", "\\.hidden\\..x\\f",
                           "\\sub\\b", "\\sub\\deeper\\deepest\\c.bin"}) {
    test::WriteAll(root + file, "x");
  }
  // Leading blanks are skipped.
  EXPECT_TRUE(Path(RemoveFolderCmd, "  " + root));
  EXPECT_FALSE(Exists(root));
  EXPECT_TRUE(Exists(dir.path()));
  // A folder that is gone: false.
  EXPECT_FALSE(Path(RemoveFolderCmd, root));
}

TEST(RemoveFolder, ReportsFalseWhenAnEntryStays) {
  ScratchFolder dir("remove-busy");
  const std::string root = dir / "tree";
  ASSERT_TRUE(::CreateDirectoryA(root.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA((root + "\\inner").c_str(), nullptr));
  test::WriteAll(root + "\\inner\\busy", "b");
  test::WriteAll(root + "\\other", "o");
  HANDLE h = ::CreateFileA((root + "\\inner\\busy").c_str(), GENERIC_READ, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(Path(RemoveFolderCmd, root));
  ::CloseHandle(h);
  EXPECT_TRUE(Exists(root + "\\inner\\busy"));
  EXPECT_FALSE(Exists(root + "\\other"));  // the rest went
}

// --- Links -------------------------------------------------------------------
// The test machine cannot make junctions or symbolic links, so the tree walk
// is driven with a listing that reports real entries as links, and the
// operations are recorded.

std::vector<std::string> g_links;  // the entries reported as links
std::vector<std::string> g_calls;

bool IsStandInLink(const std::string& path) {
  for (const std::string& link : g_links) {
    if (path == link) return true;
  }
  return false;
}
void ListWithLinks(const std::string& folder, std::vector<FolderEntry>* entries) {
  g_calls.push_back("list " + folder);
  const size_t first = entries->size();
  PlatformFolderTreeOperations().list(folder, entries);
  for (size_t i = first; i < entries->size(); ++i) {
    if (IsStandInLink((*entries)[i].path)) (*entries)[i].attributes |= kAttributeReparsePoint;
  }
}
bool RecordedRemoveFolder(const char* path) {
  g_calls.push_back(std::string("rmdir ") + path);
  return PlatformFolderTreeOperations().remove_folder(path);
}
bool RecordedDeleteFile(const char* path) {
  g_calls.push_back(std::string("del ") + path);
  return PlatformFolderTreeOperations().delete_file(path);
}
uint32_t AttributesWithLinks(const char* path) {
  uint32_t a = PlatformFolderTreeOperations().attributes(path);
  if (IsStandInLink(path) && a != kInvalidAttributes) a |= kAttributeReparsePoint;
  return a;
}

class RemoveFolderLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    static const FolderTreeOperations ops = {ListWithLinks, RecordedRemoveFolder,
                                             RecordedDeleteFile, AttributesWithLinks,
                                             PlatformFolderTreeOperations().volume_path};
    SetFolderTreeOperationsForTesting(&ops);
    g_calls.clear();
  }
  void TearDown() override { SetFolderTreeOperationsForTesting(nullptr); }
  bool Called(const std::string& call) const {
    for (const std::string& c : g_calls) {
      if (c == call) return true;
    }
    return false;
  }
};

TEST_F(RemoveFolderLinks, FolderLinksAreRemovedUnenteredAndFileLinksDeleted) {
  ScratchFolder dir("links");
  const std::string root = dir / "tree";
  const std::string folder_link = root + "\\link";
  const std::string file_link = root + "\\file-link";
  ASSERT_TRUE(::CreateDirectoryA(root.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA(folder_link.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA((root + "\\plain").c_str(), nullptr));
  test::WriteAll(folder_link + "\\precious", "keep");
  test::WriteAll(root + "\\plain\\junk", "j");
  test::WriteAll(file_link, "l");
  g_links = {folder_link, file_link};

  EXPECT_FALSE(Path(RemoveFolderCmd, root));  // the stand-in folder link is a real, full folder
  EXPECT_TRUE(Called("list " + root));
  EXPECT_TRUE(Called("list " + root + "\\plain"));
  EXPECT_FALSE(Exists(root + "\\plain"));
  // The folder link is removed as an entry of its own, never entered.
  EXPECT_FALSE(Called("list " + folder_link));
  EXPECT_TRUE(Called("rmdir " + folder_link));
  EXPECT_EQ(ReadAll(folder_link + "\\precious"), "keep");
  // A link without the folder flag is deleted as a file.
  EXPECT_TRUE(Called("del " + file_link));
  EXPECT_FALSE(Called("rmdir " + file_link));
  EXPECT_FALSE(Exists(file_link));
}

TEST_F(RemoveFolderLinks, AFolderGivenAsLinkIsNotEmptied) {
  ScratchFolder dir("link-top");
  const std::string root = dir / "top";
  ASSERT_TRUE(::CreateDirectoryA(root.c_str(), nullptr));
  test::WriteAll(root + "\\precious", "keep");
  g_links = {root};

  EXPECT_FALSE(Path(RemoveFolderCmd, root));
  EXPECT_FALSE(Called("list " + root));
  EXPECT_TRUE(Called("rmdir " + root));
  EXPECT_EQ(ReadAll(root + "\\precious"), "keep");
}

// Roots are checked with operations that only record: nothing on a real
// drive or share is at risk should the check fail. The stand-in volume
// lookup names one folder as a mounted volume.
void ListNothing(const std::string& folder, std::vector<FolderEntry>*) {
  g_calls.push_back("list " + folder);
}
bool RecordRemoveOnly(const char* path) {
  g_calls.push_back(std::string("rmdir ") + path);
  return false;
}
bool RecordDeleteOnly(const char* path) {
  g_calls.push_back(std::string("del ") + path);
  return false;
}
uint32_t AttributesOfFolder(const char*) {
  return kAttributeDirectory;
}
bool MountedVolumeAt(const char* path, std::string* volume) {
  if (::_strnicmp(path, "C:\\Mounted", 10) != 0) return false;
  *volume = "C:\\Mounted\\";
  return true;
}

TEST(RemoveFolderRoots, VolumeAndShareRootsInEverySpellingAreRefused) {
  static const FolderTreeOperations inert = {ListNothing, RecordRemoveOnly, RecordDeleteOnly,
                                             AttributesOfFolder, MountedVolumeAt};
  SetFolderTreeOperationsForTesting(&inert);
  for (const char* path : {"",
                           "   ",
                           "C:",
                           "x:",
                           "C:\\",
                           "  D:\\",
                           "C:/",
                           "q:/",
                           "C:\\\\",
                           "C:\\.",
                           "C:\\k\\..",
                           "C:\\k\\..\\",
                           "\\",
                           "/",
                           "\\\\?\\C:\\",
                           "\\\\?\\C:",
                           "\\\\.\\Q:\\",
                           "\\\\?\\C:\\.",
                           "\\\\?\\Volume{0b1c2d3e-0000-0000-0000-100000000000}\\",
                           "\\\\server\\share",
                           "\\\\server\\share\\",
                           "//server/share/",
                           "\\\\server\\share\\k\\..",
                           "\\\\?\\UNC\\server\\share\\",
                           "\\\\server",
                           "C:\\Mounted",
                           "c:\\mounted\\"}) {
    g_calls.clear();
    EXPECT_FALSE(Path(RemoveFolderCmd, path)) << '"' << path << '"';
    EXPECT_TRUE(g_calls.empty()) << '"' << path << '"';
  }
  // Folders below a root proceed, on drives, shares and mounted volumes.
  for (const char* path : {"C:\\k", "  C:\\k", "C:/k/", "\\k", "\\\\server\\share\\k",
                           "\\\\?\\C:\\k", "\\\\?\\UNC\\server\\share\\k", "C:\\Mounted\\k"}) {
    g_calls.clear();
    Path(RemoveFolderCmd, path);
    ASSERT_EQ(g_calls.size(), 2u) << path;
    EXPECT_EQ(g_calls[1].substr(0, 6), "rmdir ") << path;
  }
  SetFolderTreeOperationsForTesting(nullptr);
}

}  // namespace
}  // namespace korvex
