// The numbered runtime services that the program's code reaches through the
// service entry of the runtime entry table.
#include <cstring>
#include <utility>

#include "base/handles.h"
#include "runtime/application.h"
#include "runtime/errors.h"
#include "runtime/values.h"

namespace korvex {
namespace {

bool MatchesAttributes(DWORD attributes, uint32_t mask, bool directories_only) {
  const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (directories_only) return directory;
  constexpr DWORD kChecked =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
  return (attributes & kChecked & ~mask) == 0;
}

}  // namespace

char* FindNextMatchingFile(const char* pattern, uint32_t attribute_mask, bool directories_only,
                           HANDLE* handle) {
  if (!handle) return nullptr;
  if (!pattern && (!*handle || *handle == INVALID_HANDLE_VALUE)) return nullptr;
  // Between calls the program keeps the search in *handle. During a call it
  // is owned here and handed back only when an entry was found: a search that
  // has run out is closed.
  FindHandle search(std::exchange(*handle, nullptr));
  WIN32_FIND_DATAA found{};
  bool have = false;
  if (pattern) {
    search.Attach(FindFirstFileA(pattern, &found));  // ends the previous search
    have = search.IsValid();
  } else {
    have = FindNextFileA(search.Get(), &found) != FALSE;
  }
  while (have) {
    const bool dot_entry =
        std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0;
    if (!dot_entry && MatchesAttributes(found.dwFileAttributes, attribute_mask, directories_only)) {
      *handle = search.Detach();
      return NewText(found.cFileName, static_cast<int32_t>(std::strlen(found.cFileName)));
    }
    have = FindNextFileA(search.Get(), &found) != FALSE;
  }
  return nullptr;
}

intptr_t RuntimeServices(int32_t number, intptr_t a, intptr_t b, intptr_t c, intptr_t d) {
  switch (number) {
    case 0:
      return reinterpret_cast<intptr_t>(FindNextMatchingFile(reinterpret_cast<const char*>(a),
                                                             static_cast<uint32_t>(b), c != 0,
                                                             reinterpret_cast<HANDLE*>(d)));
    case 1:
      FindHandle(reinterpret_cast<HANDLE>(a)).Close();
      return 0;
    case 2:
      MakeArrayPrivate(static_cast<int32_t>(a), reinterpret_cast<void**>(b));
      return 0;
    case 3:
      RegisterCleanupRoutine(reinterpret_cast<CleanupRoutine>(a));
      return 0;
    case 6:
      InitializeProgramImage();
      return 0;
    default:  // 4, 5: members of library-defined types, not used here
      return 0;
  }
}

}  // namespace korvex
