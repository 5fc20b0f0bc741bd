// qdf-dump FILE: prints a settings file as sections and keys. Every name and
// text from the file is printed escaped (ToPrintable): whatever a file holds,
// each section, key and the totals stand on lines of their own.
#include <cstdio>
#include <vector>

#include "base/file_io.h"
#include "payload/settings_reader.h"

namespace {

using korvex::settings::ToPrintable;

void PrintText(const std::u16string& text) {
  std::printf("\"%s\"", ToPrintable(text).c_str());
}

void PrintValue(const korvex::settings::Value& value) {
  switch (value.kind) {
    case korvex::settings::ValueKind::kInteger:
      std::printf("%ld", static_cast<long>(value.integer));
      break;
    case korvex::settings::ValueKind::kText:
      PrintText(value.text);
      break;
    case korvex::settings::ValueKind::kBytes:
      std::printf("bytes(%u)", static_cast<unsigned>(value.bytes.size()));
      for (uint8_t byte : value.bytes) std::printf(" %02x", byte);
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qdf-dump FILE\n");
    return 2;
  }
  std::vector<uint8_t> data;
  if (!korvex::ReadWholeFile(argv[1], &data)) {
    std::perror(argv[1]);
    return 1;
  }
  const korvex::settings::ReadResult result =
      korvex::settings::ReadSettingsImage(data.data(), data.size());
  if (!result.ok) {
    std::fprintf(stderr, "%s: %s\n", argv[1], result.error.c_str());
    return 1;
  }
  unsigned keys = 0;
  for (const korvex::settings::Section& section : result.document.sections) {
    std::printf("[%s]\n", ToPrintable(section.name).c_str());
    for (const korvex::settings::Key& key : section.keys) {
      std::printf("%s = ", ToPrintable(key.name).c_str());
      PrintValue(key.value);
      std::putchar('\n');
      ++keys;
    }
    std::putchar('\n');
  }
  std::printf("; %u bytes, %u sections, %u keys\n", static_cast<unsigned>(data.size()),
              static_cast<unsigned>(result.document.sections.size()), keys);
  return 0;
}
