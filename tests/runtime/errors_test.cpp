// Error reports and the program end.
#include <cstring>

#include "tests/runtime/runtime_test_support.h"

namespace korvex {
namespace {

using testing::Capture;
using testing::Gbk;

class ErrorsTest : public testing::RuntimeTest {};

uint32_t EndCode(void (*action)()) {
  const testing::EndOutcome end = testing::RunToEnd(action);
  if (!end.ended()) ADD_FAILURE() << "the program did not end";
  return end.exit_code;
}

TEST_F(ErrorsTest, CodedMessagesByteForByte) {
  const char* expected[] = {
      "数组成员引用下标超出定义范围",
      "未得到所需要的数值型数据",
      "引用数组成员时维数不为1且不等于该数组目前所具有的维数",
      "数组成员引用下标必须大于等于1",
      "数据或数组类型不匹配",
      "调用DLL命令后发现堆栈错误",
      "子语句参数未返回数据或者返回了非系统基本类型或数组型数据",
      "被比较数据只能使用等于或不等于命令比较",
      "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围",
      "“重定义数组”命令的数组维定义参数值必须大于零或单维时大于等于零",
      "所提供参数的数据类型不符合要求",
  };
  for (int32_t code = 1; code <= 11; ++code) {
    EXPECT_EQ(CodedErrorMessage(code), Gbk(expected[code - 1])) << "code " << code;
  }
  EXPECT_STREQ(CodedErrorMessage(0), "");
  EXPECT_STREQ(CodedErrorMessage(12), "");
  EXPECT_STREQ(CodedErrorMessage(-1), "");

  // Through the handler: the message followed by the location text.
  SetErrorHandler(testing::CapturingHandler);
  EXPECT_EQ(EndCode([] { RaiseCodedError(4, 0x09010005, 31); }), kFatalExitCode);
  ASSERT_EQ(Capture().handled.size(), 1u);
  EXPECT_EQ(Capture().handled[0].first, 4);
  EXPECT_EQ(Capture().handled[0].second,
            Gbk("数组成员引用下标必须大于等于1") + "\r\n151060485, 31\r\n");
}

TEST_F(ErrorsTest, BoxTextTitleAndStyle) {
  EXPECT_EQ(EndCode([] { RaiseCodedError(6, 0, 0); }), kFatalExitCode);
  ASSERT_EQ(Capture().boxes.size(), 1u);
  EXPECT_EQ(Capture().boxes[0],
            Gbk("运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现"
                "堆栈错误\r\n\r\n0, 0\r\n"));
  EXPECT_EQ(Capture().box_titles[0], Gbk("错误"));
  EXPECT_EQ(Capture().box_styles[0], 0x10u);
}

TEST_F(ErrorsTest, CodeZeroAndEmptyMessageLeaveTheirLinesOut) {
  EXPECT_EQ(BuildErrorBoxText("", 0, "\r\n0, 0\r\n"), Gbk("运行时出错!\r\n\r\n0, 0\r\n"));
  EXPECT_EQ(BuildErrorBoxText(nullptr, 3, "L"), Gbk("运行时出错!\r\n\r\n错误代码：3\r\nL"));
  EXPECT_EQ(BuildErrorBoxText("m", 0, "L"), Gbk("运行时出错!\r\n\r\n错误信息：m\r\nL"));
}

const char* WindowName(uint32_t window) {
  return window == 0x52010001 ? "Main" : nullptr;
}
const char* UnitName(uint32_t window, uint32_t unit) {
  if (window != 0x52010001) return nullptr;
  if (unit == 0) return "";  // the window's own entry, whose unit id is 0x06010005 here
  if (unit == 0x16010102) return "B1";
  if (unit == 0x26010001) return "menu";  // a menu item is never named
  return nullptr;
}

TEST_F(ErrorsTest, LocationTextNamesWindowAndUnit) {
  // Not a window location: id and line only.
  EXPECT_EQ(BuildLocationText(0, 0), "\r\n0, 0\r\n");
  EXPECT_EQ(BuildLocationText(0x09000001, -5), "\r\n150994945, -5\r\n");
  // A window location without a template table to ask.
  EXPECT_EQ(BuildLocationText(0x52010001, 0),
            "\r\n1375797249, 0\r\n" + Gbk("未找到所指定的窗口") + "\r\n");

  LocationNameLookup names;
  names.window_name = WindowName;
  names.unit_name = UnitName;
  SetLocationNameLookup(names);
  EXPECT_EQ(BuildLocationText(0x52010002, 0),
            "\r\n1375797250, 0\r\n" + Gbk("未找到所指定的窗口") + "\r\n");
  EXPECT_EQ(BuildLocationText(0x52010001, 0), "\r\n1375797249, 0\r\n\"Main\"\r\n\"\"\r\n");
  EXPECT_EQ(BuildLocationText(0x52010001, 0x16010102),
            "\r\n1375797249, 369164546\r\n\"Main\"\r\n\"B1\"\r\n");
  EXPECT_EQ(BuildLocationText(0x52010001, 0x16010999),
            "\r\n1375797249, 369166745\r\n\"Main\"\r\n" + Gbk("未找到所指定的窗口组件") + "\r\n");
  EXPECT_EQ(BuildLocationText(0x52010001, 0x26010001),
            "\r\n1375797249, 637599745\r\n\"Main\"\r\n" + Gbk("未找到所指定的窗口组件") + "\r\n");
}

std::string g_long_name(5000, 'n');
const char* LongWindowName(uint32_t) {
  return g_long_name.c_str();
}

TEST_F(ErrorsTest, LongTextsAreCutNeverOverrun) {
  LocationNameLookup names;
  names.window_name = LongWindowName;
  SetLocationNameLookup(names);
  std::string location = BuildLocationText(0x52010001, 0);
  EXPECT_LT(location.size(), 1024u);
  EXPECT_EQ(location.substr(location.size() - 2), "\r\n");

  // A long double-byte message is cut at a character boundary.
  std::string message;
  for (int i = 0; i < 3000; ++i) message += "\xB4\xED";
  std::string box = BuildErrorBoxText(message.c_str(), 1, location);
  EXPECT_LT(box.size(), 4096u);
  size_t start = box.find("\xB4\xED\xB4\xED");
  ASSERT_NE(start, std::string::npos);
  size_t end = box.find("\r\n", start);
  ASSERT_NE(end, std::string::npos);
  EXPECT_EQ((end - start) % 2, 0u);
}

int32_t SecondErrorHandler(int32_t code, const char* text) {
  Capture().handled.emplace_back(code, text);
  // A second error while the handler runs goes to the box.
  RaiseCodedError(2, 0, 0);
}

TEST_F(ErrorsTest, HandlerInProgressRule) {
  SetErrorHandler(SecondErrorHandler);
  EXPECT_EQ(EndCode([] { RaiseCodedError(1, 0, 0); }), kFatalExitCode);
  ASSERT_EQ(Capture().handled.size(), 1u);
  EXPECT_EQ(Capture().handled[0].first, 1);
  ASSERT_EQ(Capture().boxes.size(), 1u);
  EXPECT_NE(Capture().boxes[0].find(Gbk("未得到所需要的数值型数据")), std::string::npos);

  // After a fresh start the handler is called again.
  testing::Rearm(testing::CapturingHandler);
  Capture().handler_result = 0;  // a zero result still shows the box
  EXPECT_EQ(EndCode([] { ReportError("x", 0, 0, 0); }), kFatalExitCode);
  EXPECT_EQ(Capture().handled.size(), 2u);
  EXPECT_EQ(Capture().boxes.size(), 2u);
}

std::vector<std::string> g_order;
const char g_segment[4] = {};
void CleanupA() {
  g_order.push_back("A");
}
void CleanupB() {
  g_order.push_back("B");
}
void CleanupRegistersC() {
  g_order.push_back("reg");
  RegisterCleanupRoutine([] { g_order.push_back("C"); });
}

void FillEndSteps() {
  EndSteps& steps = ProgramEndSteps();
  steps.clear_idle_routines = [] { g_order.push_back("idle"); };
  steps.destroy_windows = [] { g_order.push_back("windows"); };
  steps.notify_libraries_end = [] { g_order.push_back("notify"); };
  steps.release_declared_modules = [] {
    g_order.push_back(IsInConstantSegment(g_segment) ? "modules+segment" : "modules");
  };
  steps.release_runtime_objects = [] {
    g_order.push_back(IsInConstantSegment(g_segment) ? "objects+segment" : "objects");
  };
}

TEST_F(ErrorsTest, EndRunsTheCleanUpOnceInOrder) {
  g_order.clear();
  FillEndSteps();
  SetConstantSegment(g_segment, sizeof g_segment);  // forgotten between modules and objects
  RegisterCleanupRoutine(CleanupB);
  RegisterCleanupRoutine(CleanupA);
  RegisterCleanupRoutine(CleanupB);  // once only
  RegisterCleanupRoutine(CleanupRegistersC);
  EXPECT_EQ(EventsBlocked(), 0);
  EXPECT_EQ(EndCode([] { EndProgram(3); }), 3u);
  EXPECT_EQ(g_order, (std::vector<std::string>{"idle", "windows", "B", "A", "reg", "C", "notify",
                                               "modules+segment", "objects"}));
  EXPECT_GE(EventsBlocked(), 1);
  EXPECT_TRUE(ProgramEndStarted());

  // A second end ends at once with its own code and runs nothing again.
  g_order.clear();
  RegisterCleanupRoutine(CleanupA);
  EXPECT_EQ(EndCode([] { EndProgram(9); }), 9u);
  EXPECT_TRUE(g_order.empty());
  RunProgramEndCleanup();
  EXPECT_TRUE(g_order.empty());
}

TEST_F(ErrorsTest, ErrorDropsTheCleanUpRoutinesUnrun) {
  g_order.clear();
  FillEndSteps();
  RegisterCleanupRoutine(CleanupA);
  SetErrorHandler(testing::CapturingHandler);
  EXPECT_EQ(EventsBlocked(), 0);
  EXPECT_EQ(EndCode([] { ReportError("boom", 0, 0, 0); }), kFatalExitCode);
  EXPECT_EQ(g_order, (std::vector<std::string>{"idle", "windows", "notify", "modules", "objects"}));
  EXPECT_GE(EventsBlocked(), 2);  // the report and the end each block events
}

// The error box's modal loop dispatches messages: the hidden owner may answer
// an end request of another thread while it is open.
void BoxAnsweringAnEndRequest(const char* text, const char* title, uint32_t style) {
  testing::CapturingBox(text, title, style);
  AnswerEndRequest(0);
}

TEST_F(ErrorsTest, EndRequestAnsweredWhileTheBoxIsOpenLeavesTheEndToTheReport) {
  g_order.clear();
  FillEndSteps();
  RegisterCleanupRoutine(CleanupA);
  SetMessageBoxForTesting(BoxAnsweringAnEndRequest);
  EXPECT_EQ(EndCode([] { ReportError("boom", 0, 0, 0); }), kFatalExitCode);
  EXPECT_EQ(Capture().boxes.size(), 1u);
  // The end steps ran, the clean-up routine did not.
  EXPECT_EQ(g_order, (std::vector<std::string>{"idle", "windows", "notify", "modules", "objects"}));
}

// A library's end service reached while the box is open.
void BoxEndingWithItsOwnCode(const char* text, const char* title, uint32_t style) {
  testing::CapturingBox(text, title, style);
  EndProgram(5);
}

TEST_F(ErrorsTest, EndWhileTheBoxIsOpenIsTheFatalEnd) {
  g_order.clear();
  FillEndSteps();
  RegisterCleanupRoutine(CleanupA);
  SetMessageBoxForTesting(BoxEndingWithItsOwnCode);
  EXPECT_EQ(EndCode([] { ReportError("boom", 0, 0, 0); }), kFatalExitCode);
  EXPECT_EQ(g_order, (std::vector<std::string>{"idle", "windows", "notify", "modules", "objects"}));
}

TEST_F(ErrorsTest, NormalExitPathRunsTheCleanUpWithoutEnding) {
  g_order.clear();
  RegisterCleanupRoutine(CleanupA);
  RunProgramEndCleanup();
  EXPECT_EQ(g_order, std::vector<std::string>{"A"});
  RunProgramEndCleanup();
  EXPECT_EQ(g_order, std::vector<std::string>{"A"});
}

}  // namespace
}  // namespace korvex
