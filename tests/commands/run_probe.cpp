// A program that the process tests start: it writes what it was started with
// into the report file named by its first argument: the command line, the
// startup info's show state and flags, its working folder, its own file, and
// its arguments as CommandLineArgsCmd reads them. With a second argument it first waits (up
// to 20 s, without ever reading messages) for the named event.
#include <windows.h>

#include <cstdio>
#include <string>

#include "commands/commands.h"
#include "runtime/arg_record.h"
#include "runtime/values.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string report;
  char line[1024];
  std::snprintf(line, sizeof line, "cmdline=%s\n", ::GetCommandLineA());
  report += line;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  ::GetStartupInfoA(&startup);
  std::snprintf(line, sizeof line, "show=%u flags=%lu\n", startup.wShowWindow, startup.dwFlags);
  report += line;
  char folder[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, folder);
  report += std::string("cwd=") + folder + "\n";
  char module[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, module, MAX_PATH);
  report += std::string("module=") + module + "\n";

  void* array = nullptr;
  korvex::ArgRecord variable =
      korvex::MakePointer(&array, korvex::tag::kText | korvex::tag::kArrayFlag);
  korvex::ArgRecord result = {0, 0, 0};
  korvex::CommandLineArgsCmd(&result, 1, &variable);
  void* first = nullptr;
  const int32_t count = korvex::ElementCount(array, &first);
  for (int32_t i = 0; i < count; ++i) {
    const char* text = static_cast<const char* const*>(first)[i];
    report += std::string("arg=") + (text != nullptr ? text : "<null>") + "\n";
  }
  korvex::FreeArrayValue(variable.tag, array);

  if (argc >= 3) {
    HANDLE event = ::OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
    if (event == nullptr) {
      report += "event=missing\n";
    } else {
      const bool signalled = ::WaitForSingleObject(event, 20000) == WAIT_OBJECT_0;
      report += signalled ? "event=signalled\n" : "event=timeout\n";
      ::CloseHandle(event);
    }
  }
  report += "done\n";

  // Written under another name first, so that a reader never sees half.
  const std::string partial = std::string(argv[1]) + ".part";
  if (FILE* f = std::fopen(partial.c_str(), "wb")) {
    std::fwrite(report.data(), 1, report.size(), f);
    std::fclose(f);
  }
  ::MoveFileA(partial.c_str(), argv[1]);
  return 0;
}
