#include "runtime/application.h"

#include <ole2.h>

#include <cstring>

#include "base/window_class.h"
#include "runtime/call_protocol.h"
#include "runtime/declared_functions.h"
#include "runtime/errors.h"
#include "runtime/message_loop.h"
#include "runtime/texts.h"
#include "runtime/values.h"

namespace korvex {
namespace {

constexpr wchar_t kHiddenOwnerClass[] = L"_EL_HideOwner";

Application* g_app = nullptr;

LRESULT CALLBACK HiddenOwnerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kEndRequestMessage) {
    // Another thread asked for the end: it happens here, on the main thread.
    AnswerEndRequest(static_cast<uint32_t>(wparam));
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND CreateHiddenOwner() {
  if (!RegisterWindowClass({.name = kHiddenOwnerClass, .procedure = HiddenOwnerProc}))
    return nullptr;
  return CreateWindowExW(WS_EX_TOOLWINDOW, kHiddenOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The application's program-end steps (InstallRuntimeEntries).
void DestroyProgramWindows() {
  if (App().forms.destroy_all_windows) App().forms.destroy_all_windows();
}

void NotifyLibrariesOfEnd() {
  Application& app = App();
  for (size_t i = 0; i < app.libraries.size(); ++i) {
    const LibraryRecord* library = app.libraries[i];
    if (library && library->notify) library->notify(kNotifyEnd, app.library_words[i], 0);
  }
  app.libraries.clear();
  app.library_words.clear();
}

void ReleaseRuntimeObjects() {
  Application& app = App();
  app.constant_start = app.constant_end = nullptr;
  ClearConstantSegment();
  if (app.hidden_owner) {
    DestroyWindow(app.hidden_owner);
    app.hidden_owner = nullptr;
  }
  if (app.ole_initialized) {
    OleUninitialize();
    app.ole_initialized = false;
  }
}

ArgRecord ReadPropertyEntry(uint32_t window, uint32_t unit, int32_t property, int32_t index) {
  if (App().forms.read_property) return App().forms.read_property(window, unit, property, index);
  return ArgRecord{0, 0, 0};
}

void WritePropertyEntry(uint32_t window, uint32_t unit, int32_t property, int32_t index,
                        uint32_t low, uint32_t high) {
  if (App().forms.write_property)
    App().forms.write_property(window, unit, property, index, low, high);
}

}  // namespace

Application& App() {
  if (!g_app) g_app = new Application();  // lives until the process ends
  return *g_app;
}

void ResetApplicationForTesting() {
  delete g_app;
  g_app = nullptr;
}

SplitPath SplitModulePath(const char* path, UINT code_page) {
  SplitPath result;
  if (!path) return result;
  const size_t length = std::strlen(path);
  size_t last = length;  // position of the last backslash; length = none
  for (size_t i = 0; i < length; ++i) {
    const auto byte = static_cast<BYTE>(path[i]);
    if (IsDBCSLeadByteEx(code_page, byte) && i + 1 < length) {
      ++i;  // the trail byte may look like a backslash
      continue;
    }
    if (path[i] == '\\') last = i;
  }
  if (last == length) {
    result.file_name.assign(path, length);
  } else {
    result.directory.assign(path, last);
    result.file_name.assign(path + last + 1, length - last - 1);
  }
  return result;
}

void AddIdleRoutine(HWND window, IdleRoutine routine, void* parameter) {
  Application& app = App();
  app.idle_windows.push_back(window);
  app.idle_routines.push_back(routine);
  app.idle_parameters.push_back(parameter);
}

void RemoveIdleRoutines(HWND window) {
  Application& app = App();
  for (size_t i = app.idle_windows.size(); i-- > 0;) {
    if (app.idle_windows[i] != window) continue;
    const auto at = static_cast<ptrdiff_t>(i);
    app.idle_windows.erase(app.idle_windows.begin() + at);
    app.idle_routines.erase(app.idle_routines.begin() + at);
    app.idle_parameters.erase(app.idle_parameters.begin() + at);
  }
}

void ClearIdleRoutines() {
  Application& app = App();
  app.idle_windows.clear();
  app.idle_routines.clear();
  app.idle_parameters.clear();
}

void InitializeProgramImage() {
  Application& app = App();
  const ProgramInfoBlock* image = app.image;
  if (!image || app.image_initialized) return;
  app.image_initialized = true;

  app.heap = GetProcessHeap();
  app.program_kind = image->program_kind;
  app.reserved = image->reserved;
  app.build_number = image->build_number + 1;
  SetProgramKind(static_cast<int32_t>(app.program_kind));

  if (!app.ole_initialized) app.ole_initialized = SUCCEEDED(OleInitialize(nullptr));

  char module[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  SplitPath split = SplitModulePath(module, CP_ACP);
  app.module_directory = std::move(split.directory);
  app.module_file_name = std::move(split.file_name);
  SetCurrentDirectoryA(app.module_directory.c_str());

  app.hidden_owner = CreateHiddenOwner();
  app.main_thread_id = GetCurrentThreadId();
  SetHiddenOwnerWindow(app.hidden_owner);
  SetMainThread(app.main_thread_id);

  if (image->constant_segment_size > 0) {
    app.constant_start = image->constant_segment;
    app.constant_end = image->constant_segment + image->constant_segment_size;
    SetConstantSegment(image->constant_segment, image->constant_segment_size);
  }

  if (image->declared_count > 0)
    InitDeclaredFunctions(image->declared_count, image->declared_module_names,
                          image->declared_function_names);

  for (int32_t i = 0; i < image->library_count; ++i) {
    const LibraryRecord* library = image->library_table[i];
    if (library && library->notify)
      library->notify(kNotifyStart, reinterpret_cast<intptr_t>(&RuntimeService), 0);
  }
  app.libraries.assign(image->library_table, image->library_table + image->library_count);
  app.library_words.assign(app.libraries.size(), 0);
  SetLibraryTable(image->library_table, image->library_count);

  if (image->template_segment_size > 0 && app.forms.load_templates)
    app.forms.load_templates(image->template_segment, image->template_segment_size,
                             image->code_base);
}

void LoadStartupWindow(uint32_t window_id) {
  const FormEngineHooks& forms = App().forms;
  if (!forms.load_window || !forms.load_window(window_id))
    ReportError(kStartupWindowFailedText, 0, window_id, 0);
}

void Run() {
  Application& app = App();
  app.main_loop_started = true;
  if (app.forms.any_window_exists && app.forms.any_window_exists()) RunMessageLoop(LoopMode::kMain);
}

void QuitIfNoWindowLeft() {
  Application& app = App();
  if (!app.main_loop_started) return;
  if (app.forms.any_window_exists && app.forms.any_window_exists()) return;
  PostQuitMessage(0);
}

void NotifyWindowDestroyed(uint32_t window_id, HWND window) {
  // Through the runtime's notification function, the service callback that
  // the libraries are given: code 2000 is the runtime's, not a code of the
  // libraries' notify routines (those hear only of start and end).
  RuntimeService(kNotifyWindowDestroyed, static_cast<intptr_t>(window_id),
                 reinterpret_cast<intptr_t>(window));
}

void InstallRuntimeEntries() {
  RuntimeEntryTable& entries = Runtime();
  entries.run = &Run;
  entries.load_startup_window = &LoadStartupWindow;
  entries.read_property = &ReadPropertyEntry;
  entries.write_property = &WritePropertyEntry;
  entries.service = &RuntimeServices;
  SetProcessPendingMessagesHook(&ProcessPendingMessages);

  EndSteps& steps = ProgramEndSteps();
  steps.clear_idle_routines = &ClearIdleRoutines;
  steps.destroy_windows = &DestroyProgramWindows;
  steps.notify_libraries_end = &NotifyLibrariesOfEnd;
  steps.release_runtime_objects = &ReleaseRuntimeObjects;
}

int32_t RunApplication(const ProgramInfoBlock* image, const FormEngineHooks& forms) {
  Application& app = App();
  app.image = image;
  app.forms = forms;
  InstallRuntimeEntries();

  char module[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  const SplitPath split = SplitModulePath(module, CP_ACP);
  app.program_directory.assign(module, std::strlen(module) - split.file_name.size());

  using EntryRoutine = int32_t(__stdcall*)();
  auto entry = reinterpret_cast<EntryRoutine>(reinterpret_cast<uintptr_t>(image->code_base));
  return entry();
}

}  // namespace korvex
