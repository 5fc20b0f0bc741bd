// A recording stand-in for the runtime door: a library table whose commands
// write each call, with its arguments rendered readably (texts byte for byte),
// into one list and answer with scripted results, and replacement runtime
// entries for declared functions, property writes, errors and program end.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "runtime/call_protocol.h"

namespace korvex::test {

struct Script {
  // Text returned by SpecialFolderCmd(8); nullopt: the folder is unavailable.
  std::optional<std::string> app_data = std::string("C:\\users\\k\\AppData\\Roaming\\");
  // Text returned by SpecialFolderCmd(9), the Windows folder.
  std::optional<std::string> windows_folder = std::string("C:\\windows\\");
  // Arguments CommandLineArgsCmd puts into the array (nullopt: a null text).
  std::vector<std::optional<std::string>> arguments;
  // Paths FileExistsCmd reports as present.
  std::set<std::string> existing_files;
  // Results of WriteHeldFileCmd, first to last; true once they run out.
  std::vector<bool> held_writes;
  // Every command of the program fails (false, 0, null); byte-set helpers work.
  bool commands_fail = false;
  // Uninstall entry in the 64-bit view: whether the key exists and its
  // InstallLocation value (UTF-16 without terminator), if any.
  bool uninstall_key_exists = false;
  std::optional<std::u16string> install_location;
  // Runs inside DelayCmd(ms) for the first delay of that length.
  std::map<int32_t, std::function<void()>> during_delay;
};

class Recorder {
 public:
  Recorder();
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  Script script;
  std::vector<std::string> calls;
  // The clean-up routine registered through service 3, if any.
  void (*cleanup_routine)() = nullptr;

  // Calls rendered by the recording entries, for use by them only.
  void Command(int32_t library, int32_t command, ArgRecord* result, int32_t count, ArgRecord* args);
  uintptr_t Declared(int32_t index, int32_t argc, const uintptr_t* argv, int32_t caller_cleans);
  void Add(std::string call) { calls.push_back(std::move(call)); }

 private:
  RuntimeEntryTable saved_;
  std::set<int32_t> delays_run_;
  int32_t next_hot_key_ = 33001;
};

// The current recorder (one at a time).
Recorder& Current();

// Readable forms of the calls the program makes, shared by the expectations.
std::string Quoted(const std::string& text);

}  // namespace korvex::test
