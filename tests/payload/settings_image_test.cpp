// The generated default settings image: size, header, counts, order, digest
// and the values the installed product relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "payload/default_settings.h"
#include "payload/md5.h"
#include "payload/settings_image.h"
#include "payload/settings_reader.h"

namespace {

using namespace korvex::settings;

class GeneratedImage : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    image_ = new std::vector<uint8_t>(WriteSettingsImage(DefaultSettings()));
    ReadResult result = ReadSettingsImage(image_->data(), image_->size());
    ASSERT_TRUE(result.ok) << result.error;
    document_ = new Document(std::move(result.document));
  }
  static void TearDownTestSuite() {
    delete image_;
    delete document_;
    image_ = nullptr;
    document_ = nullptr;
  }

  static const Section* FindSection(const std::u16string& name) {
    for (const Section& section : document_->sections) {
      if (section.name == name) return &section;
    }
    return nullptr;
  }

  static const Value& Get(const std::u16string& section_name, const std::u16string& key_name) {
    static const Value missing{ValueKind::kInteger, INT32_MIN, u"<missing>", {}};
    const Section* section = FindSection(section_name);
    if (section == nullptr) return missing;
    for (const Key& key : section->keys) {
      if (key.name == key_name) return key.value;
    }
    return missing;
  }

  static int32_t Int(const std::u16string& section, const std::u16string& key) {
    const Value& value = Get(section, key);
    EXPECT_EQ(value.kind, ValueKind::kInteger) << ToUtf8(section) << "/" << ToUtf8(key);
    return value.integer;
  }

  static std::string Text(const std::u16string& section, const std::u16string& key) {
    const Value& value = Get(section, key);
    EXPECT_EQ(value.kind, ValueKind::kText) << ToUtf8(section) << "/" << ToUtf8(key);
    return ToUtf8(value.text);
  }

  static std::string Bytes(const std::u16string& section, const std::u16string& key) {
    const Value& value = Get(section, key);
    EXPECT_EQ(value.kind, ValueKind::kBytes) << ToUtf8(section) << "/" << ToUtf8(key);
    return std::string(value.bytes.begin(), value.bytes.end());
  }

  static std::vector<std::string> KeyNames(const std::u16string& section_name) {
    std::vector<std::string> names;
    if (const Section* section = FindSection(section_name)) {
      for (const Key& key : section->keys) names.push_back(ToUtf8(key.name));
    }
    return names;
  }

  static std::vector<uint8_t>* image_;
  static Document* document_;
};

std::vector<uint8_t>* GeneratedImage::image_ = nullptr;
Document* GeneratedImage::document_ = nullptr;

