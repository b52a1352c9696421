// End-to-end tests of ZavoUpdate.exe under Wine. Each case sets up the
// machine, runs the real program, answers its box, and checks all that a run
// can touch: the box, the exit code, DevicePath, update.log, the INF store.
//
// Usage: zavo_e2e <ZavoUpdate.exe> <fixture folder> <group>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "harness.h"

namespace {

constexpr char kSuccess[] = "Update finished successfully.";
constexpr char kRefusal[] = "This program cannot run under this version of Windows.";
constexpr unsigned kAudioInf = 1U << 1;

std::string exe;

struct Case {
  std::string name;
  RegistryValue before;
  // What the run must say and leave behind.
  std::string report = kSuccess;
  std::optional<RegistryValue> after{};  // none: DevicePath exactly as before
  std::optional<std::string> logged{};   // the new list of the record; none: no record
  unsigned installed = kAllInfs;         // the package's INF files that reach the store
  // The machine before the run.
  const char* version = "winxp";
  Folder folder = Folder::kInfs;
  unsigned folderInfs = kAllInfs;
};

std::string ErrorReport(int code) { return "Update error. (code=" + std::to_string(code) + ")"; }

// The list as the program reads it: the text up to the first NUL.
std::string TextOf(const RegistryValue& value) {
  return value.bytes.substr(0, value.bytes.find('\0'));
}

#define VerifyRun(...) VerifyRun_(__FILE__, __LINE__, __VA_ARGS__)
void VerifyRun_(const char* file, int line, const Run& run, const std::string& report) {
  lok(run.finished, "the program did not end in time");
  lok(run.exitCode == 0, "exit code %lu, expected 0", run.exitCode);
  lok(run.boxes.size() == 1, "%d message boxes, expected 1", static_cast<int>(run.boxes.size()));
  for (const std::string& text : run.boxes) {
    lok(text == report, "box says %s, expected %s", Quote(text).c_str(), Quote(report).c_str());
  }
}

#define VerifyDevicePath(...) VerifyDevicePath_(__FILE__, __LINE__, __VA_ARGS__)
void VerifyDevicePath_(const char* file, int line, const RegistryValue& expected) {
  const RegistryValue actual = ReadDevicePath();
  lok(actual == expected, "DevicePath is %s, expected %s", Describe(actual).c_str(),
      Describe(expected).c_str());
}

struct Record {
  std::string oldList;
  std::string newList;
  const Run* run;  // the record's time must fall within this run
};

// "Y/M/D h:m:s" without leading zeros, at a time the run was going on.
bool IsRunTime(const std::string& text, const Run& run) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d", &year, &month, &day, &hour, &minute,
                  &second) != 6) {
    return false;
  }
  char canonical[64];
  std::snprintf(canonical, sizeof canonical, "%d/%d/%d %d:%d:%d", year, month, day, hour, minute,
                second);
  const auto field = [](int value) { return static_cast<WORD>(value); };
  const SYSTEMTIME time{field(year),   field(month),  0, field(day), field(hour),
                        field(minute), field(second), 0};
  return text == canonical && Seconds(run.start) <= Seconds(time) &&
         Seconds(time) <= Seconds(run.end);
}

// update.log holds exactly the earlier bytes followed by the records; no
// earlier bytes and no records means there is no file.
#define VerifyLog(...) VerifyLog_(__FILE__, __LINE__, __VA_ARGS__)
void VerifyLog_(const char* file, int line, const std::optional<std::string>& earlier,
                const std::vector<Record>& records) {
  std::string bytes;
  if (!ReadFileBytes(LogPath(), bytes)) {
    lok(!earlier && records.empty(), "update.log cannot be read");
    return;
  }
  lok(earlier || !records.empty(), "update.log was written: %s", Quote(bytes).c_str());
  const std::string prior = earlier.value_or("");
  lok(bytes.compare(0, prior.size(), prior) == 0, "earlier log bytes changed: %s",
      Quote(bytes).c_str());
  std::size_t at = prior.size();
  for (const Record& record : records) {
    constexpr std::string_view kSeparator = "----------\r\n";
    const std::size_t timeAt = at + kSeparator.size();
    const std::size_t timeEnd = bytes.find("\r\n", timeAt);
    const std::string time =
        timeEnd == std::string::npos ? "" : bytes.substr(timeAt, timeEnd - timeAt);
    lok(IsRunTime(time, *record.run), "record time %s is malformed or outside the run",
        Quote(time).c_str());
    const std::string expected = std::string(kSeparator) + time + "\r\nold = " + record.oldList +
                                 "\r\nnew = " + record.newList + "\r\n";
    const std::string actual = bytes.substr(std::min(at, bytes.size()), expected.size());
    lok(actual == expected, "record %s, expected %s", Quote(actual).c_str(),
        Quote(expected).c_str());
    at += expected.size();
  }
  lok(at >= bytes.size(), "bytes after the last record: %s",
      Quote(bytes.substr(std::min(at, bytes.size()))).c_str());
}

