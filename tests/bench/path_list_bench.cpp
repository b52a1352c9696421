// RemoveFolderFromPathList beside a plain copy of the same bytes, on lists of
// 400, 1000 and 4000 bytes (terminator included) of four shapes. The copy is
// the least any filter must do: find the end of the list and copy it. The
// ratio of the two says what the matching costs on top.
#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "update.h"

namespace {

constexpr char kFolder[] = "C:\\Drivers\\ZavoUSB";

struct Shape {
  const char* name;
  std::string_view entry;  // repeated, each followed by ';'
};

constexpr std::array<Shape, 4> kShapes = {{
    // Differs from the folder at the third byte, as most folders do.
    {"NoMatch", "C:\\WINDOWS\\inf\\OEM"},
    // Removed whole: the output is empty.
    {"AllMatch", "C:\\Drivers\\ZavoUSB"},
    // The whole folder compares equal and only the byte after it differs.
    {"NearMatch", "C:\\Drivers\\ZavoUSB2"},
    // Bytes above 127, which are compared without case folding.
    {"HighBytes", "C:\\Drivers\\Zavo\xDC\xD3\xC2\xE4\xF6\xFC"},
}};

constexpr std::array<std::size_t, 3> kSizes = {400, 1000, 4000};

// A list that fills size bytes with its terminator; the last entry is cut
// where the size ends.
std::string MakeList(std::string_view entry, std::size_t size) {
  std::string list;
  while (list.size() < size - 1) {
    list += entry;
    list += ';';
  }
  list.resize(size - 1);
  return list;
}

// A byte loop that stops at the terminator, bounded like the filter. It is
// kept out of line, and the file is built with
// -fno-tree-loop-distribute-patterns, so that it stays a loop of byte copies
// rather than a call to strcpy or memcpy; the early exit keeps it from being
// vectorised.
[[gnu::noinline]] void CopyBytes(char* out, const char* in, std::size_t limit) {
  std::size_t k = 0;
  while (k < limit && in[k] != '\0') {
    out[k] = in[k];
    ++k;
  }
  out[k] = '\0';
}

void RunFilter(char* out, const char* in) {
  RemoveFolderFromPathList(PathListBuffer(out, kPathListSize), kFolder, in);
}

void RunCopy(char* out, const char* in) { CopyBytes(out, in, kPathListSize - 1); }

template <void (*Run)(char*, const char*)>
void Measure(benchmark::State& state, const std::string& list) {
  std::array<char, kPathListSize> newList{};
  for (auto _ : state) {
    Run(newList.data(), list.c_str());
    benchmark::DoNotOptimize(newList.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(list.size()));
}

}  // namespace

int main(int argc, char** argv) {
  // Built once, before any timing; the benchmarks only read them.
  static std::array<std::array<std::string, kSizes.size()>, kShapes.size()> lists;
  for (std::size_t shape = 0; shape < kShapes.size(); ++shape) {
    for (std::size_t size = 0; size < kSizes.size(); ++size) {
      lists[shape][size] = MakeList(kShapes[shape].entry, kSizes[size]);
      const std::string suffix =
          std::string("/") + kShapes[shape].name + "/" + std::to_string(kSizes[size]);
      benchmark::RegisterBenchmark(("Filter" + suffix).c_str(), Measure<RunFilter>,
                                   lists[shape][size]);
      benchmark::RegisterBenchmark(("Copy" + suffix).c_str(), Measure<RunCopy>, lists[shape][size]);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
