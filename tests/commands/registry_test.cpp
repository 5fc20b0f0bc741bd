// DeleteRegistryItemCmd against the real registry, under test keys of the
// current user's and the machine's root.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "commands/commands.h"
#include "tests/commands/win_test_util.h"

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

}  // namespace
}  // namespace korvex
