// DeleteRegistryItemCmd against the real registry, under test keys of the
// current user's and the machine's root.
#include <gtest/gtest.h>
#include <windows.h>

#include <sddl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/registry_links.h"
#include "tests/commands/win_test_util.h"

extern "C" LONG NTAPI NtDeleteKey(HANDLE key);

namespace korvex {
namespace {

using test::Call;
using test::Text;

bool Delete(int32_t root_id, const std::string& path) {
  return Call(DeleteRegistryItemCmd, {MakeInt(root_id), Text(path)}).low != 0;
}

void CreateKey(HKEY root, const std::string& path) {
  HKEY key;
  ASSERT_EQ(
      ::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS)
      << path;
  ::RegCloseKey(key);
}
void SetValue(HKEY root, const std::string& key_path, const char* name, const char* data) {
  HKEY key;
  ASSERT_EQ(::RegCreateKeyExA(root, key_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                   static_cast<DWORD>(std::char_traits<char>::length(data) + 1));
  ::RegCloseKey(key);
}
bool KeyExists(HKEY root, const std::string& path) {
  HKEY key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}
bool ValueExists(HKEY root, const std::string& key_path, const char* name) {
  HKEY key;
  if (::RegOpenKeyExA(root, key_path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  const bool found =
      ::RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  ::RegCloseKey(key);
  return found;
}

// A test key of its own under a root, removed with everything below it.
class RegistryTest : public ::testing::TestWithParam<int32_t> {
 protected:
  void SetUp() override {
    root_ = GetParam() == 4 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    char name[80];
    std::snprintf(name, sizeof name, "Software\\KorvexCommandTest-%lu-%d", ::GetCurrentProcessId(),
                  GetParam());
    base_ = name;
    CreateKey(root_, base_);
  }
  void TearDown() override {
    ::RegDeleteTreeA(root_, base_.c_str());
    ::RegDeleteKeyA(root_, base_.c_str());
  }

  HKEY root_ = nullptr;
  std::string base_;
};

TEST_P(RegistryTest, ValueFirstThenKey) {
  // A value and a subkey of the same name: the value goes first.
  const std::string item = base_ + "\\Item";
  CreateKey(root_, item);
  SetValue(root_, base_, "Item", "v");
  ASSERT_TRUE(ValueExists(root_, base_, "Item"));
  EXPECT_TRUE(Delete(GetParam(), item));
  EXPECT_FALSE(ValueExists(root_, base_, "Item"));
  EXPECT_TRUE(KeyExists(root_, item));
  EXPECT_TRUE(Delete(GetParam(), item));
  EXPECT_FALSE(KeyExists(root_, item));
  EXPECT_FALSE(Delete(GetParam(), item));
  EXPECT_TRUE(KeyExists(root_, base_));
}

TEST_P(RegistryTest, ShellNewKeyWithValuesOnlyIsDeleted) {
  const std::string shell_new = base_ + "\\.7z\\ShellNew";
  SetValue(root_, shell_new, "NullFile", "");
  SetValue(root_, shell_new, "ItemName", "x");
  EXPECT_TRUE(Delete(GetParam(), shell_new));
  EXPECT_FALSE(KeyExists(root_, shell_new));
  EXPECT_TRUE(KeyExists(root_, base_ + "\\.7z"));
  EXPECT_FALSE(Delete(GetParam(), shell_new));
}

TEST_P(RegistryTest, KeyWithSubkeysStays) {
  CreateKey(root_, base_ + "\\Parent\\Child");
  EXPECT_FALSE(Delete(GetParam(), base_ + "\\Parent"));
  EXPECT_TRUE(KeyExists(root_, base_ + "\\Parent\\Child"));
}

TEST_P(RegistryTest, TrailingBackslashNamesTheDefaultValue) {
  const std::string key = base_ + "\\WithDefault";
  SetValue(root_, key, nullptr, "default");
  SetValue(root_, key, "Other", "o");
  ASSERT_TRUE(ValueExists(root_, key, ""));
  EXPECT_TRUE(Delete(GetParam(), key + "\\"));
  EXPECT_FALSE(ValueExists(root_, key, ""));
  EXPECT_TRUE(ValueExists(root_, key, "Other"));
  // Without a default value the key is left alone, empty or not.
  EXPECT_FALSE(Delete(GetParam(), key + "\\"));
  EXPECT_TRUE(KeyExists(root_, key));
  CreateKey(root_, base_ + "\\Empty");
  EXPECT_FALSE(Delete(GetParam(), base_ + "\\Empty\\"));
  EXPECT_TRUE(KeyExists(root_, base_ + "\\Empty"));
}

TEST_P(RegistryTest, DoubleByteNames) {
  // "誠" is D5 5C: its second byte is a backslash. A name ending in it stays
  // one component, as a value name and as a key name.
  const std::string name = testing::Gbk("代码誠");
  ASSERT_EQ(name.back(), '\\');
  const std::string item = base_ + "\\" + name;
  SetValue(root_, base_, name.c_str(), "v");
  ASSERT_TRUE(ValueExists(root_, base_, name.c_str()));
  EXPECT_TRUE(Delete(GetParam(), item));
  EXPECT_FALSE(ValueExists(root_, base_, name.c_str()));
  CreateKey(root_, item);
  ASSERT_TRUE(KeyExists(root_, item));
  EXPECT_TRUE(Delete(GetParam(), item));
  EXPECT_FALSE(KeyExists(root_, item));
}

INSTANTIATE_TEST_SUITE_P(Roots, RegistryTest, ::testing::Values(3, 4));

TEST(RegistryRoots, OtherIdsMeanTheCurrentUser) {
  char key[80];
  std::snprintf(key, sizeof key, "Software\\KorvexCommandRoots-%lu", ::GetCurrentProcessId());
  for (int32_t id : {0, 6, -1}) {
    CreateKey(HKEY_CURRENT_USER, key);
    EXPECT_TRUE(Delete(id, key)) << id;
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key)) << id;
  }
  // The first root: classes.
  CreateKey(HKEY_CLASSES_ROOT, std::string(key + 9));
  EXPECT_TRUE(Delete(1, key + 9));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key + 9));
}

TEST(RegistryRoots, NamesWithoutBackslashAreDirectlyUnderTheRoot) {
  char name[80];
  std::snprintf(name, sizeof name, "KorvexCommandTop-%lu", ::GetCurrentProcessId());
  SetValue(HKEY_CURRENT_USER, "", name, "top");
  CreateKey(HKEY_CURRENT_USER, name);
  EXPECT_TRUE(Delete(3, name));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, "", name));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, name));
  EXPECT_TRUE(Delete(3, name));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, name));
  // An empty path names the root's default value, never the root.
  EXPECT_FALSE(Delete(3, ""));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software"));
}

