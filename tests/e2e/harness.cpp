#include "harness.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

int checks = 0;
int failures = 0;
std::string currentCase;

constexpr char kKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kValueName[] = "DevicePath";
constexpr char kCaption[] = "Zavo USB Driver Update";
// The class and the text control of every box that MessageBox makes.
constexpr char kDialogClass[] = "#32770";
constexpr int kTextControl = 0xFFFF;
// Long enough for Wine to start a process on a slow machine; a run that
// takes longer has hung.
constexpr DWORD kRunTimeoutMs = 30000;

std::string fixtures[std::size(kInfNames)];

bool StartsWithIgnoringCase(const char* text, const char* prefix) {
  return _strnicmp(text, prefix, std::strlen(prefix)) == 0;
}

// Removes a file or a whole folder; what is not there is fine.
void DeleteTree(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    return;
  }
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0) {
        DeleteTree(path + "\\" + entry.cFileName);
      }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(path.c_str());
}

std::vector<std::string> FileNames(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA(pattern.c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    return names;
  }
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      names.emplace_back(entry.cFileName);
    }
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return names;
}

// The program's visible box that has not been answered yet.
HWND FindBox(DWORD processId, HWND answered) {
  HWND window = nullptr;
  while ((window = FindWindowExA(nullptr, window, kDialogClass, kCaption)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    // A box is found as soon as it has its caption, but its text is set in
    // the same initialisation, which ends before the box is shown.
    if (owner == processId && window != answered && IsWindowVisible(window)) {
      return window;
    }
  }
  return nullptr;
}

// Wine reads the version it reports to a program from this key when the
// program starts. A per-program setting leaves the harness itself on the
// prefix's own version, whatever it gives the program.
std::string AppDefaultsKey(const std::string& exe) {
  const auto slash = exe.find_last_of("\\/");
  return "Software\\Wine\\AppDefaults\\" + exe.substr(slash == std::string::npos ? 0 : slash + 1);
}

}  // namespace

void ok_(const char* file, int line, bool condition, const char* format, ...) {
  ++checks;
  if (condition) {
    return;
  }
  ++failures;
  const char* base = std::strrchr(file, '/');
  std::printf("%s:%d: [%s] ", base != nullptr ? base + 1 : file, line, currentCase.c_str());
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::printf("\n");
  std::fflush(stdout);
}

void BeginCase(std::string name) {
  currentCase = std::move(name);
  std::printf("case: %s\n", currentCase.c_str());
  std::fflush(stdout);
}

int Summary(const char* group) {
  std::printf("%s: %d checks, %d failures\n", group, checks, failures);
  return failures == 0 ? 0 : 1;
}

std::string Quote(std::string_view bytes) {
  std::string text = "\"";
  for (const char c : bytes) {
    const auto code = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      text += '\\';
      text += c;
    } else if (code < 0x20 || code >= 0x7F) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", code);
      text += escape;
    } else {
      text += c;
    }
  }
  return text + "\"";
}

std::string WindowsPath(std::string path) {
  if (path.empty() || path[0] != '/') {
    return path;
  }
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
}

std::string DriverFolder() {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  return std::string(1, windows[0]) + ":\\Drivers\\ZavoUSB";
}

std::string LogPath() { return DriverFolder() + "\\update.log"; }

std::string InfStore() {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  return std::string(windows) + "\\inf";
}

RegistryValue Sz(std::string_view text) { return Raw(REG_SZ, std::string(text) + '\0'); }
RegistryValue ExpandSz(std::string_view text) {
  return Raw(REG_EXPAND_SZ, std::string(text) + '\0');
}
RegistryValue Raw(DWORD type, std::string bytes) { return {true, type, std::move(bytes)}; }

RegistryValue ReadDevicePath() {
  RegistryValue value;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return value;
  }
  std::string data(65536, '\0');
  DWORD size = static_cast<DWORD>(data.size());
  // Wine, like NT, puts a NUL after text data that lacks one when there is
  // room, but leaves it out of the size: the size alone tells the bytes.
  if (RegQueryValueExA(key, kValueName, nullptr, &value.type, reinterpret_cast<BYTE*>(data.data()),
                       &size) == ERROR_SUCCESS) {
    value.present = true;
    value.bytes = data.substr(0, size);
  }
  RegCloseKey(key);
  return value;
}

bool WriteDevicePath(const RegistryValue& value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  if (value.present) {
    // RegSetValueExA counts one more byte for text data whose last byte is
    // not NUL when the byte after it is NUL, so that a forgotten terminator
    // is stored all the same (Wine does as NT does). A byte that is not NUL
    // after the data keeps unterminated data unterminated.
    const std::string guarded = value.bytes + '!';
    RegSetValueExA(key, kValueName, 0, value.type, reinterpret_cast<const BYTE*>(guarded.data()),
                   static_cast<DWORD>(value.bytes.size()));
  } else {
    RegDeleteValueA(key, kValueName);
  }
  RegCloseKey(key);
  return ReadDevicePath() == value;
}

