// The default settings table. Sections and keys stand in a readable order
// here; the writer sorts them into the stored order. This file is UTF-8: the
// u"" literals are turned into UTF-16 by the compiler (-finput-charset=UTF-8).
#include "payload/default_settings.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace korvex::settings {
namespace {

Key Int(std::u16string name, int32_t value) {
  return {std::move(name), {ValueKind::kInteger, value, {}, {}}};
}

Key Text(std::u16string name, std::u16string value) {
  return {std::move(name), {ValueKind::kText, 0, std::move(value), {}}};
}

Key Raw(std::u16string name, std::string_view bytes) {
  return {std::move(name), {ValueKind::kBytes, 0, {}, {bytes.begin(), bytes.end()}}};
}

// One zero byte, the value of an unset option of the self-extractor.
Key RawZero(std::u16string name) {
  return Raw(std::move(name), std::string_view("\0", 1));
}

Section Make(std::u16string name, std::initializer_list<Key> keys) {
  return {std::move(name), keys};
}

std::u16string Number(int value) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value > 0);
  return digits;
}

// 2^64 - 1: "no limit" for the compression engine's size options.
constexpr const char16_t* kUnlimited = u"18446744073709551615";

Section CompressParameters() {
  Section section = Make(u"compress_param_section", {
                                                        Int(u"method.0.9", 4),
                                                        Int(u"method.1.9", 1),
                                                        Text(u"option.0.9.4.d", u"32768"),
                                                        Text(u"option.0.9.4.s", kUnlimited),
                                                        Text(u"option.0.9.4.t", u"1"),
                                                        Text(u"option.0.9.4.w", u"128"),
                                                    });
  // Format 1, level 9: one block of options per file group 0 to 10; only
  // group 1 has its own dictionary, solid block, thread and word sizes.
  for (int group = 0; group <= 10; ++group) {
    const std::u16string prefix = u"option.1.9." + Number(group) + u".";
    const bool own = group == 1;
    section.keys.push_back(Text(prefix + u"d", own ? u"67108864" : kUnlimited));
    section.keys.push_back(Text(prefix + u"s", own ? u"4294967296" : kUnlimited));
    section.keys.push_back(Text(prefix + u"t", own ? u"1" : kUnlimited));
    section.keys.push_back(Text(prefix + u"w", own ? u"273" : kUnlimited));
  }
  return section;
}

// File groups of the compression filter, as (group, flag, extensions). Group
// 0 holds archives that are not compressed again; 1 to 3 are compressed
// media; 4 to 9 ordinary files by type; 10 compressed documents and camera
// pictures. The flag marks content that is compressed already.
struct FilterRun {
  int group;
  int flag;
  std::u16string_view extensions;  // separated by spaces
};

constexpr FilterRun kFilterRuns[] = {
    {0, 0, u".rar .zip .7z .xz"},
    {1, 1,
     u".asf .avi .wmv .rm .rmvb .mp4 .m4v .mkv .flv .f4v .mov .mpg .mpeg .3gp .ts .vob .webm"},
    {2, 1, u".mp3 .wma .aac .ogg .m4a .flac .ape .ac3 .amr .mka"},
    {3, 1, u".jpg .jpeg .jpe .jfif .png .gif .webp .jp2 .heic"},
    {0, 0,
     u".gz .tgz .bz2 .tbz .tbz2 .txz .lzma .cab .arj .lzh .lha .ace .alz .zipx .jar .apk .xpi "
     u".deb .rpm .dmg .wim .swm .isz"},
    {4, 0, u".exe .dll .sys .ocx .com .scr .cpl .drv .msi .efi .so"},
    {5, 0, u".doc .dot .xls .xlt .ppt .pps .rtf .wps .et .dps .vsd .pub"},
    {6, 0,
     u".txt .log .ini .inf .xml .htm .html .css .js .json .csv .c .cpp .h .cs .java .py .php .sql"},
    {7, 0, u".mdb .accdb .dbf .db .sqlite"},
    {8, 0, u".bmp .wav .tga .pcx .psd .mid .aif"},
    {9, 0, u".iso .img .vhd .vmdk .nrg .bin .mdf"},
    {10, 1, u".docx .xlsx .pptx .pdf .epub .cr2 .nef .dng .raf"},
};

