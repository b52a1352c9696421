// Installs one INF file of the driver folder into Windows' store of OEM INF
// files. The Setup API is loaded at run time so that the program starts, and
// can show its refusal, on systems without it.
#include <array>

#include "format_text.h"
#include "update.h"

namespace {

using SetupCopyOemInfFunction = decltype(&SetupCopyOEMInfA);

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

bool CopyOemInf(HMODULE setupApi, const char* sourcePath, const char* driverFolder) {
  // Cast through the generic function pointer type: FARPROC has a signature
  // of its own that the compiler would otherwise warn about.
  const auto copyOemInf = reinterpret_cast<SetupCopyOemInfFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(setupApi, "SetupCopyOEMInfA")));
  if (copyOemInf == nullptr) {
    return false;
  }
  DWORD requiredSize = 0;
  PSTR destinationComponent = nullptr;
  // No destination name is asked for: a null buffer of size 0. An empty
  // buffer instead makes the call fail even when the file was copied.
  return copyOemInf(sourcePath, driverFolder, SPOST_PATH, kCopyStyle, nullptr, 0, &requiredSize,
                    &destinationComponent) != FALSE;
}

}  // namespace

ResultCode InstallOemInf(const char* driverFolder, const char* infFileName) {
  std::array<char, MAX_PATH> sourcePath{};
  if (!FormatText(sourcePath, "%s\\%s", driverFolder, infFileName)) {
    return kResultInfNotInstalled;
  }
  const HMODULE setupApi = LoadSetupApi();
  if (setupApi == nullptr) {
    return kResultInfNotInstalled;
  }
  const bool installed = CopyOemInf(setupApi, sourcePath.data(), driverFolder);
  FreeLibrary(setupApi);
  return installed ? kResultSuccess : kResultInfNotInstalled;
}
