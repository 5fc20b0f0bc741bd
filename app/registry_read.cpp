// Reading one text value of the registry through the 64-bit view, so that a
// 32-bit program finds what a 64-bit-aware installer wrote. The work is done
// in UTF-16 with the declared registry functions; texts are converted with
// the code page in AnsiCodePage.
#include <cstring>

#include "app/command_calls.h"
#include "app/routines.h"
#include "runtime/errors.h"
#include "runtime/values.h"

namespace korvex::app {
namespace {

constexpr int32_t kTextDataType = 10;
constexpr int32_t kWideToTextLine = 2;

constexpr uint32_t kView64 = 0x100;  // KEY_WOW64_64KEY
constexpr uint32_t kView32 = 0x200;  // KEY_WOW64_32KEY
constexpr uint32_t kQueryValue = 1;  // KEY_QUERY_VALUE

void* BlankByteSet(int32_t length) {
  return PointerOf(CallCore(kBlankByteSetCmd, IntArg(length)));
}

// Address of a byte set's first byte; null for the empty byte set.
uint8_t* DataOf(const void* byte_set) {
  return ByteSetData(byte_set);
}

// Byte count of a UTF-16 buffer of `characters` characters, formed in double
// precision and truncated toward zero.
int32_t WideByteCount(int32_t characters) {
  return static_cast<int32_t>(static_cast<double>(characters) * 2.0);
}

}  // namespace

void* ConcatByteSets(int32_t count, const void* const* byte_sets) {
  int64_t total = 0;
  for (int32_t i = 0; i < count; ++i) total += ByteSetLength(byte_sets[i]);
  if (total == 0) return nullptr;
  // A sum beyond what a block can hold fails like any refused allocation.
  if (total > INT32_MAX - 8) ReportAllocationFailure(total + 8);
  uint8_t* block = AllocateByteSet(static_cast<int32_t>(total));
  uint8_t* out = ByteSetData(block);
  for (int32_t i = 0; i < count; ++i) {
    int32_t n = ByteSetLength(byte_sets[i]);
    if (n > 0) {
      std::memcpy(out, ByteSetData(byte_sets[i]), static_cast<size_t>(n));
      out += n;
    }
  }
  return block;
}

void* TextToWide(const char* text) {
  void* bytes = PointerOf(CallCore(kToByteSetCmd, TextArg(text)));
  void* wide = AnsiToWide(bytes, AnsiCodePage);
  Release(bytes);
  return wide;
}

void* AnsiToWide(const void* bytes, int32_t code_page) {
  const void* parts[] = {bytes, NarrowTerminator};
  void* z = ConcatByteSets(2, parts);
  const uint8_t* p = DataOf(z);
  if (p == nullptr || CallDeclared({kAnsiToWideLocation, 2}, kStrlen, true, Address(p)) == 0) {
    Release(z);
    return nullptr;
  }
  int32_t n = static_cast<int32_t>(CallDeclared({kAnsiToWideLocation, 3}, kMultiByteToWideChar,
                                                false, code_page, 0, Address(p), -1, 0, 0));
  void* buffer = nullptr;
  if (n > 0) {
    buffer = BlankByteSet(WideByteCount(n));
    CallDeclared({kAnsiToWideLocation, 5}, kMultiByteToWideChar, false, code_page, 0, Address(p),
                 -1, Address(DataOf(buffer)), n);
  }
  Release(z);
  return buffer;
}

void* QueryRegistryValueWide(uint32_t root, const void* wide_key, const void* wide_name,
                             int32_t use64) {
  if (root == 0) return nullptr;
  uint32_t access = static_cast<uint32_t>(
      IntOf(CallCore(kBitOrCmd, IntArg(static_cast<int32_t>(use64 != 0 ? kView64 : kView32)),
                     IntArg(kQueryValue))));
  DeclaredArg key = 0;  // a registry handle: as wide as an address
  if (CallDeclared({kQueryValueLocation, 3}, kRegOpenKeyExW, false, RootKeyArg(root),
                   Address(DataOf(wide_key)), 0, access, Address(&key)) != 0) {
    return nullptr;  // nothing was opened, nothing to close
  }
  uint32_t type = 0;
  uint32_t size = 0;
  void* buffer = nullptr;
  if (CallDeclared({kQueryValueLocation, 4}, kRegQueryValueExW, false, key,
                   Address(DataOf(wide_name)), 0, Address(&type), 0, Address(&size)) == 0) {
    buffer = BlankByteSet(static_cast<int32_t>(size));
    // The buffer keeps this size: a value that grew meanwhile is not read.
    uint32_t buffer_size = static_cast<uint32_t>(ByteSetLength(buffer));
    CallDeclared({kQueryValueLocation, 5}, kRegQueryValueExW, false, key,
                 Address(DataOf(wide_name)), 0, Address(&type), Address(DataOf(buffer)),
                 Address(&buffer_size));
  }
  CallDeclared({kQueryValueLocation, 6}, kRegCloseKey, false, key);
  return buffer;
}

char* WideToText(const void* wide) {
  void* narrow = WideToAnsi(wide, AnsiCodePage);
  ArgRecord text =
      CallCore(kGetByteSetDataCmd, ByteSetArg(narrow), IntArg(kTextDataType), MakeOmitted());
  Release(narrow);
  if (text.tag != tag::kText) {
    Runtime().report_error(kErrTypeMismatch, kRegistryReadLocation, kWideToTextLine);
    return nullptr;
  }
  return PointerOf<char>(text);
}

void* WideToAnsi(const void* wide, int32_t code_page) {
  // The terminator starts on a character boundary: a value of odd length
  // (one that is not text) gets one zero byte first, so that no character
  // reads past the end of the block.
  const bool odd = (ByteSetLength(wide) & 1) != 0;
  const void* padded[] = {wide, NarrowTerminator, WideTerminator};
  const void* plain[] = {wide, WideTerminator};
  void* z = odd ? ConcatByteSets(3, padded) : ConcatByteSets(2, plain);
  const uint8_t* p = DataOf(z);
  if (CallDeclared({kWideToAnsiLocation, 2}, kLstrlenW, false, Address(p)) == 0) {
    Release(z);
    return nullptr;
  }
  int32_t m = static_cast<int32_t>(CallDeclared({kWideToAnsiLocation, 3}, kWideCharToMultiByte,
                                                false, code_page, 0, Address(p), -1, 0, 0, 0, 0));
  void* result = nullptr;
  if (m > 0) {
    void* buffer = BlankByteSet(m);
    CallDeclared({kWideToAnsiLocation, 4}, kWideCharToMultiByte, false, code_page, 0, Address(p),
                 -1, Address(DataOf(buffer)), m, 0, 0);
    int32_t k = static_cast<int32_t>(
        CallDeclared({kWideToAnsiLocation, 5}, kStrlen, true, Address(DataOf(buffer))));
    result = PointerOf(
        CallCore(kPointerToByteSetCmd, MakePointer(DataOf(buffer), tag::kInt), IntArg(k)));
    Release(buffer);
  }
  Release(z);
  return result;
}

char* ReadRegistryText(uint32_t root, const char* key, const char* name, int32_t use64,
                       int32_t /*spare*/) {
  void* wide_key = TextToWide(key);
  void* wide_name = TextToWide(name);
  void* data = QueryRegistryValueWide(root, wide_key, wide_name, use64);
  Release(wide_key);
  Release(wide_name);
  char* result = WideToText(data);
  Release(data);
  return result;
}

}  // namespace korvex::app
