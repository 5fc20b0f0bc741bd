// The archiver's default settings, as the program installs them.
#pragma once

#include "payload/settings_image.h"

namespace korvex::settings {

// The default settings as written in the source table (not yet sorted).
Document DefaultSettings();

}  // namespace korvex::settings
