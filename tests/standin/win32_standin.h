// Host stand-in for the few Win32 functions the program calls. It keeps one
// registry key, one log file and a record of every call in fixed-size state
// (so it allocates nothing itself), and each call can be made to fail.
// Tests reset it before they start: standin::Reset().
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

using BOOL = int;
using BYTE = unsigned char;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using REGSAM = DWORD;
using LPSTR = char*;
using PSTR = char*;
using LPCSTR = const char*;
using PCSTR = const char*;
using LPDWORD = DWORD*;
using PDWORD = DWORD*;
using LPBYTE = BYTE*;

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
struct HWND__;
using HWND = HWND__*;
using FARPROC = std::intptr_t (*)();

#define WINAPI

inline constexpr BOOL FALSE = 0;
inline constexpr BOOL TRUE = 1;
inline constexpr std::size_t MAX_PATH = 260;

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_MORE_DATA = 234;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002});

inline constexpr UINT MB_OK = 0;
inline constexpr int IDOK = 1;
inline constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
inline constexpr DWORD SPOST_PATH = 1;

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  char szCSDVersion[128];
};

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

BOOL GetVersionExA(OSVERSIONINFOA* version);
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
void GetLocalTime(SYSTEMTIME* time);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
LONG RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD options, REGSAM access, PHKEY key);
LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD size);
LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);
LONG RegCloseKey(HKEY key);
HMODULE LoadLibraryA(LPCSTR path);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);
BOOL SetupCopyOEMInfA(PCSTR sourceInfFileName, PCSTR sourceMediaLocation, DWORD sourceMediaType,
                      DWORD copyStyle, PSTR destinationInfFileName,
                      DWORD destinationInfFileNameSize, PDWORD requiredSize,
                      PSTR* destinationInfFileNameComponent);
int WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showState);

namespace standin {

inline constexpr char kKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
inline constexpr char kValueName[] = "DevicePath";
inline constexpr char kSystemDirectory[] = "C:\\WINDOWS\\system32";
inline constexpr char kSetupApiPath[] = "C:\\WINDOWS\\system32\\setupapi.dll";

// Every call the program can make, for checking the order of a run.
enum class Call {
  kGetVersion,
  kGetWindowsDirectory,
  kGetSystemDirectory,
  kGetLocalTime,
  kMessageBox,
  kOpenKey,
  kQueryValue,
  kSetValue,
  kCloseKey,
  kLoadLibrary,
  kGetProcAddress,
  kFreeLibrary,
  kSetupCopy,
  kLogOpen,
  kLogWrite,
  kLogClose,
};

// A fixed-capacity text, so the stand-in never touches the heap.
template <std::size_t N>
struct Text {
  std::array<char, N> bytes{};
  std::size_t size = 0;
  bool overflowed = false;

  void Assign(std::string_view text);
  void Append(std::string_view text);
  std::string_view view() const { return {bytes.data(), size}; }
};

struct MessageBoxCall {
  bool ownerIsNull = false;
  Text<256> text;
  Text<64> caption;
  UINT style = 0;
};

struct SetupCopyCall {
  Text<MAX_PATH + 32> source;
  Text<MAX_PATH + 32> mediaLocation;
  DWORD mediaType = 0;
  DWORD copyStyle = 0;
  bool destinationIsNull = false;
  DWORD destinationSize = 0;
  bool requiredSizeGiven = false;
  bool componentGiven = false;
};

struct State {
  // What the system reports, and how its calls fail.
  BOOL versionResult = TRUE;
  DWORD platformId = VER_PLATFORM_WIN32_NT;
  DWORD majorVersion = 5;
  DWORD minorVersion = 1;
  DWORD versionSizeSeen = 0;

  Text<512> windowsDirectory;
  std::optional<UINT> windowsDirectoryResult;  // overrides the length returned
  std::optional<UINT> systemDirectoryResult;

  SYSTEMTIME localTime{2026, 5, 4, 7, 9, 5, 3, 250};

  // The one value under the one key the stand-in knows.
  bool valueExists = true;
  DWORD valueType = REG_EXPAND_SZ;
  Text<8192> valueData;
  LONG openForReadingStatus = ERROR_SUCCESS;
  LONG openForWritingStatus = ERROR_SUCCESS;
  LONG queryStatus = ERROR_SUCCESS;
  LONG setStatus = ERROR_SUCCESS;

  bool setupApiLoads = true;
  bool setupApiExports = true;
  unsigned setupCopyFailures = 0;  // bit n fails the (n+1)th call

  bool logOpens = true;
  Text<MAX_PATH> logPath;
  Text<32768> logContent;

  // What the program did.
  std::array<Call, 128> calls{};
  std::size_t callCount = 0;
  bool callsOverflowed = false;

  static constexpr std::size_t kMaxKeys = 8;
  std::array<REGSAM, kMaxKeys> keyAccess{};
  std::array<bool, kMaxKeys> keyOpen{};
  std::size_t keysOpened = 0;
  int badCloses = 0;
  int setCount = 0;
  DWORD lastSetSize = 0;
  int librariesLoaded = 0;
  int librariesFreed = 0;
  Text<MAX_PATH> libraryPath;
  bool logIsOpen = false;
  int logOpenCount = 0;
  int logCloseCount = 0;

  std::array<MessageBoxCall, 4> messageBoxes{};
  std::size_t messageBoxCount = 0;
  std::array<SetupCopyCall, 8> setupCopies{};
  std::size_t setupCopyCount = 0;
};

State& Get();
void Reset();

// Presets DevicePath with exact bytes and a type.
void SetValue(std::string_view bytes, DWORD type = REG_EXPAND_SZ);
// The value's bytes, terminator included when one was stored.
std::string_view ValueBytes();
// The value as text: the bytes before the first NUL.
std::string_view ValueText();
int OpenKeyCount();
std::size_t CountCalls(Call call);

}  // namespace standin
