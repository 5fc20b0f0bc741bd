#include "commands/file_handles.h"

#include "runtime/values.h"

namespace korvex {
namespace {

HANDLE OpenFile(const std::wstring& path, uint32_t access, uint32_t share, uint32_t disposition,
                uint32_t flags, bool inheritable) {
  SECURITY_ATTRIBUTES security = {sizeof(SECURITY_ATTRIBUTES), nullptr, inheritable ? TRUE : FALSE};
  return ::CreateFileW(path.c_str(), access, share, &security, disposition, flags, nullptr);
}

void CloseFile(HANDLE handle) {
  ::CloseHandle(handle);
}

// GetFinalPathNameByHandle in the given form; empty when it fails.
std::wstring FinalPath(HANDLE handle, DWORD form) {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length =
      ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), form);
  if (length >= path.size()) {
    path.resize(length);
    length =
        ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), form);
  }
  if (length == 0 || length >= path.size()) return {};
  path.resize(length);
  return path;
}

bool FactsOf(HANDLE handle, FileFacts* facts) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!::GetFileInformationByHandle(handle, &information)) return false;
  facts->attributes = information.dwFileAttributes;
  facts->link_count = information.nNumberOfLinks;
  facts->final_path = FinalPath(handle, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  facts->volume_relative = FinalPath(handle, FILE_NAME_NORMALIZED | VOLUME_NAME_NONE);
  return true;
}

bool MarkDeleted(HANDLE handle) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

bool ListFolder(HANDLE folder, std::vector<FolderEntryName>* entries) {
  // FILE_ID_BOTH_DIR_INFO records, aligned to 8 bytes.
  std::vector<uint64_t> buffer(64 * 1024 / sizeof(uint64_t));
  const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(uint64_t));
  FILE_INFO_BY_HANDLE_CLASS next = FileIdBothDirectoryRestartInfo;
  while (::GetFileInformationByHandleEx(folder, next, buffer.data(), size)) {
    next = FileIdBothDirectoryInfo;
    const auto* bytes = reinterpret_cast<const uint8_t*>(buffer.data());
    for (size_t at = 0;;) {
      const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + at);
      const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") {
        entries->push_back({name, static_cast<uint32_t>(entry->FileAttributes)});
      }
      if (entry->NextEntryOffset == 0) break;
      at += entry->NextEntryOffset;
    }
  }
  return ::GetLastError() == ERROR_NO_MORE_FILES;
}

bool VolumePathOf(const std::wstring& path, std::wstring* volume) {
  // The volume's root is never longer than the path and its separator.
  std::wstring buffer(path.size() + MAX_PATH, L'\0');
  if (!::GetVolumePathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()))) {
    return false;
  }
  buffer.resize(std::char_traits<wchar_t>::length(buffer.c_str()));
  *volume = buffer;
  return true;
}

const FileOperations kPlatformOperations = {OpenFile,    CloseFile,  FactsOf,
                                            MarkDeleted, ListFolder, VolumePathOf};
const FileOperations* g_operations = &kPlatformOperations;

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// A path without the prefix of the platform's long-path form ("\\?\C:\x" is
// "C:\x", "\\?\UNC\server\share" is "\\server\share") and without trailing
// separators.
std::wstring Plain(const std::wstring& path) {
  std::wstring plain = path;
  if (plain.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    plain.replace(0, 8, L"\\\\");
  } else if (plain.rfind(L"\\\\?\\", 0) == 0) {
    plain.erase(0, 4);
  }
  while (!plain.empty() && IsSeparator(plain.back())) plain.pop_back();
  return plain;
}

// The full path with its short (8.3) names made long; empty when the platform
// cannot tell.
std::wstring LongPathOf(const std::wstring& full) {
  std::wstring path(full.size() + MAX_PATH, L'\0');
  DWORD length = ::GetLongPathNameW(full.c_str(), path.data(), static_cast<DWORD>(path.size()));
  if (length >= path.size()) {
    path.resize(length);
    length = ::GetLongPathNameW(full.c_str(), path.data(), static_cast<DWORD>(path.size()));
  }
  if (length == 0 || length >= path.size()) return {};
  path.resize(length);
  return path;
}

}  // namespace

