// File and folder commands against the real file system, in scratch folders.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/file_handles.h"
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

// --- Links, as the user's programs can plant them under Wine ------------------
// Wine shows a Unix symbolic link as the file or folder it leads to, so no
// check of attributes can see one; the final path of the opened handle does.

class UnixLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::MakeUnixLink(outside_.path(), dir_ / "probe-link")) {
      GTEST_SKIP() << "Unix links cannot be made here (not under Wine)";
    }
    test::RemoveUnixLink(dir_ / "probe-link");
  }
  void TearDown() override {
    for (const std::string& link : links_) test::RemoveUnixLink(link);
  }
  void Link(const std::string& target, const std::string& link, bool hard = false) {
    ASSERT_TRUE(test::MakeUnixLink(target, link, hard)) << link;
    if (!hard) links_.push_back(link);
  }

  ScratchFolder dir_{"links"};
  ScratchFolder outside_{"outside"};
  std::vector<std::string> links_;
};

TEST_F(UnixLinks, WriteFileNeverWritesThroughALinkedFile) {
  const std::string victim = outside_ / "win.ini";
  test::WriteAll(victim, "precious");
  Link(victim, dir_ / "Korvex.qdf");
  ByteSet data("settings image");
  EXPECT_FALSE(Write(dir_ / "Korvex.qdf", {data.Arg()}));
  EXPECT_EQ(ReadAll(victim), "precious");
}

TEST_F(UnixLinks, WriteFileNeverWritesThroughAHardLink) {
  const std::string victim = outside_ / "system.dat";
  test::WriteAll(victim, "precious");
  Link(victim, dir_ / "Korvex.qdf", /*hard=*/true);
  ByteSet data("settings image");
  EXPECT_FALSE(Write(dir_ / "Korvex.qdf", {data.Arg()}));
  EXPECT_EQ(ReadAll(victim), "precious");
}

TEST_F(UnixLinks, WriteFileNeverWritesThroughALinkedFolderAndTakesBackWhatItMade) {
  test::WriteAll(outside_ / "old.bin", "precious");
  Link(outside_.path(), dir_ / "Tessaranvolk");
  ByteSet data("installer image");
  EXPECT_FALSE(Write(dir_ / "Tessaranvolk\\old.bin", {data.Arg()}));
  EXPECT_EQ(ReadAll(outside_ / "old.bin"), "precious");
  // A file created over there is deleted again.
  EXPECT_FALSE(Write(dir_ / "Tessaranvolk\\Korvex.exe", {data.Arg()}));
  EXPECT_FALSE(Exists(outside_ / "Korvex.exe"));
}

TEST_F(UnixLinks, DeleteFileNeverDeletesThroughALinkedFolder) {
  test::WriteAll(outside_ / "Korvex.exe", "precious");
  Link(outside_.path(), dir_ / "Tessaranvolk");
  EXPECT_FALSE(Path(DeleteFileCmd, dir_ / "Tessaranvolk\\Korvex.exe"));
  EXPECT_EQ(ReadAll(outside_ / "Korvex.exe"), "precious");
}

TEST_F(UnixLinks, RemoveFolderNeverEntersALinkedFolder) {
  const std::string tree = dir_ / "tree";
  ASSERT_TRUE(::CreateDirectoryA(tree.c_str(), nullptr));
  test::WriteAll(tree + "\\junk", "j");
  test::WriteAll(outside_ / "precious", "keep");
  Link(outside_.path(), tree + "\\linked");
  EXPECT_FALSE(Path(RemoveFolderCmd, tree));  // the link stays, so does the tree
  EXPECT_EQ(ReadAll(outside_ / "precious"), "keep");
  EXPECT_FALSE(Exists(tree + "\\junk"));
  // A folder given as a link is not emptied either.
  EXPECT_FALSE(Path(RemoveFolderCmd, tree + "\\linked"));
  EXPECT_EQ(ReadAll(outside_ / "precious"), "keep");
}

// --- Reparse points, which Wine cannot make ------------------------------------
// Stand-in links in the file operations: a link is a real file or folder (the
// link itself) that an opening without FILE_FLAG_OPEN_REPARSE_POINT follows to
// its target, as the platform does, and whose handle reports itself as a
// reparse point when opened as itself. A path through a folder link always
// leads to the target.

