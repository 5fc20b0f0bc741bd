// Fuzzes the settings reader on the raw input and, so that mutations get past
// the digest, on the input's body under a fresh header. Whatever reads back
// must write back to the very same bytes.
#include <cstdlib>
#include <vector>

#include "payload/settings_image.h"
#include "payload/settings_reader.h"

namespace {

void Check(const uint8_t* data, size_t size) {
  const korvex::settings::ReadResult result = korvex::settings::ReadSettingsImage(data, size);
  if (!result.ok) {
    if (result.error.empty() || result.error_offset > size) std::abort();
    return;
  }
  const std::vector<uint8_t> again = korvex::settings::WriteSettingsImage(result.document);
  if (again != std::vector<uint8_t>(data, data + size)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(data, size);
  if (size >= korvex::settings::kHeaderSize) {
    const std::vector<uint8_t> body(data + korvex::settings::kHeaderSize, data + size);
    const std::vector<uint8_t> sealed = korvex::settings::SealImage(body);
    Check(sealed.data(), sealed.size());
  }
  return 0;
}
