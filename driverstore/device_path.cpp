// The DevicePath registry value: Windows' list of folders to search for
// driver INF files. The key is opened for one operation and closed before it
// returns, on every path.
#include <algorithm>
#include <array>
#include <cstring>

#include "update.h"

namespace {

constexpr char kKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kValueName[] = "DevicePath";

// Only text can be a path list: a value of another type would be rewritten
// as text that means nothing.
bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

ResultCode QueryDevicePath(HKEY key, PathListBuffer oldList) {
  std::array<char, kPathListSize> data{};
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(data.size());
  const LONG status = RegQueryValueExA(key, kValueName, nullptr, &type,
                                       reinterpret_cast<BYTE*>(data.data()), &size);
  if (status != ERROR_SUCCESS || !IsText(type) || size > data.size()) {
    return kResultValueNotRead;
  }
  // The text ends at the first NUL. Data that fills the whole buffer without
  // one has no room for a terminator: it is refused rather than cut short
  // and written back.
  const char* const text = data.data();
  const char* const textEnd = std::find(text, text + size, '\0');
  if (textEnd == text + data.size()) {
    return kResultValueNotRead;
  }
  std::copy(text, textEnd, oldList.begin());
  oldList[static_cast<std::size_t>(textEnd - text)] = '\0';
  return kResultSuccess;
}

}  // namespace

ResultCode ReadDevicePath(PathListBuffer oldList) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return kResultKeyNotOpenedForReading;
  }
  const ResultCode code = QueryDevicePath(key, oldList);
  RegCloseKey(key);
  return code;
}

ResultCode WriteDevicePath(const char* newList) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_WRITE, &key) != ERROR_SUCCESS) {
    return kResultKeyNotOpenedForWriting;
  }
  // The text and its terminating NUL.
  const auto size = static_cast<DWORD>(std::strlen(newList) + 1);
  const LONG status = RegSetValueExA(key, kValueName, 0, REG_EXPAND_SZ,
                                     reinterpret_cast<const BYTE*>(newList), size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? kResultSuccess : kResultValueNotSet;
}
