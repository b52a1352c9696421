#!/usr/bin/env bash
# Builds the path list benchmarks and prints, for each list shape and size,
# the filter's time, the plain copy's time and their ratio (medians of
# several repetitions). Extra arguments go to the benchmark program.
set -euo pipefail

cd "$(dirname "$0")/.."

cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null

json=$(mktemp)
trap 'rm -f "$json"' EXIT
build/bench/tests/bench/path_list_bench --benchmark_repetitions=9 \
  --benchmark_report_aggregates_only=true --benchmark_format=json "$@" >"$json"

python3 - "$json" <<'PY'
import json, sys

times = {}
for run in json.load(open(sys.argv[1]))["benchmarks"]:
    if run.get("aggregate_name") != "median":
        continue
    kind, shape, size = run["run_name"].split("/")
    times[(kind, shape, int(size))] = run["cpu_time"]  # ns, steadier than wall time on a busy machine

print(f"{'shape':<10} {'bytes':>5} {'filter ns':>10} {'copy ns':>9} {'ratio':>6} "
      f"{'filter ns/B':>11}")
worst = 0.0
for shape in dict.fromkeys(s for _, s, _ in times):
    for size in sorted({z for k, s, z in times if s == shape}):
        f, c = times[("Filter", shape, size)], times[("Copy", shape, size)]
        worst = max(worst, f / c)
        print(f"{shape:<10} {size:>5} {f:>10.1f} {c:>9.1f} {f / c:>6.2f} {f / (size - 1):>11.3f}")
print(f"worst filter/copy ratio: {worst:.2f} (target: 5 or less)")
PY