// "ext,group,flag" entries joined by ";".
std::u16string CompressFilters() {
  std::u16string filters;
  for (const FilterRun& run : kFilterRuns) {
    std::u16string_view rest = run.extensions;
    while (!rest.empty()) {
      const size_t space = rest.find(u' ');
      const std::u16string_view extension = rest.substr(0, space);
      rest = space == std::u16string_view::npos ? std::u16string_view() : rest.substr(space + 1);
      if (!filters.empty()) filters += u';';
      filters.append(extension);
      filters += u',' + Number(run.group) + u',' + Number(run.flag);
    }
  }
  return filters;
}

Section Compress() {
  Section section = Make(u"compress_section", {
                                                  Int(u"compress_format", 0),
                                                  Int(u"compress_level", 9),
                                                  Text(u"compress_method_name", u"Deflate"),
                                                  Text(u"compress_dict_size", u"32768"),
                                                  Text(u"compress_word_size", u"128"),
                                                  Text(u"compress_thread_count", u"1"),
                                                  Text(u"compress_solid_size", kUnlimited),
                                                  Int(u"is_solid_mode", 0),
                                                  Int(u"update_mode", 0),
                                                  Int(u"path_mode", 0),
                                                  Int(u"compress_filter_mode", -1),
                                                  Text(u"compress_filters2", CompressFilters()),
                                                  Text(u"compress_password", u""),
                                                  Int(u"compress_show_password", 0),
                                                  Int(u"compress_crypto_file_name", 0),
                                                  Int(u"compress_is_sfx", 0),
                                                  Text(u"compress_sfx_module", u""),
                                                  Int(u"compress_is_email", 0),
                                                  Int(u"compress_email_after", 0),
                                                  Int(u"compress_volume_size", 0),
                                                  Text(u"compress_volume_size_str", u"0"),
                                                  Text(u"compress_volume_size_unit", u"3"),
                                                  Int(u"compress_volume_for_bbs", 0),
                                                  Text(u"compress_comment", u""),
                                                  Int(u"compress_wrap_comment", 1),
                                                  Text(u"compress_excluded_file", u""),
                                                  Text(u"compress_stored_file", u""),
                                                  Int(u"compress_file_time_type", 0),
                                                  Int(u"include_file_time_type", 0),
                                                  Text(u"include_file_time_begin", u"0"),
                                                  Text(u"include_file_time_end", u"0"),
                                                  Int(u"include_file_time_interval", 0),
                                                  Text(u"default_compress_dir", u""),
                                                  Int(u"is_delete_source_after_compress", 0),
                                                  Int(u"is_single_compress_file", 0),
                                                  Int(u"is_test_compress_file", 0),
                                              });
  // Levels of the file groups: archives (0) and the catch-all group (11)
  // are only stored.
  for (int group = 0; group <= 11; ++group) {
    const int level = group == 0 || group == 11 ? 0 : 1;
    section.keys.push_back(Int(u"compress_type" + Number(group) + u"_level", level));
  }
  return section;
}

Section ShellExtension() {
  return Make(u"section_shell_extention", {
                                              Int(u"context_menu_enable", 1),
                                              Int(u"context_menu_cascade", 1),
                                              Int(u"context_menu_enable_icon", 1),
                                              Int(u"context_menu_enable_new_file", 0),
                                              Int(u"open_by_korvex", 0),
                                              Int(u"extract_to", 1),
                                              Int(u"extract_to_current_folder", 1),
                                              Int(u"extract_to_single_folder", 1),
                                              Int(u"extract_to_folder", 0),
                                              Int(u"extract_to_iso", 0),
                                              Int(u"compress_to", 1),
                                              Int(u"compress_to_zip", 1),
                                              Int(u"compress_to_zip_email", 0),
                                              Int(u"compress_to_7z", 0),
                                              Int(u"compress_to_7z_email", 0),
                                              Int(u"compress_to_tar", 0),
                                              Int(u"compress_to_tar_email", 0),
                                              Int(u"compress_to_tar_gz", 0),
                                              Int(u"compress_to_tar_gz_email", 0),
                                              Int(u"compress_to_tar_bz2", 0),
                                              Int(u"compress_to_tar_bz2_email", 0),
                                              Int(u"compress_to_tar_xz", 0),
                                              Int(u"compress_to_tar_xz_email", 0),
                                              Int(u"compress_to_lzh", 0),
                                              Int(u"compress_to_lzh_email", 0),
                                              Int(u"compress_to_qq", 0),
                                              Int(u"compress_to_single_archive", 0),
                                              Int(u"convert_archive", 0),
                                              Int(u"test_archive", 0),
                                              Int(u"calculate_md5", 0),
                                              Int(u"batch_rename", 0),
                                              Int(u"cd_command", 0),
                                              Int(u"other_command", 0),
                                          });
}

