// Whole runs of WinMain with Win32 calls failing, one at a time and two at a
// time. The expected outcome comes from a small model of which failure
// decides what, written apart from the program, and every run is checked for
// the damage a failure could leave: a write after a failed read, a key left
// open or closed twice, a half-written log record, a library not freed, a
// second message box.
#include <algorithm>
#include <array>
#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "standin_fixture.h"
#include "update.h"

namespace {

using standin::Call;

enum class Fault : std::size_t {
  kVersion,
  kWindowsDirectory,
  kOpenForReading,
  kQueryValue,
  kOpenForWriting,
  kSetValue,
  kLogOpen,
  kSystemDirectory,
  kSetupApiLoad,
  kGetProcAddress,
  kSetupCopy1,
  kSetupCopy2,
  kSetupCopy3,
  kCount,
};

constexpr std::size_t kFaultCount = static_cast<std::size_t>(Fault::kCount);
using FaultSet = std::bitset<kFaultCount>;

constexpr std::array<std::string_view, kFaultCount> kFaultNames = {
    "Version",    "WindowsDirectory", "OpenForReading",  "QueryValue",   "OpenForWriting",
    "SetValue",   "LogOpen",          "SystemDirectory", "SetupApiLoad", "GetProcAddress",
    "SetupCopy1", "SetupCopy2",       "SetupCopy3",
};

bool Has(const FaultSet& faults, Fault fault) {
  return faults.test(static_cast<std::size_t>(fault));
}

void Inject(standin::State& win32, Fault fault) {
  switch (fault) {
    case Fault::kVersion:
      win32.versionResult = FALSE;
      break;
    case Fault::kWindowsDirectory:
      win32.windowsDirectoryResult = 0U;
      break;
    case Fault::kOpenForReading:
      win32.openForReadingStatus = ERROR_ACCESS_DENIED;
      break;
    case Fault::kQueryValue:
      win32.queryStatus = ERROR_FILE_NOT_FOUND;
      break;
    case Fault::kOpenForWriting:
      win32.openForWritingStatus = ERROR_ACCESS_DENIED;
      break;
    case Fault::kSetValue:
      win32.setStatus = ERROR_ACCESS_DENIED;
      break;
    case Fault::kLogOpen:
      win32.logOpens = false;
      break;
    case Fault::kSystemDirectory:
      win32.systemDirectoryResult = 0U;
      break;
    case Fault::kSetupApiLoad:
      win32.setupApiLoads = false;
      break;
    case Fault::kGetProcAddress:
      win32.setupApiExports = false;
      break;
    case Fault::kSetupCopy1:
      win32.setupCopyFailures |= 1U;
      break;
    case Fault::kSetupCopy2:
      win32.setupCopyFailures |= 2U;
      break;
    case Fault::kSetupCopy3:
      win32.setupCopyFailures |= 4U;
      break;
    case Fault::kCount:
      break;
  }
}

// The machine every run starts from: DevicePath holds the driver folder
// between two other folders, stored as REG_SZ so that a write shows in the
// type as well as in the text.
constexpr std::string_view kOldList = "C:\\WINDOWS\\inf;C:\\Drivers\\ZavoUSB;D:\\Other";
constexpr std::string_view kNewList = "C:\\WINDOWS\\inf;D:\\Other";
constexpr std::string_view kRecord =
    "----------\n"
    "2026/5/7 9:5:3\n"
    "old = C:\\WINDOWS\\inf;C:\\Drivers\\ZavoUSB;D:\\Other\n"
    "new = C:\\WINDOWS\\inf;D:\\Other\n";

struct Outcome {
  bool refused = false;
  int code = 0;
  std::size_t keyOpenAttempts = 0;
  std::size_t keysOpened = 0;
  bool readSucceeded = false;
  bool valueWritten = false;
  bool logRecord = false;
  std::size_t setupCopies = 0;
};

// Which failure wins: the version gate ends the run before anything else;
// no Windows directory ends it before the registry and the INF files; a
// failed read skips the log and the write; a failed write comes after the
// record; every INF that is not installed adds 16, and a Setup API that is
// not reached fails all three alike.
Outcome Model(const FaultSet& faults) {
  Outcome outcome;
  if (Has(faults, Fault::kVersion)) {
    outcome.refused = true;
    return outcome;
  }
  if (Has(faults, Fault::kWindowsDirectory)) {
    outcome.code = 1;
    return outcome;
  }
  outcome.keyOpenAttempts = 1;
  if (Has(faults, Fault::kOpenForReading)) {
    outcome.code = 6;
  } else if (Has(faults, Fault::kQueryValue)) {
    outcome.keysOpened = 1;
    outcome.code = 4;
  } else {
    outcome.keysOpened = 1;
    outcome.readSucceeded = true;
    outcome.logRecord = !Has(faults, Fault::kLogOpen);
    outcome.keyOpenAttempts = 2;
    if (Has(faults, Fault::kOpenForWriting)) {
      outcome.code = 10;
    } else {
      outcome.keysOpened = 2;
      if (Has(faults, Fault::kSetValue)) {
        outcome.code = 8;
      } else {
        outcome.valueWritten = true;
      }
    }
  }
  const bool setupApiReached = !Has(faults, Fault::kSystemDirectory) &&
                               !Has(faults, Fault::kSetupApiLoad) &&
                               !Has(faults, Fault::kGetProcAddress);
  outcome.setupCopies = setupApiReached ? 3 : 0;
  const bool someCopyFails = Has(faults, Fault::kSetupCopy1) || Has(faults, Fault::kSetupCopy2) ||
                             Has(faults, Fault::kSetupCopy3);
  if (!setupApiReached || someCopyFails) {
    outcome.code |= 16;
  }
  return outcome;
}

std::string ReportText(const Outcome& outcome) {
  if (outcome.refused) {
    return "This program cannot run under this version of Windows.";
  }
  if (outcome.code == 0) {
    return "Update finished successfully.";
  }
  return "Update error. (code=" + std::to_string(outcome.code) + ")";
}

// No fault, every fault alone, and every pair of faults.
std::vector<FaultSet> AllRuns() {
  std::vector<FaultSet> runs(1);
  for (std::size_t first = 0; first < kFaultCount; ++first) {
    runs.push_back(FaultSet{}.set(first));
  }
  for (std::size_t first = 0; first < kFaultCount; ++first) {
    for (std::size_t second = first + 1; second < kFaultCount; ++second) {
      runs.push_back(FaultSet{}.set(first).set(second));
    }
  }
  return runs;
}

std::string RunName(const ::testing::TestParamInfo<FaultSet>& info) {
  std::string name;
  for (std::size_t fault = 0; fault < kFaultCount; ++fault) {
    if (info.param.test(fault)) {
      name += name.empty() ? "" : "_and_";
      name += kFaultNames[fault];
    }
  }
  return name.empty() ? "NoFault" : name;
}

std::size_t FirstCall(const standin::State& win32, Call call) {
  const auto end = win32.calls.begin() + static_cast<std::ptrdiff_t>(win32.callCount);
  return static_cast<std::size_t>(std::find(win32.calls.begin(), end, call) - win32.calls.begin());
}

class UpdateSequenceFaults : public StandinTest, public ::testing::WithParamInterface<FaultSet> {};

TEST_P(UpdateSequenceFaults, ReportsTheDominantFailureAndLeavesNothingHalfDone) {
  const FaultSet faults = GetParam();
  standin::SetValue(std::string(kOldList) + '\0', REG_SZ);
  for (std::size_t fault = 0; fault < kFaultCount; ++fault) {
    if (faults.test(fault)) {
      Inject(win32, static_cast<Fault>(fault));
    }
  }
  const Outcome expected = Model(faults);

  EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);

