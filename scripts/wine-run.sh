#!/bin/sh
# CTest's emulator for the Windows build: runs one program in the project's Wine prefix.
. "$(dirname -- "$0")/wine-env.sh"
exec wine "$@"
