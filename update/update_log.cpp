// update.log in the driver folder: one dated record of the list before and
// after, per run that read DevicePath.
#include <array>
#include <cstdio>

#include "format_text.h"
#include "update.h"

namespace {

// The four lines of a record. Text mode turns each "\n" into CR LF on disk.
constexpr char kRecordTemplate[] =
    "----------\n"
    "%d/%d/%d %d:%d:%d\n"
    "old = %s\n"
    "new = %s\n";

// Room for the longest record: six 16-bit fields of at most five digits and
// two lists that fill their buffers.
constexpr std::size_t kLongestField = 5;
constexpr std::size_t kRecordSize =
    sizeof kRecordTemplate + 6 * kLongestField + 2 * (kPathListSize - 1);

}  // namespace

void WriteUpdateLog(const char* driverFolder, const char* oldList, const char* newList) {
  std::array<char, MAX_PATH> logPath{};
  if (!FormatText(logPath, "%s\\update.log", driverFolder)) {
    return;
  }
  FILE* log = std::fopen(logPath.data(), "a");
  if (log == nullptr) {
    return;
  }
  SYSTEMTIME now{};
  GetLocalTime(&now);
  // The record is formed whole before a byte is written, and written with
  // one call, so a record that does not fit is never half-written.
  std::array<char, kRecordSize> record{};
  if (FormatText(record, kRecordTemplate, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                 now.wSecond, oldList, newList)) {
    // Write errors are not examined: the log records data, not failures,
    // and nothing later in the run depends on it.
    (void)std::fputs(record.data(), log);
  }
  (void)std::fclose(log);
}
