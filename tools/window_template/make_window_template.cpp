// make-window-template ICON OUT.bin: serializes the program's window
// description, with the icon file as the window's icon, into the template
// segment that the program image carries.
#include <cstdio>

#include "app/startup_window.h"
#include "base/file_io.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make-window-template ICON OUT.bin\n");
    return 2;
  }
  std::vector<uint8_t> icon;
  if (!korvex::ReadWholeFile(argv[1], &icon)) {
    std::fprintf(stderr, "make-window-template: cannot read %s\n", argv[1]);
    return 1;
  }
  const korvex::forms::WindowDescription windows[] = {korvex::app::StartupWindow(icon)};
  const std::vector<uint8_t> segment = korvex::forms::SerializeWindowTemplate(windows);
  if (!korvex::WriteWholeFile(argv[2], segment)) {
    std::fprintf(stderr, "make-window-template: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
