#!/usr/bin/env bash
# The Windows Installer package under wine, in a wine prefix of its own: a quiet install for the
# user puts the programs, their default files, and the Start-menu and Startup entries in place and
# keeps a settings file that is already there; kezagg.exe and the tray program run from the
# installed folder (a first start over a sample store shows the settings window and no message
# box (window titles read with xdotool), and logs); an uninstall takes away what the package put there and leaves the log and the
# settings file.
#   windows_setup_test.sh PACKAGE.msi
set -euo pipefail
msi=$(realpath "${1:?usage: windows_setup_test.sh PACKAGE.msi}")
[ -f "$msi" ] || { echo "FAIL: no $msi: build the windows_setup target first" >&2; exit 1; }
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

wineboot -i >/dev/null 2>&1
wineserver -w
user_dir=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n1)
dir="$user_dir/AppData/Local/Programs/KEZ Data Aggregator"
# A settings file from an earlier install, with the store's own values.
mkdir -p "$dir"
printf '[Log]\r\nSaveLog=Y\r\n\r\n[Backup Directory]\r\nStore Number=00042\r\n' >"$dir/KEZDataAggregator.ini"
cp "$dir/KEZDataAggregator.ini" "$work/settings-before"

wine msiexec /i "$(winepath -w "$msi")" /qn
wineserver -w
for file in kezagg.exe kez-data-aggregator.exe KEZBTERR.MSG Qt6Core.dll Qt6Widgets.dll \
  platforms/qwindows.dll styles/qwindowsvistastyle.dll libstdc++-6.dll THIRD-PARTY.txt \
  LGPL-3.txt; do
  [ -f "$dir/$file" ] || fail "the install lacks $file"
done
cmp -s "$dir/KEZDataAggregator.ini" "$work/settings-before" || fail "the install replaced the settings file"
menu="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
startup=$(find "$menu" -maxdepth 1 -iname startup)  # wine spells it StartUp
[ -f "$menu/KEZ Data Aggregator.lnk" ] || fail "no Start-menu entry"
[ -f "$startup/KEZ Data Aggregator.lnk" ] || fail "no Startup entry"

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
  # Windows on screen only: the tray's own window is hidden and carries the application title.
  shown() { xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
  shown "Marketing Portal" || fail "no settings window"
  for title in "Error" "KEZ Marketing Portal" "KEZ Data Aggregator" "KEZ DBSM System"; do
    if shown "$title"; then fail "a message box came up: $title"; fi
  done
fi
wineserver -k
sleep 1

wine msiexec /x "$(winepath -w "$msi")" /qn
wineserver -w
for file in kezagg.exe kez-data-aggregator.exe Qt6Core.dll platforms KEZBTERR.MSG; do
  [ ! -e "$dir/$file" ] || fail "the uninstall left $file"
done
[ -f "$dir/KEZDataAggregator.log" ] || fail "the uninstall took the log"
cmp -s "$dir/KEZDataAggregator.ini" "$work/settings-before" || fail "the uninstall took the settings file"
[ ! -e "$menu/KEZ Data Aggregator.lnk" ] || fail "the Start-menu entry stayed"
[ ! -e "$startup/KEZ Data Aggregator.lnk" ] || fail "the Startup entry stayed"
echo "windows setup: ok ($(du -h "$msi" | cut -f 1))"
