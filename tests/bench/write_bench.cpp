// Benchmark: writing the embedded installer image to disk with WriteFileCmd,
// straight from the program's read-only constants, against a plain copy of the
// same bytes from a file (CopyFileA) under the same platform. Prints figures.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands/command_ids.h"
#include "payload/constants.h"
#include "runtime/arg_record.h"
#include "runtime/call_protocol.h"
#include "runtime/values.h"

namespace {

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace korvex;
  const char* folder = argc > 1 ? argv[1] : ".";
  const int rounds = argc > 2 ? atoi(argv[2]) : 10;
  char target[MAX_PATH], source[MAX_PATH], copy[MAX_PATH];
  snprintf(target, sizeof target, "%s\\written.bin", folder);
  snprintf(source, sizeof source, "%s\\source.bin", folder);
  snprintf(copy, sizeof copy, "%s\\copied.bin", folder);

  SetLibraryTable(ProgramLibraryTable, kLibraryCount);
  int32_t length;
  memcpy(&length, InstallerImage + 4, 4);

  ArgRecord args[2] = {MakePointer(target, tag::kText), MakePointer(InstallerImage, tag::kByteSet)};
  // The source file for the plain copy holds the same bytes.
  ArgRecord src_args[2] = {MakePointer(source, tag::kText), args[1]};
  CallCoreCommand(kWriteFileCmd, 2, src_args);

  double best_write = 1e9, best_copy = 1e9, total_write = 0, total_copy = 0;
  for (int i = 0; i < rounds; ++i) {
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    ArgRecord r = CallCoreCommand(kWriteFileCmd, 2, args);
    QueryPerformanceCounter(&b);
    if (r.low == 0) {
      fprintf(stderr, "WriteFileCmd failed\n");
      return 1;
    }
    double w = Seconds(a, b);
    QueryPerformanceCounter(&a);
    if (!CopyFileA(source, copy, FALSE)) {
      fprintf(stderr, "CopyFileA failed\n");
      return 1;
    }
    QueryPerformanceCounter(&b);
    double c = Seconds(a, b);
    total_write += w;
    total_copy += c;
    if (w < best_write) best_write = w;
    if (c < best_copy) best_copy = c;
  }
  printf("installer image: %d bytes, %d rounds\n", length, rounds);
  printf("WriteFileCmd from the constants: best %.1f ms, mean %.1f ms\n", best_write * 1e3,
         total_write / rounds * 1e3);
  printf("CopyFileA of the same bytes:      best %.1f ms, mean %.1f ms\n", best_copy * 1e3,
         total_copy / rounds * 1e3);
  DeleteFileA(target);
  DeleteFileA(source);
  DeleteFileA(copy);
  return 0;
}
