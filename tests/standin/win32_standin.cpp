#include "win32_standin.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace standin {

template <std::size_t N>
void Text<N>::Assign(std::string_view text) {
  size = 0;
  overflowed = false;
  Append(text);
}

template <std::size_t N>
void Text<N>::Append(std::string_view text) {
  const std::size_t room = N - size;
  const std::size_t taken = std::min(room, text.size());
  std::copy_n(text.data(), taken, bytes.data() + size);
  size += taken;
  overflowed = overflowed || taken < text.size();
}

namespace {

State state;

void Record(Call call) {
  if (state.callCount < state.calls.size()) {
    state.calls[state.callCount++] = call;
  } else {
    state.callsOverflowed = true;
  }
}

// Handles are small numbers, never null: slot n is handle n + 1.
HKEY HandleFor(std::size_t slot) { return reinterpret_cast<HKEY>(slot + 1); }

// The slot of an open handle, or kMaxKeys.
std::size_t SlotOf(HKEY key) {
  const auto value = reinterpret_cast<std::uintptr_t>(key);
  if (value == 0 || value > State::kMaxKeys || !state.keyOpen[value - 1]) {
    return State::kMaxKeys;
  }
  return value - 1;
}

bool EqualsIgnoringCase(std::string_view left, std::string_view right) {
  return left.size() == right.size() &&
         std::equal(left.begin(), left.end(), right.begin(), [](char a, char b) {
           const auto lower = [](char c) {
             return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
           };
           return lower(a) == lower(b);
         });
}

// Copies a directory the way Windows does: the length without the
// terminator when it fits, else the size needed and nothing written.
UINT CopyDirectory(std::string_view directory, LPSTR buffer, UINT size) {
  if (directory.size() + 1 > size) {
    return static_cast<UINT>(directory.size() + 1);
  }
  std::copy(directory.begin(), directory.end(), buffer);
  buffer[directory.size()] = '\0';
  return static_cast<UINT>(directory.size());
}

// Stands for the loaded setupapi.dll.
char setupApiModule;

FILE* LogToken() {
  static char token;
  return reinterpret_cast<FILE*>(&token);
}

}  // namespace

State& Get() { return state; }

void Reset() {
  state = State{};
  state.windowsDirectory.Assign("C:\\WINDOWS");
  state.valueData.Assign(std::string_view("C:\\WINDOWS\\inf\0", 16));
}

void SetValue(std::string_view bytes, DWORD type) {
  state.valueExists = true;
  state.valueType = type;
  state.valueData.Assign(bytes);
}

std::string_view ValueBytes() { return state.valueData.view(); }

std::string_view ValueText() {
  const std::string_view bytes = ValueBytes();
  return bytes.substr(0, bytes.find('\0'));
}

int OpenKeyCount() {
  return static_cast<int>(std::count(state.keyOpen.begin(), state.keyOpen.end(), true));
}

std::size_t CountCalls(Call call) {
  return static_cast<std::size_t>(
      std::count(state.calls.begin(), state.calls.begin() + state.callCount, call));
}

template struct Text<64>;
template struct Text<256>;
template struct Text<MAX_PATH>;
template struct Text<MAX_PATH + 32>;
template struct Text<512>;
template struct Text<8192>;
template struct Text<32768>;

}  // namespace standin

using standin::Call;
using standin::state;
using standin::State;

BOOL GetVersionExA(OSVERSIONINFOA* version) {
  standin::Record(Call::kGetVersion);
  state.versionSizeSeen = version->dwOSVersionInfoSize;
  if (state.versionResult == FALSE || version->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    return FALSE;
  }
  version->dwMajorVersion = state.majorVersion;
  version->dwMinorVersion = state.minorVersion;
  version->dwBuildNumber = 2600;
  version->dwPlatformId = state.platformId;
  version->szCSDVersion[0] = '\0';
  return TRUE;
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  standin::Record(Call::kGetWindowsDirectory);
  const UINT length = standin::CopyDirectory(state.windowsDirectory.view(), buffer, size);
  return state.windowsDirectoryResult.value_or(length);
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
  standin::Record(Call::kGetSystemDirectory);
  const UINT length = standin::CopyDirectory(standin::kSystemDirectory, buffer, size);
  return state.systemDirectoryResult.value_or(length);
}

