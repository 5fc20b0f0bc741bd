// WriteHeldFileCmd: a file that the program writes and later starts is held
// from the write on, so that no other program can change, replace, rename or
// delete it before it runs.
//
// A handle that can write cannot be turned into one that only reads, so the
// file is written through a checked handle (WriteFileChecked), that handle
// is closed, and the file is opened again as the holder: read access only,
// shared for reading only. The system's loader (which shares reading and
// deletion) and a program reading its own file with FILE_SHARE_READ can still
// open it; a handle with write or delete access cannot be opened while the
// holder is open, and one opened before it makes the holder's opening fail.
// What happened to the file between the two openings is told by the holder:
// it must be the plain file at that path and hold exactly the data written.
// The hold ends with DeleteFileCmd on the same path or with the process.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/file_handles.h"
#include "runtime/arg_record.h"

namespace korvex {
namespace {

struct HeldFile {
  std::wstring full;
  HANDLE holder;
};
std::vector<HeldFile> g_held;

HeldFile* FindHeld(const std::wstring& full) {
  for (HeldFile& held : g_held) {
    if (SamePath(held.full, full)) return &held;
  }
  return nullptr;
}

// Whether the file behind `handle` holds exactly the pieces, back to back,
// read from its start.
bool HoldsExactly(HANDLE handle, const std::vector<DataPiece>& pieces) {
  uint64_t total = 0;
  for (const DataPiece& piece : pieces) total += piece.length;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(handle, &size) || static_cast<uint64_t>(size.QuadPart) != total) {
    return false;
  }
  std::vector<uint8_t> buffer(64 * 1024);
  uint64_t offset = 0;
  for (const DataPiece& piece : pieces) {
    for (uint32_t done = 0; done < piece.length;) {
      const uint32_t remaining = piece.length - done;
      const DWORD chunk = static_cast<DWORD>(remaining < buffer.size() ? remaining : buffer.size());
      OVERLAPPED at = {};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      DWORD read = 0;
      if (!::ReadFile(handle, buffer.data(), chunk, &read, &at) || read != chunk ||
          std::memcmp(buffer.data(), piece.bytes + done, chunk) != 0) {
        return false;
      }
      done += chunk;
      offset += chunk;
    }
  }
  return true;
}

}  // namespace

void ReleaseHeldFile(const std::wstring& full) {
  for (auto held = g_held.begin(); held != g_held.end(); ++held) {
    if (SamePath(held->full, full)) {
      FileOps().close(held->holder);
      g_held.erase(held);
      return;
    }
  }
}

void WriteHeldFileCmd(ArgRecord* result, int32_t count, ArgRecord* args) {
  SetBoolResult(result, false);
  if (count < 1) return;
  const char* path = PointerOf<const char>(args[0]);
  const std::wstring full = FullPathOf(WidePath(path != nullptr ? path : ""));
  if (full.empty()) return;
  const std::vector<DataPiece> pieces = DataPieces(count, args);

  // Held already with this data: nothing to write, and no moment unheld.
  if (HeldFile* held = FindHeld(full)) {
    if (HoldsExactly(held->holder, pieces)) {
      SetBoolResult(result, true);
      return;
    }
    ReleaseHeldFile(full);
  }

  if (!WriteFileChecked(full, pieces)) return;
  const FileOperations& ops = FileOps();
  FileHandle holder(ops.open(full, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                             FILE_FLAG_OPEN_REPARSE_POINT, false));
  if (!holder.IsValid()) return;
  FileFacts facts;
  if (!ops.facts(holder.Get(), &facts) || !IsPlainAt(facts, full, FileKind::kFile) ||
      !HoldsExactly(holder.Get(), pieces)) {
    return;
  }
  g_held.push_back({full, holder.Detach()});
  SetBoolResult(result, true);
}

}  // namespace korvex
