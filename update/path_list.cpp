#include <cstddef>
#include <string_view>

#include "update.h"

namespace {

constexpr char kSeparator = ';';

// Case is folded for ASCII letters only: a byte above 127 may be half of a
// double-byte character and must match exactly.
constexpr unsigned char AsciiLower(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

bool EqualIgnoringAsciiCase(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) {
    return false;
  }
  for (std::size_t k = 0; k < left.size(); ++k) {
    if (AsciiLower(static_cast<unsigned char>(left[k])) !=
        AsciiLower(static_cast<unsigned char>(right[k]))) {
      return false;
    }
  }
  return true;
}

// True when the entry that starts at 'start' is the folder itself: the
// folder's bytes followed by ';' or the end. Only whole entries count, so
// text before the folder in the same entry never joins the next entry.
bool IsFolderEntryAt(std::string_view list, std::size_t start, std::string_view folder) {
  const std::size_t end = start + folder.size();
  return end <= list.size() && EqualIgnoringAsciiCase(list.substr(start, folder.size()), folder) &&
         (end == list.size() || list[end] == kSeparator);
}

std::size_t BoundedLength(const char* text, std::size_t limit) {
  std::size_t length = 0;
  while (length < limit && text[length] != '\0') {
    ++length;
  }
  return length;
}

}  // namespace

ResultCode RemoveFolderFromPathList(PathListBuffer newList, const char* driverFolder,
                                    const char* oldList) {
  const std::string_view folder(driverFolder);
  // Reading no more than the output can hold keeps every write in bounds,
  // even for a list that is missing its terminator.
  const std::string_view list(oldList, BoundedLength(oldList, newList.size() - 1));

  std::size_t out = 0;
  std::size_t in = 0;
  while (in < list.size()) {
    const bool entryStart = in == 0 || list[in - 1] == kSeparator;
    if (entryStart && !folder.empty() && IsFolderEntryAt(list, in, folder)) {
      in += folder.size() + 1;  // the folder and the ';' after it
    } else {
      newList[out++] = list[in++];
    }
  }
  if (out > 0 && newList[out - 1] == kSeparator) {
    --out;
  }
  newList[out] = '\0';
  return kResultSuccess;
}
