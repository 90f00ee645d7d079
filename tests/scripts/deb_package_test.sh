#!/usr/bin/env bash
# The Debian package made from a build folder: its name and declared dependencies, where each
# file lands, and the installed kezagg run from a throwaway root, giving a new user a program
# folder of their own with the packaged default files.
#   deb_package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: deb_package_test.sh BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# gzip at its fastest: the sanitizer builds that tests package are large.
cpack --config "$build/CPackConfig.cmake" -B "$work/out" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip \
  >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/out/kez-data-aggregator_*.deb)

info=$(dpkg-deb -f "$deb" Package Architecture Depends)
echo "$info"
grep -q '^Package: kez-data-aggregator$' <<<"$info" || fail "package name"
for library in libqt6widgets6 libcurl4 libpugixml1v5; do
  grep -q "$library" <<<"$info" || fail "Depends lacks $library"
done

# Where lintian is installed (it is not among the build's packages): no errors, warnings allowed.
if command -v lintian >/dev/null; then
  lintian --fail-on error --allow-root "$deb" || fail "lintian found errors"
fi

listing=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for path in ./usr/bin/kezagg ./usr/bin/kez-data-aggregator \
  ./usr/share/kez-data-aggregator/KEZDataAggregator.ini \
  ./usr/share/kez-data-aggregator/KEZBTERR.MSG ./usr/lib/systemd/user/kezagg.service \
  ./usr/share/applications/kez-data-aggregator.desktop \
  ./etc/xdg/autostart/kez-data-aggregator.desktop \
  ./usr/share/icons/hicolor/256x256/apps/kez-data-aggregator.png \
  ./usr/share/doc/kez-data-aggregator/copyright; do
  grep -qx "$path" <<<"$listing" || fail "the package lacks $path"
done
if grep -q '^\./usr/bin/.*\.\(ini\|MSG\)$' <<<"$listing"; then fail "default files in /usr/bin"; fi

dpkg-deb -x "$deb" "$work/root"
home=$work/home
mkdir -p "$home"
run() { env -u KEZ_APP_DIR HOME="$home" XDG_DATA_HOME="$home/.local/share" \
  XDG_CONFIG_HOME="$home/.config" KEZ_INSTANCE_LOCK="$work/lock" "$work/root/usr/bin/kezagg" "$@"; }
version=$(run --version)
echo "$version"
grep -q '^kezagg [0-9]' <<<"$version" || fail "no version line"
folder=$home/.local/share/kez-data-aggregator
# Even a user who may write into the program's folder (root here) gets a folder of their own.
grep -qF "Program folder: $folder (per user" <<<"$version" || fail "not the per-user folder"

# The first command that uses the folder gives it the packaged defaults (log on).
run log >/dev/null 2>&1 || true
cmp "$folder/KEZDataAggregator.ini" "$work/root/usr/share/kez-data-aggregator/KEZDataAggregator.ini" ||
  fail "the per-user folder did not get the packaged KEZDataAggregator.ini"
run sample --scale tiny --until 2026-01-12 --out "$work/data" >/dev/null
run --now "2026-01-12 09:15" extract --data-path "$work/data" sales >/dev/null
ls "$work/data/MarketingPortal/"KEZSalesExtract*20260112.csv >/dev/null || fail "no sales extract"
cmp "$folder/KEZBTERR.MSG" "$work/root/usr/share/kez-data-aggregator/KEZBTERR.MSG" || fail "no status texts"
echo "deb package: ok ($(du -h "$deb" | cut -f 1))"
