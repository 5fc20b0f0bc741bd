// Helpers of the command tests that run under Wine: calling commands with
// argument records, scratch folders and files (code page 936 texts, the end of
// the program and captured reports come from the runtime tests' support).
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/arg_record.h"
#include "runtime/values.h"
#include "tests/runtime/runtime_test_support.h"

namespace korvex::test {

inline ArgRecord Call(CommandEntry command, std::vector<ArgRecord> args) {
  ArgRecord result = {0, 0, 0};
  command(&result, static_cast<int32_t>(args.size()), args.data());
  return result;
}
inline ArgRecord Text(const std::string& s) {
  return MakePointer(s.c_str(), tag::kText);
}
inline ArgRecord Bytes(const void* byte_set) {
  return MakePointer(byte_set, tag::kByteSet);
}

// A byte set owned by the test.
class ByteSet {
 public:
  explicit ByteSet(const std::string& bytes)
      : p_(NewByteSet(bytes.data(), static_cast<int32_t>(bytes.size()))) {}
  ByteSet(const ByteSet&) = delete;
  ByteSet& operator=(const ByteSet&) = delete;
  ~ByteSet() { Free(p_); }
  ArgRecord Arg() const { return Bytes(p_); }

 private:
  void* p_;
};

inline bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::string ReadAll(const std::string& path) {
  std::string data;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.append(buffer, n);
    std::fclose(f);
  }
  return data;
}

inline void WriteAll(const std::string& path, const std::string& data) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
  }
}

// Deletes a tree without the commands under test.
inline void DeleteTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE h = ::FindFirstFileA((folder + "\\*").c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTree(path);
      } else {
        ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(h, &found));
    ::FindClose(h);
  }
  ::RemoveDirectoryA(folder.c_str());
}

// Under Wine: runs a host program (such as "/bin/ln"), which Wine starts as
// a Unix program, with options and then the Unix names of Windows paths
// (ASCII, without blanks). False where this is not possible (not under Wine).
// A Unix program gives no process to wait for: callers wait for its effect.
inline bool StartHostTool(const char* tool, const std::string& options,
                          const std::vector<std::string>& paths) {
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  FARPROC to_unix_proc = ::GetProcAddress(kernel, "wine_get_unix_file_name");
  FARPROC to_dos_proc = ::GetProcAddress(kernel, "wine_get_dos_file_name");
  if (to_unix_proc == nullptr || to_dos_proc == nullptr) return false;
  using ToUnix = char*(CDECL*)(const wchar_t*);
  using ToDos = wchar_t*(CDECL*)(const char*);
  ToUnix to_unix;
  ToDos to_dos;
  std::memcpy(&to_unix, &to_unix_proc, sizeof to_unix);
  std::memcpy(&to_dos, &to_dos_proc, sizeof to_dos);
  wchar_t* program = to_dos(tool);
  if (program == nullptr) return false;
  std::wstring command = program;
  ::HeapFree(::GetProcessHeap(), 0, program);
  std::string arguments = " " + options;
  for (const std::string& path : paths) {
    const std::wstring wide(path.begin(), path.end());
    char* unix_name = to_unix(wide.c_str());
    if (unix_name == nullptr) return false;
    arguments += std::string(" ") + unix_name;
    ::HeapFree(::GetProcessHeap(), 0, unix_name);
  }
  if (command.find(L' ') != std::wstring::npos) return false;
  command += std::wstring(arguments.begin(), arguments.end());
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
    return false;
  }
  if (started.hThread != nullptr) ::CloseHandle(started.hThread);
  if (started.hProcess != nullptr) ::CloseHandle(started.hProcess);
  return true;
}

inline bool WaitUntil(bool (*condition)(const std::string&), const std::string& path) {
  for (int i = 0; i < 200; ++i) {
    if (condition(path)) return true;
    ::Sleep(25);
  }
  return false;
}

inline bool Present(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
inline bool Absent(const std::string& path) {
  return !Present(path);
}

// Under Wine: a Unix symbolic link (or, with hard, a hard link) at `link` to
// the existing `target`, as any program of the user could plant one. Wine
// shows a symbolic link as the file or folder it leads to.
inline bool MakeUnixLink(const std::string& target, const std::string& link, bool hard = false) {
  return StartHostTool("/bin/ln", hard ? "" : "-s", {target, link}) && WaitUntil(Present, link);
}
// Removes such a link itself (Wine's own functions would reach the target).
inline bool RemoveUnixLink(const std::string& link) {
  return StartHostTool("/bin/rm", "-f", {link}) && WaitUntil(Absent, link);
}

// A fresh folder under the temporary folder, removed with its contents.
class ScratchFolder {
 public:
  explicit ScratchFolder(const char* tag) {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    char name[64];
    std::snprintf(name, sizeof name, "korvex-%s-%lu-%d", tag, ::GetCurrentProcessId(), ++serial);
    path_ = std::string(temp) + name;
    ::CreateDirectoryA(path_.c_str(), nullptr);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() { DeleteTree(path_); }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

}  // namespace korvex::test
