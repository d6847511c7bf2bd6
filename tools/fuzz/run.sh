#!/usr/bin/env bash
# tools/fuzz/run.sh SECONDS [TARGET...]
# Builds the fuzz targets (clang-14, libFuzzer + AddressSanitizer + UBSan) in
# build-fuzz, writes their seed corpora from the sample generator and runs each
# target (or the ones named) for SECONDS. Ends non-zero when any target finds a
# crash, a leak, a hang or undefined behaviour; the input is kept in
# build-fuzz/fuzz-findings/.
set -uo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-60}
shift || true
build=${QM_FUZZ_BUILD:-build-fuzz}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DQM_CORE_ONLY=ON -DQM_FUZZ=ON >/dev/null || exit 2
cmake --build "$build" --target quillmere_fuzz || exit 2

seeds="$build/fuzz-seeds"
rm -rf "$seeds"
"$build/bin/quillmere-fuzz-seeds" "$seeds" || exit 2
mkdir -p "$build/fuzz-findings"

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for t in "$build"/bin/fuzz_*; do targets+=("$(basename "$t")"); done
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for name in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$name"
  mkdir -p "$corpus" "$seeds/$name"
  echo "== $name: ${seconds}s"
  "$build/bin/$name" "$corpus" "$seeds/$name" \
    -seed="${QM_FUZZ_SEED:-1}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz-findings/$name-" \
    >"$build/fuzz-findings/$name.log" 2>&1
  rc=$?
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$build/fuzz-findings/$name.log" || true
  if [ $rc -ne 0 ]; then
    echo "!! $name found a fault (exit $rc); see $build/fuzz-findings/$name.log"
    tail -n 40 "$build/fuzz-findings/$name.log"
    status=1
  fi
done
exit $status
