#!/bin/sh
# Quick benchmark of one folder with the Linux program, then the comparison of every report so far.
set -u
root=$(CDPATH= cd -- "$(dirname -- "$0")/.." && pwd)
folder=${1:-$root/build/run-target}
cd "$root"

# Measures as shipped: a Release build without sanitizers, as `make bench` does.
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_SANITIZE=OFF >/dev/null || exit 1
cmake --build build/release --target orvane-varnolt orvane-varnolt-compare >/dev/null || exit 1

mkdir -p "$folder" build/reports
name=build/reports/run-$(date -u +%Y%m%d-%H%M%S)
report=$name.json
n=1
while [ -e "$report" ]; do report=$name-$n.json; n=$((n + 1)); done

echo "Benchmarking $folder (256 MiB, 3 s random phases, 64 small files)..."
build/release/orvane-varnolt --benchmark "$folder" --report "$report" --size-mib 256 --seconds 3 --files 64
code=$?
case $code in
    0) echo "Completed: report $report" ;;
    2) echo "The run did not complete; its report says why: $report" ;;
    *) echo "No report: the folder or options were refused (exit code $code)."; exit $code ;;
esac
echo
build/release/orvane-varnolt-compare build/reports
