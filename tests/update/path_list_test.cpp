#include <gtest/gtest.h>

#include <array>
#include <string>

#include "update.h"

namespace {

constexpr char kFolder[] = "C:\\Drivers\\ZavoUSB";

std::string Filter(const std::string& oldList, const char* folder = kFolder) {
  std::array<char, kPathListSize> newList;
  newList.fill('#');
  EXPECT_EQ(RemoveFolderFromPathList(newList, folder, oldList.c_str()), kResultSuccess);
  return newList.data();
}

// D stands for the folder, d for it in other letter case.
std::string Expand(std::string pattern) {
  std::string out;
  for (char c : pattern) {
    if (c == 'D') {
      out += kFolder;
    } else if (c == 'd') {
      out += "c:\\dRIVERS\\zavousb";
    } else {
      out += c;
    }
  }
  return out;
}

TEST(RemoveFolderFromPathList, RemovesOnlyWholeEntries) {
  struct Case {
    const char* oldList;
    const char* newList;
  };
  constexpr Case kCases[] = {
      {"D", ""},
      {"A;D", "A"},
      {"D;A", "A"},
      {"A;D;B", "A;B"},
      {"A;d;B", "A;B"},
      {"D;D", ""},
      {"D;", ""},
      {"A;D;;B", "A;;B"},
      // Text before the folder in the same entry is a different folder:
      // removing the match would glue "Ax" to the next entry.
      {"A;xD;B", "A;xD;B"},
      {"A;D2;B", "A;D2;B"},
      {"A;D\\sub;B", "A;D\\sub;B"},
      {"A;", "A"},
      {"A;;", "A;"},
      {";D", ""},
      {";;", ";"},
      {"", ""},
      {"D;A;D;B;D", "A;B"},
      {"A;Dd;B", "A;Dd;B"},
      {"%SystemRoot%\\inf;D", "%SystemRoot%\\inf"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(Filter(Expand(c.oldList)), Expand(c.newList)) << "old list " << c.oldList;
  }
}

// Bytes above 127 are compared exactly: in the system code page they are
// letters of their own or halves of double-byte characters.
TEST(RemoveFolderFromPathList, FoldsOnlyAsciiLetters) {
  struct Case {
    const char* folder;
    const char* oldList;
    const char* newList;
  };
  constexpr Case kCases[] = {
      {"\xC4:\\Drivers\\ZavoUSB", "A;\xC4:\\Drivers\\ZavoUSB;B", "A;B"},
      {"\xC4:\\Drivers\\ZavoUSB", "A;\xE4:\\Drivers\\ZavoUSB;B", "A;\xE4:\\Drivers\\ZavoUSB;B"},
      {kFolder, "A;C:\\Drivers\\Zavo\xDCSB;B", "A;C:\\Drivers\\Zavo\xDCSB;B"},
      {kFolder, "\xE9t\xE9;C:\\DRIVERS\\zavoUSB;\xFF", "\xE9t\xE9;\xFF"},
      // 0x81 0x43 is one double-byte character in code page 932; the folder
      // that seems to follow its lead byte is not an entry of its own.
      {kFolder,
       "A;\x81"
       "C:\\Drivers\\ZavoUSB;B",
       "A;\x81"
       "C:\\Drivers\\ZavoUSB;B"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(Filter(c.oldList, c.folder), c.newList) << "old list " << c.oldList;
  }
}

TEST(RemoveFolderFromPathList, AnEmptyFolderMatchesNothing) {
  EXPECT_EQ(Filter("A;;B", ""), "A;;B");
  EXPECT_EQ(Filter(";", ""), "");
}

TEST(RemoveFolderFromPathList, HandlesListsThatFillTheBuffer) {
  const std::string longest(kPathListSize - 1, 'a');
  EXPECT_EQ(Filter(longest), longest);

  std::string endsWithFolder(kPathListSize - 1 - (sizeof kFolder - 1) - 1, 'a');
  endsWithFolder += ';';
  endsWithFolder += kFolder;
  ASSERT_EQ(endsWithFolder.size(), kPathListSize - 1);
  EXPECT_EQ(Filter(endsWithFolder), std::string(endsWithFolder.size() - sizeof kFolder, 'a'));
}

// A list longer than the output buffer is never read past what fits.
TEST(RemoveFolderFromPathList, NeverWritesPastTheOutput) {
  const std::string tooLong(kPathListSize + 100, 'a');
  EXPECT_EQ(Filter(tooLong), tooLong.substr(0, kPathListSize - 1));
}

TEST(RemoveFolderFromPathList, LeavesTheOldListAlone) {
  const std::string oldList = Expand("A;D;B;");
  const std::string copy = oldList;
  Filter(oldList);
  EXPECT_EQ(oldList, copy);
}

}  // namespace
