/* The mark that a planted program or library of the end-to-end tests leaves:
 * a line "<its own file>\t<the command line of the process>" appended to the
 * file "<its own name><suffix>" in the folder that KORVEX_PLANTED_MARKS names
 * (a folder the tests read; without the variable, the folder it lies in). */
#ifndef KORVEX_TESTS_E2E_PLANTED_MARK_H
#define KORVEX_TESTS_E2E_PLANTED_MARK_H

#include <windows.h>

static void LeavePlantedMark(HMODULE self, const WCHAR* suffix) {
  WCHAR own[MAX_PATH];
  DWORD n = GetModuleFileNameW(self, own, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  const WCHAR* name = own;
  for (const WCHAR* p = own; *p; ++p) {
    if (*p == L'\\') name = p + 1;
  }
  WCHAR mark[2 * MAX_PATH + 16];
  DWORD folder = GetEnvironmentVariableW(L"KORVEX_PLANTED_MARKS", mark, MAX_PATH);
  if (folder == 0 || folder >= MAX_PATH) {
    folder = (DWORD)(name - own);
    lstrcpynW(mark, own, (int)folder + 1);
  } else if (mark[folder - 1] != L'\\') {
    mark[folder++] = L'\\';
    mark[folder] = 0;
  }
  lstrcatW(mark, name);
  lstrcatW(mark, suffix);
  HANDLE file = CreateFileW(mark, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  const WCHAR* command = GetCommandLineW();
  DWORD written = 0;
  WriteFile(file, own, n * sizeof(WCHAR), &written, NULL);
  WriteFile(file, L"\t", sizeof(WCHAR), &written, NULL);
  WriteFile(file, command, (DWORD)(lstrlenW(command) * sizeof(WCHAR)), &written, NULL);
  WriteFile(file, L"\r\n", 2 * sizeof(WCHAR), &written, NULL);
  CloseHandle(file);
}

#endif