struct StandInLink {
  std::wstring link;
  std::wstring target;
};
std::vector<StandInLink> g_links;
std::vector<HANDLE> g_link_handles;  // opened as the link itself
std::vector<std::string> g_calls;

std::string Narrow(const std::wstring& w) {
  return std::string(w.begin(), w.end());  // ASCII scratch paths
}

bool StartsWithFolder(const std::wstring& path, const std::wstring& folder) {
  return path.size() > folder.size() && SamePath(path.substr(0, folder.size()), folder) &&
         path[folder.size()] == L'\\';
}

HANDLE LinkAwareOpen(const std::wstring& path, uint32_t access, uint32_t share,
                     uint32_t disposition, uint32_t flags, bool inheritable) {
  std::wstring resolved = path;
  for (const StandInLink& l : g_links) {
    if (StartsWithFolder(resolved, l.link)) resolved = l.target + resolved.substr(l.link.size());
  }
  bool as_link = false;
  for (const StandInLink& l : g_links) {
    if (SamePath(resolved, l.link)) {
      if ((flags & FILE_FLAG_OPEN_REPARSE_POINT) != 0) {
        as_link = true;
      } else {
        resolved = l.target;
      }
    }
  }
  g_calls.push_back("open " + Narrow(path));
  const HANDLE h =
      PlatformFileOperations().open(resolved, access, share, disposition, flags, inheritable);
  if (as_link && h != INVALID_HANDLE_VALUE) g_link_handles.push_back(h);
  return h;
}
bool LinkAwareFacts(HANDLE h, FileFacts* facts) {
  if (!PlatformFileOperations().facts(h, facts)) return false;
  for (HANDLE link : g_link_handles) {
    if (link == h) facts->attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  }
  return true;
}
void LinkAwareClose(HANDLE h) {
  for (size_t i = 0; i < g_link_handles.size(); ++i) {
    if (g_link_handles[i] == h) g_link_handles.erase(g_link_handles.begin() + i);
  }
  PlatformFileOperations().close(h);
}
bool RecordedMarkDeleted(HANDLE h) {
  FileFacts facts;
  PlatformFileOperations().facts(h, &facts);
  g_calls.push_back("delete " + Narrow(facts.final_path));
  return PlatformFileOperations().mark_deleted(h);
}
bool RecordedList(HANDLE h, std::vector<FolderEntryName>* entries) {
  FileFacts facts;
  PlatformFileOperations().facts(h, &facts);
  g_calls.push_back("list " + Narrow(facts.final_path));
  return PlatformFileOperations().list(h, entries);
}

class StandInLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    static const FileOperations ops = {LinkAwareOpen,  LinkAwareClose,
                                       LinkAwareFacts, RecordedMarkDeleted,
                                       RecordedList,   PlatformFileOperations().volume_path};
    SetFileOperationsForTesting(&ops);
    g_calls.clear();
    g_links.clear();
  }
  void TearDown() override {
    SetFileOperationsForTesting(nullptr);
    g_links.clear();
  }
  void AddLink(const std::string& link, const std::string& target) {
    g_links.push_back({FullPathOf(std::wstring(link.begin(), link.end())),
                       FullPathOf(std::wstring(target.begin(), target.end()))});
  }
  bool Called(const std::string& prefix, const std::string& path) const {
    for (const std::string& c : g_calls) {
      if (c.size() >= path.size() && c.rfind(prefix, 0) == 0 &&
          ::lstrcmpiA(c.c_str() + c.size() - path.size(), path.c_str()) == 0) {
        return true;
      }
    }
    return false;
  }

  ScratchFolder dir_{"stand-in"};
  ScratchFolder outside_{"stand-in-outside"};
};

TEST_F(StandInLinks, WriteFileRefusesAFileLink) {
  test::WriteAll(outside_ / "win.ini", "precious");
  test::WriteAll(dir_ / "Korvex.qdf", "link");
  AddLink(dir_ / "Korvex.qdf", outside_ / "win.ini");
  ByteSet data("settings image");
  EXPECT_FALSE(Write(dir_ / "Korvex.qdf", {data.Arg()}));
  EXPECT_EQ(ReadAll(outside_ / "win.ini"), "precious");
  EXPECT_EQ(ReadAll(dir_ / "Korvex.qdf"), "link");
}

