// The version record, manifest and icon that the program carries, read back
// from this test program, which links the same resource object.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> OwnVersionInfo() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return {};
  std::vector<uint8_t> info(size);
  if (!GetFileVersionInfoW(path, 0, size, info.data())) return {};
  return info;
}

std::u16string StringValue(std::vector<uint8_t>& info, const wchar_t* name) {
  std::wstring query = L"\\StringFileInfo\\080403a8\\";
  query += name;
  void* value = nullptr;
  UINT chars = 0;
  if (!VerQueryValueW(info.data(), query.c_str(), &value, &chars) || value == nullptr) {
    return u"<missing>";
  }
  const char16_t* text = static_cast<const char16_t*>(value);
  std::u16string out(text);
  return out;
}

TEST(VersionResource, StringsInCodePage936Block) {
  std::vector<uint8_t> info = OwnVersionInfo();
  ASSERT_FALSE(info.empty()) << "no version record, error " << GetLastError();
  // "静默参数 -s"
  EXPECT_EQ(StringValue(info, L"FileDescription"), u"\u9759\u9ed8\u53c2\u6570 -s");
  EXPECT_EQ(StringValue(info, L"ProductName"), u"Korvex");
  EXPECT_EQ(StringValue(info, L"FileVersion"), u"5.6.0.0");
  EXPECT_EQ(StringValue(info, L"ProductVersion"), u"5.6.0.0");

  void* value = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &value, &size));
  ASSERT_EQ(size, 4u);
  const WORD* translation = static_cast<const WORD*>(value);
  EXPECT_EQ(translation[0], 0x0804);
  EXPECT_EQ(translation[1], 936);
}

TEST(VersionResource, NarrowQueryGivesGbkBytes) {
  if (GetACP() != 936) GTEST_SKIP() << "system code page is " << GetACP() << ", not 936";
  wchar_t path[MAX_PATH];
  ASSERT_NE(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  char narrow_path[MAX_PATH * 2];
  ASSERT_NE(
      WideCharToMultiByte(CP_ACP, 0, path, -1, narrow_path, sizeof narrow_path, nullptr, nullptr),
      0);
  const DWORD size = GetFileVersionInfoSizeA(narrow_path, nullptr);
  ASSERT_NE(size, 0u);
  std::vector<uint8_t> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(narrow_path, 0, size, info.data()));
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(
      VerQueryValueA(info.data(), "\\StringFileInfo\\080403a8\\FileDescription", &value, &length));
  EXPECT_EQ(std::string(static_cast<const char*>(value)), "\xbe\xb2\xc4\xac\xb2\xce\xca\xfd -s");
}

TEST(VersionResource, FixedVersionNumbers) {
  std::vector<uint8_t> info = OwnVersionInfo();
  ASSERT_FALSE(info.empty());
  void* value = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", &value, &size));
  ASSERT_GE(size, sizeof(VS_FIXEDFILEINFO));
  const VS_FIXEDFILEINFO* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00050006u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00050006u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST(VersionResource, ManifestAsksForCommonControls6AndAdministrator) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(found, nullptr) << "no manifest resource 1";
  HGLOBAL loaded = LoadResource(nullptr, found);
  ASSERT_NE(loaded, nullptr);
  const char* text = static_cast<const char*>(LockResource(loaded));
  const std::string manifest(text, SizeofResource(nullptr, found));
  const size_t controls = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
  ASSERT_NE(controls, std::string::npos);
  const size_t element_end = manifest.find("/>", controls);
  const size_t version_at = manifest.find("version=\"6.0.0.0\"", controls);
  EXPECT_NE(version_at, std::string::npos);
  EXPECT_LT(version_at, element_end);
  // One execution level: the administrator's, asked for once at start (the
  // installer started later inherits it), without access to other programs'
  // windows.
  const size_t level = manifest.find("<requestedExecutionLevel ");
  ASSERT_NE(level, std::string::npos);
  EXPECT_EQ(manifest.find("<requestedExecutionLevel", level + 1), std::string::npos);
  const std::string element = manifest.substr(level, manifest.find("/>", level) - level);
  EXPECT_NE(element.find(" level=\"requireAdministrator\""), std::string::npos) << element;
  EXPECT_NE(element.find(" uiAccess=\"false\""), std::string::npos) << element;

  // The loader honoured it: this process gets the common controls from the
  // side-by-side store, where version 6 lives, not the system folder's copy.
  HMODULE comctl = LoadLibraryW(L"comctl32.dll");
  ASSERT_NE(comctl, nullptr);
  wchar_t path[MAX_PATH];
  ASSERT_NE(GetModuleFileNameW(comctl, path, MAX_PATH), 0u);
  std::wstring lower(path);
  for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
  EXPECT_NE(lower.find(L"\\winsxs\\"), std::wstring::npos);
  EXPECT_NE(lower.find(L"common-controls"), std::wstring::npos);
  FreeLibrary(comctl);
}

TEST(VersionResource, WindowIconIsResourceOne) {
  EXPECT_NE(FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)), nullptr);
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  ASSERT_NE(icon, nullptr);
  ICONINFO icon_info{};
  ASSERT_TRUE(GetIconInfo(icon, &icon_info));
  EXPECT_TRUE(icon_info.fIcon);
  if (icon_info.hbmColor) DeleteObject(icon_info.hbmColor);
  if (icon_info.hbmMask) DeleteObject(icon_info.hbmMask);
}

}  // namespace