  ASSERT_FALSE(win32.callsOverflowed);
  ASSERT_EQ(win32.messageBoxCount, 1U);
  const standin::MessageBoxCall& box = win32.messageBoxes[0];
  EXPECT_EQ(box.text.view(), ReportText(expected));
  EXPECT_EQ(box.caption.view(), "Zavo USB Driver Update");
  EXPECT_TRUE(box.ownerIsNull);
  EXPECT_EQ(box.style, MB_OK);
  EXPECT_EQ(win32.calls[win32.callCount - 1], Call::kMessageBox) << "the report comes last";

  if (expected.refused) {
    EXPECT_EQ(win32.callCount, 2U) << "a refused system is only asked its version";
  }

  // The registry: one read, and a write only after a read that succeeded.
  EXPECT_EQ(standin::CountCalls(Call::kOpenKey), expected.keyOpenAttempts);
  EXPECT_EQ(win32.keysOpened, expected.keysOpened);
  if (!expected.readSucceeded) {
    EXPECT_EQ(win32.setCount, 0);
    EXPECT_EQ(standin::CountCalls(Call::kSetValue), 0U);
  }
  EXPECT_EQ(standin::CountCalls(Call::kCloseKey), win32.keysOpened) << "each key closed once";
  EXPECT_EQ(win32.badCloses, 0);
  EXPECT_EQ(standin::OpenKeyCount(), 0);
  if (expected.valueWritten) {
    EXPECT_EQ(standin::ValueBytes(), std::string(kNewList) + '\0');
    EXPECT_EQ(win32.valueType, REG_EXPAND_SZ);
  } else {
    EXPECT_EQ(standin::ValueBytes(), std::string(kOldList) + '\0');
    EXPECT_EQ(win32.valueType, REG_SZ);
  }

