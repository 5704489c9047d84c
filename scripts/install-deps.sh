#!/bin/sh
# Installs the Debian packages the builds and tests need (and any named as arguments) and
# PowerShell; silent when nothing is missing.
set -eu

packages="cmake ninja-build g++ make g++-mingw-w64-x86-64-posix mingw-w64-tools nlohmann-json3-dev
googletest libbenchmark-dev fio wine64 wine xvfb x11-apps imagemagick mono-mcs mono-runtime clang
libclang-rt-14-dev clang-format python3 ntfs-3g fuse3 libfuse3-dev pkg-config dosfstools $*"

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done

if [ -n "$missing" ]; then
    echo "Installing:$missing"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    # shellcheck disable=SC2086
    $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# PowerShell parses and runs the format script's checks; a .NET global tool in ~/.dotnet/tools.
# Pinned: the newest version on the feed does not install.
pwsh_version=7.6.10
pwsh="$HOME/.dotnet/tools/pwsh"
export DOTNET_CLI_TELEMETRY_OPTOUT=1 DOTNET_NOLOGO=1 DOTNET_SKIP_FIRST_TIME_EXPERIENCE=1
if [ ! -x "$pwsh" ] || [ ! -d "$HOME/.dotnet/tools/.store/powershell/$pwsh_version" ]; then
    echo "Installing PowerShell $pwsh_version (dotnet global tool)"
    if ! command -v dotnet >/dev/null 2>&1; then
        echo "error: PowerShell is required by the tests and needs the .NET SDK (dotnet), which is missing" >&2
        exit 1
    fi
    dotnet tool uninstall --global PowerShell >/dev/null 2>&1 || true
    if ! dotnet tool install --global PowerShell --version "$pwsh_version" >/dev/null; then
        echo "error: PowerShell $pwsh_version could not be installed; the format script tests need it" >&2
        exit 1
    fi
fi
