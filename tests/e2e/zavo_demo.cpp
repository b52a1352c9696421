// One run of ZavoUpdate.exe on a sample machine, told step by step: the
// driver folder with the package's INF files, DevicePath before and after,
// the message box, the exit code, the update.log record, and the INF store.
//
// Usage: zavo_demo <ZavoUpdate.exe> <fixture folder> <DevicePath text>
#include <cstdio>

#include "harness.h"

namespace {

// The text as Windows shows it, with its type and size.
std::string Show(const RegistryValue& value) {
  if (!value.present) {
    return "(no value)";
  }
  return std::string(TypeName(value.type)) + " \"" + value.bytes.substr(0, value.bytes.find('\0')) +
         "\" (" + std::to_string(value.bytes.size()) + " bytes)";
}

void PrintIndented(const std::string& text) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find("\r\n", at);
    end = end == std::string::npos ? text.size() : end;
    std::printf("    %s\n", text.substr(at, end - at).c_str());
    at = end + 2;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::printf("usage: %s ZavoUpdate.exe fixture-folder devicepath\n", argv[0]);
    return 2;
  }
  const std::string exe = WindowsPath(argv[1]);
  if (!LoadFixtures(argv[2])) {
    return 2;
  }
  PrepareDriverFolder(Folder::kInfs);
  ClearInfStore();
  if (!WriteDevicePath(ExpandSz(argv[3]))) {
    std::printf("cannot set DevicePath\n");
    return 1;
  }

  std::printf("Driver folder:     %s (%s, %s, %s)\n", DriverFolder().c_str(), kInfNames[0],
              kInfNames[1], kInfNames[2]);
  std::printf("DevicePath before: %s\n", Show(ReadDevicePath()).c_str());
  const Run run = RunProgram(exe, "winxp");
  for (const std::string& text : run.boxes) {
    std::printf("Message box:       \"%s\" (answered with OK)\n", text.c_str());
  }
  std::printf("Exit code:         %lu%s\n", run.exitCode, run.finished ? "" : " (did not end)");
  std::printf("DevicePath after:  %s\n", Show(ReadDevicePath()).c_str());

  std::string log;
  std::printf("update.log:%s\n", ReadFileBytes(LogPath(), log) ? "" : " (none)");
  PrintIndented(log);

  // Windows would name the copies oem<N>.inf; Wine keeps a free name.
  std::printf("INF store:\n");
  for (const StoredInf& inf : PackageInfsInStore()) {
    std::printf("    %s\\%s: %s\n", InfStore().c_str(), inf.name.c_str(),
                inf.fixture >= 0
                    ? (std::string("the same bytes as ") + kInfNames[inf.fixture]).c_str()
                    : "none of the package's files");
  }
  return run.finished && run.exitCode == 0 && run.boxes.size() == 1 ? 0 : 1;
}
