// make-icon OUT.ico: draws the program icon (48, 32 and 16 pixels, 32-bit).
#include <cstdio>

#include "base/file_io.h"
#include "tools/window_template/program_icon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-icon OUT.ico\n");
    return 2;
  }
  const std::vector<uint8_t> icon = korvex::tools::MakeProgramIcon();
  if (!korvex::WriteWholeFile(argv[1], icon)) {
    std::fprintf(stderr, "make-icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
