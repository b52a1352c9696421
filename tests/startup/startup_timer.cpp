// Times programs from CreateProcess to their message box being on screen,
// inside one Wine session, so that starting Wine itself is not counted.
// Usage: startup_timer RUNS CAPTION PROGRAM...
// Each round starts every PROGRAM once, in the order given, so that drift in
// the machine's load spreads over all of them alike. Prints one line per run,
// "ms NAME MILLISECONDS", and per program "median NAME MILLISECONDS". The
// warm-up runs print the text of each box, to show which path a program took.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Search {
  DWORD pid;
  const char* caption;
  HWND box;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != search->pid || !IsWindowVisible(window)) return TRUE;
  char text[256];
  if (GetWindowTextA(window, text, sizeof text) > 0 && lstrcmpA(text, search->caption) == 0) {
    search->box = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK KeepLongestText(HWND window, LPARAM param) {
  auto* longest = reinterpret_cast<char*>(param);
  char text[256];
  if (GetWindowTextA(window, text, sizeof text) > lstrlenA(longest)) lstrcpyA(longest, text);
  return TRUE;
}

// Milliseconds from CreateProcess to a visible top-level window of the new
// process with the caption; the box is then dismissed with its OK button.
double TimeOneRun(const char* program, const char* caption, double frequency, bool* ok,
                  char* box_text) {
  *ok = false;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::vector<char> command_line(program, program + lstrlenA(program) + 1);

  LARGE_INTEGER start;
  LARGE_INTEGER shown;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(program, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fprintf(stderr, "cannot start %s (error %lu)\n", program, GetLastError());
    return 0;
  }
  Search search = {process.dwProcessId, caption, nullptr};
  // A box that never comes (a crash, a hang) must not hang the benchmark.
  for (int i = 0; i < 30000 && !search.box; ++i) {
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
    if (search.box) break;
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  QueryPerformanceCounter(&shown);

  if (search.box) {
    *ok = true;
    box_text[0] = '\0';
    EnumChildWindows(search.box, KeepLongestText, reinterpret_cast<LPARAM>(box_text));
    PostMessageA(search.box, WM_COMMAND, IDOK, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
      std::fprintf(stderr, "%s did not close its box\n", program);
      *ok = false;
    }
  } else {
    std::fprintf(stderr, "%s showed no box titled \"%s\"\n", program, caption);
  }
  if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return double(shown.QuadPart - start.QuadPart) * 1000.0 / frequency;
}

const char* BaseName(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/') name = p + 1;
  return name;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: startup_timer RUNS CAPTION PROGRAM...\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  const char* caption = argv[2];
  const int programs = argc - 3;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const double ticks = double(frequency.QuadPart);

  std::vector<std::vector<double>> times(static_cast<size_t>(programs));
  bool ok = true;
  // The first run of a program in a fresh prefix pays for reading its DLLs
  // from disk; a timing that includes that is not a start-up figure.
  for (int p = 0; p < programs; ++p) {
    bool run_ok = false;
    char text[256] = "";
    double ms = TimeOneRun(argv[3 + p], caption, ticks, &run_ok, text);
    std::printf("warmup %s %.2f \"%s\"\n", BaseName(argv[3 + p]), ms, text);
    ok = ok && run_ok;
  }
  for (int round = 0; round < runs && ok; ++round) {
    for (int p = 0; p < programs; ++p) {
      bool run_ok = false;
      char text[256] = "";
      double ms = TimeOneRun(argv[3 + p], caption, ticks, &run_ok, text);
      ok = ok && run_ok;
      times[size_t(p)].push_back(ms);
      std::printf("ms %s %.2f\n", BaseName(argv[3 + p]), ms);
      std::fflush(stdout);
    }
  }
  if (!ok) return 1;
  for (int p = 0; p < programs; ++p) {
    std::vector<double>& t = times[size_t(p)];
    std::sort(t.begin(), t.end());
    size_t n = t.size();
    double median = n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2;
    std::printf("median %s %.2f\n", BaseName(argv[3 + p]), median);
  }
  return 0;
}