TEST_F(GeneratedImage, SizeHeaderAndDigest) {
  const std::vector<uint8_t>& image = *image_;
  ASSERT_EQ(image.size(), 23497u);
  EXPECT_EQ(std::string(image.begin(), image.begin() + 8), std::string("Korvex\0\0", 8));
  EXPECT_EQ((std::vector<uint8_t>(image.begin() + 24, image.begin() + 29)),
            (std::vector<uint8_t>{0, 0, 0, 0, 1}));
  // 23,464 = 0x5BA8, little-endian in the header.
  EXPECT_EQ((std::vector<uint8_t>(image.begin() + 29, image.begin() + 33)),
            (std::vector<uint8_t>{0xA8, 0x5B, 0x00, 0x00}));

  const korvex::Md5Digest digest = korvex::ComputeMd5(image.data() + 33, image.size() - 33);
  EXPECT_TRUE(std::equal(digest.begin(), digest.end(), image.begin() + 8));
  // Pinned: any change of the default table shows up here.
  const uint8_t pinned[16] = {0x99, 0x5d, 0x55, 0x5b, 0x64, 0x50, 0x8d, 0x6b,
                              0xd2, 0xe6, 0xb9, 0x9b, 0xae, 0x03, 0x4c, 0x82};
  EXPECT_TRUE(std::equal(std::begin(pinned), std::end(pinned), image.begin() + 8));

  // The body ends with eight zero bytes.
  EXPECT_TRUE(std::all_of(image.end() - 8, image.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(GeneratedImage, IntegersInTheBodyAreBigEndian) {
  const std::vector<uint8_t>& image = *image_;
  // The body opens with I(27), the section count.
  EXPECT_EQ((std::vector<uint8_t>(image.begin() + 33, image.begin() + 38)),
            (std::vector<uint8_t>{0x01, 0x00, 0x00, 0x00, 0x1B}));
  // font_height = -12 and korvex_version_number = 10516 as stored: name, I(1), I(value).
  auto key_bytes = [](const std::u16string& name, std::vector<uint8_t> tail) {
    Document one{{Section{u"s", {Key{name, {}}}}}};
    std::vector<uint8_t> body = SerializeBody(one);
    // Skip I(1), S("s"), I(1); keep S(name); drop the value and the trailer.
    std::vector<uint8_t> bytes(body.begin() + 5 + 14 + 5, body.end() - 8 - 10);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
  };
  for (const auto& expected :
       {key_bytes(u"font_height", {0x01, 0, 0, 0, 1, 0x01, 0xFF, 0xFF, 0xFF, 0xF4}),
        key_bytes(u"korvex_version_number", {0x01, 0, 0, 0, 1, 0x01, 0x00, 0x00, 0x29, 0x14})}) {
    EXPECT_NE(std::search(image.begin(), image.end(), expected.begin(), expected.end()),
              image.end());
  }
}

TEST_F(GeneratedImage, TextsAreUtf16LittleEndian) {
  // "微软雅黑" is U+5FAE U+8F6F U+96C5 U+9ED1: S with 4 characters, 8 bytes.
  const std::vector<uint8_t> expected = {0x02, 0x01, 0,    0,    0,    4,    0x03, 0x01, 0,   0, 0,
                                         8,    0xAE, 0x5F, 0x6F, 0x8F, 0xC5, 0x96, 0xD1, 0x9E};
  EXPECT_NE(std::search(image_->begin(), image_->end(), expected.begin(), expected.end()),
            image_->end());
  const Value& face = Get(u"set_page_shell", u"font_face_name");
  EXPECT_EQ(face.text, (std::u16string{0x5FAE, 0x8F6F, 0x96C5, 0x9ED1}));
}

TEST_F(GeneratedImage, SectionsKeysAndKinds) {
  const std::map<std::string, size_t> expected_counts = {
      {"compress_param_section", 50},
      {"compress_section", 48},
      {"decompress_section", 3},
      {"extract_config", 1},
      {"filesize_mode", 1},
      {"history_section", 1},
      {"limit_cpu_section", 1},
      {"open_history", 1},
      {"picture_view_time", 2},
      {"rar_archive_section", 3},
      {"section_internal_viewer", 5},
      {"section_shell_extention", 33},
      {"section_version", 1},
      {"set_page_normal", 51},
      {"set_page_shell", 7},
      {"set_page_system", 5},
      {"sfx_setup_config", 24},
      {"single_arch_info_config", 3},
      {"skin_profile_section", 1},
      {"trojan_scan_section", 5},
      {"user_profile_section", 2},
      {"view_5.1-1145774555_compress_7z", 16},
      {"view_5.1-1145774555_compress_rar", 20},
      {"view_5.1-1145774555_compress_zip", 16},
      {"view_5.1-1145774555_directory", 4},
      {"view_mode", 19},
      {"volume_size_section", 1},
  };
  ASSERT_EQ(document_->sections.size(), 27u);
  size_t keys = 0, integers = 0, texts = 0, bytes = 0;
  for (const Section& section : document_->sections) {
    const std::string name = ToUtf8(section.name);
    ASSERT_TRUE(expected_counts.count(name)) << name;
    EXPECT_EQ(section.keys.size(), expected_counts.at(name)) << name;
    for (const Key& key : section.keys) {
      ++keys;
      switch (key.value.kind) {
        case ValueKind::kInteger:
          ++integers;
          break;
        case ValueKind::kText:
          ++texts;
          break;
        case ValueKind::kBytes:
          ++bytes;
          EXPECT_EQ(name, "sfx_setup_config") << ToUtf8(key.name);
          break;
      }
    }
  }
  EXPECT_EQ(keys, 324u);
  EXPECT_EQ(integers, 214u);
  EXPECT_EQ(texts, 86u);
  EXPECT_EQ(bytes, 24u);
}

TEST_F(GeneratedImage, StoredOrderIsAscendingByCodeUnit) {
  // The reader already refuses any pair out of order; here the order is
  // compared with lists written out by hand.
  std::vector<std::string> sections;
  for (const Section& section : document_->sections) sections.push_back(ToUtf8(section.name));
  EXPECT_EQ(sections, (std::vector<std::string>{"compress_param_section",
                                                "compress_section",
                                                "decompress_section",
                                                "extract_config",
                                                "filesize_mode",
                                                "history_section",
                                                "limit_cpu_section",
                                                "open_history",
                                                "picture_view_time",
                                                "rar_archive_section",
                                                "section_internal_viewer",
                                                "section_shell_extention",
                                                "section_version",
                                                "set_page_normal",
                                                "set_page_shell",
                                                "set_page_system",
                                                "sfx_setup_config",
                                                "single_arch_info_config",
                                                "skin_profile_section",
                                                "trojan_scan_section",
                                                "user_profile_section",
                                                "view_5.1-1145774555_compress_7z",
                                                "view_5.1-1145774555_compress_rar",
                                                "view_5.1-1145774555_compress_zip",
                                                "view_5.1-1145774555_directory",
                                                "view_mode",
                                                "volume_size_section"}));

  // Upper-case before lower-case, digits before letters.
  EXPECT_EQ(KeyNames(u"set_page_normal"), (std::vector<std::string>{"001",
                                                                    "7Z",
                                                                    "ACE",
                                                                    "ALZ",
                                                                    "ARJ",
                                                                    "BZ",
                                                                    "BZ2",
                                                                    "BZIP2",
                                                                    "CAB",
                                                                    "CPIO",
                                                                    "DEB",
                                                                    "DMG",
                                                                    "GZ",
                                                                    "GZIP",
                                                                    "HFS",
                                                                    "IMG",
                                                                    "ISO",
                                                                    "ISZ",
                                                                    "JAR",
                                                                    "LHA",
                                                                    "LZH",
                                                                    "LZMA",
                                                                    "LZMA86",
                                                                    "RAR",
                                                                    "RPM",
                                                                    "SPLIT",
                                                                    "SWM",
                                                                    "TAR",
                                                                    "TAZ",
                                                                    "TBZ",
                                                                    "TBZ2",
                                                                    "TGZ",
                                                                    "TPZ",
                                                                    "TXZ",
                                                                    "UUE",
                                                                    "WIM",
                                                                    "XAR",
                                                                    "XPI",
                                                                    "XZ",
                                                                    "Z",
                                                                    "ZIP",
                                                                    "ZIPX",
                                                                    "always_top",
                                                                    "enable_system_suspend_option",
                                                                    "history_dialog_enable",
                                                                    "history_enable",
                                                                    "link_destop",
                                                                    "link_program",
                                                                    "link_start",
                                                                    "log_error",
                                                                    "show_comment"}));

  // "column_width_10" before "column_width_2".
  EXPECT_EQ(KeyNames(u"view_5.1-1145774555_compress_rar"),
            (std::vector<std::string>{
                "column_width_0",  "column_width_1",  "column_width_10", "column_width_11",
                "column_width_12", "column_width_13", "column_width_14", "column_width_15",
                "column_width_16", "column_width_17", "column_width_18", "column_width_19",
                "column_width_2",  "column_width_3",  "column_width_4",  "column_width_5",
                "column_width_6",  "column_width_7",  "column_width_8",  "column_width_9"}));

  const std::vector<std::string> compress = KeyNames(u"compress_section");
  ASSERT_EQ(compress.size(), 48u);
  EXPECT_EQ(compress[0], "compress_comment");
  EXPECT_EQ(compress[7], "compress_filters2");
  EXPECT_EQ((std::vector<std::string>(compress.begin() + 19, compress.begin() + 23)),
            (std::vector<std::string>{"compress_type0_level", "compress_type10_level",
                                      "compress_type11_level", "compress_type1_level"}));
  EXPECT_EQ(compress[47], "update_mode");

  const std::vector<std::string> params = KeyNames(u"compress_param_section");
  ASSERT_EQ(params.size(), 50u);
  EXPECT_EQ(params[13], "option.1.9.1.w");
  EXPECT_EQ(params[14], "option.1.9.10.d");
  EXPECT_EQ(params[18], "option.1.9.2.d");

  EXPECT_EQ(KeyNames(u"view_mode")[4], "view_comment_return");
  EXPECT_EQ(KeyNames(u"view_mode")[14], "view_preview_5.03149192741");
}

TEST_F(GeneratedImage, OrderComesFromSortingTheTable) {
  // The table in the source is written in a readable order, not the stored
  // one; sorting it must give exactly the document read back.
  Document table = DefaultSettings();
  EXPECT_NE(table, *document_);
  SortDocument(table);
  EXPECT_EQ(table, *document_);

  // Sorting is by code unit, so a code unit above the ASCII range sorts last
  // and "Z" (0x5A) before "_" (0x5F) before "a" (0x61).
  Document mixed{
      {Section{u"s", {Key{u"\u00e9", {}}, Key{u"a", {}}, Key{u"_", {}}, Key{u"Z", {}}}}}};
  SortDocument(mixed);
  std::vector<std::u16string> names;
  for (const Key& key : mixed.sections[0].keys) names.push_back(key.name);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Z", u"_", u"a", u"\u00e9"}));
}

TEST_F(GeneratedImage, CompressionValues) {
  EXPECT_EQ(Int(u"compress_param_section", u"method.0.9"), 4);
  EXPECT_EQ(Int(u"compress_param_section", u"method.1.9"), 1);
  EXPECT_EQ(Text(u"compress_param_section", u"option.0.9.4.d"), "32768");
  EXPECT_EQ(Text(u"compress_param_section", u"option.0.9.4.s"), "18446744073709551615");
  EXPECT_EQ(Text(u"compress_param_section", u"option.0.9.4.t"), "1");
  EXPECT_EQ(Text(u"compress_param_section", u"option.0.9.4.w"), "128");
  EXPECT_EQ(Text(u"compress_param_section", u"option.1.9.1.d"), "67108864");
  EXPECT_EQ(Text(u"compress_param_section", u"option.1.9.1.s"), "4294967296");
  EXPECT_EQ(Text(u"compress_param_section", u"option.1.9.1.t"), "1");
  EXPECT_EQ(Text(u"compress_param_section", u"option.1.9.1.w"), "273");
  for (const Key& key : FindSection(u"compress_param_section")->keys) {
    const std::string name = ToUtf8(key.name);
    if (name.rfind("option.1.9.", 0) == 0 && name.rfind("option.1.9.1.", 0) != 0) {
      EXPECT_EQ(ToUtf8(key.value.text), "18446744073709551615") << name;
    }
  }

  const std::u16string c = u"compress_section";
  EXPECT_EQ(Int(c, u"compress_level"), 9);
  EXPECT_EQ(Text(c, u"compress_method_name"), "Deflate");
  EXPECT_EQ(Text(c, u"compress_dict_size"), "32768");
  EXPECT_EQ(Text(c, u"compress_word_size"), "128");
  EXPECT_EQ(Text(c, u"compress_thread_count"), "1");
  EXPECT_EQ(Text(c, u"compress_solid_size"), "18446744073709551615");
  EXPECT_EQ(Int(c, u"compress_filter_mode"), -1);
  EXPECT_EQ(Text(c, u"compress_volume_size_unit"), "3");
  EXPECT_EQ(Int(c, u"compress_wrap_comment"), 1);
  EXPECT_EQ(Int(c, u"compress_type0_level"), 0);
  EXPECT_EQ(Int(c, u"compress_type11_level"), 0);
  for (int n = 1; n <= 10; ++n) {
    std::u16string key = u"compress_type";
    for (char ch : std::to_string(n)) key += static_cast<char16_t>(ch);
    EXPECT_EQ(Int(c, key + u"_level"), 1) << n;
  }
  // Everything else in the section is 0, "" or "0".
  const std::vector<std::string> told = {"compress_level",        "compress_method_name",
                                         "compress_dict_size",    "compress_word_size",
                                         "compress_thread_count", "compress_solid_size",
                                         "compress_filter_mode",  "compress_volume_size_unit",
                                         "compress_wrap_comment", "compress_filters2"};
  for (const Key& key : FindSection(c)->keys) {
    const std::string name = ToUtf8(key.name);
    if (std::find(told.begin(), told.end(), name) != told.end() ||
        name.rfind("compress_type", 0) == 0) {
      continue;
    }
    if (key.value.kind == ValueKind::kInteger) {
      EXPECT_EQ(key.value.integer, 0) << name;
    } else {
      ASSERT_EQ(key.value.kind, ValueKind::kText) << name;
      EXPECT_TRUE(key.value.text.empty() || key.value.text == u"0") << name;
    }
  }
}

TEST_F(GeneratedImage, CompressFilters) {
  const std::string filters = Text(u"compress_section", u"compress_filters2");
  EXPECT_EQ(filters.rfind(".rar,0,0;.zip,0,0;.7z,0,0;.xz,0,0;.asf,1,1", 0), 0u);
  ASSERT_GE(filters.size(), 9u);
  EXPECT_EQ(filters.substr(filters.size() - 10), ";.raf,10,1");

  std::vector<std::string> entries;
  size_t start = 0;
  while (true) {
    const size_t end = filters.find(';', start);
    entries.push_back(filters.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  EXPECT_EQ(entries.size(), 133u);
  std::vector<std::string> extensions;
  for (const std::string& entry : entries) {
    const size_t first = entry.find(',');
    const size_t second = entry.find(',', first + 1);
    ASSERT_NE(second, std::string::npos) << entry;
    const std::string extension = entry.substr(0, first);
    const std::string group = entry.substr(first + 1, second - first - 1);
    const std::string flag = entry.substr(second + 1);
    EXPECT_EQ(extension[0], '.') << entry;
    EXPECT_TRUE(extension.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789", 1) ==
                std::string::npos)
        << entry;
    ASSERT_FALSE(group.empty()) << entry;
    ASSERT_TRUE(group.find_first_not_of("0123456789") == std::string::npos) << entry;
    EXPECT_LE(std::stoi(group), 10) << entry;
    EXPECT_TRUE(flag == "0" || flag == "1") << entry;
    extensions.push_back(extension);
  }
  std::sort(extensions.begin(), extensions.end());
  EXPECT_EQ(std::adjacent_find(extensions.begin(), extensions.end()), extensions.end())
      << "an extension stands in two groups";
}

TEST_F(GeneratedImage, ShellAndPageValues) {
  EXPECT_EQ(Int(u"section_version", u"korvex_version_number"), 10516);

  const std::vector<std::string> on = {"compress_to",
                                       "compress_to_zip",
                                       "context_menu_cascade",
                                       "context_menu_enable",
                                       "context_menu_enable_icon",
                                       "extract_to",
                                       "extract_to_current_folder",
                                       "extract_to_single_folder"};
  for (const Key& key : FindSection(u"section_shell_extention")->keys) {
    const std::string name = ToUtf8(key.name);
    const bool expected_on = std::find(on.begin(), on.end(), name) != on.end();
    EXPECT_EQ(key.value.kind, ValueKind::kInteger) << name;
    EXPECT_EQ(key.value.integer, expected_on ? 1 : 0) << name;
  }

  for (const Key& key : FindSection(u"set_page_normal")->keys) {
    const std::string name = ToUtf8(key.name);
    int expected;
    if (name == "ISO" || name == "JAR") {
      expected = 0;
    } else if (name == "link_program" || name == "enable_system_suspend_option") {
      expected = 1;
    } else {
      expected = name[0] >= 'a' && name[0] <= 'z' ? 0 : 1;
    }
    EXPECT_EQ(key.value.kind, ValueKind::kInteger) << name;
    EXPECT_EQ(key.value.integer, expected) << name;
  }

  EXPECT_EQ(Text(u"set_page_shell", u"font_face_name"), "微软雅黑");
  EXPECT_EQ(Int(u"set_page_shell", u"font_height"), -12);
  EXPECT_EQ(Int(u"set_page_shell", u"font_weight"), 400);
  EXPECT_EQ(Int(u"set_page_shell", u"font_italic"), 0);
  EXPECT_EQ(Int(u"set_page_shell", u"color_compress"), 1);
  EXPECT_EQ(Int(u"set_page_shell", u"first_compress"), 1);
  EXPECT_EQ(Int(u"set_page_shell", u"first_name"), 1);
}

TEST_F(GeneratedImage, SelfExtractorBytes) {
  const std::vector<std::string> zero_digit = {
      "delete_self",          "extract_path_mode", "extract_save_resume_path",
      "extract_silence_type", "extract_temp_dir",  "over_mode",
      "request_admin",        "update_mode"};
  EXPECT_EQ(Bytes(u"sfx_setup_config", u"extract_module"), "Korvex7zSetup.sfx");
  for (const Key& key : FindSection(u"sfx_setup_config")->keys) {
    const std::string name = ToUtf8(key.name);
    if (name == "extract_module") continue;
    const bool digit = std::find(zero_digit.begin(), zero_digit.end(), name) != zero_digit.end();
    EXPECT_EQ(key.value.bytes, (std::vector<uint8_t>{static_cast<uint8_t>(digit ? 0x30 : 0x00)}))
        << name;
  }
}

TEST_F(GeneratedImage, ViewsScanAndHistory) {
  EXPECT_EQ(Int(u"view_mode", u"view_left"), 548);
  EXPECT_EQ(Int(u"view_mode", u"view_top"), 178);
  EXPECT_EQ(Int(u"view_mode", u"view_width_5"), 921);
  EXPECT_EQ(Int(u"view_mode", u"view_height_5"), 646);
  EXPECT_EQ(Text(u"view_mode", u"left_frame_width_ratio"), "0.500000");
  EXPECT_EQ(Int(u"view_mode", u"view_fullrow"), 1);

  const std::u16string directory = u"view_5.1-1145774555_directory";
  EXPECT_EQ(Int(directory, u"column_width_0"), 300);
  EXPECT_EQ(Int(directory, u"column_width_1"), 100);
  EXPECT_EQ(Int(directory, u"column_width_2"), 150);
  EXPECT_EQ(Int(directory, u"column_width_3"), 150);
  for (const std::u16string view :
       {u"view_5.1-1145774555_compress_7z", u"view_5.1-1145774555_compress_rar",
        u"view_5.1-1145774555_compress_zip"}) {
    const int32_t first[] = {200, 100, 100, 120, 60, 130};
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(Int(view, u"column_width_" + std::u16string(1, static_cast<char16_t>(u'0' + i))),
                first[i])
          << ToUtf8(view) << " column " << i;
    }
  }

  const std::string executables = ".exe;.com;.bat;.cmd;.pif;.ocx;.scr;.sys;.cpl;.drv;.dll";
  EXPECT_EQ(Text(u"trojan_scan_section", u"scan_filter_5.5"), executables);
  EXPECT_EQ(Text(u"trojan_scan_section", u"scan_filter_count_5.5"), "11");
  EXPECT_EQ(Text(u"trojan_scan_section", u"scan_filter_ahead_5.5"), executables + ";.tar");
  EXPECT_EQ(Text(u"trojan_scan_section", u"scan_filter_ahead_count_5.5"), "12");
  EXPECT_EQ(Text(u"trojan_scan_section", u"scan_files_count"), "15");

  EXPECT_EQ(Text(u"history_section", u"compress"), "\"skins.7z\"");
  EXPECT_EQ(Text(u"rar_archive_section", u"last_update"), "1442835887");
  EXPECT_EQ(Text(u"rar_archive_section", u"check_days"), "0");
  EXPECT_EQ(Text(u"picture_view_time", u"picture_setup_time"), "1442845197");
  const std::string history = Text(u"open_history", u"history_show");
  EXPECT_EQ(history.rfind("C:\\", 0), 0u) << history;
}

TEST_F(GeneratedImage, OneBodyByteChangesTheDigestOnly) {
  std::vector<uint8_t> body(image_->begin() + 33, image_->end());
  for (size_t at : {size_t{0}, body.size() / 2, body.size() - 1}) {
    std::vector<uint8_t> changed = body;
    changed[at] ^= 0x01;
    const std::vector<uint8_t> resealed = SealImage(changed);
    ASSERT_EQ(resealed.size(), image_->size());
    EXPECT_TRUE(std::equal(resealed.begin(), resealed.begin() + 8, image_->begin()));
    EXPECT_FALSE(std::equal(resealed.begin() + 8, resealed.begin() + 24, image_->begin() + 8));
    EXPECT_TRUE(std::equal(resealed.begin() + 24, resealed.begin() + 33, image_->begin() + 24));
    for (size_t i = 33; i < resealed.size(); ++i) {
      if (i - 33 != at) ASSERT_EQ(resealed[i], (*image_)[i]) << i;
    }
  }
}

}  // namespace
