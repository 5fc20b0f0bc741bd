// The runtime's service for tests of commands that dispatch messages: while
// a ServedLibrary lives, the library runs with the service the program hands
// it at start, whose pending-message service is the runtime's own pump.
// Windows only.
#pragma once

#include "runtime/library_record.h"

namespace korvex::testing {

class ServedLibrary {
 public:
  explicit ServedLibrary(const LibraryRecord& library);
  ServedLibrary(const ServedLibrary&) = delete;
  ServedLibrary& operator=(const ServedLibrary&) = delete;
  ~ServedLibrary();  // the library's end notification; the pump is taken away

  // Requests for the pending-message service since the start or the last reset.
  static int PumpRequests();
  static void ResetPumpRequests();

 private:
  const LibraryRecord& library_;
};

}  // namespace korvex::testing
