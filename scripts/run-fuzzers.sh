#!/usr/bin/env bash
# run-fuzzers.sh BUILD_DIR SECONDS — runs every libFuzzer target of the host build briefly.
set -e
build=$1
seconds=${2:-5}
shopt -s nullglob
targets=("$build"/fuzz/fuzz_*)
for t in "${targets[@]}"; do
  [ -x "$t" ] || continue
  name=$(basename "$t")
  corpus="$build/fuzz-corpus/$name"
  mkdir -p "$corpus"
  echo "fuzzing $name for ${seconds}s"
  "$t" -max_total_time="$seconds" -print_final_stats=0 "$corpus" >"$build/fuzz-corpus/$name.log" 2>&1 ||
    { tail -n 40 "$build/fuzz-corpus/$name.log"; exit 1; }
done
echo "${#targets[@]} fuzz targets ran"
