// The runtime's service callback as each support library received it with
// its start notification, for the commands that need a runtime service.
#pragma once

#include <cstdint>

#include "runtime/library_record.h"

namespace korvex {

// Null before the library's start notification and after its end one.
ServiceCallback LibraryServiceCallback(int32_t library);

}  // namespace korvex
