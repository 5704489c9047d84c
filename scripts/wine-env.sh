# Sourced: the settings every Wine start of this project uses.
ORVANE_ROOT=$(CDPATH= cd -- "$(dirname -- "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$ORVANE_ROOT/build/wineprefix}"
export WINEDEBUG=-all
# No crash debugger (a crash must end with a non-zero code at once), no Mono or Gecko installers.
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree,mshtml="
export WINEARCH=win64
