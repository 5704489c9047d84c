#!/bin/sh
# Installs the Debian packages the builds and tests need (and any named as arguments);
# silent when nothing is missing.
set -eu

packages="cmake ninja-build g++ make g++-mingw-w64-x86-64-posix mingw-w64-tools nlohmann-json3-dev
googletest libbenchmark-dev fio wine64 wine xvfb x11-apps imagemagick mono-mcs mono-runtime clang
libclang-rt-14-dev clang-format python3 ntfs-3g $*"

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done

[ -z "$missing" ] && exit 0

echo "Installing:$missing"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