Section NormalPage() {
  Section section = Make(u"set_page_normal", {
                                                 Int(u"always_top", 0),
                                                 Int(u"show_comment", 0),
                                                 Int(u"log_error", 0),
                                                 Int(u"history_enable", 0),
                                                 Int(u"history_dialog_enable", 0),
                                                 Int(u"enable_system_suspend_option", 1),
                                                 Int(u"link_destop", 0),
                                                 Int(u"link_program", 1),
                                                 Int(u"link_start", 0),
                                             });
  // Archive types opened by the archiver: all but disc images and Java
  // archives, which keep their own programs.
  constexpr std::u16string_view kTypes[] = {
      u"7Z",    u"ZIP",   u"RAR", u"ZIPX", u"001", u"ACE",  u"ALZ",  u"ARJ",    u"BZ",
      u"BZ2",   u"BZIP2", u"CAB", u"CPIO", u"DEB", u"DMG",  u"GZ",   u"GZIP",   u"HFS",
      u"IMG",   u"ISO",   u"ISZ", u"JAR",  u"LHA", u"LZH",  u"LZMA", u"LZMA86", u"RPM",
      u"SPLIT", u"SWM",   u"TAR", u"TAZ",  u"TBZ", u"TBZ2", u"TGZ",  u"TPZ",    u"TXZ",
      u"UUE",   u"WIM",   u"XAR", u"XPI",  u"XZ",  u"Z"};
  for (std::u16string_view type : kTypes) {
    section.keys.push_back(Int(std::u16string(type), type == u"ISO" || type == u"JAR" ? 0 : 1));
  }
  return section;
}

// Column widths of a list view: the given ones first, then `rest` more.
Section View(std::u16string name, std::initializer_list<int32_t> widths, int rest = 0,
             int32_t rest_width = 0) {
  Section section{std::move(name), {}};
  int column = 0;
  for (int32_t width : widths)
    section.keys.push_back(Int(u"column_width_" + Number(column++), width));
  for (int i = 0; i < rest; ++i)
    section.keys.push_back(Int(u"column_width_" + Number(column++), rest_width));
  return section;
}

Section SelfExtractor() {
  return Make(u"sfx_setup_config", {
                                       Raw(u"extract_module", "Korvex7zSetup.sfx"),
                                       RawZero(u"setup_wnd_title"),
                                       RawZero(u"setup_wnd_text"),
                                       RawZero(u"setup_ico"),
                                       RawZero(u"setup_logo"),
                                       RawZero(u"licence_title"),
                                       RawZero(u"licence_text"),
                                       RawZero(u"extract_ask_title"),
                                       RawZero(u"extract_ask_text"),
                                       RawZero(u"extract_absolute_path"),
                                       Raw(u"extract_path_mode", "0"),
                                       Raw(u"extract_temp_dir", "0"),
                                       Raw(u"extract_save_resume_path", "0"),
                                       Raw(u"extract_silence_type", "0"),
                                       RawZero(u"extract_first"),
                                       RawZero(u"extract_run_before"),
                                       RawZero(u"extract_run_after"),
                                       Raw(u"over_mode", "0"),
                                       Raw(u"update_mode", "0"),
                                       Raw(u"request_admin", "0"),
                                       Raw(u"delete_self", "0"),
                                       RawZero(u"delete_files"),
                                       RawZero(u"link_param"),
                                       RawZero(u"reg_import"),
                                   });
}

constexpr const char16_t* kExecutableFilter =
    u".exe;.com;.bat;.cmd;.pif;.ocx;.scr;.sys;.cpl;.drv;.dll";

}  // namespace

