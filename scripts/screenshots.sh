#!/bin/sh
# Pictures of the main window for people to look at: the real program under Wine's X11 driver on
# a private Xvfb display, in a Wine prefix of its own (the test prefix stays headless), with a
# results folder of sample reports. PNGs at 96 and 144 DPI and in high contrast, during and after
# a run, with the box of reports that could not be loaded, and of the format dialog's preview
# (96 and 144 DPI, and with an invalid name), under build/screenshots/.
set -eu
root=$(CDPATH= cd -- "$(dirname -- "$0")/.." && pwd)
cd "$root"
. scripts/wine-env.sh
export WINEPREFIX="$root/build/wineprefix-screens"
out="$root/build/screenshots"
app="$out/app"
window_title="Orvane Varnolt - Storage for Local AI"
dialog_title="Orvane Varnolt - Format dialog preview (no disk changes)"
title=$window_title

for program in build/windows/OrvaneVarnolt.exe build/windows/app/OrvaneVarnoltPreview.exe; do
    [ -f "$program" ] || { echo "missing $program: run make test first" >&2; exit 1; }
done

# The program loads the results folder beside itself.
rm -rf "$app"
mkdir -p "$app/results"
cp build/windows/OrvaneVarnolt.exe build/windows/app/OrvaneVarnoltPreview.exe "$app/"
cp tests/support/reports/*.json "$app/results/"

if [ ! -f "$WINEPREFIX/.orvane-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    # Wine draws the frame itself: no window manager needed and a quicker start.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    touch "$WINEPREFIX/.orvane-ready"
fi

display=""
for n in 91 92 93 94 95 96 97 98 99; do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
        display=":$n"
        break
    fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
Xvfb "$display" -screen 0 1600x1300x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT INT TERM
export DISPLAY="$display"
sleep 1

set_dpi() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    wineserver -w
}

# Start a program, wait for its window, take the picture, end that program.
shoot() {
    name=$1
    shift
    (cd "$app" && exec wine "$@" >/dev/null 2>&1 </dev/null) &
    program=$!
    tries=0
    until xwininfo -root -tree 2>/dev/null | grep -q "\"$title\""; do
        tries=$((tries + 1))
        [ $tries -lt 100 ] || { echo "no window for $name" >&2; kill "$program"; return 1; }
        sleep 0.2
    done
    sleep "${SHOT_DELAY:-2}"  # let it paint, load the results folder and run
    import -window "$title" "$out/$name.png"
    kill "$program" 2>/dev/null || true
    wineserver -k >/dev/null 2>&1 || true
    wait "$program" 2>/dev/null || true
    echo "$out/$name.png"
}

# The main window with a box in front of it: the part of the screen the main window covers,
# taken once the box (its title given) is up.
shoot_with_box() {
    name=$1
    box=$2
    folder=$3
    shift 3
    (cd "$folder" && exec wine "$@" >/dev/null 2>&1 </dev/null) &
    program=$!
    tries=0
    until xwininfo -root -tree 2>/dev/null | grep -q "\"$box\""; do
        tries=$((tries + 1))
        [ $tries -lt 100 ] || { echo "no box for $name" >&2; kill "$program"; return 1; }
        sleep 0.2
    done
    sleep 1
    geometry=$(xwininfo -name "$title" | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /Width:/ { w = $NF } /Height:/ { h = $NF }
        END { printf "%dx%d+%d+%d", w, h, x, y }')
    import -window root -crop "$geometry" +repage "$out/$name.png"
    kill "$program" 2>/dev/null || true
    wineserver -k >/dev/null 2>&1 || true
    wait "$program" 2>/dev/null || true
    echo "$out/$name.png"
}

# A white-on-black system scheme, as Windows' high-contrast themes set it.
high_contrast_colors() {
    for entry in "Window 0 0 0" "WindowText 255 255 255" "ButtonFace 0 0 0" \
                 "ButtonText 255 255 255" "GrayText 0 255 0" "Hilight 26 235 255" \
                 "HilightText 0 0 0" "WindowFrame 255 255 255" "ButtonShadow 255 255 255"; do
        set -- $entry
        name=$1
        shift
        if [ "$mode" = on ]; then
            wine reg add 'HKCU\Control Panel\Colors' /v "$name" /d "$*" /f >/dev/null 2>&1
        else
            wine reg delete 'HKCU\Control Panel\Colors' /v "$name" /f >/dev/null 2>&1 || true
        fi
    done
    wineserver -w
}

# The program itself, then the same window with the sample reports in its comparison (the
# preview fills it at once) and in high contrast.
set_dpi 96
title=$dialog_title
shoot format-dialog-96dpi OrvaneVarnolt.exe --preview-format-dialog
shoot format-dialog-invalid-name-96dpi OrvaneVarnoltPreview.exe --format-dialog " -bad name"
title=$window_title
# A Quick run of a folder on the prefix's C: drive: held part-way, then run to its end (the save
# dialog that follows is declined, so the window shows the new row selected).
drive="$WINEPREFIX/drive_c/drive"
rm -rf "$drive" && mkdir -p "$drive"
SHOT_DELAY=4
shoot run-in-progress-96dpi OrvaneVarnoltPreview.exe --start-run 'C:\drive' --hold-part-way
rm -rf "$drive" && mkdir -p "$drive"
SHOT_DELAY=20
shoot run-finished-96dpi OrvaneVarnoltPreview.exe --start-run 'C:\drive'
rm -rf "$drive"
SHOT_DELAY=2
# The program itself with two reports it cannot load beside the good ones.
problems="$out/app-problems"
rm -rf "$problems"
mkdir -p "$problems/results"
cp build/windows/OrvaneVarnolt.exe "$problems/"
cp tests/support/reports/*.json "$problems/results/"
head -c 2097153 /dev/zero | tr '\0' ' ' >"$problems/results/too-large.json"
printf '{"schemaVersion": 1, "schemaVersion": 1}' >"$problems/results/duplicate-key.json"
shoot_with_box problem-box-96dpi "Some reports could not be loaded" "$problems" OrvaneVarnolt.exe
shoot main-window-96dpi OrvaneVarnolt.exe
shoot comparison-96dpi OrvaneVarnoltPreview.exe --with-results
mode=on high_contrast_colors
shoot comparison-high-contrast OrvaneVarnoltPreview.exe --with-results --high-contrast
mode=off high_contrast_colors
set_dpi 144
title=$dialog_title
shoot format-dialog-144dpi OrvaneVarnolt.exe --preview-format-dialog
title=$window_title
shoot main-window-144dpi OrvaneVarnolt.exe
shoot comparison-144dpi OrvaneVarnoltPreview.exe --with-results
set_dpi 96
