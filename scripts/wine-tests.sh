#!/usr/bin/env bash
# Tests of the Windows build: the plug-in module's export and import tables,
# then the test programs under Wine on a virtual display of its own, in a
# fresh Wine prefix: vantoria-platform-check (the Win32 backend, also with
# SHFolder and mscms missing) and vantoria-host (the module as a host sees
# it, its editor driven with real clicks and keys over a photograph). One
# line per check ("wine ok ..."); the exit code is non-zero when any check
# failed.
#
#   bash scripts/wine-tests.sh <windows build folder>
set -uo pipefail

build=$(cd "${1:?usage: wine-tests.sh <windows build folder>}" && pwd) || exit 1
repo=$(cd "$(dirname "$0")/.." && pwd)
photos=${VANTORIA_PHOTOS:-$repo/build/photos}
module=$build/Vantoria.8bf
programs=(vantoria-platform-check.exe vantoria-host.exe)
# Each run: DLL overrides of its own (may be empty), then the command.
runs=(
    "|vantoria-platform-check.exe"
    "shfolder,mscms=d|vantoria-platform-check.exe --without-system-dlls"
    "|vantoria-host.exe"
)
objdump=x86_64-w64-mingw32-objdump
failures=0

ok() { echo "wine ok $*"; }
failed() { echo "wine FAILED $*"; failures=$((failures + 1)); }

for f in Vantoria.8bf "${programs[@]}"; do
    [[ -f $build/$f ]] || { failed "missing $build/$f"; exit 1; }
done