TEST_F(StandInLinks, DeleteFileRemovesALinkAsTheLinkItself) {
  test::WriteAll(outside_ / "win.ini", "precious");
  test::WriteAll(dir_ / "Korvex.exe", "link");
  AddLink(dir_ / "Korvex.exe", outside_ / "win.ini");
  EXPECT_TRUE(Path(DeleteFileCmd, dir_ / "Korvex.exe"));
  EXPECT_FALSE(Exists(dir_ / "Korvex.exe"));
  EXPECT_EQ(ReadAll(outside_ / "win.ini"), "precious");
}

TEST_F(StandInLinks, RemoveFolderRemovesLinksUnenteredAndFileLinksAsThemselves) {
  const std::string root = dir_ / "tree";
  ASSERT_TRUE(::CreateDirectoryA(root.c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA((root + "\\link").c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA((root + "\\plain").c_str(), nullptr));
  test::WriteAll(root + "\\plain\\junk", "j");
  test::WriteAll(root + "\\file-link", "l");
  test::WriteAll(outside_ / "precious", "keep");
  AddLink(root + "\\link", outside_.path());
  AddLink(root + "\\file-link", outside_ / "precious");

  EXPECT_TRUE(Path(RemoveFolderCmd, root));
  EXPECT_FALSE(Exists(root));
  EXPECT_TRUE(Called("list ", "tree\\plain"));
  EXPECT_FALSE(Called("list ", "tree\\link"));
  EXPECT_FALSE(Called("list ", outside_.path()));
  EXPECT_TRUE(Called("delete ", "tree\\link"));
  EXPECT_TRUE(Called("delete ", "tree\\file-link"));
  EXPECT_EQ(ReadAll(outside_ / "precious"), "keep");
}

TEST_F(StandInLinks, RemoveFolderRemovesAFolderGivenAsLinkAlone) {
  const std::string top = dir_ / "top";
  ASSERT_TRUE(::CreateDirectoryA(top.c_str(), nullptr));
  test::WriteAll(outside_ / "precious", "keep");
  AddLink(top, outside_.path());

  EXPECT_TRUE(Path(RemoveFolderCmd, top));
  EXPECT_FALSE(Exists(top));
  EXPECT_TRUE(g_calls.size() >= 1 && !Called("list ", "top"));
  EXPECT_EQ(ReadAll(outside_ / "precious"), "keep");
}

// --- Volume roots ----------------------------------------------------------------
// Checked with operations that only record: nothing on a real drive or share
// is at risk should the check fail. Every opened folder is an ordinary one
// whose path within its volume is scripted; the volume lookup names
// C:\Mounted as a mounted volume and fails for drive Q.

std::map<std::wstring, std::wstring> g_volume_relative;  // by full path; absent: unknown
std::wstring g_link_folder;                              // opens as a reparse point
std::map<HANDLE, std::wstring> g_open;
bool g_lookup_works = true;

HANDLE InertOpen(const std::wstring& path, uint32_t, uint32_t, uint32_t, uint32_t, bool) {
  g_calls.push_back("open " + Narrow(path));
  const HANDLE h = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x1000 + 4 * g_open.size()));
  g_open[h] = path;
  return h;
}
void InertClose(HANDLE) {}
bool InertFacts(HANDLE h, FileFacts* facts) {
  const std::wstring& path = g_open[h];
  facts->attributes = FILE_ATTRIBUTE_DIRECTORY;
  if (SamePath(path, g_link_folder)) facts->attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  facts->link_count = 1;
  // The platform's long-path form of a full path.
  if (path.rfind(L"\\\\?\\", 0) == 0) {
    facts->final_path = path;
  } else if (path.rfind(L"\\\\", 0) == 0) {
    facts->final_path = L"\\\\?\\UNC\\" + path.substr(2);
  } else {
    facts->final_path = L"\\\\?\\" + path;
  }
  auto relative = g_volume_relative.find(path);
  facts->volume_relative = relative != g_volume_relative.end() ? relative->second : L"";
  return true;
}
bool InertMarkDeleted(HANDLE h) {
  g_calls.push_back("delete " + Narrow(g_open[h]));
  return false;
}
bool InertList(HANDLE h, std::vector<FolderEntryName>*) {
  g_calls.push_back("list " + Narrow(g_open[h]));
  return true;
}
bool InertVolumePath(const std::wstring& path, std::wstring* volume) {
  g_calls.push_back("lookup " + Narrow(path));
  if (!g_lookup_works || ::_wcsnicmp(path.c_str(), L"Q:", 2) == 0) return false;
  *volume =
      ::_wcsnicmp(path.c_str(), L"C:\\Mounted", 10) == 0 ? L"C:\\Mounted\\" : path.substr(0, 3);
  return true;
}

