// Installs the INF files of the driver folder into Windows' store of OEM INF
// files. The Setup API is loaded at run time so that the program starts, and
// can show its refusal, on systems without it; it is loaded once for all
// three files, since loading it is a good part of the run's time.
#include <array>

#include "format_text.h"
#include "update.h"

namespace {

// No copy style flags: an INF already in the store is a success.
constexpr DWORD kCopyStyle = 0;

// The library is named by its full path in the system folder: a bare name
// would also be looked for beside the program and in the current folder,
// where anyone could have put a DLL of that name.
HMODULE LoadSetupApi() {
  std::array<char, MAX_PATH> systemDirectory{};
  const UINT length =
      GetSystemDirectoryA(systemDirectory.data(), static_cast<UINT>(systemDirectory.size()));
  if (length == 0 || length >= systemDirectory.size()) {
    return nullptr;
  }
  std::array<char, MAX_PATH> libraryPath{};
  if (!FormatText(libraryPath, "%s\\setupapi.dll", systemDirectory.data())) {
    return nullptr;
  }
  return LoadLibraryA(libraryPath.data());
}

SetupCopyOemInfFunction FindSetupCopyOemInf(HMODULE setupApi) {
  // Cast through the generic function pointer type: FARPROC has a signature
  // of its own that the compiler would otherwise warn about.
  return reinterpret_cast<SetupCopyOemInfFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(setupApi, "SetupCopyOEMInfA")));
}

}  // namespace

ResultCode InstallOemInfFiles(const char* driverFolder) {
  const HMODULE setupApi = LoadSetupApi();
  const SetupCopyOemInfFunction copyOemInf =
      setupApi == nullptr ? nullptr : FindSetupCopyOemInf(setupApi);
  // Every file is offered even when the Setup API is missing, so each one
  // that is not installed counts alike.
  ResultCode code = kResultSuccess;
  for (const char* infFileName : kInfFileNames) {
    code |= InstallOemInf(copyOemInf, driverFolder, infFileName);
  }
  if (setupApi != nullptr) {
    FreeLibrary(setupApi);
  }
  return code;
}

ResultCode InstallOemInf(SetupCopyOemInfFunction copyOemInf, const char* driverFolder,
                         const char* infFileName) {
  std::array<char, MAX_PATH> sourcePath{};
  if (copyOemInf == nullptr || !FormatText(sourcePath, "%s\\%s", driverFolder, infFileName)) {
    return kResultInfNotInstalled;
  }
  DWORD requiredSize = 0;
  PSTR destinationComponent = nullptr;
  // No destination name is asked for: a null buffer of size 0. An empty
  // buffer instead makes the call fail even when the file was copied.
  const BOOL installed = copyOemInf(sourcePath.data(), driverFolder, SPOST_PATH, kCopyStyle,
                                    nullptr, 0, &requiredSize, &destinationComponent);
  return installed != FALSE ? kResultSuccess : kResultInfNotInstalled;
}
