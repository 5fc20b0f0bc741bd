// The runtime's application object: the process-wide state that start-up
// fills from the program image, the numbered runtime services, loading the
// start-up window and running the main loop. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/arg_record.h"
#include "runtime/library_record.h"
#include "runtime/program_image.h"

namespace korvex {

// What the form engine provides to the runtime. The runtime never links the
// form engine directly; the process entry hands these in.
struct FormEngineHooks {
  // Loads the window templates of the segment and relocates their handlers
  // against the code base; reports a fatal error itself on a corrupt segment.
  void (*load_templates)(const uint8_t* segment, uint32_t size, const uint8_t* code_base) = nullptr;
  // Creates the window with this id from its template; false when the id is
  // unknown or creation fails.
  bool (*load_window)(uint32_t window_id) = nullptr;
  // Whether any program window is still a live window.
  bool (*any_window_exists)() = nullptr;
  void (*destroy_all_windows)() = nullptr;
  ArgRecord (*read_property)(uint32_t window, uint32_t unit, int32_t property,
                             int32_t index) = nullptr;
  void (*write_property)(uint32_t window, uint32_t unit, int32_t property, int32_t index,
                         uint32_t low, uint32_t high) = nullptr;
};

// Routine run while the message queue is empty, for as long as its window lives.
using IdleRoutine = void (*)(void* parameter);

class Application {
 public:
  Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The program image this run uses.
  const ProgramInfoBlock* image = nullptr;
  FormEngineHooks forms;

  HANDLE heap = nullptr;
  uint32_t program_kind = 0;
  uint32_t reserved = 0;
  uint32_t build_number = 0;
  std::string program_directory;  // with trailing backslash (set before the entry routine)
  std::string module_directory;   // without trailing backslash (service 6)
  std::string module_file_name;
  DWORD main_thread_id = 0;
  const uint8_t* constant_start = nullptr;
  const uint8_t* constant_end = nullptr;
  std::vector<const LibraryRecord*> libraries;
  std::vector<intptr_t> library_words;  // one per library, zero at start
  HWND hidden_owner = nullptr;
  bool ole_initialized = false;
  bool image_initialized = false;
  bool main_loop_started = false;
  // Idle routines: three parallel lists.
  std::vector<HWND> idle_windows;
  std::vector<IdleRoutine> idle_routines;
  std::vector<void*> idle_parameters;
};

Application& App();

// Stores the program directory, fills the runtime entries and calls the
// program's entry routine at the code base; returns its result.
int32_t RunApplication(const ProgramInfoBlock* image, const FormEngineHooks& forms);

// Fills the runtime entries of the application (run, load start-up window,
// property access, services) and its program-end steps: destroying the
// windows, notifying the libraries, releasing the runtime's objects.
void InstallRuntimeEntries();

// Service 6: initialises the program image in its fixed order.
void InitializeProgramImage();

// The numbered services 0..6 (Runtime().service).
intptr_t RuntimeServices(int32_t number, intptr_t a, intptr_t b, intptr_t c, intptr_t d);

// Service 0: the next file matching the pattern (null pattern: continue the
// search in *handle). Directories "." and ".." are skipped. Entries whose
// hidden, system or directory attributes are not all in attribute_mask are
// skipped; with directories_only set only directories are returned. Returns a
// new Text, or null when nothing is left (the search is then closed).
char* FindNextMatchingFile(const char* pattern, uint32_t attribute_mask, bool directories_only,
                           HANDLE* handle);

// The start-up window: a window id that is unknown, or whose creation fails,
// ends the program with "载入启动窗口失败". A window that its own handlers
// closed during creation was created: Run() then returns at once.
void LoadStartupWindow(uint32_t window_id);
// Sets the main-loop-started flag and runs the main loop while a program
// window exists.
void Run();
// Called by the form engine once a program window is gone: posts the quit
// request when no program window is left and the main loop has started.
void QuitIfNoWindowLeft();
// Notification to the runtime that a program window has been destroyed, with
// p1 = its window id and p2 = its former handle.
inline constexpr int32_t kNotifyWindowDestroyed = 2000;
// Called by the form engine when a program window has been destroyed, before
// the quit check: tells the runtime through its notification function
// (RuntimeService), which has nothing left to release for the window then.
void NotifyWindowDestroyed(uint32_t window_id, HWND window);

// Splits a module file name at its last backslash, honouring double-byte
// characters of the given code page (a trail byte may equal '\').
struct SplitPath {
  std::string directory;  // without the backslash; empty when there is none
  std::string file_name;
};
SplitPath SplitModulePath(const char* path, UINT code_page);

// Idle routines of a window (run last to first while the queue is empty).
void AddIdleRoutine(HWND window, IdleRoutine routine, void* parameter);
void RemoveIdleRoutines(HWND window);
void ClearIdleRoutines();

// Returns the application object to its constructed state (tests).
void ResetApplicationForTesting();

}  // namespace korvex
