#!/usr/bin/env bash
# The options dialog of kestril.sph under Wine, on a virtual display of its own (Xvfb):
#   edit     every setting changed through the dialog, then read back with `reg query`;
#   refusal  a size that is not a number keeps the dialog open and stores nothing; on a
#            screen of 120 dpi, where the dialog grows by a quarter.
# Pictures of both pages are left in WORKDIR/out as PNG files.
#   run_wine_dialog.sh WINE64 HOST_EXE PLUGIN TEST_DATA_TOOL BMP_TO_PNG WORKDIR
# A missing wine64, Xvfb or Windows build skips (exit 77); under CI (CI=true) it fails.
set -uo pipefail
wine=$1 host=$2 plugin=$3 make_data=$4 to_png=$5 work=$6

missing() {
  if [ "${CI:-}" = true ]; then
    echo "FAIL: $1"
    exit 1
  fi
  echo "SKIP: $1"
  exit 77
}
[ -n "$wine" ] && [ -x "$wine" ] || missing "wine64 is not installed (scripts/setup.sh installs it)"
command -v Xvfb >/dev/null || missing "Xvfb is not installed (scripts/setup.sh installs xvfb)"
[ -f "$host" ] || missing "the dialog host was not built (is g++-mingw-w64-x86-64 installed?)"
[ -f "$plugin" ] || missing "kestril.sph was not built (is g++-mingw-w64-x86-64 installed?)"

rm -rf "$work/out"
mkdir -p "$work/out"
"$make_data" "$work/data" || exit 1

# A display of our own, numbered by the server so that parallel tests never collide.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start: $(cat "$work/xvfb.log")"; exit 1; }
export DISPLAY=":$(cat "$work/display")"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY
cleanup() {
  "$(dirname "$wine")/wineserver" -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
}
trap cleanup EXIT

winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }
key='HKCU\Software\Tovalin\Susie\Plug-in\Ferrand'
reg() { "$wine" reg "$@" >/dev/null 2>&1; }
host_run() { "$wine" "$host" "$1" "$(winpath "$plugin")" "$(winpath "$work/data")" "$(winpath "$work/out")"; }

status=0
# Every value as `reg query` shows it: NAME TYPE DATA.
expect_values() {
  local out line
  out=$("$wine" reg query "$key" 2>/dev/null | tr -d '\r')
  for line in "$@"; do
    set -- $line
    if echo "$out" | grep -Eq "^[[:space:]]+$1[[:space:]]+$2[[:space:]]+$3\$"; then
      echo "ok: reg query: $1 $2 $3"
    else
      echo "FAIL: reg query: wanted $1 $2 $3, got: $(echo "$out" | grep -E "[[:space:]]$1[[:space:]]")"
      status=1
    fi
  done
}

# No window manager here: Wine draws the frame and caption itself, in a caption font
# that borrows Japanese glyphs from an IPA font (Wine's own Tahoma has none).
reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f
reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
  /t REG_MULTI_SZ /d "ipagp.ttf,IPAPGothic" /f

dpi='HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'
reg add "$dpi" /v LogPixels /t REG_DWORD /d 96 /f
reg delete "$key" /f
host_run edit || status=1
expect_values "jwzWidth REG_DWORD 0x141" "jwwWidth REG_DWORD 0x3e8" \
  "PreviewHeight REG_DWORD 0x5a" "hoji REG_DWORD 0x1" "grey REG_DWORD 0x1" \
  "BmpSFst REG_DWORD 0x2" "BwColor REG_DWORD 0x0" "BwGrey REG_DWORD 0x0" "JwwVer REG_DWORD 0x0" \
  "PenColor00 REG_SZ 10053171" "PenColor01 REG_SZ 12632064" "PenColor02 REG_SZ 0" \
  "PenColor03 REG_SZ 1193046" "PenColor04 REG_SZ 49344" "PenColor05 REG_SZ 12583104" \
  "PenColor06 REG_SZ 16711680" "PenColor07 REG_SZ 32896" "PenColor08 REG_SZ 8388863" \
  "PenColor09 REG_SZ 16744703" "PenColor10 REG_SZ 12632256"

# The refusal on a screen of 120 dpi.
reg add "$dpi" /v LogPixels /t REG_DWORD /d 120 /f
reg delete "$key" /f
reg add "$key" /v jwwWidth /t REG_DWORD /d 900 /f &&
  reg add "$key" /v jwzWidth /t REG_DWORD /d 700 /f || { echo "FAIL: reg add"; exit 1; }
host_run refusal || status=1
expect_values "jwwWidth REG_DWORD 0x3e8" "jwzWidth REG_DWORD 0x320" "hoji REG_DWORD 0x1"

for page in page1 page2; do
  if [ -f "$work/out/dialog-$page.bmp" ]; then
    "$to_png" "$work/out/dialog-$page.bmp" "$work/out/dialog-$page.png" || status=1
    echo "picture: $work/out/dialog-$page.png"
  fi
done
exit $status
