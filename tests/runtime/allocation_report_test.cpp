// Reporting a failed allocation allocates nothing: the heap has just failed.
// Every allocation of the process (malloc, operator new, ...) is counted
// through the address sanitizer's allocation hooks while the report is built,
// handed to the error handler and shown, up to the box stand-in.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "tests/runtime/runtime_test_support.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVEX_ALLOCATION_HOOKS 1
#include <sanitizer/allocator_interface.h>
#endif
#endif

namespace korvex {
namespace {

std::atomic<bool> g_counting{false};
std::atomic<int32_t> g_allocations{0};
bool g_box_shown = false;

#ifdef KORVEX_ALLOCATION_HOOKS
void CountAllocation(const volatile void*, size_t) {
  if (g_counting.load()) g_allocations.fetch_add(1);
}
void IgnoreRelease(const volatile void*) {}

bool InstallHooksOnce() {
  static const bool installed =
      __sanitizer_install_malloc_and_free_hooks(CountAllocation, IgnoreRelease) != 0;
  return installed;
}
#endif

int32_t HandlerShowingTheBoxToo(int32_t, const char*) {
  return 0;
}
void BoxEndingTheCount(const char*, const char*, uint32_t) {
  g_counting = false;
  g_box_shown = true;
}

class AllocationReportTest : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
#ifndef KORVEX_ALLOCATION_HOOKS
    GTEST_SKIP() << "counting allocations needs the address sanitizer's hooks";
#else
    ASSERT_TRUE(InstallHooksOnce());
#endif
    SetErrorHandler(HandlerShowingTheBoxToo);
    SetMessageBoxForTesting(BoxEndingTheCount);
    g_box_shown = false;
    g_allocations = 0;
  }
};

TEST_F(AllocationReportTest, ReportingAFailedAllocationAllocatesNothing) {
  // The count sees an allocation.
  g_counting = true;
  void* (*volatile allocate)(size_t) = std::malloc;
  std::free(allocate(16));
  g_counting = false;
  ASSERT_EQ(g_allocations.load(), 1);
  g_allocations = 0;

  SetAllocationLimitForTesting(1000);
  g_counting = true;
  EXPECT_TRUE(testing::RunToEnd([&] { Allocate(123456); }).ended());
  g_counting = false;
  EXPECT_TRUE(g_box_shown);
  EXPECT_EQ(g_allocations.load(), 0);
}

}  // namespace
}  // namespace korvex
