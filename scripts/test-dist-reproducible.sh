#!/bin/sh
# Proves `make dist` reproducible: links the program and draws and compiles its resources twice,
# seconds apart, packs each into its own folder and compares the zips byte for byte. The C++
# objects are shared (recompiling them twice would cost minutes); what a clock can reach is the
# link, the resources and the archive.
# Usage: test-dist-reproducible.sh WINDOWS_BUILD_FOLDER
set -eu
root=$(CDPATH= cd -- "$(dirname -- "$0")/.." && pwd)
build=$1
work=$(mktemp -d "$build/dist-test.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

for pass in 1 2; do
    rm -f "$build/OrvaneVarnolt.exe" "$build/resources/orvane_varnolt.ico"
    find "$build" -name 'orvane_varnolt.rc.res' -delete
    cmake --build "$build" --target OrvaneVarnolt >"$work/build-$pass.log" 2>&1 ||
        { cat "$work/build-$pass.log"; exit 1; }
    python3 "$root/scripts/dist.py" "$build/OrvaneVarnolt.exe" \
        "$build/generated/orvane_version.h" "$work/$pass" >/dev/null
    [ "$pass" = 1 ] && sleep 2  # past the resolution of the PE and zip time stamps
done

first=$(ls "$work"/1/*.zip)
second=$(ls "$work"/2/*.zip)
sha256sum "$first" "$second"
if ! cmp "$first" "$second"; then
    echo "FAIL: two packs of the same tree differ" >&2
    exit 1
fi
# The pack really holds the program that was just linked.
python3 -c 'import sys, zipfile
names = [n for n in zipfile.ZipFile(sys.argv[1]).namelist() if n.endswith("/OrvaneVarnolt.exe")]
sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(names[0]))' "$second" |
    cmp - "$build/OrvaneVarnolt.exe"
echo "identical: $(basename "$first")"