// Each package INF file the mask names is in the store once, byte for byte,
// and nothing else of the package is.
#define VerifyStore(...) VerifyStore_(__FILE__, __LINE__, __VA_ARGS__)
void VerifyStore_(const char* file, int line, unsigned installed) {
  const std::vector<StoredInf> stored = PackageInfsInStore();
  for (int i = 0; i < static_cast<int>(std::size(kInfNames)); ++i) {
    const auto count = std::count_if(stored.begin(), stored.end(),
                                     [i](const StoredInf& inf) { return inf.fixture == i; });
    const int expected = (installed >> i) & 1U;
    lok(count == expected, "%s is %d times in the store, expected %d", kInfNames[i],
        static_cast<int>(count), expected);
  }
  for (const StoredInf& inf : stored) {
    lok(inf.fixture >= 0, "%s in the store is none of the package's files", inf.name.c_str());
  }
}

void RunCase(const Case& c) {
  BeginCase(c.name);
  PrepareDriverFolder(c.folder, c.folderInfs);
  ClearInfStore();
  ok(WriteDevicePath(c.before), "DevicePath did not take %s", Describe(c.before).c_str());

  const Run run = RunProgram(exe, c.version);

  VerifyRun(run, c.report);
  VerifyDevicePath(c.after.value_or(c.before));
  std::vector<Record> records;
  if (c.logged) {
    records.push_back({TextOf(c.before), *c.logged, &run});
  }
  VerifyLog(std::nullopt, records);
  if (c.folder == Folder::kLogIsDirectory) {
    const DWORD attributes = GetFileAttributesA(LogPath().c_str());
    ok(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
       "update.log is no longer a folder");
  }
  VerifyStore(c.installed);
}

// A run that filters oldList into newList. An empty new list is not
// written: DevicePath keeps its bytes and its type. A written list is text
// and one NUL; whether the program counted that NUL itself cannot be seen
// here, as RegSetValueExA adds a terminator that a text size leaves out
// when a NUL follows the data (Wine as NT).
Case Filtered(std::string name, std::string_view oldList, std::string newList) {
  Case c{.name = std::move(name), .before = Sz(oldList), .logged = newList};
  if (!newList.empty()) {
    c.after = ExpandSz(newList);
  }
  return c;
}

// Text of exactly n bytes made of entries, none of them empty, that ends in
// a letter (a final ';' would be dropped by the filter).
std::string Filler(std::size_t n) {
  std::string text;
  for (std::size_t i = 0; i < n; ++i) {
    text += (i % 40 == 39 && i + 1 != n) ? ';' : static_cast<char>('a' + i % 26);
  }
  return text;
}

std::string OtherCase(std::string text) {
  for (char& c : text) {
    if (IsCharAlphaA(c)) {
      c = static_cast<char>(IsCharUpperA(c) ? c - 'A' + 'a' : c - 'a' + 'A');
    }
  }
  return text;
}

const std::string kA = "%SystemRoot%\\inf";
const std::string kB = "D:\\Other";

std::vector<Case> VersionCases(const std::string& d) {
  std::vector<Case> cases;
  for (const char* version : {"win98", "nt40", "win2003", "vista", "win10"}) {
    cases.push_back({.name = std::string("refused on ") + version,
                     .before = Sz(kA + ";" + d + ";" + kB),
                     .report = kRefusal,
                     .installed = 0,
                     .version = version});
  }
  for (const char* version : {"win2k", "winxp"}) {
    Case c = Filtered(std::string("runs on ") + version, kA + ";" + d + ";" + kB, kA + ";" + kB);
    c.version = version;
    cases.push_back(c);
  }
  return cases;
}

std::vector<Case> PathListCases(const std::string& d) {
  const std::string a = kA, b = kB;
  std::vector<Case> cases = {
      Filtered("D", d, ""),
      Filtered("A;D", a + ";" + d, a),
      Filtered("D;A", d + ";" + a, a),
      Filtered("A;D;B", a + ";" + d + ";" + b, a + ";" + b),
      Filtered("A;d;B", a + ";" + OtherCase(d) + ";" + b, a + ";" + b),
      Filtered("D;D", d + ";" + d, ""),
      Filtered("D;", d + ";", ""),
      Filtered("A;D;;B", a + ";" + d + ";;" + b, a + ";;" + b),
      Filtered("A;xD;B", a + ";x" + d + ";" + b, a + ";x" + d + ";" + b),
      Filtered("A;D2;B", a + ";" + d + "2;" + b, a + ";" + d + "2;" + b),
      Filtered("A;D\\sub;B", a + ";" + d + "\\sub;" + b, a + ";" + d + "\\sub;" + b),
      Filtered("A;", a + ";", a),
      Filtered("A;;", a + ";;", a + ";"),
      Filtered(";D", ";" + d, ""),
      Filtered(";;", ";;", ";"),
      Filtered("empty", "", ""),
      Filtered("bytes above 127", "C:\\\xC4\xE9;" + d + ";\xFC\xDF\\\x80",
               "C:\\\xC4\xE9;\xFC\xDF\\\x80"),
  };
  Case expand = Filtered("REG_EXPAND_SZ in", a + ";" + d, a);
  expand.before = ExpandSz(a + ";" + d);
  cases.push_back(expand);
  return cases;
}

