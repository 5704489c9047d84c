#!/bin/sh
# Quick benchmark of one folder with the Linux program, then the comparison of every report so far.
set -u
root=$(CDPATH= cd -- "$(dirname -- "$0")/.." && pwd)
folder=${1:-$root/build/run-target}
cd "$root"

cmake -S . -B build/linux -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_SANITIZE=ON >/dev/null || exit 1
cmake --build build/linux --target orvane-varnolt orvane-varnolt-compare >/dev/null || exit 1

mkdir -p "$folder" build/reports
name=build/reports/run-$(date -u +%Y%m%d-%H%M%S)
report=$name.json
n=1
while [ -e "$report" ]; do report=$name-$n.json; n=$((n + 1)); done

echo "Benchmarking $folder (256 MiB, 3 s random phases, 64 small files)..."
build/linux/orvane-varnolt --benchmark "$folder" --report "$report" --size-mib 256 --seconds 3 --files 64
code=$?
case $code in
    0) echo "Completed: report $report" ;;
    2) echo "The run did not complete; its report says why: $report" ;;
    *) echo "No report: the folder or options were refused (exit code $code)."; exit $code ;;
esac
echo
build/linux/orvane-varnolt-compare build/reports
