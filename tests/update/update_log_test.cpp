#include <string>

#include "standin_fixture.h"
#include "update.h"

namespace {

constexpr char kFolder[] = "C:\\Drivers\\ZavoUSB";

class UpdateLog : public StandinTest {};

// Fields without leading zeros; "\n" here is CR LF on disk in text mode.
TEST_F(UpdateLog, WritesOneRecordOfFourLines) {
  win32.localTime = SYSTEMTIME{2026, 5, 4, 7, 9, 5, 3, 999};
  WriteUpdateLog(kFolder, "A;C:\\Drivers\\ZavoUSB;B", "A;B");
  EXPECT_EQ(win32.logPath.view(), "C:\\Drivers\\ZavoUSB\\update.log");
  EXPECT_EQ(win32.logContent.view(),
            "----------\n"
            "2026/5/7 9:5:3\n"
            "old = A;C:\\Drivers\\ZavoUSB;B\n"
            "new = A;B\n");
  EXPECT_FALSE(win32.logIsOpen);
  EXPECT_EQ(win32.logCloseCount, 1);
}

TEST_F(UpdateLog, WritesAnEmptyNewListAsAnEmptyLine) {
  win32.localTime = SYSTEMTIME{2027, 12, 0, 31, 23, 59, 58, 0};
  WriteUpdateLog(kFolder, "C:\\Drivers\\ZavoUSB", "");
  EXPECT_EQ(win32.logContent.view(),
            "----------\n"
            "2027/12/31 23:59:58\n"
            "old = C:\\Drivers\\ZavoUSB\n"
            "new = \n");
}

TEST_F(UpdateLog, AppendsAndKeepsWhatWasThere) {
  win32.logContent.Assign("earlier text without a line end");
  WriteUpdateLog(kFolder, "A", "A");
  WriteUpdateLog(kFolder, "B", "B");
  EXPECT_EQ(win32.logContent.view(),
            "earlier text without a line end"
            "----------\n2026/5/7 9:5:3\nold = A\nnew = A\n"
            "----------\n2026/5/7 9:5:3\nold = B\nnew = B\n");
}

// The longest lists and the widest clock still make one whole record.
TEST_F(UpdateLog, WritesTheLongestRecordWhole) {
  win32.localTime = SYSTEMTIME{65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535};
  const std::string oldList(kPathListSize - 1, 'o');
  const std::string newList(kPathListSize - 1, 'n');
  WriteUpdateLog(kFolder, oldList.c_str(), newList.c_str());
  EXPECT_EQ(win32.logContent.view(), "----------\n65535/65535/65535 65535:65535:65535\nold = " +
                                         oldList + "\nnew = " + newList + "\n");
}

TEST_F(UpdateLog, SkipsALogThatDoesNotOpen) {
  win32.logOpens = false;
  WriteUpdateLog(kFolder, "A", "A");
  EXPECT_EQ(win32.logContent.size, 0U);
  EXPECT_EQ(standin::CountCalls(standin::Call::kLogWrite), 0U);
  EXPECT_EQ(standin::CountCalls(standin::Call::kLogClose), 0U);
}

// A log that cannot be written changes nothing else in the run.
TEST_F(UpdateLog, ALogThatDoesNotOpenLeavesTheRunAlone) {
  SetList("A;C:\\Drivers\\ZavoUSB");
  win32.logOpens = false;
  RunProgram();
  ASSERT_EQ(win32.messageBoxCount, 1U);
  EXPECT_EQ(win32.messageBoxes[0].text.view(), "Update finished successfully.");
  EXPECT_EQ(standin::ValueText(), "A");
}

}  // namespace
