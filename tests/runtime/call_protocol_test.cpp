// The command call protocol: library table, call entries, service callback.
#include <cstring>

#include "runtime/arg_record.h"
#include "runtime/library_record.h"
#include "tests/runtime/runtime_test_support.h"

namespace korvex {
namespace {

// A recording library: every call with its library, command and arguments.
struct Call {
  int32_t library;
  int32_t command;
  std::vector<ArgRecord> args;
  ArgRecord result_at_entry;
};
std::vector<Call> g_calls;

template <int32_t Library, int32_t Command>
void Record(ArgRecord* result, int32_t count, ArgRecord* args) {
  g_calls.push_back({Library, Command, std::vector<ArgRecord>(args, args + count), *result});
  // A scripted result: library * 100 + command, as an integer.
  result->low = static_cast<uint32_t>(Library * 100 + Command);
  result->high = 0xABCD;
  result->tag = tag::kInt;
}

const CommandEntry kCoreEntries[] = {Record<0, 0>, Record<0, 1>, Record<0, 2>};
const CommandEntry kThirdEntries[] = {Record<3, 0>, Record<3, 1>};

LibraryRecord MakeLibrary(const CommandEntry* entries, int32_t count) {
  LibraryRecord r{};
  r.format_mark = kLibraryFormatMark;
  r.command_count = count;
  r.command_entries = entries;
  return r;
}

class CallProtocolTest : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    g_calls.clear();
    core_ = MakeLibrary(kCoreEntries, 3);
    empty_ = MakeLibrary(nullptr, 0);
    third_ = MakeLibrary(kThirdEntries, 2);
    table_[0] = &core_;
    table_[1] = &empty_;
    table_[2] = &empty_;
    table_[3] = &third_;
    table_[4] = nullptr;
    SetLibraryTable(table_, 5);
  }
  void TearDown() override {
    SetLibraryTable(nullptr, 0);
    RuntimeTest::TearDown();
  }
  LibraryRecord core_, empty_, third_;
  const LibraryRecord* table_[5];
};

TEST_F(CallProtocolTest, ArgumentsArriveInOrderAndTheResultStartsZeroed) {
  ArgRecord args[3] = {MakeInt(7), MakePointer("text", tag::kText), MakeOmitted()};
  ArgRecord result = CallCoreCommand(2, 3, args);
  ASSERT_EQ(g_calls.size(), 1u);
  const Call& call = g_calls[0];
  EXPECT_EQ(call.library, 0);
  EXPECT_EQ(call.command, 2);
  ASSERT_EQ(call.args.size(), 3u);
  EXPECT_EQ(IntOf(call.args[0]), 7);
  EXPECT_EQ(call.args[0].tag, tag::kInt);
  EXPECT_STREQ(PointerOf<const char>(call.args[1]), "text");
  EXPECT_TRUE(IsOmitted(call.args[2]));
  EXPECT_EQ(call.result_at_entry.low, 0u);
  EXPECT_EQ(call.result_at_entry.high, 0u);
  EXPECT_EQ(call.result_at_entry.tag, 0u);
  EXPECT_EQ(result.low, 2u);
  EXPECT_EQ(result.high, 0xABCDu);
  EXPECT_EQ(result.tag, tag::kInt);

  // Each call starts from a zeroed record again, also with no arguments.
  CallCoreCommand(1, 0, nullptr);
  ASSERT_EQ(g_calls.size(), 2u);
  EXPECT_TRUE(g_calls[1].args.empty());
  EXPECT_EQ(g_calls[1].result_at_entry.high, 0u);
}

TEST_F(CallProtocolTest, LibraryIndexRoutesTheCall) {
  ArgRecord arg = MakeBool(true);
  EXPECT_EQ(CallLibraryCommand(kSystemInterfaceLibrary, 1, 1, &arg).low, 301u);
  EXPECT_EQ(CallLibraryCommand(kCoreLibrary, 1, 1, &arg).low, 1u);
  ASSERT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(g_calls[0].library, 3);
  EXPECT_EQ(g_calls[0].command, 1);
  EXPECT_EQ(g_calls[1].library, 0);

  // Through the runtime entry table the same way.
  EXPECT_EQ(Runtime().call_library(3, 0, 0, nullptr).low, 300u);
  EXPECT_EQ(Runtime().call_core(0, 0, nullptr).low, 0u);
  EXPECT_EQ(g_calls.size(), 4u);
}

