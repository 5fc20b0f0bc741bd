// Splitting registry item paths into root, key path and item name.
#include "commands/registry_path.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "tests/runtime/runtime_test_support.h"

namespace korvex {
namespace {

struct Split {
  RegistryRoot root;
  std::string key;
  std::string item;
};

Split SplitOf(int32_t root_id, const std::string& path) {
  const RegistryPathParts parts = RegistryPathSplit(root_id, path.c_str());
  return {parts.root, path.substr(0, static_cast<size_t>(parts.key_length)),
          std::string(path.c_str() + parts.item_offset)};
}

TEST(RegistryPathSplit, RootIds) {
  EXPECT_EQ(RegistryRootOf(1), RegistryRoot::kClassesRoot);
  EXPECT_EQ(RegistryRootOf(2), RegistryRoot::kCurrentConfig);
  EXPECT_EQ(RegistryRootOf(3), RegistryRoot::kCurrentUser);
  EXPECT_EQ(RegistryRootOf(4), RegistryRoot::kLocalMachine);
  EXPECT_EQ(RegistryRootOf(5), RegistryRoot::kUsers);
  for (int32_t id : {0, 6, -1, 100, INT32_MIN}) {
    EXPECT_EQ(RegistryRootOf(id), RegistryRoot::kCurrentUser) << id;
  }
}

TEST(RegistryPathSplit, LastBackslashSeparates) {
  Split s = SplitOf(4, "SOFTWARE\\Classes\\.7z\\ShellNew");
  EXPECT_EQ(s.root, RegistryRoot::kLocalMachine);
  EXPECT_EQ(s.key, "SOFTWARE\\Classes\\.7z");
  EXPECT_EQ(s.item, "ShellNew");

  s = SplitOf(3, "Software\\Key\\");
  EXPECT_EQ(s.key, "Software\\Key");
  EXPECT_EQ(s.item, "");

  s = SplitOf(3, "Lonely");
  EXPECT_EQ(s.key, "");
  EXPECT_EQ(s.item, "Lonely");

  s = SplitOf(3, "");
  EXPECT_EQ(s.key, "");
  EXPECT_EQ(s.item, "");

  s = SplitOf(3, "\\Top");
  EXPECT_EQ(s.key, "");
  EXPECT_EQ(s.item, "Top");
}

TEST(RegistryPathSplit, DoubleByteAware) {
  // 0x5C as the second byte of a double-byte character is not a separator.
  const std::string word = testing::Gbk("表");  // B1 ED
  const std::string tricky = "\x81\x5C";        // a pair whose second byte is a backslash
  Split s = SplitOf(3, "Software\\" + word + tricky + "x");
  EXPECT_EQ(s.key, "Software");
  EXPECT_EQ(s.item, word + tricky + "x");

  s = SplitOf(3, "A\\" + tricky);
  EXPECT_EQ(s.key, "A");
  EXPECT_EQ(s.item, tricky);

  // A lead byte at the very end ends the scan without reading past it.
  s = SplitOf(3, "A\\B\x81");
  EXPECT_EQ(s.key, "A");
  EXPECT_EQ(s.item, "B\x81");
}

std::vector<std::string> NamesOf(const std::string& path, size_t length) {
  std::vector<std::string> names;
  for (const RegistryName& n : RegistryKeyNames(path.c_str(), static_cast<int32_t>(length))) {
    names.push_back(path.substr(static_cast<size_t>(n.offset), static_cast<size_t>(n.length)));
  }
  return names;
}

TEST(RegistryKeyNames, OneNamePerKeyEmptyOnesLeftOut) {
  using Names = std::vector<std::string>;
  const std::string path = "SOFTWARE\\Classes\\.7z\\ShellNew";
  EXPECT_EQ(NamesOf(path, path.size()), (Names{"SOFTWARE", "Classes", ".7z", "ShellNew"}));
  EXPECT_EQ(NamesOf(path, 20), (Names{"SOFTWARE", "Classes", ".7z"}));
  EXPECT_EQ(NamesOf(path, 0), Names{});
  EXPECT_EQ(NamesOf("\\A\\\\B\\", 6), (Names{"A", "B"}));
  // The second byte of a double-byte character is not a separator.
  const std::string tricky = "\x81\x5C";
  const std::string gbk = "A\\" + tricky + "x\\B";
  EXPECT_EQ(NamesOf(gbk, gbk.size()), (Names{"A", tricky + "x", "B"}));
}

TEST(RegistryUserHives, TheUsersHiveAndClassesHiveOnly) {
  const std::wstring sid = L"S-1-5-21-1-2-3-1001";
  for (const wchar_t* inside : {L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001",
                                L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001\\Software\\Classes",
                                L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes",
                                L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes\\.7z\\ShellNew",
                                L"\\Registry\\User\\s-1-5-21-1-2-3-1001_classes\\.zip"}) {
    EXPECT_TRUE(IsInUserHives(inside, sid)) << std::string(inside, inside + wcslen(inside));
  }
  for (const wchar_t* outside :
       {L"\\REGISTRY\\MACHINE\\SOFTWARE\\Victim", L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-10010",
        L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001X\\Software",
        L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_ClassesX",
        L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1002_Classes", L"\\REGISTRY\\USER\\.DEFAULT",
        L"\\REGISTRY\\USER", L"REGISTRY\\USER\\S-1-5-21-1-2-3-1001", L""}) {
    EXPECT_FALSE(IsInUserHives(outside, sid)) << std::string(outside, outside + wcslen(outside));
  }
  // Without a user, nothing is theirs.
  EXPECT_FALSE(IsInUserHives(L"\\REGISTRY\\USER\\", L""));
}

TEST(RegistryLinksFollowed, IntoTheUsersHivesOrWithinTheMachines) {
  const std::wstring sid = L"S-1-5-21-1-2-3-1001";
  const std::wstring user = L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001";
  const std::wstring machine = L"\\REGISTRY\\MACHINE\\SOFTWARE";
  // The system's own: the user's classes, the 32-bit view's classes.
  EXPECT_TRUE(MayFollowRegistryLink(user + L"\\Software\\Classes", user + L"_Classes", sid));
  EXPECT_TRUE(MayFollowRegistryLink(machine + L"\\Wow6432Node\\Classes",
                                    L"\\Registry\\Machine\\Software\\Classes", sid));
  // Planted in the user's hive, leading out of it.
  EXPECT_FALSE(
      MayFollowRegistryLink(user + L"_Classes\\.7z\\ShellNew", machine + L"\\Victim", sid));
  EXPECT_FALSE(MayFollowRegistryLink(user + L"\\Software\\Classes",
                                     L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1002_Classes", sid));
  // A machine link that leads out of the machine's hive, or one named
  // MACHINE only by its prefix.
  EXPECT_FALSE(MayFollowRegistryLink(machine + L"\\Link", L"\\REGISTRY\\USER\\.DEFAULT", sid));
  EXPECT_FALSE(MayFollowRegistryLink(L"\\REGISTRY\\MACHINEX\\Link", machine, sid));
  EXPECT_FALSE(MayFollowRegistryLink(machine, L"\\REGISTRY\\MACHINEX\\Victim", sid));
}

}  // namespace
}  // namespace korvex
