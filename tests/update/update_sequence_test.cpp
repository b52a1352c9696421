#include <string>
#include <vector>

#include "standin_fixture.h"
#include "update.h"

namespace {

using standin::Call;

class UpdateSequence : public StandinTest {
 protected:
  // The run's one message box; fails the test if there was not exactly one.
  std::string Report() {
    EXPECT_EQ(win32.messageBoxCount, 1U);
    const standin::MessageBoxCall& box = win32.messageBoxes[0];
    EXPECT_TRUE(box.ownerIsNull);
    EXPECT_EQ(box.caption.view(), "Zavo USB Driver Update");
    EXPECT_EQ(box.style, MB_OK);
    return std::string(box.text.view());
  }

  std::vector<Call> Calls() const {
    return {win32.calls.begin(), win32.calls.begin() + static_cast<long>(win32.callCount)};
  }

  void ExpectKeysClosedAndLibrariesFreed() const {
    EXPECT_EQ(standin::OpenKeyCount(), 0);
    EXPECT_EQ(win32.badCloses, 0);
    EXPECT_EQ(win32.librariesLoaded, win32.librariesFreed);
  }
};

TEST_F(UpdateSequence, AcceptsOnlyWindows2000AndXp) {
  struct Case {
    DWORD platform, major, minor;
    bool supported;
  };
  constexpr Case kCases[] = {
      {VER_PLATFORM_WIN32_NT, 5, 0, true},         // Windows 2000
      {VER_PLATFORM_WIN32_NT, 5, 1, true},         // Windows XP
      {VER_PLATFORM_WIN32_NT, 5, 2, false},        // Server 2003, XP x64
      {VER_PLATFORM_WIN32_NT, 4, 0, false},        // NT 4.0
      {VER_PLATFORM_WIN32_NT, 6, 0, false},        // Vista
      {VER_PLATFORM_WIN32_NT, 10, 0, false},       // Windows 10
      {VER_PLATFORM_WIN32_WINDOWS, 4, 10, false},  // Windows 98
      {VER_PLATFORM_WIN32_WINDOWS, 5, 1, false},   // the right numbers on 9x
  };
  for (const Case& c : kCases) {
    standin::Reset();
    win32.platformId = c.platform;
    win32.majorVersion = c.major;
    win32.minorVersion = c.minor;
    EXPECT_EQ(IsSupportedWindows(), c.supported) << c.platform << " " << c.major << "." << c.minor;
    EXPECT_EQ(win32.versionSizeSeen, 148U);
  }
}

TEST_F(UpdateSequence, RefusesWhenTheVersionCannotBeRead) {
  win32.versionResult = FALSE;
  EXPECT_FALSE(IsSupportedWindows());
}

TEST_F(UpdateSequence, RefusalTouchesNothing) {
  win32.majorVersion = 6;
  RunProgram();
  EXPECT_EQ(Report(), "This program cannot run under this version of Windows.");
  EXPECT_EQ(Calls(), (std::vector<Call>{Call::kGetVersion, Call::kMessageBox}));
}

TEST_F(UpdateSequence, FormsTheDriverFolderFromTheWindowsDrive) {
  struct Case {
    const char* windowsDirectory;
    const char* driverFolder;
  };
  constexpr Case kCases[] = {
      {"C:\\WINDOWS", "C:\\Drivers\\ZavoUSB"},
      {"d:\\winnt", "d:\\Drivers\\ZavoUSB"},
      {"\\\\server\\share", "\\:\\Drivers\\ZavoUSB"},
  };
  for (const Case& c : kCases) {
    standin::Reset();
    win32.windowsDirectory.Assign(c.windowsDirectory);
    std::array<char, MAX_PATH> folder{};
    EXPECT_EQ(GetDriverFolder(folder), kResultSuccess);
    EXPECT_STREQ(folder.data(), c.driverFolder);
  }
}

// A length that does not fit says the buffer holds nothing: no drive to name.
TEST_F(UpdateSequence, NoWindowsDirectoryIsCodeOne) {
  struct Case {
    const char* windowsDirectory;
    std::optional<UINT> result;
  };
  const std::string tooLong = "C:\\" + std::string(MAX_PATH, 'w');
  const Case cases[] = {
      {"C:\\WINDOWS", 0U},
      {"C:\\WINDOWS", MAX_PATH},
      {tooLong.c_str(), std::nullopt},
      {"", 1U},
  };
  for (const Case& c : cases) {
    standin::Reset();
    win32.windowsDirectory.Assign(c.windowsDirectory);
    win32.windowsDirectoryResult = c.result;
    RunProgram();
    EXPECT_EQ(Report(), "Update error. (code=1)");
    // No registry, no log, no INF installation.
    EXPECT_EQ(Calls(), (std::vector<Call>{Call::kGetVersion, Call::kGetWindowsDirectory,
                                          Call::kMessageBox}));
  }
}

TEST_F(UpdateSequence, RemovesTheFolderAndReportsSuccess) {
  SetList("%SystemRoot%\\inf;C:\\Drivers\\ZavoUSB;D:\\Other");
  RunProgram();
  EXPECT_EQ(Report(), "Update finished successfully.");
  EXPECT_EQ(standin::ValueBytes(), std::string_view("%SystemRoot%\\inf;D:\\Other\0", 26));
  EXPECT_EQ(win32.valueType, REG_EXPAND_SZ);
  ExpectKeysClosedAndLibrariesFreed();

  // Read, log, write, then the three INF files, then the report.
  std::vector<Call> expected = {
      Call::kGetVersion,   Call::kGetWindowsDirectory,
      Call::kOpenKey,      Call::kQueryValue,
      Call::kCloseKey,     Call::kLogOpen,
      Call::kGetLocalTime, Call::kLogWrite,
      Call::kLogClose,     Call::kOpenKey,
      Call::kSetValue,     Call::kCloseKey,
  };
  expected.insert(expected.end(), {Call::kGetSystemDirectory, Call::kLoadLibrary,
                                   Call::kGetProcAddress, Call::kSetupCopy, Call::kSetupCopy,
                                   Call::kSetupCopy, Call::kFreeLibrary, Call::kMessageBox});
  EXPECT_EQ(Calls(), expected);
}

TEST_F(UpdateSequence, WritesAnUnchangedListBackAsExpandableText) {
  SetList("%SystemRoot%\\inf;D:\\Other;", REG_SZ);
  RunProgram();
  EXPECT_EQ(Report(), "Update finished successfully.");
  EXPECT_EQ(standin::ValueBytes(), std::string_view("%SystemRoot%\\inf;D:\\Other\0", 26));
  EXPECT_EQ(win32.valueType, REG_EXPAND_SZ);
  EXPECT_EQ(win32.lastSetSize, 26U);
}

// An empty list would leave Windows no folder to search for drivers.
TEST_F(UpdateSequence, KeepsTheOldValueWhenNothingWouldBeLeft) {
  SetList("c:\\drivers\\zavousb;", REG_SZ);
  RunProgram();
  EXPECT_EQ(Report(), "Update finished successfully.");
  EXPECT_EQ(win32.setCount, 0);
  EXPECT_EQ(standin::ValueText(), "c:\\drivers\\zavousb;");
  EXPECT_EQ(win32.valueType, REG_SZ);
  EXPECT_EQ(standin::CountCalls(Call::kLogWrite), 1U);
  EXPECT_EQ(standin::CountCalls(Call::kSetupCopy), 3U);
}

struct FailureCase {
  const char* name;
  void (*inject)(standin::State&);
  const char* report;
  bool logged;
  int setCalls;
};

const FailureCase kFailures[] = {
    {"key not opened for reading",
     [](standin::State& s) { s.openForReadingStatus = ERROR_ACCESS_DENIED; },
     "Update error. (code=6)", false, 0},
    {"value missing", [](standin::State& s) { s.valueExists = false; }, "Update error. (code=4)",
     false, 0},
    {"value too long", [](standin::State& s) { s.valueData.Assign(std::string(4001, 'a')); },
     "Update error. (code=4)", false, 0},
    {"key not opened for writing",
     [](standin::State& s) { s.openForWritingStatus = ERROR_ACCESS_DENIED; },
     "Update error. (code=10)", true, 0},
    {"value not set", [](standin::State& s) { s.setStatus = ERROR_ACCESS_DENIED; },
     "Update error. (code=8)", true, 1},
    {"one INF not installed", [](standin::State& s) { s.setupCopyFailures = 0b010; },
     "Update error. (code=16)", true, 1},
    {"value missing and INF not installed",
     [](standin::State& s) {
       s.valueExists = false;
       s.setupApiLoads = false;
     },
     "Update error. (code=20)", false, 0},
};

// Whatever fails, the other steps keep their places, the INF files are all
// offered, and the report carries the combined code.
TEST_F(UpdateSequence, ReportsEveryFailureInOneCode) {
  for (const FailureCase& c : kFailures) {
    SCOPED_TRACE(c.name);
    standin::Reset();
    SetList("A;C:\\Drivers\\ZavoUSB;B");
    c.inject(win32);
    RunProgram();
    EXPECT_EQ(Report(), c.report);
    EXPECT_EQ(win32.logContent.size > 0, c.logged);
    EXPECT_EQ(win32.setCount, c.setCalls);
    EXPECT_EQ(win32.setupCopyCount, win32.setupApiLoads ? 3U : 0U);
    EXPECT_EQ(standin::CountCalls(Call::kLoadLibrary), 1U);
    ExpectKeysClosedAndLibrariesFreed();
  }
}

// The record shows the list that was meant to be stored, even when storing
// it then fails.
TEST_F(UpdateSequence, LogsTheNewListBeforeAFailedWrite) {
  SetList("A;C:\\Drivers\\ZavoUSB;B");
  win32.setStatus = ERROR_ACCESS_DENIED;
  RunProgram();
  EXPECT_EQ(Report(), "Update error. (code=8)");
  EXPECT_NE(win32.logContent.view().find("old = A;C:\\Drivers\\ZavoUSB;B\nnew = A;B\n"),
            std::string_view::npos);
  EXPECT_EQ(standin::ValueText(), "A;C:\\Drivers\\ZavoUSB;B");
}

}  // namespace
