#include <algorithm>
#include <array>
#include <string>

#include "standin_fixture.h"
#include "update.h"

namespace {

class DevicePath : public StandinTest {
 protected:
  // Reads into a zero-filled buffer, as the sequence does.
  ResultCode Read() {
    oldList.fill('\0');
    return ReadDevicePath(oldList);
  }

  bool OldListUntouched() const {
    return std::all_of(oldList.begin(), oldList.end(), [](char c) { return c == '\0'; });
  }

  void ExpectKeyClosed() const {
    EXPECT_EQ(standin::OpenKeyCount(), 0);
    EXPECT_EQ(win32.badCloses, 0);
  }

  std::array<char, kPathListSize> oldList{};
};

TEST_F(DevicePath, ReadsTextOfEitherStringType) {
  for (DWORD type : {REG_SZ, REG_EXPAND_SZ}) {
    standin::Reset();
    SetList("%SystemRoot%\\inf;C:\\Drivers\\ZavoUSB", type);
    EXPECT_EQ(Read(), kResultSuccess);
    EXPECT_STREQ(oldList.data(), "%SystemRoot%\\inf;C:\\Drivers\\ZavoUSB");
    ExpectKeyClosed();
  }
}

TEST_F(DevicePath, ReadsAValueThatFillsTheBufferWithItsTerminator) {
  const std::string longest(kPathListSize - 1, 'x');
  SetList(longest);
  EXPECT_EQ(Read(), kResultSuccess);
  EXPECT_EQ(std::string(oldList.data()), longest);
}

// The zero fill ends a value that was stored without a terminator.
TEST_F(DevicePath, ReadsAValueWithoutATerminator) {
  standin::SetValue("A;B");
  EXPECT_EQ(Read(), kResultSuccess);
  EXPECT_STREQ(oldList.data(), "A;B");

  standin::SetValue(std::string(kPathListSize - 1, 'y'));
  EXPECT_EQ(Read(), kResultSuccess);
  EXPECT_EQ(std::string(oldList.data()), std::string(kPathListSize - 1, 'y'));
}

// Windows reads a string value up to its first NUL; so does the program.
TEST_F(DevicePath, ReadsUpToTheFirstNul) {
  standin::SetValue(std::string_view("A;B\0C;D\0", 8));
  EXPECT_EQ(Read(), kResultSuccess);
  EXPECT_STREQ(oldList.data(), "A;B");
  EXPECT_TRUE(std::all_of(oldList.begin() + 3, oldList.end(), [](char c) { return c == '\0'; }));
}

TEST_F(DevicePath, RefusesWhatCannotBeReadAsAWholeList) {
  struct Case {
    const char* name;
    std::string bytes;
    DWORD type;
    bool exists;
  };
  const Case cases[] = {
      {"missing", "A\0", REG_EXPAND_SZ, false},
      {"one byte too long", std::string(kPathListSize, 'a') + '\0', REG_EXPAND_SZ, true},
      // No room left for a terminator: cutting it would write back a
      // shorter list.
      {"full without terminator", std::string(kPathListSize, 'a'), REG_EXPAND_SZ, true},
      {"a number", std::string("\x01\x02\x03\x04", 4), REG_DWORD, true},
      {"binary", "C:\\Drivers", REG_BINARY, true},
      {"several strings", std::string("A\0B\0\0", 5), REG_MULTI_SZ, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    standin::Reset();
    standin::SetValue(c.bytes, c.type);
    win32.valueExists = c.exists;
    EXPECT_EQ(Read(), kResultValueNotRead);
    EXPECT_TRUE(OldListUntouched());
    ExpectKeyClosed();
  }
}

TEST_F(DevicePath, KeyThatDoesNotOpenIsCodeSix) {
  win32.openForReadingStatus = ERROR_ACCESS_DENIED;
  EXPECT_EQ(Read(), kResultKeyNotOpenedForReading);
  EXPECT_EQ(standin::CountCalls(standin::Call::kCloseKey), 0U);
  EXPECT_EQ(standin::CountCalls(standin::Call::kQueryValue), 0U);
  EXPECT_TRUE(OldListUntouched());
}

TEST_F(DevicePath, QueryThatFailsIsCodeFourAndClosesTheKey) {
  win32.queryStatus = ERROR_ACCESS_DENIED;
  EXPECT_EQ(Read(), kResultValueNotRead);
  EXPECT_TRUE(OldListUntouched());
  ExpectKeyClosed();
}

TEST_F(DevicePath, WritesTextAndTerminatorAsExpandableText) {
  SetList("old", REG_SZ);
  const std::string longest(kPathListSize - 1, 'z');
  for (const std::string& text : {std::string("A;B"), std::string("x"), longest}) {
    EXPECT_EQ(WriteDevicePath(text.c_str()), kResultSuccess);
    EXPECT_EQ(standin::ValueBytes(), std::string_view(text.c_str(), text.size() + 1));
    EXPECT_EQ(win32.valueType, REG_EXPAND_SZ);
    EXPECT_EQ(win32.lastSetSize, text.size() + 1);
    ExpectKeyClosed();
  }
}

TEST_F(DevicePath, KeyThatDoesNotOpenForWritingIsCodeTen) {
  SetList("old");
  win32.openForWritingStatus = ERROR_ACCESS_DENIED;
  EXPECT_EQ(WriteDevicePath("new"), kResultKeyNotOpenedForWriting);
  EXPECT_EQ(win32.setCount, 0);
  EXPECT_EQ(standin::CountCalls(standin::Call::kCloseKey), 0U);
  EXPECT_EQ(standin::ValueText(), "old");
}

TEST_F(DevicePath, ValueThatIsNotSetIsCodeEightAndClosesTheKey) {
  SetList("old");
  win32.setStatus = ERROR_ACCESS_DENIED;
  EXPECT_EQ(WriteDevicePath("new"), kResultValueNotSet);
  EXPECT_EQ(standin::ValueText(), "old");
  ExpectKeyClosed();
}

}  // namespace
