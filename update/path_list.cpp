#include <algorithm>
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

  // Entry by entry: an entry that is not the folder is copied whole with the
  // ';' after it, in one block rather than byte by byte.
  std::size_t out = 0;
  std::size_t start = 0;
  while (start < list.size()) {
    const std::size_t separator = list.find(kSeparator, start);
    const bool last = separator == std::string_view::npos;
    const std::size_t end = last ? list.size() : separator;
    if (folder.empty() || !EqualIgnoringAsciiCase(list.substr(start, end - start), folder)) {
      const std::size_t length = end - start + (last ? 0 : 1);
      std::copy_n(list.data() + start, length, newList.data() + out);
      out += length;
    }
    start = end + 1;
  }
  if (out > 0 && newList[out - 1] == kSeparator) {
    --out;
  }
  newList[out] = '\0';
  return kResultSuccess;
}
