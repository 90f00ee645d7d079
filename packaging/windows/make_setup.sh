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
[ "$arch" = x64 ] && win64=(--win64)
(cd "$stage" && find . -type f ! -name KEZDataAggregator.ini | sed 's|^\./||' | sort) |
  wixl-heat --var var.Stage --directory-ref INSTALLDIR --component-group ProgramFiles \
    "${win64[@]}" >"$work/files.wxs"
wixl -a "$arch" -D Version="$version" -D Stage="$stage" -D Icon="$icon" -o "$output" \
  "$here/setup.wxs" "$work/files.wxs"
