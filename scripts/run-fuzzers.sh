#!/usr/bin/env bash
# run-fuzzers.sh BUILD_DIR SECONDS — runs every libFuzzer target of the host build briefly, each
# seeded from the test data of what it parses. No fuzzer built is a failure, not a pass.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
seconds=${2:-5}

# The test data each fuzzer starts from (read-only seed folders beside its growing corpus): the
# store's test files, and the seeds the build makes from real device traffic (sim/fuzz).
seeds_of() {
  case "$1" in
    fuzz_xml_reader) echo "$root/middleware/store/tests/data" ;;
  esac
  [ -d "$build/fuzz-seeds/$1" ] && echo "$build/fuzz-seeds/$1"
  return 0
}

shopt -s nullglob
targets=()
for t in "$build"/fuzz/fuzz_*; do [ -x "$t" ] && targets+=("$t"); done
if [ ${#targets[@]} -eq 0 ]; then
  echo "run-fuzzers.sh: no fuzz targets in $build/fuzz (build the host preset with clang first)" >&2
  exit 1
fi
for t in "${targets[@]}"; do
  name=$(basename "$t")
  corpus="$build/fuzz-corpus/$name"
  mkdir -p "$corpus"
  seeds=$(seeds_of "$name" | tr '\n' ' ')
  # A fuzzer that starts from nothing spends its time finding the format instead of the faults.
  # shellcheck disable=SC2086  # the seed folders, one word each
  if [ -z "$(ls -A "$corpus")" ] && { [ -z "$seeds" ] || [ -z "$(find $seeds -type f)" ]; }; then
    echo "run-fuzzers.sh: $name has no seeds (no corpus in $corpus, no seed folder)" >&2
    exit 1
  fi
  echo "fuzzing $name for ${seconds}s${seeds:+ from ${seeds% }}"
  # shellcheck disable=SC2086  # no seeds: no argument
  "$t" -max_total_time="$seconds" -print_final_stats=0 "$corpus" $seeds >"$build/fuzz-corpus/$name.log" 2>&1 ||
    { tail -n 40 "$build/fuzz-corpus/$name.log"; exit 1; }
done
echo "${#targets[@]} fuzz targets ran"