const FileOperations& PlatformFileOperations() {
  return kPlatformOperations;
}

void SetFileOperationsForTesting(const FileOperations* operations) {
  g_operations = operations != nullptr ? operations : &kPlatformOperations;
}

const FileOperations& FileOps() {
  return *g_operations;
}

std::wstring WidePath(const char* path) {
  const UINT code_page = ::AreFileApisANSI() ? CP_ACP : CP_OEMCP;
  const int length = ::MultiByteToWideChar(code_page, 0, path, -1, nullptr, 0);
  if (length <= 1) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(code_page, 0, path, -1, wide.data(), length);
  wide.resize(static_cast<size_t>(length - 1));
  return wide;
}

std::wstring FullPathOf(const std::wstring& path) {
  if (path.empty()) return {};
  std::wstring full(MAX_PATH, L'\0');
  DWORD length =
      ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length);
    length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (length == 0 || length >= full.size()) return {};
  full.resize(length);
  return full;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  const std::wstring left = Plain(a);
  const std::wstring right = Plain(b);
  if (left.empty() || right.empty()) return false;
  return ::CompareStringOrdinal(left.data(), static_cast<int>(left.size()), right.data(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

bool IsAt(const FileFacts& facts, const std::wstring& full) {
  if (facts.final_path.empty()) return false;
  if (SamePath(facts.final_path, full)) return true;
  const std::wstring long_path = LongPathOf(full);
  return !long_path.empty() && SamePath(facts.final_path, long_path);
}

bool IsPlainAt(const FileFacts& facts, const std::wstring& full, FileKind kind) {
  if ((facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return false;
  const bool folder = (facts.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (folder != (kind == FileKind::kFolder)) return false;
  if (kind == FileKind::kFile && facts.link_count != 1) return false;
  return IsAt(facts, full);
}

std::vector<DataPiece> DataPieces(int32_t count, const ArgRecord* args) {
  std::vector<DataPiece> pieces;
  for (int32_t i = 1; i < count; ++i) {
    const void* data = PointerOf(args[i]);
    const int32_t length = ByteSetLength(data);
    if (length > 0) pieces.push_back({ByteSetData(data), static_cast<uint32_t>(length)});
  }
  return pieces;
}

bool WriteFileChecked(const std::wstring& full, const std::vector<DataPiece>& pieces) {
  const FileOperations& ops = FileOps();
  const uint32_t flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
  // An existing file is opened as it is: truncating it on opening
  // (CREATE_ALWAYS) would empty whatever a link leads to before any check.
  // A new one is created with the access to delete it again. Between the two
  // another program can make or remove the file; a few rounds settle that.
  FileHandle file;
  bool created = false;
  for (int round = 0; round < 3 && !file.IsValid(); ++round) {
    file.Reset(ops.open(full, GENERIC_WRITE, 0, OPEN_EXISTING, flags, true));
    if (file.IsValid()) break;
    if (::GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    file.Reset(ops.open(full, GENERIC_WRITE | DELETE, 0, CREATE_NEW, flags, true));
    created = file.IsValid();
    if (!created && ::GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (!file.IsValid()) return false;

  FileFacts facts;
  if (!ops.facts(file.Get(), &facts) || !IsPlainAt(facts, full, FileKind::kFile)) {
    if (created) ops.mark_deleted(file.Get());
    return false;
  }
  // The new bytes go over the old ones, and the file then ends where they
  // do: emptying it first would free and allocate its whole extent again.
  for (const DataPiece& piece : pieces) {
    DWORD written = 0;
    if (!::WriteFile(file.Get(), piece.bytes, piece.length, &written, nullptr) ||
        written != piece.length) {
      return false;  // the partial file stays
    }
  }
  return ::SetEndOfFile(file.Get()) != FALSE;
}

}  // namespace korvex
