#!/usr/bin/env bash
# Makes the Windows Installer package from a build: the files `cmake --install` puts in bin/,
# listed by wixl-heat (all but the settings file, which setup.wxs treats apart), and setup.wxs.
#   make_setup.sh BUILD_DIR VERSION ARCH(x86|x64) ICON OUTPUT.msi
set -euo pipefail
build=$1 version=$2 arch=$3 icon=$4 output=$5
here=$(cd "$(dirname "$0")" && pwd)
work=$build/packaging/windows-setup
rm -rf "$work"
cmake --install "$build" --prefix "$work/stage" --strip >"$work.log"
stage=$work/stage/bin
win64=()
win64_var=no
[ "$arch" = x64 ] && win64=(--win64) && win64_var=yes
find "$stage" -type f ! -name KEZDataAggregator.ini | sort |
  wixl-heat --prefix "$stage/" --var var.Stage --directory-ref INSTALLDIR \
    --component-group ProgramFiles "${win64[@]}" >"$work/files.wxs"
# wixl finds sources by relative paths only.
cp "$icon" "$work/program.ico"
(cd "$work" && wixl -a "$arch" -D Version="$version" -D Stage=stage/bin -D Icon=program.ico -D Win64=$win64_var \
  -o "$output" "$here/setup.wxs" files.wxs)
# wixl has no NeverOverwrite or Permanent: the settings file's component gets them here, so that a
# new install never replaces the store's settings and an uninstall leaves them.
attributes=$(msiinfo export "$output" Component | awk -F'\t' '$1 == "SettingsFile" {print $4}')
[ -n "$attributes" ] || { echo "make_setup: no SettingsFile component" >&2; exit 1; }
msibuild "$output" -q "UPDATE \`Component\` SET \`Attributes\` = $((attributes | 16 | 128)) WHERE \`Component\` = 'SettingsFile'"