const char* TypeName(DWORD type) {
  switch (type) {
    case REG_SZ:
      return "REG_SZ";
    case REG_EXPAND_SZ:
      return "REG_EXPAND_SZ";
    case REG_BINARY:
      return "REG_BINARY";
    case REG_DWORD:
      return "REG_DWORD";
    case REG_MULTI_SZ:
      return "REG_MULTI_SZ";
    default:
      return "another type";
  }
}

std::string Describe(const RegistryValue& value) {
  if (!value.present) {
    return "(no value)";
  }
  return std::string(TypeName(value.type)) + " " + std::to_string(value.bytes.size()) + " bytes " +
         Quote(value.bytes);
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  bytes.clear();
  char buffer[4096];
  DWORD got = 0;
  bool read = true;
  while ((read = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0) {
    bytes.append(buffer, got);
  }
  CloseHandle(file);
  return read;
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return false;
  }
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != FALSE &&
      written == bytes.size();
  CloseHandle(file);
  return ok;
}

bool LoadFixtures(const std::string& folder) {
  for (std::size_t i = 0; i < std::size(kInfNames); ++i) {
    if (!ReadFileBytes(WindowsPath(folder) + "\\" + kInfNames[i], fixtures[i]) ||
        fixtures[i].empty()) {
      std::printf("cannot read the fixture %s in %s\n", kInfNames[i], folder.c_str());
      return false;
    }
  }
  return true;
}

const std::string& FixtureBytes(unsigned index) { return fixtures[index]; }

std::vector<StoredInf> PackageInfsInStore() {
  std::vector<StoredInf> found;
  for (const std::string& name : FileNames(InfStore() + "\\*.inf")) {
    std::string bytes;
    ReadFileBytes(InfStore() + "\\" + name, bytes);
    const auto* match = std::find(std::begin(fixtures), std::end(fixtures), bytes);
    const int fixture = match == std::end(fixtures) ? -1 : static_cast<int>(match - fixtures);
    // Windows names every copied INF oem<N>.inf. Wine keeps the source's
    // own name while no file of that name is in the store, and takes
    // oem<N>.inf only then: a package file may carry either name.
    if (fixture >= 0 || StartsWithIgnoringCase(name.c_str(), "oem")) {
      found.push_back({name, fixture});
    }
  }
  return found;
}

void ClearInfStore() {
  // A fresh prefix has no oem<N> files; Setup writes a .pnf beside each INF.
  for (const std::string& name : FileNames(InfStore() + "\\*")) {
    if (StartsWithIgnoringCase(name.c_str(), "oem") ||
        StartsWithIgnoringCase(name.c_str(), "zavo")) {
      DeleteFileA((InfStore() + "\\" + name).c_str());
    }
  }
}

void PrepareDriverFolder(Folder folder, unsigned infs) {
  const std::string path = DriverFolder();
  DeleteTree(path);
  if (folder == Folder::kMissing) {
    return;
  }
  CreateDirectoryA(path.substr(0, path.find_last_of('\\')).c_str(), nullptr);
  CreateDirectoryA(path.c_str(), nullptr);
  for (unsigned i = 0; i < std::size(kInfNames); ++i) {
    if ((infs & (1U << i)) != 0) {
      WriteFileBytes(path + "\\" + kInfNames[i], fixtures[i]);
    }
  }
  if (folder == Folder::kLogIsDirectory) {
    CreateDirectoryA(LogPath().c_str(), nullptr);
  }
}

Run RunProgram(const std::string& exe, const char* windowsVersion) {
  Run run;
  const std::string appKey = AppDefaultsKey(exe);
  RegSetKeyValueA(HKEY_CURRENT_USER, appKey.c_str(), "Version", REG_SZ, windowsVersion,
                  static_cast<DWORD>(std::strlen(windowsVersion) + 1));

  GetLocalTime(&run.start);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string commandLine = "\"" + exe + "\"";
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::printf("cannot start %s: error %lu\n", exe.c_str(), GetLastError());
    RegDeleteTreeA(HKEY_CURRENT_USER, appKey.c_str());
    return run;
  }

  // Every box is answered as it comes, until the program ends; a second box
  // after the first would be seen here.
  const DWORD begin = GetTickCount();
  HWND answered = nullptr;
  while (GetTickCount() - begin < kRunTimeoutMs) {
    if (WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0) {
      run.finished = true;
      break;
    }
    const HWND box = FindBox(process.dwProcessId, answered);
    if (box == nullptr) {
      continue;
    }
    char text[1024] = {};
    GetDlgItemTextA(box, kTextControl, text, sizeof text);
    run.boxes.emplace_back(text);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    answered = box;
  }
  if (!run.finished) {
    TerminateProcess(process.hProcess, 255);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  GetLocalTime(&run.end);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  RegDeleteTreeA(HKEY_CURRENT_USER, appKey.c_str());
  return run;
}

long long Seconds(const SYSTEMTIME& time) {
  FILETIME file{};
  SystemTimeToFileTime(&time, &file);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
  return static_cast<long long>(ticks / 10000000ULL);
}