// A value the program must refuse to read: the report carries 4, nothing is
// written or logged, and the INF files are offered all the same.
Case NotRead(std::string name, RegistryValue before) {
  return {.name = std::move(name), .before = std::move(before), .report = ErrorReport(4)};
}

// A filtered list whose value is stored in the raw form given.
Case StoredAs(RegistryValue before, Case c) {
  c.before = std::move(before);
  return c;
}

std::vector<Case> LimitCases(const std::string& d) {
  // Lists that fill the program's 4000-byte buffer; the folder comes last,
  // so a list that was cut short would keep it.
  const std::string full = Filler(3980) + ";" + d;     // 3999 bytes of text
  const std::string tooLong = Filler(3981) + ";" + d;  // 4000 bytes of text
  const std::string nul(1, '\0');
  return {
      Filtered("4000 bytes with the NUL", full, Filler(3980)),
      NotRead("4001 bytes", Sz(tooLong)),
      NotRead("4000 bytes without NUL", Raw(REG_SZ, tooLong)),
      StoredAs(Raw(REG_SZ, "A;" + d), Filtered("text without NUL", "A;" + d, "A")),
      StoredAs(Raw(REG_EXPAND_SZ, "A;" + d + nul + "C:\\Old;" + d + nul),
               Filtered("text ends at the first NUL", "A;" + d, "A")),
      NotRead("no value", kNoValue),
      NotRead("REG_DWORD", Raw(REG_DWORD, std::string("\x01\0\0\0", 4))),
      NotRead("REG_BINARY", Raw(REG_BINARY, "A;" + d + ";B" + nul)),
      NotRead("REG_MULTI_SZ", Raw(REG_MULTI_SZ, "A" + nul + d + nul + nul)),
  };
}

std::vector<Case> InfCases(const std::string& d) {
  const RegistryValue entries = Sz("A;" + d + ";B");
  return {
      {.name = "no driver folder",
       .before = entries,
       .report = ErrorReport(16),
       .after = ExpandSz("A;B"),
       .installed = 0,
       .folder = Folder::kMissing},
      {.name = "one INF file missing",
       .before = entries,
       .report = ErrorReport(16),
       .after = ExpandSz("A;B"),
       .logged = "A;B",
       .installed = kAllInfs & ~kAudioInf,
       .folderInfs = kAllInfs & ~kAudioInf},
      // The INF files are offered also after DevicePath could not be read.
      {.name = "no value and one INF file missing",
       .before = kNoValue,
       .report = ErrorReport(4 | 16),
       .installed = kAllInfs & ~kAudioInf,
       .folderInfs = kAllInfs & ~kAudioInf},
      {.name = "no value and no driver folder",
       .before = kNoValue,
       .report = ErrorReport(4 | 16),
       .installed = 0,
       .folder = Folder::kMissing},
  };
}

void LogCases(const std::string& d) {
  Case folder = Filtered("update.log is a folder", "A;" + d + ";B", "A;B");
  folder.logged.reset();
  folder.folder = Folder::kLogIsDirectory;
  RunCase(folder);

  BeginCase("two runs append two records");
  PrepareDriverFolder(Folder::kInfs);
  ClearInfStore();
  // Earlier bytes that end without a line end must stay as they are.
  const std::string earlier = "kept\r\nas it was\r\nno line end";
  ok(WriteFileBytes(LogPath(), earlier), "cannot write update.log");
  ok(WriteDevicePath(Sz("A;" + d + ";B")), "cannot set DevicePath");
  const Run first = RunProgram(exe, "winxp");
  VerifyRun(first, kSuccess);
  VerifyStore(kAllInfs);
  // The second run finds the INF files in the store already: that is a
  // success, and no second copy is made.
  const Run second = RunProgram(exe, "winxp");
  VerifyRun(second, kSuccess);
  VerifyDevicePath(ExpandSz("A;B"));
  VerifyLog(earlier, {{"A;" + d + ";B", "A;B", &first}, {"A;B", "A;B", &second}});
  VerifyStore(kAllInfs);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::printf("usage: %s ZavoUpdate.exe fixture-folder group\n", argv[0]);
    return 2;
  }
  exe = WindowsPath(argv[1]);
  if (!LoadFixtures(argv[2])) {
    return 2;
  }
  const std::string group = argv[3];
  const std::string d = DriverFolder();
  std::vector<Case> cases;
  if (group == "version") {
    cases = VersionCases(d);
  } else if (group == "pathlist") {
    cases = PathListCases(d);
  } else if (group == "limits") {
    cases = LimitCases(d);
  } else if (group == "inf") {
    cases = InfCases(d);
  } else if (group == "log") {
    LogCases(d);
  } else {
    std::printf("unknown group %s\n", group.c_str());
    return 2;
  }
  for (const Case& c : cases) {
    RunCase(c);
  }
  return Summary(group.c_str());
}
