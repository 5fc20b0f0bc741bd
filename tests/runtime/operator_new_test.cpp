// The program's operator new (base/cxx_runtime.cpp, linked into this test as
// into the program) on a heap that cannot give the block.
#include <cstdint>
#include <new>
#include <string>

#include "tests/runtime/runtime_test_support.h"

namespace korvex {
namespace {

using testing::Capture;
using testing::Gbk;
using testing::ProgramEnded;

class OperatorNewTest : public testing::RuntimeTest {};

TEST_F(OperatorNewTest, FailureIsTheRuntimesAllocationFailure) {
  // More than the address space of the process holds.
  constexpr size_t kImpossible = SIZE_MAX / 2;
  SetErrorHandler(testing::CapturingHandler);
  try {
    void* volatile block = ::operator new(kImpossible);
    ::operator delete(block);
    FAIL() << "the heap gave the block";
  } catch (const ProgramEnded& end) {
    EXPECT_EQ(end.exit_code, kFatalExitCode);
  }
  ASSERT_EQ(Capture().handled.size(), 1u);
  EXPECT_EQ(Capture().handled[0].second,
            Gbk("分配 " + std::to_string(kImpossible) + " 字节内存失败!") + "\r\n0, 0\r\n");
}

}  // namespace
}  // namespace korvex
