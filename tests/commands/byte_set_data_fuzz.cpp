// Fuzzes GetByteSetDataCmd's reading: any byte set, type code and position.
// An invalid type code ends the program through the runtime's report; here
// the end returns to the fuzz target instead (tests/support/program_end.h).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "commands/commands.h"
#include "runtime/arg_record.h"
#include "runtime/errors.h"
#include "runtime/values.h"
#include "tests/support/program_end.h"

namespace {

int32_t Quiet(int32_t, const char*) {
  return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvex;
  if (size < 6) return 0;
  const int32_t code = static_cast<int8_t>(data[0]) % 13;
  const uint8_t mode = data[1] % 3;  // omitted, value, variable
  int32_t position;
  std::memcpy(&position, data + 2, sizeof position);
  if ((data[1] & 0x80) == 0) position %= 64;  // mostly positions near the data
  const int32_t length = static_cast<int32_t>(size - 6);
  void* source = NewByteSet(data + 6, length);

  ArgRecord args[3] = {MakePointer(source, tag::kByteSet), MakeInt(code), MakeOmitted()};
  int32_t variable = position;
  if (mode == 1) args[2] = MakeInt(position);
  if (mode == 2) args[2] = MakePointer(&variable, tag::kInt | tag::kArrayFlag);
  ArgRecord result = {0, 0, 0};

  SetErrorHandler(Quiet);
  const bool ended = testing::RunToEnd([&] { GetByteSetDataCmd(&result, 3, args); }).ended();
  if (ended) ResetProgramEndForTesting();
  if (ended != (code < 1 || code > 10)) std::abort();
  if (!ended && result.tag == tag::kText) Free(PointerOf(result));
  if (mode == 2 && !ended && variable != -1 && (variable < position || variable > length)) {
    std::abort();
  }
  Free(source);
  return 0;
}
