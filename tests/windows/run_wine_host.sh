#!/usr/bin/env bash
# Runs one phase of the Wine host against kestril.sph in a Wine prefix of its own.
#   run_wine_host.sh PHASE WINE64 HOST_EXE PLUGIN TEST_DATA_TOOL DRAWINGS WORKDIR
# Phases: frame (the exports), settings (the registry around load and unload),
# sizes (zero, negative and huge sizes from the registry), pictures (fixtures and real
# drawings rendered by GDI, kept as BMP files in WORKDIR/out for the native comparison).
# A missing wine64 or Windows build skips (exit 77); under CI (CI=true) it fails.
set -uo pipefail
phase=$1 wine=$2 host=$3 plugin=$4 make_data=$5 drawings=$6 work=$7

. "$(dirname "$0")/wine_common.sh"
require_wine "$wine" "$host" "$plugin"

mkdir -p "$work/out"
"$make_data" "$work/data" || exit 1

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# Wine maps the whole file system to drive Z:.
winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }
key='HKCU\Software\Tovalin\Susie\Plug-in\Ferrand'
reg() { "$wine" reg "$@" >/dev/null 2>&1; }
host_run() {
  "$wine" "$host" "$1" "$(winpath "$plugin")" "$(winpath "$work/data")" "$(winpath "$drawings")" \
    "$(winpath "$work/out")"
}

# Drawings ask for the Japanese faces of Windows; let GDI find the IPA fonts under those
# names, as the native canvas does. Written as a UTF-16 .reg file: the names are not ASCII.
fonts_reg="$work/font-substitutes.reg"
{
  printf '\xff\xfe'
  sed 's/$/\r/' <<'REG' | iconv -f UTF-8 -t UTF-16LE
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"ＭＳ ゴシック"="IPAGothic"
"ＭＳゴシック"="IPAGothic"
"MS Gothic"="IPAGothic"
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳＰゴシック"="IPAPGothic"
"MS PGothic"="IPAPGothic"
"MS UI Gothic"="IPAPGothic"
"ＭＳ 明朝"="IPAMincho"
"ＭＳ明朝"="IPAMincho"
"MS Mincho"="IPAMincho"
"ＭＳ Ｐ明朝"="IPAPMincho"
"ＭＳＰ明朝"="IPAPMincho"
"MS PMincho"="IPAPMincho"
REG
} >"$fonts_reg"
"$wine" regedit /S "$(winpath "$fonts_reg")" >/dev/null 2>&1 || { echo "FAIL: font substitutes"; exit 1; }

status=0
case $phase in
  frame)
    reg delete "$key" /f
    host_run frame || status=1
    ;;
  settings)
    reg delete "$key" /f
    reg add "$key" /v jwwWidth /t REG_SZ /d 1000 /f &&
      reg add "$key" /v jwzWidth /t REG_DWORD /d 3 /f &&
      reg add "$key" /v PreviewHeight /t REG_DWORD /d 3 /f &&
      reg add "$key" /v hoji /t REG_DWORD /d 5 /f &&
      reg add "$key" /v PenColor00 /t REG_SZ /d '$123456' /f &&
      reg add "$key" /v PenColor03 /t REG_SZ /d abc /f &&
      reg add "$key" /v PenColor04 /t REG_SZ /d '$FF' /f || { echo "FAIL: reg add"; exit 1; }
    host_run settings || status=1
    # And from outside, as a user would look: the colours are strings now.
    out=$("$wine" reg query "$key" /v PenColor10 2>/dev/null | tr -d '\r')
    if echo "$out" | grep -Eq 'PenColor10[[:space:]]+REG_SZ[[:space:]]+12632256'; then
      echo "ok: reg query shows PenColor10 as the string 12632256"
    else
      echo "FAIL: reg query PenColor10 gave: $out"
      status=1
    fi
    ;;
  pictures)
    reg delete "$key" /f
    host_run pictures || status=1
    ;;
  sizes)
    # jwwWidth and PreviewHeight: 0 and 0; -800 and -1; 100000 and the largest int32.
    for values in "zero 0 0" "negative 0xfffffce0 0xffffffff" "huge 100000 0x7fffffff"; do
      set -- $values
      reg delete "$key" /f
      reg add "$key" /v jwwWidth /t REG_DWORD /d "$2" /f &&
        reg add "$key" /v PreviewHeight /t REG_DWORD /d "$3" /f || { echo "FAIL: reg add"; exit 1; }
      host_run "sizes-$1" || status=1
    done
    ;;
  *)
    echo "unknown phase $phase"
    exit 2
    ;;
esac
exit $status