Document DefaultSettings() {
  Document document;
  auto& s = document.sections;
  s.push_back(Make(u"section_version", {Int(u"korvex_version_number", 10516)}));
  s.push_back(NormalPage());
  s.push_back(Make(u"set_page_shell", {
                                          Text(u"font_face_name", u"微软雅黑"),
                                          Int(u"font_height", -12),
                                          Int(u"font_weight", 400),
                                          Int(u"font_italic", 0),
                                          Int(u"color_compress", 1),
                                          Int(u"first_compress", 1),
                                          Int(u"first_name", 1),
                                      }));
  s.push_back(Make(u"set_page_system", {
                                           Text(u"work_directory", u""),
                                           Text(u"user_directory", u""),
                                           Text(u"open_directory", u""),
                                           Int(u"open_restore", 0),
                                           Int(u"only_removal", 0),
                                       }));
  s.push_back(ShellExtension());
  s.push_back(Compress());
  s.push_back(CompressParameters());
  s.push_back(Make(u"decompress_section", {
                                              Text(u"default_decompress_dir", u""),
                                              Int(u"auto_append_file_name", 1),
                                              Int(u"remove_same_root", 1),
                                          }));
  s.push_back(Make(u"extract_config", {Int(u"path_mode", 0)}));
  s.push_back(SelfExtractor());
  s.push_back(Make(u"single_arch_info_config", {
                                                   Int(u"is_enable_archive_sound", 1),
                                                   Int(u"is_use_md5_threshold", 1),
                                                   Text(u"calculate_md5_threshold", u"100"),
                                               }));
  s.push_back(Make(u"section_internal_viewer",
                   {
                       Text(u"internal_viewer_extract_all_exts", u".htm;.html;.mht;.chm;.pdf"),
                       Int(u"internal_viewer_extract_all_size", 1),
                       Text(u"internal_viewer_extract_all_size_value", u"10"),
                       Int(u"internal_viewer_ignore_modify", 0),
                       Int(u"internal_viewer_text_type", 0),
                   }));
  s.push_back(Make(u"trojan_scan_section",
                   {
                       Text(u"scan_filter_5.5", kExecutableFilter),
                       Text(u"scan_filter_count_5.5", u"11"),
                       Text(u"scan_filter_ahead_5.5", std::u16string(kExecutableFilter) + u";.tar"),
                       Text(u"scan_filter_ahead_count_5.5", u"12"),
                       Text(u"scan_files_count", u"15"),
                   }));
  s.push_back(Make(u"view_mode", {
                                     Int(u"view_left", 548),
                                     Int(u"view_top", 178),
                                     Int(u"view_width_5", 921),
                                     Int(u"view_height_5", 646),
                                     Int(u"view_max", 0),
                                     Text(u"left_frame_width_ratio", u"0.500000"),
                                     Int(u"view_tree", 1),
                                     Int(u"view_tree_archive", 0),
                                     Int(u"view_archive_on_tree", 1),
                                     Int(u"view_addressbar", 1),
                                     Int(u"view_addressbar2", 0),
                                     Int(u"view_plate", 1),
                                     Int(u"view_fullrow", 1),
                                     Int(u"view_grid", 0),
                                     Int(u"view_comment_return", 0),
                                     Int(u"view_comment_width_3149192741", 200),
                                     Int(u"view_left_pane_3149192741", 1),
                                     Int(u"view_left_width_53149192741", 180),
                                     Int(u"view_preview_5.03149192741", 0),
                                 }));
  s.push_back(View(u"view_5.1-1145774555_directory", {300, 100, 150, 150}));
  s.push_back(
      View(u"view_5.1-1145774555_compress_zip", {200, 100, 100, 120, 60, 130, 100, 80}, 8, 80));
  s.push_back(
      View(u"view_5.1-1145774555_compress_7z", {200, 100, 100, 120, 60, 130, 100, 80}, 8, 80));
  s.push_back(
      View(u"view_5.1-1145774555_compress_rar", {200, 100, 100, 120, 60, 130, 100, 80}, 12, 80));
  s.push_back(Make(u"filesize_mode", {Int(u"filesize_style", 0)}));
  s.push_back(Make(u"history_section", {Text(u"compress", u"\"skins.7z\"")}));
  s.push_back(
      Make(u"open_history",
           {Text(u"history_show", u"C:\\Users\\Administrator\\Desktop\\Korvex Test Archives")}));
  s.push_back(Make(u"picture_view_time", {
                                             Text(u"picture_setup_time", u"1442845197"),
                                             Text(u"picture_setup_nofity_time", u"0"),
                                         }));
  s.push_back(Make(u"rar_archive_section", {
                                               Int(u"update_archive", 1),
                                               Text(u"last_update", u"1442835887"),
                                               Text(u"check_days", u"0"),
                                           }));
  s.push_back(Make(u"limit_cpu_section", {Int(u"limit_CPU", 0)}));
  s.push_back(Make(u"skin_profile_section", {Int(u"skin_profile_extract_mode", 0)}));
  s.push_back(Make(u"user_profile_section", {
                                                Text(u"user_profile_compress_file_name", u""),
                                                Text(u"user_profile_save_file_name", u""),
                                            }));
  s.push_back(Make(u"volume_size_section", {Int(u"volume_repair", 0)}));
  return document;
}

}  // namespace korvex::settings
