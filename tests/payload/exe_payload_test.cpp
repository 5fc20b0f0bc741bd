// KorvexSetup.exe carries the generated settings image as a byte set: found
// by scanning the executable file and compared with the generator's output.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "base/file_io.h"
#include "payload/default_settings.h"
#include "payload/settings_image.h"
#include "payload/settings_reader.h"

namespace {

TEST(ProgramExecutable, CarriesTheSettingsImage) {
  std::vector<uint8_t> exe;
  ASSERT_TRUE(korvex::ReadWholeFile(KORVEX_SETUP_EXE, &exe)) << "cannot read " << KORVEX_SETUP_EXE;
  const std::vector<uint8_t> expected =
      korvex::settings::WriteSettingsImage(korvex::settings::DefaultSettings());

  // Every place where the image's tag and digest stand.
  std::vector<size_t> hits;
  auto from = exe.begin();
  while (true) {
    from = std::search(from, exe.end(), expected.begin(), expected.begin() + 24);
    if (from == exe.end()) break;
    hits.push_back(static_cast<size_t>(from - exe.begin()));
    ++from;
  }
  ASSERT_EQ(hits.size(), 1u) << "the settings image should be embedded exactly once";
  const size_t at = hits[0];
  ASSERT_GE(at, 8u);
  ASSERT_LE(expected.size(), exe.size() - at);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), exe.begin() + at));

  // The byte-set header in front of it: int32 1, int32 23497, little-endian.
  EXPECT_EQ(korvex::LoadInt32(exe.data() + at - 8), 1);
  EXPECT_EQ(korvex::LoadInt32(exe.data() + at - 4), 23497);

  // And what is embedded reads back as a sound settings file.
  const korvex::settings::ReadResult result =
      korvex::settings::ReadSettingsImage(exe.data() + at, expected.size());
  EXPECT_TRUE(result.ok) << result.error;
}

// The program itself carries the version record, the manifest and the icon.
TEST(ProgramExecutable, CarriesItsResources) {
  const std::string narrow = KORVEX_SETUP_EXE;
  const std::wstring path(narrow.begin(), narrow.end());  // an ASCII build path
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_NE(size, 0u) << "no version record, error " << GetLastError();
  std::vector<uint8_t> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
  void* value = nullptr;
  UINT chars = 0;
  ASSERT_TRUE(
      VerQueryValueW(info.data(), L"\\StringFileInfo\\080403a8\\FileDescription", &value, &chars));
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(value)), u"\u9759\u9ed8\u53c2\u6570 -s");

  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)), nullptr)
      << "manifest";
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14)), nullptr) << "icon";
  FreeLibrary(module);
}

}  // namespace
