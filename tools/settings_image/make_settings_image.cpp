// make-settings-image OUT: writes the default settings image to OUT.
#include <cstdio>
#include <vector>

#include "base/file_io.h"
#include "payload/default_settings.h"
#include "payload/settings_reader.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-settings-image OUT\n");
    return 2;
  }
  const std::vector<uint8_t> image =
      korvex::settings::WriteSettingsImage(korvex::settings::DefaultSettings());
  // Never hand the build an image that does not read back.
  const korvex::settings::ReadResult check =
      korvex::settings::ReadSettingsImage(image.data(), image.size());
  if (!check.ok) {
    std::fprintf(stderr, "make-settings-image: generated image is invalid: %s\n",
                 check.error.c_str());
    return 1;
  }
  if (!korvex::WriteWholeFile(argv[1], image)) {
    std::fprintf(stderr, "make-settings-image: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
