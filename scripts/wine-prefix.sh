#!/bin/sh
# Creates the project's own Wine prefix once, headless, and keeps its server warm.
set -eu
. "$(dirname -- "$0")/wine-env.sh"

if [ ! -f "$WINEPREFIX/.orvane-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # Window tests run in-process without an X server through Wine's null graphics driver.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -k || true
    wineserver -w
    touch "$WINEPREFIX/.orvane-ready"
fi
# A warm server makes each test process start in tens of milliseconds. Wine's helper processes
# inherit the output of whoever starts them first: start them here, away from any pipe, or a test
# runner reading a test's output through a pipe waits for them forever.
wineserver -p >/dev/null 2>&1 </dev/null || true
wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
