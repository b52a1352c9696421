// RemoveFolderFromPathList against a second, deliberately plain statement of
// the same rule: split the list at every ';', drop the entries that are the
// folder (ASCII case ignored), put the rest back each with the ';' that
// followed it, and drop one trailing ';'.
//
// Input: the first byte picks the driver folder and whether the bytes 0x01
// and 0x02 in the rest stand for the folder (in its own case and in another
// case), so that the fuzzer reaches lists full of matches quickly; the rest,
// up to its first NUL and at most 3999 bytes, is the old list.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "update.h"

namespace {

// Forms the folder takes on real systems: the drive letter is the first
// character of the Windows directory, in whatever case it comes, and is not
// checked to be a letter. The empty folder matches nothing.
constexpr std::array<std::string_view, 8> kFolders = {
    "C:\\Drivers\\ZavoUSB",    "d:\\drivers\\zavousb",
    "Z:\\DRIVERS\\ZAVOUSB",    "c:\\dRIVERS\\zAVOusb",
    "A:\\Drivers\\ZavoUSB",    "\\:\\Drivers\\ZavoUSB",
    "\xC4:\\Drivers\\ZavoUSB", "",
};

constexpr std::size_t kMaxListLength = kPathListSize - 1;

char AsciiLower(char byte) { return (byte >= 'A' && byte <= 'Z') ? char(byte - 'A' + 'a') : byte; }

char AsciiUpper(char byte) { return (byte >= 'a' && byte <= 'z') ? char(byte - 'a' + 'A') : byte; }

bool SameIgnoringAsciiCase(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) {
    return false;
  }
  for (std::size_t k = 0; k < left.size(); ++k) {
    if (AsciiLower(left[k]) != AsciiLower(right[k])) {
      return false;
    }
  }
  return true;
}

bool IsFolder(std::string_view entry, std::string_view folder) {
  return !folder.empty() && SameIgnoringAsciiCase(entry, folder);
}

// Calls visit(entry, followedBySeparator) for each entry of the list.
template <typename Visit>
void ForEachEntry(std::string_view list, Visit visit) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t separator = list.find(';', start);
    if (separator == std::string_view::npos) {
      visit(list.substr(start), false);
      return;
    }
    visit(list.substr(start, separator - start), true);
    start = separator + 1;
  }
}

void NaiveRemove(std::string_view list, std::string_view folder, std::string& out) {
  out.clear();
  ForEachEntry(list, [&](std::string_view entry, bool followedBySeparator) {
    if (IsFolder(entry, folder)) {
      return;
    }
    out += entry;
    if (followedBySeparator) {
      out += ';';
    }
  });
  if (!out.empty() && out.back() == ';') {
    out.pop_back();
  }
}

// The old list the input describes.
void OldList(std::uint8_t selector, std::string_view rest, std::string_view folder,
             std::string& list) {
  rest = rest.substr(0, rest.find('\0'));
  if ((selector & 8U) == 0) {
    list.assign(rest.substr(0, kMaxListLength));
    return;
  }
  std::array<char, 32> otherCaseBytes{};
  for (std::size_t k = 0; k < folder.size(); ++k) {
    otherCaseBytes[k] = (k % 2 == 0) ? AsciiUpper(folder[k]) : AsciiLower(folder[k]);
  }
  const std::string_view otherCase(otherCaseBytes.data(), folder.size());
  list.clear();
  for (const char byte : rest) {
    if (byte == '\x01') {
      list += folder;
    } else if (byte == '\x02') {
      list += otherCase;
    } else {
      list += byte;
    }
    if (list.size() >= kMaxListLength) {
      break;
    }
  }
  list.resize(std::min(list.size(), kMaxListLength));
}

// libFuzzer takes the abort as a finding and saves the input.
[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "path list filter: %s\n", what);
  std::abort();
}

// Kept between inputs, so that an input costs no allocation but the old
// list's own copy.
std::string list;
std::string expected;
std::array<char, kPathListSize> newList;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  // The folders are string literals and the new list a global: both have
  // AddressSanitizer redzones around them.
  const std::string_view folder = kFolders[data[0] & 7U];
  OldList(data[0], {reinterpret_cast<const char*>(data + 1), size - 1}, folder, list);

  // An exact-size heap copy, so that AddressSanitizer sees any read past the
  // old list's terminator.
  const auto oldList = std::make_unique<char[]>(list.size() + 1);
  std::memcpy(oldList.get(), list.c_str(), list.size() + 1);
  newList.fill('\xA5');

  if (RemoveFolderFromPathList(newList, folder.data(), oldList.get()) != kResultSuccess) {
    Fail("result code");
  }
  if (std::memcmp(oldList.get(), list.c_str(), list.size() + 1) != 0) {
    Fail("old list changed");
  }

  const auto terminator = std::find(newList.begin(), newList.end(), '\0');
  if (terminator == newList.end()) {
    Fail("output not terminated inside the buffer");
  }
  const std::string_view output(newList.data(),
                                static_cast<std::size_t>(terminator - newList.begin()));
  if (output.size() > list.size()) {
    Fail("output longer than input");
  }
  NaiveRemove(list, folder, expected);
  if (output != expected) {
    Fail("output differs from the plain statement of the rule");
  }
  ForEachEntry(output, [&](std::string_view entry, bool /*followedBySeparator*/) {
    if (IsFolder(entry, folder)) {
      Fail("folder left in the output");
    }
  });
  return 0;
}
