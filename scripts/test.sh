#!/bin/sh
# Builds both programs and runs every test; ends with CTest's summary of each build.
set -u
root=$(CDPATH= cd -- "$(dirname -- "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)

set -e
cmake -S . -B build/linux -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_SANITIZE=ON >/dev/null
cmake --build build/linux -j "$jobs"
scripts/wine-prefix.sh
cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build/windows -j "$jobs"
set +e

status=0
echo "== Linux build (AddressSanitizer, UndefinedBehaviorSanitizer) =="
(cd build/linux && ctest --output-on-failure -j "$jobs") || status=1
echo "== Windows build under Wine =="
# Under load Wine now and then fails to start a test process at all (no output, a fraction of a
# second); a test counts as failed when it fails twice.
(cd build/windows && ctest --output-on-failure -j "$jobs" --repeat until-pass:2) || status=1
exit $status