  // The log: one whole record or nothing, and the record before the write.
  EXPECT_EQ(win32.logContent.view(), expected.logRecord ? kRecord : "");
  EXPECT_FALSE(win32.logContent.overflowed);
  EXPECT_EQ(win32.logOpenCount, win32.logCloseCount);
  EXPECT_FALSE(win32.logIsOpen);
  EXPECT_LE(standin::CountCalls(Call::kLogWrite), 1U);
  if (expected.logRecord && win32.setCount > 0) {
    EXPECT_LT(FirstCall(win32, Call::kLogWrite), FirstCall(win32, Call::kSetValue));
  }

  // The Setup API: every library that loaded is freed, and all three INF
  // files are offered whenever it can be reached.
  EXPECT_EQ(win32.librariesLoaded, win32.librariesFreed);
  EXPECT_EQ(win32.setupCopyCount, expected.setupCopies);
  for (std::size_t index = 0; index < std::min<std::size_t>(win32.setupCopyCount, 3); ++index) {
    EXPECT_EQ(win32.setupCopies[index].source.view(),
              std::string("C:\\Drivers\\ZavoUSB\\") + kInfFileNames[index]);
  }
}

INSTANTIATE_TEST_SUITE_P(AloneAndInPairs, UpdateSequenceFaults, ::testing::ValuesIn(AllRuns()),
                         RunName);

// The model must itself see every fault: a fault it ignored would make its
// runs pass without checking anything.
TEST(UpdateSequenceFaultModel, EveryFaultAloneChangesTheOutcome) {
  const Outcome clean = Model(FaultSet{});
  ASSERT_EQ(ReportText(clean), "Update finished successfully.");
  for (std::size_t fault = 0; fault < kFaultCount; ++fault) {
    const Outcome faulty = Model(FaultSet{}.set(fault));
    const bool differs =
        ReportText(faulty) != ReportText(clean) || faulty.logRecord != clean.logRecord;
    EXPECT_TRUE(differs) << kFaultNames[fault];
  }
}

}  // namespace
