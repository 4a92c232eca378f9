#!/usr/bin/env bash
# Builds the fuzz drivers with clang's libFuzzer (and the address and
# undefined-behaviour checks) in build-fuzz/, then runs each for the given
# number of seconds (default 120), starting from its seed corpus. Findings
# land in build-fuzz/findings/<driver>/; the corpus grown by a run in
# build-fuzz/corpus/<driver>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-120}"
if ! command -v clang++ >/dev/null; then
  echo "clang is not installed (apt-get install clang); the seed corpora still run as tests." >&2
  exit 1
fi
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQC_FUZZ=ON -DQC_BUILD_BENCH=OFF >/dev/null
drivers=(document projectfile templatepackage helpfile)
# The help-file driver unpacks through the helper program, as the import
# does, so that faults inside libchm stay in the child process.
cmake --build build-fuzz --parallel "$(nproc)" --target "${drivers[@]/#/fuzz_}" qc_chmunpack
for driver in "${drivers[@]}"; do
  mkdir -p "build-fuzz/corpus/$driver" "build-fuzz/findings/$driver"
  seeds="tests/fuzz/corpus/$driver"
  [ "$driver" = helpfile ] && seeds="tests/fuzz/chm_seeds"
  echo "== fuzz_$driver for ${seconds}s"
  ASAN_OPTIONS=detect_leaks=0 QC_CHM_FUZZ_HELPER=1 "build-fuzz/bin/fuzz_$driver" -max_total_time="$seconds" -rss_limit_mb=4096 \
    -timeout=30 -artifact_prefix="build-fuzz/findings/$driver/" \
    "build-fuzz/corpus/$driver" "$seeds" 2>&1 | tail -n 12
done
