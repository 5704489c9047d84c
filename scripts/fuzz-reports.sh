#!/bin/sh
# Fuzzes the report import for $1 seconds (default 60); new inputs collect in build/fuzz/corpus,
# crashes, leaks and slow inputs in build/fuzz/artifacts.
set -eu
seconds=${1:-60}
root=$(CDPATH= cd -- "$(dirname -- "$0")/.." && pwd)
cd "$root"

cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DORVANE_FUZZ=ON -DORVANE_SANITIZE=ON >/dev/null
cmake --build build/fuzz --target import_report_fuzzer
mkdir -p build/fuzz/corpus build/fuzz/artifacts

# One second per input at most; memory well below the machine's; inputs up to 64 KiB.
build/fuzz/fuzz/import_report_fuzzer build/fuzz/corpus fuzz/corpus/import_report \
    -dict=fuzz/import_report.dict -max_total_time="$seconds" -timeout=1 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/
