// Drives the real ZavoUpdate.exe under Wine: sets up the machine, runs the
// program, answers its message box, and reads back the registry and the
// files it left. Checks report the line of the case that made them, the way
// Wine's own conformance tests do.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// ---- checks

// A failure names the current case and the place given; ok() passes its own.
void ok_(const char* file, int line, bool condition, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
#define ok(...) ok_(__FILE__, __LINE__, __VA_ARGS__)
// Inside a helper that was handed its caller's file and line.
#define lok(...) ok_(file, line, __VA_ARGS__)

// Names the case that the following checks belong to.
void BeginCase(std::string name);
// Prints the count of checks and failures; the process exit status.
int Summary(const char* group);

// Bytes made readable for a message: C escapes for anything not printable.
std::string Quote(std::string_view bytes);

// ---- paths

// "/unix/path" as Wine's Z: drive sees it; a Windows path is kept.
std::string WindowsPath(std::string path);
// <drive of the Windows directory>:\Drivers\ZavoUSB, where the program looks.
std::string DriverFolder();
std::string LogPath();
std::string InfStore();

// ---- the DevicePath value

struct RegistryValue {
  bool present = false;
  DWORD type = REG_NONE;
  std::string bytes;  // the data exactly, terminator included if it has one

  bool operator==(const RegistryValue&) const = default;
};
// Text values with their terminating NUL, as Windows stores text.
RegistryValue Sz(std::string_view text);
RegistryValue ExpandSz(std::string_view text);
RegistryValue Raw(DWORD type, std::string bytes);
inline const RegistryValue kNoValue{};

RegistryValue ReadDevicePath();
bool WriteDevicePath(const RegistryValue& value);
const char* TypeName(DWORD type);
std::string Describe(const RegistryValue& value);

// ---- files

// The whole file, or false when there is no readable file.
bool ReadFileBytes(const std::string& path, std::string& bytes);
bool WriteFileBytes(const std::string& path, std::string_view bytes);

// The three INF files of the driver package, as the program installs them.
inline constexpr const char* kInfNames[] = {"ZavoKQ2KDisk.inf", "ZavoKQAudio2K.inf",
                                            "ZavoKQUSB2K.inf"};
inline constexpr unsigned kAllInfs = 0b111;

// The fixture INF files, read once from the given folder.
bool LoadFixtures(const std::string& folder);
const std::string& FixtureBytes(unsigned index);

// A file of the INF store that holds one of the package's INF files.
struct StoredInf {
  std::string name;
  int fixture;  // index into kInfNames, -1 when it matches none
};
// The package's files in the store, however Setup named them.
std::vector<StoredInf> PackageInfsInStore();
// Takes every trace of the package out of the store.
void ClearInfStore();

// How the driver folder looks before a run.
enum class Folder {
  kMissing,         // no folder at all
  kInfs,            // the INF files of the bitmask given with it
  kLogIsDirectory,  // the INF files, and update.log is a folder
};
void PrepareDriverFolder(Folder folder, unsigned infs = kAllInfs);

// ---- the program

struct Run {
  bool finished = false;  // ended on its own after its boxes were answered
  DWORD exitCode = ~0UL;
  std::vector<std::string> boxes;  // the text of each box, in order
  SYSTEMTIME start{}, end{};       // local time around the run
};
// Runs the program with Wine reporting windowsVersion to it ("winxp",
// "win98", ...), presses OK on every box it shows, and waits for its end.
Run RunProgram(const std::string& exe, const char* windowsVersion);

// Seconds since an epoch, to compare local times.
long long Seconds(const SYSTEMTIME& time);
