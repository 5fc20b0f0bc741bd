// The constant segment as linked: texts, byte-set headers, the embedded
// images, and that all of it lies in read-only memory inside the segment.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "payload/constants.h"
#include "payload/default_settings.h"
#include "payload/settings_image.h"

namespace {

int32_t Int32At(const uint8_t* p) {
  int32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

bool InSegment(const void* p, size_t size) {
  const uintptr_t start = reinterpret_cast<uintptr_t>(ConstantSegmentStart);
  const uintptr_t at = reinterpret_cast<uintptr_t>(p);
  return at >= start && at - start <= ConstantSegmentSize &&
         size <= ConstantSegmentSize - (at - start);
}

struct TextCase {
  const char* name;
  const char* constant;
  std::string expected;  // code page 936 bytes, without the terminator
};

TEST(ConstantSegment, TextsAreExactNulTerminatedBytes) {
  const TextCase cases[] = {
      {"kInstallerRelativePath", kInstallerRelativePath, "Tessaranvolk\\Korvex.exe"},
      {"kEmptyText", kEmptyText, ""},
      {"kSettingsRelativePath", kSettingsRelativePath, "Korvex\\Korvex.qdf"},
      {"kWorkFolderName", kWorkFolderName, "Tessaranvolk"},
      {"kInstallLocationValue", kInstallLocationValue, "InstallLocation"},
      {"kUninstallKeyPath", kUninstallKeyPath,
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvex"},
      {"kUninstallerName", kUninstallerName, "unins000.exe"},
      {"kShellNewMachine7z", kShellNewMachine7z, "SOFTWARE\\Classes\\.7z\\ShellNew"},
      {"kShellNewMachineRar", kShellNewMachineRar, "SOFTWARE\\Classes\\.rar\\ShellNew"},
      {"kShellNewMachineZip", kShellNewMachineZip, "SOFTWARE\\Classes\\.zip\\ShellNew"},
      {"kShellNewUser7z", kShellNewUser7z, "Software\\Classes\\.7z\\ShellNew"},
      {"kShellNewUserRar", kShellNewUserRar, "Software\\Classes\\.rar\\ShellNew"},
      {"kShellNewUserZip", kShellNewUserZip, "Software\\Classes\\.zip\\ShellNew"},
      {"kSilentSwitch", kSilentSwitch, "-s"},
      {"kSilentCommandTail", kSilentCommandTail,
       "Tessaranvolk\\Korvex.exe /sp- /verysilent /suppressmsgboxes /norestart"},
      {"kWorkFolderOpenPath", kWorkFolderOpenPath, "Tessaranvolk\\"},
      {"kExplorerName", kExplorerName, "explorer.exe"},
      {"kRevealSwitch", kRevealSwitch, " /select, "},
      {"kBlank", kBlank, " "},
      {"kBackslash", kBackslash, "\\"},
      {"kSettingsFolderName", kSettingsFolderName, "Korvex"},
      {"kQuote", kQuote, "\""},
      {"kSilentSwitches", kSilentSwitches, " /sp- /verysilent /suppressmsgboxes /norestart"},
  };
  for (const TextCase& c : cases) {
    const size_t size = c.expected.size() + 1;
    ASSERT_TRUE(InSegment(c.constant, size)) << c.name;
    EXPECT_EQ(std::memcmp(c.constant, c.expected.c_str(), size), 0)
        << c.name << ": \"" << c.constant << "\"";
  }
  // The silent command is the installer path and the switches.
  EXPECT_EQ(std::string(kSilentCommandTail), std::string(kInstallerRelativePath) + kSilentSwitches);
  EXPECT_EQ(std::string(kWorkFolderOpenPath), std::string(kWorkFolderName) + "\\");
}

TEST(ConstantSegment, SmallByteSetsAndArrays) {
  ASSERT_TRUE(InSegment(EmptyArrayConstant, 8));
  EXPECT_EQ(Int32At(EmptyArrayConstant), 1);
  EXPECT_EQ(Int32At(EmptyArrayConstant + 4), 0);

  ASSERT_TRUE(InSegment(NarrowTerminator, 9));
  EXPECT_EQ(Int32At(NarrowTerminator), 1);
  EXPECT_EQ(Int32At(NarrowTerminator + 4), 1);
  EXPECT_EQ(NarrowTerminator[8], 0);

  ASSERT_TRUE(InSegment(WideTerminator, 10));
  EXPECT_EQ(Int32At(WideTerminator), 1);
  EXPECT_EQ(Int32At(WideTerminator + 4), 2);
  EXPECT_EQ(WideTerminator[8], 0);
  EXPECT_EQ(WideTerminator[9], 0);

  for (const uint8_t* header :
       {EmptyArrayConstant, NarrowTerminator, WideTerminator, InstallerImage, SettingsImage}) {
    EXPECT_EQ(reinterpret_cast<uintptr_t>(header) % 4, 0u);
  }
}

// Every row of the list, as the C++ side reads it: the assembler must lay down
// the same bytes, in the same order.
struct Row {
  const char* name;
  const uint8_t* at;
  std::string bytes;  // a text with its terminator; a byte set without its header
  bool text;
};

std::vector<Row> ListedRows() {
  std::vector<Row> rows;
  const auto add_text = [&](const char* name, const char* at, const char* text, size_t size) {
    rows.push_back({name, reinterpret_cast<const uint8_t*>(at), std::string(text, size), true});
  };
  const auto add_bytes = [&](const char* name, const uint8_t* at, std::vector<uint8_t> bytes) {
    rows.push_back({name, at, std::string(bytes.begin(), bytes.end()), false});
  };
#define CONSTANT_BYTE_SET(name, ...) add_bytes(#name, name, {__VA_ARGS__});
#define CONSTANT_TEXT(name, text) add_text(#name, name, text, sizeof(text));
#include "payload/constants.def"
  return rows;
}

TEST(ConstantSegment, HoldsEveryListedConstantInListOrder) {
  const std::vector<Row> rows = ListedRows();
  ASSERT_FALSE(rows.empty());
  const uint8_t* previous = ConstantSegmentStart;
  for (const Row& row : rows) {
    const size_t header = row.text ? 0 : 8;
    ASSERT_TRUE(InSegment(row.at, header + row.bytes.size())) << row.name;
    EXPECT_GE(row.at, previous) << row.name << " is out of the list's order";
    previous = row.at + header + row.bytes.size();
    if (!row.text) {
      EXPECT_EQ(Int32At(row.at), 1) << row.name;
      ASSERT_EQ(Int32At(row.at + 4), static_cast<int32_t>(row.bytes.size())) << row.name;
    }
    EXPECT_EQ(std::memcmp(row.at + header, row.bytes.data(), row.bytes.size()), 0) << row.name;
  }
}

TEST(ConstantSegment, InstallerImageIsTheEmbeddedFile) {
  const std::string expected = KORVEX_TEST_INSTALLER_TEXT;
  EXPECT_EQ(Int32At(InstallerImage), 1);
  ASSERT_EQ(Int32At(InstallerImage + 4), static_cast<int32_t>(expected.size()));
  ASSERT_TRUE(InSegment(InstallerImage, 8 + expected.size()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(InstallerImage + 8), expected.size()),
            expected);
}

TEST(ConstantSegment, SettingsImageIsTheGeneratedImage) {
  const std::vector<uint8_t> expected =
      korvex::settings::WriteSettingsImage(korvex::settings::DefaultSettings());
  ASSERT_EQ(expected.size(), 23497u);
  EXPECT_EQ(Int32At(SettingsImage), 1);
  ASSERT_EQ(Int32At(SettingsImage + 4), 23497);
  ASSERT_TRUE(InSegment(SettingsImage, 8 + expected.size()));
  EXPECT_EQ(std::memcmp(SettingsImage + 8, expected.data(), expected.size()), 0);
}

TEST(ConstantSegment, LiesInReadOnlyMemory) {
  for (const void* p :
       {static_cast<const void*>(SettingsImage), static_cast<const void*>(kUninstallKeyPath),
        static_cast<const void*>(ConstantSegmentStart)}) {
    MEMORY_BASIC_INFORMATION info{};
    ASSERT_NE(VirtualQuery(p, &info, sizeof info), 0u);
    EXPECT_EQ(info.Protect & (PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE |
                              PAGE_EXECUTE_WRITECOPY),
              0u)
        << "protection 0x" << std::hex << info.Protect;
  }
  // The segment holds both images and ends after the last text.
  EXPECT_GE(ConstantSegmentSize, 23497u + 8u);
  EXPECT_TRUE(InSegment(kSilentSwitches, std::strlen(kSilentSwitches) + 1));
}

}  // namespace