void GetLocalTime(SYSTEMTIME* time) {
  standin::Record(Call::kGetLocalTime);
  *time = state.localTime;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
  standin::Record(Call::kMessageBox);
  if (state.messageBoxCount < state.messageBoxes.size()) {
    standin::MessageBoxCall& box = state.messageBoxes[state.messageBoxCount];
    box.ownerIsNull = owner == nullptr;
    box.text.Assign(text);
    box.caption.Assign(caption);
    box.style = style;
  }
  ++state.messageBoxCount;
  return IDOK;
}

LONG RegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD options, REGSAM access, PHKEY key) {
  standin::Record(Call::kOpenKey);
  const bool reading = (access & KEY_QUERY_VALUE) != 0;
  const LONG injected = reading ? state.openForReadingStatus : state.openForWritingStatus;
  if (injected != ERROR_SUCCESS) {
    return injected;
  }
  if (root != HKEY_LOCAL_MACHINE || options != 0 ||
      !standin::EqualsIgnoringCase(subKey, standin::kKeyPath)) {
    return ERROR_FILE_NOT_FOUND;
  }
  const auto free = std::find(state.keyOpen.begin(), state.keyOpen.end(), false);
  if (free == state.keyOpen.end()) {
    return ERROR_ACCESS_DENIED;
  }
  const auto slot = static_cast<std::size_t>(free - state.keyOpen.begin());
  state.keyOpen[slot] = true;
  state.keyAccess[slot] = access;
  ++state.keysOpened;
  *key = standin::HandleFor(slot);
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD size) {
  standin::Record(Call::kQueryValue);
  const std::size_t slot = standin::SlotOf(key);
  if (slot == standin::State::kMaxKeys) {
    return ERROR_INVALID_HANDLE;
  }
  if ((state.keyAccess[slot] & KEY_QUERY_VALUE) == 0) {
    return ERROR_ACCESS_DENIED;
  }
  if (state.queryStatus != ERROR_SUCCESS) {
    return state.queryStatus;
  }
  if (reserved != nullptr || !state.valueExists ||
      !standin::EqualsIgnoringCase(name, standin::kValueName)) {
    return ERROR_FILE_NOT_FOUND;
  }
  const std::string_view stored = state.valueData.view();
  if (type != nullptr) {
    *type = state.valueType;
  }
  if (data != nullptr && stored.size() > *size) {
    // What lands in a buffer that is too small is undefined: make it visible.
    std::fill_n(data, *size, BYTE{'#'});
    *size = static_cast<DWORD>(stored.size());
    return ERROR_MORE_DATA;
  }
  if (data != nullptr) {
    std::copy(stored.begin(), stored.end(), data);
  }
  *size = static_cast<DWORD>(stored.size());
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size) {
  standin::Record(Call::kSetValue);
  const std::size_t slot = standin::SlotOf(key);
  if (slot == standin::State::kMaxKeys) {
    return ERROR_INVALID_HANDLE;
  }
  if ((state.keyAccess[slot] & KEY_SET_VALUE) == 0) {
    return ERROR_ACCESS_DENIED;
  }
  ++state.setCount;
  state.lastSetSize = size;
  if (state.setStatus != ERROR_SUCCESS) {
    return state.setStatus;
  }
  if (reserved != 0 || !standin::EqualsIgnoringCase(name, standin::kValueName)) {
    return ERROR_FILE_NOT_FOUND;
  }
  state.valueExists = true;
  state.valueType = type;
  state.valueData.Assign({reinterpret_cast<const char*>(data), size});
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  standin::Record(Call::kCloseKey);
  const std::size_t slot = standin::SlotOf(key);
  if (slot == standin::State::kMaxKeys) {
    ++state.badCloses;
    return ERROR_INVALID_HANDLE;
  }
  state.keyOpen[slot] = false;
  return ERROR_SUCCESS;
}

