#include "tests/support/runtime_pump.h"

#include "runtime/call_protocol.h"
#include "runtime/message_loop.h"

namespace korvex::testing {
namespace {

int g_pump_requests = 0;

intptr_t CountingRuntimeService(int32_t code, intptr_t p1, intptr_t p2) {
  if (code == kServiceProcessPendingMessages) ++g_pump_requests;
  return RuntimeService(code, p1, p2);
}

}  // namespace

ServedLibrary::ServedLibrary(const LibraryRecord& library) : library_(library) {
  SetProcessPendingMessagesHook(&ProcessPendingMessages);
  library_.notify(kNotifyStart, reinterpret_cast<intptr_t>(&CountingRuntimeService), 0);
  g_pump_requests = 0;
}

ServedLibrary::~ServedLibrary() {
  library_.notify(kNotifyEnd, 0, 0);
  SetProcessPendingMessagesHook(nullptr);
}

int ServedLibrary::PumpRequests() {
  return g_pump_requests;
}

void ServedLibrary::ResetPumpRequests() {
  g_pump_requests = 0;
}

}  // namespace korvex::testing