// --- Registry links ---------------------------------------------------------------
// Links are made as any program of the user can make them: a key created
// with REG_OPTION_CREATE_LINK whose REG_LINK value "SymbolicLinkValue" holds
// the native name of the key it stands for.

void MakeLink(HKEY root, const std::wstring& path, const std::wstring& target) {
  HKEY link;
  ASSERT_EQ(::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                              KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr),
            ERROR_SUCCESS)
      << "link";
  EXPECT_EQ(::RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                             reinterpret_cast<const BYTE*>(target.data()),
                             static_cast<DWORD>(target.size() * sizeof(wchar_t))),
            ERROR_SUCCESS);
  ::RegCloseKey(link);
}
bool LinkExists(HKEY root, const std::wstring& path) {
  HKEY link;
  if (::RegOpenKeyExW(root, path.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, &link) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD type = 0;
  const bool is_link = ::RegQueryValueExW(link, L"SymbolicLinkValue", nullptr, &type, nullptr,
                                          nullptr) == ERROR_SUCCESS &&
                       type == REG_LINK;
  ::RegCloseKey(link);
  return is_link;
}
// Removes a link itself (a tree deletion would follow it).
void RemoveLink(HKEY root, const std::wstring& path) {
  HKEY link;
  if (::RegOpenKeyExW(root, path.c_str(), REG_OPTION_OPEN_LINK, DELETE, &link) == ERROR_SUCCESS) {
    NtDeleteKey(link);
    ::RegCloseKey(link);
  }
}
std::wstring Wide(const std::string& s) {
  return std::wstring(s.begin(), s.end());
}
std::wstring ProcessUserSid() {
  HANDLE token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
  unsigned char user[256];
  DWORD size = 0;
  const BOOL ok = ::GetTokenInformation(token, TokenUser, user, sizeof user, &size);
  ::CloseHandle(token);
  wchar_t* text = nullptr;
  if (!ok || !::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text)) {
    return L"";
  }
  std::wstring sid = text;
  ::LocalFree(text);
  return sid;
}

class RegistryLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[80];
    std::snprintf(name, sizeof name, "Software\\KorvexLinkTest-%lu", ::GetCurrentProcessId());
    base_ = name;
    std::snprintf(name, sizeof name, "SOFTWARE\\KorvexVictim-%lu", ::GetCurrentProcessId());
    victim_ = name;
    CreateKey(HKEY_CURRENT_USER, base_);
  }
  void TearDown() override {
    for (const std::wstring& link : links_) RemoveLink(HKEY_CURRENT_USER, link);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, base_.c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, base_.c_str());
    HKEY victim;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, victim_.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                        &victim) == ERROR_SUCCESS) {
      ::RegDeleteTreeW(victim, nullptr);
      ::RegCloseKey(victim);
      ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, victim_.c_str(), KEY_WOW64_64KEY, 0);
    }
  }
  // A link under the test key of the current user.
  void Link(const std::string& relative, const std::wstring& target) {
    links_.push_back(Wide(base_ + "\\" + relative));
    MakeLink(HKEY_CURRENT_USER, links_.back(), target);
  }
  // A key of the machine's 64-bit view, which a link's native name reaches
  // from either build.
  void MachineValue(const std::string& key, const char* name) {
    HKEY k;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>("v"), 2);
    ::RegCloseKey(k);
  }
  bool MachineValueExists(const std::string& key, const char* name) {
    HKEY k;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &k) !=
        ERROR_SUCCESS) {
      return false;
    }
    const bool found = ::RegQueryValueExA(k, name, nullptr, nullptr, nullptr, nullptr) == 0;
    ::RegCloseKey(k);
    return found;
  }
  std::wstring MachineTarget() const { return L"\\REGISTRY\\MACHINE\\" + Wide(victim_); }

  std::string base_;
  std::string victim_;
  std::vector<std::wstring> links_;
};

TEST_F(RegistryLinks, APerUserLinkToAMachineKeyIsNeverFollowed) {
  MachineValue(victim_, "Keep");
  MachineValue(victim_ + "\\.7z\\ShellNew", "NullFile");
  Link(".7z\\ShellNew", MachineTarget());  // the ShellNew key itself
  Link("Classes", MachineTarget());        // a key on the way
  SetValue(HKEY_CURRENT_USER, base_ + "\\.rar\\ShellNew", "NullFile", "");

  EXPECT_FALSE(Delete(3, base_ + "\\.7z\\ShellNew"));
  EXPECT_FALSE(Delete(3, base_ + "\\Classes\\.7z\\ShellNew"));
  EXPECT_FALSE(Delete(3, base_ + "\\Classes\\Keep"));
  EXPECT_TRUE(MachineValueExists(victim_, "Keep"));
  EXPECT_TRUE(MachineValueExists(victim_ + "\\.7z\\ShellNew", "NullFile"));
  // The planted links are left as they are.
  EXPECT_TRUE(LinkExists(HKEY_CURRENT_USER, Wide(base_ + "\\.7z\\ShellNew")));
  EXPECT_TRUE(LinkExists(HKEY_CURRENT_USER, Wide(base_ + "\\Classes")));
  // An ordinary ShellNew key beside them still goes.
  EXPECT_TRUE(Delete(3, base_ + "\\.rar\\ShellNew"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base_ + "\\.rar\\ShellNew"));
}

TEST_F(RegistryLinks, LinksIntoTheUsersOwnHiveAreFollowed) {
  const std::wstring sid = ProcessUserSid();
  ASSERT_FALSE(sid.empty());
  const std::wstring real = L"\\REGISTRY\\USER\\" + sid + L"\\" + Wide(base_) + L"\\Real";
  SetValue(HKEY_CURRENT_USER, base_ + "\\Real\\.7z\\ShellNew", "NullFile", "");
  SetValue(HKEY_CURRENT_USER, base_ + "\\Real\\.zip", "Value", "v");
  SetValue(HKEY_CURRENT_USER, base_ + "\\RealRar", "NullFile", "");
  Link("Classes", real);
  Link(".rar\\ShellNew", L"\\REGISTRY\\USER\\" + sid + L"\\" + Wide(base_) + L"\\RealRar");

  EXPECT_TRUE(Delete(3, base_ + "\\Classes\\.7z\\ShellNew"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base_ + "\\Real\\.7z\\ShellNew"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, base_ + "\\Real\\.7z"));
  EXPECT_TRUE(Delete(3, base_ + "\\Classes\\.zip\\Value"));
  EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, base_ + "\\Real\\.zip", "Value"));
  EXPECT_TRUE(Delete(3, base_ + "\\.rar\\ShellNew"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, base_ + "\\RealRar"));
}

