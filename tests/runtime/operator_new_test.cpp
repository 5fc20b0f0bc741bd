// The program's operator new and delete and the C++ library's error paths
// (base/cxx_runtime.cpp, linked into this test as into the program).
#include <windows.h>

#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "tests/runtime/runtime_test_support.h"

namespace korvex {
namespace {

using testing::Capture;
using testing::Gbk;

// More than the address space of the process holds.
constexpr size_t kImpossible = SIZE_MAX / 2;

class OperatorNewTest : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    SetErrorHandler(testing::CapturingHandler);
  }
};

std::string AllocationFailedText(uint64_t bytes) {
  const uint64_t shown = bytes > INT64_MAX ? INT64_MAX : bytes;
  return Gbk("分配 " + std::to_string(shown) + " 字节内存失败!") + "\r\n0, 0\r\n";
}

// Runs the action, which must end the program; returns the exit code.
template <typename Action>
uint32_t EndCode(Action action) {
  const testing::EndOutcome end = testing::RunToEnd(action);
  if (!end.ended()) ADD_FAILURE() << "the program did not end";
  return end.exit_code;
}

// Whether the address lies inside a block in use of the process heap.
bool InProcessHeap(const void* p) {
  HANDLE heap = GetProcessHeap();
  if (!HeapLock(heap)) return false;
  bool found = false;
  PROCESS_HEAP_ENTRY entry{};
  while (!found && HeapWalk(heap, &entry)) {
    if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) == 0) continue;
    const auto* data = static_cast<const uint8_t*>(entry.lpData);
    found = p >= data && p < data + entry.cbData;
  }
  HeapUnlock(heap);
  return found;
}

TEST_F(OperatorNewTest, FailureIsTheRuntimesAllocationFailure) {
  EXPECT_EQ(EndCode([] {
              void* volatile block = ::operator new(kImpossible);
              ::operator delete(block);
            }),
            kFatalExitCode);
  ASSERT_EQ(Capture().handled.size(), 1u);
  EXPECT_EQ(Capture().handled[0].second, AllocationFailedText(kImpossible));
}

TEST_F(OperatorNewTest, NothrowFormsReturnNullWithoutAReport) {
  void* volatile blocks[] = {
      ::operator new(kImpossible, std::nothrow),
      ::operator new[](kImpossible, std::nothrow),
      ::operator new (kImpossible, std::align_val_t{64}, std::nothrow),
      ::operator new[](kImpossible, std::align_val_t{64}, std::nothrow),
  };
  for (void* block : blocks) EXPECT_EQ(block, nullptr);
  EXPECT_TRUE(Capture().handled.empty());
  EXPECT_TRUE(Capture().boxes.empty());
}

TEST_F(OperatorNewTest, AlignedFailureIsTheRuntimesAllocationFailure) {
  EXPECT_EQ(EndCode([] {
              void* volatile block = ::operator new (kImpossible, std::align_val_t{64});
              ::operator delete (block, std::align_val_t{64});
            }),
            kFatalExitCode);
  EXPECT_EQ(EndCode([] {
              void* volatile block = ::operator new[](kImpossible, std::align_val_t{4096});
              ::operator delete[](block, std::align_val_t{4096});
            }),
            kFatalExitCode);
  ASSERT_EQ(Capture().handled.size(), 2u);
  EXPECT_EQ(Capture().handled[0].second, AllocationFailedText(kImpossible));
  EXPECT_EQ(Capture().handled[1].second, AllocationFailedText(kImpossible));
}

TEST_F(OperatorNewTest, AlignedBlocksComeFromTheProcessHeap) {
  constexpr size_t kSize = 100;
  for (size_t alignment : {size_t{8}, size_t{16}, size_t{32}, size_t{64}, size_t{4096}}) {
    SCOPED_TRACE(alignment);
    const std::align_val_t align{alignment};
    void* blocks[] = {::operator new(kSize, align), ::operator new[](kSize, align),
                      ::operator new(kSize, align, std::nothrow),
                      ::operator new[](kSize, align, std::nothrow)};
    for (void* block : blocks) {
      ASSERT_NE(block, nullptr);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % alignment, 0u);
      EXPECT_TRUE(InProcessHeap(block));
      EXPECT_TRUE(InProcessHeap(static_cast<uint8_t*>(block) + kSize - 1));
      memset(block, 0xA5, kSize);
    }
    // Each form of release returns its block to the same heap.
    ::operator delete(blocks[0], kSize, align);
    ::operator delete[](blocks[1], align);
    ::operator delete(blocks[2], align, std::nothrow);
    ::operator delete[](blocks[3], kSize, align);
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
  }
  // Over-aligned objects through new-expressions.
  struct alignas(64) Wide {
    uint8_t bytes[64];
  };
  auto* one = new Wide{};
  auto* many = new Wide[3]{};
  EXPECT_EQ(reinterpret_cast<uintptr_t>(one) % 64, 0u);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(many) % 64, 0u);
  EXPECT_TRUE(InProcessHeap(one));
  EXPECT_TRUE(InProcessHeap(many));
  delete one;
  delete[] many;
  EXPECT_TRUE(Capture().handled.empty());
}

TEST_F(OperatorNewTest, LibraryLengthErrorIsTheRuntimesAllocationFailure) {
  EXPECT_EQ(EndCode([] {
              std::vector<uint32_t> values;
              values.reserve(values.max_size() + 1);
            }),
            kFatalExitCode);
  ASSERT_EQ(Capture().handled.size(), 1u);
  EXPECT_EQ(Capture().handled[0].second, AllocationFailedText(SIZE_MAX));
}

TEST_F(OperatorNewTest, OtherLibraryErrorsAreRuntimeErrors) {
  EXPECT_EQ(EndCode([] {
              std::vector<int> values(2);
              (void)values.at(5);
            }),
            kFatalExitCode);
  ASSERT_EQ(Capture().handled.size(), 1u);
  // The library's description, then the location text.
  const std::string& text = Capture().handled[0].second;
  EXPECT_EQ(text.rfind("vector::_M_range_check", 0), 0u) << text;
  EXPECT_EQ(text.substr(text.size() - 8), "\r\n0, 0\r\n");
}

}  // namespace
}  // namespace korvex