# ---- The module's tables ------------------------------------------------------------
exports=$($objdump -p "$module" |
    sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p')
if [[ $exports == PluginMain ]]; then
    ok "exports: PluginMain only"
else
    failed "exports: want PluginMain only, found $(wc -w <<<"$exports"): $(head -c 300 <<<"$exports" | tr '\n' ' ')"
fi

# Linked statically: a host needs no runtime DLLs beside the module.
imports=$($objdump -p "$module" | sed -n 's/^\s*DLL Name: //p' | sort -f | xargs)
foreign=$(tr ' ' '\n' <<<"$imports" | grep -viE '^(kernel32|user32|gdi32|comdlg32|shell32|advapi32|msvcrt|version|ole32|uxtheme|comctl32)\.dll$' | grep -v '^$')
if [[ -z $foreign ]]; then
    ok "imports: system DLLs only ($imports)"
else
    failed "imports: runtime DLLs needed: $foreign"
fi

# ---- Wine ----------------------------------------------------------------------------
work=$(mktemp -d "${TMPDIR:-/tmp}/vantoria-wine.XXXXXX")
xvfb_pid=
cleanup() {
    # Only our own prefix's server: another prefix may belong to someone else.
    [[ ${WINEPREFIX:-} == "$work/prefix" ]] && timeout 30 wineserver -k >/dev/null 2>&1
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The photograph the editor check opens, as a binary PPM beside the programs:
# the test host reads no other image format.
mkdir -p "$build/photos"
rm -f "$build/photos"/*.ppm
if convert "$photos/astronaut.png" -alpha off -depth 8 "ppm:$build/photos/astronaut.ppm" 2>"$work/convert.log"; then
    ok "photograph for the editor: $build/photos/astronaut.ppm ($(identify -format '%wx%h' "$build/photos/astronaut.ppm"))"
else
    failed "photograph for the editor: cannot convert $photos/astronaut.png (scripts/fetch-photos.sh fetches it): $(head -c 300 "$work/convert.log")"
fi

# A display of our own: Xvfb picks a free number and writes it when ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [[ -s $work/display ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
if [[ ! -s $work/display ]]; then
    failed "Xvfb did not start: $(tail -3 "$work/xvfb.log")"
    exit 1
fi
export DISPLAY=:$(head -1 "$work/display")

export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
# No installer prompts for .NET and the HTML engine, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

started=$SECONDS
if timeout -k 10 240 wineboot --init >"$work/wineboot.log" 2>&1 &&
    timeout -k 10 120 wineserver -w; then
    ok "wine prefix ready in $((SECONDS - started)) s ($(wine --version 2>/dev/null))"
    # The display has no window manager: Wine draws the frames and captions
    # itself, so the screenshots show the dialogs' titles.
    timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f \
        >>"$work/wineboot.log" 2>&1
else
    failed "wineboot: $(tail -5 "$work/wineboot.log")"
    exit 1
fi

# Screenshots and input: vantoria-host asks by writing a file into
# screenshots/ and waits for <name>.done, which says "ok" or what went wrong:
#   <name>.request  a window's geometry (WxH+X+Y): the watcher captures the
#                   display with xwd and crops it with ImageMagick into <name>.png;
#   <name>.picture  the program wrote <name>.bmp (a window's own pixels, where
#                   the display does not show them): converted into <name>.png;
#   <name>.input    xdotool arguments with screen coordinates ("mousemove 10 20
#                   click 1", "key Return", "keydown alt click 1 keyup alt"):
#                   real X events on the display, as a user gives them.
shots=$build/screenshots
mkdir -p "$shots"
rm -f "$shots"/*.request "$shots"/*.input "$shots"/*.picture "$shots"/*.bmp "$shots"/*.done \
    "$shots"/*.png
: >"$work/shots.log"
xdotool=$(command -v xdotool)
[[ -n $xdotool ]] || failed "xdotool missing: the dialogs get no real input (scripts/setup.sh test installs it)"
answer() { printf '%s\n' "$2" >"$shots/$1.tmp" && mv -f "$shots/$1.tmp" "$shots/$1.done"; }
(
    while true; do
        for request in "$shots"/*.request "$shots"/*.input "$shots"/*.picture; do
            [[ -e $request ]] || continue
            name=$(basename "${request%.*}")
            [[ -e $shots/$name.done ]] && continue
            # The host removes a request once it has read the answer: one
            # gone since the look above was answered already.
            line=$(tr -d '\r' 2>/dev/null <"$request" | head -1) || continue
            if [[ $request == *.request ]]; then
                if timeout 20 xwd -root -silent -display "$DISPLAY" |
                    convert xwd:- -crop "$line" +repage "$shots/$name.png" 2>>"$work/shots.log"; then
                    answer "$name" ok
                else
                    answer "$name" "screenshot failed: $(tail -1 "$work/shots.log")"
                fi
            elif [[ $request == *.picture ]]; then
                if convert "$shots/$name.bmp" -alpha off "$shots/$name.png" 2>>"$work/shots.log"; then
                    rm -f "$shots/$name.bmp"
                    answer "$name" ok
                else
                    answer "$name" "conversion failed: $(tail -1 "$work/shots.log")"
                fi
            elif [[ -z $xdotool ]]; then
                answer "$name" "xdotool missing"
            else
                read -r -a words <<<"$line"
                echo "input $name: xdotool ${words[*]}" >>"$work/input.log"
                if timeout 20 "$xdotool" "${words[@]}" >>"$work/input.log" 2>&1; then
                    answer "$name" ok
                else
                    answer "$name" "xdotool ${words[*]} failed: $(tail -1 "$work/input.log")"
                fi
            fi
        done
        sleep 0.1
    done
) &
watcher_pid=$!

# Each program writes "wine ok ..." lines itself, in text mode (CR LF).
for run in "${runs[@]}"; do
    read -r -a command <<<"${run#*|}"
    extra=${run%%|*}
    overrides=$WINEDLLOVERRIDES${extra:+;$extra}
    (cd "$build" && WINEDLLOVERRIDES=$overrides \
        timeout -k 10 300 wine "${command[@]}" >"$work/out.txt" 2>"$work/err.txt")
    status=$?
    tr -d '\r' <"$work/out.txt"
    if [[ $status -ne 0 ]]; then
        failed "${command[*]} exited with $status$( ((status == 124)) && echo ' (timed out)')"
        tail -20 "$work/err.txt"
    fi
done

kill "$watcher_pid" 2>/dev/null
wait "$watcher_pid" 2>/dev/null
for name in about alert question help editor-before editor-after editor-previous prefs setup \
    setup-preview editor-skin memory-face memory-face-skin memory-after; do
    png=$shots/$name.png
    if [[ -s $png ]]; then
        ok "screenshot $name: $png ($(identify -format '%wx%h' "$png" 2>/dev/null))"
    else
        failed "screenshot $name: no $png $(tail -2 "$work/shots.log" 2>/dev/null)"
    fi
done

# The setup dialog's preview shows the photograph: its pixels vary (a blank
# or a flat grey preview has a deviation of 0).
preview=$shots/setup-preview.png
deviation=$(convert "$preview" -alpha off -format '%[fx:standard_deviation]' info: 2>/dev/null)
if [[ -n $deviation ]] && awk -v d="$deviation" 'BEGIN { exit !(d > 0.02) }'; then
    ok "screenshot setup-preview: the setup dialog's preview varies (standard deviation $deviation)"
else
    failed "screenshot setup-preview: the setup dialog's preview is blank (standard deviation ${deviation:-unknown})"
fi

exit $((failures > 0))