// Links in the machine's hive that lead into it are the system's or an
// administrator's: the 32-bit view's Wow6432Node\Classes is one.
TEST_F(RegistryLinks, MachineLinksWithinTheMachineAreFollowed) {
  char extension[40];
  std::snprintf(extension, sizeof extension, ".korvex%lu", ::GetCurrentProcessId());
  const std::string shell_new = std::string("SOFTWARE\\Classes\\") + extension + "\\ShellNew";
  MachineValue(shell_new, "NullFile");
  EXPECT_TRUE(Delete(4, shell_new));
  EXPECT_FALSE(MachineValueExists(shell_new, "NullFile"));
  ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (std::string("SOFTWARE\\Classes\\") + extension).c_str(),
                    KEY_WOW64_64KEY, 0);

  // A link the test makes in the machine's hive (in this process's view).
  MachineValue(victim_ + "\\ShellNew", "NullFile");
  const std::string holder = victim_ + "-links";
  CreateKey(HKEY_LOCAL_MACHINE, holder);
  MakeLink(HKEY_LOCAL_MACHINE, Wide(holder + "\\Link"), MachineTarget());
  EXPECT_TRUE(Delete(4, holder + "\\Link\\ShellNew"));
  EXPECT_FALSE(MachineValueExists(victim_ + "\\ShellNew", "NullFile"));
  RemoveLink(HKEY_LOCAL_MACHINE, Wide(holder + "\\Link"));
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, holder.c_str());
}

// What every real user has: Software\Classes of the user's hive is a link to
// the user's classes hive, \REGISTRY\USER\<sid>_Classes. Wine has no such
// link, so a user of its own is made under HKEY_USERS and named the current
// one through the seam.
TEST_F(RegistryLinks, TheUsersClassesHiveCountsAsTheirs) {
  char sid_text[64];
  std::snprintf(sid_text, sizeof sid_text, "KorvexSid-%lu", ::GetCurrentProcessId());
  const std::string sid = sid_text;
  const std::string other = sid + "X";
  SetValue(HKEY_USERS, sid + "_Classes\\.7z\\ShellNew", "NullFile", "");
  SetValue(HKEY_USERS, other + "_Classes\\.7z\\ShellNew", "NullFile", "");
  CreateKey(HKEY_USERS, sid + "\\Software");
  const std::wstring classes = Wide(sid + "\\Software\\Classes");
  const std::wstring others = Wide(sid + "\\Software\\Others");
  MakeLink(HKEY_USERS, classes, L"\\REGISTRY\\USER\\" + Wide(sid) + L"_Classes");
  MakeLink(HKEY_USERS, others, L"\\REGISTRY\\USER\\" + Wide(other) + L"_Classes");

  // Not yet this process's user: refused.
  EXPECT_FALSE(Delete(5, sid + "\\Software\\Classes\\.7z\\ShellNew"));
  SetCurrentUserSidForTesting(Wide(sid).c_str());
  EXPECT_TRUE(Delete(5, sid + "\\Software\\Classes\\.7z\\ShellNew"));
  EXPECT_FALSE(KeyExists(HKEY_USERS, sid + "_Classes\\.7z\\ShellNew"));
  // Another user's classes hive is not the current user's.
  EXPECT_FALSE(Delete(5, sid + "\\Software\\Others\\.7z\\ShellNew"));
  EXPECT_TRUE(KeyExists(HKEY_USERS, other + "_Classes\\.7z\\ShellNew"));
  SetCurrentUserSidForTesting(nullptr);

  RemoveLink(HKEY_USERS, classes);
  RemoveLink(HKEY_USERS, others);
  for (const std::string& key : {sid, sid + "_Classes", other + "_Classes"}) {
    ::RegDeleteTreeA(HKEY_USERS, key.c_str());
    ::RegDeleteKeyA(HKEY_USERS, key.c_str());
  }
}

}  // namespace
}  // namespace korvex
