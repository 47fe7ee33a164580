#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each of them for the given
# number of seconds, one after the other (or all at once with -j), e.g.
#   bash fuzz/run_fuzzers.sh 1800            # both targets, 30 minutes each
#   bash fuzz/run_fuzzers.sh -j 1800         # both at once, one core each
#   bash fuzz/run_fuzzers.sh 20 fasta_reader # one target
# Each target starts from its seed corpus under fuzz/corpus/ and keeps what
# it learns in fuzz/work/<target>/corpus (not in the repository). Inputs that
# crash, hang or break a check land in fuzz/work/<target>/artifacts; the
# script then says so and exits non-zero. The number of executions of each
# target is in the last line of its log.
set -euo pipefail
cd "$(dirname "$0")/.."

parallel=0
if [ "${1:-}" = -j ]; then
  parallel=1
  shift
fi
seconds=${1:?usage: run_fuzzers.sh [-j] SECONDS [fasta_reader|whole_run ...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fasta_reader whole_run)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELKOR_FUZZ=ON -DVELKOR_TESTS=OFF >/dev/null
cmake --build build-fuzz --target fuzz_fasta_reader fuzz_whole_run >/dev/null

run_target() {
  local target=$1 work=fuzz/work/$1
  mkdir -p "$work/corpus" "$work/artifacts"
  # The whole run writes its banner and progress to standard error on every
  # execution; -close_fd_mask=2 silences that, the fuzzer's own reports stay.
  nice -n 10 "build-fuzz/fuzz/fuzz_$target" "$work/corpus" "fuzz/corpus/$target" \
    -max_total_time="$seconds" -timeout=120 -report_slow_units=60 -rss_limit_mb=4096 -max_len=8192 -print_final_stats=1 \
    -close_fd_mask=2 -artifact_prefix="$work/artifacts/" >"$work/log" 2>&1
}

status=0
pids=()
for target in "${targets[@]}"; do
  if [ $parallel = 1 ]; then
    run_target "$target" &
    pids+=($!)
  else
    run_target "$target" || status=1
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done

for target in "${targets[@]}"; do
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "fuzz/work/$target/log" | grep -o '[0-9]*$' || echo "?")
  echo "$target: $runs executions in ${seconds}s (log: fuzz/work/$target/log)"
  # Slow units are only noted; crashes, leaks, time-outs and memory blow-ups are findings.
  if ls "fuzz/work/$target/artifacts/"{crash,leak,timeout,oom}-* >/dev/null 2>&1; then
    echo "$target: findings in fuzz/work/$target/artifacts/"
    status=1
  fi
done
exit $status