TEST_F(CallProtocolTest, CommandsOutsideATableAreNotCalled) {
  ArgRecord r = CallLibraryCommand(kCompressionLibrary, 0, 0, nullptr);
  EXPECT_EQ(r.low | r.high | r.tag, 0u);
  r = CallLibraryCommand(kExtensionOneLibrary, 0, 0, nullptr);  // null record
  EXPECT_EQ(r.tag, 0u);
  CallLibraryCommand(kCoreLibrary, 3, 0, nullptr);
  CallLibraryCommand(kCoreLibrary, -1, 0, nullptr);
  CallLibraryCommand(9, 0, 0, nullptr);
  CallLibraryCommand(-1, 0, 0, nullptr);
  EXPECT_TRUE(g_calls.empty());
  EXPECT_EQ(LibraryAt(5), nullptr);
  EXPECT_EQ(LibraryTableCount(), 5);
}

TEST_F(CallProtocolTest, RecordingTableInTheEntries) {
  // A test may swap the entries themselves and see every call.
  static std::vector<int32_t> seen;
  seen.clear();
  Runtime().call_core = [](int32_t command, int32_t, ArgRecord*) {
    seen.push_back(command);
    return ArgRecord{1, 0, tag::kBool};
  };
  EXPECT_EQ(Runtime().call_core(6, 0, nullptr).low, 1u);
  EXPECT_EQ(seen, std::vector<int32_t>{6});
  ResetRuntimeEntriesForTesting();
  EXPECT_EQ(Runtime().call_core(0, 0, nullptr).low, 0u);
  EXPECT_EQ(g_calls.size(), 1u);
}

TEST_F(CallProtocolTest, EntryTableHoldsTheRuntimeRoutines) {
  RuntimeEntryTable& rt = Runtime();
  EXPECT_NE(rt.report_error, nullptr);
  EXPECT_NE(rt.end_program, nullptr);
  int32_t before = LiveAllocationCount();
  void* p = rt.allocate(8);
  p = rt.reallocate(p, 16);
  EXPECT_EQ(LiveAllocationCount(), before + 1);
  rt.free(p);
  EXPECT_EQ(LiveAllocationCount(), before);

  SetErrorHandler(testing::CapturingHandler);
  EXPECT_TRUE(testing::RunToEnd([&] { rt.report_error(5, 0, 12); }).ended());
  ASSERT_EQ(testing::Capture().handled.size(), 1u);
  EXPECT_EQ(testing::Capture().handled[0].first, 5);
  EXPECT_EQ(testing::Capture().handled[0].second,
            std::string(CodedErrorMessage(5)) + "\r\n0, 12\r\n");

  testing::Rearm();
  EXPECT_EQ(testing::RunToEnd([&] { rt.end_program(0); }), testing::Ended(0));
}

int g_pumped = 0;
TEST_F(CallProtocolTest, ServicesReachTheRuntime) {
  EXPECT_EQ(RuntimeService(kServiceProcessPendingMessages, 0, 0), 0);  // no hook yet
  SetProcessPendingMessagesHook([] { ++g_pumped; });
  RuntimeService(kServiceProcessPendingMessages, 0, 0);
  EXPECT_EQ(g_pumped, 1);
  SetProcessPendingMessagesHook(nullptr);

  SetProgramKind(3);
  EXPECT_EQ(RuntimeService(kServiceProgramKind, 0, 0), 3);
  EXPECT_EQ(RuntimeService(12345, 1, 2), 0);

  SetErrorHandler(testing::CapturingHandler);
  EXPECT_TRUE(testing::RunToEnd([&] {
                RuntimeService(kServiceReportError, reinterpret_cast<intptr_t>("lib says"), 0);
              }).ended());
  EXPECT_EQ(testing::Capture().handled.at(0).second, "lib says\r\n0, 0\r\n");

  testing::Rearm();
  EXPECT_EQ(testing::RunToEnd([] { RuntimeService(kServiceEnd, 42, 0); }), testing::Ended(42));
}

}  // namespace
}  // namespace korvex
