// The entry point: one pass from the version gate to the report.
#include <array>

#include "format_text.h"
#include "update.h"

namespace {

// MessageBoxA's plain style: one OK button, no icon.
constexpr UINT kReportStyle = MB_OK;

void ShowReport(const char* text) { MessageBoxA(nullptr, text, kCaption, kReportStyle); }

// Edits DevicePath: read, filter, log, write. Only a successful read goes on.
ResultCode UpdateDevicePath(const char* driverFolder, PathListBuffer oldList,
                            PathListBuffer newList) {
  ResultCode code = ReadDevicePath(oldList);
  if (code != kResultSuccess) {
    return code;
  }
  code |= RemoveFolderFromPathList(newList, driverFolder, oldList.data());
  WriteUpdateLog(driverFolder, oldList.data(), newList.data());
  // An empty list would take every folder from Windows' driver search:
  // the old value stays.
  if (code == kResultSuccess && newList[0] != '\0') {
    code = WriteDevicePath(newList.data());
  }
  return code;
}

}  // namespace

bool IsSupportedWindows() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  // A system that cannot say what it is gets the refusal.
  if (GetVersionExA(&version) == FALSE) {
    return false;
  }
  return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 5 &&
         (version.dwMinorVersion == 0 || version.dwMinorVersion == 1);
}

ResultCode GetDriverFolder(PathBuffer driverFolder) {
  std::array<char, MAX_PATH> windowsDirectory{};
  const UINT length = GetWindowsDirectoryA(windowsDirectory.data(), windowsDirectory.size());
  // 0 is a failure, and so is a length that did not fit: the buffer then
  // holds nothing. An empty directory has no drive to name.
  if (length == 0 || length >= windowsDirectory.size() || windowsDirectory[0] == '\0') {
    return kResultNoWindowsDirectory;
  }
  FormatText(driverFolder, "%c:\\Drivers\\ZavoUSB", windowsDirectory[0]);
  return kResultSuccess;
}

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previousInstance*/, LPSTR /*commandLine*/,
                   int /*showState*/) {
  std::array<char, MAX_PATH> driverFolder{};
  std::array<char, kPathListSize> oldList{};
  std::array<char, kPathListSize> newList{};

  if (!IsSupportedWindows()) {
    ShowReport(kRefusalText);
    return 0;
  }

  ResultCode code = GetDriverFolder(driverFolder);
  if (code == kResultSuccess) {
    code = UpdateDevicePath(driverFolder.data(), oldList, newList);
    code |= InstallOemInfFiles(driverFolder.data());
  }

  std::array<char, kReportSize> report{};
  if (code == kResultSuccess) {
    ShowReport(kSuccessText);
  } else {
    FormatText(report, "Update error. (code=%d)", code);
    ShowReport(report.data());
  }
  return 0;
}