class RemoveFolderRoots : public ::testing::Test {
 protected:
  void SetUp() override {
    static const FileOperations inert = {InertOpen,        InertClose, InertFacts,
                                         InertMarkDeleted, InertList,  InertVolumePath};
    SetFileOperationsForTesting(&inert);
    g_volume_relative.clear();
    g_link_folder.clear();
    g_lookup_works = true;
  }
  void TearDown() override { SetFileOperationsForTesting(nullptr); }
  // RemoveFolderCmd's calls for a path.
  std::vector<std::string> Remove(const char* path) {
    g_calls.clear();
    g_open.clear();
    EXPECT_FALSE(Path(RemoveFolderCmd, path)) << path;  // the inert deletion fails
    return g_calls;
  }
  static bool Emptied(const std::vector<std::string>& calls) {
    for (const std::string& c : calls) {
      if (c.rfind("list ", 0) == 0 || c.rfind("delete ", 0) == 0) return true;
    }
    return false;
  }
};

TEST_F(RemoveFolderRoots, RootsSpeltAsSuchAreNeverOpened) {
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
                           "\\\\server"}) {
    EXPECT_TRUE(Remove(path).empty()) << '"' << path << '"';
  }
}

TEST_F(RemoveFolderRoots, AFolderThatIsItsVolumesRootIsNotEmptied) {
  // Its path within its volume says so, without a lookup.
  g_volume_relative[L"C:\\Mounted"] = L"\\";
  std::vector<std::string> calls = Remove("C:\\Mounted");
  EXPECT_FALSE(Emptied(calls));
  EXPECT_EQ(calls, (std::vector<std::string>{"open C:\\Mounted"}));
  // Or the lookup, where that path is not known.
  g_volume_relative.clear();
  EXPECT_FALSE(Emptied(Remove("c:\\mounted\\")));
  // A link that is a mount point of a volume.
  g_link_folder = L"C:\\Mounted";
  g_volume_relative[L"C:\\Mounted"] = L"\\Mounted";
  EXPECT_FALSE(Emptied(Remove("C:\\Mounted")));
}

TEST_F(RemoveFolderRoots, WhenItCannotBeToldTheFolderIsKept) {
  // No path within its volume, and the lookup fails.
  std::vector<std::string> calls = Remove("Q:\\k");
  EXPECT_FALSE(Emptied(calls));
  EXPECT_EQ(calls.back(), "lookup Q:\\k");
  g_lookup_works = false;
  EXPECT_FALSE(Emptied(Remove("C:\\k")));
  // A link needs the lookup even where its path within its volume is known.
  g_link_folder = L"C:\\k";
  g_volume_relative[L"C:\\k"] = L"\\k";
  EXPECT_FALSE(Emptied(Remove("C:\\k")));
}

TEST_F(RemoveFolderRoots, OrdinaryFoldersProceedWithoutALookup) {
  for (const char* path : {"C:\\k", "  C:\\k", "C:/k/", "\\\\server\\share\\k", "\\\\?\\C:\\k",
                           "\\\\?\\UNC\\server\\share\\k", "C:\\Mounted\\k", "Q:\\k"}) {
    const char* trimmed = path;
    while (*trimmed == ' ') ++trimmed;
    g_volume_relative.clear();
    g_volume_relative[FullPathOf(WidePath(trimmed))] = L"\\k";
    const std::vector<std::string> calls = Remove(path);
    ASSERT_EQ(calls.size(), 3u) << path;
    EXPECT_EQ(calls[1].substr(0, 5), "list ") << path;
    EXPECT_EQ(calls[2].substr(0, 7), "delete ") << path;
  }
  // A link (not a volume's) is removed alone, after a lookup.
  g_volume_relative.clear();
  g_link_folder = L"C:\\k";
  const std::vector<std::string> calls = Remove("C:\\k");
  EXPECT_EQ(calls, (std::vector<std::string>{"open C:\\k", "lookup C:\\k", "delete C:\\k"}));
}

}  // namespace
}  // namespace korvex
