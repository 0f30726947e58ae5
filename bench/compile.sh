#!/usr/bin/env bash
# Measures whole processes of ordane-cli on the maximal project against the program's own
# start-up floor, all in one run: `compile`, `eds`, `--help`, /bin/true and the parse floor
# (ordane_parse_floor: start-up and parsing the project's XML, nothing else) run in turn,
# RUNS rounds (default 40). Prints the fastest and median wall-clock time of each, the
# ratios of the fastest times against the goals (compile and eds <= 1.5 x --help, --help
# <= 3 x /bin/true: the fastest run is the one least disturbed by other work on the
# machine) and the parse floor's ratio, the peak memory of compile and eds (from
# /usr/bin/time -v) against their goal (16 MB), then, where valgrind is installed, the
# instructions each executes (callgrind: not disturbed by a busy machine), and the
# in-process benchmarks of ordane_bench. Exits 1 when a goal is missed.
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${ORDANE_CLI:-build/dev/bin/ordane-cli}"
bench="${ORDANE_BENCH:-build/dev/bin/ordane_bench}"
floor="${ORDANE_PARSE_FLOOR:-build/dev/bin/ordane_parse_floor}"
if [ -z "${ORDANE_CLI:-}" ]; then
  scripts/deps.sh
  cmake --preset dev >/dev/null
  cmake --build build/dev --target ordane-cli ordane_bench ordane_parse_floor >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" --write-project "$work/Maximal" >/dev/null
"$cli" compile "$work/Maximal"
runs=${RUNS:-40}

status=0
# Each process is started directly, no shell between, so the cost of starting it is the
# same for all four.
python3 - "$cli" "$work" "$runs" "$floor" <<'PY' || status=1
import os, statistics, sys, time
cli, work, runs, floor = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
project = os.path.join(work, "Maximal")
commands = {
    "compile": [cli, "compile", project],
    "eds": [cli, "eds", project, os.path.join(work, "Maximal.eds")],
    "--help": [cli, "--help"],
    "/bin/true": ["/bin/true"],
}
# Start-up and parsing the project's XML, nothing else: what no compile or eds can go below.
if os.access(floor, os.X_OK):
    commands["parse floor"] = [floor, project]
null = os.open(os.devnull, os.O_WRONLY)
actions = [(os.POSIX_SPAWN_DUP2, null, 1)]
times = {name: [] for name in commands}
for _ in range(runs):
    for name, argv in commands.items():
        start = time.perf_counter_ns()
        pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=actions)
        _, code = os.waitpid(pid, 0)
        took = time.perf_counter_ns() - start
        if code != 0:
            sys.exit(f"{' '.join(argv)} failed with status {code}")
        times[name].append(took / 1e6)
best = {name: min(t) for name, t in times.items()}
print(f"wall-clock time, {runs} rounds of the {len(commands)} in turn:")
for name, t in times.items():
    label = f"ordane-cli {name}" if name in ("compile", "eds", "--help") else name
    print(f"  {label:<19} fastest {min(t):7.2f} ms, median {statistics.median(t):7.2f} ms")
missed = 0
def goal(text, value, limit, unit=""):
    global missed
    met = value <= limit
    missed += not met
    print(f"  {text:<34} {value:8.2f}{unit} (goal <= {limit}{unit}) {'met' if met else 'MISSED'}")
print("ratios of the fastest times:")
goal("compile / --help", best["compile"] / best["--help"], 1.5)
goal("eds / --help", best["eds"] / best["--help"], 1.5)
goal("--help / /bin/true", best["--help"] / best["/bin/true"], 3)
if "parse floor" in best:
    print(f"  {'parse floor / --help':<34} {best['parse floor'] / best['--help']:8.2f} "
          "(start-up and XML parsing alone)")
sys.exit(1 if missed else 0)
PY
echo "peak memory (maximum resident set size, /usr/bin/time -v):"
for command in compile eds; do
  args=("$work/Maximal")
  [ "$command" = compile ] || args+=("$work/Maximal.eds")
  /usr/bin/time -v -o "$work/time.txt" "$cli" "$command" "${args[@]}"
  awk -F': ' -v c="$command" '/Maximum resident set size/ {
    printf "  %-8s %8d KiB (goal <= 16384 KiB) %s\n", c, $2, $2 <= 16384 ? "met" : "MISSED"
    exit $2 > 16384 }' "$work/time.txt" || status=1
done
ls -l "$work/Maximal/bin" | awk 'NR > 1 { printf "  %s %d bytes\n", $9, $5 }'

if command -v valgrind >/dev/null; then
  echo "instructions executed (valgrind --tool=callgrind), one run each:"
  count() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
      awk '/Collected/ { print $NF }'
  }
  true_count=$(count /bin/true)
  help_count=$(count "$cli" --help)
  compile_count=$(count "$cli" compile "$work/Maximal")
  eds_count=$(count "$cli" eds "$work/Maximal" "$work/Maximal.eds")
  awk -v t="$true_count" -v h="$help_count" -v c="$compile_count" -v e="$eds_count" 'BEGIN {
    printf "  /bin/true %12d\n  --help    %12d  (%.1f x /bin/true)\n", t, h, h / t
    printf "  compile   %12d  (%.1f x --help)\n  eds       %12d  (%.1f x --help)\n", c, c / h, e, e / h
  }'
fi

if [ -z "${ORDANE_CLI:-}" ]; then
  echo
  "$bench" --benchmark_min_time=0.5
fi
exit "$status"