HMODULE LoadLibraryA(LPCSTR path) {
  standin::Record(Call::kLoadLibrary);
  state.libraryPath.Assign(path);
  if (!state.setupApiLoads || !standin::EqualsIgnoringCase(path, standin::kSetupApiPath)) {
    return nullptr;
  }
  ++state.librariesLoaded;
  return reinterpret_cast<HMODULE>(&standin::setupApiModule);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  standin::Record(Call::kGetProcAddress);
  if (module != reinterpret_cast<HMODULE>(&standin::setupApiModule) || !state.setupApiExports ||
      std::strcmp(name, "SetupCopyOEMInfA") != 0) {
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&SetupCopyOEMInfA));
}

BOOL FreeLibrary(HMODULE module) {
  standin::Record(Call::kFreeLibrary);
  if (module != reinterpret_cast<HMODULE>(&standin::setupApiModule)) {
    return FALSE;
  }
  ++state.librariesFreed;
  return TRUE;
}

BOOL SetupCopyOEMInfA(PCSTR sourceInfFileName, PCSTR sourceMediaLocation, DWORD sourceMediaType,
                      DWORD copyStyle, PSTR destinationInfFileName,
                      DWORD destinationInfFileNameSize, PDWORD requiredSize,
                      PSTR* destinationInfFileNameComponent) {
  standin::Record(Call::kSetupCopy);
  const std::size_t index = state.setupCopyCount++;
  if (index < state.setupCopies.size()) {
    standin::SetupCopyCall& call = state.setupCopies[index];
    call.source.Assign(sourceInfFileName);
    call.mediaLocation.Assign(sourceMediaLocation);
    call.mediaType = sourceMediaType;
    call.copyStyle = copyStyle;
    call.destinationIsNull = destinationInfFileName == nullptr;
    call.destinationSize = destinationInfFileNameSize;
    call.requiredSizeGiven = requiredSize != nullptr;
    call.componentGiven = destinationInfFileNameComponent != nullptr;
  }
  if (index < 32 && (state.setupCopyFailures & (1U << index)) != 0) {
    return FALSE;
  }
  if (destinationInfFileNameComponent != nullptr) {
    *destinationInfFileNameComponent = nullptr;
  }
  return TRUE;
}

// The log file. The host test links with --wrap for these three, so the
// program's fopen, fputs and fclose land here; any other file (one without
// a Windows path) goes to the C library.
extern "C" {
FILE* __real_fopen(const char* path, const char* mode);
int __real_fputs(const char* text, FILE* stream);
int __real_fclose(FILE* stream);

FILE* __wrap_fopen(const char* path, const char* mode) {
  if (std::strchr(path, '\\') == nullptr) {
    return __real_fopen(path, mode);
  }
  standin::Record(Call::kLogOpen);
  state.logPath.Assign(path);
  if (!state.logOpens || std::strcmp(mode, "a") != 0 || state.logIsOpen) {
    return nullptr;
  }
  state.logIsOpen = true;
  ++state.logOpenCount;
  return standin::LogToken();
}

int __wrap_fputs(const char* text, FILE* stream) {
  if (stream != standin::LogToken()) {
    return __real_fputs(text, stream);
  }
  standin::Record(Call::kLogWrite);
  if (!state.logIsOpen) {
    return EOF;
  }
  state.logContent.Append(text);
  return 0;
}

int __wrap_fclose(FILE* stream) {
  if (stream != standin::LogToken()) {
    return __real_fclose(stream);
  }
  standin::Record(Call::kLogClose);
  if (!state.logIsOpen) {
    return EOF;
  }
  state.logIsOpen = false;
  ++state.logCloseCount;
  return 0;
}
}
