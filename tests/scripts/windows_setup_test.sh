#!/usr/bin/env bash
# The Windows setup program under wine, in a wine prefix of its own: a silent install for the
# user puts the programs, their default files, the Start-menu and Startup entries and the
# uninstall entry in place; kezagg.exe and the tray program run from the installed folder (a
# first start over a sample store shows the settings window and no message box, and logs); an
# uninstall while the tray program runs changes nothing; one after it has ended takes away what
# the setup put there and leaves the log and the settings file.
#   windows_setup_test.sh SETUP_EXE
set -euo pipefail
setup=$(realpath "${1:?usage: windows_setup_test.sh SETUP_EXE}")
[ -f "$setup" ] || { echo "FAIL: no $setup: build the windows_setup target first" >&2; exit 1; }
work=$(mktemp -d)
export WINEPREFIX=$work/wine WINEDEBUG=-all
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

wine "$setup" /S
wineserver -w
user_dir=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n1)
dir="$user_dir/AppData/Local/Programs/KEZ Data Aggregator"
for file in kezagg.exe kez-data-aggregator.exe KEZBTERR.MSG KEZDataAggregator.ini uninstall.exe \
  Qt6Core.dll Qt6Widgets.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll \
  libstdc++-6.dll THIRD-PARTY.txt LGPL-3.txt; do
  [ -f "$dir/$file" ] || fail "the install lacks $file"
done
menu="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
[ -f "$menu/KEZ Data Aggregator.lnk" ] || fail "no Start-menu entry"
[ -f "$menu/Startup/KEZ Data Aggregator.lnk" ] || fail "no Startup entry"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KEZ Data Aggregator'
wine reg query "$key" /v UninstallString >/dev/null 2>&1 || fail "no uninstall entry"

# kezagg from the installed folder keeps its files there (the folder is the user's own).
version=$(wine "$dir/kezagg.exe" --version | tr -d '\r')
echo "$version"
grep -q '^kezagg [0-9]' <<<"$version" || fail "no version line"
grep -q "(the program's own folder)" <<<"$version" || fail "not the program's own folder"

# The tray program's first start, over a sample store that kezagg.exe makes.
wine "$dir/kezagg.exe" sample --scale tiny --out 'C:\store' >/dev/null
wine reg add 'HKCU\Software\VB and VBA Program Settings\KEZ Settings\DATABASE' /v DATAPATH \
  /d 'C:\store' /f >/dev/null
platform=offscreen
[ -n "${DISPLAY:-}" ] && platform=windows
QT_QPA_PLATFORM=$platform wine "$dir/kez-data-aggregator.exe" >"$work/tray.log" 2>&1 &
for _ in $(seq 60); do
  grep -q 'Record engine:' "$dir/KEZDataAggregator.log" 2>/dev/null && break
  sleep 0.5
done
grep -q 'Record engine:' "$dir/KEZDataAggregator.log" 2>/dev/null ||
  fail "the tray program wrote no log: $(cat "$work/tray.log")"
if [ "$platform" = windows ]; then
  sleep 2
  windows=$(xwininfo -root -tree | grep -o '"[^"]*"' || true)
  grep -qx '"Marketing Portal"' <<<"$windows" || fail "no settings window: $windows"
  for title in '"Error"' '"KEZ Marketing Portal"' '"KEZ Data Aggregator"' '"KEZ DBSM System"'; do
    grep -qx "$title" <<<"$windows" && fail "a message box came up: $title"
  done
fi

# Uninstalling while the program runs gives up (a silent run does not wait for the user).
wine "$dir/uninstall.exe" /S _?="$(winepath -w "$dir")" || true
[ -f "$dir/kez-data-aggregator.exe" ] || fail "uninstall removed files of a running program"

wineserver -k
sleep 1
wine "$dir/uninstall.exe" /S
wineserver -w
for file in kezagg.exe kez-data-aggregator.exe Qt6Core.dll platforms uninstall.exe KEZBTERR.MSG; do
  [ ! -e "$dir/$file" ] || fail "uninstall left $file"
done
[ -f "$dir/KEZDataAggregator.log" ] || fail "uninstall took the log"
[ -f "$dir/KEZDataAggregator.ini" ] || fail "uninstall took the settings file"
[ ! -e "$menu/KEZ Data Aggregator.lnk" ] || fail "the Start-menu entry stayed"
[ ! -e "$menu/Startup/KEZ Data Aggregator.lnk" ] || fail "the Startup entry stayed"
if wine reg query "$key" >/dev/null 2>&1; then fail "the uninstall entry stayed"; fi
echo "windows setup: ok ($(du -h "$setup" | cut -f 1))"
